// Pointer rays: hits on turned panels feed the widgets' Select, half-open edges, nearest panel, misses and bad input.
#include <cmath>
#include <limits>
#include <vector>

#include <vrtools/button.h>
#include <vrtools/pick.h>
#include "gl_fixture.h"

namespace {

using Matrix = std::vector<float>;  // column-major 4 x 4

Matrix Identity()
{
    Matrix m(16, 0.0f);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix r(16, 0.0f);
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                r[c * 4 + row] += a[k * 4 + row] * b[c * 4 + k];
    return r;
}

Matrix Translate(float x, float y, float z)
{
    Matrix m = Identity();
    m[12] = x, m[13] = y, m[14] = z;
    return m;
}

Matrix Scale(float s)
{
    Matrix m = Identity();
    m[0] = m[5] = m[10] = s;
    return m;
}

// Rotation by `degrees` about axis 0 (x), 1 (y) or 2 (z).
Matrix Rotate(int axis, float degrees)
{
    const float a = degrees * 3.14159265f / 180.0f, c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    Matrix m = Identity();
    m[i * 4 + i] = c, m[j * 4 + i] = -s;
    m[i * 4 + j] = s, m[j * 4 + j] = c;
    return m;
}

// World position of the panel point (x, y, 0).
std::vector<float> Place(const Matrix& model, float x, float y)
{
    return {model[0] * x + model[4] * y + model[12], model[1] * x + model[5] * y + model[13],
            model[2] * x + model[6] * y + model[14]};
}

// A ray from `eye` through the panel point (x, y).
VR_Picks Ray_Through(const Matrix& model, float x, float y, const std::vector<float>& eye)
{
    const std::vector<float> p = Place(model, x, y);
    VR_Picks pick;
    for (int i = 0; i < 3; ++i) {
        pick.Origin[i] = eye[i];
        pick.Direction[i] = p[i] - eye[i];
    }
    return pick;
}

// Panels in metres: 0.005 m per scene unit, turned as a host stands them in a room.
struct Pose {
    const char* name;
    Matrix model;
};

std::vector<Pose> Poses()
{
    return {
        {"facing", Multiply(Translate(0, 1, -2), Scale(0.005f))},
        {"tilted back 35", Multiply(Multiply(Translate(0.5f, 0.8f, -1.5f), Rotate(0, -35)), Scale(0.005f))},
        {"turned 60 and tilted",
         Multiply(Multiply(Multiply(Translate(-1, 1.2f, -1), Rotate(1, 60)), Rotate(0, -20)), Scale(0.005f))},
        {"rolled 15, turned -40, unit scale",
         Multiply(Multiply(Translate(300, -50, -900), Rotate(1, -40)), Rotate(2, 15))},
    };
}

class Pick : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        button.X = 40, button.Y = 30, button.Width = 120, button.Height = 40, button.Bevel = 2;
        button.Init(Window());
    }

    VR_Buttons button;
    const std::vector<float> eye = {0.2f, 1.6f, 1.5f};
};

}  // namespace

