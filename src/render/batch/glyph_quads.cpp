// Sharp text in a batch: captions as glyph quads from the shared distance-field atlas.
#include "render/batch/glyph_quads.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "core/core.h"
#include "render/batch/programs.h"
#include "render/batch/sharp_text_program.h"

namespace core {

namespace {

// x, y and z of a glyph's corner or of a step along one of its axes (and a fourth lane, unused or
// the texels a corner may move), worked on at once; each lane is worked out as a float on its own.
using Lanes = float __attribute__((vector_size(16)));

// std::min and std::max lane by lane: a NaN in `b` leaves `a`.
Lanes Lanes_Min(Lanes a, Lanes b)
{
    return b < a ? b : a;
}

Lanes Lanes_Max(Lanes a, Lanes b)
{
    return a < b ? b : a;
}

void Box_Clear(float lo[3], float hi[3])
{
    for (int a = 0; a < 3; ++a) {
        lo[a] = 1e30f;
        hi[a] = -1e30f;
    }
}

// Grows the box (started afresh with `fresh`) round `count` glyph corners and as far as each may be
// pushed.
void Glyphs_Box(const Glyph_Vertex* v, std::size_t count, float lo[3], float hi[3], bool fresh)
{
    if (fresh)
        Box_Clear(lo, hi);
    for (const Glyph_Vertex* end = v + count; v < end; ++v) {
        const float reach_x = std::fabs(v->step_x[3]), reach_y = std::fabs(v->step_y[3]);
        for (int a = 0; a < 3; ++a) {
            const float at = v->pos[a] + reach_x * v->step_x[a] + reach_y * v->step_y[a];
            lo[a] = std::min(std::min(lo[a], v->pos[a]), at);
            hi[a] = std::max(std::max(hi[a], v->pos[a]), at);
        }
    }
}

}  // namespace

bool Part_Sharp(const Look_Part& p)
{
    return p.pass == Look_Pass::TEXT && p.text && p.text[0] && p.text_tool && p.quads > 0 && p.Coords() &&
           p.texture.tex_w > 0 && p.texture.tex_h > 0;
}

void Glyph_Quads_Build(const Look_Part& p, Glyph_Atlas& atlas, std::vector<Glyph_Vertex>& out, float box_lo[3],
                       float box_hi[3])
{
    if (!Part_Sharp(p))
        return;
    const VR_Tools& tool = *p.text_tool;
    const HFONT font = Y_Create_Font(tool.Window, tool.Font_Name, tool.Font_Style, nullptr, p.text_size);
    const int tex_w = p.texture.tex_w, tex_h = p.texture.tex_h;
    host::Caption_Glyph some[64];
    std::vector<host::Caption_Glyph> more;
    const host::Caption_Glyph* glyphs = some;
    int n = host::Caption_Glyphs(font, p.text, tex_w, some, 64);
    if (n > 64) {
        more.resize(static_cast<std::size_t>(n));
        n = host::Caption_Glyphs(font, p.text, tex_w, more.data(), n);
        glyphs = more.data();
    }
    if (n <= 0)
        return;
    // The bitmap's texels (column, row from the top) to the widget's frame, from three corners of
    // the caption's quad: the glyphs go exactly where the bitmap's ink would.
    const short* v = p.Vertices();
    const float* st = p.Coords();
    float pos[3][3], tex[3][2];
    for (int k = 0; k < 3; ++k) {
        for (int a = 0; a < 3; ++a)
            pos[k][a] = static_cast<float>(v[k * 3 + a]) * p.scale[a] + p.offset[a];
        tex[k][0] = (st[k * 2] + p.shift_s) * static_cast<float>(tex_w);
        tex[k][1] = st[k * 2 + 1] * static_cast<float>(tex_h);
    }
    const float d1[2] = {tex[1][0] - tex[0][0], tex[1][1] - tex[0][1]};
    const float d2[2] = {tex[2][0] - tex[0][0], tex[2][1] - tex[0][1]};
    const float det = d1[0] * d2[1] - d1[1] * d2[0];
    if (std::fabs(det) < 1e-12f)
        return;
    float along_u[3], along_w[3];
    for (int a = 0; a < 3; ++a) {
        const float e1 = pos[1][a] - pos[0][a], e2 = pos[2][a] - pos[0][a];
        along_u[a] = (e1 * d2[1] - e2 * d1[1]) / det;
        along_w[a] = (e2 * d1[0] - e1 * d2[0]) / det;
    }
    const Lanes origin = {pos[0][0], pos[0][1], pos[0][2], 0.0f};
    const Lanes along_x = {along_u[0], along_u[1], along_u[2], 0.0f};
    const Lanes along_y = {along_w[0], along_w[1], along_w[2], 0.0f};
    Lanes low = {}, high = {};
    if (box_lo) {
        low = Lanes{box_lo[0], box_lo[1], box_lo[2], 0.0f};
        high = Lanes{box_hi[0], box_hi[1], box_hi[2], 0.0f};
    }
    // The texels the quad shows: the bitmap's ink is cut there, and so are the glyphs.
    float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
    for (int k = 0; k < 4; ++k) {
        const float u = (st[k * 2] + p.shift_s) * static_cast<float>(tex_w);
        const float w = st[k * 2 + 1] * static_cast<float>(tex_h);
        lo[0] = std::min(lo[0], u);
        hi[0] = std::max(hi[0], u);
        lo[1] = std::min(lo[1], w);
        hi[1] = std::max(hi[1], w);
    }
    unsigned char color[4] = {static_cast<unsigned char>(p.rgb & 0xFF), static_cast<unsigned char>((p.rgb >> 8) & 0xFF),
                              static_cast<unsigned char>((p.rgb >> 16) & 0xFF), 255};
    if (p.modulate)
        for (int a = 0; a < 3; ++a)
            color[a] = static_cast<unsigned char>((color[a] * color[a] + 127) / 255);
    const float page = static_cast<float>(atlas.Page_Size());
    const float pad = static_cast<float>(Glyph_Atlas::Padding);
    // Room for every glyph, written in place; the glyphs that draw nothing give theirs back.
    std::size_t used = out.size();
    out.resize(used + static_cast<std::size_t>(n) * GLYPH_CORNERS);
    for (int i = 0; i < n; ++i) {
        const host::Caption_Glyph& g = glyphs[i];
        const Glyph_Cell* c = atlas.Cell_Get(g.font, g.glyph);
        if (!c || c->page < 0 || c->em < 1)
            continue;
        // The quad is the cell alone (its field already reaches the spread past the outline); the
        // program takes in as much of the padding as a pixel seen from where the camera is needs.
        const float k = static_cast<float>(g.size) / static_cast<float>(c->em);
        float x0 = static_cast<float>(g.x) + static_cast<float>(c->left) * k;
        float y0 = static_cast<float>(g.y) - static_cast<float>(c->top) * k;
        float x1 = x0 + static_cast<float>(c->width) * k;
        float y1 = y0 + static_cast<float>(c->rows) * k;
        float s0 = static_cast<float>(c->x) / page, s1 = static_cast<float>(c->x + c->width) / page;
        float t0 = static_cast<float>(c->y) / page, t1 = static_cast<float>(c->y + c->rows) / page;
        // Cut to the texels the caption's quad shows, the atlas coordinates with it; the padding
        // reaches no further than the cut, and not at all on a side that is cut.
        const float ds = 1.0f / (page * k);
        const auto reach = [&](float room) { return std::clamp(room / k, 0.0f, pad); };
        const float reach_x0 = reach(x0 - lo[0]), reach_x1 = reach(hi[0] - x1);
        const float reach_y0 = reach(y0 - lo[1]), reach_y1 = reach(hi[1] - y1);
        if (x0 < lo[0]) {
            s0 += (lo[0] - x0) * ds;
            x0 = lo[0];
        }
        if (x1 > hi[0]) {
            s1 -= (x1 - hi[0]) * ds;
            x1 = hi[0];
        }
        if (y0 < lo[1]) {
            t0 += (lo[1] - y0) * ds;
            y0 = lo[1];
        }
        if (y1 > hi[1]) {
            t1 -= (y1 - hi[1]) * ds;
            y1 = hi[1];
        }
        if (x0 >= x1 || y0 >= y1)
            continue;
        // Round the quad from (x0, y0): a corner is the text box's first corner moved along the
        // glyph's two axes, summed as for one corner alone but each product taken once a glyph,
        // the three axes at once: every read-out's glyphs are placed again each live frame.
        const float du0 = x0 - tex[0][0], du1 = x1 - tex[0][0], dw0 = y0 - tex[0][1], dw1 = y1 - tex[0][1];
        const Lanes left = origin + along_x * du0, right = origin + along_x * du1;
        const Lanes top = along_y * dw0, bottom = along_y * dw1;
        const Lanes at[GLYPH_CORNERS] = {left + top, right + top, right + bottom, left + bottom};
        // One texel outward along the glyph's axes from each side, and the texels it may move so.
        const Lanes step_x = along_x * k, step_y = along_y * k;
        Lanes out_left = -step_x, out_right = step_x, out_up = -step_y, out_down = step_y;
        out_left[3] = -reach_x0;
        out_right[3] = reach_x1;
        out_up[3] = -reach_y0;
        out_down[3] = reach_y1;
        const unsigned char info[4] = {static_cast<unsigned char>(std::min(c->spread, 255)),
                                       static_cast<unsigned char>(std::min(c->page, 255)), 0, 0};
        Glyph_Vertex* q = out.data() + used;
        used += GLYPH_CORNERS;
        const auto corner = [&](Glyph_Vertex& v, const Lanes& place, const Lanes& outward_x, const Lanes& outward_y,
                                float s_at, float t_at) {
            std::memcpy(v.pos, &place, sizeof v.pos);
            std::memcpy(v.step_x, &outward_x, sizeof v.step_x);
            std::memcpy(v.step_y, &outward_y, sizeof v.step_y);
            v.uv[0] = s_at;
            v.uv[1] = t_at;
            std::memcpy(v.color, color, 4);
            std::memcpy(v.info, info, 4);
        };
        corner(q[0], at[0], out_left, out_up, s0, t0);
        corner(q[1], at[1], out_right, out_up, s1, t0);
        corner(q[2], at[2], out_right, out_down, s1, t1);
        corner(q[3], at[3], out_left, out_down, s0, t1);
        if (!box_lo)
            continue;
        // Each corner and as far as it may be pushed, taken in as Glyphs_Box takes them in.
        const Lanes push_left = -step_x * std::fabs(reach_x0), push_right = step_x * std::fabs(reach_x1);
        const Lanes push_up = -step_y * std::fabs(reach_y0), push_down = step_y * std::fabs(reach_y1);
        const auto take_in = [&](const Lanes& place, const Lanes& pushed) {
            low = Lanes_Min(Lanes_Min(low, place), pushed);
            high = Lanes_Max(Lanes_Max(high, place), pushed);
        };
        take_in(at[0], at[0] + push_left + push_up);
        take_in(at[1], at[1] + push_right + push_up);
        take_in(at[2], at[2] + push_right + push_down);
        take_in(at[3], at[3] + push_left + push_down);
    }
    if (box_lo)
        for (int a = 0; a < 3; ++a) {
            box_lo[a] = low[a];
            box_hi[a] = high[a];
        }
    out.resize(used);
}

bool Glyph_Quads::Init(const char* dialect, bool vao)
{
    Release();
    for (int outline = 0; outline < 2; ++outline) {
        Program& p = programs_[outline];
        p.id = Batch_Sharp_Program_Build(dialect, outline != 0);
        if (!p.id) {
            Release();
            return false;
        }
        p.u_mvp = glGetUniformLocation(p.id, "u_mvp");
        p.u_viewport = glGetUniformLocation(p.id, "u_viewport");
        p.u_atlas = glGetUniformLocation(p.id, "u_atlas");
        p.u_size = glGetUniformLocation(p.id, "u_atlas_size");
        p.u_page = glGetUniformLocation(p.id, "u_page");
        p.u_outline_color = glGetUniformLocation(p.id, "u_outline_color");
        p.u_outline_width = glGetUniformLocation(p.id, "u_outline_width");
    }
    rg_ = std::strcmp(dialect, "120") != 0 || GLEW_VERSION_3_0 || GLEW_ARB_texture_rg;
    glGenBuffers(1, &vbo_);
    glGenBuffers(1, &ibo_);
    if (vao) {
        glGenVertexArrays(1, &vao_);
        glBindVertexArray(vao_);
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
        Attributes_Point();
        for (GLuint i = 0; i < static_cast<GLuint>(Sharp_Text_Attribute_Count); ++i)
            glEnableVertexAttribArray(i);
        glBindVertexArray(0);
    }
    full_send_ = true;
    return true;
}

void Glyph_Quads::Release()
{
    for (Program& p : programs_) {
        if (p.id)
            glDeleteProgram(p.id);
        p = Program();
    }
    if (vao_)
        glDeleteVertexArrays(1, &vao_);
    if (vbo_)
        glDeleteBuffers(1, &vbo_);
    if (ibo_)
        glDeleteBuffers(1, &ibo_);
    if (!pages_.empty())
        glDeleteTextures(static_cast<GLsizei>(pages_.size()), pages_.data());
    pages_.clear();
    vao_ = vbo_ = ibo_ = 0;
    buffer_bytes_ = 0;
    index_bytes_ = 0;
    indices_dirty_ = true;
    sent_serial_ = 0;
    laid_out_ = false;
    full_send_ = true;
}

void Glyph_Quads::Slots_Resize(std::size_t count)
{
    if (count == slots_.size())
        return;
    slots_.resize(count);
    laid_out_ = false;
}

namespace {

// A slot's room for `quads` glyphs: a read-out of four digits may come to show seven.
int Room_For(int quads)
{
    return quads + std::max(4, quads / 2);
}

// Where a vertex of a slot's glyphs lies among those of its parts kept in its room, the live
// part's [lo, hi) left out; a vertex of that part maps to where it would begin.
std::size_t Steady_Index(std::size_t v, std::size_t lo, std::size_t hi)
{
    return v < lo ? v : v >= hi ? v - (hi - lo) : lo;
}

}  // namespace

int Glyph_Quads::Room_Take(int& capacity, int quads)
{
    const int first = quads_;
    capacity = Room_For(quads);
    quads_ += capacity;
    vertices_.resize(static_cast<std::size_t>(quads_) * GLYPH_CORNERS, Glyph_Vertex{});
    return first;
}

void Glyph_Quads::Room_Write(int first, int room, const Glyph_Vertex* const want[2], const std::size_t count[2],
                             std::size_t check_from, std::size_t check_end)
{
    Glyph_Vertex* at = vertices_.data() + static_cast<std::ptrdiff_t>(first) * GLYPH_CORNERS;
    const std::size_t corners = std::min(static_cast<std::size_t>(room) * GLYPH_CORNERS, check_end);
    int lo = -1, hi = -1;
    // The room's vertices [from, to) against src[0, to - from): from the first that differs to the
    // last, written in one piece (a moved read-out's glyphs all differ).
    const auto piece = [&](const Glyph_Vertex* src, std::size_t from, std::size_t to) {
        const std::size_t base = from;
        from = std::max(from, check_from);
        to = std::min(to, corners);
        if (from >= to)
            return;
        // src's elements from `from - base` on face the room's from `from` on.
        const Glyph_Vertex* want_at = src + (from - base);
        std::size_t a = 0, b = to - from;
        Differing_Run(want_at, at + from, a, b);
        if (a == b)
            return;
        std::memcpy(static_cast<void*>(&at[from + a]), &want_at[a], (b - a) * sizeof(Glyph_Vertex));
        lo = lo < 0 ? static_cast<int>(from + a) : lo;
        hi = static_cast<int>(from + b - 1);
    };
    piece(want[0], 0, count[0]);
    piece(want[1], count[0], count[0] + count[1]);
    const Glyph_Vertex blank{};
    for (std::size_t v = std::max(check_from, count[0] + count[1]); v < corners; ++v)
        if (std::memcmp(&blank, &at[v], sizeof blank) != 0) {
            at[v] = blank;
            lo = lo < 0 ? static_cast<int>(v) : lo;
            hi = static_cast<int>(v);
        }
    if (lo >= 0)
        spans_.push_back(Dirty_Span{first * GLYPH_CORNERS + lo, first * GLYPH_CORNERS + hi});
}

bool Glyph_Quads::Slot_Build(std::size_t i, const Look& look, const unsigned char* only)
{
    Slot& s = slots_[i];
    const std::size_t parts = look.Size();
    // The vertices that may differ from the buffer's copy: all of them, unless every changed part
    // built as many as it had, when they are written over the old ones and alone compared.
    std::size_t check_from = 0, check_end = SIZE_MAX;
    // Whether the live part's room and the rest's are to be compared.
    bool live_check = true, steady_check = true;
    // Whether the parts other than the live one kept their glyphs as they were.
    bool steady_kept = false;
    float built_lo[3], built_hi[3];
    if (only && s.part_ends.size() == parts) {
        // The changed parts' glyphs one after the other, each's count noted, and the box round them.
        built_.clear();
        built_counts_.clear();
        Box_Clear(built_lo, built_hi);
        bool same_counts = true;
        std::uint32_t from = 0;
        int glyph_parts = 0, changed_part = -1;
        for (std::size_t k = 0; k < parts; ++k) {
            const std::uint32_t end = s.part_ends[k];
            if (only[k]) {
                const std::size_t before = built_.size();
                Glyph_Quads_Build(look.Parts()[k], Glyph_Atlas_Shared(), built_, built_lo, built_hi);
                built_counts_.push_back(static_cast<std::uint32_t>(built_.size() - before));
                same_counts = same_counts && built_counts_.back() == end - from;
                if (built_counts_.back() > 0 || end > from) {
                    ++glyph_parts;
                    changed_part = static_cast<int>(k);
                }
            }
            from = end;
        }
        // The first time one part's glyphs change alone, that part takes room of its own.
        if (s.live_part < 0 && glyph_parts == 1 && laid_out_ && s.capacity > 0) {
            s.live_part = changed_part;
            s.live_capacity = 0;
            s.steady_known = false;
        }
        const Glyph_Vertex* built = built_.data();
        if (same_counts) {
            check_from = SIZE_MAX;
            check_end = 0;
            from = 0;
            live_check = false;
            for (std::size_t k = 0; k < parts; ++k) {
                const std::uint32_t end = s.part_ends[k];
                if (only[k] && end > from) {
                    std::copy(built, built + (end - from), s.vertices.begin() + from);
                    built += end - from;
                    if (static_cast<int>(k) == s.live_part)
                        live_check = true;
                    else {
                        check_from = std::min<std::size_t>(check_from, from);
                        check_end = end;
                    }
                }
                from = end;
            }
            steady_check = check_from < check_end;
            steady_kept = !steady_check;
        } else {
            // The unchanged parts' glyphs around the new ones, taken in whole or not at all: memory
            // running out half-way leaves the slot as it was.
            spliced_.clear();
            spliced_ends_.clear();
            from = 0;
            std::size_t c = 0;
            for (std::size_t k = 0; k < parts; ++k) {
                const std::uint32_t end = s.part_ends[k];
                if (only[k]) {
                    spliced_.insert(spliced_.end(), built, built + built_counts_[c]);
                    built += built_counts_[c++];
                } else {
                    spliced_.insert(spliced_.end(), s.vertices.begin() + from, s.vertices.begin() + end);
                }
                from = end;
                spliced_ends_.push_back(static_cast<std::uint32_t>(spliced_.size()));
            }
            s.vertices.swap(spliced_);
            s.part_ends.swap(spliced_ends_);
            // A read-out a glyph longer or shorter, living apart: the slot's own room is as it was.
            steady_kept = glyph_parts == 1 && changed_part == s.live_part;
            steady_check = !steady_kept;
        }
    } else {
        s.vertices.clear();
        s.part_ends.clear();
        for (const Look_Part& p : look.Parts()) {
            Glyph_Quads_Build(p, Glyph_Atlas_Shared(), s.vertices);
            s.part_ends.push_back(static_cast<std::uint32_t>(s.vertices.size()));
        }
    }
    // Round the quads as far as their corners may be pushed: culling sees what a far view draws.
    // Where only the live part's glyphs were written, the others' box is the one kept.
    std::size_t box_lo = 0, box_hi = 0;
    if (s.live_part >= 0 && static_cast<std::size_t>(s.live_part) < s.part_ends.size()) {
        box_lo = s.live_part > 0 ? s.part_ends[static_cast<std::size_t>(s.live_part) - 1] : 0;
        box_hi = s.part_ends[static_cast<std::size_t>(s.live_part)];
    }
    const bool live_alone = only && steady_kept && s.steady_known && box_hi > box_lo;
    if (!live_alone) {
        Glyphs_Box(s.vertices.data(), box_lo, s.steady_lo, s.steady_hi, true);
        Glyphs_Box(s.vertices.data() + box_hi, s.vertices.size() - box_hi, s.steady_lo, s.steady_hi, false);
        s.steady_known = box_hi > box_lo;
    }
    std::memcpy(s.lo, s.steady_lo, sizeof s.lo);
    std::memcpy(s.hi, s.steady_hi, sizeof s.hi);
    if (live_alone && only[s.live_part]) {
        // The live part's glyphs are the ones just built, and their box came with them.
        for (int a = 0; a < 3; ++a) {
            s.lo[a] = std::min(s.lo[a], built_lo[a]);
            s.hi[a] = std::max(s.hi[a], built_hi[a]);
        }
    } else {
        Glyphs_Box(s.vertices.data() + box_lo, box_hi - box_lo, s.lo, s.hi, false);
    }
    if (!laid_out_)
        return true;
    std::size_t live_lo = 0, live_hi = 0;
    Live_Range(s, live_lo, live_hi);
    const int live_quads = static_cast<int>((live_hi - live_lo) / GLYPH_CORNERS);
    const int quads = static_cast<int>(s.vertices.size() / GLYPH_CORNERS) - live_quads;
    // A slot without room (its widget described after the layout, as the view reached it) gets
    // its room, as a layout gives it, at the end: the others stay where they are. So does a part
    // that came to live apart, and the rest of its slot is written again without it.
    if (s.capacity == 0 && quads > 0)
        s.first = Room_Take(s.capacity, quads);
    if (s.live_part >= 0 && s.live_capacity == 0) {
        s.live_first = Room_Take(s.live_capacity, live_quads);
        // Its glyphs leave the slot's room, which draws as many quads fewer.
        s.drawn = quads;
        s.live_drawn = live_quads;
        indices_dirty_ = true;
        steady_check = live_check = true;
        check_from = 0;
        check_end = SIZE_MAX;
    }
    if (quads > s.capacity || live_quads > s.live_capacity)
        return false;
    if (quads > s.drawn || live_quads > s.live_drawn) {
        s.drawn = std::max(s.drawn, quads);
        s.live_drawn = std::max(s.live_drawn, live_quads);
        indices_dirty_ = true;
    }
    // Only the slot's own vertices that differ are written and sent: a read-out's new digits, not
    // the panel's.
    if (steady_check) {
        const Glyph_Vertex* want[2] = {s.vertices.data(), s.vertices.data() + live_hi};
        const std::size_t count[2] = {live_lo, s.vertices.size() - live_hi};
        Room_Write(s.first, s.capacity, want, count, Steady_Index(check_from, live_lo, live_hi),
                   check_end == SIZE_MAX ? SIZE_MAX : Steady_Index(check_end, live_lo, live_hi));
    }
    if (live_check && s.live_part >= 0) {
        const Glyph_Vertex* want[2] = {s.vertices.data() + live_lo, nullptr};
        const std::size_t count[2] = {live_hi - live_lo, 0};
        // Past the most quads it held since its room was given, the room has stayed blank.
        Room_Write(s.live_first, s.live_capacity, want, count, 0,
                   static_cast<std::size_t>(s.live_drawn) * GLYPH_CORNERS);
    }
    return true;
}

void Glyph_Quads::Live_Range(Slot& s, std::size_t& lo, std::size_t& hi)
{
    lo = hi = 0;
    if (s.live_part < 0)
        return;
    const std::size_t k = static_cast<std::size_t>(s.live_part);
    if (k >= s.part_ends.size()) {
        // Its parts are others now: the room it had stays unused until the next layout.
        s.live_part = -1;
        s.live_capacity = s.live_drawn = 0;
        return;
    }
    lo = k > 0 ? s.part_ends[k - 1] : 0;
    hi = s.part_ends[k];
}

void Glyph_Quads::Slot_Prefetch(std::size_t i, int stage) const
{
    if (i >= slots_.size())
        return;
    const Slot& s = slots_[i];
    if (stage == 2) {
        Lines_Prefetch(&s, sizeof s);
        return;
    }
    if (stage == 1) {
        Lines_Prefetch(s.part_ends.data(), s.part_ends.size() * sizeof(std::uint32_t));
        return;
    }
    // A slot whose live part changes alone writes that part's glyphs only: the rest of its copy (a
    // row's captions, some hundred lines) would crowd the lines it needs out of the cache.
    const std::size_t k = static_cast<std::size_t>(s.live_part);
    if (s.live_part >= 0 && k < s.part_ends.size()) {
        const std::size_t lo = k > 0 ? s.part_ends[k - 1] : 0, hi = s.part_ends[k];
        if (lo <= hi && hi <= s.vertices.size())
            Lines_Prefetch(s.vertices.data() + lo, (hi - lo) * sizeof(Glyph_Vertex));
    } else {
        Lines_Prefetch(s.vertices.data(), s.vertices.size() * sizeof(Glyph_Vertex));
    }
    const std::size_t room = static_cast<std::size_t>(s.live_first) * GLYPH_CORNERS,
                      corners = static_cast<std::size_t>(s.live_capacity) * GLYPH_CORNERS;
    if (s.live_part >= 0 && laid_out_ && room + corners <= vertices_.size())
        Lines_Prefetch(vertices_.data() + room, corners * sizeof(Glyph_Vertex));
}

bool Glyph_Quads::Slot_Box(std::size_t i, float lo[3], float hi[3]) const
{
    if (i >= slots_.size() || slots_[i].lo[0] > slots_[i].hi[0])
        return false;
    std::memcpy(lo, slots_[i].lo, sizeof slots_[i].lo);
    std::memcpy(hi, slots_[i].hi, sizeof slots_[i].hi);
    return true;
}

void Glyph_Quads::Layout()
{
    // Every slot's room first, then the live parts' rooms together.
    quads_ = 0;
    for (Slot& s : slots_) {
        std::size_t lo = 0, hi = 0;
        Live_Range(s, lo, hi);
        const int quads = static_cast<int>((s.vertices.size() - (hi - lo)) / GLYPH_CORNERS);
        s.capacity = quads > 0 ? Room_For(quads) : 0;
        s.drawn = quads;
        s.first = quads_;
        quads_ += s.capacity;
    }
    for (Slot& s : slots_) {
        if (s.live_part < 0)
            continue;
        std::size_t lo = 0, hi = 0;
        Live_Range(s, lo, hi);
        const int quads = static_cast<int>((hi - lo) / GLYPH_CORNERS);
        s.live_capacity = Room_For(quads);
        s.live_drawn = quads;
        s.live_first = quads_;
        quads_ += s.live_capacity;
    }
    vertices_.assign(static_cast<std::size_t>(quads_) * GLYPH_CORNERS, Glyph_Vertex{});
    for (Slot& s : slots_) {
        std::size_t lo = 0, hi = 0;
        Live_Range(s, lo, hi);
        auto out = vertices_.begin() + static_cast<std::ptrdiff_t>(s.first) * GLYPH_CORNERS;
        out = std::copy(s.vertices.begin(), s.vertices.begin() + static_cast<std::ptrdiff_t>(lo), out);
        std::copy(s.vertices.begin() + static_cast<std::ptrdiff_t>(hi), s.vertices.end(), out);
        if (s.live_part >= 0)
            std::copy(s.vertices.begin() + static_cast<std::ptrdiff_t>(lo),
                      s.vertices.begin() + static_cast<std::ptrdiff_t>(hi),
                      vertices_.begin() + static_cast<std::ptrdiff_t>(s.live_first) * GLYPH_CORNERS);
    }
    laid_out_ = true;
    full_send_ = true;
    indices_dirty_ = true;
    spans_.clear();
}

void Glyph_Quads::Slots_Drawn(const std::vector<std::uint32_t>& slots)
{
    drawn_slots_ = slots;
    indices_dirty_ = true;
}

void Glyph_Quads::Outline_Set(float width, unsigned int rgb)
{
    outline_width_ = std::isfinite(width) ? std::max(width, 0.0f) : 0.0f;
    outline_color_[0] = static_cast<float>(rgb & 0xFF) / 255.0f;
    outline_color_[1] = static_cast<float>((rgb >> 8) & 0xFF) / 255.0f;
    outline_color_[2] = static_cast<float>((rgb >> 16) & 0xFF) / 255.0f;
    outline_color_[3] = 1.0f;
}

void Glyph_Quads::Attributes_Point()
{
    const GLsizei stride = sizeof(Glyph_Vertex);
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Glyph_Vertex, pos)));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(Glyph_Vertex, uv)));
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(offsetof(Glyph_Vertex, color)));
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at(offsetof(Glyph_Vertex, info)));
    glVertexAttribPointer(4, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(Glyph_Vertex, step_x)));
    glVertexAttribPointer(5, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(Glyph_Vertex, step_y)));
}

