// The batch's GL device part: the programs' objects, the vertex and index buffers, the atlas
// texture and its uploads, the layout and frame that send what vertex building wrote, the draw
// loop, and the host's depth and culling saved around it.
//
// [SECTION] Program and objects
// [SECTION] Atlas texture
// [SECTION] Layout and frame
#include "render/batch/renderer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/core.h"
#include "render/batch/culling.h"

namespace core {

namespace {

void Box_Add(const void* vertices, std::size_t stride, int count, float lo[3], float hi[3])
{
    const unsigned char* v = static_cast<const unsigned char*>(vertices);
    for (int i = 0; i < count; ++i, v += stride) {
        float pos[3];
        std::memcpy(pos, v, sizeof pos);
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], pos[a]);
            hi[a] = std::max(hi[a], pos[a]);
        }
    }
}

constexpr int ATLAS_WIDTH = 2048;

void Mat4_Mul(const float a[16], const float b[16], float out[16])
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a[k * 4 + r] * b[c * 4 + k];
            out[c * 4 + r] = s;
        }
}

}  // namespace

Batch_View Batch_View_Make(const float projection[16], const float model_view[16], const float light[4],
                           const float diffuse[3], const float ambient[3], bool normalize)
{
    Batch_View v{};
    Mat4_Mul(projection, model_view, v.mvp);
    std::memcpy(v.model_view, model_view, sizeof v.model_view);
    // Inverse transpose of the upper 3 x 3, as GL transforms normals.
    const float* m = model_view;
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
    const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    const float k = det != 0.0f ? 1.0f / det : 0.0f;
    const float inv[9] = {(e * i - f * h) * k, (c * h - b * i) * k, (b * f - c * e) * k,
                          (f * g - d * i) * k, (a * i - c * g) * k, (c * d - a * f) * k,
                          (d * h - e * g) * k, (b * g - a * h) * k, (a * e - b * d) * k};
    // `inv` is the inverse row by row, which read column by column is its transpose.
    std::memcpy(v.normal_matrix, inv, sizeof v.normal_matrix);
    std::memcpy(v.light, light, sizeof v.light);
    if (light[3] == 0.0f) {
        const float len = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
        for (int i = 0; i < 3 && len > 0.0f; ++i)
            v.light[i] = light[i] / len;
    }
    std::memcpy(v.diffuse, diffuse, sizeof v.diffuse);
    std::memcpy(v.ambient, ambient, sizeof v.ambient);
    v.normalize = normalize;
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    v.viewport[0] = static_cast<float>(std::max(viewport[2], 1));
    v.viewport[1] = static_cast<float>(std::max(viewport[3], 1));
    return v;
}

// [SECTION] Program and objects -----------------------------------------------------------------------

bool Batch_Renderer::Init()
{
    Release();
    sharp_failed_ = false;
    std::string why;
    const char* dialect = Batch_Dialect_Pick(core_or_es_, why);
    if (!dialect) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: this context can run none of GLSL 1.20, 3.30 core or 3.00 es: %hs",
                  why.c_str());
        return false;
    }
    if (const char* missing = Batch_Missing_Entry_Point(core_or_es_)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: the context offers no %hs; nothing can be drawn", missing);
        return false;
    }
    for (int pass = 0; pass < PROGRAMS; ++pass) {
        Program& p = programs_[pass];
        // The flat program is a speed-up only: without it every mesh goes through pass 0.
        if (pass == PROGRAM_FLAT && !core_or_es_ && !Batch_Extension_Listed("GL_EXT_gpu_shader4"))
            continue;
        p.id = Batch_Program_Build(dialect, pass);
        if (!p.id && pass == PROGRAM_FLAT)
            continue;
        if (!p.id) {
            Release();
            return false;
        }
        p.mvp = glGetUniformLocation(p.id, "u_mvp");
        p.mv = glGetUniformLocation(p.id, "u_mv");
        p.nm = glGetUniformLocation(p.id, "u_nm");
        p.light = glGetUniformLocation(p.id, "u_light");
        p.diffuse = glGetUniformLocation(p.id, "u_diffuse");
        p.ambient = glGetUniformLocation(p.id, "u_ambient");
        p.normalize = glGetUniformLocation(p.id, "u_normalize");
        p.viewport = glGetUniformLocation(p.id, "u_viewport");
        p.atlas = glGetUniformLocation(p.id, "u_atlas");
    }
    dialect_ = dialect;

    GLint max_texture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    max_texture_ = std::max<GLint>(max_texture, 64);
    atlas_w_ = std::min(ATLAS_WIDTH, max_texture_);
    // A compatibility context without vertex array objects gets its attribute state saved instead.
    if (Batch_Vertex_Arrays())
        glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &vbo_);
    glGenBuffers(1, &ibo_);
    glGenTextures(1, &atlas_);
    return true;
}

void Batch_Renderer::Release()
{
    for (Program& p : programs_) {
        if (p.id)
            glDeleteProgram(p.id);
        p = Program{};
    }
    if (vao_)
        glDeleteVertexArrays(1, &vao_);
    if (vbo_)
        glDeleteBuffers(1, &vbo_);
    if (ibo_)
        glDeleteBuffers(1, &ibo_);
    if (atlas_)
        glDeleteTextures(1, &atlas_);
    vao_ = vbo_ = ibo_ = atlas_ = 0;
    glyphs_.Release();
    dialect_ = "";
    quads_ = buffer_quads_ = atlas_h_ = 0;
    laid_out_ = view_known_ = false;
    marks_.clear();
    smooth_quads_ = 0;
    index_.clear();
    index_bytes_ = 0;
    lists_dirty_ = true;
    cull_valid_ = false;
    vertices_.clear();
    cells_.clear();
    std::fill(slot_states_.begin(), slot_states_.end(), static_cast<unsigned char>(STATE_PENDING));
    for (Slot& s : slots_) {
        s.built.reset();
        s.signature_known = false;
        s.cell_first = s.cell_count = s.cell_room = 0;
        for (Range& r : s.range)
            r = Range{};
        s.visible = false;
        s.cells_out = false;
        s.live_part = s.alone_part = -1;
        s.live_room = 0;
        // Every widget is described afresh, when the view first comes near it.
        s.look.Clear();
        s.spill = Box{};
        s.lo[0] = 1.0f;
        s.hi[0] = 0.0f;
    }
}

void Batch_Renderer::Slot_Estimate(std::size_t i, const float lo[3], const float hi[3])
{
    Slot& s = slots_[i];
    if (!Pending(i))
        return;
    std::memcpy(s.lo, lo, sizeof s.lo);
    std::memcpy(s.hi, hi, sizeof s.hi);
    // Before any view the slot is near: it is described.
    if (view_known_)
        Slot_Cull(i);
}

void Batch_Renderer::Sharp_Set(bool on)
{
    if (on == sharp_)
        return;
    sharp_ = on;
    layout_wanted_ = true;
}

bool Batch_Renderer::Sharp_Ready()
{
    if (sharp_ && !glyphs_.Ready() && !sharp_failed_ && Ready() && !glyphs_.Init(dialect_, vao_ != 0))
        sharp_failed_ = true;
    // Without its program sharp text is the bitmaps' captions again.
    if (sharp_failed_)
        sharp_ = false;
    return sharp_ && glyphs_.Ready();
}

