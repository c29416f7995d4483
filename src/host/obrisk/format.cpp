// printf-style formatting with the Windows conversions (%hs narrow, %ls/%ws wide, %s and %S
// following the form of the call), safe against malformed formats and bounded output.
//
// [SECTION] Output sink
// [SECTION] Conversion specs
// [SECTION] Strings and characters
// [SECTION] Numbers
// [SECTION] The format loop
// [SECTION] Public wrappers
#include "host/obrisk/internal.h"
#include <vrtools/obrisk.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <type_traits>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// [SECTION] Output sink
// ---------------------------------------------------------------------------------------------

// Writes into a caller's buffer, keeping one place for the terminator; remembers that something
// did not fit but keeps going so that the rest of the format is still checked.
template <typename C>
struct Sink {
    C* buf;
    size_t cap;  // >= 1, terminator included
    size_t len = 0;
    bool truncated = false;

    size_t Room() const { return cap - 1 - len; }
    void Put(C c)
    {
        if (len < cap - 1)
            buf[len++] = c;
        else
            truncated = true;
    }
    void Fill(C c, size_t n)
    {
        if (n > Room()) {
            n = Room();
            truncated = true;
        }
        for (size_t i = 0; i < n; ++i)
            buf[len++] = c;
    }
    void Write(const C* s, size_t n)
    {
        if (n > Room()) {
            n = Room();
            truncated = true;
        }
        std::memcpy(buf + len, s, n * sizeof(C));
        len += n;
    }
};

// ---------------------------------------------------------------------------------------------
// [SECTION] Conversion specs
// ---------------------------------------------------------------------------------------------

// Largest width or precision of a conversion, in characters: the size of the longest message.
constexpr int Field_Max = 4096;

enum Flag : unsigned { Minus = 1, Plus = 2, Space = 4, Hash = 8, Zero = 16 };
enum class Length { None, HH, H, L, LL, Long_Double, J, Z, T, I64, I32, W };

struct Spec {
    unsigned flags = 0;
    int width = 0;
    int precision = -1;  // -1: not given
    Length length = Length::None;
    char conv = 0;
};

// Reads a run of decimal digits; false when it overflows an int.
template <typename C>
bool Read_Number(const C*& p, int* value)
{
    long long v = 0;
    while (*p >= C('0') && *p <= C('9')) {
        v = v * 10 + (*p - C('0'));
        if (v > INT_MAX)
            return false;
        ++p;
    }
    *value = static_cast<int>(v);
    return true;
}

// Which length modifiers make sense with which conversion; anything else is malformed.
bool Length_Fits(Length length, char conv)
{
    switch (conv) {
    case 'd':
    case 'i':
    case 'u':
    case 'o':
    case 'x':
    case 'X': return length != Length::Long_Double && length != Length::W;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A': return length == Length::None || length == Length::L || length == Length::Long_Double;
    case 's':
    case 'S':
    case 'c':
    case 'C': return length == Length::None || length == Length::H || length == Length::L || length == Length::W;
    case 'p': return length == Length::None;
    case '%': return true;
    default: return false;
    }
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Strings and characters
// ---------------------------------------------------------------------------------------------

// NOTE: strings never go through the C library, so that non-ASCII text does not depend on the
// C locale. Width and precision count characters of the output form: bytes in the narrow form
// (a UTF-8 sequence is never cut), wide characters in the wide form.

void Pad_Before(Sink<wchar_t>& out, const Spec& spec, size_t count)
{
    if (!(spec.flags & Minus) && static_cast<size_t>(spec.width) > count)
        out.Fill(L' ', spec.width - count);
}
void Pad_After(Sink<wchar_t>& out, const Spec& spec, size_t count)
{
    if ((spec.flags & Minus) && static_cast<size_t>(spec.width) > count)
        out.Fill(L' ', spec.width - count);
}
void Pad_Before(Sink<char>& out, const Spec& spec, size_t count)
{
    if (!(spec.flags & Minus) && static_cast<size_t>(spec.width) > count)
        out.Fill(' ', spec.width - count);
}
void Pad_After(Sink<char>& out, const Spec& spec, size_t count)
{
    if ((spec.flags & Minus) && static_cast<size_t>(spec.width) > count)
        out.Fill(' ', spec.width - count);
}

size_t Limit(const Spec& spec)
{
    return spec.precision < 0 ? SIZE_MAX : static_cast<size_t>(spec.precision);
}

// Wide text into the wide form.
void Put_String(Sink<wchar_t>& out, const Spec& spec, const wchar_t* s)
{
    const size_t limit = Limit(spec);
    size_t n = 0;
    while (n < limit && s[n])
        ++n;  // an array cut by the precision need not be terminated
    Pad_Before(out, spec, n);
    out.Write(s, n);
    Pad_After(out, spec, n);
}

// UTF-8 text into the wide form. The decoder stops at a 0 byte inside a sequence, so it never
// reads past the terminator.
void Put_String(Sink<wchar_t>& out, const Spec& spec, const char* s)
{
    const size_t limit = Limit(spec);
    const auto* in = reinterpret_cast<const unsigned char*>(s);
    wchar_t c;
    size_t count = 0;
    for (size_t pos = 0; count < limit && in[pos]; ++count)
        pos += host::Utf8_Decode(in + pos, 4, &c);
    Pad_Before(out, spec, count);
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i) {
        pos += host::Utf8_Decode(in + pos, 4, &c);
        out.Put(c);
    }
    Pad_After(out, spec, count);
}

