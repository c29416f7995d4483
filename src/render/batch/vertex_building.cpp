// The batch's vertex building: a slot's look written as vertices of the three streams (its
// textured parts placed in the atlas's cells on the way), the spills of captions over later slots,
// and the marks of mesh quads the lists leave out or cull.
#include "render/batch/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/core.h"
#include "core/recent.h"

namespace core {

namespace {

// Texture modes of a picture vertex's info[1].
enum : unsigned char { TEX_MASK = 1, TEX_MODULATE = 2, TEX_OPAQUE = 3 };

std::uint64_t Key_Hash(const void* key, int bytes)
{
    // Eight bytes at a time (a read-out's key is 160 bytes), the rest one by one.
    Recent_Hash h;
    const unsigned char* p = static_cast<const unsigned char*>(key);
    int i = 0;
    for (; p && i + 8 <= bytes; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        h.Add(word);
    }
    for (; p && i < bytes; ++i)
        h.Add(p[i]);
    return h.Done();
}

void Color_Bytes(unsigned int packed, unsigned char out[4])
{
    out[0] = packed & 0xFF;
    out[1] = (packed >> 8) & 0xFF;
    out[2] = (packed >> 16) & 0xFF;
    out[3] = 255;
}

// True when a textured part is one quad that maps its texture affinely and square to the widget's
// axes: a parallelogram with s along x and t along y, neither of them flat. Only then can the quad be
// cut down to a window of its texture without moving any texel on screen.
bool Quad_Aligned(const Look_Part& p)
{
    if (p.quads != 1 || p.scale[0] == 0.0f || p.scale[1] == 0.0f)
        return false;
    const short* c = p.Vertices();
    const float* u = p.Coords();
    for (int a = 0; a < 3; ++a)
        if (c[a] + c[6 + a] != c[3 + a] + c[9 + a])
            return false;
    // Corners 0 1 2 3: sides alternately along s and along t, starting with either; a side along s
    // keeps y, one along t keeps x.
    if (u[1] == u[3] && u[2] == u[4] && u[5] == u[7] && u[6] == u[0])
        return c[1] == c[4] && c[3] == c[6] && u[0] != u[2] && u[3] != u[5] && c[0] != c[3] && c[4] != c[7];
    if (u[0] == u[2] && u[3] == u[5] && u[4] == u[6] && u[7] == u[1])
        return c[0] == c[3] && c[4] == c[7] && u[1] != u[3] && u[2] != u[4] && c[1] != c[4] && c[3] != c[6];
    return false;
}

}  // namespace

// [SECTION] Vertices ----------------------------------------------------------------------------------

Look_Change Batch_Renderer::Signature_Compare(Slot& slot)
{
    const bool known = slot.signature_known;
    slot.signature_known = true;
    const Look_Change change = Look_Signature_Compare(slot.look, slot.Built_Get().signature, changed_parts_);
    return known ? change : Look_Change::WHOLE;
}

int Batch_Renderer::Part_Quads(const Look_Part& p, int& stream)
{
    const bool textured = (p.pass == Look_Pass::TEXT || p.pass == Look_Pass::PICTURE);
    stream = textured ? STREAM_TEXTURED : p.pass == Look_Pass::OUTLINE ? STREAM_OUTLINE : STREAM_OPAQUE;
    if (p.quads < 1)
        return 0;
    if (textured && (!p.texture.pixels || p.texture.tex_w < 1 || p.texture.tex_h < 1 || !p.Coords()))
        return 0;
    // Each edge of an outline is a quad of its own.
    return p.pass == Look_Pass::OUTLINE ? p.quads * 4 : p.quads;
}

int Batch_Renderer::Quads_Count(const Slot& slot, int counts[STREAMS], Texels* texels) const
{
    for (int k = 0; k < STREAMS; ++k)
        counts[k] = 0;
    int textured = 0;
    for (const Look_Part& p : slot.look.Parts()) {
        int stream = 0;
        const int quads = Part_Quads_Drawn(p, stream);
        counts[stream] += quads;
        if (quads > 0 && stream == STREAM_TEXTURED) {
            ++textured;
            if (texels) {
                texels->rgba = texels->rgba || p.texture.rgba;
                // A cell holds at most its texture and the slack around it, mostly.
                texels->area +=
                    static_cast<std::size_t>(p.texture.tex_w + 4) * static_cast<std::size_t>(p.texture.tex_h + 4);
            }
        }
    }
    return textured;
}

bool Batch_Renderer::Vertices_Build(Slot& slot, Vertex* out_streams[STREAMS], const unsigned char* write)
{
    Vertex* const base[STREAMS] = {out_streams[0], out_streams[1], out_streams[2]};
    std::vector<int>* part_quads = write ? nullptr : &slot.Built_Get().part_quads;
    if (part_quads)
        part_quads->assign(slot.look.Size(), 0);
    // The box around the corners, kept in locals: the vertices written as bytes might otherwise be
    // the members for all the compiler knows, which it would then reload and store at each corner.
    float lo_box[3] = {1e30f, 1e30f, 1e30f}, hi_box[3] = {-1e30f, -1e30f, -1e30f};
    // A build of some parts keeps no box (its caller follows the changed corners): none measured.
    const bool boxed = write == nullptr;
    const auto box_keep = [&] {
        if (!boxed)
            return;
        std::memcpy(built_lo_, lo_box, sizeof built_lo_);
        std::memcpy(built_hi_, hi_box, sizeof built_hi_);
    };
    // The box across the plane around the slot's meshes, found when a blended part first needs it.
    float mesh_lo[2] = {1e30f, 1e30f}, mesh_hi[2] = {-1e30f, -1e30f};
    bool mesh_measured = false;
    slot.spill = Box{};
    const bool was_out = slot.cells_out;
    slot.cells_out = false;
    std::size_t cell = 0;
    bool measured = false;  // boxes_ holds this slot's parts
    for (std::size_t part = 0; part < slot.look.Size(); ++part) {
        const Look_Part& p = slot.look.Parts()[part];
        int stream = 0;
        const int drawn = Part_Quads_Drawn(p, stream);
        if (part_quads)
            (*part_quads)[part] = drawn;
        if (drawn == 0)
            continue;
        if (write && !write[part] && stream != STREAM_TEXTURED) {
            out_streams[stream] += drawn * 4;
            continue;
        }
        const short* v = p.Vertices();
        const float* st = p.Coords();
        const bool textured = stream == STREAM_TEXTURED;
        // The part's colour and flags (lit, texture mode), for each of its vertices.
        unsigned char color[4], info[4] = {static_cast<unsigned char>(p.pass == Look_Pass::LIT ? 1 : 0), 0, 0, 0};
        Color_Bytes(p.pass == Look_Pass::OUTLINE ? 0u : p.rgb, color);
        // Texel coordinates of the part's texture, and where they lie in the atlas.
        float shift_u = 0.0f, shift_v = 0.0f, atlas_u = 0.0f, atlas_v = 0.0f;
        // The texel window (u0, v0, u1, v1) the quads are cut down to when `cut`.
        float window[4] = {};
        bool cut = false;
        if (textured) {
            const Look_Texture& t = p.texture;
            // The texels the quads' linear filtering reads, wrapped as the texture wraps.
            float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
            for (int i = 0; i < p.quads * 4; ++i) {
                const float u = (st[i * 2] + p.shift_s) * static_cast<float>(t.tex_w);
                const float w = st[i * 2 + 1] * static_cast<float>(t.tex_h);
                lo[0] = std::min(lo[0], u);
                hi[0] = std::max(hi[0], u);
                lo[1] = std::min(lo[1], w);
                hi[1] = std::max(hi[1], w);
            }
            if (cell >= static_cast<std::size_t>(slot.cell_room))
                return false;  // a textured part more than at the layout
            if (cell >= static_cast<std::size_t>(slot.cell_count))
                Slot_Cells(slot)[slot.cell_count++] = Cell{};
            Cell& c = Slot_Cells(slot)[cell++];
            Source source;
            source.pixels = t.pixels;
            source.tex_w = t.tex_w;
            source.tex_h = t.tex_h;
            source.rgba = t.rgba;
            source.wrap = t.wrap;
            source.key = Key_Hash(t.key, t.key_bytes);
            Region r, room;
            if (t.wrap == Look_Wrap::REPEAT) {
                // Whole periods moved away, so that a moving texture keeps one region.
                shift_u = -std::floor(lo[0] / t.tex_w) * t.tex_w;
                shift_v = -std::floor(lo[1] / t.tex_h) * t.tex_h;
                r.i0 = r.j0 = -1;
                r.w = static_cast<int>(std::ceil((hi[0] - lo[0]) / t.tex_w) + 1) * t.tex_w + 2;
                r.h = static_cast<int>(std::ceil((hi[1] - lo[1]) / t.tex_h) + 1) * t.tex_h + 2;
                room = r;
            } else {
                room = Atlas_Texels_Read(lo, hi, 0);
                // Texels without coverage or alpha blend to nothing: a caption's quad, which covers
                // its whole texture, is cut down to the ink. Pictures written opaque keep theirs.
                cut = (p.pass == Look_Pass::TEXT || p.blend) && Quad_Aligned(p);
                if ((p.pass == Look_Pass::TEXT || p.blend) && Spill_Measure(slot, p, mesh_lo, mesh_hi, mesh_measured))
                    cut = false;  // every texel's depth, as the widget's own quad writes it
                if (cut) {
                    if (!measured)
                        Boxes_Measure(slot);
                    measured = true;
                    Overlap_Window(slot, part, c.keep);
                    r = Atlas_Cell_Cut(c, source, lo, hi, c.keep, window);
                } else {
                    r = room;
                }
            }
            // A picture among masks only needs RGBA texels: a new layout. Any other picture of a slot
            // out of view waits outside the atlas: a frame where every read-out off screen changes
            // fills no room.
            const bool wait = cells_wait_ && !(source.rgba && texel_bytes_ == 1);
            if ((wait && cull_valid_ && !slot.visible) || !Cell_Place(c, source, r, room)) {
                if (wait) {
                    // The atlas keeps what is in view: the slot waits with quads that read nothing
                    // (left out of the lists) until it comes into view and is brought back.
                    c.w = c.h = 0;
                    c.region = Region{};
                    slot.cells_out = true;
                } else {
                    // Neither this cell nor the slot's later ones hold texels.
                    for (int i = static_cast<int>(cell) - 1; i < slot.cell_count; ++i)
                        Slot_Cells(slot)[i].region = Region{};
                    box_keep();
                    return false;
                }
            }
            atlas_u = static_cast<float>(c.x - r.i0) + shift_u;
            atlas_v = static_cast<float>(c.y - r.j0) + shift_v;
            if (p.pass == Look_Pass::TEXT) {
                info[1] = TEX_MASK;
                if (p.modulate)
                    for (int a = 0; a < 3; ++a)
                        color[a] = static_cast<unsigned char>((color[a] * color[a] + 127) / 255);
            } else {
                info[1] = !p.blend ? TEX_OPAQUE : TEX_MODULATE;
                if (!p.modulate)
                    Color_Bytes(0xFFFFFFu, color);
            }
        }
        // The part's vertices are written in place, every field: a layout builds some hundred
        // thousand of them straight into the buffer's copy.
        const bool outline = p.pass == Look_Pass::OUTLINE;
        const bool normals = p.vertex && p.normal;
        // A part without normals of its own has one for all its vertices, a unit vector: as shorts.
        short fixed[3];
        for (int a = 0; a < 3; ++a)
            fixed[a] = static_cast<short>(std::lround(std::min(std::max(p.fixed_normal[a], -1.0f), 1.0f) * 32767.0f));
        const bool colors = (p.pass == Look_Pass::LIT || p.pass == Look_Pass::UNLIT) && p.vertex && p.color;
        const float atlas_w = static_cast<float>(atlas_w_), atlas_h = uv_height_;
        const float scale[3] = {p.scale[0], p.scale[1], p.scale[2]};
        const float offset[3] = {p.offset[0], p.offset[1], p.offset[2]};
        Vertex* out = out_streams[stream];
        for (int q = 0; q < p.quads; ++q) {
            const short* qv = v + q * 12;
            // Axis by axis, spelt out: a layout places some hundred thousand corners.
            float corner[4][3];
            for (int k = 0; k < 4; ++k) {
                corner[k][0] = static_cast<float>(qv[k * 3]) * scale[0] + offset[0];
                corner[k][1] = static_cast<float>(qv[k * 3 + 1]) * scale[1] + offset[1];
                corner[k][2] = static_cast<float>(qv[k * 3 + 2]) * scale[2] + offset[2];
            }
            // Texel coordinates of the corners.
            float uv[4][2] = {};
            if (textured) {
                for (int k = 0; k < 4; ++k) {
                    uv[k][0] = (st[q * 8 + k * 2] + p.shift_s) * static_cast<float>(p.texture.tex_w);
                    uv[k][1] = st[q * 8 + k * 2 + 1] * static_cast<float>(p.texture.tex_h);
                }
                if (cut)
                    Atlas_Quad_Cut(corner, uv, window);
            }
            // An outline vertex's other end is a corner of the same quad: the corners cover the edges.
            if (boxed)
                for (const float* c : corner) {
                    lo_box[0] = std::min(lo_box[0], c[0]);
                    lo_box[1] = std::min(lo_box[1], c[1]);
                    lo_box[2] = std::min(lo_box[2], c[2]);
                    hi_box[0] = std::max(hi_box[0], c[0]);
                    hi_box[1] = std::max(hi_box[1], c[1]);
                    hi_box[2] = std::max(hi_box[2], c[2]);
                }
            if (outline) {
                // Each edge of the quad as its own band, in the order and direction GL's line polygon
                // mode gives them (the quad as triangles 0 1 3 and 1 2 3, each from its closing edge on,
                // inner edge left out): with blending off, the later band owns a corner pixel's alpha.
                static const int EDGES[4][2] = {{3, 0}, {0, 1}, {1, 2}, {2, 3}};
                for (int e = 0; e < 4; ++e) {
                    const float* a = corner[EDGES[e][0]];
                    const float* b = corner[EDGES[e][1]];
                    for (int k = 0; k < 4; ++k, ++out) {
                        const float* from = k < 2 ? a : b;
                        const float* to = k < 2 ? b : a;
                        std::memcpy(out->pos, from, sizeof out->pos);
                        std::memcpy(out->mid.other, to, sizeof out->mid.other);
                        // The far end's direction is turned, so sides right, left, right, left go
                        // round the band.
                        std::memcpy(out->color, color, 3);
                        out->color[3] = static_cast<unsigned char>((k & 1) + (k < 2 ? 0 : 2));
                    }
                }
                continue;
            }
            // Every byte written: the buffer's copy is not cleared first.
            if (textured) {
                for (int k = 0; k < 4; ++k, ++out) {
                    std::memcpy(out->pos, corner[k], sizeof out->pos);
                    out->mid.picture.uv[0] = (uv[k][0] + atlas_u) / atlas_w;
                    out->mid.picture.uv[1] = (uv[k][1] + atlas_v) / atlas_h;
                    std::memcpy(out->mid.picture.info, info, 4);
                    std::memcpy(out->color, color, 4);
                }
                continue;
            }
            const short* qn = normals ? p.normal + q * 12 : fixed;
            const int qn_step = normals ? 3 : 0;
            const unsigned int* qc = colors ? p.color + q * 4 : nullptr;
            for (int k = 0; k < 4; ++k, ++out) {
                std::memcpy(out->pos, corner[k], sizeof out->pos);
                std::memcpy(out->mid.mesh.normal, qn + k * qn_step, sizeof out->mid.mesh.normal);
                out->mid.mesh.spare[0] = out->mid.mesh.spare[1] = 0;
                std::memcpy(out->mid.mesh.info, info, 4);
                std::memcpy(out->color, qc ? static_cast<const void*>(qc + k) : color, 4);
            }
        }
        if (write)
            built_runs_.push_back(Built_Run{stream, static_cast<int>(out_streams[stream] - base[stream]),
                                            static_cast<int>(out - base[stream])});
        out_streams[stream] = out;
    }
    slot.cell_count = static_cast<int>(cell);
    box_keep();
    if (slot.cells_out != was_out) {
        // Its pictures join the textured list or leave it.
        lists_dirty_ = true;
        bring_wanted_ = bring_wanted_ || slot.cells_out;
    }
    return true;
}

bool Batch_Renderer::Spill_Measure(Slot& slot, const Look_Part& p, float mesh_lo[2], float mesh_hi[2], bool& measured)
{
    const auto extend = [](const Look_Part& part, float lo[3], float hi[3], int axes) {
        const short* v = part.Vertices();
        for (int k = 0; k < part.quads * 4; ++k)
            for (int a = 0; a < axes; ++a) {
                const float x = static_cast<float>(v[k * 3 + a]) * part.scale[a] + part.offset[a];
                lo[a] = std::min(lo[a], x);
                hi[a] = std::max(hi[a], x);
            }
    };
    if (!measured) {
        for (const Look_Part& m : slot.look.Parts()) {
            int stream = 0;
            if (Part_Quads(m, stream) > 0 && stream == STREAM_OPAQUE)
                extend(m, mesh_lo, mesh_hi, 2);
        }
        measured = true;
    }
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    extend(p, lo, hi, 3);
    if (lo[0] >= mesh_lo[0] && hi[0] <= mesh_hi[0] && lo[1] >= mesh_lo[1] && hi[1] <= mesh_hi[1])
        return false;
    const bool first = slot.spill.lo[0] > slot.spill.hi[0];
    for (int a = 0; a < 3; ++a) {
        slot.spill.lo[a] = first ? lo[a] : std::min(slot.spill.lo[a], lo[a]);
        slot.spill.hi[a] = first ? hi[a] : std::max(slot.spill.hi[a], hi[a]);
    }
    return true;
}

bool Batch_Renderer::Spill_Near(const Box& spill, const Box& later)
{
    return spill.lo[0] <= spill.hi[0] && later.lo[0] <= later.hi[0] && later.lo[2] < spill.hi[2] &&
           later.lo[0] < spill.hi[0] && spill.lo[0] < later.hi[0] && later.lo[1] < spill.hi[1] &&
           spill.lo[1] < later.hi[1];
}

bool Batch_Renderer::Spill_Hides(std::size_t i, std::size_t j) const
{
    const Box& spill = spill_boxes_[i];
    if (!Spill_Near(spill, slot_boxes_[j]))
        return false;
    // Quad by quad, as the vertex buffer holds them now: only what lies below the spilled quads
    // and overlaps them across the plane. Walls count; blank padding (a point) does not.
    const Slot& later = slots_[j];
    // Its live part's room after its streams (the part's place there is blank).
    const Range ranges[3] = {later.range[STREAM_OPAQUE], later.range[STREAM_TEXTURED],
                             later.live_part >= 0 ? Range{later.live_first, later.live_quads} : Range{}};
    for (const Range& range : ranges) {
        const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(range.first) * 4;
        for (int q = 0; q < range.capacity; ++q, v += 4) {
            Box b;
            for (int a = 0; a < 3; ++a) {
                b.lo[a] = std::min(std::min(v[0].pos[a], v[1].pos[a]), std::min(v[2].pos[a], v[3].pos[a]));
                b.hi[a] = std::max(std::max(v[0].pos[a], v[1].pos[a]), std::max(v[2].pos[a], v[3].pos[a]));
            }
            const int flat_axes = (b.lo[0] == b.hi[0]) + (b.lo[1] == b.hi[1]) + (b.lo[2] == b.hi[2]);
            if (flat_axes < 2 && Spill_Near(spill, b))
                return true;
        }
    }
    return false;
}

void Batch_Renderer::Boxes_Keep(std::size_t k)
{
    const Slot& s = slots_[k];
    // A slot not described yet has no quads a spill could hide: its estimate stays out of the grid.
    if (Pending(k)) {
        slot_boxes_[k] = spill_boxes_[k] = Box{};
        return;
    }
    for (int a = 0; a < 3; ++a) {
        slot_boxes_[k].lo[a] = s.lo[a];
        slot_boxes_[k].hi[a] = s.hi[a];
    }
    spill_boxes_[k] = s.spill;
}

namespace {

// The squares of the grid the spill counts look slots up in.
constexpr float SPILL_SQUARE = 64.0f;

int Square_Of(float x)
{
    return static_cast<int>(std::floor(std::min(std::max(x / SPILL_SQUARE, -1e8f), 1e8f)));
}

// The squares a box covers (first x, first y, last x, last y) and their number; none when empty.
std::size_t Squares_Of(const float lo[3], const float hi[3], int r[4])
{
    if (lo[0] > hi[0])
        return 0;
    r[0] = Square_Of(lo[0]);
    r[1] = Square_Of(lo[1]);
    r[2] = Square_Of(hi[0]);
    r[3] = Square_Of(hi[1]);
    return static_cast<std::size_t>(r[2] - r[0] + 1) * static_cast<std::size_t>(r[3] - r[1] + 1);
}

template <class F>
void Squares_Each(const int r[4], F&& f)
{
    for (int x = r[0]; x <= r[2]; ++x)
        for (int y = r[1]; y <= r[3]; ++y)
            f(static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32 | static_cast<std::uint32_t>(y));
}

// A box covering more squares than this is compared with every slot instead.
constexpr std::size_t SQUARES_MOST = 256;

}  // namespace

void Batch_Renderer::Squares_Enter(std::size_t k, const Box& box, const Box& spill, bool enter)
{
    const auto f = [&](Square_Map& map, const Box& b) {
        int r[4];
        if (Squares_Of(b.lo, b.hi, r) == 0)
            return;
        Squares_Each(r, [&](std::uint64_t square) {
            if (enter)
                map.Add(square, static_cast<std::uint32_t>(k));
            else
                map.Remove(square, static_cast<std::uint32_t>(k));
        });
    };
    f(box_squares_, box);
    f(spill_squares_, spill);
}

template <class F>
void Batch_Renderer::Squares_Near(const Square_Map& map, const Box& b, F&& f) const
{
    int r[4];
    if (Squares_Of(b.lo, b.hi, r) == 0)
        return;
    // Each slot once, though its box covers several of the squares.
    if (++squares_stamp_ == 0) {
        std::fill(squares_seen_.begin(), squares_seen_.end(), 0u);
        squares_stamp_ = 1;
    }
    Squares_Each(r, [&](std::uint64_t square) {
        map.Each(square, [&](std::uint32_t j) {
            if (squares_seen_[j] != squares_stamp_) {
                squares_seen_[j] = squares_stamp_;
                f(static_cast<std::size_t>(j));
            }
        });
    });
}

void Batch_Renderer::Spill_Count_All()
{
    box_squares_.Clear(0);
    spill_squares_.Clear(0);
    squares_seen_.assign(slots_.size(), 0);
    squares_stamp_ = 0;
    std::size_t entries = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Boxes_Keep(i);
        slots_[i].spill_hits = 0;
        int r[4];
        entries += Squares_Of(slot_boxes_[i].lo, slot_boxes_[i].hi, r);
        slots_[i].spilled_on = false;
    }
    // The slots by the squares of a grid their boxes cover, so that each spill is compared with
    // its neighbours only (a layout has thousands of labels and read-outs, each a spill). Boxes far
    // larger than the grid's squares (scaled-up widgets): every spill against every slot.
    squares_kept_ = entries <= 16 * slots_.size() + 4096;
    if (!squares_kept_) {
        for (std::size_t i = 0; i < slots_.size(); ++i)
            slots_[i].spill_hits = Spill_Count(i);
        return;
    }
    // Room for every entry at once spares the rehashing.
    box_squares_.Clear(entries);
    spill_squares_.Clear(entries);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        Squares_Enter(i, slot_boxes_[i], spill_boxes_[i], true);
    for (std::size_t k = 0; k < slots_.size(); ++k)
        slots_[k].spill_hits = Spill_Count(k);
}

