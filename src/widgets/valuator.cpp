// Valuators: a slider with a table-driven value model, a grooved body, a cursor block and a read-out.
//
// [SECTION] Value model: range, table, look-ups
// [SECTION] Read-out format
// [SECTION] Life cycle
// [SECTION] Interaction
// [SECTION] Drawing
// [SECTION] Cursor and read-out
#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <system_error>
#include <utility>

#include "core/core.h"
#include "core/recent.h"
#include "looks.h"
#include "render/immediate/script.h"
#include <vrtools/valuator.h>

namespace {

constexpr const char* SOURCE = "valuator";
constexpr int TABLE_SIZE = 1024;
constexpr int LAST = TABLE_SIZE - 1;
constexpr int READOUT_CAP = 40;         // Value_Text, terminator included
constexpr short READOUT_FONT_SIZE = 8;  // pixels, whatever the caption's font size

// [SECTION] Value model: range, table, look-ups ----------------------------------------------------

enum class Scale { LINEAR, LOG10, LOGE };

// The bounds and the scale the widget really works with. For finite bounds this is exactly the
// host's setting; the rest is made safe so that no table entry, cursor offset or read-out is ever
// NaN or infinite.
struct Range {
    float lo = 0.0f, hi = 0.0f;
    Scale scale = Scale::LINEAR;
    bool not_finite = false;   // a bound was NaN or infinite
    bool log_refused = false;  // a logarithmic scale with a bound at or below zero
};

float Finite(float v, bool& changed)
{
    if (std::isfinite(v))
        return v;
    changed = true;
    if (std::isnan(v))
        return 0.0f;
    return v > 0.0f ? FLT_MAX : -FLT_MAX;
}

Range Range_Of(const VR_Valuators& s)
{
    Range r;
    r.lo = Finite(s.Value_Min, r.not_finite);
    r.hi = Finite(s.Value_Max, r.not_finite);
    if (s.Flags & VR_VALUATOR_LOG10)
        r.scale = Scale::LOG10;
    else if (s.Flags & VR_VALUATOR_LOGE)
        r.scale = Scale::LOGE;
    // A logarithm of a bound at or below zero has no value: such a slider runs linearly.
    if (r.scale != Scale::LINEAR && !(r.lo > 0.0f && r.hi > 0.0f)) {
        r.scale = Scale::LINEAR;
        r.log_refused = true;
    }
    return r;
}

// Keeps the table free of overflow: an entry beyond the float range becomes the nearest finite one.
float Table_Entry(float v, float lo)
{
    if (std::isnan(v))
        return lo;
    if (std::isinf(v))
        return v > 0.0f ? FLT_MAX : -FLT_MAX;
    return v;
}

// NOTE: single precision throughout, and the linear table by repeated addition: positions found
// in the table (512 for 5 in 0 .. 10) depend on exactly these roundings.
void Table_Build(float* table, const Range& r)
{
    if (r.scale != Scale::LINEAR) {
        const bool dec = r.scale == Scale::LOG10;
        const float a = dec ? std::log10(r.lo) : std::log(r.lo);
        const float b = dec ? std::log10(r.hi) : std::log(r.hi);
        const float step = (b - a) / static_cast<float>(LAST);
        for (int i = 0; i < TABLE_SIZE; ++i) {
            const float e = static_cast<float>(i) * step + a;
            table[i] = Table_Entry(dec ? std::pow(10.0f, e) : std::exp(e), r.lo);
        }
        return;
    }
    float step = (r.hi - r.lo) / static_cast<float>(LAST);
    if (!std::isfinite(step))  // bounds far apart: hi - lo overflows a float, their step does not
        step = static_cast<float>((static_cast<double>(r.hi) - static_cast<double>(r.lo)) / LAST);
    table[0] = r.lo;
    for (int i = 1; i < TABLE_SIZE; ++i)
        table[i] = Table_Entry(table[i - 1] + step, r.lo);
}

// The first position whose value reaches v, or 1024 when none does.
float Position_Of(const float* table, float v)
{
    // Entries counted 64 at a time, unrolled so that the compiler's vector compares run side by
    // side, then the 16 that hold the first, then that one (each compared as alone: any table, no
    // order assumed): a live panel adjusts every slider each frame.
    constexpr int WIDE = 64, NARROW = 16;
    static_assert(TABLE_SIZE % WIDE == 0 && WIDE % NARROW == 0, "whole blocks");
    for (int b = 0; b < TABLE_SIZE; b += WIDE) {
        int reached = 0;
#pragma GCC unroll 16
        for (int k = 0; k < WIDE; ++k)
            reached += table[b + k] >= v ? 1 : 0;
        if (reached == 0)
            continue;
        for (int n = b;; n += NARROW) {
            reached = 0;
            for (int k = 0; k < NARROW; ++k)
                reached += table[n + k] >= v ? 1 : 0;
            if (reached == 0)
                continue;
            for (int i = n;; ++i)
                if (table[i] >= v)
                    return static_cast<float>(i);
        }
    }
    return static_cast<float>(TABLE_SIZE);
}

// True when every entry reaches the one before (no NaN either): then the entries that reach any value
// are the ones from some position on, which halving finds.
bool Table_Rising(const float* table)
{
    for (int i = 1; i < TABLE_SIZE; ++i)
        if (!(table[i - 1] <= table[i]))
            return false;
    return true;
}

// Position_Of for a rising table: the same position. A slider's table mostly rises evenly, so the
// value's place between the ends guesses it, and two neighbours confirm it; halving the rest only
// when the guess misses. A live panel adjusts every slider each frame, and each probe of a table
// of its own is a likely cache miss.
float Position_Of_Rising(const float* table, float v)
{
    // Also a NaN, which no entry reaches.
    if (!(v <= table[LAST]))
        return static_cast<float>(TABLE_SIZE);
    if (v <= table[0])
        return 0.0f;
    // The first entry that reaches v lies in lo .. hi: not 0, and the last one does.
    int lo = 1, hi = LAST;
    const double span = static_cast<double>(table[LAST]) - static_cast<double>(table[0]);
    const double f = (static_cast<double>(v) - static_cast<double>(table[0])) / span * LAST;
    const int g = f >= 1.0 ? (f < static_cast<double>(LAST) ? static_cast<int>(f) : LAST) : 1;
    if (table[g] >= v) {
        if (table[g - 1] < v)
            return static_cast<float>(g);
        hi = g - 1;
    } else {
        if (table[g + 1] >= v)
            return static_cast<float>(g + 1);
        lo = g + 2;
    }
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (table[mid] >= v)
            hi = mid;
        else
            lo = mid + 1;
    }
    return static_cast<float>(lo);
}

