// The picture atlas's CPU side: shelves, ink, cuts and texel copies.
#include "render/batch/picture_atlas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace core {

bool Atlas_Shelf_Fit(int& shelf_x, int& shelf_y, int& shelf_h, int w, int h, int width, int height, int& x, int& y)
{
    if (w > width)
        return false;
    if (shelf_x + w > width) {
        shelf_y += shelf_h;
        shelf_x = shelf_h = 0;
    }
    if (shelf_y + h > height)
        return false;
    x = shelf_x;
    y = shelf_y;
    shelf_x += w;
    shelf_h = std::max(shelf_h, h);
    return true;
}

int Atlas_Rows_Kept(std::size_t texels, int width, int most)
{
    const std::size_t rows = std::max<std::size_t>(texels / static_cast<std::size_t>(std::max(width, 1)), 64);
    return static_cast<int>(std::min<std::size_t>(rows, static_cast<std::size_t>(std::max(most, 1))));
}

int Atlas_Taller(int height, int most)
{
    return height >= most ? 0 : std::min(height * 2, most);
}

Atlas_Region Atlas_Texels_Read(const float lo[2], const float hi[2], int slack)
{
    Atlas_Region r;
    r.i0 = static_cast<int>(std::floor(lo[0] - 0.5f)) - slack;
    r.j0 = static_cast<int>(std::floor(lo[1] - 0.5f)) - slack;
    r.w = static_cast<int>(std::floor(hi[0] - 0.5f)) + 2 + slack - r.i0;
    r.h = static_cast<int>(std::floor(hi[1] - 0.5f)) + 2 + slack - r.j0;
    return r;
}

void Atlas_Ink_Find(const Atlas_Source& t, const int area[4], int box[4])
{
    int x0 = t.tex_w, x1 = -1, y0 = t.tex_h, y1 = -1;
    if (t.rgba) {
        for (int j = area[1]; j < area[3]; ++j) {
            const unsigned char* row = t.pixels + static_cast<std::size_t>(j) * t.tex_w * 4;
            for (int i = area[0]; i < area[2]; ++i)
                if (row[i * 4 + 3]) {
                    x0 = std::min(x0, i);
                    x1 = std::max(x1, i);
                    y0 = std::min(y0, j);
                    y1 = j;
                }
        }
    } else {
        // Most of a caption's texture is empty: rows are OR-ed together eight texels at a time, in
        // strips of up to 512 texels, which gives the rows with ink and, from the strip's sum, the
        // columns. A width that is no multiple of eight leaves texels for the plain loop.
        const int whole = area[0] + (area[2] - area[0]) / 8 * 8;
        for (int x = area[0]; x < whole; x += 512) {
            const int n = std::min(512, whole - x) / 8;
            std::uint64_t sum[64] = {};
            for (int j = area[1]; j < area[3]; ++j) {
                const unsigned char* row = t.pixels + static_cast<std::size_t>(j) * t.tex_w + x;
                std::uint64_t any = 0;
                for (int w = 0; w < n; ++w) {
                    std::uint64_t word;
                    std::memcpy(&word, row + w * 8, 8);
                    sum[w] |= word;
                    any |= word;
                }
                if (any) {
                    y0 = std::min(y0, j);
                    y1 = std::max(y1, j);
                }
            }
            // The first and the last inked column: only the outermost words with ink are looked into.
            unsigned char columns[512];
            std::memcpy(columns, sum, static_cast<std::size_t>(n) * 8);
            int first = 0, last = n - 1;
            while (first < n && sum[first] == 0)
                ++first;
            while (last > first && sum[last] == 0)
                --last;
            if (first == n)
                continue;
            for (int i = first * 8; i < first * 8 + 8; ++i)
                if (columns[i]) {
                    x0 = std::min(x0, x + i);
                    break;
                }
            for (int i = last * 8 + 7; i >= last * 8; --i)
                if (columns[i]) {
                    x1 = std::max(x1, x + i);
                    break;
                }
        }
        for (int j = area[1]; j < area[3]; ++j)
            for (int i = whole; i < area[2]; ++i)
                if (t.pixels[static_cast<std::size_t>(j) * t.tex_w + i]) {
                    x0 = std::min(x0, i);
                    x1 = std::max(x1, i);
                    y0 = std::min(y0, j);
                    y1 = std::max(y1, j);
                }
    }
    box[0] = x0;
    box[1] = y0;
    box[2] = x1;
    box[3] = y1;
}

