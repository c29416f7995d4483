// Picture readers: open the file, check what it may cost, pick the decoder, report a refusal.
#include "host/obrisk/internal.h"
#include "host/obrisk/pictures.h"
#include <vrtools/obrisk.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace host {

bool Picture_Refuse(Picture& picture, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(picture.Reason, sizeof(picture.Reason), format, args);
    va_end(args);
    std::free(picture.Data);
    picture.Data = nullptr;
    return false;
}

bool Picture_Fits(Picture& picture, long long width, long long height, const Picture_Limits& limits)
{
    if (width < 1 || height < 1)
        return Picture_Refuse(picture, "%lld x %lld pixels is no picture", width, height);
    if (width > limits.Max_Side || height > limits.Max_Side)
        return Picture_Refuse(picture, "%lld x %lld pixels: a side may have at most %d", width,
                              height, limits.Max_Side);
    if (width * height > limits.Max_Pixels)
        return Picture_Refuse(picture, "%lld x %lld pixels: a picture may have at most %lld",
                              width, height, limits.Max_Pixels);
    return true;
}

bool Picture_Allocate(Picture& picture, int width, int height)
{
    picture.Data = static_cast<unsigned char*>(std::malloc(4 * static_cast<std::size_t>(width) * height));
    if (!picture.Data)
        return Picture_Refuse(picture, "no memory for %d x %d pixels", width, height);
    picture.Width = width;
    picture.Height = height;
    return true;
}

}  // namespace host

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
    static const auto get = reinterpret_cast<Get_Integer>(dlsym(RTLD_DEFAULT, "glGetIntegerv"));
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
        if (c == '\\') c = '/';
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

bool Starts_With(const std::vector<std::uint8_t>& bytes, const char* magic, std::size_t length)
{
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

// Picks the decoder from the file's signature; TGA, which has none, comes last.
bool Decode(const std::vector<std::uint8_t>& bytes, bool tga_only, const host::Picture_Limits& limits,
            host::Picture& picture)
{
    const std::uint8_t* data = bytes.data();
    const std::size_t size = bytes.size();
    if (tga_only) {
        if (!host::TGA_Header_Plausible(data, size))
            return host::Picture_Refuse(picture, "not a TGA file");
        return host::TGA_Decode(data, size, limits, picture);
    }
    if (Starts_With(bytes, "\x89PNG\r\n\x1a\n", 8))
        return host::PNG_Decode(data, size, limits, picture);
    if (Starts_With(bytes, "\xff\xd8\xff", 3))
        return host::JPEG_Decode(data, size, limits, picture);
    if (Starts_With(bytes, "BM", 2))
        return host::BMP_Decode(data, size, limits, picture);
    if (size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7')
        return host::PNM_Decode(data, size, limits, picture);
    if (Starts_With(bytes, "GIF8", 4))
        return host::Picture_Refuse(picture, "GIF pictures are not read; use PNG");
    if (host::TGA_Header_Plausible(data, size))
        return host::TGA_Decode(data, size, limits, picture);
    return host::Picture_Refuse(picture, "not a picture format that is read (PNG, JPEG, TGA, BMP, PPM/PGM)");
}

int Read(const wchar_t* path, IGB_data* image, bool tga_only)
{
    if (!image)
        return 0;
    if (!path) {
        Error_Fct(::hwnd, 0x80000001u, "Picture: no file name given");
        return 0;
    }
    host::Picture picture;
    std::string name;
    std::vector<std::uint8_t> bytes;
    const host::Picture_Limits limits = Limits();
    bool ok = Path_Narrow(path, name) ? Load(name, limits, bytes, picture)
                                      : host::Picture_Refuse(picture, "file name cannot be converted");
    ok = ok && Decode(bytes, tga_only, limits, picture);
    if (!ok || !picture.Data) {
        std::free(picture.Data);
        Error_Fct(::hwnd, 0x80000001u, "Picture: %ls: %hs", path, picture.Reason);
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
    if (!image) return;
    std::free(image->Data);
    image->Data = nullptr;
    image->Width = 0;
    image->Height = 0;
}