// Position_Of_Rising's position, guessed first from the bounds a linear table was built between:
// they lie in the widget beside the value, and the guess and its two neighbours mostly share one
// cache line of the table, where the search from the table's own ends reads two more. Only the
// table's entries confirm the guess, so bounds changed since the table was built cost a search,
// never a wrong position.
float Position_Of_Rising(const float* table, float v, const Range& r)
{
    if (r.scale == Scale::LINEAR) {
        const double f = (static_cast<double>(v) - static_cast<double>(r.lo)) /
                         (static_cast<double>(r.hi) - static_cast<double>(r.lo)) * LAST;
        if (f >= 1.0 && f < static_cast<double>(LAST)) {  // not for NaN, nor for equal bounds
            const int g = static_cast<int>(f);
            if (table[g] >= v) {
                if (table[g - 1] < v)
                    return static_cast<float>(g);
            } else if (table[g + 1] >= v) {
                return static_cast<float>(g + 1);
            }
        }
    }
    return Position_Of_Rising(table, v);
}

float Position_Find(const VR_Valuators& s, float v, const Range& r)
{
    return (s.Status & VR_STATUS_TABLE_RISING) ? Position_Of_Rising(s.Value_Table, v, r)
                                               : Position_Of(s.Value_Table, v);
}

// Table index of a position; anything that is not a position in 0 .. 1023 is brought into it.
int Index(float p)
{
    if (!(p > 0.0f))
        return 0;
    if (p >= static_cast<float>(LAST))
        return LAST;
    return static_cast<int>(p);
}

float Clamp(float v, const Range& r)
{
    if (std::isnan(v) || r.lo >= v)
        return r.lo;
    return v < r.hi ? v : r.hi;
}

// Where a clamped value lies between the bounds, 0 .. 1.
float Fraction(float v, const Range& r)
{
    float num = 0.0f, den = 0.0f;
    if (r.scale == Scale::LOG10) {
        num = std::log10(v) - std::log10(r.lo);
        den = std::log10(r.hi) - std::log10(r.lo);
    } else if (r.scale == Scale::LOGE) {
        num = std::log(v) - std::log(r.lo);
        den = std::log(r.hi) - std::log(r.lo);
    } else {
        num = v - r.lo;
        den = r.hi - r.lo;
        if (!std::isfinite(den) || !std::isfinite(num))
            return static_cast<float>((static_cast<double>(v) - r.lo) / (static_cast<double>(r.hi) - r.lo));
    }
    // Equal bounds: every value is the lower bound, and the cursor stays at the left end.
    if (den == 0.0f)
        return 0.0f;
    const float t = num / den;
    if (!(t > 0.0f))
        return 0.0f;
    return t < 1.0f ? t : 1.0f;
}

void Range_Report(const Range& r, const VR_Valuators& s)
{
    const wchar_t* name = s.W_Name ? s.W_Name : L"no name";
    if (r.not_finite)
        Error_Fct(::hwnd, VR_REPORT_WARNING,
                  "Valuator: a bound is not a finite number (%ls): NaN is taken as 0, infinity as the largest float",
                  name);
    if (r.log_refused)
        Error_Fct(::hwnd, VR_REPORT_WARNING,
                  "Valuator: a logarithmic scale needs bounds above zero, not %g and %g (%ls): linear scale used",
                  static_cast<double>(r.lo), static_cast<double>(r.hi), name);
    if (r.lo == r.hi)
        Error_Fct(::hwnd, VR_REPORT_WARNING,
                  "Valuator: both bounds are %g (%ls): every position has that value and the cursor stays left",
                  static_cast<double>(r.lo), name);
}

// [SECTION] Read-out format -----------------------------------------------------------------------

// The format of a read-out: literal text (with "%%" for a percent sign) around exactly one
// floating-point conversion. Width and precision above this cannot serve a read-out of at most 39
// characters; refusing them also keeps the converted number inside a small stack buffer.
constexpr int FORMAT_FIELD_MAX = 64;

struct Readout_Format {
    const wchar_t* conv_begin = nullptr;  // the '%' of the conversion
    const wchar_t* conv_end = nullptr;    // one past its conversion letter
    char spec[16] = {};                   // the conversion rebuilt: '%', flags once each, sizes, letter
    bool long_double = false;
    int fixed_digits = -1;  // a plain "%f" or "%.Nf": its digits after the point
};

bool Field_Read(const wchar_t*& p, int& value)
{
    value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        value = value * 10 + (*p - L'0');
        if (value > FORMAT_FIELD_MAX)
            return false;
    }
    return true;
}

// Checks the whole format; only a format that passes is ever handed to the formatter, so no
// conversion can fetch an argument of the wrong type.
bool Format_Parse(const wchar_t* format, Readout_Format& out)
{
    if (!format)
        return false;
    int conversions = 0;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            ++p;
            continue;
        }
        if (p[1] == L'%') {
            p += 2;
            continue;
        }
        const wchar_t* begin = p++;
        bool flag[5] = {};
        static const wchar_t FLAGS[] = L"-+ #0";
        for (;; ++p) {
            const wchar_t* f = *p ? std::wcschr(FLAGS, *p) : nullptr;
            if (!f)
                break;
            flag[f - FLAGS] = true;
        }
        int width = 0, precision = -1;
        if (!Field_Read(p, width))
            return false;
        if (*p == L'.') {
            ++p;
            if (!Field_Read(p, precision))
                return false;
        }
        bool long_double = false;
        if (*p == L'l') {
            ++p;
        } else if (*p == L'L') {
            long_double = true;
            ++p;
        }
        if (!*p || !std::wcschr(L"eEfFgGaA", *p))
            return false;
        if (++conversions > 1)
            return false;
        const wchar_t letter = *p++;
        out.conv_begin = begin;
        out.conv_end = p;
        out.long_double = long_double;
        // Every character of the conversion is ASCII, so it is rebuilt narrow for the C library.
        char* s = out.spec;
        *s++ = '%';
        for (int i = 0; i < 5; ++i)
            if (flag[i])
                *s++ = static_cast<char>(FLAGS[i]);
        // At most two digits each (FORMAT_FIELD_MAX), so spec[16] always has room.
        if (width > 0) {
            if (width >= 10)
                *s++ = static_cast<char>('0' + width / 10);
            *s++ = static_cast<char>('0' + width % 10);
        }
        if (precision >= 0) {
            *s++ = '.';
            if (precision >= 10)
                *s++ = static_cast<char>('0' + precision / 10);
            *s++ = static_cast<char>('0' + precision % 10);
        }
        if (long_double)
            *s++ = 'L';
        *s++ = static_cast<char>(letter);
        *s = '\0';
        const bool flagged = flag[0] || flag[1] || flag[2] || flag[3] || flag[4];
        if (letter == L'f' && !flagged && width == 0 && !long_double)
            out.fixed_digits = precision < 0 ? 6 : precision;
    }
    return conversions == 1;
}

