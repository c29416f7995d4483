// A lit push button with a sinking face, an optional indicator lamp and a caption on the face.
#pragma once

#include "tools.h"

enum : unsigned int {
    VR_BUTTON_LAMP = 0x00100000,  // an indicator lamp on the face
};

// The host decides what a click means and writes State; the next Draw (or Adjust) rebuilds the
// mesh for it. Mesh: 13 quads (frame top, outer walls, inner walls, face), the face last.
class VRTOOLS_API VR_Buttons : public VR_Tools {
public:
    short State = 0;              // host: 0 up, non-zero pressed
    short Lamp = 0;               // host: non-zero lights the lamp
    short* Lamp_Array = nullptr;  // library: lamp quad, 4 x (x, y, z) (owned)
    unsigned int Lamp_VBO = 0;    // library
    short Highlight = 0;          // library: 1 while the pointer is over the button
    short Built_State = 0;        // library: State the mesh was built for

    VR_Buttons() = default;
    VR_Buttons(const VR_Buttons& other);
    VR_Buttons(VR_Buttons&& other) noexcept;
    VR_Buttons& operator=(const VR_Buttons& other);
    VR_Buttons& operator=(VR_Buttons&& other) noexcept;
    ~VR_Buttons();

    void Init(HWND hwnd);
    void Draw();
    // Rebuilds the mesh when State changed since it was built.
    void Adjust();
    // Hover test of (x, y) in scene units (left and lower edges outside); lights face and inner
    // walls while inside. Returns 1 while inside. `button` is not used.
    int Select(int button, float x, float y);
    // Drops the highlight.
    void Deselect();
    // State, widened.
    int Read();

    // One-call click at (x, y) in scene units, for a pointer press: Select, and when the pointer is
    // over the button State toggles between 0 and 1 (the next Draw shows it). Returns 1 when State
    // changed, else 0.
    int Click(float x, float y);
};
