// Culling the batch's widgets against the view.
#include "render/batch/culling.h"

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
