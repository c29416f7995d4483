// Text layout: characters to placed glyphs, with bidirectional order, shaping and font fallback.
//
// [SECTION] Characters
// [SECTION] Plain text: advances and kerning of one font
// [SECTION] Runs: direction, script and font
// [SECTION] Shaping and visual order
// [SECTION] Recent plain layouts
// [SECTION] Entry point
#include "host/tarnel/text.h"

#include <fribidi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

namespace {

// [SECTION] Characters

// Longest text that is shaped; anything after it is neither measured nor drawn. Far beyond what
// fits in a caption texture, it keeps hostile text from costing more than a few milliseconds.
constexpr std::size_t Max_Shaped = 1u << 15;

// A wide character as a Unicode scalar value: values past U+10FFFF and lone surrogates (wchar_t
// holds any 32-bit value) become U+FFFD.
char32_t Scalar(wchar_t c)
{
    const auto v = static_cast<std::uint32_t>(c);
    return v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF) ? 0xFFFD : static_cast<char32_t>(v);
}

// Characters that need no shaping and no reordering: laid out glyph by glyph with the font's own
// advances and kerning, exactly as captions always were. Latin, Greek, Cyrillic letters, common
// punctuation and symbols; combining marks, joiners, bidi controls and all complex scripts are not.
bool Plain(char32_t c)
{
    if (c < 0x0300)
        return true;
    if (c >= 0x0370 && c < 0x0483)
        return true;  // Greek, Cyrillic letters
    if (c >= 0x048A && c < 0x0530)
        return true;  // Cyrillic supplement
    if (c >= 0x1E00 && c < 0x2000)
        return true;  // Latin and Greek extended
    if (c >= 0x2010 && c < 0x2028)
        return true;  // dashes, quotes, bullets, ellipsis
    if (c >= 0x2030 && c < 0x205F)
        return true;  // per mille .. other punctuation
    if (c >= 0x2070 && c < 0x20D0)
        return true;  // super/subscripts, currency
    if (c >= 0x2100 && c < 0x2600)
        return true;  // letterlike, arrows, maths, boxes, shapes
    return false;
}

// Characters that belong to the one before them: they take its font (and so its run).
bool Attaches(char32_t c, hb_unicode_funcs_t* unicode)
{
    if (c == 0x200C || c == 0x200D)
        return true;  // joiners
    if ((c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF))
        return true;  // variation selectors
    if (c >= 0x1F3FB && c <= 0x1F3FF)
        return true;  // skin tones
    const hb_unicode_general_category_t g = hb_unicode_general_category(unicode, c);
    return g == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK || g == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK ||
           g == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

// [SECTION] Plain text: advances and kerning of one font

// Advance of a glyph (FT_LOAD_DEFAULT, .notdef when the glyph cannot be loaded), or -1 when
// neither loads; remembered in the font.
FT_Pos Advance_Of(HFONT font, FT_UInt glyph)
{
    const auto known = font->advances.find(glyph);
    if (known != font->advances.end())
        return known->second;
    FT_Pos advance = -1;
    if (host::Font_Use(font)) {
        FT_Face face = font->file->face;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0 ||
            (glyph != 0 && FT_Load_Glyph(face, 0, FT_LOAD_DEFAULT) == 0))
            advance = face->glyph->advance.x;
    }
    try {
        font->advances.emplace(glyph, advance);
    } catch (const std::bad_alloc&) {
        // Not remembered: the next layout loads the glyph again.
    }
    return advance;
}

// The font's plain-text metrics, made on first use; null when memory runs out.
Plain_Metrics* Plain_Of(HFONT font)
{
    if (!font->plain)
        font->plain.reset(new (std::nothrow) Plain_Metrics);
    return font->plain.get();
}

bool Plain_Ascii(char32_t c)
{
    return c >= Plain_Metrics::First && c <= Plain_Metrics::Last;
}

// The font's glyph for `c` (0: none), remembered in `plain` for printable ASCII.
FT_UInt Glyph_Of(HFONT font, Plain_Metrics* plain, char32_t c)
{
    if (!plain || !Plain_Ascii(c))
        return FT_Get_Char_Index(font->file->face, c);
    FT_UInt& known = plain->glyph[c - Plain_Metrics::First];
    if (known == Plain_Metrics::Unknown_Glyph)
        known = FT_Get_Char_Index(font->file->face, c);
    return known;
}