TEST_F(Pick, RaysThroughButtonCentreOnTurnedPanelsSelectIt)
{
    for (const Pose& pose : Poses()) {
        SCOPED_TRACE(pose.name);
        VR_Picks pick = Ray_Through(pose.model, 100, 50, eye);
        ASSERT_EQ(pick.Hit(pose.model.data()), 1);
        EXPECT_NEAR(pick.X, 100.0f, 1e-2f);
        EXPECT_NEAR(pick.Y, 50.0f, 1e-2f);
        const std::vector<float> p = Place(pose.model, 100, 50);
        EXPECT_NEAR(pick.Distance, std::hypot(p[0] - eye[0], p[1] - eye[1], p[2] - eye[2]), 1e-3f * pick.Distance);
        EXPECT_EQ(button.Select(0, pick.X, pick.Y), 1);

        // The same point seen through a perspective camera: window position back to a ray.
        const float n = 0.1f, f = 2000.0f, t = n * std::tan(0.5f);
        Matrix projection(16, 0.0f);
        projection[0] = n / (t * 4.0f / 3.0f), projection[5] = n / t;
        projection[10] = -(f + n) / (f - n), projection[11] = -1.0f, projection[14] = -2.0f * f * n / (f - n);
        const Matrix view = Multiply(Rotate(0, 10), Translate(-eye[0], -eye[1], -eye[2]));
        const Matrix pv = Multiply(projection, view);
        float clip[4] = {};
        for (int r = 0; r < 4; ++r)
            clip[r] = pv[r] * p[0] + pv[4 + r] * p[1] + pv[8 + r] * p[2] + pv[12 + r];
        const int viewport[4] = {10, 20, 800, 600};
        const float wx = viewport[0] + (clip[0] / clip[3] + 1.0f) * 0.5f * viewport[2];
        const float wy = viewport[1] + (clip[1] / clip[3] + 1.0f) * 0.5f * viewport[3];
        float inverse[16];
        ASSERT_EQ(VR_Picks::Matrix_Invert(pv.data(), inverse), 1);
        VR_Picks window;
        ASSERT_EQ(window.Ray_Set_Window(wx, wy, viewport, inverse), 1);
        ASSERT_EQ(window.Hit(pose.model.data(), button), 1);
        EXPECT_NEAR(window.X, 100.0f, 0.2f);
        EXPECT_NEAR(window.Y, 50.0f, 0.2f);
    }
    EXPECT_EQ(Messages_Text(), "");
}

TEST_F(Pick, HalfOpenRectangleEdges)
{
    // The left and lower edges belong outside, the right and upper ones inside.
    struct Point {
        float x, y;
        int inside;
    };
    const float e = 0.05f;
    const Point points[] = {
        {40 - e, 50, 0},  {40 + e, 50, 1},  {160 - e, 50, 1}, {160 + e, 50, 0},
        {100, 30 - e, 0}, {100, 30 + e, 1}, {100, 70 - e, 1}, {100, 70 + e, 0},
    };
    // Exactly on the edges, on a panel that only moves away from the viewer.
    const Matrix moved = Translate(0, 0, -10);
    for (const float x : {40.0f, 160.0f}) {
        for (const float y : {30.0f, 70.0f}) {
            VR_Picks pick;
            pick.Origin[0] = x, pick.Origin[1] = y, pick.Direction[2] = -1.0f;
            EXPECT_EQ(pick.Hit(moved.data(), button), x > 40.0f && y > 30.0f) << x << ", " << y;
        }
    }
    for (const Pose& pose : Poses()) {
        for (const Point& pt : points) {
            SCOPED_TRACE(std::string(pose.name) + " at " + std::to_string(pt.x) + ", " + std::to_string(pt.y));
            VR_Picks pick = Ray_Through(pose.model, pt.x, pt.y, eye);
            EXPECT_EQ(pick.Hit(pose.model.data(), button), pt.inside);
            ASSERT_EQ(pick.Hit(pose.model.data()), 1);
            EXPECT_EQ(button.Select(0, pick.X, pick.Y), pt.inside);
        }
    }
}

