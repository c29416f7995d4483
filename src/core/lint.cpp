// Lint mode: optional warnings for misuse that the widgets otherwise accept without a word.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "core.h"

#include <vrtools/setup.h>

namespace core {

bool Lint_Enabled = false;

namespace {

// Texts already given: a check that runs at every frame warns once, not sixty times a second.
std::unordered_set<std::string>& Lint_Given()
{
    static std::unordered_set<std::string> given;
    return given;
}

// Bounds the memory of a host that produces new warnings for ever (names with counters).
constexpr std::size_t LINT_GIVEN_MAX = 1024;

}  // namespace

void Lint_Report(const char* format, ...)
{
    // Names reach 1023 characters of up to 4 bytes each; a font name is the host's own text.
    char text[8192];
    va_list args;
    va_start(args, format);
    const int length = host::Format_Narrow(text, sizeof text, format, args);
    va_end(args);
    if (length < 0)
        std::snprintf(text, sizeof text, "Lint: a warning too long to show (\"%.60s\")", format);
    try {
        auto& given = Lint_Given();
        if (given.size() >= LINT_GIVEN_MAX)
            given.clear();
        if (!given.insert(text).second)
            return;
    } catch (...) {
        // Out of memory for the record: warn again later rather than not at all.
    }
    Error_Fct(::hwnd, VR_REPORT_WARNING, "%hs", text);
}

namespace {

// The class is the word between "(" and ":" of the widget's window warning, "(VR_Buttons:%ls)".
void Class_From_Tag(const char* window_tag, char (&name)[32])
{
    std::strcpy(name, "widget");
    const char* open = window_tag ? std::strchr(window_tag, '(') : nullptr;
    const char* colon = open ? std::strchr(open, ':') : nullptr;
    if (colon && colon - open - 1 > 0 && colon - open - 1 < static_cast<long>(sizeof name)) {
        std::memcpy(name, open + 1, static_cast<std::size_t>(colon - open - 1));
        name[colon - open - 1] = '\0';
    }
}

}  // namespace

const wchar_t* Name_Wide(const VR_Tools& tool)
{
    return tool.W_Name ? tool.W_Name : tool.Name ? L"" : L"no name";
}

const char* Name_Narrow(const VR_Tools& tool)
{
    return !tool.W_Name && tool.Name ? tool.Name : "";
}

void Lint_Size(const VR_Tools& tool, const char* window_tag)
{
    char name[32];
    Class_From_Tag(window_tag, name);
    Lint_Report("Lint: %hs \"%ls\" is %dx%d at Init: it builds nothing, draws nothing and ignores the pointer", name,
                tool.W_Name ? tool.W_Name : L"no name", tool.Width, tool.Height);
}

void Lint_Name_Refused(const VR_Tools& tool, const char* window_tag)
{
    char name[32];
    Class_From_Tag(window_tag, name);
    Lint_Report("Lint: %hs Name of %d bytes refused at Init: a name of 1024 characters or more is dropped and "
                "no caption is shown",
                name, static_cast<int>(std::strlen(tool.Name)));
}

void Lint_GL_Pending(const char* call)
{
    // The widget's method is the part of its error call before ": ", "VR_Frames::Draw: glDrawArrays".
    const char* colon = call ? std::strstr(call, ": ") : nullptr;
    const int length = colon ? static_cast<int>(colon - call) : call ? static_cast<int>(std::strlen(call)) : 0;
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
        Lint_Report("Lint: OpenGL error %d (%hs) was pending before %.*hs: a GL call made before it left the error, "
                    "not the widget",
                    static_cast<int>(e), Error_OpenGL(static_cast<int>(e)), length, call ? call : "");
}

void Lint_Unready(const VR_Tools& tool, const char* method)
{
    Lint_Report("Lint: %hs on \"%ls%hs\" before its Init", method, Name_Wide(tool), Name_Narrow(tool));
}

void Lint_Lit_State()
{
    if (!glIsEnabled(GL_NORMALIZE))
        Lint_Report("Lint: a lit widget is drawn with GL_NORMALIZE off: its normals of length 100 light it "
                    "wrongly (enable it, or call VR_Tools_GL_Setup)");
    GLint lights = 8;
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    bool lit = false;
    for (GLint i = 0; i < lights && !lit; ++i)
        lit = glIsEnabled(static_cast<GLenum>(GL_LIGHT0 + i));
    if (!lit)
        Lint_Report("Lint: a lit widget is drawn with no light enabled: it shows only the ambient light, "
                    "about 4x darker (enable GL_LIGHT0, or call VR_Tools_GL_Setup)");
}

void Lint_Current(const VR_Tools& tool, const char* kind, int current, int count)
{
    Lint_Report("Lint: %hs \"%ls\" has Current %d outside its %d items: no item is shown in front", kind,
                tool.W_Name ? tool.W_Name : L"no name", current, count);
}

}  // namespace core

void VR_Tools_Lint_Set(bool on)
{
    if (on)
        core::Lint_Given().clear();
    core::Lint_Enabled = on;
}

bool VR_Tools_Lint_Get()
{
    return core::Lint_Enabled;
}