void Glyph_Quads::Pages_Send(int& uploads)
{
    Glyph_Atlas& atlas = Glyph_Atlas_Shared();
    if (atlas.Serial() == sent_serial_ && static_cast<int>(pages_.size()) == atlas.Pages())
        return;
    const int size = atlas.Page_Size();
    const GLint inner = rg_ ? GL_R8 : GL_LUMINANCE8;
    const GLenum format = rg_ ? GL_RED : GL_LUMINANCE;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int page = 0; page < atlas.Pages(); ++page) {
        const bool fresh = page >= static_cast<int>(pages_.size());
        if (fresh) {
            GLuint texture = 0;
            glGenTextures(1, &texture);
            pages_.push_back(texture);
            glBindTexture(GL_TEXTURE_2D, texture);
            for (int l = 0; l < Glyph_Atlas::Levels; ++l)
                glTexImage2D(GL_TEXTURE_2D, l, inner, size >> l, size >> l, 0, format, GL_UNSIGNED_BYTE, nullptr);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, Glyph_Atlas::Levels - 1);
            // One level a read, which the program names (a level below the pixel's, rounded):
            // blending two levels doubled the texels a glyph's pixel fetches.
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        }
        // A page new to this batch goes up whole: other batches may have filled it long ago.
        std::vector<Atlas_Rect> rects = atlas.Changes(page, fresh ? 0 : sent_serial_);
        if (rects.empty())
            continue;
        glBindTexture(GL_TEXTURE_2D, pages_[static_cast<std::size_t>(page)]);
        for (const Atlas_Rect& r : rects) {
            ++uploads;
            for (int l = 0; l < Glyph_Atlas::Levels; ++l) {
                glPixelStorei(GL_UNPACK_ROW_LENGTH, size >> l);
                glPixelStorei(GL_UNPACK_SKIP_PIXELS, r.x >> l);
                glPixelStorei(GL_UNPACK_SKIP_ROWS, r.y >> l);
                glTexSubImage2D(GL_TEXTURE_2D, l, r.x >> l, r.y >> l, r.width >> l, r.height >> l, format,
                                GL_UNSIGNED_BYTE, atlas.Texels(page, l));
            }
        }
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    sent_serial_ = atlas.Serial();
}

