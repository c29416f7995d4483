// The batch's picture atlas on the CPU side: where each caption, read-out and picture keeps its
// texels (shelves of cells), which texels of a texture its quads read and show (cut down to the
// ink), and those texels copied out as the texture's wrapping gives them. Nothing here calls GL:
// the device part sends the rows this fills.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/look_kinds.h"

namespace core {

// The texels of a texture a part's filtering reads: i0, j0 (may be negative, or beyond the texture)
// and the size.
struct Atlas_Region {
    int i0 = 0, j0 = 0, w = 0, h = 0;
    bool operator==(const Atlas_Region& o) const { return i0 == o.i0 && j0 == o.j0 && w == o.w && h == o.h; }
};

// Which texture content a cell holds or measured.
struct Atlas_Source {
    const unsigned char* pixels = nullptr;
    int tex_w = 0, tex_h = 0;
    bool rgba = false;
    Look_Wrap wrap = Look_Wrap::BORDER;
    std::uint64_t key = 0;
    bool operator==(const Atlas_Source& o) const
    {
        return pixels == o.pixels && tex_w == o.tex_w && tex_h == o.tex_h && rgba == o.rgba && wrap == o.wrap &&
               key == o.key;
    }
};

struct Atlas_Cell {
    int x = 0, y = 0, w = 0, h = 0;  // atlas texels kept for this picture
    Atlas_Source shown;
    Atlas_Region region;  // what the cell holds now
    // The texels with coverage (or alpha) of `inked`: the quads are cut down to them.
    Atlas_Source inked;
    int ink[4] = {0, 0, -1, -1};  // first and last texel along s and t; empty when last < first
    int ink_area[4] = {};         // the texels searched: first along s and t, then one past the last
    float keep[4] = {};           // texel coordinates later quads of the slot overlap
    bool measured = false;
    bool dirty = false;  // placed anew in a frame: its texels wait to be sent
};

// Places a w x h cell on the shelves (x, y and height of the current shelf) of an atlas `width`
// wide and `height` high; false when it does not fit.
bool Atlas_Shelf_Fit(int& shelf_x, int& shelf_y, int& shelf_h, int w, int h, int width, int height, int& x, int& y);

// An atlas that keeps what is in view: the rows it keeps, `texels` of them in rows `width` wide (at
// least 64, at most `most`), before cells of slots out of view are let go.
int Atlas_Rows_Kept(std::size_t texels, int width, int most);

// The height of an atlas whose cells in view alone fill it: twice as tall, within `most`; 0 when it
// is as tall as that already.
int Atlas_Taller(int height, int most);

// Brings what is in view into an atlas that keeps only that. `bring()` places every waiting cell in
// view and says whether all of them found room; when one did not, every cell is let go (`evict()`)
// and those in view placed again, and when they alone fill the atlas, it grows (`grow()`, false at
// the tallest) and they are placed again. False when the tallest atlas cannot hold them.
template <class Bring, class Evict, class Grow>
bool Atlas_Keep_In_View(Bring&& bring, Evict&& evict, Grow&& grow)
{
    for (int round = 0;; ++round) {
        if (bring())
            return true;
        if (round > 0 && !grow())
            return false;
        evict();
    }
}

// The texels linear filtering reads for texel coordinates from lo to hi, and `slack` more on each
// side.
Atlas_Region Atlas_Texels_Read(const float lo[2], const float hi[2], int slack);

// The texels of a texture with coverage (a mask) or alpha (a picture) within `area` (first texel
// along s and t, then one past the last), as a box: first and last texel along s, then along t; the
// last before the first when there are none.
void Atlas_Ink_Find(const Atlas_Source& t, const int area[4], int box[4]);

// The region of texture `t` whose quads cover texel coordinates lo to hi, cut down to its ink
// (measured once per content, kept in the cell); fills the texel window (u0, v0, u1, v1) the quads
// are cut to. Texel coordinates in `keep` (u0, v0, u1, v1) stay.
Atlas_Region Atlas_Cell_Cut(Atlas_Cell& c, const Atlas_Source& t, const float lo[2], const float hi[2],
                            const float keep[4], float window[4]);

// Copies the cell's region into rows `pitch` bytes apart, `bytes` (4: RGBA, 1: the mask) a texel.
void Atlas_Cell_Fill(const Atlas_Cell& c, unsigned char* out, std::size_t pitch, int bytes);

// Cuts an affine textured quad (corners and their texel coordinates) down to the texel window
// (u0, v0, u1, v1): each corner slides along the quad's sides to its coordinates clamped to the
// window. A corner inside the window stays exactly where it was.
void Atlas_Quad_Cut(float corner[4][3], float uv[4][2], const float window[4]);

}  // namespace core