Atlas_Region Atlas_Cell_Cut(Atlas_Cell& c, const Atlas_Source& t, const float lo[2], const float hi[2],
                            const float keep[4], float window[4])
{
    // Only the texels the quads read are searched (a caption's quad shows the text's part of its
    // texture).
    const Atlas_Region read = Atlas_Texels_Read(lo, hi, 0);
    const int area[4] = {std::max(read.i0, 0), std::max(read.j0, 0), std::min(read.i0 + read.w, t.tex_w),
                         std::min(read.j0 + read.h, t.tex_h)};
    if (!c.measured || !(c.inked == t) || std::memcmp(area, c.ink_area, sizeof area) != 0) {
        if (area[0] < area[2] && area[1] < area[3]) {
            Atlas_Ink_Find(t, area, c.ink);
        } else {
            c.ink[0] = c.ink[1] = 0;
            c.ink[2] = c.ink[3] = -1;
        }
        c.inked = t;
        std::memcpy(c.ink_area, area, sizeof area);
        c.measured = true;
    }
    const int size[2] = {t.tex_w, t.tex_h};
    for (int a = 0; a < 2; ++a) {
        // Ink texel k weighs in from coordinate k - 0.5 to k + 1.5. A texture clamped to its edge
        // repeats the edge's ink beyond it: that side stays.
        const bool edge = t.wrap == Look_Wrap::EDGE;
        window[a] = edge && c.ink[a] == 0 ? lo[a] : std::max(lo[a], static_cast<float>(c.ink[a]) - 0.5f);
        window[a + 2] =
            edge && c.ink[a + 2] == size[a] - 1 ? hi[a] : std::min(hi[a], static_cast<float>(c.ink[a + 2]) + 1.5f);
        // Where quads drawn later overlap, the transparent texels stay: their depth hides those
        // quads' fragments behind them, as in the widgets' own drawing.
        if (keep[a] <= keep[a + 2]) {
            window[a] = std::max(lo[a], std::min(window[a], keep[a]));
            window[a + 2] = std::min(hi[a], std::max(window[a + 2], keep[a + 2]));
        }
    }
    if (window[0] > window[2] || window[1] > window[3]) {
        // Nothing to show: the quads shrink to a point and the cell holds no texels.
        window[0] = window[2] = lo[0];
        window[1] = window[3] = lo[1];
        return Atlas_Region{};
    }
    // One texel more on each side than the cut quads read, so that no rounding of a coordinate at
    // the cut reaches the neighbouring cell.
    const float from[2] = {window[0], window[1]}, to[2] = {window[2], window[3]};
    return Atlas_Texels_Read(from, to, 1);
}

