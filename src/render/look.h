// What a widget draws, apart from how: a list of parts (mesh ranges, caption and picture quads, outlines)
// with their pass, offset, colour and texture, which a back end turns into GL calls.
#pragma once

#include <vrtools/tools.h>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "render/look_kinds.h"

namespace core {

// One part: `quads` quads from the arrays (4 vertices each, x, y, z as shorts), placed at
// vertex * scale + offset in the widget's frame. Geometry drawn without arrays (pictures, arrows) is
// one quad of the part's own: `vertex` null, corners in own_vertex and own_coord.
struct Look_Part {
    Look_Pass pass = Look_Pass::LIT;
    const short* vertex = nullptr;
    const short* normal = nullptr;        // LIT: one normal per vertex; null: `fixed_normal`
    const unsigned int* color = nullptr;  // LIT, UNLIT: one RGBA word per vertex (bytes R, G, B, A)
    const float* coord = nullptr;         // TEXT, PICTURE: s, t per vertex
    int quads = 0;
    float offset[3] = {0.0f, 0.0f, 0.0f};
    float scale[3] = {1.0f, 1.0f, 1.0f};
    unsigned int rgb = 0;   // FLAT, TEXT, OUTLINE and tinted pictures: packed colour (red low)
    float shift_s = 0.0f;   // added to s (a moving texture)
    bool modulate = false;  // TEXT: `rgb` times itself (the combiner's default second source
                            // is the primary colour again); PICTURE: texture times `rgb`, else
                            // the texture's own colour
    bool blend = true;      // PICTURE: blended by its alpha, else written opaque
    Look_Texture texture;
    // TEXT: the string the mask shows and the widget whose font (at `text_size` pixels) drew it, for
    // a back end that draws the glyphs themselves; null for a mask that is no text.
    const wchar_t* text = nullptr;
    const VR_Tools* text_tool = nullptr;
    short text_size = 0;
    float fixed_normal[3] = {0.0f, 0.0f, 1.0f};
    short own_vertex[12] = {};
    float own_coord[8] = {};

