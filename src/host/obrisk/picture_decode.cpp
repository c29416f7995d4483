// Shared by the picture decoders: limits, refusal, output allocation, and the choice of decoder.
#include "host/obrisk/pictures.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Starts_With(const std::uint8_t* bytes, std::size_t size, const char* magic, std::size_t length)
{
    return size >= length && std::memcmp(bytes, magic, length) == 0;
}

}  // namespace

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
        return Picture_Refuse(picture, "%lld x %lld pixels: a side may have at most %d", width, height,
                              limits.Max_Side);
    if (width * height > limits.Max_Pixels)
        return Picture_Refuse(picture, "%lld x %lld pixels: a picture may have at most %lld", width, height,
                              limits.Max_Pixels);
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

bool Picture_Decode(const std::uint8_t* data, std::size_t size, bool tga_only, const Picture_Limits& limits,
                    Picture& picture)
{
    if (tga_only) {
        if (!TGA_Header_Plausible(data, size))
            return Picture_Refuse(picture, "not a TGA file");
        return TGA_Decode(data, size, limits, picture);
    }
    if (Starts_With(data, size, "\x89PNG\r\n\x1a\n", 8))
        return PNG_Decode(data, size, limits, picture);
    if (Starts_With(data, size, "\xff\xd8\xff", 3))
        return JPEG_Decode(data, size, limits, picture);
    if (Starts_With(data, size, "BM", 2))
        return BMP_Decode(data, size, limits, picture);
    if (size >= 2 && data[0] == 'P' && data[1] >= '1' && data[1] <= '7')
        return PNM_Decode(data, size, limits, picture);
    if (Starts_With(data, size, "GIF8", 4))
        return Picture_Refuse(picture, "GIF pictures are not read; use PNG");
    if (TGA_Header_Plausible(data, size))
        return TGA_Decode(data, size, limits, picture);
    return Picture_Refuse(picture, "not a picture format that is read (PNG, JPEG, TGA, BMP, PPM/PGM)");
}

}  // namespace host
