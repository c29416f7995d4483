// Fuzzes the picture decoders with arbitrary file contents in memory (the general choice and the TGA
// reader); whatever decodes also goes through TGA_Read_Image and IGB_Read_Image from a file, then
// VR_Boxs::Icon through both readers and the box's Init and Draw with the picture.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <vrtools/box.h>
#include "fuzz_gl.h"
#include "host/obrisk/pictures.h"

namespace {

std::string folder;         // UTF-8, ends in '/'
wchar_t wide_folder[4096];  // the same as W_Inst_Path

bool Write(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// A successful read gives a picture with positive sides and 4 bytes for each of its pixels.
void Read_Check(int (*reader)(const wchar_t*, IGB_data*, IGB_data*), const wchar_t* path)
{
    IGB_data image{};
    if (!reader(path, &image, nullptr)) {
        if (image.Data || image.Width || image.Height)
            std::abort();  // a failed read leaves the record untouched
        return;
    }
    if (!image.Data || image.Width < 1 || image.Height < 1)
        std::abort();
    const std::size_t bytes = 4u * static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height);
    volatile unsigned char sum = image.Data[0] ^ image.Data[bytes - 1];
    (void)sum;
    IGB_Free(&image);
    if (image.Data || image.Width || image.Height)
        std::abort();
}

void Box_Check(const char* file)
{
    VR_Boxs box;
    box.Window = reinterpret_cast<HWND>(0x1);
    box.X = 10;
    box.Y = 10;
    box.Width = 120;
    box.Height = 90;
    box.Bevel = 4;
    const int read = box.Icon(file);
    if (read != (box.Image != nullptr))
        std::abort();
    if (read && (box.Icon_Width < 1 || box.Icon_Height < 1))
        std::abort();
    // A second read into the same box replaces the first picture.
    box.Icon(file);
    box.Init(nullptr);
    box.Draw();
    box.Flags = VR_FLAT;
    box.Draw();
    fuzz::Check_GL_State("VR_Boxs with a picture");
}

}  // namespace

void Clean_Up()
{
    std::remove((folder + "Icons/fuzz.tga").c_str());
    std::remove((folder + "Icons/fuzz.png").c_str());
    rmdir((folder + "Icons").c_str());
    rmdir(folder.c_str());
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Context_Once();
    Error_Handler_Set(&fuzz::Quiet_Handler);
    char pattern[] = "/tmp/vrtools-fuzz-picture-XXXXXX";
    if (!mkdtemp(pattern))
        std::exit(1);
    folder = std::string(pattern) + "/";
    if (mkdir((folder + "Icons").c_str(), 0700) != 0)
        std::exit(1);
    std::atexit(Clean_Up);
    // The folder is plain ASCII: each byte is one wide character.
    for (std::size_t i = 0; i < folder.size(); ++i)
        wide_folder[i] = static_cast<wchar_t>(folder[i]);
    W_Inst_Path = wide_folder;
    return 0;
}

// Limits for the in-memory decoders: small enough that no input costs more than a few MB, so the
// run spends its time on the decoders' logic rather than on filling large pictures.
constexpr host::Picture_Limits Fuzz_Limits{1024, 256 * 256};

// A decoder's answer is a picture within the limits or a reason, never both.
bool Decode_Check(const std::uint8_t* data, std::size_t size, bool tga_only)
{
    host::Picture picture;
    const bool ok = host::Picture_Decode(data, size, tga_only, Fuzz_Limits, picture);
    if (ok != (picture.Data != nullptr))
        std::abort();
    if (!ok) {
        if (!picture.Reason[0])
            std::abort();
        return false;
    }
    if (picture.Width < 1 || picture.Height < 1 || picture.Width > Fuzz_Limits.Max_Side ||
        static_cast<long long>(picture.Width) * picture.Height > Fuzz_Limits.Max_Pixels)
        std::abort();
    const std::size_t bytes = 4u * static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
    volatile unsigned char sum = picture.Data[0] ^ picture.Data[bytes - 1];
    (void)sum;
    std::free(picture.Data);
    return true;
}

// The input is the whole picture file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const bool decoded = Decode_Check(data, size, false);
    const bool decoded_tga = Decode_Check(data, size, true);
    // The file readers and the box see one in 16 of the inputs that decode (chosen by content, so
    // a run can be repeated): the box's GL work would otherwise take most of the time.
    std::uint8_t mix = static_cast<std::uint8_t>(size);
    for (std::size_t i = 0; i < size; ++i)
        mix = static_cast<std::uint8_t>(mix * 31 + data[i]);
    if ((!decoded && !decoded_tga) || (mix & 15) != 0)
        return 0;
    const std::string tga = folder + "Icons/fuzz.tga", png = folder + "Icons/fuzz.png";
    if (!Write(tga, data, size) || !Write(png, data, size))
        std::abort();
    std::wstring wide_tga(tga.begin(), tga.end()), wide_png(png.begin(), png.end());
    Read_Check(&TGA_Read_Image, wide_tga.c_str());
    Read_Check(&IGB_Read_Image, wide_png.c_str());
    Box_Check("fuzz.tga");
    Box_Check("fuzz.png");
    return 0;
}
