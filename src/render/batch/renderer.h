// The batch back end: merges many widgets' descriptions into one vertex buffer and one picture atlas
// and draws them with three programs (meshes, pictures, outlines) in 2.1 compatibility, 3.3 core or
// ES 3.0 contexts. Its members are defined in vertex_building.cpp (writing a slot's vertices, no GL)
// and device.cpp (the GL objects, uploads and the frame); docs/renderer.md maps the rest.
#pragma once

#include <GL/glew.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "render/batch/changes.h"
#include "render/batch/glyph_quads.h"
#include "render/batch/picture_atlas.h"
#include "render/batch/programs.h"
#include "render/batch/square_lists.h"
#include "render/look.h"

namespace core {

// What the shaders need of the host's view and light for one frame.
struct Batch_View {
    float mvp[16];  // projection x model-view, column-major
    float model_view[16];
    float normal_matrix[9];  // inverse transpose of the model-view's upper 3 x 3
    float light[4];          // eye space; w = 0 for a direction toward the light
    float diffuse[3];
    float ambient[3];       // scene ambient plus the light's ambient
    bool normalize = true;  // normals renormalised (GL_NORMALIZE)
    float viewport[2];      // pixels, for outlines
};

// Builds the view from the host's matrices (column-major) and light.
Batch_View Batch_View_Make(const float projection[16], const float model_view[16], const float light[4],
                           const float diffuse[3], const float ambient[3], bool normalize);

class Batch_Renderer {
public:
    Batch_Renderer() = default;
    ~Batch_Renderer() { Release(); }
    Batch_Renderer(const Batch_Renderer&) = delete;
    Batch_Renderer& operator=(const Batch_Renderer&) = delete;

    // Context current: picks the dialect and builds the program and GL objects. False after a report.
    bool Init();
    bool Ready() const { return programs_[0].id != 0; }
    // Deletes every GL object (context current) and forgets the slots.
    void Release();
    const char* Dialect() const { return dialect_; }
    bool Has_Vao() const { return vao_ != 0; }
    bool Core_Or_Es() const { return core_or_es_; }

    // One slot per widget, in drawing order. A slot's look is filled by the caller each frame.
    void Slots_Resize(std::size_t count);
    // The slot's look, to be described anew this frame (its signature is checked at the next Frame).
    Look& Slot_Look(std::size_t i)
    {
        if (!slots_[i].fresh) {
            slots_[i].fresh = true;
            fresh_slots_.push_back(static_cast<std::uint32_t>(i));  // room for every slot: no allocation
        }
        slot_states_[i] &= static_cast<unsigned char>(~STATE_PENDING);
        return slots_[i].look;
    }
    // Whether slot `i` was never described since it was made (or since Init): it has no look and
    // no room in the streams, and its box is Slot_Estimate's.
    bool Slot_Pending(std::size_t i) const { return (slot_states_[i] & STATE_PENDING) != 0; }
    // The box a widget never described may draw in (its place, grown for its caption; the
    // widgets' frame), tested against the last view taken, so that Slot_Far can say whether it
    // need be described yet. Only for a slot still pending.
    void Slot_Estimate(std::size_t i, const float lo[3], const float hi[3]);
    // Lays every slot out afresh from its current look: full upload of vertices and pictures.
    void Layout();
    // Brings the GL copies up to the slots' looks described anew, uploading only what changed.
    // True when that needs everything laid out again, which the next Frame does: every slot's look
    // must then be up to date (described again where it was left as it was while far).
    bool Changes_Take();
    // Changes_Take unless taken since the last Frame, the layout it asked for, and the draw.
    void Frame(const Batch_View& view);

