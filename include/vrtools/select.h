// A spinner-style selection list: owns boxes, shows the current one between two arrows.
#pragma once

#include "box.h"

enum : unsigned int {
    // Arrow room above and below the item instead of left and right. The arrows and their zones turn
    // with it: back (Hit 0x2) at the bottom pointing down, forward (0x4) at the top pointing up, each
    // a square as high as the list is wide.
    VR_SELECT_VERTICAL = 0x00000004,
};

class VRTOOLS_API VR_Selects : public VR_Tools {
public:
    short Current = 0;         // host, Adjust, Scroll: index of the item shown
    short Arrow_Size = 0;      // host or Init: room kept for each arrow
    VR_Boxs** Item = nullptr;  // Grow: null-terminated array of owned boxes
    short Item_Count = 0;      // Grow, Init
    float Scroll_Sum = 0.0f;   // Scroll: amount not yet turned into steps
    unsigned short Hit = 0;    // Select: 0x1 inside, 0x2 left arrow zone, 0x4 right arrow zone
    short Shown = 0;           // Init, Adjust: Current when Adjust last ran

    VR_Selects() = default;
    VR_Selects(const VR_Selects& other);
    VR_Selects(VR_Selects&& other) noexcept;
    VR_Selects& operator=(const VR_Selects& other);
    VR_Selects& operator=(VR_Selects&& other) noexcept;
    // Destroys the items, unless a copy still holds them (see VR_Tools).
    ~VR_Selects();

    // Makes the list hold exactly `count` items; new items get `flags`, or this list's Flags masked
    // with 0x0F027750 when `flags` is 0. Surplus items are destroyed, highest index first. 1 on
    // success, 0 (reported) when the array cannot grow or `count` is outside 0 .. 32767; the list
    // then keeps a valid array (unchanged, or already shrunk) and Item_Count matches it.
    int Grow(int count, int flags);
    // Places every item in the rectangle between the arrows (defaults: Bevel 1, Arrow_Size from the
    // size) and initialises it with this list's window.
    void Init(HWND hwnd);
    // Draws Item[Current] and the two arrows. While Current is outside 0 .. Item_Count - 1 only the
    // arrows are drawn.
    void Draw();
    // Hit test in scene units; stores and returns Hit (0x1 inside, 0x2 back zone, 0x4 forward zone).
    int Select(int buttons, float x, float y);
    void Deselect();
    // Steps Current back (left arrow) or forward (right arrow) as Hit says, with wrap-around. From
    // outside the items, back lands on the last item and forward on the first.
    void Adjust();
    int Read();
    // Steps Current by whole units of accumulated amount (positive: forward), skipping inactive
    // items; returns it. The sum rests in [0, 1]: the first forward unit and the first unit after a
    // reversal are absorbed, and a turn never steps against its direction.
    int Scroll(float amount);

    // One-call click at (x, y), for a pointer press: Select, and on an arrow Adjust steps Current.
    // Returns 1 when Current changed, else 0.
    int Click(float x, float y);
    // One-call wheel: with (x, y) over the list (Select), Scroll turns Current by `amount`. Returns 1
    // when Current changed, else 0.
    int Wheel(float x, float y, float amount);
};
