// An RGB/HLS colour editor: three sliders and a swatch on a background box.
#pragma once

#include "box.h"
#include "valuator.h"

enum : unsigned int {
    VR_COLOR_HLS = 0x00008000,  // sliders edit hue, lightness and saturation
};

class VRTOOLS_API VR_Colors : public VR_Tools {
public:
    unsigned int Color_Value = 0;           // host: the colour edited, packed; loaded by Adjust
    short Hit = 0;                          // library: 1 while a slider was under the pointer
    unsigned int Applied = 0;               // library: Color_Value last loaded
    float Channel[3] = {};                  // library: the three slider values, 0..1
    VR_Valuators* Active_Slider = nullptr;  // library: slider hit last (one of this editor's own)
    VR_Boxs Frame;
    VR_Boxs Swatch;
    VR_Valuators Slider_1;  // red or hue (top)
    VR_Valuators Slider_2;  // green or lightness
    VR_Valuators Slider_3;  // blue or saturation (bottom)

    VR_Colors() = default;
    VR_Colors(const VR_Colors& other);
    VR_Colors(VR_Colors&& other) noexcept;
    VR_Colors& operator=(const VR_Colors& other);
    VR_Colors& operator=(VR_Colors&& other) noexcept;
    ~VR_Colors();

    // Lays out the frame, the swatch and the sliders (ramps made for the model in Flags), initialises
    // them with `hwnd` unchanged, then Adjust. Reports "Tools: WARNING! (VR_Colors:...)" without a window.
    void Init(HWND hwnd);
    void Draw();
    // Forwards the pointer to the sliders; a click (low four bits of `buttons`) over the swatch
    // switches RGB/HLS. Outside the editor the sliders are deselected but Active_Slider stays.
    // Returns Hit.
    int Select(int buttons, float x, float y);
    void Deselect();
    // While Hit, lets the sliders follow the pointer along x. Returns Hit.
    int Is_Select(float x);
    // Loads Color_Value into the sliders and the swatch when it changed.
    void Adjust();
    // Moves the active slider to the pointer; returns the packed colour the sliders show (0 without
    // an active slider or when inactive). Color_Value and the swatch are left to the host.
    unsigned long Read();
    // As Read, moving the active slider by `amount` wheel steps.
    unsigned long Scroll(float amount);

    // One-call drag, for a press and for every pointer move while the button is held: while Hit the
    // sliders follow the pointer along x (Is_Select), otherwise the pointer is hit-tested as a click
    // (Select with button 1, so that a press on the swatch switches the model); then the colour under
    // the pointer is stored into Color_Value and loaded (Read, Adjust). Select or Deselect ends the
    // drag. Returns 1 when Color_Value changed.
    int Drag(float x, float y);
    // One-call wheel: with (x, y) over a slider (Select), moves it by `amount` steps (Scroll) and
    // stores and loads the colour (Color_Value, Adjust). Returns 1 when Color_Value changed.
    int Wheel(float x, float y, float amount);

private:
    // This editor's slider in the place that `slider` holds in `source`; null for any other pointer.
    VR_Valuators* Own_Slider(const VR_Colors& source, const VR_Valuators* slider);
    // Packed colour of the three sliders' values (stored into Channel first).
    unsigned long Shown_Color();
};
