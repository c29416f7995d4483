// The scene's room: a tiled floor, two walls, a pedestal with a sphere, a cube and a lamp, built as
// vertex arrays and drawn either with fixed-function lighting or, in a core-profile context, by a
// small shader that lights the same way.
//
// [SECTION] Geometry
// [SECTION] The room
// [SECTION] Fixed-function drawing
// [SECTION] Core-profile drawing
// [SECTION] Lights and entry points
#include <GL/glew.h>

#include <cmath>
#include <cstddef>
#include <vector>

#include "scene.h"

unsigned int Sphere_Color = 0x3070E0;

namespace {

constexpr float LAMP[4] = {1.2f, 2.5f, 0.4f, 1.0f};  // positional, metres
constexpr float PI = 3.14159265f;
constexpr float DIFFUSE[3] = {0.85f, 0.85f, 0.8f};
constexpr float AMBIENT[3] = {0.3f, 0.3f, 0.32f};
// Toward the widgets' light, over the viewer's left shoulder (world units, unit length).
constexpr float WIDGET_LIGHT[3] = {-0.3f, 0.45f, 0.84f};

// [SECTION] Geometry

struct Vertex {
    float p[3], n[3], c[4];
};

// The room as the GL draws it: groups that differ in lighting and blending.
struct Mesh {
    std::vector<Vertex> matte;   // lit by the lamp
    std::vector<Vertex> shiny;   // lit, with a highlight (the sphere)
    std::vector<Vertex> shadow;  // unlit, blended onto the floor
    std::vector<Vertex> glow;    // unlit (the bulb)
    std::vector<Vertex> lines;   // unlit lines (the cord)
};

void Rgba(unsigned int packed, float alpha, float c[4])
{
    c[0] = (packed & 0xFF) / 255.0f, c[1] = ((packed >> 8) & 0xFF) / 255.0f, c[2] = ((packed >> 16) & 0xFF) / 255.0f;
    c[3] = alpha;
}

// A quad a, b, c, d (counter-clockwise seen from where `normal` points) as two triangles.
void Quad(std::vector<Vertex>& out, const float p[4][3], const float normal[3], const float colour[4])
{
    for (int i : {0, 1, 2, 0, 2, 3}) {
        Vertex v;
        for (int k = 0; k < 3; ++k)
            v.p[k] = p[i][k], v.n[k] = normal[k];
        for (int k = 0; k < 4; ++k)
            v.c[k] = colour[k];
        out.push_back(v);
    }
}

// An n x n grid of quads from `origin` along the edges `u` and `v`, all facing `normal`: per-vertex
// lighting needs the vertices that a single big quad would not have. Tiles alternate `a` and `b`.
void Grid(std::vector<Vertex>& out, const float origin[3], const float u[3], const float v[3], const float normal[3],
          int n, unsigned int a, unsigned int b)
{
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            float colour[4];
            Rgba((i + j) % 2 ? b : a, 1.0f, colour);
            const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            float p[4][3];
            for (int c = 0; c < 4; ++c) {
                const float s = (i + corners[c][0]) / n, t = (j + corners[c][1]) / n;
                for (int k = 0; k < 3; ++k)
                    p[c][k] = origin[k] + s * u[k] + t * v[k];
            }
            Quad(out, p, normal, colour);
        }
    }
}