void Batch_Renderer::Slots_Resize(std::size_t count)
{
    glyphs_.Slots_Resize(count);
    const std::size_t was = slots_.size();
    fresh_slots_.reserve(count);
    if (count < was)
        fresh_slots_.erase(
            std::remove_if(fresh_slots_.begin(), fresh_slots_.end(), [count](std::uint32_t i) { return i >= count; }),
            fresh_slots_.end());
    slots_.resize(count);
    slot_states_.resize(count, STATE_PENDING);
    slot_boxes_.resize(count);
    spill_boxes_.resize(count);
}

// [SECTION] Atlas texture ----------------------------------------------------------------------------

void Batch_Renderer::Atlas_Make(int height)
{
    atlas_h_ = std::max(16, std::min(height, max_texture_));
    glBindTexture(GL_TEXTURE_2D, atlas_);
    // Each cell holds the texels its quads' filtering reads, wrapping included: plain linear
    // filtering of the atlas is the widgets' own.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Masks alone take one byte a texel: alpha in a compatibility context; elsewhere red, shown as
    // alpha over black by the swizzle, as an alpha texture shows.
    const GLint internal = texel_bytes_ == 4 ? GL_RGBA8 : core_or_es_ ? GL_R8 : GL_ALPHA8;
    glTexImage2D(GL_TEXTURE_2D, 0, internal, atlas_w_, atlas_h_, 0, Atlas_Format(), GL_UNSIGNED_BYTE, nullptr);
    if (core_or_es_) {
        const bool red = texel_bytes_ == 1;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, red ? GL_ZERO : GL_RED);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, red ? GL_ZERO : GL_GREEN);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, red ? GL_ZERO : GL_BLUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, red ? GL_RED : GL_ALPHA);
    }
}

void Batch_Renderer::Atlas_Evict()
{
    shelf_x_ = shelf_y_ = shelf_h_ = 0;
    // Rows noted this frame belong to cells let go; those brought back are noted anew.
    row_spans_.clear();
    for (Slot& s : slots_) {
        Cell* cells = Slot_Cells(s);
        for (int i = 0; i < s.cell_count; ++i) {
            cells[i].w = cells[i].h = 0;
            cells[i].region = Region{};
            cells[i].dirty = false;
        }
        if (s.cell_count > 0 && !s.cells_out) {
            s.cells_out = true;
            lists_dirty_ = true;
        }
    }
}

bool Batch_Renderer::Slot_Bring(std::size_t i)
{
    Slot& s = slots_[i];
    int counts[STREAMS];
    Quads_Count(s, counts);
    Vertex* out[STREAMS];
    for (int k = 0; k < STREAMS; ++k) {
        if (counts[k] > s.range[k].capacity) {
            // Its look outgrew its room without being built (cannot happen after a frame's
            // changes): the next frame lays everything out.
            layout_wanted_ = true;
            return true;
        }
        scratch_[k].resize(static_cast<std::size_t>(counts[k]) * 4);
        out[k] = scratch_[k].data();
    }
    cells_wait_ = false;
    const bool built = Vertices_Build(s, out);
    cells_wait_ = true;
    if (!built) {
        s.cells_out = true;
        // A picture that needs RGBA texels waits for the next frame's layout, not for room.
        return layout_wanted_;
    }
    Cells_Send(s);
    // Only the atlas coordinates changed: the textured quads go up, the rest is as it was.
    const Vertex blank{};
    Vertex* gpu = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[STREAM_TEXTURED].first) * 4;
    const std::vector<Vertex>& built_quads = scratch_[STREAM_TEXTURED];
    int lo = -1, hi = -1;
    for (int v = 0; v < s.range[STREAM_TEXTURED].capacity * 4; ++v) {
        const Vertex& want =
            v < static_cast<int>(built_quads.size()) ? built_quads[static_cast<std::size_t>(v)] : blank;
        if (std::memcmp(&want, &gpu[v], sizeof(Vertex)) != 0) {
            gpu[v] = want;
            lo = lo < 0 ? v : lo;
            hi = v;
        }
    }
    if (lo >= 0)
        vertex_spans_.push_back(
            Dirty_Span{s.range[STREAM_TEXTURED].first * 4 + lo, s.range[STREAM_TEXTURED].first * 4 + hi});
    return true;
}

void Batch_Renderer::Cells_Bring()
{
    bring_wanted_ = false;
    const auto bring = [&] {
        for (std::size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].visible && slots_[i].cells_out && !Slot_Bring(i))
                return false;
        return true;
    };
    const auto grow = [&] {
        const int taller = Atlas_Taller(atlas_h_, max_texture_);
        if (taller == 0)
            return false;
        // A new texture: every cell is placed and sent again.
        Atlas_Make(taller);
        uv_height_ = static_cast<float>(atlas_h_);
        return true;
    };
    if (!Atlas_Keep_In_View(
            bring, [&] { Atlas_Evict(); }, grow))
        Atlas_Full_Report();
}

void Batch_Renderer::Atlas_Full_Report()
{
    if (atlas_full_reported_)
        return;
    Error_Fct(::hwnd, VR_REPORT_WARNING,
              "Batch: captions and pictures need more than a %d x %d atlas; some are left out", atlas_w_, atlas_h_);
    atlas_full_reported_ = true;
}

void Batch_Renderer::Room_Give(Slot& s, const int counts[STREAMS], int textured)
{
    const int first = quads_;
    for (int k = 0; k < STREAMS; ++k) {
        s.range[k].first = quads_;
        s.range[k].capacity = counts[k];
        quads_ += counts[k];
    }
    // Blank, as a layout leaves a slot's spare quads: the build that follows writes what differs
    // and notes it for the upload.
    vertices_.resize(static_cast<std::size_t>(quads_) * 4);
    std::fill(vertices_.begin() + static_cast<std::ptrdiff_t>(first) * 4, vertices_.end(), Vertex{});
    // Blank quads are edge-on; Quads_Mark turns those built into faces as it meets them.
    marks_.resize(static_cast<std::size_t>(quads_), MARK_EDGE_ON);
    // The whole block goes up: the buffer's room past the last layout holds nothing yet.
    if (quads_ > first)
        vertex_spans_.push_back(Dirty_Span{first * 4, quads_ * 4 - 1});
    if (textured > s.cell_room) {
        const std::size_t at = cells_.size();
        cells_.resize(at + static_cast<std::size_t>(textured));
        std::copy(cells_.begin() + s.cell_first, cells_.begin() + s.cell_first + s.cell_count,
                  cells_.begin() + static_cast<std::ptrdiff_t>(at));
        s.cell_first = static_cast<int>(at);
        s.cell_room = textured;
    }
    // Its quads join the lists; its pictures, when they found no room, come back once it is in
    // view (the estimate may have counted it visible already).
    lists_dirty_ = true;
    bring_wanted_ = true;
}