// Appends literal format text, "%%" read as one '%', as far as the read-out has room.
void Literal_Append(wchar_t* out, int& len, const wchar_t* from, const wchar_t* to)
{
    for (const wchar_t* p = from; p < to && *p && len < READOUT_CAP - 1; ++p) {
        out[len++] = *p;
        if (*p == L'%')
            ++p;  // the second '%' of a "%%"
    }
    out[len] = L'\0';
}

// NOTE: the read-out is formatted at every Draw. The conversion was checked and rebuilt by
// Format_Parse, so it goes to the C library once, straight into the buffer, where the general
// formatter would parse it again and print the number twice (to measure it first). A number that
// does not fit gives nothing, as it does there.
int Convert(char* out, std::size_t capacity, const char* spec, ...)
{
    va_list args;
    va_start(args, spec);
    const int n = std::vsnprintf(out, capacity, spec, args);
    va_end(args);
    return n >= 0 && static_cast<std::size_t>(n) < capacity ? n : -1;
}

// True when the C library prints numbers with '.' as the decimal point (its locale's choice).
bool Point_Is_Dot()
{
    const char* point = std::localeconv()->decimal_point;
    return point && point[0] == '.' && point[1] == '\0';
}

// Convert for "%.Nf" of a finite value: the same correctly rounded digits without the formatter's
// parsing and multi-precision arithmetic, which cost most of a read-out's description.
int Fixed_Convert(char* out, std::size_t capacity, double value, int digits)
{
    const std::to_chars_result r = std::to_chars(out, out + capacity - 1, value, std::chars_format::fixed, digits);
    if (r.ec != std::errc())
        return -1;
    *r.ptr = '\0';
    return static_cast<int>(r.ptr - out);
}

// The read-out text of `value`, cut to 39 characters. The literal parts are copied here and only
// the conversion goes through the formatter, so neither a long text nor a wide field can overflow,
// and nothing is allocated.
void Readout_Text(const wchar_t* format, const Readout_Format& f, float value, wchar_t* out)
{
    int len = 0;
    out[0] = L'\0';
    Literal_Append(out, len, format, f.conv_begin);
    if (len < READOUT_CAP - 1) {
        // 64 digits of precision after the 39 integer digits of the largest float still fit.
        char number[128];
        const int n = f.fixed_digits >= 0 && std::isfinite(value) && Point_Is_Dot()
                          ? Fixed_Convert(number, 128, static_cast<double>(value), f.fixed_digits)
                      : f.long_double ? Convert(number, 128, f.spec, static_cast<long double>(value))
                                      : Convert(number, 128, f.spec, static_cast<double>(value));
        for (int i = 0; i < n && len < READOUT_CAP - 1; ++i)
            out[len++] = static_cast<wchar_t>(static_cast<unsigned char>(number[i]));
        out[len] = L'\0';
    }
    Literal_Append(out, len, f.conv_end, f.conv_end + std::wcslen(f.conv_end));
}

// Value_Text keeps, after its terminator, a mark that the current bad Format has been reported, so
// that a bad format is reported once and not at every frame; a good text overwrites the mark.
constexpr wchar_t BAD_FORMAT_MARK = 1;
// Or a mark that the text's bitmap and quad were made by the description, without GL, while the
// widget's own texture and buffers still hold an earlier text: its own Draw loads them (a batch reads
// them from memory). Where the rasteriser or the memory failed to make one of them, the own Draw
// loads what there is, as it always did for such a text.
constexpr wchar_t UNLOADED_MARK = 2;
// Or a mark that the text was only measured (for a batch drawing glyph quads): the bitmap is an
// earlier text's, made again when anything else needs it.
constexpr wchar_t UNRENDERED_MARK = 3;
// UNLOADED_MARK's text with the quad only (the rasteriser failed), the bitmap only (no memory for
// the quad), or neither.
constexpr wchar_t UNLOADED_QUAD_MARK = 4;
constexpr wchar_t UNLOADED_BITMAP_MARK = 5;
constexpr wchar_t UNLOADED_NOTHING_MARK = 6;
// Or that the text became empty: the own Draw has nothing to load and, this once, binds nothing.
constexpr wchar_t EMPTIED_MARK = 7;

wchar_t Unloaded_Mark(bool bitmap, bool quad)
{
    if (bitmap)
        return quad ? UNLOADED_MARK : UNLOADED_BITMAP_MARK;
    return quad ? UNLOADED_QUAD_MARK : UNLOADED_NOTHING_MARK;
}

// The cursor's offset along x from the left end of its travel, for the value shown (clamped here).
int Cursor_Offset(VR_Valuators& s)
{
    const Range range = Range_Of(s);
    s.Shown_Value = Clamp(s.Shown_Value, range);
    const float t = Fraction(s.Shown_Value, range);
    const int travel = s.Width - 2 * (s.Bevel + s.Cursor_Half_Width);
    return static_cast<int>(std::trunc(static_cast<double>(static_cast<float>(travel) * t) + 0.5));
}

bool Readout_Show(VR_Valuators& s, const wchar_t* text);

// Read-outs a batch formatted lately, by format, value and the C library's decimal point: a panel's
// sliders often show the same values, and formatting costs most of a read-out's description.
struct Formatted {
    core::Look_Memo memo;
    char point[2] = {};
    unsigned long used = 0;
};

