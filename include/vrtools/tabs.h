// A row of tabs: owns tab items, lays them out across the bar and draws the current one in front.
#pragma once

#include "tabitem.h"

class VRTOOLS_API VR_Tabs : public VR_Tools {
public:
    short Current = 0;             // host: index of the active tab
    short Item_Count = 0;          // Init: number of tab items
    VR_TabItems** Item = nullptr;  // Grow: null-terminated array of owned tab items
    short Shown = 0;               // Current when the active marks were last set

    VR_Tabs() = default;
    VR_Tabs(const VR_Tabs& other);
    VR_Tabs(VR_Tabs&& other) noexcept;
    VR_Tabs& operator=(const VR_Tabs& other);
    VR_Tabs& operator=(VR_Tabs&& other) noexcept;
    // Destroys the tab items, unless a copy still holds them (see VR_Tools).
    ~VR_Tabs();

    // Makes the bar hold exactly `count` tab items with Flags `flags`; surplus tabs are destroyed,
    // highest index first. 1 on success, 0 (reported) when the array cannot grow or `count` is
    // outside 0 .. 32767, with the array left valid. Item_Count waits for Init.
    int Grow(int count, int flags);
    // Lays the tabs out side by side, marks Item[Current] active, copies bevel, fonts, flags and (for
    // tabs without one) colour, and initialises them.
    void Init(HWND hwnd);
    // Marks and draws Item[Current] in front, the others BORDER further back each. While Current is
    // outside the tabs none is marked and all of them recede, the first one BORDER back.
    void Draw();
    int Select(int buttons, float x, float y);
    void Deselect();
    // Index of the tab under the pointer, or -1.
    int Read();
    // Applies a changed Current: marks and draws the stack.
    void Adjust();

    // One-call click at (x, y), for a pointer press: Select, and the tab under the pointer (Read)
    // becomes Current (the next Draw shows it). Returns 1 when Current changed, else 0.
    int Click(float x, float y);
    // One-call wheel: with (x, y) over a tab (Select), Current moves by `amount` rounded to whole
    // tabs (positive: toward the last), wrapping around. Returns 1 when Current changed, else 0.
    int Wheel(float x, float y, float amount);
};
