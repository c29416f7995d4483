// Buttons: a framed face that sinks while pressed, with an optional lamp and the caption on the face.
#include <cstdlib>
#include <utility>

#include <vrtools/button.h>

#include "core/core.h"
#include "looks.h"
#include "render/immediate/script.h"

namespace {

constexpr const char* SOURCE = "button";
constexpr int BUTTON_QUADS = 13;

// True when Init built all thirteen quads and their buffers. Adjust, hover and Draw index the mesh
// from its end (face last, inner walls before it), so anything less must not be read.
bool Has_Mesh(const VR_Buttons& b)
{
    return b.Quad_Count == BUTTON_QUADS && b.Vertex_Array && b.Normal_Array && b.Color_Array && b.Vertex_VBO != 0 &&
           b.Normal_VBO != 0 && b.Color_VBO != 0;
}

// Height of the face: three bevels while up, just above the floor while pressed.
int Face_Z(const VR_Buttons& b)
{
    return b.State == 0 ? 3 * b.Bevel : 1;
}

// Builds the thirteen quads (frame top, outer walls, inner walls, face) for the current State, as
// new arrays or over the existing ones. `lamp` selects the lamp option's colours.
bool Mesh_Build(VR_Buttons& b, core::Mesh_Builder::Mode mode, core::Mesh_Builder::Normals normals, bool lamp)
{
    const unsigned int face = core::Mesh_Color(b.Color_Get());
    const unsigned int grey = core::Mesh_Color(Colors(core::COLOR_RIM).get());
    const unsigned int yellow = core::Mesh_Color(Colors(core::COLOR_YELLOW).get());
    const bool pressed = b.State != 0;
    const unsigned int frame = pressed && !lamp ? yellow : grey;
    const unsigned int inner = !pressed ? face : (lamp ? grey : yellow);
    const int z = Face_Z(b);
    core::Mesh_Builder builder(core::Base_Mesh(b), SOURCE, mode, normals);
    core::Tray_Append(builder, b.X, b.Y, b.Width, b.Height, b.Bevel, z, z, frame, inner, face);
    return builder.Ok();
}

// Hover colour of the face, and of the inner walls while the button is up (a pressed button's
// walls keep their pressed colour). Uploads the colour buffer when asked.
void Recolor(VR_Buttons& b, unsigned long packed, bool upload)
{
    if (!Has_Mesh(b))
        return;
    const core::Mesh mesh = core::Base_Mesh(b);
    const unsigned int word = core::Mesh_Color(packed);
    if (b.State == 0)
        for (int q = b.Quad_Count - 5; q <= b.Quad_Count - 2; ++q)
            core::Quad_Color_Set(mesh, q, word);
    core::Quad_Color_Set(mesh, b.Quad_Count - 1, word);
    if (upload)
        core::Colors_Upload(b, "VR_Buttons");
}

// Moves a quad of 4 vertices (x, y, z) to height z.
void Quad_Lift(short* quad, int z)
{
    for (int i = 0; i < 4; ++i)
        quad[3 * i + 2] = static_cast<short>(z);
}

}  // namespace

namespace {

void Own_Copy(VR_Buttons& to, const VR_Buttons& from)
{
    to.State = from.State;
    to.Lamp = from.Lamp;
    to.Lamp_Array = from.Lamp_Array;
    to.Lamp_VBO = from.Lamp_VBO;
    to.Highlight = from.Highlight;
    to.Built_State = from.Built_State;
}

int Own_Held(VR_Buttons& b, core::Held* h)
{
    h[0] = core::Held_Heap(b.Lamp_Array);
    h[1] = core::Held_Buffer(b.Lamp_VBO);
    return 2;
}

constexpr core::Own_Fields<VR_Buttons> OWN{Own_Copy, Own_Held, "VR_Buttons"};

}  // namespace

VR_Buttons::VR_Buttons(const VR_Buttons& other) : VR_Tools(other)
{
    OWN.Copied(*this, other);
}

VR_Buttons::VR_Buttons(VR_Buttons&& other) noexcept : VR_Tools(std::move(other))
{
    OWN.Moved(*this, other);
}

VR_Buttons& VR_Buttons::operator=(const VR_Buttons& other)
{
    if (this != &other) {
        VR_Tools::operator=(other);
        OWN.Assigned(*this, other);
    }
    return *this;
}