int Batch_Renderer::Spill_Count(std::size_t k)
{
    int hits = 0;
    if (spill_boxes_[k].lo[0] > spill_boxes_[k].hi[0])
        return 0;
    const auto count = [&](std::size_t j) {
        if (!Spill_Near(spill_boxes_[k], slot_boxes_[j]))
            return;
        slots_[j].spilled_on = true;
        hits += Spill_Hides(k, j);
    };
    if (!squares_kept_) {
        for (std::size_t j = k + 1; j < slots_.size(); ++j)
            count(j);
        return hits;
    }
    Squares_Near(box_squares_, spill_boxes_[k], [&](std::size_t j) {
        if (j > k)
            count(j);
    });
    return hits;
}

void Batch_Renderer::Spill_Unhook(std::size_t k)
{
    // A changed slot is compared with the spills of the earlier slots near it only: a frame where
    // every read-out changes would otherwise compare every pair of slots.
    if (!squares_kept_) {
        for (std::size_t i = 0; i < k; ++i)
            slots_[i].spill_hits -= Spill_Hides(i, k);
        return;
    }
    Squares_Near(spill_squares_, slot_boxes_[k], [&](std::size_t i) {
        if (i < k)
            slots_[i].spill_hits -= Spill_Hides(i, k);
    });
}

