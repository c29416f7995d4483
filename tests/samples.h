// Test helper: one sample of every widget class, filled with whatever the class can hold.
#pragma once

#include <GL/glew.h>

#include <cstdlib>
#include <type_traits>
#include <vector>

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/frame.h>
#include <vrtools/hue.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

// A widget at (x, y) with a caption and whatever else its class can hold (lamp, picture, read-out,
// children), not yet initialised.
template <class W>
void Sample_Fill(W& w, int x, int y)
{
    w.Name = "Copy";
    w.X = static_cast<short>(x);
    w.Y = static_cast<short>(y);
    w.Width = 150;
    w.Height = 40;
    w.Bevel = 3;
    w.Font_Name = "DejaVu Sans";
    w.Font_Size = 12;
    if constexpr (std::is_same_v<W, VR_Buttons>)
        w.Flags |= VR_BUTTON_LAMP;
    if constexpr (std::is_same_v<W, VR_Frames>) {
        w.Depth = 6;
        w.Color_Set(0x808080u);  // a frame keeps black, the background here
    }
    if constexpr (std::is_same_v<W, VR_Valuators>) {
        w.Value_Max = 10.0f;
        w.Value = 5.0f;
        w.Format = "%.1f";
    }
    if constexpr (std::is_same_v<W, VR_Boxs>) {
        w.Icon_Width = w.Icon_Height = 2;
        w.Image = static_cast<unsigned char*>(std::calloc(16, 1));
    }
    if constexpr (std::is_same_v<W, VR_Selects> || std::is_same_v<W, VR_Tabs>) {
        w.Grow(2, 0);
        w.Item[0]->Name = "One";
        w.Item[1]->Name = "Two";
    }
    if constexpr (std::is_same_v<W, VR_Colors> || std::is_same_v<W, VR_Hues>) {
        w.Width = 300;
        w.Height = 100;
        w.Color_Value = 0x3366CC;
    }
}

// Pixels of the widget's rectangle that differ from the black it is drawn on (one unit per pixel).
template <class W>
int Drawn_Pixels(W& w)
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    w.Draw();
    std::vector<unsigned char> p(static_cast<std::size_t>(w.Width) * w.Height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(w.X, w.Y, w.Width, w.Height, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    int n = 0;
    for (std::size_t i = 0; i < p.size(); i += 4)
        n += p[i] > 2 || p[i + 1] > 2 || p[i + 2] > 2;
    return n;
}
