// Drawing contexts: on this host a context only tells the text surface that a window exists.
#include <vrtools/obrisk.h>

namespace {
// Every window shares one context: text is drawn off-screen, never into the window itself.
struct HDC_Token {
    int unused;
} Shared_Context;
}  // namespace

HDC Y_GetDC(HWND window, const char* caller)
{
    if (!window) {
        Error_Fct(hwnd, VR_REPORT_WARNING, "Host: no drawing context without a window (%hs)",
                  caller ? caller : "unknown caller");
        return nullptr;
    }
    return reinterpret_cast<HDC>(&Shared_Context);
}

void Y_ReleaseDC(HWND, HDC)
{}
