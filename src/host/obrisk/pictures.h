// Picture decoders behind TGA_Read_Image and IGB_Read_Image; nothing here is exported.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

// What a picture may cost, known before any pixel is decoded.
struct Picture_Limits {
    int Max_Side;          // widest and tallest side accepted, in pixels
    long long Max_Pixels;  // width x height accepted
};

// Pixels per side and in all that a picture gets when no GL context tells otherwise.
constexpr int Default_Max_Side = 16384;
// 4096 x 4096: 64 MiB of B, G, R, A, the most an icon reader should ever hand out.
constexpr long long Default_Max_Pixels = 4096LL * 4096LL;

// A decoder's outcome. On success `Data` holds Width x Height pixels of 4 bytes (blue, green, red,
// alpha), top row first, from malloc; on failure `Data` is null and `Reason` says why, in words
// that follow "Picture: <path>: ".
struct Picture {
    unsigned char* Data = nullptr;
    int Width = 0;
    int Height = 0;
    char Reason[200] = {};
};

// Fills `picture.Reason` printf-style and returns false, so that a decoder can write
// `return Picture_Refuse(picture, "...")`.
bool Picture_Refuse(Picture& picture, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Checks the sides from a header against the limits; refuses with the reason when they fail.
bool Picture_Fits(Picture& picture, long long width, long long height, const Picture_Limits& limits);

// Allocates the output for `width` x `height` pixels (the caller has checked the limits).
bool Picture_Allocate(Picture& picture, int width, int height);

// TGA has no signature: true when the 18-byte header holds values a TGA file can have.
bool TGA_Header_Plausible(const std::uint8_t* bytes, std::size_t size);

// Picks the decoder from the content's signature (TGA, which has none, last); with `tga_only`
// anything but a TGA is refused.
bool Picture_Decode(const std::uint8_t* bytes, std::size_t size, bool tga_only, const Picture_Limits& limits,
                    Picture& picture);

// Decoders for each format, from the whole file in memory. Each checks its header against `limits`
// before it allocates and refuses damaged or incomplete data instead of inventing pixels.
bool TGA_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture);
bool PNG_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture);
bool JPEG_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture);
bool BMP_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture);
bool PNM_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture);

}  // namespace host