// Advance_Of the glyph of `c`, remembered in `plain` for printable ASCII.
FT_Pos Advance_Of(HFONT font, Plain_Metrics* plain, char32_t c, FT_UInt glyph)
{
    if (!plain || !Plain_Ascii(c))
        return Advance_Of(font, glyph);
    FT_Pos& known = plain->advance[c - Plain_Metrics::First];
    if (known == Plain_Metrics::Unknown_Advance)
        known = Advance_Of(font, glyph);
    return known;
}

// The font's kerning (26.6) between the glyphs of `left` and `right` at its active size, 0 where
// there is none; remembered in `plain` for pairs of printable ASCII characters.
FT_Pos Kerning_Of(HFONT font, Plain_Metrics* plain, char32_t left, FT_UInt left_glyph, char32_t right,
                  FT_UInt right_glyph)
{
    short* known = plain && Plain_Ascii(left) && Plain_Ascii(right)
                       ? &plain->kerning[left - Plain_Metrics::First][right - Plain_Metrics::First]
                       : nullptr;
    if (known && *known != Plain_Metrics::Unknown_Kerning)
        return *known;
    FT_Vector delta;
    const FT_Pos kerning =
        FT_Get_Kerning(font->file->face, left_glyph, right_glyph, FT_KERNING_DEFAULT, &delta) == 0 ? delta.x : 0;
    if (known && kerning > Plain_Metrics::Unknown_Kerning && kerning <= 0x7FFF)
        *known = static_cast<short>(kerning);
    return kerning;
}

// Lays out plain text in one font: pen moved by each glyph's advance, the font's kerning between
// pairs; a glyph that cannot be loaded takes no room.
void Lay_Out_Plain(HFONT font, Plain_Metrics* plain, const wchar_t* text, std::size_t length, Text_Layout& out)
{
    FT_Pos pen = 0;
    FT_UInt previous = 0;
    char32_t previous_c = 0;
    if (font->kerning)
        host::Font_Use(font);  // kerning values depend on the active size
    for (std::size_t i = 0; i < length; ++i) {
        const char32_t c = Scalar(text[i]);
        const FT_UInt glyph = Glyph_Of(font, plain, c);
        if (font->kerning && previous && glyph)
            pen += Kerning_Of(font, plain, previous_c, previous, c, glyph);
        previous = glyph;
        previous_c = c;
        const FT_Pos advance = Advance_Of(font, plain, c, glyph);
        if (advance < 0)
            continue;
        out.glyphs.push_back({font, glyph, pen, 0});
        pen += advance;
    }
    out.width = pen;
}

// [SECTION] Runs: direction, script and font

struct Run {
    std::size_t begin = 0, end = 0;
    FriBidiLevel level = 0;
    hb_script_t script = HB_SCRIPT_COMMON;
    HFONT font = nullptr;
};

// Font for each character: the font asked for when it has the character, else a fallback that has
// it; marks and joiners stay with the character before them.
void Choose_Fonts(HFONT font, const std::vector<char32_t>& text, std::vector<HFONT>& fonts, hb_unicode_funcs_t* unicode)
{
    FT_Face face = font->file->face;
    fonts.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (i > 0 && Attaches(c, unicode)) {
            fonts[i] = fonts[i - 1];
            continue;
        }
        HFONT chosen = font;
        if (FT_Get_Char_Index(face, c) == 0 && c >= 0x20 && !(c >= 0x200B && c <= 0x200F) &&
            !(c >= 0x202A && c <= 0x202E) && !(c >= 0x2066 && c <= 0x2069)) {
            // Missing everywhere: the requested font's .notdef box shows that something is lost.
            HFONT other = host::Font_Fallback(font, c);
            if (other)
                chosen = other;
        }
        fonts[i] = chosen;
    }
}

// Script of each character; characters of no script of their own (spaces, digits, punctuation,
// marks) take the script of the text around them, so that runs do not break at every space.
void Choose_Scripts(const std::vector<char32_t>& text, std::vector<hb_script_t>& scripts, hb_unicode_funcs_t* unicode)
{
    scripts.resize(text.size());
    hb_script_t last = HB_SCRIPT_UNKNOWN;
    std::size_t first_real = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        hb_script_t s = hb_unicode_script(unicode, text[i]);
        if (s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN) {
            s = last;
        } else {
            last = s;
            first_real = std::min(first_real, i);
        }
        scripts[i] = s;
    }
    const hb_script_t lead = first_real < text.size() ? scripts[first_real] : HB_SCRIPT_COMMON;
    for (std::size_t i = 0; i < std::min(first_real, text.size()); ++i)
        scripts[i] = lead;
}

