// The batch tests' view in any profile (compatibility, core, ES): one scene unit per pixel, the
// default light, and the frame read back.
#pragma once

#include <GL/glew.h>

#include <vector>

#include <vrtools/batch.h>

#include "headless.h"

// A widget with a caption at (x, y), not yet initialised: bevel 3, DejaVu Sans at 14 pixels.
inline void Widget_Place(VR_Tools& w, const char* name, int x, int y, int width, int height, int bevel = 3)
{
    w.Name = name;
    w.X = static_cast<short>(x);
    w.Y = static_cast<short>(y);
    w.Width = static_cast<short>(width);
    w.Height = static_cast<short>(height);
    w.Bevel = static_cast<short>(bevel);
    w.Font_Name = "DejaVu Sans";
    w.Font_Size = 14;
}

// Draws `batch` with the matrices and light a host of any profile passes, the panel moved by `dx`
// pixels along x.
inline void Batch_Draw_Pixels(VR_Batches& batch, int width, int height, float dx = 0.0f)
{
    float projection[16];
    const float model_view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, dx, 0, 0, 1};
    headless::Matrix_Pixels(width, height, projection);
    const headless::Light& light = headless::Light_Values();
    batch.Draw(projection, model_view, light.direction, light.color, light.ambient);
}

// The whole frame as RGBA bytes, bottom row first.
inline std::vector<unsigned char> Frame_Pixels(int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
