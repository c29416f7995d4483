// Fonts: Fontconfig finds the file, FreeType opens each file once and sizes it per request, and
// bounded caches keep what was found.
//
// [SECTION] Caches and limits
// [SECTION] Style words
// [SECTION] Files, sizes and the live list
// [SECTION] Matching a request
// [SECTION] Fallback for characters a font lacks
// [SECTION] Seam functions
#include "host/tarnel/font.h"

#include <chrono>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <tuple>

#include <fontconfig/fontconfig.h>
#include <hb-ft.h>
#include <hb-ot.h>

namespace {

// [SECTION] Caches and limits

constexpr int Min_Size = 1;
constexpr int Max_Size = 512;
constexpr const char* System_Family = "DejaVu Sans";
constexpr const char* System_File = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
// Fonts whose FreeType size and shaping font stay in memory; older ones rest until used again.
// A size costs a few kilobytes (hinting state, advances), so this keeps a busy host well under a
// few megabytes however many sizes it asks for.
constexpr std::size_t Max_Live = 128;
// Requests remembered; past this the memory of requests is started afresh (the fonts stay loaded,
// so a request asked again only costs a Fontconfig match).
constexpr std::size_t Max_Requests = 2048;
// Characters whose fallback font a font remembers.
constexpr std::size_t Max_Fallbacks = 4096;
// A family found missing is looked up again once the installed fonts have changed; the check
// reads the font folders' times, so it runs at most this often.
constexpr auto Recheck_Every = std::chrono::seconds(2);

using Request = std::tuple<std::string, std::string, int>;  // name, style, size
using File_Key = std::pair<std::string, int>;               // path, face index
using Face_Key = std::tuple<std::string, int, int>;         // path, face index, size
// NOTE: never destroyed, so that fonts stay valid for widgets destroyed at exit.
std::map<Request, HFONT>& Requests()
{
    static auto* requests = new std::map<Request, HFONT>;
    return *requests;
}
// The last request that found a font, answered without building a key: a panel's captions
// and read-outs ask for the same font one after the other.
struct Last_Found {
    std::string name, style;
    int size = 0;
    HFONT font = nullptr;  // null: nothing remembered
};
Last_Found& Last_Request()
{
    static auto* last = new Last_Found;
    return *last;
}
std::map<File_Key, Font_File*>& Files()
{
    static auto* files = new std::map<File_Key, Font_File*>;
    return *files;
}
std::map<Face_Key, HFONT>& Faces()
{
    static auto* faces = new std::map<Face_Key, HFONT>;
    return *faces;
}
std::list<HFONT>& Live()
{
    static auto* live = new std::list<HFONT>;
    return *live;
}

// [SECTION] Style words

bool Same_Text(const char* a, const char* b)
{
    return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a), reinterpret_cast<const FcChar8*>(b)) == 0;
}

// Generic names are answered by whatever family the configuration maps them to, so the family
// check cannot apply to them.
bool Is_Generic(const std::string& family)
{
    static const char* const generic[] = {"sans-serif", "sans",    "serif",   "monospace", "mono",
                                          "system-ui",  "cursive", "fantasy", "emoji",     "math"};
    for (const char* g : generic)
        if (Same_Text(family.c_str(), g))
            return true;
    return false;
}

