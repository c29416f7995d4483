// A busy indicator: a tray whose black floor shows yellow stripes moving one step per Draw.
#pragma once

#include "tools.h"

class VRTOOLS_API VR_Progress : public VR_Tools {
public:
    short Progress_Spare = 0;
    short Phase = 0;  // library: animation step 0..1024, advanced by every Draw of the stripes

    VR_Progress() = default;
    VR_Progress(const VR_Progress& other) = default;
    VR_Progress& operator=(const VR_Progress& other) = default;
    VR_Progress(VR_Progress&& other) noexcept = default;
    VR_Progress& operator=(VR_Progress&& other) noexcept = default;
    ~VR_Progress() = default;

    void Init(HWND hwnd);
    void Draw();
};