    // Sets the part's own quad (quads becomes 1); a triangle repeats its last corner.
    void Own_Quad(const short v[12], const float st[8] = nullptr)
    {
        vertex = nullptr;
        quads = 1;
        for (int i = 0; i < 12; ++i)
            own_vertex[i] = v[i];
        for (int i = 0; i < 8; ++i)
            own_coord[i] = st ? st[i] : 0.0f;
    }
    const short* Vertices() const { return vertex ? vertex : own_vertex; }
    const float* Coords() const { return vertex ? coord : own_coord; }
};

// A read-out's text as a description formatted it from `value` with the printf `format`, kept for
// the next frame's description of the same widget.
struct Look_Memo {
    bool valid = false;
    char format[48] = {};
    float value = 0.0f;
    wchar_t text[40] = {};
};

// Memory for a Look's parts. A Look's first room (eight parts) comes from chunks of such blocks, as a
// batch's Init describes thousands of widgets at once; any other size comes from the heap. Throws
// std::bad_alloc as operator new does. NOTE: like the rest of the library, from one thread only.
void* Parts_Take(std::size_t bytes);
void Parts_Give(void* memory, std::size_t bytes);

template <class T>
struct Parts_Allocator {
    using value_type = T;
    Parts_Allocator() = default;
    template <class U>
    Parts_Allocator(const Parts_Allocator<U>&) noexcept
    {}
    T* allocate(std::size_t n) { return static_cast<T*>(Parts_Take(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { Parts_Give(p, n * sizeof(T)); }
    bool operator==(const Parts_Allocator&) const { return true; }
    bool operator!=(const Parts_Allocator&) const { return false; }
};
using Look_Parts = std::vector<Look_Part, Parts_Allocator<Look_Part>>;

// A widget's description. Parts are drawn in order; later parts at the same depth win as they do
// with the host's depth function GL_LEQUAL. Clearing keeps the storage, so a steady frame allocates
// nothing.
class Look {
public:
    static constexpr std::size_t FIRST_PARTS = 8;  // a widget's usual parts
    void Clear() { parts_.clear(); }
    // Appends a part and returns it for filling in.
    Look_Part& Add(Look_Pass pass)
    {
        // Room for a widget's usual parts at once: a batch describes thousands of widgets at its Init.
        if (parts_.capacity() == 0)
            parts_.reserve(FIRST_PARTS);
        parts_.emplace_back();
        parts_.back().pass = pass;
        return parts_.back();
    }
    // Moves the parts from index `first` on by `dz` along z (a tab bar's receding tabs).
    void Shift_From(std::size_t first, float dz)
    {
        for (std::size_t i = first; i < parts_.size(); ++i)
            parts_[i].offset[2] += dz;
    }
    std::size_t Size() const { return parts_.size(); }
    Look_Part& Back() { return parts_.back(); }
    // NOTE: a later Add may move the parts: keep indices, not references, across it.
    Look_Part& At(std::size_t i) { return parts_[i]; }
    const Look_Parts& Parts() const { return parts_; }
    // Survives Clear: what formatting gave in an earlier frame of this description.
    // A read-out's memo, made the first time it is asked for: a batch keeps a look for every widget
    // and few of them format values. Should memory run out, one memo kept by none serves: it is only a
    // cache of the text a format gives a value.
    Look_Memo& Memo()
    {
        if (!memo_)
            memo_.reset(new (std::nothrow) Look_Memo);
        if (memo_)
            return *memo_;
        static Look_Memo shared;
        return shared;
    }

private:
    Look_Parts parts_;
    std::unique_ptr<Look_Memo> memo_;
};

// Set while a batch that draws text as glyph quads describes its widgets: text made anew (a read-out's
// new value) is measured for its text box but not rasterised, as no bitmap of it is read.
bool& Look_Glyph_Text();

// [SECTION] Helpers shared by the widgets' descriptions

// The flat look's colour of strips, arrows and captions.
constexpr unsigned int LOOK_FLAT_RGB = 0xE64040;

// A one-byte alpha mask of tex_w x tex_h texels (VR_Tools::Text renders them).
Look_Texture Mask_Texture(const unsigned char* pixels, int tex_w, int tex_h, Look_Wrap wrap, const void* key,
                          int key_bytes);

// Adds the widget's caption quad (Text_Vertex_Array) as a TEXT part lifted by `dz`, when it has one
// with a bitmap. The texture size is read back from the quad's texture coordinates. Returns the part
// or null.
Look_Part* Look_Caption(Look& look, const VR_Tools& tool, Look_Wrap wrap, float dz, unsigned int rgb);

// Adds `quads` quads of a mesh's arrays (normals and colours may be null) as one part.
Look_Part& Look_Mesh(Look& look, Look_Pass pass, const short* vertex, const short* normal, const unsigned int* color,
                     int quads);
// The same for the first `quads` quads of the widget's base mesh, lit.
Look_Part& Look_Mesh(Look& look, const VR_Tools& tool, int quads);

// A picture over the whole widget at height `z`: corners lower left, lower right, upper right, upper
// left with texture coordinates `st`; `pixels` is an RGBA picture of tex_w x tex_h.
Look_Part& Look_Picture(Look& look, const VR_Tools& tool, const float st[8], float z, const unsigned char* pixels,
                        int tex_w, int tex_h, Look_Wrap wrap);

// The flat look's strips: the first `quads` quads of the base mesh in LOOK_FLAT_RGB, lifted by
// 1.5 - BORDER.
void Look_Flat_Strips(Look& look, const VR_Tools& tool, int quads);

// The flat look's caption on the strips' plane (after Look_Flat_Strips): the caption quad lowered by
// its own z, in the strips' colour. Returns the caption part or null.
Look_Part* Look_Flat_Caption(Look& look, const VR_Tools& tool);

}  // namespace core