TEST_F(Pick, NearestOfOverlappingPanelsWins)
{
    const Matrix near_panel = Multiply(Translate(0, 1, -1), Scale(0.005f));
    const Matrix far_panel = Multiply(Multiply(Translate(-0.5f, 1, -2), Rotate(1, 20)), Scale(0.005f));
    VR_Tools area, wide;  // the panels' backing: 0 < x <= 200 (400), 0 < y <= 100
    area.Width = 200, area.Height = 100;
    wide.Width = 400, wide.Height = 100;
    VR_Picks pick;
    pick.Origin[1] = 1.25f;
    pick.Direction[0] = 0.25f, pick.Direction[2] = -1.0f;

    const float* near_first[] = {near_panel.data(), far_panel.data()};
    const float* far_first[] = {far_panel.data(), near_panel.data()};
    const VR_Tools* areas[] = {&area, &wide};
    const VR_Tools* areas_far_first[] = {&wide, &area};
    EXPECT_EQ(pick.Nearest(2, near_first, areas), 0);
    EXPECT_NEAR(pick.X, 50.0f, 1e-2f);
    EXPECT_NEAR(pick.Y, 50.0f, 1e-2f);
    EXPECT_NEAR(pick.Distance, std::hypot(0.25f, 1.0f), 1e-4f);
    EXPECT_EQ(pick.Nearest(2, far_first, areas_far_first), 1);
    EXPECT_NEAR(pick.Distance, std::hypot(0.25f, 1.0f), 1e-4f);

    // Beside the near panel's area only the far one is hit; without areas both planes count.
    pick.Direction[0] = -0.1f;
    EXPECT_EQ(pick.Nearest(2, far_first, areas_far_first), 0);
    EXPECT_NEAR(pick.X, 61.6f, 1.0f);
    const VR_Tools* whole_planes[] = {nullptr, nullptr};
    EXPECT_EQ(pick.Nearest(2, far_first, whole_planes), 1);

    // Nothing hit: -1 and the last results stay.
    const float x = pick.X, distance = pick.Distance;
    pick.Direction[2] = 1.0f;
    EXPECT_EQ(pick.Nearest(2, near_first, areas), -1);
    EXPECT_EQ(pick.X, x);
    EXPECT_EQ(pick.Distance, distance);
    EXPECT_EQ(Messages_Text(), "");
}

