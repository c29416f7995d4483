// Shared routines of the widgets: reports, mesh building, buffer objects, caption placement and pass state.
#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <exception>

#include <vrtools/tools.h>

#include "caption_kinds.h"
#include "share.h"

namespace core {

// Packed colours shared by the widgets (red in the low byte).
constexpr unsigned int COLOR_DEFAULT = 0xD8D8D8;    // light grey: a widget without a colour
constexpr unsigned int COLOR_RIM = 0x6E6E6E;        // dark grey: rims, frames, cursor bodies
constexpr unsigned int COLOR_HIGHLIGHT = 0x6464E6;  // hover
constexpr unsigned int COLOR_YELLOW = 0x00FFFF;     // markers, pressed frames
constexpr unsigned int OPAQUE = 0xFF000000;         // alpha byte of a mesh colour word

// Mesh colour word (bytes R, G, B, 255 in memory) of a packed colour.
inline unsigned int Mesh_Color(unsigned long packed)
{
    return static_cast<unsigned int>(packed) | OPAQUE;
}

// [SECTION] Reports ------------------------------------------------------------------------------

// Common guard at the top of public operations: reports an object that was never initialised once
// (three lines) and marks it warned. Never stops the caller.
void Guard(VR_Tools& tool, const char* method);

// Holds the messages of its scope until it ends (host::Messages_Hold): an operation that walks many
// widgets (a batch's frame, a dispatcher's event) finishes its walk before the host's handler, which
// may destroy some of them, hears of anything. Declared first in its function, so that its release
// is the last thing the function does: the handler may destroy the holder itself.
struct Messages_Held {
    Messages_Held() : unwinding_(std::uncaught_exceptions()) { host::Messages_Hold(); }
    // A handler that throws reaches the caller, as when messages came at once; unless an exception
    // is on its way out already, which must not meet a second one here.
    ~Messages_Held() noexcept(false)
    {
        if (std::uncaught_exceptions() == unwinding_) {
            host::Messages_Release();
            return;
        }
        try {
            host::Messages_Release();
        } catch (...) {
        }
    }
    Messages_Held(const Messages_Held&) = delete;
    Messages_Held& operator=(const Messages_Held&) = delete;

private:
    int unwinding_;
};

// Common beginning of every Init: marks the object initialised, converts Name, then checks size and
// window. `window_tag` is the widget's first warning line, a narrow format with one %ls for the name.
// Returns true when the widget should build its geometry.
bool Init_Begin(VR_Tools& tool, HWND window, const char* window_tag);

// Allocation-failure reports (code 1). `kind` is "calloc" or "realloc".
void Report_Alloc(const char* kind, int line, const char* source, const char* variable, int count, int size);
void Report_New(int line, const char* source, const char* variable);

// Drains the GL error queue after a draw call, three lines per error.
void Report_GL_Errors(const char* source, int line, const char* call);

// [SECTION] Mesh ---------------------------------------------------------------------------------

using Quad = short[4][3];

// The three parallel arrays of a mesh and their quad counter: the base mesh of VR_Tools, or another
// mesh a widget owns (a slider's cursor).
struct Mesh {
    short& count;
    short*& vertex;
    short*& normal;
    unsigned int*& color;
};

inline Mesh Base_Mesh(VR_Tools& tool)
{
    return Mesh{tool.Quad_Count, tool.Vertex_Array, tool.Normal_Array, tool.Color_Array};
}

// Normal of a quad a, b, c, d: (a - d) x (c - d) scaled to length 100 in single precision, each
// component truncated toward zero; (0, 0, 0) for a quad without area.
void Normal_Scaled(const Quad& q, short n[3]);
// The raw cross product, each component truncated to 16 bits (no scaling).
void Normal_Raw(const Quad& q, short n[3]);

// Builds a mesh one quad at a time. Appending grows the three arrays by one quad each; when an
// array cannot grow the failure is reported once, the mesh is emptied and later quads are ignored,
// so a widget draws nothing rather than half a shape. In overwrite mode the quads replace the
// existing ones from index 0 (no allocation).
class Mesh_Builder {
public:
    enum Mode { APPEND, OVERWRITE };
    enum Normals { SCALED, RAW };

    Mesh_Builder(Mesh mesh, const char* source, Mode mode = APPEND, Normals normals = SCALED)
        : mesh_(mesh), source_(source), mode_(mode), normals_(normals)
    {}