void Batch_Renderer::Live_Room_Take(Slot& s, int part, int at, int quads, const int counts[STREAMS])
{
    if (quads <= 0)
        return;
    // The room the slot had before, let go when it was built whole, when its part fits there: a
    // slot that comes and goes between whole builds and a part changing alone does not take room
    // after room.
    const bool again = s.live_room >= quads;
    const int room = again ? s.live_first : quads_;
    const std::size_t from = static_cast<std::size_t>(s.range[STREAM_OPAQUE].first + at);
    if (!again) {
        vertices_.resize(static_cast<std::size_t>(quads_ + quads) * 4);
        marks_.resize(static_cast<std::size_t>(quads_ + quads), MARK_EDGE_ON);
        quads_ += quads;
        s.live_room = quads;
    }
    Vertex* const block = vertices_.data() + static_cast<std::ptrdiff_t>(from) * 4;
    std::copy(block, block + quads * 4, vertices_.data() + static_cast<std::ptrdiff_t>(room) * 4);
    // The marks go with the quads: the room's smooth ones counted, the block's uncounted as they
    // are left blank below.
    for (int q = 0; q < quads; ++q) {
        const unsigned char mark = marks_[from + static_cast<std::size_t>(q)];
        marks_[static_cast<std::size_t>(room + q)] = mark;
        smooth_quads_ += (mark & MARK_SMOOTH) ? 1 : 0;
    }
    // Its place in the block left blank: listed nowhere, yet a slot's quads are still read there
    // (spills, boxes), where blank quads count for nothing.
    std::fill(block, block + quads * 4, Vertex{});
    Quads_Mark(static_cast<int>(from), quads, false);
    s.live_part = part;
    s.live_at = at;
    s.live_quads = quads;
    s.live_first = room;
    float lo[3], hi[3];
    Live_Boxes_Make(s, counts, lo, hi);
    vertex_spans_.push_back(Dirty_Span{static_cast<int>(from) * 4, static_cast<int>(from) * 4 + quads * 4 - 1});
    vertex_spans_.push_back(Dirty_Span{room * 4, (room + quads) * 4 - 1});
    lists_dirty_ = true;
}

void Batch_Renderer::Live_Boxes_Make(Slot& s, const int counts[STREAMS], float lo[3], float hi[3])
{
    float* const steady_lo = s.built->steady_lo;
    float* const steady_hi = s.built->steady_hi;
    for (int a = 0; a < 3; ++a) {
        steady_lo[a] = 1e30f;
        steady_hi[a] = -1e30f;
    }
    const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[0].first) * 4;
    // The live part's place in the block (blank) passed over.
    const int live_end = s.live_at + s.live_quads;
    Box_Add(v, sizeof(Vertex), s.live_at * 4, steady_lo, steady_hi);
    Box_Add(v + live_end * 4, sizeof(Vertex), (counts[STREAM_OPAQUE] - live_end) * 4, steady_lo, steady_hi);
    for (int k = STREAM_OPAQUE + 1, at = s.range[STREAM_OPAQUE].capacity * 4; k < STREAMS;
         at += s.range[k].capacity * 4, ++k)
        Box_Add(v + at, sizeof(Vertex), counts[k] * 4, steady_lo, steady_hi);
    std::memcpy(lo, steady_lo, 3 * sizeof(float));
    std::memcpy(hi, steady_hi, 3 * sizeof(float));
    Box_Add(vertices_.data() + static_cast<std::ptrdiff_t>(s.live_first) * 4, sizeof(Vertex), s.live_quads * 4, lo, hi);
}

void Batch_Renderer::Live_Room_Drop(Slot& s)
{
    // Blank and marked afresh (edge-on, not smooth): listed nowhere again, never sent; kept for the
    // slot until the next layout.
    Vertex* const room = vertices_.data() + static_cast<std::ptrdiff_t>(s.live_first) * 4;
    std::fill(room, room + s.live_quads * 4, Vertex{});
    Quads_Mark(s.live_first, s.live_quads, true);
    s.live_part = -1;
    lists_dirty_ = true;
}

GLenum Batch_Renderer::Atlas_Format() const
{
    return texel_bytes_ == 4 ? GL_RGBA : core_or_es_ ? GL_RED : GL_ALPHA;
}

void Batch_Renderer::Cells_Send(const Slot& slot)
{
    // The texels are in the atlas's copy already: only the rows they lie in are noted, and go up
    // with the frame's other changes.
    Cell* cells = Slot_Cells(slot);
    for (int i = 0; i < slot.cell_count; ++i)
        if (cells[i].dirty) {
            cells[i].dirty = false;
            row_spans_.push_back(Dirty_Span{cells[i].y, cells[i].y + cells[i].region.h - 1});
        }
}

void Batch_Renderer::Changes_Send()
{
    // A few hundred vertices or rows of texels more cost less to send than another call.
    constexpr int VERTEX_GAP = 256, ROW_GAP = 16;
    if (quads_ > buffer_quads_) {
        // Room given past the buffer's end: a buffer twice as large, everything sent once.
        buffer_quads_ = std::max(quads_, buffer_quads_ * 2);
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
        glBufferData(GL_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(static_cast<std::size_t>(buffer_quads_) * 4 * sizeof(Vertex)), nullptr,
                     GL_DYNAMIC_DRAW);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)),
                        vertices_.data());
        ++uploads_;
        vertex_spans_.clear();
    }
    Dirty_Spans_Join(vertex_spans_, VERTEX_GAP);
    if (!vertex_spans_.empty())
        glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    for (const Dirty_Span& d : vertex_spans_) {
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(static_cast<std::size_t>(d.first) * sizeof(Vertex)),
                        static_cast<GLsizeiptr>(static_cast<std::size_t>(d.last - d.first + 1) * sizeof(Vertex)),
                        vertices_.data() + d.first);
        ++uploads_;
    }
    vertex_spans_.clear();
    Dirty_Spans_Join(row_spans_, ROW_GAP);
    const std::size_t pitch = static_cast<std::size_t>(atlas_w_) * static_cast<std::size_t>(texel_bytes_);
    if (!row_spans_.empty()) {
        glBindTexture(GL_TEXTURE_2D, atlas_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, texel_bytes_ == 4 ? 4 : 1);
    }
    for (const Dirty_Span& d : row_spans_) {
        // Rows joined across a gap may reach past the copy's last cell.
        const int last = std::min(d.last, static_cast<int>(pixels_.size() / pitch) - 1);
        if (last < d.first)
            continue;
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, d.first, atlas_w_, last - d.first + 1, Atlas_Format(), GL_UNSIGNED_BYTE,
                        pixels_.data() + static_cast<std::size_t>(d.first) * pitch);
        ++uploads_;
    }
    row_spans_.clear();
}

// [SECTION] Layout and frame --------------------------------------------------------------------------

void Batch_Renderer::Buffers_Make(int quads)
{
    quads_ = quads;
    // Every vertex is written by the layout: no zeroing first.
    vertices_.resize(static_cast<std::size_t>(quads) * 4);
}

