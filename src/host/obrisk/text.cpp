// Text conversions: UTF-8 <-> wide, the shared conversion buffer and path splitting.
#include "host/obrisk/internal.h"
#include <vrtools/obrisk.h>

#include <cstring>
#include <new>
#include <vector>

namespace host {

size_t Utf8_Sequence_Length(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

size_t Utf8_Decode(const unsigned char* text, size_t avail, wchar_t* code)
{
    const unsigned char lead = text[0];
    if (lead < 0x80) {
        *code = lead;
        return 1;
    }
    const size_t need = Utf8_Sequence_Length(lead);
    if (need == 1) {
        *code = Replacement_Char;
        return 1;
    }
    // The second byte's range depends on the lead byte: this is what rules out overlong forms,
    // surrogates (ED A0..BF) and code points above U+10FFFF (F4 90..).
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0xE0)
        low = 0xA0;
    else if (lead == 0xED)
        high = 0x9F;
    else if (lead == 0xF0)
        low = 0x90;
    else if (lead == 0xF4)
        high = 0x8F;

    unsigned long value = lead & (0xFF >> (need + 1));
    for (size_t i = 1; i < need; ++i) {
        if (i >= avail) {
            *code = Replacement_Char;
            return i;
        }
        const unsigned char byte = text[i];
        const unsigned char lo = (i == 1) ? low : 0x80;
        const unsigned char hi = (i == 1) ? high : 0xBF;
        if (byte < lo || byte > hi) {
            *code = Replacement_Char;
            return i;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    *code = static_cast<wchar_t>(value);
    return need;
}

size_t Utf8_Encode(wchar_t code, char* out)
{
    unsigned long c = static_cast<unsigned long>(static_cast<unsigned int>(code));
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = 0xFFFD;
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

void Utf8_From_Wide(const wchar_t* text, std::string& out)
{
    char bytes[4];
    for (; *text; ++text)
        out.append(bytes, Utf8_Encode(*text, bytes));
}

}  // namespace host

namespace {

// Copies at most `room` - 1 bytes of [begin, end) into `out` and terminates it, never cutting a
// UTF-8 sequence in half.
void Copy_Cut(const char* begin, const char* end, char* out, size_t room)
{
    size_t n = static_cast<size_t>(end - begin);
    if (n >= room) {
        n = room - 1;
        // Step back over continuation bytes to the start of the character that straddles the cut.
        size_t start = n;
        while (start > 0 && (static_cast<unsigned char>(begin[start]) & 0xC0) == 0x80)
            --start;
        if (start + host::Utf8_Sequence_Length(static_cast<unsigned char>(begin[start])) > n)
            n = start;
    }
    std::memcpy(out, begin, n);
    out[n] = '\0';
}

}  // namespace

wchar_t* Char_2_Wchar(const char* text)
{
    // NOTE: one buffer per thread, so that a caller's result survives other threads' calls.
    thread_local std::vector<wchar_t> buffer;
    if (!text)
        return nullptr;
    const size_t bytes = std::strlen(text);
    try {
        // A UTF-8 text never decodes to more characters than it has bytes.
        if (buffer.size() < bytes + 1)
            buffer.resize(bytes + 1);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    size_t pos = 0, count = 0;
    while (pos < bytes)
        pos += host::Utf8_Decode(in + pos, bytes - pos, &buffer[count++]);
    buffer[count] = L'\0';
    return buffer.data();
}

void Get_Generic_Name(const char* path, char* folder, char* name, char* extension)
{
    constexpr size_t Name_Room = 80;
    constexpr size_t Path_Room = 260;
    if (!path)
        path = "";
    const char* end = path + std::strlen(path);

    // Callers build paths with either separator.
    const char* file = path;
    for (const char* p = path; p < end; ++p)
        if (*p == '/' || *p == '\\')
            file = p + 1;
    const char* dot = nullptr;
    for (const char* p = file; p < end; ++p)
        if (*p == '.')
            dot = p;
    // A shared object's version numbers belong to its extension: "libx.so.1.2" is "libx" + ".so.1.2".
    for (const char* p = file; p + 3 <= end; ++p) {
        if (p == file || std::strncmp(p, ".so", 3) != 0)
            continue;
        const char* q = p + 3;
        while (q < end && (*q == '.' || (*q >= '0' && *q <= '9')))
            ++q;
        if (q == end && (p + 3 == end || p[3] == '.')) {
            dot = p;
            break;
        }
    }
    const char* stem_end = dot ? dot : end;

    if (folder)
        Copy_Cut(path, file, folder, Path_Room);
    if (name)
        Copy_Cut(file, stem_end, name, Name_Room);
    if (extension)
        Copy_Cut(stem_end, end, extension, Path_Room);
}