// Turns a style such as "Bold Italic" into weight, slant and width; a style with any word we do
// not know is handed to Fontconfig as a style name instead (for example "Book" or "ExtraLight").
void Apply_Style(FcPattern* pattern, const char* style)
{
    if (!style || !*style)
        return;
    int weight = -1, slant = -1, width = -1;
    bool all_known = true;
    std::string word;
    for (const char* p = style;; ++p) {
        if (*p && !std::isspace(static_cast<unsigned char>(*p)) && *p != ',' && *p != '-') {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
            continue;
        }
        if (!word.empty()) {
            if (word == "bold")
                weight = FC_WEIGHT_BOLD;
            else if (word == "semibold" || word == "demibold")
                weight = FC_WEIGHT_DEMIBOLD;
            else if (word == "black" || word == "heavy")
                weight = FC_WEIGHT_BLACK;
            else if (word == "medium")
                weight = FC_WEIGHT_MEDIUM;
            else if (word == "light")
                weight = FC_WEIGHT_LIGHT;
            else if (word == "thin")
                weight = FC_WEIGHT_THIN;
            else if (word == "regular" || word == "normal")
                weight = FC_WEIGHT_REGULAR;
            else if (word == "italic")
                slant = FC_SLANT_ITALIC;
            else if (word == "oblique")
                slant = FC_SLANT_OBLIQUE;
            else if (word == "roman" || word == "upright")
                slant = FC_SLANT_ROMAN;
            else if (word == "condensed")
                width = FC_WIDTH_CONDENSED;
            else
                all_known = false;
            word.clear();
        }
        if (!*p)
            break;
    }
    if (!all_known) {
        FcPatternDel(pattern, FC_STYLE);
        FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style));
        return;
    }
    if (weight >= 0) {
        FcPatternDel(pattern, FC_WEIGHT);
        FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    }
    if (slant >= 0) {
        FcPatternDel(pattern, FC_SLANT);
        FcPatternAddInteger(pattern, FC_SLANT, slant);
    }
    if (width >= 0) {
        FcPatternDel(pattern, FC_WIDTH);
        FcPatternAddInteger(pattern, FC_WIDTH, width);
    }
}

// [SECTION] Files, sizes and the live list

// The file's face, opened (and mapped) on first use and kept: sizes come and go, the file stays.
Font_File* Open_File(const char* path, int index)
{
    const File_Key key{path, index};
    auto found = Files().find(key);
    if (found != Files().end())
        return found->second;
    FT_Library library = host::Font_Library();
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, path, index, &face) != 0)
        return nullptr;
    auto* file = new (std::nothrow) Font_File;
    if (!file) {
        FT_Done_Face(face);
        return nullptr;
    }
    file->path = path;
    file->index = index;
    file->face = face;
    Files()[key] = file;
    return file;
}

// Drops the heavy parts of a font; the record and its metrics stay.
void Rest(HFONT font)
{
    if (font->size)
        FT_Done_Size(font->size);
    font->size = nullptr;
    if (font->shaper)
        hb_font_destroy(font->shaper);
    font->shaper = nullptr;
    if (font->sorted)
        FcFontSetDestroy(font->sorted);
    font->sorted = nullptr;
    std::unordered_map<FT_UInt, FT_Pos>().swap(font->advances);
    font->plain.reset();
    std::unordered_map<char32_t, HFONT>().swap(font->fallback);
    if (font->live)
        Live().erase(font->recent);
    font->live = false;
}

// Makes a new FreeType size for the font and selects its pixel size or, for a bitmap-only face,
// the strike nearest to it. False when the face cannot be sized.
bool Make_Size(HFONT font)
{
    FT_Face face = font->file->face;
    FT_Size size = nullptr;
    if (FT_New_Size(face, &size) != 0)
        return false;
    FT_Activate_Size(size);
    bool sized = false;
    if (FT_IS_SCALABLE(face)) {
        sized = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(font->pixel_size)) == 0;
    } else if (face->num_fixed_sizes > 0) {
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i) {
            const long d = labs((face->available_sizes[i].y_ppem >> 6) - font->pixel_size);
            if (d < labs((face->available_sizes[best].y_ppem >> 6) - font->pixel_size))
                best = i;
        }
        sized = FT_Select_Size(face, best) == 0;
        font->strike = best;
    }
    if (!sized) {
        FT_Done_Size(size);
        return false;
    }
    font->size = size;
    return true;
}

// Puts the font at the front of the live list, resting the least recently used beyond the limit.
void Touch(HFONT font)
{
    auto& live = Live();
    if (font->live) {
        if (live.begin() != font->recent)
            live.splice(live.begin(), live, font->recent);
        return;
    }
    try {
        live.push_front(font);
    } catch (const std::bad_alloc&) {
        return;  // not listed: it simply never rests
    }
    font->recent = live.begin();
    font->live = true;
    while (live.size() > Max_Live)
        Rest(live.back());
}