    // Takes the frame's view in before the widgets are described (Frame takes the same view again
    // for nothing): which slots lie far from it.
    void Cull(const Batch_View& view)
    {
        if (Ready() && !slots_.empty())
            View_Take(view);
    }
    // Whether slot `i` lay outside the view by more than what a change can grow it by (a quarter of
    // its size and some) at the last culling: its widget need not be described while its place
    // stays, until the view comes near it. A pending slot is judged by its estimated box against
    // the last view, a layout since or not.
    bool Slot_Far(std::size_t i) const
    {
        const unsigned char state = slot_states_[i];
        return (cull_valid_ || (state & STATE_PENDING) != 0) && (state & STATE_FAR) != 0;
    }
    // The widget's own rectangle (X, Y, Width, Height) when slot `i` was described: what its meshes
    // and placed captions fill whatever it draws now, which the far test takes in.
    void Slot_Place(std::size_t i, short x, short y, short width, short height)
    {
        Slot& s = slots_[i];
        s.place_lo[0] = x;
        s.place_lo[1] = y;
        s.place_hi[0] = static_cast<float>(x) + static_cast<float>(width);
        s.place_hi[1] = static_cast<float>(y) + static_cast<float>(height);
    }

    int Draw_Calls() const { return draw_calls_; }
    int Uploads() const { return uploads_; }

    // Sharp text: captions drawn as glyph quads from the shared glyph atlas instead of their
    // bitmaps. Takes effect at the next Frame, which lays everything out again.
    void Sharp_Set(bool on);
    // Whether the next frame draws sharp text: builds its program when it is wanted and not built
    // yet (context current); false after that failed.
    bool Sharp_Ready();
    void Outline_Set(float width, unsigned int rgb) { glyphs_.Outline_Set(width, rgb); }

private:
    // One vertex of the merged buffer. Each stream is drawn with attribute pointers of its own, so
    // the twelve bytes after the position hold what that stream's program reads.
    struct Vertex {
        float pos[3];
        union Middle {
            struct Mesh {
                short normal[3];         // read as GL reads the widgets' short normals
                unsigned char spare[2];  // zero
                unsigned char info[4];   // lit
            } mesh;
            struct Picture {
                float uv[2];            // atlas coordinates
                unsigned char info[4];  // 0, texture mode
            } picture;
            float other[3];  // an outline band's other end
        } mid;
        // An outline's colour is black, its alpha the band's corner (the side: 1, the far end: 2).
        unsigned char color[4];
    };
    static_assert(sizeof(Vertex) == 28, "the attribute pointers take a vertex as 28 packed bytes");
    using Region = Atlas_Region;
    using Source = Atlas_Source;
    using Cell = Atlas_Cell;
    // Three streams, one per program: lit and flat meshes, captions and pictures, outlines. Each slot
    // keeps a range of each, one after the other in the vertex buffer.
    enum { STREAM_OPAQUE, STREAM_TEXTURED, STREAM_OUTLINE, STREAMS };  // in this order in a slot's block
    // The programs: one per stream, and the meshes' again with colours left uninterpolated, for
    // meshes whose quads are each of one colour under a light from a direction (none when the
    // context's GLSL has no flat colours).
    enum { PROGRAM_FLAT = STREAMS, PROGRAMS };
    struct Range {
        int first = 0;     // first quad in the vertex buffer
        int capacity = 0;  // quads kept
    };
    // A box in the widgets' frame; empty when lo > hi.
    struct Box {
        float lo[3] = {1.0f, 1.0f, 1.0f}, hi[3] = {0.0f, 0.0f, 0.0f};
    };
    struct Slot {
        Look look;
        // What a slot keeps of its builds, made at its first: most of a large batch's slots are
        // pending, never built.
        struct Built {
            Look_Signature signature;  // everything the look's vertices and pictures follow from, part by part
            // The quads each part wrote at its last full build, in part order: a part that changed
            // keeps its place in the streams only while it draws as many.
            std::vector<int> part_quads;
            // While a part lives in room of its own: the box around the rest of the slot's quads.
            float steady_lo[3], steady_hi[3];
        };
        std::unique_ptr<Built> built;
        Built& Built_Get()
        {
            if (!built)
                built = std::make_unique<Built>();
            return *built;
        }
        bool signature_known = false;  // none is taken at a layout: the next description is a change
        // One cell per textured part, in part order: cell_count of them from cells_[cell_first] on,
        // in room for cell_room (a slot needing more lays everything out again).
        int cell_first = 0, cell_count = 0, cell_room = 0;
        Range range[STREAMS];
        // The box around every vertex the slot draws now, in the widgets' frame; lo > hi when it
        // draws nothing (hidden).
        float lo[3] = {1.0f, 1.0f, 1.0f}, hi[3] = {0.0f, 0.0f, 0.0f};
        float place_lo[2] = {1.0f, 1.0f}, place_hi[2] = {0.0f, 0.0f};  // Slot_Place's; lo > hi: none
        bool visible = false;                                          // drawn through the index lists
        bool glyphs_visible = false;  // its sharp text's glyphs may fall inside the view
        // Its pictures have no cells in the atlas now (the atlas keeps what is in view): its
        // textured quads stay out of the lists until it is in view and brought back.
        bool cells_out = false;
        // Described since the last Frame: its signature may have changed (in fresh_slots_). A new
        // slot has nothing to compare until it is described.
        bool fresh = false;
        // The box around its blended captions and pictures that reach beyond its meshes (a label's,
        // a read-out below its slider); lo > hi when none does. Their transparent texels hide what
        // later widgets draw behind them, as in widget-by-widget drawing.
        Box spill;
        int spill_hits = 0;  // later slots with quads partly behind that one
        // An earlier slot's spill box reached this one's box when the spills were last counted (kept
        // true until this slot is hooked again): while false and its boxes stay, no earlier slot's
        // count can change with its quads.
        bool spilled_on = false;
        bool run_end = false;  // the lists' run ends after it (it is visible and spill_hits > 0)
        // Its mesh quads lying across x or y were moved while the view was straight and their twin
        // marks not worked out: done when the view turns.
        bool twins_stale = false;
        // A mesh part that changes alone frame after frame (a cursor) keeps its quads in room of
        // its own past the slots' blocks, so that a frame's changed ones lie together and go up
        // without the blocks between them: part `live_part`, the mesh stream's quads from
        // `live_at` on (`live_quads` of them), lies at quad `live_first` of the buffer, and its
        // place in the block holds blank quads. The lists name the room's quads where the part's
        // own would be: the drawing order stays. Until the next layout, or a build of the whole
        // slot.
        int live_part = -1, live_at = 0, live_quads = 0, live_first = 0;
        int live_room = 0;  // quads of its room from live_first on (kept when its part went back)
        // The one part of the stream that changed alone at the last rebuild of some parts, or -1: a
        // part doing so twice in a row takes its room.
        int alone_part = -1;
    };
    struct Program {
        GLuint id = 0;
        GLint mvp = -1, mv = -1, nm = -1, light = -1, diffuse = -1, ambient = -1, normalize = -1, viewport = -1,
              atlas = -1;
    };

