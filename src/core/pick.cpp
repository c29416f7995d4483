// Pointer rays against panel planes: window position to world ray, ray to panel scene units, nearest panel.
#include <cmath>

#include <vrtools/pick.h>

#include "core.h"

namespace {

// Column-major element (row r, column c).
inline double At(const float m[16], int r, int c)
{
    return m[c * 4 + r];
}

bool Finite(const float* v, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i]))
            return false;
    return true;
}

// out = m x (v, w), the first three rows and the fourth in out[3].
void Transform(const float m[16], const double v[3], double w, double out[4])
{
    for (int r = 0; r < 4; ++r)
        out[r] = At(m, r, 0) * v[0] + At(m, r, 1) * v[1] + At(m, r, 2) * v[2] + At(m, r, 3) * w;
}

struct Meeting {
    double x = 0.0, y = 0.0, distance = 0.0;
};

// The ray of `pick` against the plane z = 0 of `model`. Bad input is reported; parallel rays and
// rays pointing away are plain misses.
bool Meet(const VR_Picks& pick, const float model[16], Meeting& out)
{
    if (!model || !Finite(pick.Origin, 3) || !Finite(pick.Direction, 3) || !Finite(model, 16)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: ray or panel matrix missing or not finite");
        return false;
    }
    const double d[3] = {pick.Direction[0], pick.Direction[1], pick.Direction[2]};
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(length > 0.0) || !std::isfinite(length)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: ray without a direction");
        return false;
    }
    // NOTE: the ray's parameter carries over unchanged into panel space only for affine matrices.
    if (std::fabs(At(model, 3, 0)) > 1e-6 || std::fabs(At(model, 3, 1)) > 1e-6 || std::fabs(At(model, 3, 2)) > 1e-6 ||
        std::fabs(At(model, 3, 3) - 1.0) > 1e-6) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: panel matrix is not affine (last row must be 0 0 0 1)");
        return false;
    }
    float inverse[16];
    if (!VR_Picks::Matrix_Invert(model, inverse)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: panel matrix is singular");
        return false;
    }
    const double o[3] = {pick.Origin[0], pick.Origin[1], pick.Origin[2]};
    double lo[4], ld[4];
    Transform(inverse, o, 1.0, lo);
    Transform(inverse, d, 0.0, ld);
    // Parallel to the plane: no point to give, and nothing to divide by.
    if (ld[2] == 0.0)
        return false;
    const double t = -lo[2] / ld[2];
    if (!(t >= 0.0) || !std::isfinite(t))
        return false;
    out.x = lo[0] + t * ld[0];
    out.y = lo[1] + t * ld[1];
    out.distance = t * length;
    // Nearly parallel rays meet the plane beyond what a float holds: a miss, not an overflow.
    return std::fabs(out.x) < 3e38 && std::fabs(out.y) < 3e38 && out.distance < 3e38;
}

// Half-open rectangle of a widget, as every Select tests it.
bool Inside(const VR_Tools& area, double x, double y)
{
    const double x0 = area.X, y0 = area.Y;
    return x0 < x && x <= x0 + area.Width && y0 < y && y <= y0 + area.Height;
}

}  // namespace

int VR_Picks::Ray_Set_Window(float wx, float wy, const int viewport[4], const float inverse_projection_view[16])
{
    if (!viewport || !inverse_projection_view || viewport[2] <= 0 || viewport[3] <= 0) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: window ray needs a viewport of at least 1 x 1 pixels");
        return 0;
    }
    if (!std::isfinite(wx) || !std::isfinite(wy) || !Finite(inverse_projection_view, 16)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: window position or matrix not finite");
        return 0;
    }
    // Normalised device coordinates of the pixel, on the near (-1) and the far (+1) plane.
    const double ndc[2] = {2.0 * (wx - viewport[0]) / viewport[2] - 1.0, 2.0 * (wy - viewport[1]) / viewport[3] - 1.0};
    double ends[2][3];
    for (int e = 0; e < 2; ++e) {
        const double v[3] = {ndc[0], ndc[1], e == 0 ? -1.0 : 1.0};
        double h[4];
        Transform(inverse_projection_view, v, 1.0, h);
        if (!(std::fabs(h[3]) > 1e-30)) {
            Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: projection maps the window position to infinity");
            return 0;
        }
        for (int i = 0; i < 3; ++i)
            ends[e][i] = h[i] / h[3];
    }
    float origin[3], direction[3];
    for (int i = 0; i < 3; ++i) {
        origin[i] = static_cast<float>(ends[0][i]);
        direction[i] = static_cast<float>(ends[1][i] - ends[0][i]);
    }
    if (!Finite(origin, 3) || !Finite(direction, 3) ||
        (direction[0] == 0.0f && direction[1] == 0.0f && direction[2] == 0.0f)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: projection gives no ray through the window position");
        return 0;
    }
    for (int i = 0; i < 3; ++i) {
        Origin[i] = origin[i];
        Direction[i] = direction[i];
    }
    return 1;
}