void Batch_Renderer::Layout()
{
    if (!Ready())
        return;
    layout_wanted_ = false;
    Sharp_Ready();
    // Each slot keeps exactly the quads it needs now in each stream; one that grows later (a list
    // showing a box with a picture) lays everything out again. A slot's streams lie next to each
    // other, so that a widget's change (a cursor and its read-out) goes up in one piece.
    int quads = 0, cells = 0;
    Texels texels;
    const bool pending = std::any_of(slot_states_.begin(), slot_states_.end(),
                                     [](unsigned char state) { return (state & STATE_PENDING) != 0; });
    // Room to spare in the GL buffer for each slot's largest mesh part: a part that comes to change
    // alone after the layout (a cursor) takes room of its own past the blocks without a buffer
    // made anew.
    int spare = 0;
    for (Slot& s : slots_) {
        // Every part back in its slot's block: rooms of their own are taken again as parts change.
        s.live_part = s.alone_part = -1;
        s.live_room = 0;
        int largest = 0;
        for (const Look_Part& p : s.look.Parts()) {
            int stream = 0;
            const int drawn = Part_Quads_Drawn(p, stream);
            largest = stream == STREAM_OPAQUE ? std::max(largest, drawn) : largest;
        }
        spare += largest;
        int counts[STREAMS];
        // A slot never described has no look yet: it takes no room until it is described.
        const int textured = Quads_Count(s, counts, &texels);
        for (int k = 0; k < STREAMS; ++k) {
            s.range[k].first = quads;
            s.range[k].capacity = counts[k];
            quads += counts[k];
        }
        // Room for the cells its textured parts need now; those it has keep the ink they measured.
        s.cell_room = std::max(textured, s.cell_count);
        cells += s.cell_room;
    }
    Buffers_Make(quads);
    // All the slots' cells in one store, rather than a small allocation for each slot.
    cells_next_.resize(static_cast<std::size_t>(cells));
    cells = 0;
    for (Slot& s : slots_) {
        std::copy(Slot_Cells(s), Slot_Cells(s) + s.cell_count, cells_next_.begin() + cells);
        // The layout sends the whole atlas: what a frame cut short left dirty goes with it.
        for (int i = 0; i < s.cell_count; ++i)
            cells_next_[static_cast<std::size_t>(cells + i)].dirty = false;
        s.cell_first = cells;
        cells += s.cell_room;
    }
    cells_.swap(cells_next_);
    // One pass: each cell is measured and placed on the atlas's shelves as its slot's vertices are
    // written, its texels copied afterwards, shelf by shelf. Until the atlas's height is known the
    // vertices keep texel rows.
    // The atlas's texels: one byte while every cell is a mask, RGBA once a picture is among them.
    // Their rows are gathered in pixels_ as the cells are placed, in room reserved for what the
    // textures could need: memory that is never written costs nothing.
    texel_bytes_ = texels.rgba ? 4 : 1;
    // Wider as the pictures need it (their texture areas, a quarter more for the shelves' waste,
    // within three quarters of the tallest texture, the rest for read-outs that move), so that tens
    // of thousands of rows keep one texture and one list of captions.
    atlas_w_ = std::min(ATLAS_WIDTH, max_texture_);
    while (atlas_w_ < max_texture_ &&
           texels.area * 5 / 4 / static_cast<std::size_t>(atlas_w_) > static_cast<std::size_t>(max_texture_) * 3 / 4)
        atlas_w_ = std::min(atlas_w_ * 2, max_texture_);
    // Past ATLAS_TEXELS_KEPT the cells of slots out of view are let go: the rows of that much.
    const int kept_rows = Atlas_Rows_Kept(ATLAS_TEXELS_KEPT, atlas_w_, max_texture_);
    pixels_.clear();
    pixels_.reserve(std::min(texels.area * 5 / 4 + static_cast<std::size_t>(atlas_w_) * 64,
                             static_cast<std::size_t>(atlas_w_) * static_cast<std::size_t>(kept_rows)) *
                    static_cast<std::size_t>(texel_bytes_));
    gathering_ = true;
    shelf_x_ = shelf_y_ = shelf_h_ = 0;
    atlas_h_ = kept_rows;
    bool some_out = false;
    uv_height_ = 1.0f;
    fresh_slots_.clear();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        if (s.built)
            s.built->signature.Clear();
        // The signature is taken when the widget is next described, which reads as a change
        // whatever it is: an empty signature would match the empty look of a widget hidden since
        // (whose quads the layout wrote). A widget found unchanged never needs one.
        s.signature_known = false;
        s.fresh = false;
        // Its box stays the estimate the view is tested against.
        if (Pending(i))
            continue;
        // Every cell is placed afresh; the ink measured stays with it.
        for (int i = 0; i < s.cell_count; ++i)
            Slot_Cells(s)[i].w = Slot_Cells(s)[i].h = 0;
        Vertex* out[STREAMS];
        for (int k = 0; k < STREAMS; ++k)
            out[k] = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[k].first) * 4;
        if (!Vertices_Build(s, out)) {
            Atlas_Full_Report();
            // What the slot could not build draws nothing.
            for (int k = 0; k < STREAMS; ++k) {
                Vertex* end =
                    vertices_.data() + static_cast<std::ptrdiff_t>(s.range[k].first + s.range[k].capacity) * 4;
                std::fill(out[k], end, Vertex{});
            }
        }
        Bounds_Make(s);
        s.visible = s.lo[0] <= s.hi[0];
        some_out = some_out || s.cells_out;
    }
    if (sharp_) {
        for (std::size_t i = 0; i < slots_.size(); ++i)
            if (!Pending(i))
                glyphs_.Slot_Build(i, slots_[i].look);
        glyphs_.Layout();
        glyph_slots_dirty_ = true;
    }
    Spill_Count_All();
    gathering_ = false;
    // The shelves the cells take, a quarter as much again and a margin for read-outs that grow and
    // pictures that change (a full atlas lays everything out again).
    const int used = shelf_y_ + shelf_h_;
    // With slots left out the atlas is as tall as what it keeps: those in view come back into it.
    // Widgets not described yet will want room as the view reaches them: twice what is used.
    Atlas_Make(some_out ? kept_rows : pending ? std::min(kept_rows, used * 2 + 64) : used + used / 4 + 64);
    bring_wanted_ = some_out;
    uv_height_ = static_cast<float>(atlas_h_);
    for (const Slot& s : slots_) {
        Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[STREAM_TEXTURED].first) * 4;
        for (int i = 0; i < s.range[STREAM_TEXTURED].capacity * 4; ++i)
            v[i].mid.picture.uv[1] /= uv_height_;
    }
    if (used > 0) {
        // Texels between the cells are never read.
        glBindTexture(GL_TEXTURE_2D, atlas_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, texel_bytes_ == 4 ? 4 : 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, atlas_w_, used, Atlas_Format(), GL_UNSIGNED_BYTE, pixels_.data());
        ++uploads_;
    }
    // The rows stay as the atlas's copy: a frame's new read-outs are written into it and go up
    // with their neighbours in a few uploads of whole rows.
    vertex_spans_.clear();
    row_spans_.clear();
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    buffer_quads_ = quads_ + spare;
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(static_cast<std::size_t>(buffer_quads_) * 4 * sizeof(Vertex)),
                 nullptr, GL_DYNAMIC_DRAW);
    if (!vertices_.empty())
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)),
                        vertices_.data());
    laid_out_ = true;
    marks_.assign(static_cast<std::size_t>(quads_), 0);
    smooth_quads_ = 0;
    for (Slot& s : slots_) {
        Quads_Mark(s.range[STREAM_OPAQUE].first, s.range[STREAM_OPAQUE].capacity, true);
        Twins_Mark(s);
        s.twins_stale = false;
    }
    // The slots laid out are tested against the view taken for this frame, before the widgets
    // were described; those not described yet were tested then, by their estimates. Without a view
    // the next frame tests every slot.
    if (cull_valid_)
        for (std::size_t i = 0; i < slots_.size(); ++i)
            if (!Pending(i))
                Slot_Cull(i);
    lists_dirty_ = true;
}

bool Batch_Renderer::Slot_Visible(const Slot& slot) const
{
    // Hidden: its quads are blank and cover nothing wherever they are listed; keeping its place
    // spares a rebuild of the lists when it hides or shows.
    if (slot.lo[0] > slot.hi[0])
        return slot.visible;
    // Across x and y an outline band reaches half its width and the half pixel beyond its ends
    // (rounded up) outside the box, and still shows when the box's edge lies outside.
    return Box_May_Show(cull_mvp_, cull_viewport_, OUTLINE_HALF_WIDTH + 1.0f, slot.lo, slot.hi);
}

