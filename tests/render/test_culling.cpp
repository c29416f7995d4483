// Culling against the view's clip volume and the straight view, without GL.
#include <gtest/gtest.h>

#include <cmath>

#include "render/batch/culling.h"

using namespace core;

namespace {

// Column-major: x and y scaled to clip space by 1 / 100, z by 1 / 1000.
const float ORTHO[16] = {0.01f, 0, 0, 0, 0, 0.01f, 0, 0, 0, 0, -0.001f, 0, 0, 0, 0, 1};
// A perspective of 90 degrees, near 1, far 1000, looking down -z.
const float PERSPECTIVE[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1001.0f / 999.0f, -1, 0, 0, -2000.0f / 999.0f, 0};
const float VIEWPORT[2] = {200.0f, 400.0f};  // one clip unit is 100 pixels across, 200 up

bool Shows(const float mvp[16], float reach, float x0, float y0, float z0, float x1, float y1, float z1)
{
    const float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
    return Box_May_Show(mvp, VIEWPORT, reach, lo, hi);
}

}  // namespace

TEST(Culling, BoxesBeyondOnePlaneAreLeftOutOthersKept)
{
    EXPECT_TRUE(Shows(ORTHO, 0, -10, -10, 0, 10, 10, 5));
    EXPECT_TRUE(Shows(ORTHO, 0, 90, 90, 0, 150, 150, 5));           // over the corner
    EXPECT_FALSE(Shows(ORTHO, 0, 101, -10, 0, 150, 10, 5));         // right
    EXPECT_FALSE(Shows(ORTHO, 0, -150, -10, 0, -101, 10, 5));       // left
    EXPECT_FALSE(Shows(ORTHO, 0, -10, 101, 0, 10, 150, 5));         // above
    EXPECT_FALSE(Shows(ORTHO, 0, -10, -150, 0, 10, -101, 5));       // below
    EXPECT_FALSE(Shows(ORTHO, 0, -10, -10, 1001, 10, 10, 1100));    // nearer than the near plane
    EXPECT_FALSE(Shows(ORTHO, 0, -10, -10, -1100, 10, 10, -1001));  // beyond the far plane
    // Reaching past the right and the top planes, but no plane has every corner beyond it: kept.
    EXPECT_TRUE(Shows(ORTHO, 0, 99, 99, 0, 300, 300, 5));
}

TEST(Culling, OutlineReachWidensTheVolumeAcrossOnly)
{
    // One pixel is one unit of the box across, half a unit up.
    EXPECT_TRUE(Shows(ORTHO, 2.5f, 102, -10, 0, 150, 10, 5));
    EXPECT_FALSE(Shows(ORTHO, 2.5f, 103, -10, 0, 150, 10, 5));
    EXPECT_TRUE(Shows(ORTHO, 2.5f, -10, -150, 0, 10, -101.2f, 5));
    EXPECT_FALSE(Shows(ORTHO, 2.5f, -10, -150, 0, 10, -101.3f, 5));
    // Depth is not widened.
    EXPECT_FALSE(Shows(ORTHO, 2.5f, -10, -10, 1001, 10, 10, 1100));
}

TEST(Culling, PerspectiveKeepsABoxAcrossTheNearPlaneAndDropsOneBehind)
{
    EXPECT_TRUE(Shows(PERSPECTIVE, 0, -1, -1, -10, 1, 1, -5));
    EXPECT_TRUE(Shows(PERSPECTIVE, 0, -1, -1, -5, 1, 1, 5));      // through the eye
    EXPECT_FALSE(Shows(PERSPECTIVE, 0, -1, -1, 2, 1, 1, 5));      // behind the eye
    EXPECT_FALSE(Shows(PERSPECTIVE, 0, 20, -1, -10, 30, 1, -5));  // right of the frustum
}

TEST(Culling, StraightViewOnlyWhenWindowXAndYIgnoreTheOtherAxes)
{
    EXPECT_TRUE(View_Straight(ORTHO));
    EXPECT_FALSE(View_Straight(PERSPECTIVE));  // w follows z
    // Turned about x: window y follows z.
    const float c = std::cos(0.3f), s = std::sin(0.3f);
    const float turned[16] = {0.01f, 0, 0, 0, 0, 0.01f * c, -0.001f * s, 0, 0, 0.01f * s, -0.001f * c, 0, 0, 0, 0, 1};
    EXPECT_FALSE(View_Straight(turned));
    // Turned about y: window x follows z.
    const float sideways[16] = {0.01f * c, 0, 0.001f * s, 0, 0, 0.01f, 0, 0, 0.01f * s, 0, -0.001f * c, 0, 0, 0, 0, 1};
    EXPECT_FALSE(View_Straight(sideways));
    float moved[16];
    for (int i = 0; i < 16; ++i)
        moved[i] = ORTHO[i];
    moved[12] = 0.5f;  // a translation keeps it straight
    EXPECT_TRUE(View_Straight(moved));
}

TEST(Culling, TurnedViewsWithoutPerspectiveDropTheBoxesTheCornersSayToDrop)
{
    // Without perspective, w is the same at every corner and a box is judged by its terms'
    // extremes; a w that only seems to vary (by far less than its last bit) has every corner
    // projected and counted. Both must agree on views turned every way (w flipped too), for boxes
    // strewn around and across the volume's planes.
    unsigned int seed = 12345;
    const auto next = [&](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
    };
    int dropped = 0, kept = 0;
    for (int view = 0; view < 40; ++view) {
        const float yaw = next(-3.2f, 3.2f), pitch = next(-3.2f, 3.2f);
        const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
        const float w = view % 5 == 4 ? -1.0f : 1.0f;
        // Turned about y, then about x; scaled into clip space as ORTHO does, moved a little.
        const float tx = next(-0.5f, 0.5f), ty = next(-0.5f, 0.5f), tz = next(-0.5f, 0.5f);
        const float m[16] = {0.01f * cy, 0.01f * sy * sp,  -0.001f * sy * cp, 0, 0,  0.01f * cp, 0.001f * sp, 0,
                             0.01f * sy, -0.01f * cy * sp, 0.001f * cy * cp,  0, tx, ty,         tz,          w};
        float by_corners[16];
        for (int i = 0; i < 16; ++i)
            by_corners[i] = m[i];
        by_corners[3] = 1e-30f;
        for (int box = 0; box < 200; ++box) {
            const float lo[3] = {next(-250, 250), next(-250, 250), next(-1500, 1500)};
            const float hi[3] = {lo[0] + next(0, 120), lo[1] + next(0, 120), lo[2] + next(0, 800)};
            const float reach = box % 2 ? 2.5f : 0.0f;
            const bool want = Box_May_Show(by_corners, VIEWPORT, reach, lo, hi);
            ASSERT_EQ(Box_May_Show(m, VIEWPORT, reach, lo, hi), want) << "view " << view << ", box " << box;
            (want ? kept : dropped) += 1;
        }
    }
    // Both answers met often enough to mean something.
    EXPECT_GT(dropped, 1000);
    EXPECT_GT(kept, 1000);
}