void Batch_Renderer::Spill_Hook(std::size_t k)
{
    const Box box = slot_boxes_[k], spill = spill_boxes_[k];
    Boxes_Keep(k);
    if (squares_kept_) {
        // A read-out that changes its text mostly stays within the squares it covered.
        int was[2][4] = {}, now[2][4] = {};
        const std::size_t n[4] = {Squares_Of(box.lo, box.hi, was[0]), Squares_Of(spill.lo, spill.hi, was[1]),
                                  Squares_Of(slot_boxes_[k].lo, slot_boxes_[k].hi, now[0]),
                                  Squares_Of(spill_boxes_[k].lo, spill_boxes_[k].hi, now[1])};
        squares_kept_ = n[2] <= SQUARES_MOST && n[3] <= SQUARES_MOST;
        // Only the squares it left and those it reached change: a read-out moving across one edge
        // of the grid touches one or two.
        const auto move = [&](Square_Map& map, std::size_t had, const int(&a)[4], std::size_t has, const int(&b)[4]) {
            const auto inside = [](const int(&r)[4], std::uint64_t square) {
                const int x = static_cast<int>(static_cast<std::uint32_t>(square >> 32));
                const int y = static_cast<int>(static_cast<std::uint32_t>(square));
                return x >= r[0] && x <= r[2] && y >= r[1] && y <= r[3];
            };
            if (had > 0)
                Squares_Each(a, [&](std::uint64_t square) {
                    if (has == 0 || !inside(b, square))
                        map.Remove(square, static_cast<std::uint32_t>(k));
                });
            if (has > 0)
                Squares_Each(b, [&](std::uint64_t square) {
                    if (had == 0 || !inside(a, square))
                        map.Add(square, static_cast<std::uint32_t>(k));
                });
        };
        if (squares_kept_ && (n[0] != n[2] || n[1] != n[3] || std::memcmp(was, now, sizeof was) != 0)) {
            move(box_squares_, n[0], was[0], n[2], now[0]);
            move(spill_squares_, n[1], was[1], n[3], now[1]);
        }
    }
    slots_[k].spilled_on = false;
    const auto hook = [&](std::size_t i) {
        if (!Spill_Near(spill_boxes_[i], slot_boxes_[k]))
            return;
        slots_[k].spilled_on = true;
        slots_[i].spill_hits += Spill_Hides(i, k);
    };
    if (squares_kept_)
        Squares_Near(spill_squares_, slot_boxes_[k], [&](std::size_t i) {
            if (i < k)
                hook(i);
        });
    else
        for (std::size_t i = 0; i < k; ++i)
            hook(i);
    slots_[k].spill_hits = Spill_Count(k);
    // A run of the lists ends where it no longer should, or should where it does not.
    for (std::size_t i = 0; i <= k && !lists_dirty_; ++i)
        lists_dirty_ = (slots_[i].visible && slots_[i].spill_hits > 0) != slots_[i].run_end;
}