// The entry holding the text of `value` in `format` (`found`), or else the one to replace with it.
Formatted& Formatted_Find(const char* format, std::size_t length, float value, const char (&point)[2], bool& found)
{
    static core::Recent_Table<Formatted, 64, 4> table;
    core::Recent_Hash hash;
    for (std::size_t i = 0; i < length; ++i)
        hash.Add(static_cast<unsigned char>(format[i]));
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    hash.Add(bits);
    hash.Add(static_cast<unsigned char>(point[0]));
    const auto holds = [&](const Formatted& f) {
        // Bit for bit: -0 and 0 print differently.
        return f.memo.valid && std::memcmp(&f.memo.value, &value, sizeof value) == 0 && f.point[0] == point[0] &&
               f.point[1] == point[1] && std::strcmp(f.memo.format, format) == 0;
    };
    return table.Find(hash.Done(), holds, found);
}

// Brings the read-out's text, bitmap and quad up to the value shown, without GL (the own Draw loads
// the texture and buffers, Readout_Load). Returns true when there is a read-out to show. The text
// formatted for the same format and value in an earlier frame is taken from `memo`, as formatting a
// float costs far more than the rest of a frame's description of the slider. `captioned`: the
// slider's caption shows, and the read-out stands under it.
bool Readout_Update(VR_Valuators& s, core::Look_Memo& memo, bool captioned)
{
    wchar_t text[READOUT_CAP] = {};
    // Bit for bit: -0 and 0 print differently.
    if (memo.valid && s.Format && std::memcmp(&memo.value, &s.Shown_Value, sizeof memo.value) == 0 &&
        std::strcmp(memo.format, s.Format) == 0) {
        std::wmemcpy(text, memo.text, READOUT_CAP);
        return Readout_Show(s, text);
    }
    // Then a text formatted lately for any slider of the same format and value.
    Formatted* recent = nullptr;
    char point[2] = {};
    if (s.Format && std::strlen(s.Format) < sizeof memo.format) {
        const char* p = std::localeconv()->decimal_point;
        point[0] = p ? p[0] : '\0';
        point[1] = point[0] ? p[1] : '\0';
        bool found = false;
        recent = &Formatted_Find(s.Format, std::strlen(s.Format), s.Shown_Value, point, found);
        if (found) {
            memo = recent->memo;
            std::wmemcpy(text, memo.text, READOUT_CAP);
            return Readout_Show(s, text);
        }
    }
    // The wide form lives in the utility library's buffer until its next call: use it at once.
    const wchar_t* format = Char_2_Wchar(s.Format);
    Readout_Format parsed;
    if (!Format_Parse(format, parsed)) {
        // Reported once, and only under a caption that shows; without one the read-out is left as it
        // was (the lint reports a refused format at Init).
        if (!captioned)
            return false;
        if (s.Value_Text[READOUT_CAP - 1] != BAD_FORMAT_MARK)
            Error_Fct(::hwnd, VR_REPORT_WARNING,
                      "Valuator: read-out format \"%hs\" (%ls) must hold exactly one floating-point conversion "
                      "and widths up to 64: no read-out shown",
                      s.Format, s.W_Name ? s.W_Name : L"no name");
        std::wmemset(s.Value_Text, L'\0', READOUT_CAP);
        s.Value_Text[READOUT_CAP - 1] = BAD_FORMAT_MARK;
        return false;
    }
    Readout_Text(format, parsed, s.Shown_Value, text);
    memo.valid = s.Format && std::strlen(s.Format) < sizeof memo.format;
    if (memo.valid) {
        std::strcpy(memo.format, s.Format);
        memo.value = s.Shown_Value;
        static_assert(sizeof memo.text == sizeof text, "a read-out's text");
        std::wmemcpy(memo.text, text, READOUT_CAP);
        if (recent) {
            recent->memo = memo;
            recent->point[0] = point[0];
            recent->point[1] = point[1];
        }
    }
    return Readout_Show(s, text);
}

// The rest of Readout_Update, from the text of the value shown on. The widget's own texture and
// buffers are left for its own Draw to load.
bool Readout_Show(VR_Valuators& s, const wchar_t* text)
{
    const bool glyphs_only = core::Look_Glyph_Text();
    const bool unrendered = s.Value_Text[READOUT_CAP - 1] == UNRENDERED_MARK;
    if (std::wcscmp(text, s.Value_Text) != 0 || (unrendered && !glyphs_only)) {
        // The whole buffer: the zeros after the terminator also clear a mark.
        std::wmemcpy(s.Value_Text, text, READOUT_CAP);
        if (text[0] == L'\0') {
            s.Value_Text[READOUT_CAP - 1] = EMPTIED_MARK;
            return false;
        }
        if (glyphs_only) {
            s.Value_Text[READOUT_CAP - 1] = UNRENDERED_MARK;
            const int measured =
                core::Text_Measure(s, s.Value_Text, s.Font_Name, s.Font_Style, READOUT_FONT_SIZE, &s.Value_Tex_Width,
                                   &s.Value_Tex_Height, &s.Value_Text_Width, &s.Value_Text_Height);
            core::Text_Size size;
            size.tex_w = s.Value_Tex_Width;
            size.tex_h = s.Value_Tex_Height;
            size.text_w = s.Value_Text_Width;
            size.text_h = s.Value_Text_Height;
            if (!measured || !core::Caption_Quad(s.Value_Vertex_Array, s.Value_Coord_Array, 0, 0, 0, size, SOURCE))
                return false;
            return s.Value_Text_Height > 0;
        }
        // A read-out shown lately has its bitmap copied rather than rasterised.
        const int rendered = core::Text_Render_Recent(s, s.Value_Text, &s.Value_Bitmap, s.Font_Name, s.Font_Style,
                                                      READOUT_FONT_SIZE, &s.Value_Tex_Width, &s.Value_Tex_Height,
                                                      &s.Value_Text_Width, &s.Value_Text_Height);
        core::Text_Size size;
        size.tex_w = s.Value_Tex_Width;
        size.tex_h = s.Value_Tex_Height;
        size.text_w = s.Value_Text_Width;
        size.text_h = s.Value_Text_Height;
        const bool quad = core::Caption_Quad(s.Value_Vertex_Array, s.Value_Coord_Array, 0, 0, 0, size, SOURCE);
        s.Value_Text[READOUT_CAP - 1] = Unloaded_Mark(rendered != 0, quad);
        return quad && s.Value_Text_Height > 0;
    }
    // An empty text, or one the rasteriser could not measure, has nothing to show.
    return !(s.Value_Text[0] == L'\0' || s.Value_Text_Height <= 0);
}

