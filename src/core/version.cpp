// The library's two free functions: the version check with its text, and the clean-up hook.
#include <dlfcn.h>

#include <cstdarg>
#include <cstring>

#include "core.h"

namespace {

char version_text[256];

int Format(char* out, std::size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Narrow(out, capacity, format, args);
    va_end(args);
    return n;
}

}  // namespace

char* Get_Version_VR_Tools(const char* version)
{
    if (version && std::strcmp(version, "1.1") != 0)
        return nullptr;
    // The module's own file: the text follows the name the library was loaded under.
    char path[4096] = "vrtools";
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&Get_Version_VR_Tools), &info) && info.dli_fname) {
        std::strncpy(path, info.dli_fname, sizeof path - 1);
        path[sizeof path - 1] = '\0';
    }
    char name[80] = "";
    Get_Generic_Name(path, nullptr, name, nullptr);
    if (Format(version_text, sizeof version_text, "%hs.dll%hs %hs (rev-%hs)", name, "", "1.1", "b") < 0)
        version_text[0] = '\0';
    return version_text;
}

void VR_Tools_Lib_Cleanup()
{}