// [SECTION] Shaping and visual order

// Shapes one run and appends its glyphs at `pen`, which it moves on.
void Shape_Run(const std::vector<char32_t>& text, const Run& run, hb_buffer_t* buffer, FT_Pos& pen, Text_Layout& out)
{
    hb_font_t* shaper = host::Font_Shaper(run.font);
    if (!shaper)
        return;
    hb_buffer_clear_contents(buffer);
    // The whole text is the context, so letters join across run edges (Arabic beside a mark).
    hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()), static_cast<int>(text.size()),
                        static_cast<unsigned>(run.begin), static_cast<int>(run.end - run.begin));
    hb_buffer_set_direction(buffer, (run.level & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, run.script);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(shaper, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, nullptr);
    for (unsigned i = 0; i < count; ++i) {
        out.glyphs.push_back({run.font, info[i].codepoint, pen + pos[i].x_offset, pos[i].y_offset});
        pen += pos[i].x_advance;
    }
}

// Runs in the order they show, left to right: from the highest level down to the lowest odd
// level, every stretch of runs at that level or above is reversed.
std::vector<std::size_t> Visual_Order(const std::vector<Run>& runs)
{
    std::vector<std::size_t> order(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i)
        order[i] = i;
    int highest = 0, lowest_odd = 1000;
    for (const Run& r : runs) {
        highest = std::max<int>(highest, r.level);
        if (r.level & 1)
            lowest_odd = std::min<int>(lowest_odd, r.level);
    }
    for (int level = highest; level >= lowest_odd && level > 0; --level) {
        for (std::size_t i = 0; i < order.size();) {
            if (runs[order[i]].level < level) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < order.size() && runs[order[j]].level >= level)
                ++j;
            std::reverse(order.begin() + static_cast<long>(i), order.begin() + static_cast<long>(j));
            i = j;
        }
    }
    return order;
}

// Lays out text that needs the full treatment.
bool Lay_Out_Shaped(HFONT font, const wchar_t* wide, std::size_t length, Text_Layout& out)
{
    std::vector<char32_t> text(length);
    for (std::size_t i = 0; i < length; ++i)
        text[i] = Scalar(wide[i]);

    // Paragraph direction from the first strong character; left to right when there is none.
    std::vector<FriBidiCharType> types(length);
    std::vector<FriBidiBracketType> brackets(length);
    std::vector<FriBidiLevel> levels(length);
    const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
    const auto n = static_cast<FriBidiStrIndex>(length);
    fribidi_get_bidi_types(chars, n, types.data());
    fribidi_get_bracket_types(chars, n, types.data(), brackets.data());
    FriBidiParType direction = FRIBIDI_PAR_ON;
    if (!fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &direction, levels.data()))
        std::fill(levels.begin(), levels.end(), FriBidiLevel{0});

    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    std::vector<HFONT> fonts;
    std::vector<hb_script_t> scripts;
    Choose_Fonts(font, text, fonts, unicode);
    Choose_Scripts(text, scripts, unicode);

    std::vector<Run> runs;
    for (std::size_t i = 0; i < length; ++i) {
        if (runs.empty() || runs.back().level != levels[i] || runs.back().script != scripts[i] ||
            runs.back().font != fonts[i])
            runs.push_back({i, i + 1, levels[i], scripts[i], fonts[i]});
        else
            runs.back().end = i + 1;
    }

    hb_buffer_t* buffer = hb_buffer_create();
    if (!hb_buffer_allocation_successful(buffer)) {
        hb_buffer_destroy(buffer);
        return false;
    }
    FT_Pos pen = 0;
    for (std::size_t r : Visual_Order(runs))
        Shape_Run(text, runs[r], buffer, pen, out);
    hb_buffer_destroy(buffer);
    out.width = pen;
    return true;
}

// [SECTION] Recent plain layouts

// Whether `text` lays out plain in `font`: every character one that needs no shaping, and the
// font's own. Its length in `length`.
bool Text_Plain(HFONT font, Plain_Metrics* metrics, const wchar_t* text, std::size_t& length)
{
    bool plain = true;
    for (length = 0; text[length]; ++length) {
        if (!plain)
            continue;
        const char32_t c = Scalar(text[length]);
        plain = Plain(c) && (c < 0x20 || Glyph_Of(font, metrics, c) != 0);
    }
    return plain;
}

