// Sharp text in a batch: every caption of every slot drawn as glyph quads from the shared glyph
// atlas, in a vertex buffer of their own that follows the slots' ranges, drawn indexed (four
// vertices a quad, one shared index buffer) after the rest of a frame with the sharp-text program,
// one draw a page.
#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/batch/changes.h"
#include "render/batch/glyph_atlas.h"
#include "render/look.h"

namespace core {

// One corner of a glyph quad, as the sharp-text program reads it. The corner lies on its cell's
// edge; the program moves it, in towards the outline or out into the padding, as the view needs.
struct Glyph_Vertex {
    float pos[3];
    float uv[2];  // level-0 page coordinates, 0..1
    unsigned char color[4];
    unsigned char info[4];  // the cell's spread, its page
    // xyz: one level-0 texel outward from the corner along the glyph's x (y); w: the texels the
    // corner may move that way, signed as the atlas's s (t) moves. Together in one attribute each:
    // the vertex stage fetches every attribute apart, on every corner.
    float step_x[4], step_y[4];
};

// A glyph quad's corners in the vertex buffer, and the indices of its two triangles.
constexpr int GLYPH_CORNERS = 4;
constexpr int GLYPH_INDICES = 6;

// Whether a part is a caption the sharp mode draws as glyphs.
bool Part_Sharp(const Look_Part& p);

// Appends the glyph quads of caption part `p` (four corners a glyph, round the quad) to `out`, in the text box its bitmap would fill and cut where the bitmap is
// cut; the glyphs' cells come from `atlas`. Each quad is its cell; the padding it may take in
// reaches no further than the cut. With `box_lo` and `box_hi`, grows that box round the quads as
// far as their corners may be pushed. Calls no GL.
void Glyph_Quads_Build(const Look_Part& p, Glyph_Atlas& atlas, std::vector<Glyph_Vertex>& out,
                       float box_lo[3] = nullptr, float box_hi[3] = nullptr);

class Glyph_Quads {
public:
    Glyph_Quads() = default;
    ~Glyph_Quads() { Release(); }
    Glyph_Quads(const Glyph_Quads&) = delete;
    Glyph_Quads& operator=(const Glyph_Quads&) = delete;

    // Context current: the program in `dialect`, the buffer and, when `vao`, a vertex array. False
    // after a report.
    bool Init(const char* dialect, bool vao);
    bool Ready() const { return programs_[0].id != 0; }
    void Release();

    void Slots_Resize(std::size_t count);
    // Slot `i`'s glyphs from its look. False when they need more room than the slot has: Layout.
    // With `only` (a mark per part, the look's parts as many as at the last build), the parts it
    // does not mark keep the glyphs they had: a read-out's new value shapes the read-out alone.
    bool Slot_Build(std::size_t i, const Look& look, const unsigned char* only = nullptr);
    // Asks for the cache lines a changed read-out of slot `i` reads and writes (its glyphs, its
    // room in the buffer), without waiting for them; in the renderer's steps (`stage` 2: the slot's
    // record, 1: its part ends, 0: the rest).
    void Slot_Prefetch(std::size_t i, int stage) const;
    // The box around slot `i`'s glyphs (as last built); false when it has none.
    bool Slot_Box(std::size_t i, float lo[3], float hi[3]) const;
    // The slots whose glyphs the next Draws draw (those in view), in the order given.
    void Slots_Drawn(const std::vector<std::uint32_t>& slots);
    // Every slot's glyphs (built already) given room anew, with some to spare for read-outs that
    // grow; the whole buffer goes up at the next Draw.
    void Layout();
    int Quads() const { return quads_; }

    void Outline_Set(float width, unsigned int rgb);