// Loads (or finds loaded) one face of a file at `size` pixels.
HFONT Load_Face(const char* path, int index, int size)
{
    const Face_Key key{path, index, size};
    auto found = Faces().find(key);
    if (found != Faces().end())
        return found->second;

    Font_File* file = Open_File(path, index);
    if (!file)
        return nullptr;
    auto* font = new (std::nothrow) HFONT__;
    if (!font)
        return nullptr;
    font->file = file;
    font->pixel_size = size;
    if (!Make_Size(font)) {
        delete font;
        return nullptr;
    }
    const FT_Face face = file->face;
    const FT_Size_Metrics& m = face->size->metrics;
    font->baseline = static_cast<int>((m.ascender + 32) >> 6);
    font->line_height = static_cast<int>((m.ascender - m.descender + 63) >> 6);
    if (font->line_height < 1) {
        // Some bitmap fonts carry no vertical metrics: fall back on the nominal size.
        font->line_height = static_cast<int>((m.height + 63) >> 6);
        if (font->line_height < 1)
            font->line_height = size;
        if (font->baseline < 1 || font->baseline > font->line_height)
            font->baseline = font->line_height;
    }
    font->kerning = FT_HAS_KERNING(face);
    font->color = FT_HAS_COLOR(face);
    Faces()[key] = font;
    Touch(font);
    return font;
}

// [SECTION] Matching a request

// The request as a Fontconfig pattern, completed by the configuration, and the family it names
// (empty when it names none); null when the name does not parse.
FcPattern* Request_Pattern(const char* name, const char* style, int size, std::string& wanted)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    if (!pattern)
        return nullptr;
    FcChar8* family = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch)
        wanted = reinterpret_cast<const char*>(family);
    Apply_Style(pattern, style);
    FcPatternDel(pattern, FC_PIXEL_SIZE);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, size);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

HFONT Match(const char* name, const char* style, int size)
{
    if (!FcInit())
        return nullptr;
    std::string wanted;
    FcPattern* pattern = Request_Pattern(name, style, size, wanted);
    if (!pattern)
        return nullptr;

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (!match) {
        FcPatternDestroy(pattern);
        return nullptr;
    }

    // Fontconfig always offers a fallback; a font of another family is not what was asked for.
    FcChar8* family = nullptr;
    bool family_ok = wanted.empty() || Is_Generic(wanted);
    for (int i = 0; !family_ok && FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        family_ok = Same_Text(reinterpret_cast<const char*>(family), wanted.c_str());

    HFONT font = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (family_ok && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        font = Load_Face(reinterpret_cast<const char*>(file), index, size);
    }
    FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    // The first request that finds a font decides its fallback order. Kept as text: a completed
    // pattern costs kilobytes, and only fonts that meet a missing character need it again.
    if (font && font->request_name.empty()) {
        font->request_name = name;
        font->request_style = style ? style : "";
    }
    return font;
}

// After a change of the installed fonts, forgets the families found missing and the fallback
// orders, so that the next requests see the new fonts. Runs the check at most every few seconds.
void Recheck_Installed()
{
    using Clock = std::chrono::steady_clock;
    static Clock::time_point last{};
    const Clock::time_point now = Clock::now();
    if (last != Clock::time_point{} && now - last < Recheck_Every)
        return;
    last = now;
    if (FcConfigUptoDate(nullptr))
        return;
    FcInitReinitialize();
    for (auto it = Requests().begin(); it != Requests().end();)
        it = it->second ? std::next(it) : Requests().erase(it);
    for (auto& [key, font] : Faces()) {
        if (font->sorted)
            FcFontSetDestroy(font->sorted);
        font->sorted = nullptr;
        font->fallback.clear();
    }
}

// [SECTION] Fallback for characters a font lacks

// The first font of the sorted set that has `c`, at `size` pixels.
HFONT First_With(FcFontSet* sorted, char32_t c, int size)
{
    for (int i = 0; i < sorted->nfont; ++i) {
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
            !FcCharSetHasChar(charset, c))
            continue;
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
            continue;
        if (FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index) != FcResultMatch)
            index = 0;
        HFONT found = Load_Face(reinterpret_cast<const char*>(file), index, size);
        // Fontconfig's character set can claim more than the cmap maps; trust the face.
        if (found && FT_Get_Char_Index(found->file->face, c) != 0)
            return found;
    }
    return nullptr;
}

}  // namespace

