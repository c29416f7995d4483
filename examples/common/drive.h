// The host's side of a group of sliders, shared by the example programs.
#pragma once

#include <vrtools/valuator.h>

// Hover lights a groove, a press picks a slider and moves its cursor to the pointer, a drag follows
// the pointer, the wheel scrolls the slider under it. Values flow one way: Read and Scroll give a
// value, the host stores it into Value and applies it with Adjust.
class Slider_Drive {
public:
    // Pointer motion in the sliders' scene units. True while a drag owns the pointer (the host then
    // shows it to no other widget).
    template <class Sliders>
    bool Pointer(Sliders& sliders, int buttons, float x, float y)
    {
        if ((buttons & 1) && active) {
            active->Is_Select(x);
            Store(*active, active->Read());
            return true;
        }
        for (VR_Valuators& v : sliders)
            v.Select(0, x, y);
        return false;
    }

    template <class Sliders>
    void Press(Sliders& sliders, float x, float y)
    {
        for (VR_Valuators& v : sliders)
            if (v.Select(1, x, y)) {
                active = &v;
                Store(v, v.Read());
            }
    }

    void Release() { active = nullptr; }

    template <class Sliders>
    void Wheel(Sliders& sliders, float x, float y, float amount)
    {
        for (VR_Valuators& v : sliders)
            if (v.Select(0, x, y))
                Store(v, v.Scroll(amount));
    }

private:
    static void Store(VR_Valuators& v, float value)
    {
        v.Value = value;
        v.Adjust();
    }

    VR_Valuators* active = nullptr;  // the slider a press picked, until the release
};