bool Batch_Renderer::Box_Outside(const float lo[3], const float hi[3]) const
{
    if (lo[0] > hi[0])
        return false;
    // A far slot's widget is not described while it keeps its place (X, Y, Z, Width, Height), so
    // the margin must hold what a change with the place kept can add to the box (what it draws and
    // its widget's rectangle). Meshes, a cursor's travel and a caption placed anew that fits stay
    // inside it; what grows past it is text: a read-out (ten units high, about six a character,
    // centred on its cursor) with more digits grows by about three units a character on each
    // side, and a caption made longer than its widget by its font's width of the characters
    // added, on one side or half on each. A quarter of the box's larger side plus 24 units holds
    // eight more read-out characters and a caption past its widget by a quarter of its size; the
    // neighbouring columns of a panel (a slot's own size away) stay far, and the view takes the
    // outlines' reach in pixels besides. A change past that (a caption grown far past its widget)
    // shows when the view comes near the widget.
    const float grow = 0.25f * std::max(hi[0] - lo[0], hi[1] - lo[1]) + 24.0f;
    const float far_lo[3] = {lo[0] - grow, lo[1] - grow, lo[2] - grow};
    const float far_hi[3] = {hi[0] + grow, hi[1] + grow, hi[2] + grow};
    return !Box_May_Show(cull_mvp_, cull_viewport_, OUTLINE_HALF_WIDTH + 1.0f, far_lo, far_hi);
}

void Batch_Renderer::Slot_Cull(std::size_t i, bool box_kept)
{
    Slot& slot = slots_[i];
    const bool visible = box_kept ? slot.visible : Slot_Visible(slot);
    // A slot not described yet has nothing in the lists.
    if (visible != slot.visible && !Pending(i))
        lists_dirty_ = true;
    // A slot whose pictures wait outside the atlas and that a change brought into the view (a
    // read-out reaching past its slider's end) is brought back as a moved view's would be.
    if (visible && !slot.visible && slot.cells_out)
        bring_wanted_ = true;
    slot.visible = visible;
    // Glyphs follow their own box: a caption's may reach where none of the slot's quads does.
    float lo[3], hi[3];
    const bool glyphs = sharp_ && glyphs_.Slot_Box(i, lo, hi);
    const bool glyphs_visible = glyphs && Box_May_Show(cull_mvp_, cull_viewport_, OUTLINE_HALF_WIDTH + 1.0f, lo, hi);
    if (glyphs_visible != slot.glyphs_visible)
        glyph_slots_dirty_ = true;
    slot.glyphs_visible = glyphs_visible;
    // Judged by what it draws and its widget's rectangle together (a caption aligned anew crosses
    // its widget; a slot whose only quads are glyphs, a label's caption in sharp text, has no box
    // of its own); one that draws nothing keeps no place and is never far.
    float near_lo[3] = {1.0f, 1.0f, 1.0f}, near_hi[3] = {0.0f, 0.0f, 0.0f};
    const auto take = [&](const float* box_lo, const float* box_hi, int axes) {
        if (box_lo[0] > box_hi[0])
            return;
        const bool first = near_lo[0] > near_hi[0];
        for (int a = 0; a < axes; ++a) {
            near_lo[a] = first ? box_lo[a] : std::min(near_lo[a], box_lo[a]);
            near_hi[a] = first ? box_hi[a] : std::max(near_hi[a], box_hi[a]);
        }
    };
    take(slot.lo, slot.hi, 3);
    if (glyphs)
        take(lo, hi, 3);
    if (near_lo[0] <= near_hi[0])
        take(slot.place_lo, slot.place_hi, 2);
    const bool far = !visible && !glyphs_visible && near_lo[0] <= near_hi[0] && Box_Outside(near_lo, near_hi);
    slot_states_[i] = static_cast<unsigned char>((slot_states_[i] & ~STATE_FAR) | (far ? STATE_FAR : 0));
}

void Batch_Renderer::Glyph_Slots_Make()
{
    glyph_slots_dirty_ = false;
    glyph_slots_.clear();
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].glyphs_visible)
            glyph_slots_.push_back(static_cast<std::uint32_t>(i));
    glyphs_.Slots_Drawn(glyph_slots_);
}

void Batch_Renderer::View_Take(const Batch_View& view)
{
    const bool straight = View_Straight(view.mvp);
    const bool moved = !cull_valid_ || std::memcmp(cull_mvp_, view.mvp, sizeof cull_mvp_) != 0 ||
                       std::memcmp(cull_viewport_, view.viewport, sizeof cull_viewport_) != 0;
    if (straight != cull_straight_)
        lists_dirty_ = true;
    if (cull_straight_ && !straight)
        Twins_Catch_Up();
    cull_straight_ = straight;
    if (!moved)
        return;
    bring_wanted_ = true;
    std::memcpy(cull_mvp_, view.mvp, sizeof cull_mvp_);
    std::memcpy(cull_viewport_, view.viewport, sizeof cull_viewport_);
    cull_valid_ = view_known_ = true;
    for (std::size_t i = 0; i < slots_.size(); ++i)
        Slot_Cull(i);
}

void Batch_Renderer::Lists_Upload()
{
    if (!lists_dirty_)
        return;
    lists_dirty_ = false;
    index_.clear();
    draws_.clear();
    const bool faces_only = cull_straight_;
    for (std::size_t run = 0; run < slots_.size();) {
        std::size_t end = run;
        while (end < slots_.size() && !(slots_[end].visible && slots_[end].spill_hits > 0))
            slots_[end++].run_end = false;
        if (end < slots_.size())
            slots_[end++].run_end = true;
        for (const int list : {int{LIST_TWINS}, int{LIST_OPEN}, int{STREAM_TEXTURED}, int{STREAM_OUTLINE}}) {
            const int first = static_cast<int>(index_.size());
            const int k = list == LIST_OPEN ? STREAM_OPAQUE : list;
            for (std::size_t i = run; i < end; ++i) {
                const Slot& s = slots_[i];
                if (!s.visible || (k == STREAM_TEXTURED && s.cells_out))
                    continue;
                for (int j = 0; j < s.range[k].capacity; ++j) {
                    const int q = k == STREAM_OPAQUE ? Mesh_Quad(s, j) : s.range[k].first + j;
                    if (k == STREAM_OPAQUE) {
                        const unsigned char mark = marks_[static_cast<std::size_t>(q)];
                        if ((faces_only && (mark & MARK_EDGE_ON)) || ((mark & MARK_TWIN) != 0) != (list == LIST_TWINS))
                            continue;
                    }
                    const GLuint b = static_cast<GLuint>(q) * 4;
                    const GLuint tri[6] = {b, b + 1, b + 2, b, b + 2, b + 3};
                    index_.insert(index_.end(), tri, tri + 6);
                }
            }
            const int count = static_cast<int>(index_.size()) - first;
            if (count > 0)
                draws_.push_back(Draw_Range{list, first, count});
        }
        run = end;
    }
    if (vao_)
        glBindVertexArray(vao_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    const std::size_t bytes = index_.size() * sizeof(GLuint);
    if (bytes > index_bytes_) {
        // Room for the whole batch at once, so that turning the view round needs no new buffer.
        index_bytes_ = std::max(bytes, static_cast<std::size_t>(quads_) * 6 * sizeof(GLuint));
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(index_bytes_), nullptr, GL_DYNAMIC_DRAW);
    }
    if (bytes > 0)
        glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), index_.data());
    ++uploads_;
}

