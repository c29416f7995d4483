// Mesh building: the quad appender with its normal rule, colours, and the tray most widgets stand on.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core.h"

namespace core {

namespace {

// (a - d) x (c - d) in 32-bit integers: 16-bit corners cannot overflow it.
void Cross(const Quad& q, long c[3])
{
    const long ux = q[0][0] - q[3][0], uy = q[0][1] - q[3][1], uz = q[0][2] - q[3][2];
    const long vx = q[2][0] - q[3][0], vy = q[2][1] - q[3][1], vz = q[2][2] - q[3][2];
    c[0] = uy * vz - uz * vy;
    c[1] = uz * vx - ux * vz;
    c[2] = ux * vy - uy * vx;
}

template <class T>
bool Grow(T*& array, std::size_t count)
{
    void* grown = std::realloc(array, count * sizeof(T));
    if (!grown)
        return false;
    array = static_cast<T*>(grown);
    return true;
}

}  // namespace

void Normal_Scaled(const Quad& q, short n[3])
{
    long c[3];
    Cross(q, c);
    const float x = static_cast<float>(c[0]), y = static_cast<float>(c[1]), z = static_cast<float>(c[2]);
    const float len = std::sqrt(x * x + y * y + z * z);
    if (len == 0.0f) {
        n[0] = n[1] = n[2] = 0;
        return;
    }
    // NOTE: single precision on purpose: 100 / len rounds so that some axis-aligned normals come out
    // as 99, and the stored meshes are compared against those exact values.
    const float scale = 100.0f / len;
    n[0] = static_cast<short>(std::trunc(x * scale));
    n[1] = static_cast<short>(std::trunc(y * scale));
    n[2] = static_cast<short>(std::trunc(z * scale));
}

void Normal_Raw(const Quad& q, short n[3])
{
    long c[3];
    Cross(q, c);
    for (int i = 0; i < 3; ++i)
        n[i] = static_cast<short>(static_cast<unsigned short>(c[i] & 0xFFFF));
}

void Mesh_Builder::Add(const Quad& q, unsigned int color_word)
{
    if (!ok_)
        return;
    int index = 0;
    if (mode_ == OVERWRITE) {
        if (next_ >= mesh_.count || !mesh_.vertex || !mesh_.normal || !mesh_.color) {
            ok_ = false;  // nothing to overwrite: the caller's mesh is not the one it expects
            return;
        }
        index = next_++;
    } else {
        if (mesh_.count >= 32767 / 4) {
            ok_ = false;
        } else {
            const std::size_t quads = static_cast<std::size_t>(mesh_.count) + 1;
            ok_ = Grow(mesh_.vertex, quads * 12) && Grow(mesh_.normal, quads * 12) && Grow(mesh_.color, quads * 4);
        }
        if (!ok_) {
            Report_Alloc("realloc", __LINE__, source_, "Vertex_Array", mesh_.count + 1, 24);
            Mesh_Free(mesh_);
            return;
        }
        index = mesh_.count;
    }
    short n[3];
    if (normals_ == SCALED)
        Normal_Scaled(q, n);
    else
        Normal_Raw(q, n);
    short* v = mesh_.vertex + index * 12;
    short* nn = mesh_.normal + index * 12;
    unsigned int* c = mesh_.color + index * 4;
    for (int i = 0; i < 4; ++i) {
        std::memcpy(v + 3 * i, q[i], sizeof(short) * 3);
        std::memcpy(nn + 3 * i, n, sizeof(short) * 3);
        c[i] = color_word;
    }
    if (mode_ == APPEND)
        ++mesh_.count;
}

void Mesh_Free(Mesh mesh)
{
    Heap_Release(mesh.vertex);
    Heap_Release(mesh.normal);
    Heap_Release(mesh.color);
    mesh.count = 0;
}

void Quad_Color_Set(Mesh mesh, int quad, unsigned int color_word)
{
    if (!mesh.color || quad < 0 || quad >= mesh.count)
        return;
    for (int i = 0; i < 4; ++i)
        mesh.color[quad * 4 + i] = color_word;
}

void Tray_Append(Mesh_Builder& m, int x, int y, int w, int h, int b, int wall_z, int floor_z, unsigned int rim,
                 unsigned int wall, unsigned int floor)
{
    // All coordinates are 16-bit in the mesh; the sums wrap as the stored shorts do.
    const short X = static_cast<short>(x), Y = static_cast<short>(y);
    const short X1 = static_cast<short>(x + w), Y1 = static_cast<short>(y + h);
    const short x0 = static_cast<short>(x + b), y0 = static_cast<short>(y + b);
    const short x1 = static_cast<short>(x + w - b), y1 = static_cast<short>(y + h - b);
    const short B = static_cast<short>(b), Zw = static_cast<short>(wall_z), Zf = static_cast<short>(floor_z);

    // Rim top: four strips between the outer edge and the groove, at z = B.
    m.Add({{x0, y0, B}, {x0, y1, B}, {X, Y1, B}, {X, Y, B}}, rim);
    m.Add({{x0, y1, B}, {x1, y1, B}, {X1, Y1, B}, {X, Y1, B}}, rim);
    m.Add({{x1, y1, B}, {x1, y0, B}, {X1, Y, B}, {X1, Y1, B}}, rim);
    m.Add({{x1, y0, B}, {x0, y0, B}, {X, Y, B}, {X1, Y, B}}, rim);
    // Outer walls from z = 0 up to the rim.
    m.Add({{X1, Y, 0}, {X1, Y, B}, {X, Y, B}, {X, Y, 0}}, rim);
    m.Add({{X1, Y1, 0}, {X1, Y1, B}, {X1, Y, B}, {X1, Y, 0}}, rim);
    m.Add({{X, Y1, 0}, {X, Y1, B}, {X1, Y1, B}, {X1, Y1, 0}}, rim);
    m.Add({{X, Y, 0}, {X, Y, B}, {X, Y1, B}, {X, Y1, 0}}, rim);
    // Inner walls from the rim to wall_z.
    m.Add({{x1, y0, B}, {x1, y0, Zw}, {x0, y0, Zw}, {x0, y0, B}}, wall);
    m.Add({{x1, y1, B}, {x1, y1, Zw}, {x1, y0, Zw}, {x1, y0, B}}, wall);
    m.Add({{x0, y1, B}, {x0, y1, Zw}, {x1, y1, Zw}, {x1, y1, B}}, wall);
    m.Add({{x0, y0, B}, {x0, y0, Zw}, {x0, y1, Zw}, {x0, y1, B}}, wall);
    // Floor (or face), always last: hover recolours the last quad.
    m.Add({{x1, y0, Zf}, {x1, y1, Zf}, {x0, y1, Zf}, {x0, y0, Zf}}, floor);
}

}  // namespace core