    // The plane a lit quad lies across (the axis above, the coordinate's bits below), NO_PLANE for
    // one lying across none, or unlit.
    static constexpr std::uint64_t NO_PLANE = ~std::uint64_t{0};
    static std::uint64_t Quad_Plane(const Vertex* v);
    // Some planes of a slot's meshes, those its changed quads [changed_first, changed_end) lay in
    // before and lie in now (indices among the slot's mesh quads); `full` when they were too many
    // to note.
    struct Plane_Set {
        static constexpr int MOST = 16;
        std::uint64_t planes[MOST];
        int count = 0;
        int changed_first = 0, changed_end = 0;
        bool full = false;
        // Only the planes across z: seen straight, a quad lying across x or y covers no pixel
        // whichever list holds it, and the slot's marks there wait (twins_stale).
        bool across_z_only = false;
        void Add(std::uint64_t plane)
        {
            if (plane == NO_PLANE || (across_z_only && plane >> 32 != 2) || Has(plane))
                return;
            if (count == MOST)
                full = true;
            else
                planes[count++] = plane;
        }
        // The plane quad `v` lies across, when it is one to note.
        void Add_Quad(const Vertex* v)
        {
            // Only a quad facing along z can lie across z (its normal is checked first).
            if (!across_z_only || v->mid.mesh.normal[2] != 0)
                Add(Quad_Plane(v));
        }
        bool Has(std::uint64_t plane) const
        {
            for (int k = 0; k < count; ++k)
                if (planes[k] == plane)
                    return true;
            return false;
        }
    };
    // Where mesh quad `q` of the slot (its place in the slot's mesh stream) lies in the buffer.
    static int Mesh_Quad(const Slot& s, int q)
    {
        return s.live_part >= 0 && q >= s.live_at && q < s.live_at + s.live_quads ? s.live_first + q - s.live_at
                                                                                  : s.range[STREAM_OPAQUE].first + q;
    }
    // Mesh quads `q_first` to `q_end` of the slot as runs that lie together in the buffer: run k's
    // quads [q[k], q[k + 1]) lie from buffer quad at[k] on. Returns how many runs (at most three).
    struct Mesh_Runs {
        int q[4];
        int at[3];
        int count = 0;
        void Add(int from, int to, int buffer_at)
        {
            if (from >= to)
                return;
            q[count] = from;
            q[count + 1] = to;
            at[count++] = buffer_at;
        }
    };
    static Mesh_Runs Mesh_Runs_Get(const Slot& s, int q_first, int q_end)
    {
        Mesh_Runs runs;
        const int block = s.range[STREAM_OPAQUE].first;
        if (s.live_part < 0) {
            runs.Add(q_first, q_end, block + q_first);
            return runs;
        }
        const int live_end = s.live_at + s.live_quads;
        runs.Add(q_first, std::min(q_end, s.live_at), block + q_first);
        const int a = std::max(q_first, s.live_at), b = std::min(q_end, live_end);
        runs.Add(a, b, s.live_first + a - s.live_at);
        const int c = std::max(q_first, live_end);
        runs.Add(c, q_end, block + c);
        return runs;
    }
    // Part `part` (mesh quads `at` to `at + quads`) given room of its own at the end of the buffer,
    // its quads moved there as they are; or its room let go, the part back in the block (whose
    // place for it the caller writes again).
    void Live_Room_Take(Slot& s, int part, int at, int quads, const int counts[STREAMS]);
    // The box around the slot's quads (`counts` in each stream) but its live part's, into its
    // Built's steady box; then the live part's added, into lo and hi.
    void Live_Boxes_Make(Slot& s, const int counts[STREAMS], float lo[3], float hi[3]);
    void Live_Room_Drop(Slot& s);
    // Asks for what comparing slot `i`'s look with its signature reads (its signature, its parts'
    // arrays), while the slot before it is compared and rebuilt: a live frame's widgets' arrays
    // and signatures lie all over the heap, and a frame's rasterising has pushed them out of the
    // cache. In three steps, a slot further ahead each, so that each reads only lines the step
    // before asked for: `stage` 2, the slot's records; 1, what they point to (its built record,
    // its parts); 0, the rest.
    void Slot_Prefetch(std::size_t i, int stage) const;
    // Compares the slot's look with its signature; the changed parts of PARTS in changed_parts_.
    Look_Change Signature_Compare(Slot& slot);
    std::vector<std::uint32_t> changed_parts_;
    // Rewrites only the changed parts of slot `i` (its other parts' vertices stay in the buffer):
    // false when that cannot be done (a part draws another number of quads), the slot then to be
    // built whole; `relayout` set when the atlas has no room.
    bool Parts_Rebuild(std::size_t i, bool& relayout, bool& glyphs_relayout);
    // Vertices `first` to `last` of the slot's block (its streams one after the other) changed:
    // they go up with the frame's changes, and changed mesh quads are marked again.
    // With `planes`, the planes its changed mesh quads lay in before (Parts_Rebuild's, taken
    // before the copy): only those and the ones they lie in now have their twins marked again.
    // `room_first` to `room_last`: the vertices of its live part's room that changed, if any.
    void Block_Changed(Slot& s, int first, int last, Plane_Set* planes = nullptr, int room_first = -1,
                       int room_last = -1);
    // The twins of every slot whose marks across x and y wait, marked (the view no longer straight).
    void Twins_Catch_Up();
    // The quads a part adds to its stream (set here): none when it draws nothing.
    static int Part_Quads(const Look_Part& p, int& stream);
    // The same, none for a caption sharp text draws as glyphs.
    int Part_Quads_Drawn(const Look_Part& p, int& stream) const
    {
        const int quads = Part_Quads(p, stream);
        return quads > 0 && sharp_ && Part_Sharp(p) ? 0 : quads;
    }
    // What the textured parts need of the atlas: RGBA texels, and about how many.
    struct Texels {
        bool rgba = false;
        std::size_t area = 0;
    };
    // The quads the slot's look needs in each stream; the number of its textured parts. Adds their
    // texels to `texels` when given.
    int Quads_Count(const Slot& slot, int counts[STREAMS], Texels* texels = nullptr) const;
    // The slot's first cell.
    Cell* Slot_Cells(const Slot& slot) { return cells_.data() + slot.cell_first; }
    // Writes the slot's vertices, each stream's from out[stream] on (room for Quads_Count's quads),
    // advancing the pointers, and places its pictures; the texel rows of the atlas coordinates are
    // divided by uv_height_. False when a picture found no room in the atlas: the pointers tell
    // how far each stream got.
    // With `write`, only the parts it marks and the textured ones (whose cut follows the others) are
    // written, each written run noted in built_runs_; the other parts' room is passed over and the
    // box is not kept.
    bool Vertices_Build(Slot& slot, Vertex* out[STREAMS], const unsigned char* write = nullptr);
    // A run of vertices Vertices_Build wrote: the stream and its first and end vertex there.
    struct Built_Run {
        int stream, first, end;
    };
    std::vector<Built_Run> built_runs_;
    std::vector<unsigned char> write_parts_;  // Parts_Rebuild's mask
    // Keeps `region` of the source in the cell's atlas texels, copying it into the atlas's rows
    // (pixels_) and, after the layout, marking the cell dirty when it changed; `room` is
    // what a cell that must move reserves. False when the atlas has no room. Calls no GL.
    bool Cell_Place(Cell& cell, const Source& source, const Region& region, const Region& room);
    // Notes the atlas rows of the slot's dirty cells, whose texels Cell_Place wrote into pixels_.
    void Cells_Send(const Slot& slot);
    // Sends the frame's changed vertices and atlas rows, joined into a few uploads.
    void Changes_Send();
    // The extents of the slot's pictures and outlines in the widget's plane, into boxes_.
    void Boxes_Measure(const Slot& slot);
    // The texel window of textured part `i` (one aligned quad) that quads drawn after it overlap.
    void Overlap_Window(const Slot& slot, std::size_t i, float keep[4]) const;
    void Atlas_Make(int height);
    // The visible slots whose pictures wait outside the atlas brought back into it: when it is
    // full, every cell is let go and those in view placed again; when they alone fill it, it grows
    // taller, and past the tallest texture the rest stay out (reported once).
    void Cells_Bring();
    // Slot `i`'s pictures placed and its textured quads written anew; false when the atlas is full.
    bool Slot_Bring(std::size_t i);
    // Every cell let go: each slot with pictures waits until it is in view again.
    void Atlas_Evict();
    // "some are left out", once.
    void Atlas_Full_Report();
    // A slot that had no room in the streams (never described at the layout, or drawing nothing
    // then) given room for `counts` quads at the end of the vertex buffer, and for `textured`
    // cells at the end of the cells, all blank: a widget coming into view needs no layout of the
    // others.
    void Room_Give(Slot& s, const int counts[STREAMS], int textured);
    // The atlas's pixel format for uploads.
    GLenum Atlas_Format() const;
    void Buffers_Make(int quads);
    void Program_Use(const Program& p, const Batch_View& view);
    // Points the attributes at the vertex fields the stream's program reads (buffer bound).
    void Attributes_Point(int stream);
    // Marks the mesh quads from `first` on (`count` of them, in the vertex buffer): those edge-on
    // to a view down the z axis (all of them afresh, or else only those that became faces), and
    // those whose corners differ in colour, normal or lighting (counted in smooth_quads_).
    void Quads_Mark(int first, int count, bool fresh);
    // The slot's bounds: the box around the vertices just built (scratch_).
    void Bounds_Make(Slot& slot) const;
    // Whether any of the slot may fall inside the view's clip volume; a slot without vertices keeps
    // what it was.
    bool Slot_Visible(const Slot& slot) const;
    // Whether a box, grown on every side by what a change with its widget's place kept can add to
    // it, lies outside the clip volume; an empty box never does.
    bool Box_Outside(const float lo[3], const float hi[3]) const;
    // Slot `i`'s visible and far marks for its boxes now (a view taken); a changed visible set
    // rebuilds the lists, or the glyphs' runs. With `box_kept`, its box is the one it was last
    // culled with, against the same view (every slot is culled again when the view moves): its
    // visible mark stands.
    void Slot_Cull(std::size_t i, bool box_kept = false);
    // The slots whose glyphs are in view, handed to the glyphs' draw.
    void Glyph_Slots_Make();
    std::vector<std::uint32_t> glyph_slots_;
    bool glyph_slots_dirty_ = true;
    // Takes the view in: when it moved, tests every slot against it again.
    void View_Take(const Batch_View& view);
    // The index lists of the visible slots, built and uploaded when the visible set or the faces
    // changed.
    void Lists_Upload();