    // Sends what changed (atlas rectangles, the slots' glyphs in a few pieces, the drawn quads'
    // indices) and draws the glyphs of the slots from Slots_Drawn blended, depth tested without
    // writing depth, seen through `mvp` in a viewport `viewport` pixels large; the caller's state
    // is the batch's frame state. Returns the draw calls; adds the buffer and texture uploads to `uploads`.
    int Draw(const float mvp[16], const float viewport[2], int& uploads);

private:
    struct Slot {
        std::vector<Glyph_Vertex> vertices;
        std::vector<std::uint32_t> part_ends;  // where each part's vertices end
        int first = 0, capacity = 0;           // quads
        // The quads drawn: the most the slot held since its room was given, so that a read-out
        // one digit shorter keeps the index list as it was (its last quad degenerate).
        int drawn = 0;
        // The part that changes alone from frame to frame (a read-out), once one did, with room
        // of its own among the other such parts: a frame's new read-outs then lie together in the
        // buffer and go up in a few pieces, not in one reaching over every caption between them.
        // -1: none; the slot's room then holds every part.
        int live_part = -1;
        int live_first = 0, live_capacity = 0, live_drawn = 0;         // quads
        float lo[3] = {1.0f, 1.0f, 1.0f}, hi[3] = {0.0f, 0.0f, 0.0f};  // around the vertices; lo > hi: none
        // The box around the vertices of the parts other than the live one, while steady_known: a
        // read-out's new glyphs are then measured alone, not the caption's with them.
        float steady_lo[3] = {1.0f, 1.0f, 1.0f}, steady_hi[3] = {0.0f, 0.0f, 0.0f};
        bool steady_known = false;
    };
    void Pages_Send(int& uploads);
    void Attributes_Point();

    std::vector<Slot> slots_;
    // Slot_Build's changed parts' glyphs, their counts, and a slot's glyphs put together anew when
    // those counts changed.
    std::vector<Glyph_Vertex> built_, spliced_;
    std::vector<std::uint32_t> spliced_ends_;  // the part ends of spliced_
    std::vector<std::uint32_t> built_counts_;
    std::vector<Glyph_Vertex> vertices_;  // the whole buffer, four a quad
    int quads_ = 0;
    bool laid_out_ = false, full_send_ = true;
    std::vector<Dirty_Span> spans_;  // vertices changed since the last Draw
    // Writes want[0] then want[1] (count[] vertices each, then spare room) over `room` quads from
    // quad `first`, comparing the vertices in [check_from, check_end), and notes the span that
    // differs.
    void Room_Write(int first, int room, const Glyph_Vertex* const want[2], const std::size_t count[2],
                    std::size_t check_from, std::size_t check_end);
    // The live part's vertices among slot `s`'s, [lo, hi); empty when it has none (one whose part
    // is gone has none from then on).
    static void Live_Range(Slot& s, std::size_t& lo, std::size_t& hi);
    // A frame's changed glyphs go up in at most this many pieces; closer than SPAN_GAP vertices,
    // two pieces are one.
    static constexpr std::size_t MOST_UPLOADS = 6;
    static constexpr int SPAN_GAP = 16;
    // Room for `quads` quads, with some to spare, at the buffer's end; its first quad.
    int Room_Take(int& capacity, int quads);
    std::size_t buffer_bytes_ = 0;
    // The drawn slots' quads, six indices each, made again when those slots or their quads change:
    // spare room is never drawn (its degenerate corners would still cost the vertex stage).
    std::vector<std::uint32_t> drawn_slots_, indices_;
    bool indices_dirty_ = true;
    std::size_t index_bytes_ = 0;  // the index buffer's size
    // The program and its uniforms' locations; one without an outline, one with (a fragment
    // without the ring's work is cheaper, and most hosts draw none).
    struct Program {
        GLuint id = 0;
        GLint u_viewport = -1, u_mvp = -1, u_atlas = -1, u_size = -1, u_page = -1, u_outline_color = -1,
              u_outline_width = -1;
    };
    Program programs_[2];
    GLuint vao_ = 0, vbo_ = 0, ibo_ = 0;
    std::vector<GLuint> pages_;      // one texture per atlas page, with its mip levels
    std::uint64_t sent_serial_ = 0;  // the atlas's serial the textures are up to
    bool rg_ = true;                 // red textures, else luminance (a 2.1 context)
    float outline_width_ = 0.0f;
    float outline_color_[4] = {0.0f, 0.0f, 0.0f, 1.0f};
};

}  // namespace core
