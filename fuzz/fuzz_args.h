// Arguments for printf-style calls whose format comes from fuzz input: every slot a conversion can
// fetch is a valid string, pointer, integer and floating-point value at once.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace fuzz {

// NOTE: a conversion that fetches an integer, a pointer or a double past the first eight reads the
// same 8-byte slots on x86-64, so every slot holds the address of a zeroed block: an empty narrow
// and wide string, a harmless pointer, a tiny double, and read as an int ('*' widths, %c) the low
// 32 bits of the address. The block is mapped where those bits are 64 (in the range that
// AddressSanitizer leaves to programs), so that such a width is small rather than about 2^31.
inline const void* Zero_Block()
{
    static const void* block = [] {
        const std::size_t size = 4096;
        void* want = reinterpret_cast<void*>(0x100100000000ull);
        void* p = mmap(want, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (p == want)
            return static_cast<const void*>(static_cast<char*>(p) + 64);
        if (p != MAP_FAILED)
            munmap(p, size);
        static const long long fallback[64] = {};
        return static_cast<const void*>(fallback);
    }();
    return block;
}

// Conversions a format may hold: each takes at most five slots ('*' width, '*' precision, a long
// double aligned to 16 bytes), and the calls below pass 8 doubles and 64 slots.
constexpr int MAX_CONVERSIONS = 12;

// Cuts a format before its (MAX_CONVERSIONS + 1)-th '%', so that it never fetches more arguments
// than the call passes.
template <typename C>
void Bound_Conversions(std::basic_string<C>& format)
{
    int percents = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == C('%') && ++percents > MAX_CONVERSIONS) {
            format.resize(i);
            return;
        }
    }
}

// Calls `f(format, ...)` with 8 doubles (the vector registers) and 64 slots of the zero block.
template <typename F, typename C>
auto Call_Universal(F&& f, const C* format)
{
    const void* z = Zero_Block();
    return f(format, 0.0, -1.5, 1e300, __builtin_nan(""), -__builtin_inf(), 5e-324, 123456.789, -0.0, z, z, z, z, z, z,
             z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z,
             z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z, z);
}

// Wide text from fuzz bytes: a byte below 0xF0 is one character (so '%', digits and letters are
// cheap to reach); 0xF0..0xFF starts a character of its own 32 bits taken from the next four bytes
// (surrogates, values past U+10FFFF, negative values).
inline std::wstring Wide_From_Bytes(const std::uint8_t* data, std::size_t size)
{
    std::wstring out;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] < 0xF0 || i + 4 >= size) {
            out.push_back(static_cast<wchar_t>(data[i]));
            continue;
        }
        std::uint32_t v;
        std::memcpy(&v, data + i + 1, 4);
        out.push_back(static_cast<wchar_t>(v));
        i += 4;
    }
    return out;
}

// Narrow text up to the first zero byte.
inline std::string Narrow_From_Bytes(const std::uint8_t* data, std::size_t size)
{
    std::string out(reinterpret_cast<const char*>(data), size);
    out.resize(std::strlen(out.c_str()));
    return out;
}

}  // namespace fuzz
