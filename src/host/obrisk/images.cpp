// Picture readers: open the file, learn the limits, decode, report a refusal.
#include "host/obrisk/internal.h"
#include "host/obrisk/pictures.h"
#include <vrtools/obrisk.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The record holds each side in 16 bits.
constexpr int Record_Max_Side = 32767;

// Sides a texture can have: GL_MAX_TEXTURE_SIZE when the caller has a GL context current, else the
// default. GL is looked up in the process rather than linked: the utility library does not need
// it, and without a current context the query leaves the value untouched.
host::Picture_Limits Limits()
{
    host::Picture_Limits limits{host::Default_Max_Side, host::Default_Max_Pixels};
    using Get_Integer = void (*)(unsigned int, int*);
    // NOTE: looked up at each read, since a host may load GL after its first picture.
    const auto get = reinterpret_cast<Get_Integer>(dlsym(RTLD_DEFAULT, "glGetIntegerv"));
    int texture_side = 0;
    constexpr unsigned int GL_MAX_TEXTURE_SIZE_ENUM = 0x0D33;
    if (get)
        get(GL_MAX_TEXTURE_SIZE_ENUM, &texture_side);
    if (texture_side > 0)
        limits.Max_Side = texture_side;
    if (limits.Max_Side > Record_Max_Side)
        limits.Max_Side = Record_Max_Side;
    return limits;
}

// Callers build paths with Windows separators ("...Icons\name.tga"), so every backslash is taken
// as a folder separator.
bool Path_Narrow(const wchar_t* path, std::string& name)
{
    try {
        host::Utf8_From_Wide(path, name);
    } catch (...) {
        return false;
    }
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return true;
}

// Reads the whole file. A file larger than the largest picture can need (uncompressed, 4 bytes a
// pixel, plus room for headers, maps and trailers) is refused before it is read.
bool Load(const std::string& name, const host::Picture_Limits& limits, std::vector<std::uint8_t>& bytes,
          host::Picture& picture)
{
    FILE* file = std::fopen(name.c_str(), "rb");
    if (!file)
        return host::Picture_Refuse(picture, "cannot open (%s)", std::strerror(errno));
    struct stat info {};
    bool ok = fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
    if (!ok) {
        host::Picture_Refuse(picture, "not a regular file");
    } else if (info.st_size > 4 * limits.Max_Pixels + (1 << 20)) {
        ok = host::Picture_Refuse(picture, "%lld bytes is larger than any picture accepted",
                                  static_cast<long long>(info.st_size));
    } else {
        try {
            bytes.resize(static_cast<std::size_t>(info.st_size));
        } catch (...) {
            ok = host::Picture_Refuse(picture, "no memory for %lld bytes", static_cast<long long>(info.st_size));
        }
        if (ok && !bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
            ok = host::Picture_Refuse(picture, "read error");
    }
    std::fclose(file);
    return ok;
}

int Read(const wchar_t* path, IGB_data* image, bool tga_only)
{
    if (!image)
        return 0;
    if (!path) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Picture: no file name given");
        return 0;
    }
    host::Picture picture;
    std::string name;
    std::vector<std::uint8_t> bytes;
    const host::Picture_Limits limits = Limits();
    bool ok = Path_Narrow(path, name) ? Load(name, limits, bytes, picture)
                                      : host::Picture_Refuse(picture, "file name cannot be converted");
    ok = ok && host::Picture_Decode(bytes.data(), bytes.size(), tga_only, limits, picture);
    if (!ok || !picture.Data) {
        std::free(picture.Data);
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Picture: %ls: %hs", path, picture.Reason);
        return 0;
    }
    image->Data = picture.Data;
    image->Width = static_cast<short>(picture.Width);
    image->Height = static_cast<short>(picture.Height);
    return 1;
}

}  // namespace

int TGA_Read_Image(const wchar_t* path, IGB_data* image, IGB_data*)
{
    return Read(path, image, true);
}

int IGB_Read_Image(const wchar_t* path, IGB_data* image, IGB_data*)
{
    return Read(path, image, false);
}

void IGB_Free(IGB_data* image)
{
    if (!image)
        return;
    std::free(image->Data);
    image->Data = nullptr;
    image->Width = 0;
    image->Height = 0;
}