void Batch_Renderer::Attributes_Point(int stream)
{
    // What a stream's program does not read points at the middle bytes too: any place in the
    // vertex will do.
    const GLsizei stride = sizeof(Vertex);
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    const std::size_t middle = offsetof(Vertex, mid), color = offsetof(Vertex, color);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, pos)));
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(color));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, at(middle));
    if (stream == STREAM_OPAQUE) {
        // Normalised as GL reads the widgets' own short normals.
        glVertexAttribPointer(1, 3, GL_SHORT, GL_TRUE, stride, at(middle));
        glVertexAttribPointer(4, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride,
                              at(middle + offsetof(Vertex::Middle::Mesh, info)));
    } else if (stream == STREAM_TEXTURED) {
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(middle));
        glVertexAttribPointer(4, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride,
                              at(middle + offsetof(Vertex::Middle::Picture, info)));
    } else {
        // The band's other end, and its corner in the colour's alpha.
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(middle));
        glVertexAttribPointer(4, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at(color));
    }
}

void Batch_Renderer::Program_Use(const Program& p, const Batch_View& view)
{
    glUseProgram(p.id);
    glUniformMatrix4fv(p.mvp, 1, GL_FALSE, view.mvp);
    if (p.nm >= 0) {
        glUniformMatrix4fv(p.mv, 1, GL_FALSE, view.model_view);
        glUniformMatrix3fv(p.nm, 1, GL_FALSE, view.normal_matrix);
        glUniform4fv(p.light, 1, view.light);
        glUniform3fv(p.diffuse, 1, view.diffuse);
        glUniform3fv(p.ambient, 1, view.ambient);
        glUniform1f(p.normalize, view.normalize ? 1.0f : 0.0f);
    }
    if (p.viewport >= 0)
        glUniform2fv(p.viewport, 1, view.viewport);
    if (p.atlas >= 0) {
        glUniform1i(p.atlas, 0);
    }
}

Batch_Renderer::Depth_Cull_State Batch_Renderer::Depth_Cull_Take()
{
    Depth_Cull_State host;
    host.depth_test = glIsEnabled(GL_DEPTH_TEST);
    host.cull = glIsEnabled(GL_CULL_FACE);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &host.depth_mask);
    glGetIntegerv(GL_DEPTH_FUNC, &host.depth_func);
    glGetIntegerv(GL_CULL_FACE_MODE, &host.cull_mode);
    glGetIntegerv(GL_FRONT_FACE, &host.front_face);
    // Parts stacked at the same depth are drawn later on top, and a slab's back in its front's
    // plane must not show through it: a scene graph's defaults (GL_LESS, no culling) would lose
    // the later part and streak the slab.
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    return host;
}

void Batch_Renderer::Depth_Cull_Put(const Depth_Cull_State& host)
{
    if (host.depth_test)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    if (host.cull)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glDepthMask(host.depth_mask);
    glDepthFunc(static_cast<GLenum>(host.depth_func));
    glCullFace(static_cast<GLenum>(host.cull_mode));
    glFrontFace(static_cast<GLenum>(host.front_face));
}

namespace {

// A box grown corner by corner, from empty (1e30 on every side).
struct Box_Corners {
    float lo_x = 1e30f, lo_y = 1e30f, lo_z = 1e30f, hi_x = -1e30f, hi_y = -1e30f, hi_z = -1e30f;
    void Add(const float p[3])
    {
        lo_x = std::min(lo_x, p[0]);
        lo_y = std::min(lo_y, p[1]);
        lo_z = std::min(lo_z, p[2]);
        hi_x = std::max(hi_x, p[0]);
        hi_y = std::max(hi_y, p[1]);
        hi_z = std::max(hi_z, p[2]);
    }
    void Get(float lo[3], float hi[3]) const
    {
        lo[0] = lo_x;
        lo[1] = lo_y;
        lo[2] = lo_z;
        hi[0] = hi_x;
        hi[1] = hi_y;
        hi[2] = hi_z;
    }
};

}  // namespace

void Batch_Renderer::Block_Changed(Slot& s, int first, int last, Plane_Set* planes, int room_first, int room_last)
{
    // The changed mesh quads, by their place in the slot's mesh stream, and where they lie.
    int changed_first = s.range[STREAM_OPAQUE].capacity, changed_end = 0;
    const auto mesh_changed = [&](int quad_first, int quad_end, int at) {
        Quads_Mark(at + quad_first, quad_end - quad_first, false);
        changed_first = std::min(changed_first, quad_first);
        changed_end = std::max(changed_end, quad_end);
    };
    if (first >= 0) {
        vertex_spans_.push_back(Dirty_Span{s.range[0].first * 4 + first, s.range[0].first * 4 + last});
        // The meshes come first in the block.
        const int meshes = s.range[STREAM_OPAQUE].capacity * 4;
        if (first < meshes)
            mesh_changed(first / 4, std::min(last, meshes - 1) / 4 + 1, s.range[STREAM_OPAQUE].first);
    }
    if (room_first >= 0) {
        vertex_spans_.push_back(Dirty_Span{s.live_first * 4 + room_first, s.live_first * 4 + room_last});
        mesh_changed(s.live_at + room_first / 4, s.live_at + room_last / 4 + 1, s.live_first - s.live_at);
    }
    if (changed_first >= changed_end)
        return;
    if (planes) {
        for (int q = changed_first; q < changed_end; ++q)
            planes->Add_Quad(vertices_.data() + static_cast<std::ptrdiff_t>(Mesh_Quad(s, q)) * 4);
        planes->changed_first = changed_first;
        planes->changed_end = changed_end;
        s.twins_stale = s.twins_stale || planes->across_z_only;
    }
    if (!planes || planes->full)
        s.twins_stale = false;
    Twins_Mark(s, planes && !planes->full ? planes : nullptr);
}

void Batch_Renderer::Twins_Catch_Up()
{
    for (Slot& s : slots_)
        if (s.twins_stale) {
            s.twins_stale = false;
            Twins_Mark(s);
        }
}

