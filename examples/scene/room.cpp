// The scene's room in fixed-function GL: a tiled floor, two walls, a pedestal with a sphere, a cube, a lamp.
#include <GL/glew.h>

#include <cmath>

#include "scene.h"

unsigned int Sphere_Color = 0x3070E0;

namespace {

constexpr float LAMP[4] = {1.2f, 2.5f, 0.4f, 1.0f};  // positional, metres
constexpr float PI = 3.14159265f;
void Color_Packed(unsigned int packed)
{
    glColor3ub(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

// An n x n grid of quads from `origin` along the edges `u` and `v`, all facing `normal`: per-vertex
// lighting needs the vertices that a single big quad would not have. `checker` alternates two colours.
void Grid(const float origin[3], const float u[3], const float v[3], const float normal[3], int n, unsigned int a,
          unsigned int b)
{
    glNormal3fv(normal);
    glBegin(GL_QUADS);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            Color_Packed((i + j) % 2 ? b : a);
            const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (const auto& c : corners) {
                const float s = (i + c[0]) / n, t = (j + c[1]) / n;
                glVertex3f(origin[0] + s * u[0] + t * v[0], origin[1] + s * u[1] + t * v[1],
                           origin[2] + s * u[2] + t * v[2]);
            }
        }
    }
    glEnd();
}

// An axis-aligned box standing on y = y0 around (x, z), turned by `yaw` degrees.
void Box(float x, float y0, float z, float w, float h, float d, float yaw, unsigned int colour)
{
    glPushMatrix();
    glTranslatef(x, y0 + h / 2, z);
    glRotatef(yaw, 0, 1, 0);
    glScalef(w / 2, h / 2, d / 2);
    // Each face: normal axis, sign; corners counter-clockwise seen from outside.
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
            Grid(origin, u, v, normal, 4, colour, colour);
        }
    }
    glPopMatrix();
}

void Sphere(float x, float y, float z, float r, int slices)
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glBegin(GL_QUADS);
    for (int i = 0; i < slices; ++i) {
        for (int j = 0; j < 2 * slices; ++j) {
            const int corners[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            for (const auto& c : corners) {
                const float lat = PI * c[0] / slices - PI / 2, lon = PI * c[1] / slices;
                const float n[3] = {std::cos(lat) * std::cos(lon), std::sin(lat), -std::cos(lat) * std::sin(lon)};
                glNormal3fv(n);
                glVertex3f(r * n[0], r * n[1], r * n[2]);
            }
        }
    }
    glEnd();
    glPopMatrix();
}

// The solid things in the room: a pedestal with the sphere on it, a cube.
void Objects()
{
    Box(1.05f, 0.0f, -2.4f, 0.5f, 0.8f, 0.5f, 20.0f, 0x9098A0);
    const float shine[4] = {0.6f, 0.6f, 0.6f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, shine);
    glMaterialf(GL_FRONT, GL_SHININESS, 40.0f);
    Color_Packed(Sphere_Color);
    Sphere(1.05f, 1.12f, -2.4f, 0.32f, 24);
    // The widgets' lit passes expect the default, matte material.
    const float none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_SPECULAR, none);
    Box(0.3f, 0.0f, 0.7f, 0.42f, 0.42f, 0.42f, 35.0f, 0xC88040);
}

struct Blob {
    float x, z, radius, height;  // where an object stands, how wide and how high its shadow caster is
};
constexpr Blob BLOBS[] = {{1.05f, -2.4f, 0.6f, 1.2f}, {0.3f, 0.7f, 0.5f, 0.42f}};

// A disc on the floor, dark in the middle and clear at the rim.
void Shadow_Disc(float x, float z, float radius)
{
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(0.0f, 0.0f, 0.05f, 0.6f);
    glVertex3f(x, 0.003f, z);
    glColor4f(0.0f, 0.0f, 0.05f, 0.0f);
    for (int i = 0; i <= 32; ++i) {
        const float a = 2.0f * PI * i / 32;
        glVertex3f(x + radius * std::cos(a), 0.003f, z - radius * std::sin(a));
    }
    glEnd();
}

}  // namespace

void Room_Light()
{
    const float diffuse[4] = {0.85f, 0.85f, 0.8f, 1.0f};
    const float ambient[4] = {0.3f, 0.3f, 0.32f, 1.0f};
    const float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // The room is lit by the lamp itself (GL_LIGHT1, positional), the panels by GL_LIGHT0 from one
    // direction, over the viewer's left shoulder: one direction is what a batch lights with, so the
    // widgets look the same drawn one by one or batched.
    glLightfv(GL_LIGHT1, GL_POSITION, LAMP);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    const float toward[4] = {-0.3f, 0.45f, 0.84f, 0.0f};
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
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    const float floor_origin[3] = {-5, 0, 5}, floor_u[3] = {10, 0, 0}, floor_v[3] = {0, 0, -10}, up[3] = {0, 1, 0};
    Grid(floor_origin, floor_u, floor_v, up, 20, 0x80858A, 0x666A6E);
    const float back_origin[3] = {-5, 0, -4.5f}, back_u[3] = {10, 0, 0}, back_v[3] = {0, 3.5f, 0}, front[3] = {0, 0, 1};
    Grid(back_origin, back_u, back_v, front, 16, 0xC8B59D, 0xC8B59D);
    const float left_origin[3] = {-5, 0, 5}, left_u[3] = {0, 0, -9.5f}, left_v[3] = {0, 3.5f, 0}, right[3] = {1, 0, 0};
    Grid(left_origin, left_u, left_v, right, 16, 0xB8B0A0, 0xB8B0A0);
    Objects();
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT1);
    glEnable(GL_LIGHT0);

    // Soft shadows: a dark disc under each object, pushed away from the lamp. Each disc is one fan,
    // so no pixel is darkened twice.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (const Blob& b : BLOBS) {
        const float away[2] = {b.x - LAMP[0], b.z - LAMP[2]};
        const float push = b.height / (LAMP[1] - b.height) * 0.5f;
        Shadow_Disc(b.x + away[0] * push, b.z + away[1] * push, b.radius);
    }
    glDisable(GL_BLEND);

    // The lamp itself, unlit, on its cord.
    glColor3f(0.2f, 0.2f, 0.2f);
    glBegin(GL_LINES);
    glVertex3f(LAMP[0], LAMP[1], LAMP[2]);
    glVertex3f(LAMP[0], 4.0f, LAMP[2]);
    glEnd();
    glColor3f(1.0f, 0.95f, 0.7f);
    Sphere(LAMP[0], LAMP[1], LAMP[2], 0.06f, 10);
}