// The read-out's texture and buffers brought up to the text its description made, at the place in
// the own Draw where a new text has always been loaded; an unchanged one has its texture bound.
// Returns true when there is a read-out to draw.
bool Readout_Load(VR_Valuators& s)
{
    const wchar_t mark = s.Value_Text[READOUT_CAP - 1];
    if (mark == BAD_FORMAT_MARK)
        return false;
    if (mark == EMPTIED_MARK) {
        s.Value_Text[READOUT_CAP - 1] = L'\0';
        return false;
    }
    if (mark == UNLOADED_MARK || mark == UNLOADED_QUAD_MARK || mark == UNLOADED_BITMAP_MARK ||
        mark == UNLOADED_NOTHING_MARK) {
        s.Value_Text[READOUT_CAP - 1] = L'\0';
        core::Texture_Prepare(s.Value_Texture, GL_CLAMP_TO_BORDER);
        const bool bitmap = mark == UNLOADED_MARK || mark == UNLOADED_BITMAP_MARK;
        if (bitmap && s.Value_Tex_Width > 0 && s.Value_Bitmap)
            core::Texture_Alpha_Upload(s.Value_Tex_Width, s.Value_Tex_Height, s.Value_Bitmap);
        if (mark == UNLOADED_BITMAP_MARK || mark == UNLOADED_NOTHING_MARK)
            return false;
        // The read-out keeps its two buffers from the first text on and only loads them again.
        if (s.Value_Vertex_Array && s.Value_Coord_Array) {
            core::Buffer_Upload(s.Value_Vertex_VBO, s.Value_Vertex_Array, 24);
            core::Buffer_Upload(s.Value_Coord_VBO, s.Value_Coord_Array, 32);
        }
    } else {
        glBindTexture(GL_TEXTURE_2D, s.Value_Texture);
    }
    // The own Draw needs the buffers too.
    return !(s.Value_Text[0] == L'\0' || s.Value_Text_Height <= 0 || !s.Value_Vertex_VBO);
}

}  // namespace

// [SECTION] Life cycle ----------------------------------------------------------------------------

namespace {

void Own_Copy(VR_Valuators& to, const VR_Valuators& from)
{
    to.Value = from.Value;
    to.Value_Min = from.Value_Min;
    to.Value_Max = from.Value_Max;
    to.Format = from.Format;
    to.Cursor_Half_Width = from.Cursor_Half_Width;
    to.Scroll_Speed = from.Scroll_Speed;
    std::memcpy(to.Value_Table, from.Value_Table, sizeof to.Value_Table);
    to.Value_Bitmap = from.Value_Bitmap;
    to.Value_Texture = from.Value_Texture;
    to.Selected = from.Selected;
    to.Spare = from.Spare;
    to.Cursor_Position = from.Cursor_Position;
    to.Pointer_Position = from.Pointer_Position;
    to.Shown_Value = from.Shown_Value;
    std::wmemcpy(to.Value_Text, from.Value_Text, READOUT_CAP);
    to.Value_Tex_Width = from.Value_Tex_Width;
    to.Value_Tex_Height = from.Value_Tex_Height;
    to.Value_Text_Width = from.Value_Text_Width;
    to.Value_Text_Height = from.Value_Text_Height;
    to.Cursor_Quad_Count = from.Cursor_Quad_Count;
    to.Cursor_Vertex_Array = from.Cursor_Vertex_Array;
    to.Cursor_Normal_Array = from.Cursor_Normal_Array;
    to.Cursor_Color_Array = from.Cursor_Color_Array;
    to.Value_Vertex_Array = from.Value_Vertex_Array;
    to.Value_Coord_Array = from.Value_Coord_Array;
    to.Cursor_Vertex_VBO = from.Cursor_Vertex_VBO;
    to.Cursor_Normal_VBO = from.Cursor_Normal_VBO;
    to.Cursor_Color_VBO = from.Cursor_Color_VBO;
    to.Value_Vertex_VBO = from.Value_Vertex_VBO;
    to.Value_Coord_VBO = from.Value_Coord_VBO;
}

// In the order the destructor releases them.
int Own_Held(VR_Valuators& s, core::Held* h)
{
    h[0] = core::Held_Heap(s.Value_Bitmap);
    h[1] = core::Held_Texture(s.Value_Texture);
    h[2] = core::Held_Heap(s.Cursor_Vertex_Array);
    h[3] = core::Held_Heap(s.Cursor_Normal_Array);
    h[4] = core::Held_Heap(s.Cursor_Color_Array);
    h[5] = core::Held_Heap(s.Value_Vertex_Array);
    h[6] = core::Held_Heap(s.Value_Coord_Array);
    h[7] = core::Held_Buffer(s.Cursor_Vertex_VBO);
    h[8] = core::Held_Buffer(s.Cursor_Normal_VBO);
    h[9] = core::Held_Buffer(s.Cursor_Color_VBO);
    h[10] = core::Held_Buffer(s.Value_Vertex_VBO);
    h[11] = core::Held_Buffer(s.Value_Coord_VBO);
    return 12;
}

// Without its buffers the cursor has nothing to draw from.
void Own_Emptied(VR_Valuators& s)
{
    s.Cursor_Quad_Count = 0;
}

constexpr core::Own_Fields<VR_Valuators> OWN{Own_Copy, Own_Held, "VR_Valuators", Own_Emptied};

}  // namespace

VR_Valuators::VR_Valuators(const VR_Valuators& other) : VR_Tools(other)
{
    OWN.Copied(*this, other);
}

VR_Valuators::VR_Valuators(VR_Valuators&& other) noexcept : VR_Tools(std::move(other))
{
    OWN.Moved(*this, other);
}

VR_Valuators& VR_Valuators::operator=(const VR_Valuators& other)
{
    if (this != &other) {
        VR_Tools::operator=(other);
        OWN.Assigned(*this, other);
    }
    return *this;
}

VR_Valuators& VR_Valuators::operator=(VR_Valuators&& other) noexcept
{
    if (this != &other) {
        VR_Tools::operator=(std::move(other));
        OWN.Move_Assigned(*this, other);
    }
    return *this;
}

VR_Valuators::~VR_Valuators()
{
    OWN.Released(*this);
}