// A box standing on y = y0 around (x, z), turned by `yaw` degrees about the vertical.
void Box(std::vector<Vertex>& out, float x, float y0, float z, float w, float h, float d, float yaw,
         unsigned int colour)
{
    const float c = std::cos(yaw * PI / 180.0f), s = std::sin(yaw * PI / 180.0f);
    const float half[3] = {w / 2, h / 2, d / 2};
    // Local (x, y, z) in [-1, 1]: scaled, turned, moved; directions are only scaled and turned.
    auto place = [&](const float l[3], float w1, float o[3]) {
        const float q[3] = {l[0] * half[0], l[1] * half[1], l[2] * half[2]};
        o[0] = c * q[0] + s * q[2] + w1 * x;
        o[1] = q[1] + w1 * (y0 + h / 2);
        o[2] = -s * q[0] + c * q[2] + w1 * z;
    };
    for (int axis = 0; axis < 3; ++axis) {
        for (int sign = -1; sign <= 1; sign += 2) {
            float normal[3] = {0, 0, 0}, origin[3], u[3] = {0, 0, 0}, v[3] = {0, 0, 0};
            normal[axis] = static_cast<float>(sign);
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            origin[axis] = static_cast<float>(sign);
            origin[a] = -1, origin[b] = -1;
            // u x v must point along the normal.
            if (sign > 0)
                u[a] = 2, v[b] = 2;
            else
                u[b] = 2, v[a] = 2;
            float wo[3], wu[3], wv[3];
            const float turned[3] = {c * normal[0] + s * normal[2], normal[1], -s * normal[0] + c * normal[2]};
            place(origin, 1.0f, wo);
            place(u, 0.0f, wu);
            place(v, 0.0f, wv);
            Grid(out, wo, wu, wv, turned, 4, colour, colour);
        }
    }
}

void Sphere(std::vector<Vertex>& out, const float centre[3], float r, int slices, const float colour[4])
{
    for (int i = 0; i < slices; ++i) {
        for (int j = 0; j < 2 * slices; ++j) {
            const int corners[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            Vertex q[4];
            for (int k = 0; k < 4; ++k) {
                const float lat = PI * corners[k][0] / slices - PI / 2, lon = PI * corners[k][1] / slices;
                const float n[3] = {std::cos(lat) * std::cos(lon), std::sin(lat), -std::cos(lat) * std::sin(lon)};
                for (int a = 0; a < 3; ++a)
                    q[k].p[a] = centre[a] + r * n[a], q[k].n[a] = n[a];
                for (int a = 0; a < 4; ++a)
                    q[k].c[a] = colour[a];
            }
            for (int k : {0, 1, 2, 0, 2, 3})
                out.push_back(q[k]);
        }
    }
}

// A disc on the floor, dark in the middle and clear at the rim: one fan, so no pixel darkens twice.
void Shadow_Disc(std::vector<Vertex>& out, float x, float z, float radius)
{
    const Vertex centre = {{x, 0.003f, z}, {0, 1, 0}, {0.0f, 0.0f, 0.05f, 0.6f}};
    for (int i = 0; i < 32; ++i) {
        Vertex rim[2];
        for (int k = 0; k < 2; ++k) {
            const float a = 2.0f * PI * (i + k) / 32;
            rim[k] = {
                {x + radius * std::cos(a), 0.003f, z - radius * std::sin(a)}, {0, 1, 0}, {0.0f, 0.0f, 0.05f, 0.0f}};
        }
        out.push_back(centre);
        out.push_back(rim[0]);
        out.push_back(rim[1]);
    }
}

// [SECTION] The room

struct Blob {
    float x, z, radius, height;  // where an object stands, how wide and how high its shadow caster is
};
constexpr Blob BLOBS[] = {{1.05f, -2.4f, 0.6f, 1.2f}, {0.3f, 0.7f, 0.5f, 0.42f}};

Mesh Room_Build()
{
    Mesh m;
    const float floor_origin[3] = {-5, 0, 5}, floor_u[3] = {10, 0, 0}, floor_v[3] = {0, 0, -10}, up[3] = {0, 1, 0};
    Grid(m.matte, floor_origin, floor_u, floor_v, up, 20, 0x80858A, 0x666A6E);
    const float back_origin[3] = {-5, 0, -4.5f}, back_u[3] = {10, 0, 0}, back_v[3] = {0, 3.5f, 0}, front[3] = {0, 0, 1};
    Grid(m.matte, back_origin, back_u, back_v, front, 16, 0xC8B59D, 0xC8B59D);
    const float left_origin[3] = {-5, 0, 5}, left_u[3] = {0, 0, -9.5f}, left_v[3] = {0, 3.5f, 0}, right[3] = {1, 0, 0};
    Grid(m.matte, left_origin, left_u, left_v, right, 16, 0xB8B0A0, 0xB8B0A0);
    Box(m.matte, 1.05f, 0.0f, -2.4f, 0.5f, 0.8f, 0.5f, 20.0f, 0x9098A0);
    Box(m.matte, 0.3f, 0.0f, 0.7f, 0.42f, 0.42f, 0.42f, 35.0f, 0xC88040);
    float colour[4];
    Rgba(Sphere_Color, 1.0f, colour);
    const float sphere[3] = {1.05f, 1.12f, -2.4f};
    Sphere(m.shiny, sphere, 0.32f, 24, colour);
    // Shadows pushed away from the lamp, further for taller objects.
    for (const Blob& b : BLOBS) {
        const float away[2] = {b.x - LAMP[0], b.z - LAMP[2]};
        const float push = b.height / (LAMP[1] - b.height) * 0.5f;
        Shadow_Disc(m.shadow, b.x + away[0] * push, b.z + away[1] * push, b.radius);
    }
    const float bulb[4] = {1.0f, 0.95f, 0.7f, 1.0f}, cord[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    Sphere(m.glow, LAMP, 0.06f, 10, bulb);
    m.lines.push_back({{LAMP[0], LAMP[1], LAMP[2]}, {0, 1, 0}, {cord[0], cord[1], cord[2], cord[3]}});
    m.lines.push_back({{LAMP[0], 4.0f, LAMP[2]}, {0, 1, 0}, {cord[0], cord[1], cord[2], cord[3]}});
    return m;
}

// [SECTION] Fixed-function drawing

void Arrays_Draw(const std::vector<Vertex>& v, GLenum mode)
{
    if (v.empty())
        return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vertex), v[0].p);
    glNormalPointer(GL_FLOAT, sizeof(Vertex), v[0].n);
    glColorPointer(4, GL_FLOAT, sizeof(Vertex), v[0].c);
    glDrawArrays(mode, 0, static_cast<GLsizei>(v.size()));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// [SECTION] Core-profile drawing

// The lamp lighting of the fixed-function path, per vertex, in GLSL 3.30.
const char* const VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 color;
uniform mat4 projection;
uniform mat4 view;
uniform vec3 lamp;      // eye space
uniform vec3 diffuse;
uniform vec3 ambient;
uniform float lit;      // 0: colour as it is
uniform float shine;    // highlight strength
out vec4 shade;
void main()
{
    vec4 eye = view * vec4(position, 1.0);
    gl_Position = projection * eye;
    vec3 n = normalize(mat3(view) * normal);
    vec3 l = normalize(lamp - eye.xyz);
    float d = max(dot(n, l), 0.0);
    vec3 h = normalize(l + vec3(0.0, 0.0, 1.0));
    float s = d > 0.0 ? shine * pow(max(dot(n, h), 0.0), 40.0) : 0.0;
    vec3 c = color.rgb * (ambient + d * diffuse) + vec3(s);
    shade = vec4(mix(color.rgb, min(c, vec3(1.0)), lit), color.a);
}
)";

