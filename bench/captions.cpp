// The caption reference: the panel's strings rendered by FreeType straight into alpha bitmaps.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench.h"

namespace bench {

namespace {
constexpr int BITMAP_W = 1024;  // the largest caption texture the widgets make
constexpr int BITMAP_H = 128;
}  // namespace

struct Captions::State {
    FT_Library library = nullptr;
    FT_Face caption = nullptr;  // at FONT_SIZE
    FT_Face readout = nullptr;  // at READOUT_FONT_SIZE
    std::vector<unsigned char> bitmap = std::vector<unsigned char>(BITMAP_W * BITMAP_H);
};

Captions::~Captions()
{
    if (!state_)
        return;
    if (state_->caption)
        FT_Done_Face(state_->caption);
    if (state_->readout)
        FT_Done_Face(state_->readout);
    if (state_->library)
        FT_Done_FreeType(state_->library);
    delete state_;
}

bool Captions::Open(std::string* error)
{
    state_ = new State;
    if (FT_Init_FreeType(&state_->library) != 0) {
        *error = "FreeType: Failed to start";
        return false;
    }
    if (FT_New_Face(state_->library, FONT_FILE, 0, &state_->caption) != 0 ||
        FT_New_Face(state_->library, FONT_FILE, 0, &state_->readout) != 0) {
        *error = std::string("FreeType: Failed to load face ") + FONT_FILE;
        return false;
    }
    FT_Set_Pixel_Sizes(state_->caption, 0, FONT_SIZE);
    FT_Set_Pixel_Sizes(state_->readout, 0, READOUT_FONT_SIZE);
    return true;
}

namespace {

// Renders one string into the top-left of `bitmap` (row 0 at the top) and returns its checksum.
unsigned long Render_One(FT_Face face, const char* text, std::vector<unsigned char>& bitmap)
{
    const int height = static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender + 63) >> 6);
    const int baseline = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
    std::memset(bitmap.data(), 0, static_cast<size_t>(BITMAP_W) * static_cast<size_t>(height));
    long pen = 0;
    for (const char* p = text; *p; ++p) {
        if (FT_Load_Char(face, static_cast<unsigned char>(*p), FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot g = face->glyph;
        const int left = static_cast<int>((pen + 32) >> 6) + g->bitmap_left;
        const int top = baseline - g->bitmap_top;
        for (unsigned int r = 0; r < g->bitmap.rows; ++r) {
            const int y = top + static_cast<int>(r);
            if (y < 0 || y >= height)
                continue;
            const unsigned char* src = g->bitmap.buffer + r * g->bitmap.pitch;
            for (unsigned int c = 0; c < g->bitmap.width; ++c) {
                const int x = left + static_cast<int>(c);
                if (x >= 0 && x < BITMAP_W && src[c] > bitmap[static_cast<size_t>(y * BITMAP_W + x)])
                    bitmap[static_cast<size_t>(y * BITMAP_W + x)] = src[c];
            }
        }
        pen += g->advance.x;
    }
    unsigned long sum = 0;
    for (int i = 0; i < BITMAP_W; i += 7)
        sum += bitmap[static_cast<size_t>((baseline / 2) * BITMAP_W + i)];
    return sum + static_cast<unsigned long>(pen);
}

}  // namespace

unsigned long Captions::Render(const std::vector<Row>& rows)
{
    unsigned long sum = 0;
    char readout[40];
    for (const Row& r : rows) {
        sum += Render_One(state_->caption, r.label_text.c_str(), state_->bitmap);
        sum += Render_One(state_->caption, r.button_text.c_str(), state_->bitmap);
        sum += Render_One(state_->caption, r.slider_text.c_str(), state_->bitmap);
        std::snprintf(readout, sizeof(readout), READOUT_FORMAT, static_cast<double>(r.value));
        sum += Render_One(state_->readout, readout, state_->bitmap);
    }
    return sum;
}

}  // namespace bench