void Batch_Renderer::Boxes_Measure(const Slot& slot)
{
    boxes_.resize(slot.look.Size());
    for (std::size_t i = 0; i < slot.look.Size(); ++i) {
        const Look_Part& p = slot.look.Parts()[i];
        Part_Box& b = boxes_[i];
        b.later = p.pass == Look_Pass::OUTLINE                                  ? BOX_OUTLINE
                  : (p.pass == Look_Pass::TEXT || p.pass == Look_Pass::PICTURE) ? BOX_TEXTURED
                                                                                : BOX_NONE;
        if (b.later == BOX_NONE || p.quads < 1) {
            b.later = BOX_NONE;
            continue;
        }
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        const short* v = p.Vertices();
        for (int k = 0; k < p.quads * 4; ++k)
            for (int a = 0; a < 3; ++a) {
                const float x = static_cast<float>(v[k * 3 + a]) * p.scale[a] + p.offset[a];
                lo[a] = std::min(lo[a], x);
                hi[a] = std::max(hi[a], x);
            }
        b.x0 = lo[0];
        b.y0 = lo[1];
        b.z0 = lo[2];
        b.x1 = hi[0];
        b.y1 = hi[1];
        b.z1 = hi[2];
    }
}

void Batch_Renderer::Overlap_Window(const Slot& slot, std::size_t i, float keep[4]) const
{
    keep[0] = keep[1] = 1e30f;
    keep[2] = keep[3] = -1e30f;
    const Look_Part& p = slot.look.Parts()[i];
    const short* c = p.Vertices();
    const float* st = p.Coords();
    // Texel coordinates along x and y (Quad_Aligned): from corner 0 to its neighbour along s, and
    // to its neighbour along t.
    const int along_s = st[1] == st[3] ? 1 : 3, along_t = along_s == 1 ? 3 : 1;
    const float x0 = c[0] * p.scale[0] + p.offset[0], y0 = c[1] * p.scale[1] + p.offset[1];
    const float u0 = (st[0] + p.shift_s) * static_cast<float>(p.texture.tex_w);
    const float v0 = st[1] * static_cast<float>(p.texture.tex_h);
    const float du_dx = ((st[along_s * 2] + p.shift_s) * static_cast<float>(p.texture.tex_w) - u0) /
                        (c[along_s * 3] * p.scale[0] + p.offset[0] - x0);
    const float dv_dy = (st[along_t * 2 + 1] * static_cast<float>(p.texture.tex_h) - v0) /
                        (c[along_t * 3 + 1] * p.scale[1] + p.offset[1] - y0);
    const Part_Box& a = boxes_[i];
    for (std::size_t j = 0; j < boxes_.size(); ++j) {
        const Part_Box& b = boxes_[j];
        // Outlines are drawn after every picture, later pictures after this one.
        if (b.later == BOX_NONE || j == i || (b.later == BOX_TEXTURED && j < i))
            continue;
        // Seen askew, quads apart in the plane meet on screen: the heights between them widen the
        // overlap; an outline's band reaches beyond its edges.
        const float grow = std::max(a.z1, b.z1) - std::min(a.z0, b.z0) + (b.later == BOX_OUTLINE ? 2.0f : 0.0f);
        const float ox0 = std::max(a.x0, b.x0 - grow), ox1 = std::min(a.x1, b.x1 + grow);
        const float oy0 = std::max(a.y0, b.y0 - grow), oy1 = std::min(a.y1, b.y1 + grow);
        if (ox0 > ox1 || oy0 > oy1)
            continue;
        const float ua = u0 + (ox0 - x0) * du_dx, ub = u0 + (ox1 - x0) * du_dx;
        const float va = v0 + (oy0 - y0) * dv_dy, vb = v0 + (oy1 - y0) * dv_dy;
        keep[0] = std::min(keep[0], std::min(ua, ub));
        keep[2] = std::max(keep[2], std::max(ua, ub));
        keep[1] = std::min(keep[1], std::min(va, vb));
        keep[3] = std::max(keep[3], std::max(va, vb));
    }
}