VR_Buttons& VR_Buttons::operator=(VR_Buttons&& other) noexcept
{
    if (this != &other) {
        VR_Tools::operator=(std::move(other));
        OWN.Move_Assigned(*this, other);
    }
    return *this;
}

VR_Buttons::~VR_Buttons()
{
    OWN.Released(*this);
}

void VR_Buttons::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Buttons:%ls)"))
        return;
    Built_State = State;
    Highlight = 0;
    if (Color_Get() == 0)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;

    const core::Text_Size text = core::Caption_Render(*this, GL_CLAMP_TO_BORDER, true);

    // A second Init starts from empty arrays and no buffers; the lamp and caption arrays are reused.
    core::Mesh_Reset(*this);
    core::Buffer_Free(Lamp_VBO);

    const bool lamp = (Flags & VR_BUTTON_LAMP) != 0;
    if (!Mesh_Build(*this, core::Mesh_Builder::APPEND, core::Mesh_Builder::SCALED, lamp))
        return;  // reported by the builder; the button draws nothing
    core::Mesh_Upload(core::Base_Mesh(*this), Vertex_VBO, Normal_VBO, Color_VBO);

    const int z = Face_Z(*this);
    int left = Bevel + 4;
    if (lamp) {
        core::Heap_Unshare(Lamp_Array);
        if (!Lamp_Array)
            Lamp_Array = static_cast<short*>(std::malloc(24));
        if (Lamp_Array) {
            // A strip 4B wide, 2B inside the face's left, lower and upper edges.
            const short x0 = static_cast<short>(X + 3 * Bevel), x1 = static_cast<short>(X + 7 * Bevel);
            const short y0 = static_cast<short>(Y + 3 * Bevel), y1 = static_cast<short>(Y + Height - 3 * Bevel);
            const short zz = static_cast<short>(z);
            const short v[12] = {x1, y0, zz, x1, y1, zz, x0, y1, zz, x0, y0, zz};
            for (int i = 0; i < 12; ++i)
                Lamp_Array[i] = v[i];
            core::Buffer_Replace(Lamp_VBO, Lamp_Array, 24);
        } else {
            core::Report_Alloc("realloc", __LINE__, SOURCE, "this->Lamp_Array", 1, 24);
        }
        left += 6 * Bevel;
    } else {
        // The option was cleared: retire the lamp so that no Draw or Adjust refers to it.
        Lamp_Array = static_cast<short*>(Free(Lamp_Array));
    }

    bool caption = false;
    if (text.tex_w != 0) {
        const core::Caption_Offset o = core::Caption_Offsets(Flags, Width, Height, Bevel, text, left, 4);
        caption = core::Caption_Quad(Text_Vertex_Array, Text_Coord_Array, X + o.x, Y + o.y, z, text, SOURCE);
        if (caption)
            core::Caption_Upload(Text_Vertex_VBO, Text_Coord_VBO, Text_Vertex_Array, Text_Coord_Array);
    }
    if (!caption) {
        // No caption this time: the flat look finds captions by their array, so retire it.
        Text_Vertex_Array = static_cast<short*>(Free(Text_Vertex_Array));
        Text_Coord_Array = static_cast<float*>(Free(Text_Coord_Array));
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void VR_Buttons::Adjust()
{
    core::Guard(*this, "VR_Buttons::Adjust");
    if (Width < 1 || Height < 1 || (Flags & (VR_HIDDEN | VR_FLAT)) || Built_State == State)
        return;
    if (!Has_Mesh(*this)) {
        Built_State = State;  // nothing to rebuild; Init builds for the State it finds
        return;
    }
    // Built_State stays behind State: the next Draw rebuilds.
    if (core::GL_Deferred(*this, VR_STATUS_GL_PENDING, "VR_Buttons"))
        return;
    // NOTE: unlike Init, Adjust stores the raw cross products, unscaled; the library leaves
    // GL_NORMALIZE to the host, so without it a rebuilt button is lit differently from a fresh one.
    Mesh_Build(*this, core::Mesh_Builder::OVERWRITE, core::Mesh_Builder::RAW, Lamp_Array != nullptr);
    if (Highlight)
        Recolor(*this, Colors(core::COLOR_HIGHLIGHT).get(), false);
    core::Mesh_Upload(core::Base_Mesh(*this), Vertex_VBO, Normal_VBO, Color_VBO);

    // Caption and lamp move with the face; their x and y stay where Init put them.
    const int z = Face_Z(*this);
    if (Text_Vertex_Array && Text_Vertex_VBO) {
        Quad_Lift(Text_Vertex_Array, z);
        core::Buffer_Replace(Text_Vertex_VBO, Text_Vertex_Array, 24);
    }
    if (Lamp_Array && Lamp_VBO) {
        Quad_Lift(Lamp_Array, z);
        core::Buffer_Replace(Lamp_VBO, Lamp_Array, 24);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    Built_State = State;
}

int VR_Buttons::Select(int button, float x, float y)
{
    core::Guard(*this, "VR_Buttons::Select");
    if (Width < 1 || Height < 1)
        return 0;
    // Left and lower edges belong to the neighbour, so adjacent buttons never both light up.
    const short inside = static_cast<float>(X) < x && x <= static_cast<float>(X + Width) && static_cast<float>(Y) < y &&
                         y <= static_cast<float>(Y + Height);
    if (inside == Highlight)
        return Highlight;
    Highlight = inside;
    if (Flags & VR_FLAT)
        return inside;
    Recolor(*this, inside ? Colors(core::COLOR_HIGHLIGHT).get() : Color_Get(), true);
    return Highlight;
}

void VR_Buttons::Deselect()
{
    if (Highlight == 0)
        return;
    Highlight = 0;
    if (!(Flags & VR_FLAT))
        Recolor(*this, Color_Get(), true);
}

int VR_Buttons::Read()
{
    core::Guard(*this, "VR_Buttons::Read");
    return State;
}

int VR_Buttons::Click(float x, float y)
{
    if (!Select(1, x, y))
        return 0;
    State = Read() ? 0 : 1;
    return 1;
}

void VR_Buttons::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Buttons::Draw");
    if (Status & VR_STATUS_UNLOADED)
        core::Look_Load(*this);
    core::Caption_Unpark(*this, GL_CLAMP_TO_BORDER);
    core::Look_Prepare(*this);
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE, __LINE__);
}