    void Add(const Quad& q, unsigned int color_word);
    bool Ok() const { return ok_; }

private:
    Mesh mesh_;
    const char* source_;
    Mode mode_;
    Normals normals_;
    short next_ = 0;
    bool ok_ = true;
};

// Releases the three arrays and sets the count to 0.
void Mesh_Free(Mesh mesh);
// Sets the colour of the four vertices of quad `quad`.
void Quad_Color_Set(Mesh mesh, int quad, unsigned int color_word);

// The tray shared by boxes, progress bars, sliders and buttons, 13 quads: the rim top (4 strips at
// z = B), the outer walls (z 0..B), the inner walls (from z = B down to `wall_z`) and the floor at
// `floor_z`, last. Button faces are the same tray with the walls and floor at the face's height.
void Tray_Append(Mesh_Builder& builder, int x, int y, int w, int h, int b, int wall_z, int floor_z,
                 unsigned int rim_word, unsigned int wall_word, unsigned int floor_word);

// [SECTION] Buffer objects -------------------------------------------------------------------------

// The name a widget unloaded by a batch (VR_STATUS_UNLOADED) keeps where it had a texture or buffer:
// not 0, so that whatever tests for the object finds it there, yet never a GL object. GL hands out
// names counting up from 1, so it never gives this one.
constexpr GLuint NAME_UNLOADED = 0xFFFFFFFFu;
// Lets go of the texture or buffer `name` (deleted unless a copy shares it) and leaves
// NAME_UNLOADED in its place; 0 stays 0. Context current.
void Name_Unload(GLuint& name, bool texture);
// True, with `name` zeroed, when it is NAME_UNLOADED: the object is to be made again.
bool Name_Reload(GLuint& name);

// Buffers are replaced whole: delete the old name, generate a new one, upload with GL_STATIC_DRAW.
// Leaves GL_ARRAY_BUFFER unbound. An unloaded name stays so, with no GL call: the widget's arrays
// changed, and its own Draw uploads them when it makes its buffers again.
void Buffer_Replace(GLuint& vbo, const void* data, std::size_t bytes);
// Uploads into the same buffer again (GL_STATIC_DRAW), generating it when there is none yet or when
// a copy shares it: for content that keeps its buffer name (a slider's read-out). An unloaded name
// stays so.
void Buffer_Upload(GLuint& vbo, const void* data, std::size_t bytes);
// Deletes the buffer when the name is not 0 and zeroes it (an unloaded name with no GL call).
void Buffer_Free(GLuint& vbo);
// Replaces the colour buffer from Color_Array (a hover colour), or with no context current marks
// the widget to do so at its next Draw (Colors_Pending_Upload). `kind` is the class for lint mode.
void Colors_Upload(VR_Tools& tool, const char* kind);
// At Draw: the colour upload a call without a context left pending, when a context is current now.
void Colors_Pending_Upload(VR_Tools& tool);
// True, with `pending` set in Status and a lint warning, when no context is current for GL work.
bool GL_Deferred(VR_Tools& tool, unsigned char pending, const char* kind);
// Uploads the three arrays of a mesh into its three buffers (24, 24 and 16 bytes per quad).
void Mesh_Upload(Mesh mesh, GLuint& vertex_vbo, GLuint& normal_vbo, GLuint& color_vbo);
// Points the vertex array (3 x GL_SHORT) and, for non-zero names, the normal (GL_SHORT) and colour
// (4 x GL_UNSIGNED_BYTE) arrays at the buffers and enables those client arrays.
void Mesh_Bind(GLuint vertex_vbo, GLuint normal_vbo, GLuint color_vbo);

// Binds `texture` when it is a texture name; otherwise (or when a copy shares it) generates it,
// binds it and sets wrapping `wrap` on S and T and linear filtering. True when it made a new one.
bool Texture_Prepare(GLuint& texture, GLenum wrap);

// The pipeline the current context offers, read afresh each call (hosts may switch contexts): one
// glGetString, and a profile-mask query where the version string does not name the profile.
enum class Context_Kind { COMPAT, CORE, ES };
Context_Kind Context_Kind_Get();
// Fills the bound texture with a one-byte-per-texel mask: GL_ALPHA8 in a compatibility context,
// the same bytes as GL_R8 where alpha-only formats do not exist.
void Texture_Alpha_Upload(int width, int height, const unsigned char* texels);
// `wrap`, or the nearest wrapping the current context accepts.
GLenum Wrap_Legal(GLenum wrap);
// The calling thread's current GL context (EGL's, else GLX's) or null, without a GL call; a fixed
// non-null value when neither library is loaded and there is no way to tell.
const void* Context_Handle();
bool Context_Current();
// True (reported once) when the current context cannot run a widget's own fixed-function Draw.
bool Own_Draw_Refused();

// [SECTION] Captions ---------------------------------------------------------------------------------

// VR_Tools::Text without its upload: the bitmap and the sizes only (a batch reads the bitmap).
int Text_Render(VR_Tools& tool, const wchar_t* text, unsigned char** buffer, const char* font_name,
                const char* font_style, short font_size, int* tex_width, int* tex_height, int* text_width,
                int* text_height);

// Text_Render's sizes without the bitmap (sharp text draws the glyphs themselves).
int Text_Measure(VR_Tools& tool, const wchar_t* text, const char* font_name, const char* font_style, short font_size,
                 int* tex_width, int* tex_height, int* text_width, int* text_height);

// Text_Render, the bitmap and sizes copied from a recent call for the same font and text when there
// is one (short texts: read-outs). The widgets' own Init and Draw keep to VR_Tools::Text.
int Text_Render_Recent(VR_Tools& tool, const wchar_t* text, unsigned char** buffer, const char* font_name,
                       const char* font_style, short font_size, int* tex_width, int* tex_height, int* text_width,
                       int* text_height);

// Sizes given by VR_Tools::Text.
struct Text_Size {
    int tex_w = 0, tex_h = 0;    // texture, texels (powers of two, 0 without text)
    int text_w = 0, text_h = 0;  // text, pixels
};

// Offsets of a text_w x text_h caption inside a W x H widget with bevel B, from the caption bits:
// right-aligned W - text_w - B - right_margin, centred (W - text_w) / 2 rounded down, else `left`;
// at the bottom B, centred (H - text_h) / 2 rounded down, else at the top H - text_h - B.
struct Caption_Offset {
    int x = 0, y = 0;
};
Caption_Offset Caption_Offsets(unsigned int flags, int w, int h, int b, const Text_Size& text, int left,
                               int right_margin);

// True when the caption at `offset` fits the widget's inner area (W - 2B) x (H - 2B) within 4 units.
bool Caption_Fits(int w, int h, int b, const Caption_Offset& offset, const Text_Size& text);

// Reports a caption larger than its widget: `tag` with the name, then the size lines.
void Report_Caption_Fit(const char* tag, const wchar_t* name, const Text_Size& text);

// Fills the caption quad with its lower-left corner at (x, y, z) in the vertex order (right, bottom),
// (right, top), (left, top), (left, bottom), texture row 0 at the top. Coordinates are 0 where a
// size is 0. Allocates the two arrays when null (24 and 32 bytes); false when that fails (reported).
bool Caption_Quad(short*& vertex, float*& coord, int x, int y, int z, const Text_Size& text, const char* source);

// Makes the caption texture ready when the widget has a name (generated with wrapping `wrap` and
// linear filters, unpack alignment 1 on creation when asked) and renders the name into it.
Text_Size Caption_Render(VR_Tools& tool, GLenum wrap, bool unpack_on_create = false);

// A batch that draws the caption from its atlas lets go of the caption texture (a copy that shares
// it keeps it) and marks the widget VR_STATUS_TEXT_PARKED; Caption_Unpark, first thing in the
// widget's own Draw, makes it again with wrapping `wrap` from Text_Bitmap. A caption without a
// bitmap keeps its texture. Context current.
void Caption_Park(VR_Tools& tool);
// Nothing, and no GL call, for a widget not parked; else its caption texture made again, the
// texture binding and unpack alignment put back.
void Caption_Unpark(VR_Tools& tool, GLenum wrap);
// Lets go of `texture` (deleted unless a copy shares it) and zeroes it; false when there was none
// (an unloaded name stays).
bool Texture_Park(GLuint& texture);

// A batch that draws the widget lets go of what only its own Draw reads: the caption texture, its
// bitmap unless `keep_pixels` (an atlas copies from it), and the caption's and body mesh's buffers
// (their names become NAME_UNLOADED); it marks the widget VR_STATUS_UNLOADED. The arrays stay: the
// batch describes from them. Context current.
void Tool_Unload(VR_Tools& tool, bool keep_pixels);
// Undoes Tool_Unload from the arrays and the name, first thing in the widget's own Draw: the
// buffers are made again and the caption's bitmap rasterised, its texture left to Caption_Unpark.
void Tool_Load(VR_Tools& tool);
// The caption bitmap rasterised again, without GL, when the widget has a caption but no bitmap.
void Caption_Pixels(VR_Tools& tool);

// Uploads a caption quad into two new buffers (24 and 32 bytes).
void Caption_Upload(GLuint& vertex_vbo, GLuint& coord_vbo, const short* vertex, const float* coord);

// Points the vertex array at `vertex_vbo` (3 x GL_SHORT) and the texture-coordinate array at
// `coord_vbo` (2 x GL_FLOAT), and enables both.
void Caption_Bind(GLuint vertex_vbo, GLuint coord_vbo);

// The caption pass's state and what its end puts back (caption_kinds.h).
void Caption_Pass_Begin(const Caption_State& state);
void Caption_Pass_End(Caption_Restore restore);
// Sets the combiner's colour to the texture times the primary colour and its alpha to the texture
// combined by `alpha` (GL_MODULATE: GL's defaults; GL_REPLACE: the texture's own alpha).
void Combiner_Modulate(GLenum alpha = GL_MODULATE);

// [SECTION] Passes ---------------------------------------------------------------------------------

// Start of a rebuild: the mesh arrays and the five base buffers of an earlier Init go, so that a
// second Init never keeps quads or a caption of the first.
void Mesh_Reset(VR_Tools& tool);

// Lit pass: texturing off, lighting with colour material, the three mesh arrays bound and enabled.
void Lit_Pass_Begin(GLuint vertex_vbo, GLuint normal_vbo, GLuint color_vbo);
// Switches off the colour and normal arrays, colour material and lighting (the vertex array stays).
void Lit_Pass_End();

// Flat look: unlit, the first `vertices` of the mesh (its frame strips) in (64, 64, 230), lifted by
// 1.5 - BORDER. Leaves the matrix pushed and standing 1.5 above the widget, the vertex array on.
void Flat_Strips_Begin(GLuint vertex_vbo, int vertices);
// The caption in the flat look, on the strips' plane, in the current colour (combiner left as set).
void Flat_Caption(const VR_Tools& tool, const Caption_State& state);
// The same, leaving the caption pass open for more text under the same state (a slider's read-out);
// false, with nothing begun, when there is no caption. End it with Caption_Pass_End(NONE).
bool Flat_Caption_Begin(const VR_Tools& tool, const Caption_State& state);
// The flat caption's draw alone: texture, buffers and the caption's own height `z`, given apart.
void Flat_Caption_Draw(GLuint texture, GLuint vertex_vbo, GLuint coord_vbo, float z, const Caption_State& state);
// Pops the matrix of Flat_Strips_Begin and switches the vertex array off.
void Flat_Strips_End();

// [SECTION] Lint ------------------------------------------------------------------------------------

// True while the host has the lint mode on (VR_Tools_Lint_Set). Every check below runs only then,
// behind a test of this one flag, so that the mode costs nothing when off.
extern bool Lint_Enabled;
inline bool Lint_On()
{
    return Lint_Enabled;
}

// Gives a lint warning (VR_REPORT_WARNING, a narrow format with the conversions of Error_Fct) unless
// the same text was given before.
void Lint_Report(const char* format, ...);
// A size below 1 at Init; the class is taken from the widget's window warning `window_tag`.
void Lint_Size(const VR_Tools& tool, const char* window_tag);
// The name a report shows, as "%ls%hs": the caption, else (before Init) the host's Name, else "no name".
const wchar_t* Name_Wide(const VR_Tools& tool);
const char* Name_Narrow(const VR_Tools& tool);
// A Name that Init could not take (1024 characters or more).
void Lint_Name_Refused(const VR_Tools& tool, const char* window_tag);
// Takes the GL errors left pending before a widget's Draw and names them as the host's; `call` is
// the call its own reports name.
void Lint_GL_Pending(const char* call);
// A guarded operation `method` on a widget whose Init never ran.
void Lint_Unready(const VR_Tools& tool, const char* method);
// GL_NORMALIZE off or no light enabled at the start of a lit pass.
void Lint_Lit_State();
// A container's Current outside its `count` items; `kind` names the class.
void Lint_Current(const VR_Tools& tool, const char* kind, int current, int count);

}  // namespace core

// [SECTION] Colour editors ---------------------------------------------------------------------------

namespace core {

// Red, green and blue of a packed colour as fractions 0..1, each level taken at its middle:
// (level + 0.5) / 255.
void Color_Fractions(unsigned long packed, float rgb[3]);
// Packed colour of three fractions: trunc(f x 255) per channel, pinned to 0..255 (NaN gives 0).
unsigned long Color_Pack(float r, float g, float b);

// Track pictures of the colour sliders: black to red, green or blue; the hue circle at half
// lightness and full saturation; black to white; white to red.
enum class Ramp { RED, GREEN, BLUE, HUE, LIGHT, SATURATION };
// A w x h RGBA picture (C heap, every row alike) whose column c shows the ramp at c / w. Null for a
// size below 1 or above GL's largest texture, or when memory runs out (reported with `variable`).
unsigned char* Ramp_Picture(Ramp kind, int w, int h, const char* source, const char* variable);

}  // namespace core