namespace {

// A coordinate's bits, -0 as +0: equal coordinates, equal keys (a flat quad's is never NaN).
std::uint32_t Coordinate_Key(float f)
{
    if (f == 0.0f)
        f = 0.0f;
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

}  // namespace

std::uint64_t Batch_Renderer::Quad_Plane(const Vertex* v)
{
    if (v->mid.mesh.info[0] == 0)
        return NO_PLANE;
    for (int axis = 0; axis < 3; ++axis) {
        // The normal first: a widget's quad has one axis it points along.
        const float at = v[0].pos[axis];
        if (v->mid.mesh.normal[axis] == 0 || v[1].pos[axis] != at || v[2].pos[axis] != at || v[3].pos[axis] != at)
            continue;
        return std::uint64_t{static_cast<std::uint32_t>(axis)} << 32 | Coordinate_Key(at);
    }
    return NO_PLANE;
}

void Batch_Renderer::Twins_Mark(const Slot& s, const Plane_Set* only)
{
    const int count = s.range[STREAM_OPAQUE].capacity;
    // The lit quads lying across an axis, gathered by plane (the axis and the coordinate there) in a
    // small open-addressing table: only a plane that some face one way and others the other way can
    // hold twins, and only there are the quads' extents measured. Room for every quad at once,
    // written by index.
    // Each grown on its own: one whose growth failed (out of memory) is grown at the next call.
    const std::size_t room = static_cast<std::size_t>(count);
    if (flats_.size() < room)
        flats_.resize(room);
    if (flat_next_.size() < room)
        flat_next_.resize(room);
    if (plane_groups_.size() < room)
        plane_groups_.resize(room);
    Flat_Quad* const flats = flats_.data();
    int* const next = flat_next_.data();
    Plane_Group* const groups = plane_groups_.data();
    int flat_count = 0, group_count = 0;
    int bits = 4;
    while ((1 << bits) < 2 * count)
        ++bits;
    const std::size_t mask = (std::size_t{1} << bits) - 1;
    // The table's entries hold a call's stamp with the group: the entries of earlier calls read as
    // empty without being cleared.
    if (plane_table_.size() < mask + 1)
        plane_table_.resize(mask + 1, Plane_Entry{0, 0});
    if (++plane_stamp_ == 0) {
        std::fill(plane_table_.begin(), plane_table_.end(), Plane_Entry{0, 0});
        plane_stamp_ = 1;
    }
    const std::uint32_t stamp = plane_stamp_;
    const Mesh_Runs runs = Mesh_Runs_Get(s, 0, count);
    for (int r = 0; r < runs.count; ++r) {
        const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(runs.at[r]) * 4;
        for (int q = runs.q[r]; q < runs.q[r + 1]; ++q, v += 4) {
            if (only && only->across_z_only && v->mid.mesh.normal[2] == 0)
                continue;
            const std::uint64_t plane = Quad_Plane(v);
            if (plane == NO_PLANE || (only && !only->Has(plane)))
                continue;
            const int axis = static_cast<int>(plane >> 32);
            std::size_t h = static_cast<std::size_t>((plane * 0x9E3779B97F4A7C15ull) >> (64 - bits));
            Plane_Entry* entry = &plane_table_[h];
            while (entry->stamp == stamp && groups[entry->group].plane != plane) {
                h = (h + 1) & mask;
                entry = &plane_table_[h];
            }
            if (entry->stamp != stamp) {
                *entry = Plane_Entry{stamp, group_count};
                groups[group_count++] = Plane_Group{plane, -1, 0};
            }
            Plane_Group& g = groups[entry->group];
            const bool up = v->mid.mesh.normal[axis] > 0;
            g.sides |= up ? 2 : 1;
            next[flat_count] = g.head;
            g.head = flat_count;
            flats[flat_count++] = Flat_Quad{q, up, {}, {}};
        }
    }
    std::vector<unsigned char>& twin = twins_found_;
    twin.assign(static_cast<std::size_t>(count), 0);
    for (const Plane_Group* g_at = groups; g_at < groups + group_count; ++g_at) {
        const Plane_Group& g = *g_at;
        if (g.sides != 3)
            continue;
        const int axis = static_cast<int>(g.plane >> 32);
        // The other two axes, in turn after the plane's.
        const int across[2] = {axis == 2 ? 0 : axis + 1, axis == 0 ? 2 : axis - 1};
        for (int k = g.head; k >= 0; k = next[k]) {
            Flat_Quad& f = flats[k];
            const Vertex* c = vertices_.data() + static_cast<std::ptrdiff_t>(Mesh_Quad(s, f.quad)) * 4;
            for (int e = 0; e < 2; ++e) {
                float lo = 1e30f, hi = -1e30f;
                for (int corner = 0; corner < 4; ++corner) {
                    lo = std::min(lo, c[corner].pos[across[e]]);
                    hi = std::max(hi, c[corner].pos[across[e]]);
                }
                f.lo[e] = lo;
                f.hi[e] = hi;
            }
        }
        for (int j = g.head; j >= 0; j = next[j])
            for (int k = next[j]; k >= 0; k = next[k]) {
                const Flat_Quad& a = flats[j];
                const Flat_Quad& b = flats[k];
                if (a.up != b.up && a.lo[0] < b.hi[0] && b.lo[0] < a.hi[0] && a.lo[1] < b.hi[1] && b.lo[1] < a.hi[1])
                    twin[static_cast<std::size_t>(a.quad)] = twin[static_cast<std::size_t>(b.quad)] = 1;
            }
    }
    const auto keep = [&](int q, unsigned char& mark) {
        if ((twin[static_cast<std::size_t>(q)] != 0) != ((mark & MARK_TWIN) != 0)) {
            mark ^= MARK_TWIN;
            // Seen straight, an edge-on quad is in no list, twin or not (a cursor's wall meeting
            // its groove's end): the view turning builds the lists again anyway.
            if (!cull_straight_ || !(mark & MARK_EDGE_ON))
                lists_dirty_ = true;
        }
    };
    const auto keep_all = [&](int q_first, int q_end) {
        const Mesh_Runs marked = Mesh_Runs_Get(s, q_first, q_end);
        for (int r = 0; r < marked.count; ++r) {
            unsigned char* mark = marks_.data() + marked.at[r];
            for (int q = marked.q[r]; q < marked.q[r + 1]; ++q)
                keep(q, *mark++);
        }
    };
    if (!only) {
        keep_all(0, count);
        return;
    }
    // A quad's twin follows the quads of its own plane alone: the planes looked at, and the changed
    // quads (which may have left every plane), are all whose marks can have changed.
    for (int k = 0; k < flat_count; ++k)
        keep(flats[k].quad, marks_[static_cast<std::size_t>(Mesh_Quad(s, flats[k].quad))]);
    keep_all(std::max(only->changed_first, 0), std::min(only->changed_end, count));
}

void Batch_Renderer::Quads_Mark(int first, int count, bool fresh)
{
    const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(first) * 4;
    for (int q = 0; q < count; ++q, v += 4) {
        // All four corners on one x or one y: blank padding quads included.
        const bool same_x = v[0].pos[0] == v[1].pos[0] && v[0].pos[0] == v[2].pos[0] && v[0].pos[0] == v[3].pos[0];
        const bool same_y = v[0].pos[1] == v[1].pos[1] && v[0].pos[1] == v[2].pos[1] && v[0].pos[1] == v[3].pos[1];
        // Everything but the position alike: the lit colour is then the same at every corner
        // under a light from a direction.
        const auto rest = [&](int k) { return reinterpret_cast<const unsigned char*>(&v[k]) + sizeof v->pos; };
        constexpr std::size_t rest_bytes = sizeof(Vertex) - sizeof v->pos;
        const bool smooth = std::memcmp(rest(0), rest(1), rest_bytes) != 0 ||
                            std::memcmp(rest(0), rest(2), rest_bytes) != 0 ||
                            std::memcmp(rest(0), rest(3), rest_bytes) != 0;
        unsigned char& mark = marks_[static_cast<std::size_t>(first + q)];
        if (fresh) {
            mark = (same_x || same_y) ? MARK_EDGE_ON : 0;
        } else if ((mark & MARK_EDGE_ON) && !same_x && !same_y) {
            // Only a quad that turns into a face needs the list again; one that turns edge-on (a
            // widget hidden) is drawn as before and covers nothing.
            mark &= static_cast<unsigned char>(~MARK_EDGE_ON);
            lists_dirty_ = true;
        }
        if (smooth != ((mark & MARK_SMOOTH) != 0)) {
            mark ^= MARK_SMOOTH;
            smooth_quads_ += smooth ? 1 : -1;
        }
    }
}

void Batch_Renderer::Bounds_Make(Slot& slot) const
{
    std::memcpy(slot.lo, built_lo_, sizeof slot.lo);
    std::memcpy(slot.hi, built_hi_, sizeof slot.hi);
}

bool Batch_Renderer::Cell_Place(Cell& c, const Source& source, const Region& r, const Region& room)
{
    if (c.w > 0 && c.shown == source && c.region == r)
        return true;
    if (source.rgba && texel_bytes_ == 1) {
        layout_wanted_ = true;  // a picture where there were only masks: laid out again with RGBA texels
        return false;
    }
    c.shown = source;
    c.region = r;
    if (r.w < 1 || r.h < 1)
        return true;  // nothing drawn from it
    if (c.w < r.w || c.h < r.h) {
        // A cell that outgrows its texels after the layout moves to one that holds the part's whole
        // region: a read-out changes its text with every step of a drag, and then stays put.
        const int w = gathering_ ? r.w : std::max(r.w, room.w);
        const int h = gathering_ ? r.h : std::max(r.h, room.h);
        if (!Atlas_Shelf_Fit(shelf_x_, shelf_y_, shelf_h_, w, h, atlas_w_, atlas_h_, c.x, c.y))
            return false;
        c.w = w;
        c.h = h;
    }
    // Copied at once, while the ink search has the texels in the cache, into the atlas's rows:
    // the layout sends them all when it is done, a frame the rows its changed cells lie in.
    if (!gathering_)
        c.dirty = true;
    const std::size_t pitch = static_cast<std::size_t>(atlas_w_) * static_cast<std::size_t>(texel_bytes_);
    const std::size_t rows = static_cast<std::size_t>(c.y + r.h);
    if (pixels_.size() < rows * pitch)
        pixels_.resize(rows * pitch);
    Atlas_Cell_Fill(
        c, pixels_.data() + static_cast<std::size_t>(c.y) * pitch + static_cast<std::size_t>(c.x) * texel_bytes_, pitch,
        texel_bytes_);
    return true;
}

}  // namespace core
