// What the host of an X11 program writes after Xlib's headers: fields and calls of a widget.
#pragma once

inline int Xlib_Host_Uses(VR_Buttons& button, Display* display)
{
    button.Flags |= VR_HIDDEN;
    button.Draw();
    return button.Read() != 0 && display != nullptr;
}
