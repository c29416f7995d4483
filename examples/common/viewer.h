// The shell of the example programs: a GLFW window when a display is there, else one headless frame as a PNG.
#pragma once

#include <vrtools/tools.h>

#include "headless.h"

namespace viewer {

// Keys the shell hands on, from the keyboard or a gamepad (see Program::Key).
enum Keys {
    KEY_LEFT,
    KEY_RIGHT,
    KEY_UP,
    KEY_DOWN,
    KEY_TAB,     // with `shift`: back (Shift-Tab, a gamepad's left bumper)
    KEY_ENTER,   // Enter, Space, keypad Enter, a gamepad's A button
    KEY_PLUS,    // + or =, keypad +, a gamepad's Y button; Page Up with `shift` set (a big step)
    KEY_MINUS,   // -, keypad -, a gamepad's X button; Page Down with `shift` set
    KEY_ESCAPE,  // Escape, a gamepad's B button: closes the window
};

// What an example program does; Main owns the window or the headless context around it.
class Program {
public:
    virtual ~Program() = default;
    // Builds everything, with the GL context current and GLEW initialised. `window` is the handle
    // the widgets' Init takes.
    virtual void Init(HWND window) = 0;
    // Draws one frame into the framebuffer, `width` x `height` pixels.
    virtual void Frame(int width, int height) = 0;
    // Pointer motion to (x, y) in framebuffer pixels, y upward from the bottom row; `buttons` bit 0
    // is the left button, bit 1 the right one, bit 2 the middle one, held while dragging.
    virtual void Pointer(int buttons, float x, float y) {}
    // Mouse button `button` (0 left, 1 right, 2 middle) pressed or released at (x, y).
    virtual void Press(int button, float x, float y) {}
    virtual void Release(int button, float x, float y) {}
    // Wheel turned by `amount` notches (positive away from the user) with the pointer at (x, y).
    virtual void Wheel(float x, float y, float amount) {}
    // Key `key` (Keys) went down (`down`, again while held) or up; `shift` as the enum says. A
    // gamepad's d-pad and left stick give the arrows, its buttons the keys listed there.
    virtual void Key(int key, bool down, bool shift) {}
};

struct Options {
    const char* name = "example";  // messages and window title
    int width = 800;               // window and headless frame size, pixels
    int height = 600;
    int frames = 1;                                         // headless frames drawn before the picture is taken
    headless::Profile profile = headless::Profile::COMPAT;  // the kind of context, window or headless
};

// Runs the program that `make` creates as the command line asks: [--png FILE] renders
// `options.frames` headless frames and writes the last as FILE; without it a window opens when a
// display is there, else the frame goes to "<name>.png". [--shot FILE] in a window writes the frame
// shown when the window closes (Escape) as FILE. The program is made after and destroyed
// before its GL context. Returns the process exit status.
int Main(int argc, char** argv, const Options& options, Program* (*make)());

}  // namespace viewer