TEST_F(Pick, MissesAndBadInputNeverDivideByZero)
{
    const Matrix model = Multiply(Multiply(Translate(0, 1, -2), Rotate(0, -30)), Scale(0.005f));
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    Matrix singular = model;
    singular[8] = singular[9] = 0.0f, singular[10] = 1e-30f;  // depth axis crushed: too thin to invert
    Matrix projective = model;
    projective[3] = 0.5f;
    Matrix not_finite = model;
    not_finite[13] = nan;

    struct Case {
        const char* name;
        std::vector<float> origin, direction;
        const Matrix* model;
        const char* message;  // null: a plain miss, nothing reported
    };
    const std::vector<float> in_plane = {Place(model, 1, 0)[0] - Place(model, 0, 0)[0],
                                         Place(model, 1, 0)[1] - Place(model, 0, 0)[1],
                                         Place(model, 1, 0)[2] - Place(model, 0, 0)[2]};
    const Case cases[] = {
        {"parallel to the panel", {0, 1, 0}, in_plane, &model, nullptr},
        {"pointing away", {0, 1, 0}, {0, 0, 1}, &model, nullptr},
        {"behind, pointing away", {0, 1, -5}, {0, 0, -1}, &model, nullptr},
        {"zero direction", {0, 1, 0}, {0, 0, 0}, &model, "Pick: ray without a direction"},
        {"NaN origin", {nan, 1, 0}, {0, 0, -1}, &model, "Pick: ray or panel matrix missing or not finite"},
        {"infinite direction", {0, 1, 0}, {0, 0, -inf}, &model, "Pick: ray or panel matrix missing or not finite"},
        {"NaN in the matrix", {0, 1, 0}, {0, 0, -1}, &not_finite, "Pick: ray or panel matrix missing or not finite"},
        {"singular matrix", {0, 1, 0}, {0, 0, -1}, &singular, "Pick: panel matrix is singular"},
        {"projective matrix", {0, 1, 0}, {0, 0, -1}, &projective, "Pick: panel matrix is not affine"},
        {"almost parallel: met beyond float range",
         {0, 1, 0},
         {in_plane[0], in_plane[1], in_plane[2] + 1e-40f},
         &model,
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Messages_Clear();
        VR_Picks pick;
        pick.X = 7, pick.Y = 8, pick.Distance = 9;
        for (int i = 0; i < 3; ++i)
            pick.Origin[i] = c.origin[i], pick.Direction[i] = c.direction[i];
        EXPECT_EQ(pick.Hit(c.model->data()), 0);
        EXPECT_EQ(pick.Hit(c.model->data(), button), 0);
        const float* models[] = {c.model->data()};
        EXPECT_EQ(pick.Nearest(1, models, nullptr), -1);
        EXPECT_EQ(pick.X, 7.0f);
        EXPECT_EQ(pick.Y, 8.0f);
        EXPECT_EQ(pick.Distance, 9.0f);
        if (c.message)
            EXPECT_TRUE(Has_Message(c.message)) << Messages_Text();
        else
            EXPECT_EQ(Messages_Text(), "");
    }

    // A singular panel among good ones is skipped; a null matrix list is refused.
    VR_Picks pick;
    pick.Origin[1] = 1.0f, pick.Direction[2] = -1.0f;
    const float* mixed[] = {singular.data(), model.data()};
    EXPECT_EQ(pick.Nearest(2, mixed, nullptr), 1);
    EXPECT_EQ(pick.Nearest(2, nullptr, nullptr), -1);
    EXPECT_EQ(pick.Hit(nullptr), 0);

    // Window rays: an empty viewport, a non-finite position and a singular inverse are refused.
    Messages_Clear();
    const int empty[4] = {0, 0, 0, 600}, viewport[4] = {0, 0, 800, 600};
    const Matrix zero(16, 0.0f);
    float inverse[16];
    EXPECT_EQ(VR_Picks::Matrix_Invert(zero.data(), inverse), 0);
    EXPECT_EQ(VR_Picks::Matrix_Invert(not_finite.data(), inverse), 0);
    EXPECT_EQ(pick.Ray_Set_Window(10, 10, empty, Identity().data()), 0);
    EXPECT_EQ(pick.Ray_Set_Window(nan, 10, viewport, Identity().data()), 0);
    EXPECT_EQ(pick.Ray_Set_Window(10, 10, viewport, zero.data()), 0);
    EXPECT_EQ(pick.Origin[1], 1.0f);
    EXPECT_EQ(pick.Direction[2], -1.0f);
    EXPECT_EQ(Messages().size(), 3u) << Messages_Text();
}

// The singularity threshold follows the panel's scale, not its distance from the origin: panels far
// away, tiny and huge are hit where the ray meets them, and only a crushed axis is refused.
TEST_F(Pick, FarTinyAndHugePanelsInvert)
{
    const Pose poses[] = {
        {"unit scale at x = 5000", Translate(5000, 0, -2)},
        {"0.01 scale at x = 300", Multiply(Translate(300, 0, -2), Scale(0.01f))},
        {"turned, 0.005 scale, 2 km away",
         Multiply(Multiply(Translate(-2000, 30, 1500), Rotate(1, 40)), Scale(0.005f))},
        {"1e-5 scale, microscope", Multiply(Multiply(Translate(0.001f, 0, -0.001f), Rotate(0, -20)), Scale(1e-5f))},
        {"100 scale at x = 1e5", Multiply(Translate(1e5f, 0, -5e4f), Scale(100))},
    };
    for (const Pose& pose : poses) {
        SCOPED_TRACE(pose.name);
        Messages_Clear();
        // The eye stands in front of the panel, as far from it as the panel is wide.
        std::vector<float> eye = Place(pose.model, 50, 50);
        const float width = std::hypot(pose.model[0], pose.model[1], pose.model[2]) * 100.0f;
        for (int i = 0; i < 3; ++i)
            eye[i] += pose.model[8 + i] / std::hypot(pose.model[8], pose.model[9], pose.model[10]) * width;
        VR_Picks pick = Ray_Through(pose.model, 30, 70, eye);
        EXPECT_EQ(pick.Hit(pose.model.data()), 1) << Messages_Text();
        EXPECT_NEAR(pick.X, 30.0f, 0.05f);
        EXPECT_NEAR(pick.Y, 70.0f, 0.05f);
        float inverse[16];
        EXPECT_EQ(VR_Picks::Matrix_Invert(pose.model.data(), inverse), 1);
        Matrix crushed = pose.model;
        crushed[8] = crushed[9] = crushed[10] = 0.0f;
        EXPECT_EQ(VR_Picks::Matrix_Invert(crushed.data(), inverse), 0);
        crushed[10] = pose.model[0] * 1e-16f;
        EXPECT_EQ(VR_Picks::Matrix_Invert(crushed.data(), inverse), 0);
        EXPECT_EQ(Messages_Text(), "");
    }
}
