// The record every widget begins with: placement, size, option bits, fonts, colour, name, mesh and caption.
#pragma once

#include <cstddef>
#include <vector>

#include "obrisk.h"
#include "tarnel.h"

#if defined(VRTOOLS_BUILDING)
#define VRTOOLS_API __attribute__((visibility("default")))
#else
#define VRTOOLS_API
#endif

// Option bits of VR_Tools::Flags shared by several widgets; each widget header lists its own.
enum : unsigned int {
    VR_HIDDEN = 0x00000001,        // Draw draws nothing
    VR_INACTIVE = 0x00000002,      // no interaction
    VR_FLAT = 0x00000020,          // flat, unlit look
    VR_TEXT_VCENTER = 0x00000100,  // caption vertically centred
    VR_TEXT_BOTTOM = 0x00000400,   // caption at the bottom (wins over VR_TEXT_VCENTER)
    VR_TEXT_HCENTER = 0x00001000,  // caption horizontally centred
    VR_TEXT_RIGHT = 0x00004000,    // caption right-aligned (wins over VR_TEXT_HCENTER)
};

// Bits of VR_Tools::Status.
enum : unsigned char {
    VR_STATUS_INITIALISED = 0x01,
    VR_STATUS_WARNED = 0x02,
    VR_STATUS_NAMED = 0x04,
    // A pointer or value call came with no GL context current: its buffer uploads, or for
    // VR_STATUS_INIT_PENDING its whole rebuild, wait for the widget's next Draw.
    VR_STATUS_GL_PENDING = 0x08,
    VR_STATUS_INIT_PENDING = 0x10,
    // A batch draws the caption from its own atlas and let go of the caption texture: the
    // widget's next own Draw makes it again from Text_Bitmap.
    VR_STATUS_TEXT_PARKED = 0x20,
    // A batch that draws the widget let go of everything only its own Draw needs (its textures,
    // buffer objects and caption pixels); its arrays stay. The widget's next own Draw makes them
    // again; until then its calls change only its arrays.
    VR_STATUS_UNLOADED = 0x40,
    // A slider's Init found its Value_Table rising from the first entry to the last (never falling,
    // no NaN): Adjust finds a value's position from a guess (the value's place between the ends)
    // and halving, instead of reading the table from the start. The table is the library's: a host
    // that writes it calls Init again.
    VR_STATUS_TABLE_RISING = 0x80,
};

// NOTE: Xlib (through <GL/glx.h>) defines Status as a macro. The field keeps its name, declared here
// with the macro set aside; host code that reads the field must see no such macro at that point.
#if defined(Status)
#pragma push_macro("Status")
#undef Status
#define VRTOOLS_STATUS_MACRO_SAVED
#endif

// Base record of every widget. Plain class: no virtual functions. The destructor and every Init
// need the host's GL context current.
//
// Copies and moves, the same for every widget class:
// - A copy (construction or assignment) copies every field, pointers and GL names included: the
//   copy shares its source's name, bitmaps, pictures, arrays, textures and buffers, and a container
//   copy shares its Item array and the children in it.
// - Each shared object is released once, by whichever of its holders lets go of it last (destroyed,
//   rebuilt by Init, or the target of a move assignment); originals and copies may be destroyed in
//   any order, and a copy stays usable after its original is gone.
// - What one holder rebuilds or uploads again (an Init, a hover colour, a new read-out) becomes its
//   own: it lets go of the shared block, texture or buffer and makes a new one, while the others
//   keep the old one. Arrays edited in place (hover colours, a button's Adjust) stay shared. A
//   container's Grow on an Item array it shares starts it on a new array of new children.
// - The target of a copy assignment does not release what it held before: its other holders keep
//   it; when it was the only holder, those objects are left unreleased. Assign into empty objects,
//   or move.
// - A move (construction or assignment) hands everything over and leaves the source empty and safe
//   to destroy; a move assignment first releases what its target held. Moves never fail, so
//   standard containers of widgets move them when they grow.
// - Batches and dispatchers hold widgets by address and keep up with both: a widget destroyed is
//   forgotten by every one that holds it (a container's children and an editor's members too), and
//   one moved is followed, each holder then holding the object it moved into (the target of a
//   move assignment stays held, once). A copy is a new object: its source stays held, the copy is
//   not.
// - When memory for the share table runs out, the copy holds nothing and draws nothing until its
//   next Init ("Copy: ..." report, code 1).
class VRTOOLS_API VR_Tools {
public:
    const char* Name = nullptr;        // host: narrow (UTF-8) name, converted into W_Name by Init
    HWND Window = nullptr;             // host or Init: window of the captions
    unsigned int Flags = 0;            // host: option bits
    short X = 0;                       // host: left edge, scene units
    short Y = 0;                       // host: bottom edge, scene units (y grows upward)
    short Z = 0;                       // host: z offset (boxes only)
    short Width = 0;                   // host: scene units
    short Height = 0;                  // host: scene units
    short Bevel = 0;                   // host: bevel and margin size, scene units
    const char* Font_Name = nullptr;   // host: font family or Fontconfig pattern
    const char* Font_Style = nullptr;  // host: font style ("Bold", "Italic", ...)
    const char* Font_Extra = nullptr;  // host: copied to children by composites
    short Font_Size = 0;               // host: font size in pixels
    Colors Color;                      // host: main colour, components 0..255
    unsigned char* Image = nullptr;    // library: RGBA pixels of a picture (owned)
    short Spare_1 = 0, Spare_2 = 0, Spare_3 = 0, Spare_4 = 0;
    wchar_t* W_Name = nullptr;                                   // library: name and caption (owned)
    short Quad_Count = 0;                                        // library: quads in the three mesh arrays
    short* Vertex_Array = nullptr;                               // library: x, y, z per vertex, 4 vertices per quad
    short* Normal_Array = nullptr;                               // library: normals, same layout
    unsigned int* Color_Array = nullptr;                         // library: one RGBA word per vertex (bytes R, G, B, A)
    short* Text_Vertex_Array = nullptr;                          // library: caption quad, 4 x (x, y, z)
    float* Text_Coord_Array = nullptr;                           // library: caption texture coordinates, 4 x (s, t)
    unsigned int Vertex_VBO = 0, Normal_VBO = 0, Color_VBO = 0;  // library: GL buffer names
    unsigned int Text_Vertex_VBO = 0, Text_Coord_VBO = 0;        // library: 0 = no caption
    unsigned char* Text_Bitmap = nullptr;                        // library: caption alpha bitmap (owned)
    unsigned int Text_Texture = 0;                               // library: GL texture of the caption
    unsigned int Image_Texture = 0;                              // library: GL texture of Image
    void* Spare_Ptr = nullptr;
    unsigned char Status = 0;  // library: VR_STATUS_* bits

