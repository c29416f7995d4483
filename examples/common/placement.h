// The framework examples' widget placement: one call for the fields every widget has.
#pragma once

#include <vrtools/tools.h>

// Places `w` at (x, y) with the given size and bevel, names it, and gives it the examples' font.
template <class Widget>
Widget& Widget_Place(Widget& w, int x, int y, int width, int height, int bevel, const char* name = nullptr)
{
    w.X = static_cast<short>(x), w.Y = static_cast<short>(y);
    w.Width = static_cast<short>(width), w.Height = static_cast<short>(height);
    w.Bevel = static_cast<short>(bevel);
    w.Name = name;
    w.Font_Name = "DejaVu Sans";
    w.Font_Size = 16;
    return w;
}