namespace host {

FT_Library Font_Library()
{
    static FT_Library library = [] {
        FT_Library made = nullptr;
        return FT_Init_FreeType(&made) == 0 ? made : nullptr;
    }();
    return library;
}

bool Font_Use(HFONT font)
{
    if (!font)
        return false;
    if (!font->size && !Make_Size(font))
        return false;
    if (font->file->face->size != font->size)
        FT_Activate_Size(font->size);
    Touch(font);
    return true;
}

hb_font_t* Font_Shaper(HFONT font)
{
    if (!font)
        return nullptr;
    if (font->shaper)
        return font->shaper;
    Font_File* file = font->file;
    if (!file->shaper) {
        // Tables are read through FreeType, so the file is not mapped a second time.
        file->shaper = hb_ft_face_create_referenced(file->face);
        if (!file->shaper)
            return nullptr;
    }
    hb_font_t* shaper = hb_font_create(file->shaper);
    if (!shaper || shaper == hb_font_get_empty())
        return nullptr;
    hb_ot_font_set_funcs(shaper);
    // Positions come out in 26.6 pixels, like FreeType's.
    const int scale = font->pixel_size * 64;
    hb_font_set_scale(shaper, scale, scale);
    hb_font_set_ppem(shaper, static_cast<unsigned>(font->pixel_size), static_cast<unsigned>(font->pixel_size));
    font->shaper = shaper;
    Touch(font);
    return shaper;
}

HFONT Font_Fallback(HFONT font, char32_t c)
{
    if (!font)
        return nullptr;
    const auto known = font->fallback.find(c);
    if (known != font->fallback.end())
        return known->second;
    if (!font->sorted) {
        if (!FcInit())
            return nullptr;
        // A font loaded without a request (the system font's last resort) sorts for its family.
        std::string wanted;
        const char* family = font->file->face->family_name ? font->file->face->family_name : "sans-serif";
        FcPattern* pattern =
            font->request_name.empty()
                ? Request_Pattern(family, nullptr, font->pixel_size, wanted)
                : Request_Pattern(font->request_name.c_str(), font->request_style.c_str(), font->pixel_size, wanted);
        if (!pattern)
            return nullptr;
        FcResult result = FcResultNoMatch;
        font->sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
        FcPatternDestroy(pattern);
        if (!font->sorted)
            return nullptr;
    }
    // Loading a candidate may rest the least recently used fonts, this one among them on a system
    // with very many fonts: the set is held aside while it is walked, so that it stays alive.
    FcFontSet* sorted = font->sorted;
    font->sorted = nullptr;
    HFONT found = First_With(sorted, c, font->pixel_size);
    font->sorted = sorted;
    try {
        if (font->fallback.size() >= Max_Fallbacks)
            font->fallback.clear();
        font->fallback.emplace(c, found);
    } catch (const std::bad_alloc&) {
        // Not remembered: found again next time.
    }
    return found;
}

std::size_t Fonts_Live()
{
    return Live().size();
}

HFONT System_Font()
{
    static HFONT font = [] {
        HFONT found = Y_Create_Font(nullptr, System_Family, nullptr, nullptr, TARNEL_SYSTEM_FONT_SIZE);
        return found ? found : Load_Face(System_File, 0, TARNEL_SYSTEM_FONT_SIZE);
    }();
    return font;
}

}  // namespace host

// [SECTION] Seam functions

HFONT Y_Create_Font(HWND, const char* name, const char* style, const char*, int size)
{
    if (!name || !*name || size < Min_Size || size > Max_Size)
        return nullptr;
    Last_Found& last = Last_Request();
    if (!style)
        style = "";
    if (last.font && last.size == size && last.name == name && last.style == style)
        return last.font;
    try {
        Request key{name, style, size};
        auto found = Requests().find(key);
        HFONT font = nullptr;
        if (found != Requests().end() && found->second) {
            font = found->second;
        } else {
            if (found != Requests().end()) {
                Recheck_Installed();
                found = Requests().find(key);
                if (found != Requests().end())
                    return nullptr;
            }
            font = Match(name, style, size);
            if (Requests().size() >= Max_Requests)
                Requests().clear();
            last.font = nullptr;  // a request asked again is matched again
            Requests().emplace(std::move(key), font);
        }
        if (font) {
            last.font = nullptr;
            last.name = name;
            last.style = style;
            last.size = size;
            last.font = font;
        }
        return font;
    } catch (...) {
        // Out of memory for the cache: nothing is loaded, the caller falls back.
        return nullptr;
    }
}