    VR_Tools() = default;
    // Copies every field; the copy shares what the source holds (see above).
    VR_Tools(const VR_Tools& other);
    // Takes everything over; `other` is left empty.
    VR_Tools(VR_Tools&& other) noexcept;
    // Copies every field; what this object held before is not released (see above).
    VR_Tools& operator=(const VR_Tools& other);
    // Releases what this object held, then takes everything of `other` over, leaving it empty.
    VR_Tools& operator=(VR_Tools&& other) noexcept;
    // Releases the name, bitmaps, pictures, arrays, textures and buffers that no copy still holds.
    // Needs the GL context.
    ~VR_Tools();

    // Packed colour (red bits 0..7, green 8..15, blue 16..23) of Color; 0 means "no colour chosen".
    unsigned int Color_Get() const;
    // Sets red, green and blue; the fourth word becomes 0.
    void Color_Set(unsigned char r, unsigned char g, unsigned char b);
    // Sets red, green and blue from a packed colour; the fourth word is kept.
    void Color_Set(unsigned int packed);
    // Copies red, green and blue of `c`; the fourth word is kept.
    void Color_Set(Colors c);

    // Releases `p` with the C heap when not null and no copy still holds it; always returns null.
    void* Free(void* p);

    // The caption text (owned by the widget), or null.
    wchar_t* Name_Get() const;
    // Sets the name from a UTF-8 text. Null changes nothing and returns 1. "%%" yields one '%'; a
    // name holding any other conversion is taken literally. 1 on success, 0 on failure.
    int Name_Set(const char* name);
    // Sets the name from a wide printf-style format (%hs narrow, %ls wide). Null clears the name
    // of an object that has a status and returns 0; an empty result leaves no name. Results of 1024
    // characters or more are refused (0, name cleared).
    int Name_Set(const wchar_t* const format, ...);
    // As the wide Name_Set, from a narrow format.
    int Set_Name(const char* const format, ...);

    // Renders `text` into the texture bound to GL_TEXTURE_2D as a one-byte alpha mask (row 0 at the
    // top of the text) and gives the texture size (powers of two, at most 1024 x 128) and the text
    // size in pixels. `buffer` is the caller's bitmap pointer, grown or shrunk here. Returns 1 when the
    // texture was filled; the sizes are set in every case (0 for null or empty text).
    int Text(const wchar_t* text, unsigned char** buffer, const char* font_name, const char* font_style,
             short font_size, int* tex_width, int* tex_height, int* text_width, int* text_height);
};

#if defined(VRTOOLS_STATUS_MACRO_SAVED)
#pragma pop_macro("Status")
#undef VRTOOLS_STATUS_MACRO_SAVED
#endif

// Version text "<module>.dll 1.1 (rev-b)" when `version` is null or "1.1", else null. The text lives
// in one process-wide buffer that every call rewrites.
VRTOOLS_API char* Get_Version_VR_Tools(const char* version);
// Clean-up hook for hosts; nothing to release.
VRTOOLS_API void VR_Tools_Lib_Cleanup();

// Base of the classes that hold widgets by their address (VR_Dispatchers): while such an object
// holds a widget, the widget's destruction makes it forget the widget and a move of the widget makes
// it hold the object moved into. Copying or moving the holder carries what it holds along. Not
// for hosts.
class VRTOOLS_API VR_Holders {
protected:
    VR_Holders() = default;
    VR_Holders(const VR_Holders& other);
    VR_Holders(VR_Holders&& other) noexcept;
    VR_Holders& operator=(const VR_Holders& other);
    VR_Holders& operator=(VR_Holders&& other) noexcept;
    ~VR_Holders();
};

// A list of widgets held by their address, for libraries built on vrtools that keep widgets of the
// host's (a scene graph's drawable): a widget destroyed while listed leaves a null in its place,
// one moved is listed at its new address. The places stay, so that a library can keep what it
// knows of each widget beside the list. A copy lists what the original lists, and both follow.
// Like the widgets, not for use from two threads at once.
class VRTOOLS_API VR_Holdings : private VR_Holders {
public:
    // Appends `widget` and returns its place; the size, with nothing added, when memory runs out
    // (reported, code 1).
    std::size_t Add(VR_Tools& widget);
    std::size_t Size() const { return widgets_.size(); }
    // The widget at `place`; null once destroyed, or for a place past the end.
    VR_Tools* At(std::size_t place) const { return place < widgets_.size() ? widgets_[place] : nullptr; }
    void Clear();

private:
    friend struct VR_Holdings_Calls;
    std::vector<VR_Tools*> widgets_;
};