// The plain layouts made last, by font and text: a read-out is measured as its slider is described
// and laid out again for its glyphs, every other read-out's between the two. Plain text in one
// font lays out the same for good (its glyphs, advances and kerning are the font's own, and a
// font's record lasts as long as the process), so an entry never goes stale; shaped text, whose
// fallback fonts may change with the installed fonts, is not kept, nor is text longer than a
// read-out. Every entry's room is taken at once: a frame of new read-outs allocates nothing.
class Recent_Layouts {
public:
    static constexpr std::size_t Chars = 24;  // longest text kept
    static constexpr std::size_t Sets = 64, Ways = 4;

    // Null when memory runs out.
    static Recent_Layouts* Make()
    {
        std::unique_ptr<Recent_Layouts> made(new (std::nothrow) Recent_Layouts);
        if (!made)
            return nullptr;
        try {
            for (Entry& e : made->entries_)
                e.layout.glyphs.reserve(Chars);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        return made.release();
    }

    const Text_Layout* Find(HFONT font, const wchar_t* text, std::size_t length, std::uint32_t hash) const
    {
        const Entry* set = entries_ + (hash & (Sets - 1)) * Ways;
        for (std::size_t w = 0; w < Ways; ++w) {
            const Entry& e = set[w];
            if (e.font == font && e.hash == hash && e.length == length && std::wmemcmp(e.text, text, length) == 0)
                return &e.layout;
        }
        return nullptr;
    }

    // Lays out plain `text` (`length` characters, at most Chars) over the oldest entry of its set.
    const Text_Layout* Lay_Out(HFONT font, Plain_Metrics* metrics, const wchar_t* text, std::size_t length,
                               std::uint32_t hash)
    {
        const std::size_t set = hash & (Sets - 1);
        Entry& e = entries_[set * Ways + next_[set]];
        next_[set] = static_cast<unsigned char>((next_[set] + 1) % Ways);
        e.font = nullptr;
        try {
            e.layout.glyphs.clear();
            Lay_Out_Plain(font, metrics, text, length, e.layout);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        e.font = font;
        e.hash = hash;
        e.length = length;
        std::wmemcpy(e.text, text, length);
        return &e.layout;
    }

private:
    struct Entry {
        HFONT font = nullptr;  // null: empty
        std::uint32_t hash = 0;
        std::size_t length = 0;
        wchar_t text[Chars];
        Text_Layout layout;
    };
    Entry entries_[Sets * Ways];
    unsigned char next_[Sets] = {};
};

}  // namespace

// [SECTION] Entry point

Plain_Metrics::Plain_Metrics()
{
    std::fill(std::begin(glyph), std::end(glyph), Unknown_Glyph);
    std::fill(std::begin(advance), std::end(advance), Unknown_Advance);
    std::fill(&kerning[0][0], &kerning[0][0] + Count * Count, Unknown_Kerning);
}

namespace host {

bool Text_Lay_Out(HFONT font, const wchar_t* text, Text_Layout& out)
{
    out.glyphs.clear();
    out.width = 0;
    if (!font || !text)
        return true;
    try {
        std::size_t length = 0;
        Plain_Metrics* metrics = Plain_Of(font);
        if (Text_Plain(font, metrics, text, length)) {
            out.glyphs.reserve(length);
            Lay_Out_Plain(font, metrics, text, length, out);
            return true;
        }
        return Lay_Out_Shaped(font, text, std::min(length, Max_Shaped), out);
    } catch (const std::bad_alloc&) {
        out.glyphs.clear();
        out.width = 0;
        return false;
    }
}

const Text_Layout* Text_Layout_Recent(HFONT font, const wchar_t* text)
{
    if (!font || !text)
        return nullptr;
    // The text's length and hash, as far as a kept text may reach.
    std::size_t length = 0;
    std::uint32_t hash = 2166136261u;
    for (; text[length]; ++length) {
        if (length == Recent_Layouts::Chars)
            return nullptr;
        hash = (hash ^ static_cast<std::uint32_t>(text[length])) * 16777619u;
    }
    hash ^= static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(font) >> 4);
    hash ^= hash >> 15;
    thread_local std::unique_ptr<Recent_Layouts> recent;
    if (!recent)
        recent.reset(Recent_Layouts::Make());
    if (!recent)
        return nullptr;
    if (const Text_Layout* found = recent->Find(font, text, length, hash))
        return found;
    Plain_Metrics* metrics = Plain_Of(font);
    std::size_t plain_length = 0;
    if (!Text_Plain(font, metrics, text, plain_length))
        return nullptr;
    return recent->Lay_Out(font, metrics, text, length, hash);
}

}  // namespace host