// UTF-8 text into the narrow form: bytes copied as they are, whole characters only.
void Put_String(Sink<char>& out, const Spec& spec, const char* s)
{
    const size_t limit = Limit(spec);
    const auto* in = reinterpret_cast<const unsigned char*>(s);
    wchar_t c;
    size_t n = 0;
    // The lead byte tells how long its character is, so nothing past the precision is read.
    while (n < limit && in[n]) {
        const size_t whole = host::Utf8_Sequence_Length(in[n]);
        if (n + whole > limit)
            break;
        n += host::Utf8_Decode(in + n, whole, &c);
    }
    Pad_Before(out, spec, n);
    out.Write(s, n);
    Pad_After(out, spec, n);
}

// Wide text into the narrow form, encoded as UTF-8.
void Put_String(Sink<char>& out, const Spec& spec, const wchar_t* s)
{
    const size_t limit = Limit(spec);
    char bytes[4];
    size_t n = 0, chars = 0;
    for (; n < limit && s[chars]; ++chars) {
        const size_t step = host::Utf8_Encode(s[chars], bytes);
        if (n + step > limit)
            break;
        n += step;
    }
    Pad_Before(out, spec, n);
    for (size_t i = 0; i < chars; ++i) {
        const size_t step = host::Utf8_Encode(s[i], bytes);
        out.Write(bytes, step);
    }
    Pad_After(out, spec, n);
}

void Put_Char(Sink<wchar_t>& out, const Spec& spec, wchar_t c)
{
    Pad_Before(out, spec, 1);
    out.Put(c);
    Pad_After(out, spec, 1);
}

void Put_Char(Sink<char>& out, const Spec& spec, wchar_t c)
{
    char bytes[4];
    const size_t n = host::Utf8_Encode(c, bytes);
    Pad_Before(out, spec, n);
    out.Write(bytes, n);
    Pad_After(out, spec, n);
}

// A single narrow character only stands for itself when it is ASCII: a lone byte above 0x7F
// is part of a UTF-8 sequence and means nothing alone.
wchar_t Narrow_Char(int c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x80 ? static_cast<wchar_t>(byte) : host::Replacement_Char;
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Numbers
// ---------------------------------------------------------------------------------------------

// Rebuilds one conversion for snprintf: flags, '*' width, '.*' precision, then the length that
// matches the value type the caller fetched.
void Build_Spec(const Spec& spec, const char* length, char conv, char* out)
{
    *out++ = '%';
    if (spec.flags & Minus)
        *out++ = '-';
    if (spec.flags & Plus)
        *out++ = '+';
    if (spec.flags & Space)
        *out++ = ' ';
    if (spec.flags & Hash)
        *out++ = '#';
    if (spec.flags & Zero)
        *out++ = '0';
    *out++ = '*';
    if (spec.precision >= 0) {
        *out++ = '.';
        *out++ = '*';
    }
    while (*length)
        *out++ = *length++;
    *out++ = conv;
    *out = '\0';
}

template <typename V>
int Print_Number(char* buf, size_t size, const char* format, const Spec& spec, V value)
{
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    if (spec.precision >= 0)
        return std::snprintf(buf, size, format, spec.width, spec.precision, value);
    return std::snprintf(buf, size, format, spec.width, value);
#pragma GCC diagnostic pop
}

// Numbers are plain ASCII whatever the form, so both forms print them narrow and the wide form
// widens the bytes. Returns false when the C library refuses the conversion.
template <typename C, typename V>
bool Put_Number(Sink<C>& out, const Spec& spec, const char* length, V value)
{
    char format[24];
    Build_Spec(spec, length, spec.conv, format);
    const int needed = Print_Number<V>(nullptr, 0, format, spec, value);
    if (needed < 0)
        return false;
    const size_t want = static_cast<size_t>(needed);
    const size_t take = std::min(want, out.Room());
    char small[128];
    std::vector<char> large;
    char* text = small;
    if (take + 1 > sizeof(small)) {
        try {
            large.resize(take + 1);
        } catch (const std::bad_alloc&) {
            return false;
        }
        text = large.data();
    }
    Print_Number<V>(text, take + 1, format, spec, value);
    for (size_t i = 0; i < take; ++i)
        out.Put(static_cast<C>(static_cast<unsigned char>(text[i])));
    if (take < want)
        out.truncated = true;
    return true;
}

// Windows prints a pointer as all its hexadecimal digits, upper case, without a prefix.
template <typename C>
void Put_Pointer(Sink<C>& out, const Spec& spec, const void* p)
{
    char digits[2 * sizeof(void*) + 1];
    std::snprintf(digits, sizeof(digits), "%0*jX", static_cast<int>(2 * sizeof(void*)),
                  static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(p)));
    C text[sizeof(digits)];
    size_t n = 0;
    for (; digits[n]; ++n)
        text[n] = static_cast<C>(digits[n]);
    Pad_Before(out, spec, n);
    out.Write(text, n);
    Pad_After(out, spec, n);
}