const char* const FRAGMENT_SHADER = R"(#version 330 core
in vec4 shade;
out vec4 fragment;
void main() { fragment = shade; }
)";

struct Core_Room {
    GLuint program = 0, vao = 0, vbo = 0;
} core_room;

GLuint Shader(GLenum kind, const char* source)
{
    const GLuint s = glCreateShader(kind);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(s, sizeof log, nullptr, log);
        Error_Fct(::hwnd, 0x80000001u, "Scene: room shader: %hs", log);
    }
    return s;
}

}  // namespace

// [SECTION] Lights and entry points

const float* Widget_Light()
{
    return WIDGET_LIGHT;
}
const float* Widget_Light_Color()
{
    return DIFFUSE;
}
const float* Widget_Ambient()
{
    return AMBIENT;
}

void Room_Light()
{
    const float diffuse[4] = {DIFFUSE[0], DIFFUSE[1], DIFFUSE[2], 1.0f};
    const float ambient[4] = {AMBIENT[0], AMBIENT[1], AMBIENT[2], 1.0f};
    const float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // The room is lit by the lamp itself (GL_LIGHT1, positional), the panels by GL_LIGHT0 from one
    // direction: one direction is what a batch takes in a core-profile context, so the widgets look
    // the same drawn one by one, batched, or in either kind of context.
    glLightfv(GL_LIGHT1, GL_POSITION, LAMP);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    const float toward[4] = {WIDGET_LIGHT[0], WIDGET_LIGHT[1], WIDGET_LIGHT[2], 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, toward);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_LIGHT0);
    // Widget normals are 16-bit integers of length about 100, and the panels are scaled: GL must
    // renormalise them.
    glEnable(GL_NORMALIZE);
}

