// Culling the batch's widgets against the view.
#include "render/batch/culling.h"

#include <algorithm>

namespace core {

bool View_Straight(const float mvp[16])
{
    const float* m = mvp;
    return m[1] == 0.0f && m[3] == 0.0f && m[4] == 0.0f && m[7] == 0.0f && m[8] == 0.0f && m[9] == 0.0f &&
           m[11] == 0.0f;
}

bool Box_May_Show(const float mvp[16], const float viewport[2], float reach, const float lo[3], const float hi[3])
{
    const float* m = mvp;
    const float reach_x = 1.0f + 2.0f * reach / viewport[0];
    const float reach_y = 1.0f + 2.0f * reach / viewport[1];
    if (m[3] == 0.0f && m[7] == 0.0f && m[11] == 0.0f) {
        // Without perspective (a panel seen straight, every frame of a live one) w is m[15] at
        // every corner, and each clip coordinate's least and greatest over the corners are those of
        // its terms, summed in the same order: rounding never turns a larger sum smaller, so the
        // test is the corners' own, from two sums a row instead of eight.
        const float w = m[15];
        const float bound[3] = {reach_x * w, reach_y * w, w};
        for (int r = 0; r < 3; ++r) {
            float least = 0.0f, most = 0.0f;
            for (int a = 0; a < 3; ++a) {
                const float at_lo = m[4 * a + r] * lo[a], at_hi = m[4 * a + r] * hi[a];
                const float low = std::min(at_lo, at_hi), high = std::max(at_lo, at_hi);
                least = a == 0 ? low : least + low;
                most = a == 0 ? high : most + high;
            }
            least += m[12 + r];
            most += m[12 + r];
            if (most < -bound[r] || least > bound[r])
                return false;
        }
        return true;
    }
    int outside[6] = {0, 0, 0, 0, 0, 0};
    for (int c = 0; c < 8; ++c) {
        const float p[3] = {(c & 1) ? hi[0] : lo[0], (c & 2) ? hi[1] : lo[1], (c & 4) ? hi[2] : lo[2]};
        float clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
        outside[0] += clip[0] < -reach_x * clip[3];
        outside[1] += clip[0] > reach_x * clip[3];
        outside[2] += clip[1] < -reach_y * clip[3];
        outside[3] += clip[1] > reach_y * clip[3];
        outside[4] += clip[2] < -clip[3];
        outside[5] += clip[2] > clip[3];
    }
    for (const int n : outside)
        if (n == 8)
            return false;
    return true;
}

}  // namespace core
