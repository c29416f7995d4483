// Picture readers on stb_image: TGA for the .tga icons, any format stb knows for the others.
#include "host/obrisk/internal.h"
#include <vrtools/obrisk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <stb/stb_image.h>

namespace {

constexpr int Max_Side = 32767;  // the record holds the sides in 16 bits

// Opens a wide path for reading. Callers build paths with Windows separators
// ("...Icons\name.tga"), so every backslash is taken as a folder separator.
FILE* Open(const wchar_t* path)
{
    if (!path) return nullptr;
    std::string name;
    try {
        host::Utf8_From_Wide(path, name);
    } catch (...) {
        return nullptr;
    }
    for (char& c : name)
        if (c == '\\') c = '/';
    return std::fopen(name.c_str(), "rb");
}

// TGA has no signature, so the header is checked the way stb checks it before trusting the
// file to its TGA reader: colour-map type, image type, map entry size, sides and pixel depth.
bool Looks_Like_TGA(FILE* file)
{
    unsigned char h[18];
    const bool read = std::fread(h, 1, sizeof(h), file) == sizeof(h);
    std::rewind(file);
    if (!read) return false;
    const int map_type = h[1], image_type = h[2];
    if (map_type > 1) return false;
    if (map_type == 1) {
        if (image_type != 1 && image_type != 9) return false;
        const int entry_bits = h[7];
        if (entry_bits != 8 && entry_bits != 15 && entry_bits != 16 && entry_bits != 24 &&
            entry_bits != 32)
            return false;
    } else if (image_type != 2 && image_type != 3 && image_type != 10 && image_type != 11) {
        return false;
    }
    const int width = h[12] | (h[13] << 8);
    const int height = h[14] | (h[15] << 8);
    if (width < 1 || height < 1) return false;
    const int bits = h[16];
    if (map_type == 1) return bits == 8 || bits == 16;
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// stb's TGA reader reads zeros past the end of a file instead of failing, so a truncated TGA
// would pass as a picture with black rows: check that the file holds every pixel it promises.
bool TGA_Is_Complete(FILE* file)
{
    unsigned char h[18];
    bool complete = false;
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file);
    std::rewind(file);
    if (size < 18 || std::fread(h, 1, sizeof(h), file) != sizeof(h)) {
        std::rewind(file);
        return false;
    }
    const long map_length = h[5] | (h[6] << 8);
    const long map_bytes = h[1] ? map_length * ((h[7] + 7) / 8) : 0;
    const long pixel_bytes = (h[16] + 7) / 8;
    const long long pixels = static_cast<long long>(h[12] | (h[13] << 8)) * (h[14] | (h[15] << 8));
    long pos = 18 + h[0] + map_bytes;
    if (h[2] < 8) {
        complete = pos + pixels * pixel_bytes <= size;
    } else {
        // Run-length packets: a count byte, then one pixel (run) or `count` pixels (raw).
        long long left = pixels;
        while (left > 0 && pos < size && std::fseek(file, pos, SEEK_SET) == 0) {
            const int packet = std::fgetc(file);
            if (packet == EOF) break;
            const int count = (packet & 0x7F) + 1;
            pos += 1 + ((packet & 0x80) ? 1 : count) * pixel_bytes;
            left -= count;
        }
        complete = left <= 0 && pos <= size;
    }
    std::rewind(file);
    return complete;
}

// Pixels a picture may promise for each byte of its file. Deflate (PNG), LZW (GIF) and JPEG's
// entropy coding turn a byte into at most a few thousand pixels (deflate: 1032 bytes of 1-bit
// pixels); the run-length formats (TGA, BMP, PSD, HDR) into at most 128. The bound stops a file of a
// few bytes that claims 30000 x 30000 pixels from costing gigabytes and seconds before the decoder
// finds that the data is missing.
long long Pixel_Budget(FILE* file)
{
    unsigned char head[4] = {};
    const size_t got = std::fread(head, 1, sizeof(head), file);
    const bool entropy_coded = got == 4 && ((head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') ||
                                            (head[0] == 'G' && head[1] == 'I' && head[2] == 'F') ||
                                            (head[0] == 0xFF && head[1] == 0xD8));
    if (std::fseek(file, 0, SEEK_END) != 0) return 0;
    const long size = std::ftell(file);
    std::rewind(file);
    return size < 0 ? 0 : static_cast<long long>(size) * (entropy_coded ? 8 * 1032 : 128);
}

// stb goes on with zeros when a decoder asks for bytes past the end of the file, so a cut file
// would pass as a picture with black rows; reading through these callbacks notices it.
struct Source {
    FILE* file;
    bool past_end;
};

int Source_Read(void* user, char* data, int size)
{
    auto* source = static_cast<Source*>(user);
    const size_t n = size > 0 ? std::fread(data, 1, static_cast<size_t>(size), source->file) : 0;
    if (n == 0 && size > 0) source->past_end = true;
    return static_cast<int>(n);
}

void Source_Skip(void* user, int n)
{
    std::fseek(static_cast<Source*>(user)->file, n, SEEK_CUR);
}

int Source_Eof(void* user)
{
    return std::feof(static_cast<Source*>(user)->file);
}

// Decodes the open file into `image` as B, G, R, A with the first row at the top.
int Read(FILE* file, IGB_data* image)
{
    int width = 0, height = 0, channels = 0;
    // Refuse over-large pictures before stb allocates for them.
    if (!stbi_info_from_file(file, &width, &height, &channels)) return 0;
    if (width < 1 || height < 1 || width > Max_Side || height > Max_Side) return 0;
    if (static_cast<long long>(width) * height > Pixel_Budget(file)) return 0;
    // NOTE: the flip setting is process-wide in stb; pin this thread's to "as stored top-down".
    stbi_set_flip_vertically_on_load_thread(0);
    Source source{file, false};
    const stbi_io_callbacks io{&Source_Read, &Source_Skip, &Source_Eof};
    unsigned char* pixels = stbi_load_from_callbacks(&io, &source, &width, &height, &channels, 4);
    if (!pixels) return 0;
    if (source.past_end || width < 1 || height < 1 || width > Max_Side || height > Max_Side) {
        stbi_image_free(pixels);
        return 0;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        unsigned char* p = pixels + 4 * i;
        const unsigned char red = p[0];
        p[0] = p[2];
        p[2] = red;
    }
    image->Data = pixels;
    image->Width = static_cast<short>(width);
    image->Height = static_cast<short>(height);
    return 1;
}

}  // namespace

int TGA_Read_Image(const wchar_t* path, IGB_data* image, IGB_data*)
{
    if (!image) return 0;
    FILE* file = Open(path);
    if (!file) return 0;
    const int ok = Looks_Like_TGA(file) && TGA_Is_Complete(file) ? Read(file, image) : 0;
    std::fclose(file);
    return ok;
}

int IGB_Read_Image(const wchar_t* path, IGB_data* image, IGB_data*)
{
    if (!image) return 0;
    FILE* file = Open(path);
    if (!file) return 0;
    const int ok = Read(file, image);
    std::fclose(file);
    return ok;
}

void IGB_Free(IGB_data* image)
{
    if (!image) return;
    stbi_image_free(image->Data);
    image->Data = nullptr;
    image->Width = 0;
    image->Height = 0;
}