void VR_Valuators::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Valuators:%ls)"))
        return;
    Readout_Format checked;
    if (core::Lint_On() && Format && !Format_Parse(Char_2_Wchar(Format), checked))
        core::Lint_Report("Lint: VR_Valuators \"%ls\" has the read-out format \"%hs\", which is refused: it needs "
                          "exactly one floating-point conversion and widths up to 64; no read-out is shown",
                          W_Name ? W_Name : L"no name", Format);
    Selected = 0;
    Shown_Value = Value;
    if (Color_Get() == 0)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;
    if (Scroll_Speed == 0.0f)
        Scroll_Speed = 2.0f;
    if (Cursor_Half_Width == 0)
        Cursor_Half_Width = 10;

    const Range range = Range_Of(*this);
    Range_Report(range, *this);
    Table_Build(Value_Table, range);
    if (Table_Rising(Value_Table))
        Status |= VR_STATUS_TABLE_RISING;
    else
        Status &= static_cast<unsigned char>(~VR_STATUS_TABLE_RISING);
    Cursor_Position = Position_Find(*this, Value, range);

    if (Image) {
        core::Texture_Prepare(Image_Texture, GL_CLAMP_TO_BORDER);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, Width, Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, Image);
    }
    const core::Text_Size text = core::Caption_Render(*this, GL_CLAMP_TO_BORDER);

    // Everything of a previous Init goes, so that a run without a caption leaves none to draw.
    const core::Mesh body = core::Base_Mesh(*this);
    core::Mesh_Reset(*this);

    // The groove floor is the tray's last quad: hover recolours it and the picture replaces it.
    core::Mesh_Builder builder(body, SOURCE);
    core::Tray_Append(builder, X, Y, Width, Height, Bevel, 1, 1, core::Mesh_Color(Colors(core::COLOR_RIM).get()),
                      core::Mesh_Color(Colors(core::COLOR_RIM).get()), core::Mesh_Color(Color_Get()));
    core::Mesh_Upload(body, Vertex_VBO, Normal_VBO, Color_VBO);

    if (text.tex_w != 0) {
        // Captions sit 4 units further in from the left and right than the bevel.
        const core::Caption_Offset o = core::Caption_Offsets(Flags, Width, Height, Bevel, text, Bevel + 4, 4);
        if (!core::Caption_Fits(Width, Height, Bevel, o, text))
            core::Report_Caption_Fit("Tools: WARNING! (Valuator:%ls)", Name_Get(), text);
        if (core::Caption_Quad(Text_Vertex_Array, Text_Coord_Array, X + o.x, Y + o.y, 1, text, SOURCE))
            core::Caption_Upload(Text_Vertex_VBO, Text_Coord_VBO, Text_Vertex_Array, Text_Coord_Array);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    Cursor_Init();
}

// [SECTION] Interaction ---------------------------------------------------------------------------

int VR_Valuators::Posit()
{
    return Cursor_Offset(*this);
}

void VR_Valuators::Adjust()
{
    core::Guard(*this, "VR_Valuators::Adjust");
    if (Width < 1 || Height < 1 || (Flags & VR_HIDDEN))
        return;
    const Range range = Range_Of(*this);
    const float v = Clamp(Value, range);
    Value = v;
    Shown_Value = v;
    // A position reached by dragging or scrolling keeps its fraction unless the value moved away.
    const float i = Position_Find(*this, v, range);
    if (!(std::fabs(i - Cursor_Position) <= 1.0f))
        Cursor_Position = i;
}

float VR_Valuators::Read()
{
    core::Guard(*this, "VR_Valuators::Read");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE))
        return 0.0f;
    Cursor_Position = Pointer_Position;
    return Value_Table[Index(Pointer_Position)];
}

float VR_Valuators::Scroll(float delta)
{
    core::Guard(*this, "VR_Valuators::Scroll");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE))
        return 0.0f;
    float p = Cursor_Position + delta * Scroll_Speed;
    if (std::isnan(p))  // a NaN step does not move the cursor
        p = std::isnan(Cursor_Position) ? 0.0f : Cursor_Position;
    if (Flags & VR_VALUATOR_WRAP) {
        if (p >= static_cast<float>(TABLE_SIZE))
            p = 0.0f;
        if (p < 0.0f)
            p = static_cast<float>(LAST);
    } else if (p <= 0.0f) {
        p = 0.0f;
    } else if (p > static_cast<float>(LAST)) {
        p = static_cast<float>(LAST);
    }
    Cursor_Position = p;
    return Value_Table[Index(p)];
}

namespace {

// Table position under the pointer: the inner width of the frame spans 0 .. 1024, stored up to 1023.
float Pointer_Map(const VR_Valuators& s, float x)
{
    const int inner = s.Width - 2 * s.Bevel;
    const float p = (x - static_cast<float>(s.X + s.Bevel)) / static_cast<float>(inner) * 1024.0f;
    if (!(p > 0.0f))  // also a NaN from a frame without inner width
        return 0.0f;
    return p < static_cast<float>(LAST) ? p : static_cast<float>(LAST);
}

// Gives the groove floor (the last quad) a colour and replaces the colour buffer.
void Floor_Recolor(VR_Valuators& s, unsigned int word)
{
    if (s.Quad_Count < 1)
        return;
    core::Quad_Color_Set(core::Base_Mesh(s), s.Quad_Count - 1, word);
    core::Colors_Upload(s, "VR_Valuators");
}

}  // namespace

int VR_Valuators::Select(int button, float x, float y)
{
    core::Guard(*this, "VR_Valuators::Select");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE))
        return 0;
    const short hit = (X < x && x <= X + Width && Y < y && y <= Y + Height) ? 1 : 0;
    if (hit)
        Pointer_Position = Pointer_Map(*this, x);
    if (hit != Selected) {
        Selected = hit;
        Floor_Recolor(*this,
                      hit ? core::Mesh_Color(Colors(core::COLOR_HIGHLIGHT).get()) : core::Mesh_Color(Color_Get()));
    }
    return Selected;
}

void VR_Valuators::Deselect()
{
    if (!Selected)
        return;
    Selected = 0;
    if (!(Flags & VR_FLAT))
        Floor_Recolor(*this, core::Mesh_Color(Color_Get()));
}

int VR_Valuators::Is_Select(float x)
{
    if (Selected)
        Pointer_Position = Pointer_Map(*this, x);
    return Selected;
}

namespace {
// Stores a slider value that Read or Scroll returned and applies it; Adjust may clamp it.
int Value_Store(VR_Valuators& v, float value)
{
    const float before = v.Value;
    v.Value = value;
    v.Adjust();
    return v.Value != before ? 1 : 0;
}
}  // namespace