    // Whether blended part `p` reaches beyond the slot's meshes (measured once a build, into
    // mesh_lo/hi across the plane, when `measured` is false); if so its box joins the slot's spill.
    static bool Spill_Measure(Slot& slot, const Look_Part& p, float mesh_lo[2], float mesh_hi[2], bool& measured);
    // Whether a box may hold something a spill hides: reaching below it and overlapping it across
    // the plane.
    static bool Spill_Near(const Box& spill, const Box& later);
    // Whether what slot `i` spills over may hide a quad slot `j` (after it) holds now in the vertex
    // buffer.
    bool Spill_Hides(std::size_t i, std::size_t j) const;
    // Copies slot `k`'s box and spill box to slot_boxes_ and spill_boxes_.
    void Boxes_Keep(std::size_t k);
    // The later slots the spill of slot `k` may hide.
    // Marks spilled_on in each later slot the spill box reaches.
    int Spill_Count(std::size_t k);
    // Every slot's boxes kept and its spill counted (a layout).
    void Spill_Count_All();
    // The slots by the squares of a grid (SPILL_SQUARE units) their boxes and their spill boxes
    // cover, so that a slot is compared with its neighbours only.
    using Square_Map = Square_Lists;
    // Slot `k` entered into the squares its box and spill box cover, or taken out of them.
    void Squares_Enter(std::size_t k, const Box& box, const Box& spill, bool enter);
    // Calls `f` once with each slot whose box in `map` shares a square with `b`.
    template <class F>
    void Squares_Near(const Square_Map& map, const Box& b, F&& f) const;
    // Slot `k`'s quads leave the earlier slots' spill counts (before they change), and come back
    // into them with its own count of later slots (after, its boxes kept anew).
    void Spill_Unhook(std::size_t k);
    void Spill_Hook(std::size_t k);

