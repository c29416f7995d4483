// JPEG decoder on libjpeg-turbo. Its warnings (damaged segments, data cut short) end the read: the
// library would go on with grey or invented blocks, which is not the picture.
#include "host/obrisk/pictures.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

struct Error_State {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    host::Picture* picture;
};

[[noreturn]] void Fail(j_common_ptr info)
{
    auto* state = reinterpret_cast<Error_State*>(info->err);
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    std::snprintf(state->picture->Reason, sizeof(state->picture->Reason), "JPEG: %.180s", text);
    std::longjmp(state->jump, 1);
}

// Level -1 is a warning about the data; higher levels are trace messages.
void On_Message(j_common_ptr info, int level)
{
    if (level < 0)
        Fail(info);
}

// libjpeg's memory limit for its own buffers: a progressive picture at the pixel budget needs about
// 200 MB of coefficients, far more than any icon; refuse before that.
constexpr long Max_Decoder_Memory = 96L << 20;
constexpr long long Max_Pixels_Per_Byte = 1024;

}  // namespace

namespace host {

bool JPEG_Decode(const std::uint8_t* bytes, std::size_t size, const Picture_Limits& limits, Picture& picture)
{
    jpeg_decompress_struct info;
    Error_State error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = &Fail;
    error.manager.emit_message = &On_Message;
    error.picture = &picture;
    jpeg_create_decompress(&info);
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(picture.Data);
        picture.Data = nullptr;
        return false;
    }
    info.mem->max_memory_to_use = Max_Decoder_Memory;
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const unsigned width = info.image_width, height = info.image_height;
    if (!Picture_Fits(picture, width, height, limits)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // With the shortest Huffman codes an 8 x 8 block still takes 2 bits, so no sequential JPEG holds
    // more than 256 pixels a byte; progressive ones can do better, but not by 4 times on a real
    // picture. Checked before the decoder fills its coefficient buffers for the promised size.
    if (static_cast<long long>(width) * height > Max_Pixels_Per_Byte * static_cast<long long>(size)) {
        jpeg_destroy_decompress(&info);
        return Picture_Refuse(picture, "JPEG of %u x %u pixels cannot fit in %zu bytes", width, height, size);
    }
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return Picture_Refuse(picture, "CMYK JPEG pictures are not read");
    }
    info.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&info);
    if (!Picture_Allocate(picture, static_cast<int>(info.output_width), static_cast<int>(info.output_height))) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.Data + 4 * static_cast<std::size_t>(info.output_width) * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace host
