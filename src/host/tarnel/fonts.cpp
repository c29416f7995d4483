// Fonts: Fontconfig finds the file, FreeType loads it at a pixel size, a cache keeps it forever.
#include "host/tarnel/font.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <tuple>

#include <fontconfig/fontconfig.h>

namespace {

constexpr int Min_Size = 1;
constexpr int Max_Size = 512;
constexpr const char* System_Family = "DejaVu Sans";
constexpr const char* System_File = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Requests and loaded faces, both kept for the life of the process: a widget may hold an HFONT
// as long as it likes. Failed requests are remembered too, so a missing family is looked up once.
using Request = std::tuple<std::string, std::string, int>;  // name, style, size
using Face_Key = std::tuple<std::string, int, int>;         // file, face index, size
// NOTE: never destroyed, so that fonts stay valid for widgets destroyed at exit.
std::map<Request, HFONT>& Requests()
{
    static auto* requests = new std::map<Request, HFONT>;
    return *requests;
}
std::map<Face_Key, HFONT>& Faces()
{
    static auto* faces = new std::map<Face_Key, HFONT>;
    return *faces;
}

bool Same_Text(const char* a, const char* b)
{
    return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a),
                              reinterpret_cast<const FcChar8*>(b)) == 0;
}

// Generic names are answered by whatever family the configuration maps them to, so the family
// check cannot apply to them.
bool Is_Generic(const std::string& family)
{
    static const char* const generic[] = {"sans-serif", "sans", "serif", "monospace", "mono",
                                          "system-ui", "cursive", "fantasy", "emoji", "math"};
    for (const char* g : generic)
        if (Same_Text(family.c_str(), g)) return true;
    return false;
}

// Turns a style such as "Bold Italic" into weight, slant and width; a style with any word we do
// not know is handed to Fontconfig as a style name instead (for example "Book" or "ExtraLight").
void Apply_Style(FcPattern* pattern, const char* style)
{
    if (!style || !*style) return;
    int weight = -1, slant = -1, width = -1;
    bool all_known = true;
    std::string word;
    for (const char* p = style;; ++p) {
        if (*p && !std::isspace(static_cast<unsigned char>(*p)) && *p != ',' && *p != '-') {
            word += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
            continue;
        }
        if (!word.empty()) {
            if (word == "bold") weight = FC_WEIGHT_BOLD;
            else if (word == "semibold" || word == "demibold") weight = FC_WEIGHT_DEMIBOLD;
            else if (word == "black" || word == "heavy") weight = FC_WEIGHT_BLACK;
            else if (word == "medium") weight = FC_WEIGHT_MEDIUM;
            else if (word == "light") weight = FC_WEIGHT_LIGHT;
            else if (word == "thin") weight = FC_WEIGHT_THIN;
            else if (word == "regular" || word == "normal") weight = FC_WEIGHT_REGULAR;
            else if (word == "italic") slant = FC_SLANT_ITALIC;
            else if (word == "oblique") slant = FC_SLANT_OBLIQUE;
            else if (word == "roman" || word == "upright") slant = FC_SLANT_ROMAN;
            else if (word == "condensed") width = FC_WIDTH_CONDENSED;
            else all_known = false;
            word.clear();
        }
        if (!*p) break;
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

// Loads (or finds loaded) one face of a file at `size` pixels.
HFONT Load_Face(const char* file, int index, int size)
{
    const Face_Key key{file, index, size};
    auto found = Faces().find(key);
    if (found != Faces().end()) return found->second;

    FT_Library library = host::Font_Library();
    FT_Face face = nullptr;
    if (!library || FT_New_Face(library, file, index, &face) != 0) return nullptr;
    bool sized = false;
    if (FT_IS_SCALABLE(face)) {
        sized = FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) == 0;
    } else if (face->num_fixed_sizes > 0) {
        // Bitmap-only fonts: take the strike nearest to the request.
        int best = 0;
        for (int i = 1; i < face->num_fixed_sizes; ++i) {
            const long d = labs((face->available_sizes[i].y_ppem >> 6) - size);
            if (d < labs((face->available_sizes[best].y_ppem >> 6) - size)) best = i;
        }
        sized = FT_Select_Size(face, best) == 0;
    }
    if (!sized) {
        FT_Done_Face(face);
        return nullptr;
    }

    auto* font = new (std::nothrow) HFONT__;
    if (!font) {
        FT_Done_Face(face);
        return nullptr;
    }
    const FT_Size_Metrics& m = face->size->metrics;
    font->face = face;
    font->pixel_size = size;
    font->baseline = static_cast<int>((m.ascender + 32) >> 6);
    font->line_height = static_cast<int>((m.ascender - m.descender + 63) >> 6);
    if (font->line_height < 1) {
        // Some bitmap fonts carry no vertical metrics: fall back on the nominal size.
        font->line_height = static_cast<int>((m.height + 63) >> 6);
        if (font->line_height < 1) font->line_height = size;
        if (font->baseline < 1 || font->baseline > font->line_height) font->baseline = font->line_height;
    }
    font->kerning = FT_HAS_KERNING(face);
    Faces()[key] = font;
    return font;
}

HFONT Match(const char* name, const char* style, int size)
{
    if (!FcInit()) return nullptr;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name));
    if (!pattern) return nullptr;

    std::string wanted;
    FcChar8* family = nullptr;
    if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch)
        wanted = reinterpret_cast<const char*>(family);
    Apply_Style(pattern, style);
    FcPatternDel(pattern, FC_PIXEL_SIZE);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, size);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return nullptr;

    // Fontconfig always offers a fallback; a font of another family is not what was asked for.
    bool family_ok = wanted.empty() || Is_Generic(wanted);
    for (int i = 0; !family_ok && FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
        family_ok = Same_Text(reinterpret_cast<const char*>(family), wanted.c_str());

    HFONT font = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (family_ok && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        font = Load_Face(reinterpret_cast<const char*>(file), index, size);
    }
    FcPatternDestroy(match);
    return font;
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

HFONT System_Font()
{
    static HFONT font = [] {
        HFONT found = Y_Create_Font(nullptr, System_Family, nullptr, nullptr, TARNEL_SYSTEM_FONT_SIZE);
        return found ? found : Load_Face(System_File, 0, TARNEL_SYSTEM_FONT_SIZE);
    }();
    return font;
}

}  // namespace host

HFONT Y_Create_Font(HWND, const char* name, const char* style, const char*, int size)
{
    if (!name || !*name || size < Min_Size || size > Max_Size) return nullptr;
    try {
        Request key{name, style ? style : "", size};
        auto found = Requests().find(key);
        if (found != Requests().end()) return found->second;
        HFONT font = Match(name, style, size);
        Requests().emplace(std::move(key), font);
        return font;
    } catch (...) {
        // Out of memory for the cache: nothing is loaded, the caller falls back.
        return nullptr;
    }
}