int Glyph_Quads::Draw(const float mvp[16], const float viewport[2], int& uploads)
{
    if (!Ready() || quads_ == 0)
        return 0;
    Pages_Send(uploads);
    if (vao_)
        glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    const std::size_t bytes = vertices_.size() * sizeof(Glyph_Vertex);
    if (full_send_) {
        // Half as much again to spare: the read-outs that come to change alone after a layout
        // take their own room at the end, and a panel's worth of them then needs no new buffer.
        buffer_bytes_ = bytes + bytes / 2;
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer_bytes_), nullptr, GL_DYNAMIC_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), vertices_.data());
        ++uploads;
    } else if (bytes > buffer_bytes_) {
        // Room given past the buffer's end: one twice as large, so that slots reached one after
        // another by a moving view send the whole buffer only now and then.
        buffer_bytes_ = std::max(bytes, buffer_bytes_ * 2);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(buffer_bytes_), nullptr, GL_DYNAMIC_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), vertices_.data());
        ++uploads;
    } else if (!spans_.empty()) {
        // The frame's changed glyphs in a few pieces: close ones joined (a call costs more than a
        // few unchanged vertices), then the smallest gaps until few are left.
        Dirty_Spans_Join(spans_, SPAN_GAP);
        Dirty_Spans_Limit(spans_, MOST_UPLOADS);
        for (const Dirty_Span& d : spans_) {
            glBufferSubData(
                GL_ARRAY_BUFFER, static_cast<GLintptr>(static_cast<std::size_t>(d.first) * sizeof(Glyph_Vertex)),
                static_cast<GLsizeiptr>(static_cast<std::size_t>(d.last - d.first + 1) * sizeof(Glyph_Vertex)),
                vertices_.data() + d.first);
            ++uploads;
        }
    }
    full_send_ = false;
    spans_.clear();
    if (indices_dirty_) {
        indices_dirty_ = false;
        indices_.clear();
        // Each slot's glyphs in its parts' order, a live part's from its own room among them, so
        // that glyphs overlapping another widget's blend in the order widget-by-widget drawing
        // gives them, whatever came to live apart.
        const auto quads = [this](int first, int count) {
            for (int q = first; q < first + count; ++q) {
                const std::uint32_t v = static_cast<std::uint32_t>(q) * GLYPH_CORNERS;
                const std::uint32_t corners[GLYPH_INDICES] = {v, v + 1, v + 2, v, v + 2, v + 3};
                indices_.insert(indices_.end(), corners, corners + GLYPH_INDICES);
            }
        };
        for (const std::uint32_t i : drawn_slots_) {
            if (i >= slots_.size())
                continue;
            Slot& s = slots_[i];
            std::size_t live_lo = 0, live_hi = 0;
            Live_Range(s, live_lo, live_hi);
            const int before =
                s.live_part >= 0 ? std::min(s.drawn, static_cast<int>(live_lo / GLYPH_CORNERS)) : s.drawn;
            quads(s.first, before);
            if (s.live_part >= 0)
                quads(s.live_first, s.live_drawn);
            quads(s.first + before, s.drawn - before);
        }
        const std::size_t index_bytes = indices_.size() * sizeof(std::uint32_t);
        if (index_bytes > index_bytes_) {
            // Room for every quad's indices: a view turned round needs no new buffer.
            index_bytes_ =
                std::max(index_bytes, static_cast<std::size_t>(quads_) * GLYPH_INDICES * sizeof(std::uint32_t));
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(index_bytes_), nullptr, GL_DYNAMIC_DRAW);
        }
        if (index_bytes > 0) {
            glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(index_bytes), indices_.data());
            ++uploads;
        }
    }
    if (!vao_) {
        Attributes_Point();
        for (GLuint i = 0; i < static_cast<GLuint>(Sharp_Text_Attribute_Count); ++i)
            glEnableVertexAttribArray(i);
    }
    const Program& p = programs_[outline_width_ > 0.0f ? 1 : 0];
    glUseProgram(p.id);
    glUniformMatrix4fv(p.u_mvp, 1, GL_FALSE, mvp);
    glUniform2f(p.u_viewport, viewport[0], viewport[1]);
    glUniform1i(p.u_atlas, 0);
    const float size = static_cast<float>(Glyph_Atlas_Shared().Page_Size());
    glUniform2f(p.u_size, size, size);
    if (p.u_outline_width >= 0) {
        glUniform4fv(p.u_outline_color, 1, outline_color_);
        glUniform1f(p.u_outline_width, outline_width_);
    }
    // Glyph quads overlap their neighbours' padding: written to depth, one would hide the next's ink.
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    int calls = 0;
    const GLsizei count = static_cast<GLsizei>(indices_.size());
    for (std::size_t page = 0; page < pages_.size() && count > 0; ++page, ++calls) {
        glBindTexture(GL_TEXTURE_2D, pages_[page]);
        glUniform1f(p.u_page, static_cast<float>(page));
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
    }
    glDepthMask(GL_TRUE);
    // The batch enables and lets go of its own attributes; the ones past them are this program's.
    if (!vao_)
        for (GLuint i = ATTRIBUTE_COUNT; i < static_cast<GLuint>(Sharp_Text_Attribute_Count); ++i)
            glDisableVertexAttribArray(i);
    return calls;
}

}  // namespace core