int VR_Picks::Hit(const float model[16])
{
    Meeting m;
    if (!Meet(*this, model, m))
        return 0;
    X = static_cast<float>(m.x);
    Y = static_cast<float>(m.y);
    Distance = static_cast<float>(m.distance);
    return 1;
}

int VR_Picks::Hit(const float model[16], const VR_Tools& area)
{
    Meeting m;
    if (!Meet(*this, model, m) || !Inside(area, m.x, m.y))
        return 0;
    X = static_cast<float>(m.x);
    Y = static_cast<float>(m.y);
    Distance = static_cast<float>(m.distance);
    return 1;
}

int VR_Picks::Nearest(int count, const float* const models[], const VR_Tools* const areas[])
{
    if (count > 0 && !models) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Pick: %d panels without matrices", count);
        return -1;
    }
    int best = -1;
    Meeting nearest;
    for (int i = 0; i < count; ++i) {
        Meeting m;
        if (!Meet(*this, models[i], m))
            continue;
        if (areas && areas[i] && !Inside(*areas[i], m.x, m.y))
            continue;
        if (best < 0 || m.distance < nearest.distance) {
            best = i;
            nearest = m;
        }
    }
    if (best >= 0) {
        X = static_cast<float>(nearest.x);
        Y = static_cast<float>(nearest.y);
        Distance = static_cast<float>(nearest.distance);
    }
    return best;
}

int VR_Picks::Matrix_Invert(const float m[16], float out[16])
{
    if (!m || !out || !Finite(m, 16))
        return 0;
    // Cofactors from the 2 x 2 minors of the first and the last two columns (Laplace expansion). The
    // same formula serves either layout: the inverse of the transpose is the transpose of the inverse.
    double a[16];
    for (int i = 0; i < 16; ++i)
        a[i] = m[i];
    const double s0 = a[0] * a[5] - a[4] * a[1];
    const double s1 = a[0] * a[9] - a[8] * a[1];
    const double s2 = a[0] * a[13] - a[12] * a[1];
    const double s3 = a[4] * a[9] - a[8] * a[5];
    const double s4 = a[4] * a[13] - a[12] * a[5];
    const double s5 = a[8] * a[13] - a[12] * a[9];
    const double c5 = a[10] * a[15] - a[14] * a[11];
    const double c4 = a[6] * a[15] - a[14] * a[7];
    const double c3 = a[6] * a[11] - a[10] * a[7];
    const double c2 = a[2] * a[15] - a[14] * a[3];
    const double c1 = a[2] * a[11] - a[10] * a[3];
    const double c0 = a[2] * a[7] - a[6] * a[3];
    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    // Singular relative to the matrix's own size, so that a panel scaled down to metres still inverts.
    // The size is that of the 3 x 3 linear part and of the last row: the translation column adds
    // nothing to how invertible the matrix is, and counting it failed panels far from the origin.
    double linear = 0.0, last_row = 0.0;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            linear = std::fmax(linear, std::fabs(a[c * 4 + r]));
    for (int c = 0; c < 4; ++c)
        last_row = std::fmax(last_row, std::fabs(a[c * 4 + 3]));
    const double size = linear * linear * linear * last_row;
    if (!(size > 0.0) || !(std::fabs(det) > 1e-14 * size) || !std::isfinite(det))
        return 0;
    const double k = 1.0 / det;
    double r[16];
    r[0] = (a[5] * c5 - a[9] * c4 + a[13] * c3) * k;
    r[4] = (-a[4] * c5 + a[8] * c4 - a[12] * c3) * k;
    r[8] = (a[7] * s5 - a[11] * s4 + a[15] * s3) * k;
    r[12] = (-a[6] * s5 + a[10] * s4 - a[14] * s3) * k;
    r[1] = (-a[1] * c5 + a[9] * c2 - a[13] * c1) * k;
    r[5] = (a[0] * c5 - a[8] * c2 + a[12] * c1) * k;
    r[9] = (-a[3] * s5 + a[11] * s2 - a[15] * s1) * k;
    r[13] = (a[2] * s5 - a[10] * s2 + a[14] * s1) * k;
    r[2] = (a[1] * c4 - a[5] * c2 + a[13] * c0) * k;
    r[6] = (-a[0] * c4 + a[4] * c2 - a[12] * c0) * k;
    r[10] = (a[3] * s4 - a[7] * s2 + a[15] * s0) * k;
    r[14] = (-a[2] * s4 + a[6] * s2 - a[14] * s0) * k;
    r[3] = (-a[1] * c3 + a[5] * c1 - a[9] * c0) * k;
    r[7] = (a[0] * c3 - a[4] * c1 + a[8] * c0) * k;
    r[11] = (-a[3] * s3 + a[7] * s1 - a[11] * s0) * k;
    r[15] = (a[2] * s3 - a[6] * s1 + a[10] * s0) * k;
    float result[16];
    for (int i = 0; i < 16; ++i) {
        result[i] = static_cast<float>(r[i]);
        if (!std::isfinite(result[i]))
            return 0;
    }
    for (int i = 0; i < 16; ++i)
        out[i] = result[i];
    return 1;
}
