// PGM and PPM decoder (binary P5/P6 and plain-text P2/P3) with 8- or 16-bit samples of any maximum.
#include "host/obrisk/pictures.h"

namespace {

// Reads one decimal header field, skipping white space and comments; -1 when there is none.
long long Field(const std::uint8_t* bytes, std::size_t size, std::size_t& pos)
{
    while (pos < size) {
        const std::uint8_t c = bytes[pos];
        if (c == '#') {
            while (pos < size && bytes[pos] != '\n' && bytes[pos] != '\r')
                ++pos;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            ++pos;
        } else {
            break;
        }
    }
    long long value = -1;
    while (pos < size && bytes[pos] >= '0' && bytes[pos] <= '9') {
        value = (value < 0 ? 0 : value * 10) + (bytes[pos++] - '0');
        if (value > 1LL << 40)
            return -1;
    }
    return value;
}

}  // namespace

namespace host {

bool PNM_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture)
{
    const char kind = static_cast<char>(bytes[1]);
    if (kind != '2' && kind != '3' && kind != '5' && kind != '6')
        return Picture_Refuse(picture, "P%c pictures are not read (PGM and PPM are)", kind);
    const bool text = kind == '2' || kind == '3';
    const int channels = kind == '3' || kind == '6' ? 3 : 1;
    std::size_t pos = 2;
    const long long width = Field(bytes, size, pos);
    const long long height = Field(bytes, size, pos);
    const long long maximum = Field(bytes, size, pos);
    if (width < 0 || height < 0 || maximum < 1 || maximum > 65535)
        return Picture_Refuse(picture, "PNM header is damaged");
    if (!Picture_Fits(picture, width, height, limits))
        return false;
    const long long samples = width * height * channels;
    const int sample_bytes = maximum > 255 ? 2 : 1;
    if (!text) {
        // Exactly one white-space byte separates the header from the samples.
        if (pos >= size)
            return Picture_Refuse(picture, "PNM file ends after its header");
        ++pos;
        if (static_cast<unsigned long long>(samples) * sample_bytes > size - pos)
            return Picture_Refuse(picture, "PNM file ends before its %lld x %lld pixels", width, height);
    } else if (static_cast<unsigned long long>(samples) * 2 > size - pos + 1) {
        // Each plain-text sample takes a digit and a separator.
        return Picture_Refuse(picture, "PNM file ends before its %lld x %lld pixels", width, height);
    }
    if (!Picture_Allocate(picture, static_cast<int>(width), static_cast<int>(height)))
        return false;
    for (long long i = 0; i < width * height; ++i) {
        std::uint8_t* out = picture.Data + 4 * i;
        for (int c = 0; c < channels; ++c) {
            long long v;
            if (text) {
                v = Field(bytes, size, pos);
                if (v < 0)
                    return Picture_Refuse(picture, "PNM file ends before its %lld x %lld pixels", width, height);
            } else if (sample_bytes == 2) {
                v = (bytes[pos] << 8) | bytes[pos + 1];
                pos += 2;
            } else {
                v = bytes[pos++];
            }
            if (v > maximum)
                return Picture_Refuse(picture, "PNM sample %lld above its maximum %lld", v, maximum);
            // B, G, R order: the third channel (blue) goes first.
            out[channels == 3 ? 2 - c : 0] = static_cast<std::uint8_t>((v * 255 + maximum / 2) / maximum);
        }
        if (channels == 1)
            out[1] = out[2] = out[0];
        out[3] = 255;
    }
    return true;
}

}  // namespace host
