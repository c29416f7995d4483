// Fuzzes the message formatter (Error_Fct, both forms, with %hs/%ls and every other conversion), the
// bounded formatting wrappers, Char_2_Wchar and Get_Generic_Name on arbitrary bytes.
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_args.h"
#include <vrtools/obrisk.h>

namespace {

// Reads every character it is given, so that ASan sees a message that is not terminated inside
// its buffer; messages are cut at 4095 characters.
void Check_Handler(HWND, unsigned int, const wchar_t* text)
{
    if (!text || std::wcslen(text) > 4095)
        std::abort();
}

bool Is_Code_Point(wchar_t c)
{
    const auto v = static_cast<std::uint32_t>(c);
    return v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF);
}

int Wrap_Wide(wchar_t* out, std::size_t capacity, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Wide(out, capacity, format, args);
    va_end(args);
    return n;
}

int Wrap_Narrow(char* out, std::size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = host::Format_Narrow(out, capacity, format, args);
    va_end(args);
    return n;
}

void Messages(std::uint8_t mode, const std::uint8_t* data, std::size_t size)
{
    const HWND window = reinterpret_cast<HWND>(0x1);
    const unsigned int code = (mode & 0x10) ? 1u : 0x80000001u;
    if (mode & 1) {
        std::wstring format = fuzz::Wide_From_Bytes(data, size);
        fuzz::Bound_Conversions(format);
        fuzz::Call_Universal([&](const wchar_t* f, auto... a) { return Error_Fct(window, code, f, a...); },
                             format.c_str());
    } else {
        std::string format = fuzz::Narrow_From_Bytes(data, size);
        fuzz::Bound_Conversions(format);
        fuzz::Call_Universal([&](const char* f, auto... a) { return Error_Fct(window, code, f, a...); },
                             format.c_str());
    }
}

// The wrappers either refuse (-1 and an empty text) or return the length of a terminated text that
// fits. The buffer is a heap block of exactly `capacity` characters, so a write past it is caught.
void Wrappers(std::uint8_t mode, const std::uint8_t* data, std::size_t size)
{
    const std::size_t capacity = 1 + (mode >> 2) % 64;
    if (mode & 1) {
        std::wstring format = fuzz::Wide_From_Bytes(data, size);
        fuzz::Bound_Conversions(format);
        std::unique_ptr<wchar_t[]> out(new wchar_t[capacity]);
        const int n = fuzz::Call_Universal(
            [&](const wchar_t* f, auto... a) { return Wrap_Wide(out.get(), capacity, f, a...); }, format.c_str());
        if (n < -1 || n >= static_cast<int>(capacity) || out[n < 0 ? 0 : n] != L'\0')
            std::abort();
    } else {
        std::string format = fuzz::Narrow_From_Bytes(data, size);
        fuzz::Bound_Conversions(format);
        std::unique_ptr<char[]> out(new char[capacity]);
        const int n = fuzz::Call_Universal(
            [&](const char* f, auto... a) { return Wrap_Narrow(out.get(), capacity, f, a...); }, format.c_str());
        if (n < -1 || n >= static_cast<int>(capacity) || out[n < 0 ? 0 : n] != '\0')
            std::abort();
    }
}

// Every decoded character is a code point; a text decoded without U+FFFD is valid UTF-8 and
// encodes back to the same bytes; no text decodes into more characters than it has bytes.
void Conversion(const std::uint8_t* data, std::size_t size)
{
    const std::string text = fuzz::Narrow_From_Bytes(data, size);
    const wchar_t* wide = Char_2_Wchar(text.c_str());
    if (!wide)
        std::abort();
    const std::size_t length = std::wcslen(wide);
    if (length > text.size())
        std::abort();
    bool replaced = false;
    for (std::size_t i = 0; i < length; ++i) {
        if (!Is_Code_Point(wide[i]))
            std::abort();
        replaced |= wide[i] == 0xFFFD;
    }
    if (!replaced) {
        std::vector<char> back(4 * length + 1);
        const std::wstring copy(wide);  // the next call may reuse the conversion buffer
        if (Wrap_Narrow(back.data(), back.size(), "%ls", copy.c_str()) < 0 || text != back.data())
            std::abort();
    }
    if (Char_2_Wchar(nullptr) != nullptr)
        std::abort();
}

// Get_Generic_Name fills buffers of exactly 80 and 260 bytes with terminated texts.
void Path_Split(const std::uint8_t* data, std::size_t size)
{
    const std::string path = fuzz::Narrow_From_Bytes(data, size);
    std::unique_ptr<char[]> folder(new char[260]), name(new char[80]), extension(new char[260]);
    Get_Generic_Name(path.c_str(), folder.get(), name.get(), extension.get());
    if (std::strlen(folder.get()) > 259 || std::strlen(name.get()) > 79 || std::strlen(extension.get()) > 259)
        std::abort();
    Get_Generic_Name(path.c_str(), nullptr, name.get(), nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Error_Handler_Set(&Check_Handler);
    fuzz::Zero_Block();
    return 0;
}

// First byte: what to fuzz (low 3 bits) and a few options; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    switch ((mode >> 5) & 3) {
    case 0: Messages(mode, data, size); break;
    case 1: Wrappers(mode, data, size); break;
    case 2: Conversion(data, size); break;
    default: Path_Split(data, size); break;
    }
    return 0;
}
