// A spinner-style selection list: owns boxes, shows the current one between two arrows.
#pragma once

#include "box.h"

enum : unsigned int {
    VR_SELECT_VERTICAL = 0x00000004,  // arrow room above and below the item instead of left and right
};

class VRTOOLS_API VR_Selects : public VR_Tools {
public:
    short Current = 0;          // host, Adjust, Scroll: index of the item shown
    short Arrow_Size = 0;       // host or Init: room kept for each arrow
    VR_Boxs** Item = nullptr;   // Grow: null-terminated array of owned boxes
    short Item_Count = 0;       // Grow, Init
    float Scroll_Sum = 0.0f;    // Scroll: amount not yet turned into steps
    unsigned short Hit = 0;     // Select: 0x1 inside, 0x2 left arrow zone, 0x4 right arrow zone
    short Shown = 0;            // Init, Adjust: Current when Adjust last ran

    VR_Selects() = default;
    VR_Selects(const VR_Selects& other) = default;
    VR_Selects& operator=(const VR_Selects& other) = default;
    // Destroys the items (shared with copies: destroy only one of them).
    ~VR_Selects();

    // Makes the list hold exactly `count` items; new items get `flags`, or this list's Flags masked
    // with 0x0F027750 when `flags` is 0. 1 on success, 0 (reported) when the array cannot grow.
    int Grow(int count, int flags);
    void Init(HWND hwnd);
    void Draw();
    int Select(int buttons, float x, float y);
    void Deselect();
    // Steps Current back (left arrow) or forward (right arrow) as Hit says, with wrap-around.
    void Adjust();
    int Read();
    // Steps Current by whole units of accumulated amount, skipping inactive items.
    int Scroll(float amount);
};
