// A hue editor: one hue slider and a swatch; lightness and saturation stay those of the loaded colour.
#pragma once

#include "box.h"
#include "valuator.h"

class VRTOOLS_API VR_Hues : public VR_Tools {
public:
    unsigned int Color_Value = 0;  // host: the colour edited, packed
    short Hit = 0;
    unsigned int Applied = 0;
    float Channel[3] = {};         // hue, lightness, saturation
    VR_Valuators* Active_Slider = nullptr;
    VR_Boxs Swatch;
    VR_Valuators Slider;

    VR_Hues() = default;
    VR_Hues(const VR_Hues& other);
    VR_Hues& operator=(const VR_Hues& other);
    ~VR_Hues();

    void Init(HWND hwnd);
    void Draw();
    int Select(int buttons, float x, float y);
    void Deselect();
    int Is_Select(float x);
    void Adjust();
    unsigned long Read();
    unsigned long Scroll(float amount);
};
