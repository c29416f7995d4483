// Globals a host assigns: the report window and the installation folder.
#include "host/obrisk/internal.h"
#include <vrtools/obrisk.h>

#include <climits>
#include <cstring>
#include <unistd.h>

namespace {

// Folder of the running program as a wide string ending in '/'; "./" when it cannot be found.
wchar_t* Program_Folder()
{
    static wchar_t folder[PATH_MAX + 2];
    char path[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    size_t end = 0;
    if (n > 0) {
        path[n] = '\0';
        const char* slash = std::strrchr(path, '/');
        if (slash)
            end = static_cast<size_t>(slash - path) + 1;
    }
    if (end == 0) {
        std::memcpy(path, "./", 3);
        end = 2;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(path);
    size_t pos = 0, count = 0;
    while (pos < end)
        pos += host::Utf8_Decode(in + pos, end - pos, &folder[count++]);
    folder[count] = L'\0';
    return folder;
}

}  // namespace

HWND hwnd = nullptr;
wchar_t* W_Inst_Path = Program_Folder();