    // The host's depth and culling, put back after the frame's draws.
    struct Depth_Cull_State {
        GLboolean depth_test = GL_FALSE, cull = GL_FALSE, depth_mask = GL_TRUE;
        GLint depth_func = GL_LESS, cull_mode = GL_BACK, front_face = GL_CCW;
    };
    // Reads the host's and sets the frame's: depth test and writes on, GL_LEQUAL, back faces culled.
    static Depth_Cull_State Depth_Cull_Take();
    static void Depth_Cull_Put(const Depth_Cull_State& host);

    Program programs_[PROGRAMS];
    GLuint vao_ = 0, vbo_ = 0, ibo_ = 0, atlas_ = 0;
    // Only the visible slots are drawn, each stream through its own section of the index buffer
    // (`ibo_`). Seen straight down the z axis (the usual panel view) the walls of the widgets' meshes
    // are lines that cover no pixel: that view's mesh list leaves them out.
    // MARK_TWIN: a lit quad lying in the plane of another of its slot that faces the other way and
    // overlaps it (a slab without thickness): drawn with back faces culled, or the two would fight
    // for depth wherever their triangles round differently.
    enum : unsigned char { MARK_EDGE_ON = 1, MARK_SMOOTH = 2, MARK_TWIN = 4 };
    // Marks the twins among the slot's mesh quads; with `only`, the twins in its planes and its
    // changed quads alone, the others' marks kept.
    void Twins_Mark(const Slot& s, const Plane_Set* only = nullptr);
    std::vector<unsigned char> marks_;  // per quad of the vertex buffer (mesh quads only)
    // Mesh quads whose corners differ: while there is one, all meshes are drawn smooth, in one list
    // and in their order.
    int smooth_quads_ = 0;
    // A lit quad lying across an axis (its place among the slot's quads), the side its normal points
    // to, and its extent along the other two axes: measured only in a plane where quads face both
    // ways.
    struct Flat_Quad {
        int quad;
        bool up;
        float lo[2], hi[2];
    };
    // The flat quads of one plane (axis above, the coordinate's bits below): a chain
    // through flat_next_ from `head`, and the sides they face (1 down, 2 up).
    struct Plane_Group {
        std::uint64_t plane;
        int head, sides;
    };
    // An entry of the open-addressing table from a plane to its group, valid in the call whose
    // stamp it holds.
    struct Plane_Entry {
        std::uint32_t stamp;
        int group;
    };
    // Twins_Mark's, kept to spare their allocations: the flat quads, their chains, the planes and
    // the table.
    std::vector<Flat_Quad> flats_;
    std::vector<int> flat_next_;
    std::vector<Plane_Group> plane_groups_;
    std::vector<Plane_Entry> plane_table_;
    std::uint32_t plane_stamp_ = 0;
    std::vector<unsigned char> twins_found_;
    std::vector<GLuint> index_;  // CPU copy of the index buffer
    // One list per stream, the meshes split in two: the twins, culled (LIST_TWINS), then the rest.
    // The slots are drawn in runs, each run's lists one after the other: a run ends after a slot
    // whose spilled captions may hide part of a later slot, which must then be drawn after them.
    enum { LIST_TWINS = STREAM_OPAQUE, LIST_OPEN = STREAMS, LISTS };
    struct Draw_Range {
        int list, first, count;  // indices
    };
    std::vector<Draw_Range> draws_;
    std::size_t index_bytes_ = 0;  // the index buffer's size
    bool lists_dirty_ = true;
    // The view the visible set was found for.
    float cull_mvp_[16] = {};
    float cull_viewport_[2] = {};
    bool cull_valid_ = false, cull_straight_ = false;
    const char* dialect_ = "";
    bool core_or_es_ = false;
    std::vector<Slot> slots_;
    // What the caller asks of every slot each frame, whether it is pending and far, one byte a slot
    // apart from the slots: the scan over a large batch's widgets then reads a few kilobytes, not
    // every slot's record. STATE_PENDING: never described, so lo and hi are an estimate
    // (Slot_Estimate), and the slot takes no room in the streams, the atlas or the spill counts
    // until its widget is described. STATE_FAR: Slot_Far.
    enum : unsigned char { STATE_PENDING = 1, STATE_FAR = 2 };
    std::vector<unsigned char> slot_states_;
    bool Pending(std::size_t i) const { return (slot_states_[i] & STATE_PENDING) != 0; }
    // The fresh slots, with room for all of them: a frame's changes are taken from those alone, not
    // from a walk over every slot's record (thirty thousand of them at ten thousand rows).
    std::vector<std::uint32_t> fresh_slots_;
    // Each slot's box and spill box side by side, for the spill counts' scans over every slot.
    std::vector<Box> slot_boxes_, spill_boxes_;
    Square_Map box_squares_, spill_squares_;
    bool squares_kept_ = false;                        // false: a box covers too many squares, every slot is scanned
    mutable std::vector<std::uint32_t> squares_seen_;  // Squares_Near's stamp for each slot met
    mutable std::uint32_t squares_stamp_ = 0;
    std::vector<Cell> cells_;       // every slot's cells, in slot order
    std::vector<Cell> cells_next_;  // the next layout's, kept to spare its allocation
    // Vertices are written field by field where they lie: growing the store leaves them unset.
    template <class T>
    struct Unset_Allocator : std::allocator<T> {
        template <class U>
        struct rebind {
            using other = Unset_Allocator<U>;
        };
        Unset_Allocator() = default;
        template <class U>
        Unset_Allocator(const Unset_Allocator<U>&) noexcept
        {}
        template <class U>
        void construct(U* p) noexcept
        {
            ::new (static_cast<void*>(p)) U;
        }
        template <class U, class... Args>
        void construct(U* p, Args&&... args)
        {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    };
    std::vector<Vertex, Unset_Allocator<Vertex>> vertices_;  // CPU copy of the whole vertex buffer
    std::vector<Vertex> scratch_[STREAMS];                   // a slot's vertices being rebuilt
    float built_lo_[3] = {}, built_hi_[3] = {};              // the box around their positions
    float uv_height_ = 1.0f;                                 // what atlas rows are divided by: the atlas's height
    std::vector<unsigned char> pixels_;     // the atlas's rows as far as cells reach, as in the texture
    std::vector<Dirty_Span> vertex_spans_;  // the frame's changed vertices, sent after building
    std::vector<Dirty_Span> row_spans_;     // the frame's changed atlas rows
    enum : unsigned char { BOX_NONE, BOX_TEXTURED, BOX_OUTLINE };
    struct Part_Box {
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0, z0 = 0, z1 = 0;
        unsigned char later = BOX_NONE;  // what the part is, for the quads drawn before it
    };
    std::vector<Part_Box> boxes_;  // per part of the slot being built
    // While laying out, each cell is copied into pixels_ as it is placed; the atlas's rows go up
    // in one piece afterwards.
    bool gathering_ = false;
    // A cell that finds no room leaves its slot out of the atlas (cells_out) rather than failing
    // the build; false while slots in view are brought back, which must know.
    bool cells_wait_ = true;
    bool bring_wanted_ = false;  // a slot went out, or the view moved: Cells_Bring looks again
    // The atlas's texels past which cells of slots out of view are let go rather than the atlas
    // grown (4 MB of masks): a panel of a hundred thousand rows keeps what a screen shows.
    static constexpr std::size_t ATLAS_TEXELS_KEPT = std::size_t{2048} * 2048;
    // Bytes per atlas texel: 1 while every cell is a mask, 4 once a picture is among them.
    int texel_bytes_ = 4;
    int quads_ = 0;  // quads in the vertex buffer
    // Quads the GL buffer has room for: Room_Give's quads past it make it anew, twice as large.
    int buffer_quads_ = 0;
    bool laid_out_ = false;    // a Layout since Init
    bool view_known_ = false;  // cull_mvp_ holds a view (taken since Init), valid or not
    int atlas_w_ = 0, atlas_h_ = 0, max_texture_ = 0;
    int shelf_x_ = 0, shelf_y_ = 0, shelf_h_ = 0;
    bool atlas_full_reported_ = false;
    int draw_calls_ = 0, uploads_ = 0;
    Glyph_Quads glyphs_;
    bool sharp_ = false;
    bool sharp_failed_ = false;  // the sharp program could not be built: captions stay bitmaps
    bool layout_wanted_ = false;
    bool changes_taken_ = false;  // Changes_Take ran since the last Frame
};

}  // namespace core
