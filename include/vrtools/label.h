// A caption drawn as one textured quad, the simplest widget.
#pragma once

#include "tools.h"

// A flat caption (the widget's name) in its colour (white when none is set), placed inside the
// rectangle by the caption bits of Flags with Bevel as margin, floating 1.5 in front of z = 0.
class VRTOOLS_API VR_Labels : public VR_Tools {
public:
    VR_Labels() = default;
    VR_Labels(const VR_Labels& other) = default;
    VR_Labels& operator=(const VR_Labels& other) = default;
    VR_Labels(VR_Labels&& other) noexcept = default;
    VR_Labels& operator=(VR_Labels&& other) noexcept = default;
    ~VR_Labels() = default;

    // Renders the caption and uploads its quad. Needs a window (argument or Window) and a size >= 1.
    void Init(HWND hwnd);
    // Draws the caption in the colour of Color, read at every call.
    void Draw();
};
