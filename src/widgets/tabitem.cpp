// Tab items: a trapezoid prism extruded backwards from z = 0 with a caption, lit under the pointer.
#include "core/core.h"
#include "looks.h"
#include "render/immediate/script.h"
#include <vrtools/tabitem.h>

namespace {

constexpr const char* SOURCE = "tabitem";

// The caption's left inset is fixed: a tab's bevel is its depth, not a margin.
constexpr int CAPTION_LEFT = 4;
constexpr int CAPTION_RIGHT = 4;

// Gives the front face (the last quad) the hover colour or the tab's colour and replaces the colour
// buffer. A tab without a mesh has nothing to recolour.
void Front_Recolor(VR_TabItems& t, bool lit)
{
    if (t.Quad_Count <= 0 || !t.Color_Array)
        return;
    const unsigned int word = core::Mesh_Color(lit ? Colors(core::COLOR_HIGHLIGHT).get() : t.Color_Get());
    core::Quad_Color_Set(core::Base_Mesh(t), t.Quad_Count - 1, word);
    core::Colors_Upload(t, "VR_TabItems");
}

}  // namespace

void VR_TabItems::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_TabItems:%ls)"))
        return;
    Hover = 0;
    if (Color_Get() == 0)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;
    const core::Text_Size text = core::Caption_Render(*this, GL_CLAMP_TO_BORDER);
    // Everything of an earlier Init goes, the caption buffers too: a tab renamed to nothing must not
    // keep drawing its old caption.
    core::Mesh_Reset(*this);

    // The foot reaches s beyond the rectangle on both sides; the foot itself is left open.
    const short s = static_cast<short>(Height / 4), B = static_cast<short>(-Bevel);
    const short x0 = X, y0 = Y, x1 = static_cast<short>(X + Width), y1 = static_cast<short>(Y + Height);
    const short fl = static_cast<short>(X - s), fr = static_cast<short>(X + Width + s);
    const unsigned int word = core::Mesh_Color(Color_Get());
    core::Mesh_Builder m(core::Base_Mesh(*this), SOURCE);
    m.Add({{x0, y1, 0}, {x0, y1, B}, {fl, y0, B}, {fl, y0, 0}}, word);  // left slope
    m.Add({{x1, y1, 0}, {x1, y1, B}, {x0, y1, B}, {x0, y1, 0}}, word);  // top
    m.Add({{fr, y0, 0}, {fr, y0, B}, {x1, y1, B}, {x1, y1, 0}}, word);  // right slope
    m.Add({{fl, y0, B}, {x0, y1, B}, {x1, y1, B}, {fr, y0, B}}, word);  // back
    m.Add({{fr, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, {fl, y0, 0}}, word);  // front, last: hover recolours it
    core::Mesh_Upload(core::Base_Mesh(*this), Vertex_VBO, Normal_VBO, Color_VBO);

    if (text.tex_w == 0)
        return;
    const core::Caption_Offset o =
        core::Caption_Offsets(Flags, Width, Height, Bevel, text, CAPTION_LEFT, CAPTION_RIGHT);
    if (!core::Caption_Quad(Text_Vertex_Array, Text_Coord_Array, X + o.x, Y + o.y, 0, text, SOURCE))
        return;
    core::Caption_Upload(Text_Vertex_VBO, Text_Coord_VBO, Text_Vertex_Array, Text_Coord_Array);
}

void VR_TabItems::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_TabItems::Draw");
    if (Status & VR_STATUS_UNLOADED)
        core::Look_Load(*this);
    core::Caption_Unpark(*this, GL_CLAMP_TO_BORDER);
    core::Look_Prepare(*this);
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE);
}

int VR_TabItems::Select(int buttons, float x, float y)
{
    core::Guard(*this, "VR_TabItems::Select");
    if (Width <= 0 || Height <= 0 || (Flags & VR_INACTIVE))
        return 0;
    // The rectangle only: the slopes of the foot belong to no tab, so neighbours never both light.
    const short hit = X < x && x <= X + Width && Y < y && y <= Y + Height ? 1 : 0;
    if (hit != Hover) {
        Hover = hit;
        if (Flags & VR_FLAT)
            return hit;
        Front_Recolor(*this, hit != 0);
    }
    return Hover;
}

void VR_TabItems::Deselect()
{
    if (!Hover)
        return;
    Hover = 0;
    if (!(Flags & VR_FLAT))
        Front_Recolor(*this, false);
}

void VR_TabItems::Adjust()
{
    core::Guard(*this, "VR_TabItems::Adjust");
    if (Width < 1 || Height < 1 || (Flags & (VR_HIDDEN | VR_FLAT)))
        return;
    Front_Recolor(*this, Hover != 0);
}

int VR_TabItems::Read()
{
    core::Guard(*this, "VR_TabItems::Read");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE))
        return -1;
    return Active;
}

namespace {

// Without a mesh (no window at Init, or a size given only later) there is nothing to point at.
bool Shows(const VR_TabItems& t)
{
    return !(t.Flags & VR_HIDDEN) && t.Width >= 1 && t.Height >= 1 && t.Vertex_VBO && t.Quad_Count >= 1;
}

}  // namespace

void core::Look_Unload(VR_TabItems& t, bool keep_pixels)
{
    core::Tool_Unload(t, keep_pixels);
}

void core::Look_Load(VR_TabItems& t)
{
    core::Tool_Load(t);
}

void core::Look_Prepare(VR_TabItems& t)
{
    if (Shows(t))
        core::Colors_Pending_Upload(t);
}

void core::Look_Describe(VR_TabItems& t, Look& look)
{
    if (!Shows(t))
        return;
    if (t.Flags & VR_FLAT) {
        // Outline of the prism without its front face.
        core::Look_Flat_Strips(look, t, t.Quad_Count < 4 ? t.Quad_Count : 4);
        core::Look_Flat_Caption(look, t);
        return;
    }
    core::Look_Mesh(look, t, t.Quad_Count);
    // The bar's current tab reads white, the others black.
    if (t.Text_Vertex_VBO)
        core::Look_Caption(look, t, core::Look_Wrap::BORDER, 1.0f, t.Active ? 0xFFFFFFu : 0u);
}