void Atlas_Cell_Fill(const Atlas_Cell& c, unsigned char* out, std::size_t pitch, int bytes)
{
    const Atlas_Source& t = c.shown;
    const Atlas_Region& r = c.region;
    if (!t.rgba && bytes == 1 && t.wrap != Look_Wrap::REPEAT) {
        // A mask into a mask atlas, the usual cell (a caption cut to its ink): each row is the texels
        // before the texture, those inside it and those after it, mostly one texel of slack at most
        // either side, too few for a call each.
        const int inside0 = std::min(std::max(-r.i0, 0), r.w);
        const int inside1 = std::max(std::min(t.tex_w - r.i0, r.w), inside0);
        const bool border = t.wrap == Look_Wrap::BORDER;
        for (int y = 0; y < r.h; ++y, out += pitch) {
            int j = r.j0 + y;
            if (j < 0 || j >= t.tex_h) {
                if (border) {
                    std::memset(out, 0, static_cast<std::size_t>(r.w));
                    continue;
                }
                j = std::min(std::max(j, 0), t.tex_h - 1);
            }
            const unsigned char* row = t.pixels + static_cast<std::size_t>(j) * static_cast<std::size_t>(t.tex_w);
            const unsigned char before = border ? 0 : row[0], after = border ? 0 : row[t.tex_w - 1];
            for (int x = 0; x < inside0; ++x)
                out[x] = before;
            if (inside1 > inside0)
                std::memcpy(out + inside0, row + r.i0 + inside0, static_cast<std::size_t>(inside1 - inside0));
            for (int x = inside1; x < r.w; ++x)
                out[x] = after;
        }
        return;
    }
    const std::size_t texel = t.rgba ? 4 : 1;
    const std::size_t step = static_cast<std::size_t>(bytes);
    // Texel (i, j) of the region as the texture's wrapping gives it: clamped to the edge, transparent
    // black beyond the border, or repeated. A mask is black with its coverage as alpha, as GL shows
    // an alpha texture. Each row goes in runs of texels read one after the other.
    const auto copy = [&](unsigned char* to, int i, int j, int n, bool repeat_one) {
        const unsigned char* from = t.pixels + (static_cast<std::size_t>(j) * t.tex_w + i) * texel;
        if (t.rgba && !repeat_one) {
            std::memcpy(to, from, static_cast<std::size_t>(n) * 4);
        } else if (t.rgba) {
            for (int k = 0; k < n; ++k)
                std::memcpy(to + k * 4, from, 4);
        } else if (step == 1) {
            if (repeat_one)
                std::memset(to, from[0], static_cast<std::size_t>(n));
            else
                std::memcpy(to, from, static_cast<std::size_t>(n));
        } else {
            for (int k = 0; k < n; ++k) {
                to[k * 4] = to[k * 4 + 1] = to[k * 4 + 2] = 0;
                to[k * 4 + 3] = from[repeat_one ? 0 : k];
            }
        }
    };
    for (int y = 0; y < r.h; ++y, out += pitch) {
        int j = r.j0 + y;
        if (t.wrap == Look_Wrap::REPEAT) {
            j = ((j % t.tex_h) + t.tex_h) % t.tex_h;
        } else if (j < 0 || j >= t.tex_h) {
            if (t.wrap == Look_Wrap::BORDER) {
                std::memset(out, 0, static_cast<std::size_t>(r.w) * step);
                continue;
            }
            j = std::min(std::max(j, 0), t.tex_h - 1);
        }
        for (int x = 0; x < r.w;) {
            const int i = r.i0 + x;
            unsigned char* to = out + static_cast<std::size_t>(x) * step;
            int n = 0;
            if (t.wrap == Look_Wrap::REPEAT) {
                const int from = ((i % t.tex_w) + t.tex_w) % t.tex_w;
                n = std::min(t.tex_w - from, r.w - x);
                copy(to, from, j, n, false);
            } else if (i < 0 || i >= t.tex_w) {
                n = i < 0 ? std::min(-i, r.w - x) : r.w - x;
                if (t.wrap == Look_Wrap::BORDER)
                    std::memset(to, 0, static_cast<std::size_t>(n) * step);
                else
                    copy(to, i < 0 ? 0 : t.tex_w - 1, j, n, true);
            } else {
                n = std::min(t.tex_w - i, r.w - x);
                copy(to, i, j, n, false);
            }
            x += n;
        }
    }
}

void Atlas_Quad_Cut(float corner[4][3], float uv[4][2], const float window[4])
{
    // Along s from corner 0 to the neighbour that shares its t, along t to the other neighbour.
    const int along_s = uv[1][1] == uv[0][1] ? 1 : 3;
    const int along_t = along_s == 1 ? 3 : 1;
    const float du = uv[along_s][0] - uv[0][0], dv = uv[along_t][1] - uv[0][1];
    float per_u[3] = {}, per_v[3] = {};
    for (int a = 0; a < 3; ++a) {
        per_u[a] = du != 0.0f ? (corner[along_s][a] - corner[0][a]) / du : 0.0f;
        per_v[a] = dv != 0.0f ? (corner[along_t][a] - corner[0][a]) / dv : 0.0f;
    }
    for (int k = 0; k < 4; ++k) {
        const float u = du != 0.0f ? std::min(std::max(uv[k][0], window[0]), window[2]) : uv[k][0];
        const float w = dv != 0.0f ? std::min(std::max(uv[k][1], window[1]), window[3]) : uv[k][1];
        if (u == uv[k][0] && w == uv[k][1])
            continue;
        for (int a = 0; a < 3; ++a)
            corner[k][a] += (u - uv[k][0]) * per_u[a] + (w - uv[k][1]) * per_v[a];
        uv[k][0] = u;
        uv[k][1] = w;
    }
}

}  // namespace core
