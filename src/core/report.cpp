// Reports shared by every widget: the common guard, the start of Init, allocation and GL errors.
#include <cstring>

#include "core.h"

namespace core {

void Guard(VR_Tools& tool, const char* method)
{
    // NOTE: before the early return: the system's report comes once, the lint warning for every method.
    if (Lint_On() && !(tool.Status & VR_STATUS_INITIALISED))
        Lint_Unready(tool, method);
    if (tool.Status & (VR_STATUS_INITIALISED | VR_STATUS_WARNED))
        return;
    Error_Fct(::hwnd, VR_REPORT_WARNING, L"Tools: WARNING ! ");
    if (tool.Status == 0)
        Error_Fct(::hwnd, VR_REPORT_WARNING, L"   you must call *_Init() first");
    else
        Error_Fct(::hwnd, VR_REPORT_WARNING, L"   bad data in device's structure");
    Error_Fct(::hwnd, VR_REPORT_WARNING, L"   type: %hs   name: %ls\n", method, tool.W_Name ? tool.W_Name : L"no name");
    // NOTE: exactly "warned": a named but never initialised object must not look initialised now.
    tool.Status = VR_STATUS_WARNED;
}

bool Init_Begin(VR_Tools& tool, HWND window, const char* window_tag)
{
    tool.Status |= VR_STATUS_INITIALISED;
    tool.Status &= static_cast<unsigned char>(~(VR_STATUS_GL_PENDING | VR_STATUS_INIT_PENDING));
    // NOTE: a name refused for its length leaves no caption; out of memory was reported already.
    if (!tool.Name_Set(tool.Name) && tool.Name && !tool.W_Name && Lint_On() && std::strlen(tool.Name) >= 1024)
        Lint_Name_Refused(tool, window_tag);
    if (tool.Width < 1 || tool.Height < 1) {
        if (Lint_On())
            Lint_Size(tool, window_tag);
        return false;
    }
    if (window)
        tool.Window = window;
    if (!tool.Window) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, window_tag, tool.W_Name);
        Error_Fct(::hwnd, VR_REPORT_WARNING, "   you must provide a window in Init()");
        return false;
    }
    return true;
}

void Report_Alloc(const char* kind, int line, const char* source, const char* variable, int count, int size)
{
    if (kind[0] == 'c')
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION, L"line %-4d of %hs \nmemory error in calloc (var=%hs, dim=%dx%d)", line,
                  source, variable, count, size);
    else
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION, L"line %-4d of %hs \nmemory error in realloc (var=%hs, dim=%dx%d)",
                  line, source, variable, count, size);
}

void Report_New(int line, const char* source, const char* variable)
{
    Error_Fct(::hwnd, VR_REPORT_ALLOCATION, L"line %-4d of %hs \nmemory error in new  wchar_t (var=%hs)", line, source,
              variable);
}

void Report_GL_Errors(const char* source, int line, const char* call)
{
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, L"file:%hs line:%d", source, line);
        Error_Fct(::hwnd, VR_REPORT_WARNING, L"OpenGL Error %d in %hs", static_cast<int>(e), call);
        // The error's name is used as the format: it holds no conversion.
        Error_Fct(::hwnd, VR_REPORT_WARNING, Error_OpenGL(static_cast<int>(e)));
    }
}

}  // namespace core