bool Batch_Renderer::Parts_Rebuild(std::size_t i, bool& relayout, bool& glyphs_relayout)
{
    Slot& s = slots_[i];
    const Look_Parts& parts = s.look.Parts();
    if (!s.built || s.built->part_quads.size() != parts.size())
        return false;
    const std::vector<int>& part_quads = s.built->part_quads;
    write_parts_.assign(parts.size(), 0);
    bool glyphs = false;
    // The one changed part that draws quads, when it is a mesh (-1 when none is, or several are).
    int alone = -1, drawing = 0;
    for (const std::uint32_t c : changed_parts_) {
        const Look_Part& p = parts[c];
        int stream = 0;
        if (Part_Quads_Drawn(p, stream) != part_quads[c])
            return false;
        write_parts_[c] = 1;
        glyphs = glyphs || (sharp_ && Part_Sharp(p));
        if (part_quads[c] > 0) {
            ++drawing;
            alone = stream == STREAM_OPAQUE ? static_cast<int>(c) : -1;
        }
    }
    if (drawing != 1)
        alone = -1;
    int counts[STREAMS];
    Quads_Count(s, counts);
    Vertex* out[STREAMS];
    for (int k = 0; k < STREAMS; ++k) {
        if (counts[k] > s.range[k].capacity)
            return false;
        scratch_[k].resize(static_cast<std::size_t>(counts[k]) * 4);
        out[k] = scratch_[k].data();
    }
    built_runs_.clear();
    if (!Vertices_Build(s, out, write_parts_.data())) {
        relayout = true;
        return true;
    }
    // A mesh part changing alone a second time in a row is taken to go on doing so (a cursor): it
    // moves to room of its own, as it is, before it is compared.
    if (alone >= 0 && alone == s.alone_part && s.live_part < 0 && laid_out_) {
        int at = 0;
        for (int p = 0; p < alone; ++p) {
            int stream = 0;
            Part_Quads_Drawn(parts[static_cast<std::size_t>(p)], stream);
            at += stream == STREAM_OPAQUE ? part_quads[static_cast<std::size_t>(p)] : 0;
        }
        Live_Room_Take(s, alone, at, part_quads[static_cast<std::size_t>(alone)], counts);
    }
    s.alone_part = alone;
    // Earlier slots' spill counts follow this one's quads only where a spill reaches its box: then
    // they are taken out while the old quads are in the buffer. (Where none does they count none.)
    if (s.spilled_on)
        Spill_Unhook(i);
    // Each run is written from the first vertex that differs to the last, and the old and new
    // corners there tell the slot's new box: where they neither reached the old box's side nor go
    // beyond it, it stays (a corner that stays counts alike on both sides, and holds its side).
    Vertex* block = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[0].first) * 4;
    int block_at[STREAMS];
    for (int k = 0, at = 0; k < STREAMS; at += s.range[k].capacity * 4, ++k)
        block_at[k] = at;
    // Six scalars each, kept in registers: a live frame moves every corner of each changed cursor.
    Box_Corners was, now;
    // The planes the changed mesh quads lie in before they are overwritten: a twin made or broken
    // by their move lies in one of those or in one they move into.
    Plane_Set planes;
    planes.across_z_only = cull_valid_ && cull_straight_;
    int first = -1, last = -1;
    // The live part's changed vertices, by their place in its room.
    int room_first = -1, room_last = -1;
    for (const Built_Run& r : built_runs_) {
        const Vertex* want = scratch_[r.stream].data();
        const bool live = s.live_part >= 0 && r.stream == STREAM_OPAQUE && r.first == s.live_at * 4;
        // The live part's vertices are compared with its room's, indexed as in the stream.
        Vertex* have = live ? vertices_.data() + static_cast<std::ptrdiff_t>(s.live_first - s.live_at) * 4
                            : block + block_at[r.stream];
        std::size_t run_first = static_cast<std::size_t>(r.first), run_end = static_cast<std::size_t>(r.end);
        Differing_Run(want, have, run_first, run_end);
        if (run_first == run_end)
            continue;
        const int a = static_cast<int>(run_first), b = static_cast<int>(run_end);
        // The live part's box is taken whole afterwards, with the rest's kept.
        if (!live)
            for (int v = a; v < b; ++v) {
                was.Add(have[v].pos);
                now.Add(want[v].pos);
            }
        if (r.stream == STREAM_OPAQUE)
            for (int q = a / 4; q <= (b - 1) / 4; ++q)
                planes.Add_Quad(have + q * 4);
        std::memcpy(static_cast<void*>(have + a), want + a, static_cast<std::size_t>(b - a) * sizeof(Vertex));
        if (live) {
            room_first = a - s.live_at * 4;
            room_last = b - 1 - s.live_at * 4;
            continue;
        }
        first = first < 0 ? block_at[r.stream] + a : std::min(first, block_at[r.stream] + a);
        last = std::max(last, block_at[r.stream] + b - 1);
    }
    bool kept = first < 0 && room_first < 0;
    if (first < 0 && room_first >= 0) {
        // Only the live part moved: the slot's box is the rest's, kept, and its room's.
        Box_Corners live_box;
        const Vertex* room = vertices_.data() + static_cast<std::ptrdiff_t>(s.live_first) * 4;
        for (int v = 0; v < s.live_quads * 4; ++v)
            live_box.Add(room[v].pos);
        float lo[3], hi[3];
        live_box.Get(lo, hi);
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], s.built->steady_lo[a]);
            hi[a] = std::max(hi[a], s.built->steady_hi[a]);
        }
        kept = std::memcmp(lo, s.lo, sizeof lo) == 0 && std::memcmp(hi, s.hi, sizeof hi) == 0;
        std::memcpy(s.lo, lo, sizeof lo);
        std::memcpy(s.hi, hi, sizeof hi);
    } else if (!kept && s.live_part >= 0) {
        // The rest moved: its own box may move inside the slot's, taken again whole.
        float lo[3], hi[3];
        Live_Boxes_Make(s, counts, lo, hi);
        kept = std::memcmp(lo, s.lo, sizeof lo) == 0 && std::memcmp(hi, s.hi, sizeof hi) == 0;
        std::memcpy(s.lo, lo, sizeof lo);
        std::memcpy(s.hi, hi, sizeof hi);
    } else if (!kept) {
        kept = s.lo[0] <= s.hi[0];
        float was_lo[3], was_hi[3], now_lo[3], now_hi[3];
        was.Get(was_lo, was_hi);
        now.Get(now_lo, now_hi);
        for (int a = 0; a < 3 && kept; ++a)
            kept = now_lo[a] >= s.lo[a] && (was_lo[a] > s.lo[a] || now_lo[a] == s.lo[a]) && now_hi[a] <= s.hi[a] &&
                   (was_hi[a] < s.hi[a] || now_hi[a] == s.hi[a]);
        if (!kept) {
            float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
            for (int k = 0; k < STREAMS; ++k)
                Box_Add(block + block_at[k], sizeof(Vertex), counts[k] * 4, lo, hi);
            std::memcpy(s.lo, lo, sizeof lo);
            std::memcpy(s.hi, hi, sizeof hi);
        }
    }
    if (first >= 0 || room_first >= 0)
        Block_Changed(s, first, last, &planes, room_first, room_last);
    // Its own count follows its spill box, and the earlier ones this box.
    const bool rehook = s.spilled_on || std::memcmp(s.lo, slot_boxes_[i].lo, sizeof s.lo) != 0 ||
                        std::memcmp(s.hi, slot_boxes_[i].hi, sizeof s.hi) != 0 ||
                        std::memcmp(&s.spill, &spill_boxes_[i], sizeof s.spill) != 0;
    Cells_Send(s);
    if (glyphs && !glyphs_.Slot_Build(i, s.look, write_parts_.data()))
        glyphs_relayout = true;
    if (rehook)
        Spill_Hook(i);
    if (cull_valid_)
        Slot_Cull(i, kept);
    return true;
}

void Batch_Renderer::Slot_Prefetch(std::size_t i, int stage) const
{
    const Slot& s = slots_[i];
    glyphs_.Slot_Prefetch(i, stage);
    if (stage == 2) {
        Lines_Prefetch(&s, sizeof s);
        return;
    }
    if (stage == 1) {
        if (s.built)
            Lines_Prefetch(s.built.get(), sizeof(Slot::Built));
        Lines_Prefetch(s.look.Parts().data(), s.look.Size() * sizeof(Look_Part));
        return;
    }
    if (s.built)
        Lines_Prefetch(s.built->signature.bytes.data(), s.built->signature.bytes.size());
    // Its mesh quads' first corners, which the marking of twin faces reads to find the quads in
    // the planes a change touched (a corner a quad: the first holds the normal it is sorted by).
    const Range& meshes = s.range[STREAM_OPAQUE];
    if (meshes.first + meshes.capacity <= quads_)
        for (int q = 0; q < meshes.capacity; ++q)
            __builtin_prefetch(vertices_.data() + static_cast<std::ptrdiff_t>(meshes.first + q) * 4);
    // The room of a part that changes alone, where its vertices are compared and written.
    if (s.live_part >= 0 && s.live_first + s.live_quads <= quads_)
        Lines_Prefetch(vertices_.data() + static_cast<std::ptrdiff_t>(s.live_first) * 4,
                       static_cast<std::size_t>(s.live_quads) * 4 * sizeof(Vertex));
    for (const Look_Part& p : s.look.Parts()) {
        const std::size_t q = p.quads > 0 ? static_cast<std::size_t>(p.quads) : 0;
        if (!p.vertex)
            continue;
        Lines_Prefetch(p.vertex, q * 12 * sizeof(short));
        Lines_Prefetch(p.normal, q * 12 * sizeof(short));
        Lines_Prefetch(p.color, q * 4 * sizeof(unsigned int));
        Lines_Prefetch(p.coord, q * 8 * sizeof(float));
    }
}

