// A selectable tray: raised rim, sunken floor in the widget's colour, optional caption and picture.
#pragma once

#include "tools.h"

enum : unsigned int {
    VR_BOX_FLOOR_APART = 0x00000010,  // floor left out of the lit pass; caption and picture nearer
    VR_BOX_FLOOR_UNLIT = 0x00000040,  // floor drawn a second time without lighting
};

class VRTOOLS_API VR_Boxs : public VR_Tools {
public:
    short Box_Spare = 0;
    short Icon_Width = 0;   // library: width of the picture in Image, pixels
    short Icon_Height = 0;  // library: height of the picture in Image, pixels
    short Highlight = 0;    // library: 1 while the pointer was inside at the last Select

    VR_Boxs() = default;
    VR_Boxs(const VR_Boxs& other) = default;
    VR_Boxs& operator=(const VR_Boxs& other) = default;
    VR_Boxs(VR_Boxs&& other) noexcept = default;
    VR_Boxs& operator=(VR_Boxs&& other) noexcept = default;
    ~VR_Boxs() = default;

    void Init(HWND hwnd);
    void Draw();
    // Pointer test at (x, y); lights the floor while inside. Returns the new Highlight.
    int Select(int buttons, float x, float y);
    void Deselect();
    // Loads the picture W_Inst_Path + "Icons/" + file (".tga" names through the TGA reader) into
    // Image; shown after the next Init. 1 on success, 0 with the box unchanged on failure.
    int Icon(const char* file);
};