void core::Look_Prepare(VR_Buttons& b)
{
    // The flat look shows the frame-top strips whatever the State it was built for.
    if ((b.Flags & (VR_HIDDEN | VR_FLAT)) || b.Width < 1 || b.Height < 1 || !Has_Mesh(b))
        return;
    core::Colors_Pending_Upload(b);
    // The host writes State; the mesh follows here, once per change.
    if (b.Built_State != b.State)
        b.Adjust();
}

void core::Look_Unload(VR_Buttons& b, bool keep_pixels)
{
    core::Tool_Unload(b, keep_pixels);
    core::Name_Unload(b.Lamp_VBO, false);
}

void core::Look_Load(VR_Buttons& b)
{
    core::Tool_Load(b);
    if (core::Name_Reload(b.Lamp_VBO) && b.Lamp_Array)
        core::Buffer_Replace(b.Lamp_VBO, b.Lamp_Array, 24);
}

void core::Look_Describe(VR_Buttons& b, Look& look)
{
    if ((b.Flags & VR_HIDDEN) || b.Width < 1 || b.Height < 1 || !Has_Mesh(b))
        return;
    if (b.Flags & VR_FLAT) {
        // The frame-top strips and the caption at 1.5.
        core::Look_Flat_Strips(look, b, 4);
        core::Look_Flat_Caption(look, b);
        return;
    }
    const bool pressed = b.State != 0;
    core::Look_Mesh(look, b, b.Quad_Count);
    // Caption and lamp float above the face: white on a pressed face, black on a raised one.
    const float lift = pressed ? 2.0f : 1.0f;
    if (b.Text_Vertex_VBO)
        core::Look_Caption(look, b, core::Look_Wrap::BORDER, lift, pressed ? 0xFFFFFFu : 0u);
    if (b.Lamp_Array && b.Lamp_VBO) {
        Look_Part& lamp = look.Add(Look_Pass::FLAT);
        lamp.vertex = b.Lamp_Array;
        lamp.quads = 1;
        lamp.offset[2] = lift;
        lamp.rgb = b.Lamp ? 0x00FFFFu : 0x6E6E6Eu;
        // The outline: the same quad as smooth lines, half a unit nearer.
        Look_Part& outline = look.Add(Look_Pass::OUTLINE);
        outline.vertex = b.Lamp_Array;
        outline.quads = 1;
        outline.offset[2] = lift + 0.5f;
    }
}
