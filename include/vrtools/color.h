// An RGB/HLS colour editor: three sliders and a swatch on a background box.
#pragma once

#include "box.h"
#include "valuator.h"

enum : unsigned int {
    VR_COLOR_HLS = 0x00008000,  // sliders edit hue, lightness and saturation
};

class VRTOOLS_API VR_Colors : public VR_Tools {
public:
    unsigned int Color_Value = 0;  // host: the colour edited, packed; loaded by Adjust
    short Hit = 0;                 // library: 1 while a slider was under the pointer
    unsigned int Applied = 0;      // library: Color_Value last loaded
    float Channel[3] = {};         // library: the three slider values, 0..1
    VR_Valuators* Active_Slider = nullptr;  // library: slider hit last (one of this editor's own)
    VR_Boxs Frame;
    VR_Boxs Swatch;
    VR_Valuators Slider_1;  // red or hue (top)
    VR_Valuators Slider_2;  // green or lightness
    VR_Valuators Slider_3;  // blue or saturation (bottom)

    VR_Colors() = default;
    VR_Colors(const VR_Colors& other);
    VR_Colors& operator=(const VR_Colors& other);
    ~VR_Colors();

    void Init(HWND hwnd);
    void Draw();
    int Select(int buttons, float x, float y);
    void Deselect();
    int Is_Select(float x);
    // Loads Color_Value into the sliders and the swatch when it changed.
    void Adjust();
    // Moves the active slider to the pointer; returns the packed colour the sliders show.
    unsigned long Read();
    unsigned long Scroll(float amount);
};
