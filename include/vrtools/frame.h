// A backing panel: a solid slab in the widget's colour behind the other widgets.
#pragma once

#include "tools.h"

class VRTOOLS_API VR_Frames : public VR_Tools {
public:
    short Depth = 0;  // host: thickness along -z

    VR_Frames() = default;
    VR_Frames(const VR_Frames& other) = default;
    VR_Frames& operator=(const VR_Frames& other) = default;
    VR_Frames(VR_Frames&& other) noexcept = default;
    VR_Frames& operator=(VR_Frames&& other) noexcept = default;
    ~VR_Frames() = default;

    void Init(HWND hwnd);
    void Draw();
    // 1 when (x, y) lies on the panel or within 30 units above it.
    int Select(int buttons, float x, float y);
};