bool Batch_Renderer::Changes_Take()
{
    changes_taken_ = true;
    draw_calls_ = 0;
    uploads_ = 0;
    if (!Ready())
        return false;
    bool relayout = (!laid_out_ && !slots_.empty()) || layout_wanted_;
    bool glyphs_relayout = false;
    const Vertex blank{};
    // In the slots' order, as the buffer's room was given.
    if (!std::is_sorted(fresh_slots_.begin(), fresh_slots_.end()))
        std::sort(fresh_slots_.begin(), fresh_slots_.end());
    // A widget the caller found unchanged kept its look: nothing to compare.
    for (std::size_t taken = 0; taken < fresh_slots_.size() && !relayout; ++taken) {
        const std::size_t i = fresh_slots_[taken];
        for (int stage = 0; stage < 3 && taken + 1 + stage < fresh_slots_.size(); ++stage)
            Slot_Prefetch(fresh_slots_[taken + 1 + stage], stage);
        Slot& s = slots_[i];
        if (!s.fresh)
            continue;
        s.fresh = false;
        const Look_Change change = Signature_Compare(s);
        if (change == Look_Change::NONE)
            continue;
        if (change == Look_Change::PARTS && Parts_Rebuild(i, relayout, glyphs_relayout)) {
            if (relayout)
                break;
            continue;
        }
        // Built whole, every part goes back into the block.
        if (s.live_part >= 0)
            Live_Room_Drop(s);
        s.alone_part = -1;
        int counts[STREAMS];
        const int textured = Quads_Count(s, counts);
        if (s.range[STREAM_OPAQUE].capacity + s.range[STREAM_TEXTURED].capacity + s.range[STREAM_OUTLINE].capacity ==
                0 &&
            counts[STREAM_OPAQUE] + counts[STREAM_TEXTURED] + counts[STREAM_OUTLINE] > 0)
            Room_Give(s, counts, textured);
        Vertex* out[STREAMS];
        for (int k = 0; k < STREAMS; ++k) {
            if (counts[k] > s.range[k].capacity)
                relayout = true;
            scratch_[k].resize(static_cast<std::size_t>(counts[k]) * 4);
            out[k] = scratch_[k].data();
        }
        if (relayout || !Vertices_Build(s, out)) {
            relayout = true;
            break;
        }
        Cells_Send(s);
        if (sharp_ && !glyphs_.Slot_Build(i, s.look))
            glyphs_relayout = true;
        // What the slot's old quads counted toward earlier slots' spills goes with them.
        Spill_Unhook(i);
        // Only the vertices that differ go up, from the first to the last of the slot's block (its
        // streams one after the other): a hover recolours one face, a drag moves a cursor and its
        // read-out, in one piece.
        Vertex* gpu = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[0].first) * 4;
        int lo = -1, hi = -1, at = 0;
        for (int k = 0; k < STREAMS; ++k) {
            const int count = static_cast<int>(scratch_[k].size());
            const int kept = s.range[k].capacity * 4;
            for (int v = 0; v < kept; ++v) {
                const Vertex& want = v < count ? scratch_[k][static_cast<std::size_t>(v)] : blank;
                if (std::memcmp(&want, &gpu[at + v], sizeof(Vertex)) != 0) {
                    gpu[at + v] = want;
                    lo = lo < 0 ? at + v : lo;
                    hi = at + v;
                }
            }
            at += kept;
        }
        if (lo >= 0)
            Block_Changed(s, lo, hi);
        // A widget moved into the view or out of it changes the lists.
        Bounds_Make(s);
        Spill_Hook(i);
        if (cull_valid_)
            Slot_Cull(i);
    }
    // Those not taken are laid out with every other slot (relayout).
    fresh_slots_.clear();
    if (relayout) {
        layout_wanted_ = true;
        return true;
    }
    Changes_Send();
    if (glyphs_relayout) {
        glyphs_.Layout();
        glyph_slots_dirty_ = true;
    }
    return false;
}

void Batch_Renderer::Frame(const Batch_View& view)
{
    if (!changes_taken_)
        Changes_Take();
    changes_taken_ = false;
    if (!Ready())
        return;
    if (layout_wanted_) {
        Layout();
        uploads_ = 1;
    }
    // The lists are rebuilt only when the view or a changed widget altered the visible set, or a
    // widget's walls turned into faces. Taken with nothing to draw too: the widgets not described
    // yet are judged by it.
    View_Take(view);
    if (quads_ == 0 && glyphs_.Quads() == 0)
        return;
    if (bring_wanted_) {
        Cells_Bring();
        Changes_Send();
    }
    Lists_Upload();

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, atlas_);
    if (vao_)
        glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    for (GLuint i = 0; i < ATTRIBUTE_COUNT; ++i)
        glEnableVertexAttribArray(i);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const Depth_Cull_State host = Depth_Cull_Take();
    // Meshes, then captions and pictures, then outlines: each widget's captions and pictures stand
    // above its meshes, so with the host's depth test the picture is the one of widget-by-widget
    // drawing. Meshes are written as they are, as the widgets draw them: blending them would cost
    // a read of every covered pixel for nothing. A slab without thickness (a frame of no depth)
    // has its back in its front's plane: those two are culled by their facing, before the rest.
    int program_list = -1;
    for (const Draw_Range& d : draws_) {
        const int k = d.list == LIST_OPEN ? STREAM_OPAQUE : d.list;
        if (d.list == LIST_TWINS)
            glEnable(GL_CULL_FACE);
        else
            glDisable(GL_CULL_FACE);
        // Outlines are written unblended too: their alpha is the coverage the widgets' smooth lines
        // leave in the frame.
        if (k == STREAM_OPAQUE || k == STREAM_OUTLINE)
            glDisable(GL_BLEND);
        else
            glEnable(GL_BLEND);
        // The twins and the other meshes share their program.
        if (k != (program_list == LIST_OPEN ? STREAM_OPAQUE : program_list)) {
            const bool flat =
                k == STREAM_OPAQUE && smooth_quads_ == 0 && view.light[3] == 0.0f && programs_[PROGRAM_FLAT].id != 0;
            Program_Use(programs_[flat ? PROGRAM_FLAT : k], view);
            Attributes_Point(k);
        }
        program_list = d.list;
        glDrawElements(GL_TRIANGLES, d.count, GL_UNSIGNED_INT,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(d.first) * sizeof(GLuint)));
        ++draw_calls_;
    }
    // The glyphs after everything else: with the depth test they stand on their widgets as the
    // bitmaps' quads do, and blend over whatever lies behind them.
    if (sharp_) {
        if (glyph_slots_dirty_)
            Glyph_Slots_Make();
        draw_calls_ += glyphs_.Draw(view.mvp, view.viewport, uploads_);
    }
    Depth_Cull_Put(host);
    if (!vao_)
        for (GLuint i = 0; i < ATTRIBUTE_COUNT; ++i)
            glDisableVertexAttribArray(i);
}

}  // namespace core
