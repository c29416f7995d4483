// Colour-editor helpers: packed colours to channel fractions and back, and the slider track ramps.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core.h"

namespace core {

namespace {

// trunc(f x 255) as a byte; NaN and values outside 0..1 are pinned so the conversion stays defined.
unsigned long Channel_Byte(float f)
{
    const float v = f * 255.0f;
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<unsigned long>(v) & 0xFF;
}

unsigned char Byte_Of(float v)
{
    if (!(v > 0.0f))
        return 0;
    return v >= 255.0f ? 255 : static_cast<unsigned char>(v);
}

}  // namespace

void Color_Fractions(unsigned long packed, float rgb[3])
{
    // The half step puts each 8-bit level in the middle of its interval, so a channel read back
    // through trunc(f x 255) lands on the same level.
    for (int i = 0; i < 3; ++i)
        rgb[i] = (static_cast<float>((packed >> (8 * i)) & 0xFF) + 0.5f) / 255.0f;
}

unsigned long Color_Pack(float r, float g, float b)
{
    return Channel_Byte(r) | Channel_Byte(g) << 8 | Channel_Byte(b) << 16;
}

unsigned char* Ramp_Picture(Ramp kind, int w, int h, const char* source, const char* variable)
{
    if (w < 1 || h < 1)
        return nullptr;
    // A picture GL cannot take as a texture would only give the slider a GL error.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (largest > 0 && (w > largest || h > largest))
        return nullptr;
    const std::size_t pixels = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    auto* image = static_cast<unsigned char*>(std::calloc(pixels, 4));
    if (!image) {
        Report_Alloc("calloc", __LINE__, source, variable, static_cast<int>(pixels), 4);
        return nullptr;
    }
    const float step = 1.0f / static_cast<float>(w);
    for (int c = 0; c < w; ++c) {
        unsigned char* p = image + 4 * c;
        // NOTE: the products are single precision in this order; the ramps are compared byte for byte.
        const unsigned char v = Byte_Of(static_cast<float>(c) * 255.0f * step);
        switch (kind) {
        case Ramp::RED: p[0] = v; break;
        case Ramp::GREEN: p[1] = v; break;
        case Ramp::BLUE: p[2] = v; break;
        case Ramp::LIGHT: p[0] = p[1] = p[2] = v; break;
        case Ramp::SATURATION:
            p[0] = 255;
            p[1] = p[2] = Byte_Of(255.0f - static_cast<float>(c) * 255.0f * step);
            break;
        case Ramp::HUE: {
            float r = 0.0f, g = 0.0f, b = 0.0f;
            HLS_to_RGB(static_cast<float>(c) * step, 0.5f, 1.0f, &r, &g, &b);
            p[0] = Byte_Of(r * 255.0f);
            p[1] = Byte_Of(g * 255.0f);
            p[2] = Byte_Of(b * 255.0f);
            break;
        }
        }
        p[3] = 255;
    }
    // Every row is the first one.
    const std::size_t row = static_cast<std::size_t>(w) * 4;
    for (int y = 1; y < h; ++y)
        std::memcpy(image + row * static_cast<std::size_t>(y), image, row);
    return image;
}

}  // namespace core
