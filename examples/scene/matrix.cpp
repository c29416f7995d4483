// Column-major 4 x 4 matrices for the scene's camera and panels, as the fixed-function calls of the same names build them.
#include <cmath>

#include "scene.h"

Matrix operator*(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = sum;
        }
    return r;
}

Matrix Translation(float x, float y, float z)
{
    Matrix t;
    t.m[12] = x, t.m[13] = y, t.m[14] = z;
    return t;
}

Matrix Rotation(float degrees, float x, float y, float z)
{
    const float a = degrees * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a), k = 1.0f - c;
    Matrix r;
    r.m[0] = x * x * k + c, r.m[4] = x * y * k - z * s, r.m[8] = x * z * k + y * s;
    r.m[1] = y * x * k + z * s, r.m[5] = y * y * k + c, r.m[9] = y * z * k - x * s;
    r.m[2] = x * z * k - y * s, r.m[6] = y * z * k + x * s, r.m[10] = z * z * k + c;
    return r;
}

Matrix Scaling(float s)
{
    Matrix r;
    r.m[0] = r.m[5] = r.m[10] = s;
    return r;
}

Matrix Frustum(float l, float r, float b, float t, float n, float f)
{
    Matrix p;
    p.m[0] = 2 * n / (r - l), p.m[5] = 2 * n / (t - b);
    p.m[8] = (r + l) / (r - l), p.m[9] = (t + b) / (t - b), p.m[10] = -(f + n) / (f - n), p.m[11] = -1;
    p.m[14] = -2 * f * n / (f - n), p.m[15] = 0;
    return p;
}

Matrix Ortho(float width, float height)
{
    Matrix p;
    p.m[0] = 2 / width, p.m[5] = 2 / height, p.m[10] = -1.0f / 1000.0f;
    p.m[12] = -1, p.m[13] = -1;
    return p;
}