int VR_Valuators::Drag(float x, float y)
{
    // NOTE: Read answers 0 on an inactive slider, which is no value of the pointer's.
    if (Flags & VR_INACTIVE)
        return 0;
    if (Selected)
        Is_Select(x);
    else if (!Select(1, x, y))
        return 0;
    return Value_Store(*this, Read());
}

int VR_Valuators::Wheel(float x, float y, float amount)
{
    if (!Select(0, x, y))
        return 0;
    return Value_Store(*this, Scroll(amount));
}

// [SECTION] Drawing -------------------------------------------------------------------------------

namespace {
bool Readout_Refresh(void* owner, core::Look_Part& p, core::Look_Immediate& im);
}  // namespace

void VR_Valuators::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Valuators::Draw");
    if (Status & VR_STATUS_UNLOADED)
        core::Look_Load(*this);
    core::Caption_Unpark(*this, GL_CLAMP_TO_BORDER);
    core::Look_Prepare(*this);
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE, Readout_Refresh, Cursor_Offset);
}

// [SECTION] Cursor and read-out -------------------------------------------------------------------

void VR_Valuators::Cursor_Init()
{
    const core::Mesh cursor{Cursor_Quad_Count, Cursor_Vertex_Array, Cursor_Normal_Array, Cursor_Color_Array};
    core::Mesh_Free(cursor);
    core::Buffer_Free(Cursor_Vertex_VBO);
    core::Buffer_Free(Cursor_Normal_VBO);
    core::Buffer_Free(Cursor_Color_VBO);

    if (!(Flags & VR_VALUATOR_NO_CURSOR)) {
        // Built at the left end of its travel; Posit moves it along X when drawn.
        const short L = static_cast<short>(X + Bevel);
        const short cx = static_cast<short>(L + Cursor_Half_Width);
        const short R = static_cast<short>(cx + Cursor_Half_Width);
        const short cl = static_cast<short>(cx - 1), cr = static_cast<short>(cx + 1);
        const short y0 = static_cast<short>(Y + Bevel), y1 = static_cast<short>(Y + Height - Bevel);
        const short top = static_cast<short>(2 * Bevel), notch = static_cast<short>(top - 1);
        const unsigned int body = core::Mesh_Color(Colors(core::COLOR_RIM).get());
        const unsigned int marker = core::Mesh_Color(Colors(core::COLOR_YELLOW).get());

        core::Mesh_Builder m(cursor, SOURCE);
        m.Add({{cl, y0, 0}, {cl, y0, top}, {L, y0, top}, {L, y0, 0}}, body);
        m.Add({{L, y1, 0}, {L, y1, top}, {cl, y1, top}, {cl, y1, 0}}, body);
        m.Add({{L, y0, 0}, {L, y0, top}, {L, y1, top}, {L, y1, 0}}, body);
        m.Add({{R, y0, 0}, {R, y0, top}, {cr, y0, top}, {cr, y0, 0}}, body);
        m.Add({{R, y1, 0}, {R, y1, top}, {R, y0, top}, {R, y0, 0}}, body);
        m.Add({{cr, y1, 0}, {cr, y1, top}, {R, y1, top}, {R, y1, 0}}, body);
        // The sides under the V of the notch.
        m.Add({{cx, y0, 0}, {cx, y0, notch}, {cl, y0, top}, {cl, y0, 0}}, body);
        m.Add({{cr, y0, 0}, {cr, y0, top}, {cx, y0, notch}, {cx, y0, 0}}, body);
        m.Add({{cl, y1, 0}, {cl, y1, top}, {cx, y1, notch}, {cx, y1, 0}}, body);
        m.Add({{cx, y1, 0}, {cx, y1, notch}, {cr, y1, top}, {cr, y1, 0}}, body);
        // Tops of the two halves with the marker slopes between them.
        m.Add({{cl, y0, top}, {cl, y1, top}, {L, y1, top}, {L, y0, top}}, body);
        m.Add({{cx, y0, notch}, {cx, y1, notch}, {cl, y1, top}, {cl, y0, top}}, marker);
        m.Add({{cr, y0, top}, {cr, y1, top}, {cx, y1, notch}, {cx, y0, notch}}, marker);
        m.Add({{R, y0, top}, {R, y1, top}, {cr, y1, top}, {cr, y0, top}}, body);
    }
    core::Mesh_Upload(cursor, Cursor_Vertex_VBO, Cursor_Normal_VBO, Cursor_Color_VBO);
}

namespace {

// Places the read-out quad: ten units high under the widget, centred on the cursor moved by `d`,
// at height `z` (the z scale of 0 flattens it onto the caption's plane). Reads the sizes of the text
// shown now, so it runs again after each update.
void Readout_Place(const VR_Valuators& s, core::Look_Part& p, core::Look_Immediate& im)
{
    const float k = 10.0f / static_cast<float>(s.Value_Text_Height);
    p.vertex = s.Value_Vertex_Array;
    p.coord = s.Value_Coord_Array;
    p.quads = 1;
    p.scale[0] = p.scale[1] = k;
    p.scale[2] = 0.0f;
    im.vbo[0] = s.Value_Vertex_VBO;
    im.vbo[1] = s.Value_Coord_VBO;
    im.center = static_cast<float>(s.Value_Text_Width) * 0.5f;
    p.offset[0] = im.at[0] + im.shift - im.center * k;
    p.offset[1] = im.at[1];
    p.texture = core::Mask_Texture(s.Value_Bitmap, s.Value_Tex_Width, s.Value_Tex_Height, core::Look_Wrap::BORDER,
                                   s.Value_Text, static_cast<int>(sizeof s.Value_Text));
    if (s.Value_Text[READOUT_CAP - 1] == UNRENDERED_MARK) {
        // The text box without a bitmap: what is in Value_Bitmap shows another text.
        p.texture.pixels = nullptr;
        p.texture.tex_w = s.Value_Tex_Width;
        p.texture.tex_h = s.Value_Tex_Height;
        p.texture.wrap = core::Look_Wrap::BORDER;
        p.texture.key = s.Value_Text;
        p.texture.key_bytes = static_cast<int>(sizeof s.Value_Text);
    }
    p.text = s.Value_Text;
    p.text_tool = &s;
    p.text_size = READOUT_FONT_SIZE;
}

// The own Draw loads the read-out as it draws it, uploads included, where they always were.
bool Readout_Refresh(void* owner, core::Look_Part& p, core::Look_Immediate& im)
{
    VR_Valuators& s = *static_cast<VR_Valuators*>(owner);
    if (!Readout_Load(s))
        return false;
    Readout_Place(s, p, im);
    return true;
}

// Adds the read-out, brought up to the value shown, after the caption part (when it shows).
void Readout_Look(VR_Valuators& s, short d, float z, unsigned int rgb, bool captioned, core::Look& look)
{
    if (!Readout_Update(s, look.Memo(), captioned) || !s.Value_Vertex_Array || !s.Value_Coord_Array)
        return;
    core::Look_Part& p = look.Add(core::Look_Pass::TEXT);
    p.offset[2] = z;
    p.rgb = rgb;
    core::Look_Immediate im;
    im.at[0] = static_cast<float>(s.X + s.Bevel + s.Cursor_Half_Width);
    im.at[1] = static_cast<float>(s.Y) - 10.0f;
    im.shift = static_cast<float>(d);
    Readout_Place(s, p, im);
}

}  // namespace

