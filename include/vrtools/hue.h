// A hue editor: one hue slider and a swatch; lightness and saturation stay those of the loaded colour.
#pragma once

#include "box.h"
#include "valuator.h"

class VRTOOLS_API VR_Hues : public VR_Tools {
public:
    unsigned int Color_Value = 0;  // host: the colour edited, packed
    short Hit = 0;
    unsigned int Applied = 0;
    float Channel[3] = {};  // hue, lightness, saturation
    VR_Valuators* Active_Slider = nullptr;
    VR_Boxs Swatch;
    VR_Valuators Slider;

    VR_Hues() = default;
    VR_Hues(const VR_Hues& other);
    VR_Hues(VR_Hues&& other) noexcept;
    VR_Hues& operator=(const VR_Hues& other);
    VR_Hues& operator=(VR_Hues&& other) noexcept;
    ~VR_Hues();

    // Lays out the swatch and the hue slider with its hue ramp, initialises them with `hwnd`
    // unchanged, then Adjust. Reports "Tools: WARNING! (VR_Hues:...)" without a window.
    void Init(HWND hwnd);
    void Draw();
    // Hover test of the slider; the swatch never reacts. Returns Hit.
    int Select(int buttons, float x, float y);
    void Deselect();
    // While Hit, lets the slider follow the pointer along x. Returns Hit.
    int Is_Select(float x);
    // Loads Color_Value: its hue into the slider, its lightness and saturation into Channel.
    void Adjust();
    // Moves the slider to the pointer; returns the packed colour of that hue with the kept
    // lightness and saturation (0 without an active slider or when inactive).
    unsigned long Read();
    // As Read, moving the slider by `amount` wheel steps.
    unsigned long Scroll(float amount);

    // One-call drag, for a press and for every pointer move while the button is held: while Hit the
    // slider follow the pointer along x (Is_Select), otherwise the pointer is hit-tested as a click
    // (Select with button 1); then the colour under the pointer is stored into Color_Value and
    // loaded (Read, Adjust). Select or Deselect ends the drag. Returns 1 when Color_Value changed.
    int Drag(float x, float y);
    // One-call wheel: with (x, y) over a slider (Select), moves it by `amount` steps (Scroll) and
    // stores and loads the colour (Color_Value, Adjust). Returns 1 when Color_Value changed.
    int Wheel(float x, float y, float amount);

private:
    // Packed colour of the slider's hue with the kept lightness and saturation (hue stored first).
    unsigned long Shown_Color();
};