// ---------------------------------------------------------------------------------------------
// [SECTION] The format loop
// ---------------------------------------------------------------------------------------------

template <typename C>
host::Format_Status Run(C* buffer, size_t capacity, const C* format, va_list args, size_t* length)
{
    constexpr bool Wide = std::is_same<C, wchar_t>::value;
    Sink<C> out{buffer, capacity};
    va_list ap;
    va_copy(ap, args);
    bool malformed = false;

    for (const C* p = format; *p && !malformed;) {
        if (*p != C('%')) {
            out.Put(*p++);
            continue;
        }
        ++p;
        Spec spec;
        for (;; ++p) {
            if (*p == C('-'))
                spec.flags |= Minus;
            else if (*p == C('+'))
                spec.flags |= Plus;
            else if (*p == C(' '))
                spec.flags |= Space;
            else if (*p == C('#'))
                spec.flags |= Hash;
            else if (*p == C('0'))
                spec.flags |= Zero;
            else
                break;
        }
        if (*p == C('*')) {
            ++p;
            int w = va_arg(ap, int);
            if (w < 0) {
                spec.flags |= Minus;
                w = (w == INT_MIN) ? INT_MAX : -w;
            }
            spec.width = w;
        } else if (!Read_Number(p, &spec.width)) {
            malformed = true;
            break;
        }
        if (*p == C('.')) {
            ++p;
            if (*p == C('*')) {
                ++p;
                const int prec = va_arg(ap, int);
                spec.precision = prec < 0 ? -1 : prec;
            } else if (!Read_Number(p, &spec.precision)) {
                malformed = true;
                break;
            }
        }
        // NOTE: the C library spends time in proportion to a field's size (seconds for 10^8), and
        // no message, name or read-out can show a field wider than Field_Max: refuse it.
        if (spec.width > Field_Max || spec.precision > Field_Max) {
            malformed = true;
            break;
        }
        switch (*p) {
        case C('h'):
            ++p;
            spec.length = Length::H;
            if (*p == C('h')) {
                ++p;
                spec.length = Length::HH;
            }
            break;
        case C('l'):
            ++p;
            spec.length = Length::L;
            if (*p == C('l')) {
                ++p;
                spec.length = Length::LL;
            }
            break;
        case C('L'):
            ++p;
            spec.length = Length::Long_Double;
            break;
        case C('j'):
            ++p;
            spec.length = Length::J;
            break;
        case C('z'):
            ++p;
            spec.length = Length::Z;
            break;
        case C('t'):
            ++p;
            spec.length = Length::T;
            break;
        case C('w'):
            ++p;
            spec.length = Length::W;
            break;
        case C('I'):
            ++p;
            if (p[0] == C('6') && p[1] == C('4')) {
                p += 2;
                spec.length = Length::I64;
            } else if (p[0] == C('3') && p[1] == C('2')) {
                p += 2;
                spec.length = Length::I32;
            } else {
                spec.length = Length::T;  // pointer-sized
            }
            break;
        default: break;
        }
        const C conv = *p;
        // NOTE: %n is refused: it writes through an argument, and formats here may come from names.
        if (conv == C('\0') || conv > C(0x7F) || !Length_Fits(spec.length, static_cast<char>(conv))) {
            malformed = true;
            break;
        }
        ++p;
        spec.conv = static_cast<char>(conv);

        switch (spec.conv) {
        case '%': out.Put(C('%')); break;
        case 's':
        case 'S': {
            // Plain %s follows the form of the call, %S is the other form; h and l/w override.
            bool wide_arg = (spec.conv == 's') == Wide;
            if (spec.length == Length::H)
                wide_arg = false;
            else if (spec.length == Length::L || spec.length == Length::W)
                wide_arg = true;
            if (wide_arg) {
                const wchar_t* s = va_arg(ap, const wchar_t*);
                Put_String(out, spec, s ? s : L"(null)");
            } else {
                const char* s = va_arg(ap, const char*);
                Put_String(out, spec, s ? s : "(null)");
            }
            break;
        }
        case 'c':
        case 'C': {
            bool wide_arg = (spec.conv == 'c') == Wide;
            if (spec.length == Length::H)
                wide_arg = false;
            else if (spec.length == Length::L || spec.length == Length::W)
                wide_arg = true;
            const wchar_t c = wide_arg ? static_cast<wchar_t>(va_arg(ap, wint_t)) : Narrow_Char(va_arg(ap, int));
            Put_Char(out, spec, c);
            break;
        }
        case 'p': Put_Pointer(out, spec, va_arg(ap, void*)); break;
        case 'd':
        case 'i': {
            intmax_t v;
            switch (spec.length) {
            case Length::HH: v = static_cast<signed char>(va_arg(ap, int)); break;
            case Length::H: v = static_cast<short>(va_arg(ap, int)); break;
            case Length::L: v = va_arg(ap, long); break;
            case Length::LL:
            case Length::I64: v = va_arg(ap, long long); break;
            case Length::J: v = va_arg(ap, intmax_t); break;
            case Length::Z:
            case Length::T: v = va_arg(ap, ptrdiff_t); break;
            default: v = va_arg(ap, int); break;
            }
            if (!Put_Number(out, spec, "j", v))
                malformed = true;
            break;
        }
        case 'u':
        case 'o':
        case 'x':
        case 'X': {
            uintmax_t v;
            switch (spec.length) {
            case Length::HH: v = static_cast<unsigned char>(va_arg(ap, unsigned int)); break;
            case Length::H: v = static_cast<unsigned short>(va_arg(ap, unsigned int)); break;
            case Length::L: v = va_arg(ap, unsigned long); break;
            case Length::LL:
            case Length::I64: v = va_arg(ap, unsigned long long); break;
            case Length::J: v = va_arg(ap, uintmax_t); break;
            case Length::Z:
            case Length::T: v = va_arg(ap, size_t); break;
            default: v = va_arg(ap, unsigned int); break;
            }
            if (!Put_Number(out, spec, "j", v))
                malformed = true;
            break;
        }
        default:  // floating point
            if (spec.length == Length::Long_Double) {
                if (!Put_Number(out, spec, "L", va_arg(ap, long double)))
                    malformed = true;
            } else if (!Put_Number(out, spec, "", va_arg(ap, double))) {
                malformed = true;
            }
            break;
        }
    }
    va_end(ap);

    buffer[out.len] = C('\0');
    *length = out.len;
    if (malformed)
        return host::Format_Status::Malformed;
    return out.truncated ? host::Format_Status::Truncated : host::Format_Status::Ok;
}

template <typename C>
int Format_Checked(C* out, size_t capacity, const C* format, va_list args)
{
    if (!out || capacity == 0)
        return -1;
    out[0] = C('\0');
    if (!format)
        return -1;
    size_t length = 0;
    if (host::Format_Into(out, capacity, format, args, &length) != host::Format_Status::Ok ||
        length > static_cast<size_t>(INT_MAX)) {
        out[0] = C('\0');
        return -1;
    }
    return static_cast<int>(length);
}

}  // namespace

namespace host {

Format_Status Format_Into(wchar_t* out, size_t capacity, const wchar_t* format, va_list args, size_t* length)
{
    return Run(out, capacity, format, args, length);
}

Format_Status Format_Into(char* out, size_t capacity, const char* format, va_list args, size_t* length)
{
    return Run(out, capacity, format, args, length);
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Public wrappers
// ---------------------------------------------------------------------------------------------

int Format_Wide(wchar_t* out, size_t capacity, const wchar_t* format, va_list args)
{
    return Format_Checked(out, capacity, format, args);
}

int Format_Narrow(char* out, size_t capacity, const char* format, va_list args)
{
    return Format_Checked(out, capacity, format, args);
}

}  // namespace host