void core::Look_Prepare(VR_Valuators& s)
{
    if (!(s.Flags & VR_HIDDEN) && s.Width >= 1 && s.Height >= 1)
        core::Colors_Pending_Upload(s);
}

void core::Look_Describe(VR_Valuators& s, Look& look)
{
    if ((s.Flags & VR_HIDDEN) || s.Width < 1 || s.Height < 1)
        return;
    if (s.Flags & VR_FLAT) {
        // Only the four frame strips; a mesh that could not be built has fewer quads. No colour of
        // its own: the caption and the read-out take the flat colour.
        Look_Flat_Strips(look, s, s.Quad_Count < 4 ? s.Quad_Count : 4);
        const bool captioned = Look_Flat_Caption(look, s) != nullptr;
        // Wherever the caption's buffers are, though the caption itself may show nothing.
        if (s.Text_Vertex_Array && s.Text_Vertex_VBO && s.Format)
            Readout_Look(s, static_cast<short>(Cursor_Offset(s)), 1.5f, LOOK_FLAT_RGB, captioned, look);
        return;
    }
    // The body and the cursor share one lit pass; the picture replaces the groove floor, the last quad.
    const bool picture = s.Image && !s.Selected;
    const int body_quads = s.Quad_Count - (picture ? 1 : 0);
    if (body_quads > 0 && s.Vertex_Array)
        Look_Mesh(look, s, body_quads);
    const short d = static_cast<short>(Cursor_Offset(s));
    if (s.Cursor_Quad_Count >= 1 && s.Cursor_Vertex_Array) {
        Look_Part& cursor = Look_Mesh(look, Look_Pass::LIT, s.Cursor_Vertex_Array, s.Cursor_Normal_Array,
                                      s.Cursor_Color_Array, s.Cursor_Quad_Count);
        cursor.offset[0] = d;
    }
    if (picture) {
        // Half a unit above the base, in the groove where the floor was left out.
        const float st[8] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f};
        Look_Part& p = Look_Picture(look, s, st, 0.5f, s.Image, s.Width, s.Height, Look_Wrap::BORDER);
        p.blend = false;
    }
    if (s.Text_Vertex_VBO) {
        const bool captioned = Look_Caption(look, s, Look_Wrap::BORDER, 1.0f, 0u) != nullptr;
        if (s.Format)
            Readout_Look(s, d, 1.0f, 0u, captioned, look);
    }
}

void core::Look_Unload(VR_Valuators& s, bool keep_pixels)
{
    core::Tool_Unload(s, keep_pixels);
    core::Name_Unload(s.Image_Texture, true);
    for (GLuint* name :
         {&s.Cursor_Vertex_VBO, &s.Cursor_Normal_VBO, &s.Cursor_Color_VBO, &s.Value_Vertex_VBO, &s.Value_Coord_VBO})
        core::Name_Unload(*name, false);
    core::Name_Unload(s.Value_Texture, true);
    // The text stays. A loaded one (mark 0) is loaded again from its bitmap where that is kept, else
    // rasterised again by whatever draws it next.
    wchar_t& mark = s.Value_Text[READOUT_CAP - 1];
    const bool text = s.Value_Text[0] != L'\0' && mark != BAD_FORMAT_MARK && mark != EMPTIED_MARK;
    if (keep_pixels && s.Value_Bitmap) {
        if (text && mark == L'\0')
            mark = UNLOADED_MARK;
        return;
    }
    core::Heap_Release(s.Value_Bitmap);
    if (text)
        mark = UNRENDERED_MARK;
}

void core::Look_Load(VR_Valuators& s)
{
    core::Tool_Load(s);
    if (core::Name_Reload(s.Image_Texture) && s.Image) {
        core::Texture_Prepare(s.Image_Texture, GL_CLAMP_TO_BORDER);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, s.Width, s.Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, s.Image);
    }
    const std::size_t quads = s.Cursor_Quad_Count > 0 ? static_cast<std::size_t>(s.Cursor_Quad_Count) : 0;
    if (core::Name_Reload(s.Cursor_Vertex_VBO) && s.Cursor_Vertex_Array)
        core::Buffer_Replace(s.Cursor_Vertex_VBO, s.Cursor_Vertex_Array, quads * 24);
    if (core::Name_Reload(s.Cursor_Normal_VBO) && s.Cursor_Normal_Array)
        core::Buffer_Replace(s.Cursor_Normal_VBO, s.Cursor_Normal_Array, quads * 24);
    if (core::Name_Reload(s.Cursor_Color_VBO) && s.Cursor_Color_Array)
        core::Buffer_Replace(s.Cursor_Color_VBO, s.Cursor_Color_Array, quads * 16);
    // The read-out makes its texture and buffers as it loads a new text, which its mark asks for.
    core::Name_Reload(s.Value_Texture);
    core::Name_Reload(s.Value_Vertex_VBO);
    core::Name_Reload(s.Value_Coord_VBO);
}

void core::Readout_Park(VR_Valuators& s)
{
    wchar_t& mark = s.Value_Text[READOUT_CAP - 1];
    // A text the bitmap holds (mark 0) is loaded again from it; one waiting to be rasterised or
    // loaded is brought up to date by the own Draw anyway.
    if (s.Value_Text[0] == L'\0' || (mark != L'\0' && mark != UNLOADED_MARK && mark != UNRENDERED_MARK))
        return;
    if (core::Texture_Park(s.Value_Texture) && mark == L'\0')
        mark = UNLOADED_MARK;
}
