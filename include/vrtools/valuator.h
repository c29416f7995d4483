// A slider: table-driven value model (linear or logarithmic), body with a groove, cursor and read-out.
#pragma once

#include "tools.h"

enum : unsigned int {
    VR_VALUATOR_NO_CURSOR = 0x00000004,  // Init builds an empty cursor mesh
    VR_VALUATOR_WRAP = 0x00200000,       // Scroll past either end continues from the other end
    VR_VALUATOR_LOG10 = 0x01000000,      // logarithmic scale, decimal logarithms
    VR_VALUATOR_LOGE = 0x02000000,       // logarithmic scale, natural logarithms
};

// Values flow one way: Read and Scroll move the cursor and return a value without storing it; the
// host stores it into Value and calls Adjust, which clamps it and moves the drawing to it.
class VRTOOLS_API VR_Valuators : public VR_Tools {
public:
    float Value = 0.0f;                     // host: current value; Adjust clamps it
    float Value_Min = 0.0f;                 // host: value at position 0
    float Value_Max = 0.0f;                 // host: value at position 1023
    const char* Format = nullptr;           // host: printf format of the read-out (one floating conversion)
    short Cursor_Half_Width = 0;            // host: half the cursor width; Init turns 0 into 10
    float Scroll_Speed = 0.0f;              // host: positions per Scroll unit; Init turns 0 into 2
    float Value_Table[1024] = {};           // library: value of each cursor position
    unsigned char* Value_Bitmap = nullptr;  // library: read-out alpha bitmap (owned)
    unsigned int Value_Texture = 0;         // library
    short Selected = 0;                     // library: 1 while the pointer is over the slider
    short Spare = 0;
    float Cursor_Position = 0.0f;   // library: cursor as a table position, 0..1024
    float Pointer_Position = 0.0f;  // library: table position under the pointer, 0..1023
    float Shown_Value = 0.0f;       // library: value at which the cursor is drawn
    wchar_t Value_Text[40] = {};    // library: read-out text last rasterised
    int Value_Tex_Width = 0, Value_Tex_Height = 0;
    int Value_Text_Width = 0, Value_Text_Height = 0;
    short Cursor_Quad_Count = 0;
    short* Cursor_Vertex_Array = nullptr;
    short* Cursor_Normal_Array = nullptr;
    unsigned int* Cursor_Color_Array = nullptr;
    short* Value_Vertex_Array = nullptr;
    float* Value_Coord_Array = nullptr;
    unsigned int Cursor_Vertex_VBO = 0, Cursor_Normal_VBO = 0, Cursor_Color_VBO = 0;
    unsigned int Value_Vertex_VBO = 0, Value_Coord_VBO = 0;

    VR_Valuators() = default;
    VR_Valuators(const VR_Valuators& other);
    VR_Valuators(VR_Valuators&& other) noexcept;
    VR_Valuators& operator=(const VR_Valuators& other);
    VR_Valuators& operator=(VR_Valuators&& other) noexcept;
    ~VR_Valuators();

    // Applies defaults, builds the value table, body, caption and cursor.
    void Init(HWND hwnd);
    void Draw();
    // Hover test; records the table position under the pointer on a hit. Returns Selected.
    int Select(int button, float x, float y);
    void Deselect();
    // While selected, follows the pointer along X. Returns Selected.
    int Is_Select(float x);
    // Moves the cursor to the pointer and returns the value there.
    float Read();
    // Moves the cursor by delta x Scroll_Speed positions and returns the value there.
    float Scroll(float delta);
    // Clamps Value and moves the cursor to it.
    void Adjust();

    // One-call drag, for a press and for every pointer move while the button is held: a selected
    // slider follows the pointer along x (Is_Select), another one is hit-tested first (Select); then
    // the value under the pointer is stored into Value and applied (Read, Adjust). Select or Deselect
    // ends the drag. Returns 1 when Value changed, else 0 (also on an inactive slider).
    int Drag(float x, float y);
    // One-call wheel: with (x, y) over the slider (Select), moves it by `amount` steps (Scroll) and
    // stores and applies the result (Value, Adjust). Returns 1 when Value changed, else 0.
    int Wheel(float x, float y, float amount);

private:
    int Posit();
    void Cursor_Init();
};