void Room_Draw()
{
    const Mesh m = Room_Build();
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    Arrays_Draw(m.matte, GL_TRIANGLES);
    const float shine[4] = {0.6f, 0.6f, 0.6f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, shine);
    glMaterialf(GL_FRONT, GL_SHININESS, 40.0f);
    Arrays_Draw(m.shiny, GL_TRIANGLES);
    // The widgets' lit passes expect the default, matte material.
    const float none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, none);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT1);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Arrays_Draw(m.shadow, GL_TRIANGLES);
    glDisable(GL_BLEND);
    Arrays_Draw(m.glow, GL_TRIANGLES);
    Arrays_Draw(m.lines, GL_LINES);
}

bool Room_Core_Init()
{
    Core_Room& r = core_room;
    r.program = glCreateProgram();
    const GLuint vs = Shader(GL_VERTEX_SHADER, VERTEX_SHADER), fs = Shader(GL_FRAGMENT_SHADER, FRAGMENT_SHADER);
    glAttachShader(r.program, vs);
    glAttachShader(r.program, fs);
    glLinkProgram(r.program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(r.program, GL_LINK_STATUS, &ok);
    glGenVertexArrays(1, &r.vao);
    glGenBuffers(1, &r.vbo);
    glBindVertexArray(r.vao);
    glBindBuffer(GL_ARRAY_BUFFER, r.vbo);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, p)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, n)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, c)));
    for (GLuint i = 0; i < 3; ++i)
        glEnableVertexAttribArray(i);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return ok != 0;
}

void Room_Core_Draw(const float projection[16], const float view[16])
{
    const Core_Room& r = core_room;
    const Mesh m = Room_Build();
    glUseProgram(r.program);
    glUniformMatrix4fv(glGetUniformLocation(r.program, "projection"), 1, GL_FALSE, projection);
    glUniformMatrix4fv(glGetUniformLocation(r.program, "view"), 1, GL_FALSE, view);
    float lamp[3];
    for (int i = 0; i < 3; ++i)
        lamp[i] = view[i] * LAMP[0] + view[4 + i] * LAMP[1] + view[8 + i] * LAMP[2] + view[12 + i];
    glUniform3fv(glGetUniformLocation(r.program, "lamp"), 1, lamp);
    glUniform3fv(glGetUniformLocation(r.program, "diffuse"), 1, DIFFUSE);
    glUniform3fv(glGetUniformLocation(r.program, "ambient"), 1, AMBIENT);
    glBindVertexArray(r.vao);
    glBindBuffer(GL_ARRAY_BUFFER, r.vbo);
    struct Group {
        const std::vector<Vertex>* v;
        GLenum mode;
        float lit, shine;
        bool blend;
    };
    const Group groups[] = {{&m.matte, GL_TRIANGLES, 1, 0, false},
                            {&m.shiny, GL_TRIANGLES, 1, 0.6f, false},
                            {&m.shadow, GL_TRIANGLES, 0, 0, true},
                            {&m.glow, GL_TRIANGLES, 0, 0, false},
                            {&m.lines, GL_LINES, 0, 0, false}};
    for (const Group& g : groups) {
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(g.v->size() * sizeof(Vertex)), g.v->data(),
                     GL_STREAM_DRAW);
        glUniform1f(glGetUniformLocation(r.program, "lit"), g.lit);
        glUniform1f(glGetUniformLocation(r.program, "shine"), g.shine);
        if (g.blend) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        glDrawArrays(g.mode, 0, static_cast<GLsizei>(g.v->size()));
        if (g.blend)
            glDisable(GL_BLEND);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    glUseProgram(0);
}

void Room_Core_Free()
{
    Core_Room& r = core_room;
    glDeleteBuffers(1, &r.vbo);
    glDeleteVertexArrays(1, &r.vao);
    glDeleteProgram(r.program);
    r = Core_Room{};
}
