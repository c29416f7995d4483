// One tab: a trapezoid prism extruded backwards from z = 0, carrying a caption.
#pragma once

#include "tools.h"

class VRTOOLS_API VR_TabItems : public VR_Tools {
public:
    short Active = 0;  // host or bar: 1 for the current tab (white caption)
    short Hover = 0;   // library: 1 while the pointer was inside at the last Select

    VR_TabItems() = default;
    VR_TabItems(const VR_TabItems& other) = default;
    VR_TabItems& operator=(const VR_TabItems& other) = default;
    VR_TabItems(VR_TabItems&& other) noexcept = default;
    VR_TabItems& operator=(VR_TabItems&& other) noexcept = default;
    ~VR_TabItems() = default;

    void Init(HWND hwnd);
    void Draw();
    int Select(int buttons, float x, float y);
    void Deselect();
    // Recolours the front face from Hover after the host changed Color.
    void Adjust();
    // Active, or -1 without a size or when inactive.
    int Read();
};
