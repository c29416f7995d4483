// Each widget class's replay steps, read from its description's parts: what the own Draw does beyond
// them (buffers, pass states, matrix groups, joins, error reports) follows from the class, the parts'
// passes and arrays and the widget's fields.
#include "render/immediate/steps.h"

namespace core {

namespace {

void Mesh_Buffers(Look_Immediate& im, const VR_Tools& tool)
{
    im.vbo[0] = tool.Vertex_VBO;
    im.vbo[1] = tool.Normal_VBO;
    im.vbo[2] = tool.Color_VBO;
}

void Caption_Buffers(Look_Immediate& im, const VR_Tools& tool)
{
    im.vbo[0] = tool.Text_Vertex_VBO;
    im.vbo[1] = tool.Text_Coord_VBO;
    im.texture = tool.Text_Texture;
}

// Where a draw's GL errors are reported: the call's name, the line and the source when it is not
// the replaying widget's.
struct Report {
    const char* call;
    int line;
    const char* source = nullptr;
};

void Report_As(Look_Immediate& im, const Report& report)
{
    im.call = report.call;
    im.line = report.line;
    im.source = report.source;
}

// A body lit from the widget's buffers, then its caption in `state` in a matrix group of its own,
// pushed even without a caption (an empty group after the body). Returns the index of the last
// step, or -1 without a body.
long Body_And_Caption(Script_Reader& r, const VR_Tools& tool, const Caption_State& state, const Report& body,
                      const Report& caption)
{
    Look_Immediate* mesh = r.Take(Look_Pass::LIT, tool.Vertex_Array);
    if (!mesh)
        return -1;
    Mesh_Buffers(*mesh, tool);
    Report_As(*mesh, body);
    if (Look_Immediate* im = r.Take(Look_Pass::TEXT, tool.Text_Vertex_Array)) {
        Caption_Buffers(*im, tool);
        im->caption = state;
        im->group_begin = im->group_end = true;
        Report_As(*im, caption);
    } else {
        mesh->empty_groups = 1;
    }
    return static_cast<long>(r.Steps()) - 1;
}

constexpr const char* BUTTON_DRAW = "VR_Buttons::Draw: glDrawArrays";
constexpr const char* TAB_DRAW = "VR_TabItems::Draw: glDrawArrays";
// A tab item reports these lines of its source, wherever it is drawn from.
constexpr const char* TAB_SOURCE = "tabitem";
constexpr int TAB_BODY_LINE = 226;
constexpr int TAB_CAPTION_LINE = 278;

}  // namespace

void Script_Flat(Script_Reader& r, const VR_Tools& tool, const Caption_State& state)
{
    if (tool.Vertex_Array) {
        if (Look_Immediate* im = r.Take(Look_Pass::FLAT, tool.Vertex_Array)) {
            im->vbo[0] = tool.Vertex_VBO;
            im->strips = true;
        }
    }
    if (Look_Immediate* im = r.Take(Look_Pass::TEXT, tool.Text_Vertex_Array)) {
        Caption_Buffers(*im, tool);
        im->flat_caption = true;
        im->caption = state;
    }
    // After the caption, else the strips: whatever was drawn last.
    if (Look_Immediate* last = r.Last())
        last->strips_end = true;
}

void Script_Add(Script_Reader& r, const VR_Labels& l, int line)
{
    if (Look_Immediate* im = r.Take(Look_Pass::TEXT, l.Text_Vertex_Array)) {
        Caption_Buffers(*im, l);
        im->array_off = Look_Array_Off::BEFORE_END;
        Report_As(*im, Report{"VR_Labels::Draw: glDrawArrays", line});
    }
}

void Script_Add(Script_Reader& r, const VR_Frames& f, int line)
{
    if (Look_Immediate* im = r.Take(Look_Pass::LIT, f.Vertex_Array)) {
        Mesh_Buffers(*im, f);
        im->lit = Look_Lit::MATTE;
        im->array_off = Look_Array_Off::AFTER_END;
        Report_As(*im, Report{"VR_Frames::Draw: glDrawArrays", line});
    }
}

void Script_Add(Script_Reader& r, const VR_Buttons& b, int line)
{
    if (b.Flags & VR_FLAT) {
        Script_Flat(r, b, Caption_State{CAPTION_REPLACE, false, true});
        return;
    }
    // Caption and lamp each in a matrix group of their own, pushed even when empty.
    const Report report{BUTTON_DRAW, line};
    const long caption = Body_And_Caption(r, b, Caption_State{}, report, report);
    if (caption < 0)
        return;
    std::size_t last = static_cast<std::size_t>(caption);
    const Look_Part* lamp = r.Next(Look_Pass::FLAT, b.Lamp_Array);
    if (lamp && b.Lamp_Array) {
        const float lamp_z = lamp->offset[2];
        Look_Immediate& im = r.Take();
        im.vbo[0] = b.Lamp_VBO;
        im.group_begin = true;
        Report_As(im, report);
        // The outline goes on from the lamp's place in the same group.
        if (const Look_Part* outline = r.Next(Look_Pass::OUTLINE, b.Lamp_Array)) {
            const float z_step = outline->offset[2] - lamp_z;
            Look_Immediate& o = r.Take();
            o.z_step = z_step;
            o.group_end = true;
            Report_As(o, report);
        }
        last = r.Steps() - 1;
    } else {
        r.Step(last).empty_groups += 1;
    }
    r.Step(last).array_off = Look_Array_Off::AFTER_END;
}

void Script_Add(Script_Reader& r, const VR_Boxs& box)
{
    const std::size_t first = r.Steps();
    if (box.Flags & VR_FLAT) {
        // The matrix stands 1.5 above the box after the strips.
        if (box.Vertex_Array) {
            if (Look_Immediate* im = r.Take(Look_Pass::FLAT, box.Vertex_Array)) {
                im->vbo[0] = box.Vertex_VBO;
                im->strips = true;
            }
        }
        if (Look_Immediate* im = r.Take(Look_Pass::PICTURE, nullptr)) {
            im->texture = box.Image_Texture;
            im->base_z = 1.5f;
        }
        // The caption in the current colour (the picture's tint when there is a picture).
        if (Look_Immediate* im = r.Take(Look_Pass::TEXT, box.Text_Vertex_Array)) {
            Caption_Buffers(*im, box);
            im->bare = true;
            im->caption = Caption_State{CAPTION_MODULATE, false, true};
            im->restore = Caption_Restore::NONE;
        }
        if (Look_Immediate* last = r.Last())
            last->strips_end = true;
    } else {
        const Look_Part* body = r.Next(Look_Pass::LIT, box.Vertex_Array);
        if (!body)
            return;
        const short* body_vertex = body->vertex;
        Look_Immediate& mesh = r.Take();
        Mesh_Buffers(mesh, box);
        mesh.lit = Look_Lit::FLOOR;
        // A floor drawn apart, unlit, from the same buffers.
        const Look_Part* floor = r.Next(Look_Pass::UNLIT);
        if (floor && floor->vertex && body_vertex) {
            mesh.floor_first = static_cast<int>((floor->vertex - body_vertex) / 3);
            r.Take();
        }
        if (Look_Immediate* im = r.Take(Look_Pass::PICTURE, nullptr))
            im->texture = box.Image_Texture;
        if (Look_Immediate* im = r.Take(Look_Pass::TEXT, box.Text_Vertex_Array)) {
            Caption_Buffers(*im, box);
            im->restore = Caption_Restore::COMBINER_AND_MODE;
        }
        r.Last()->array_off = Look_Array_Off::AFTER_END;
    }
    if (r.Steps() == first)
        return;
    // The box's own z in an outer matrix: the heights the replay issues are above it.
    Look_Immediate& outer = r.Step(first);
    outer.outer_begin = true;
    outer.outer_z = static_cast<float>(box.Z);
    r.Last()->outer_end = true;
    for (std::size_t i = first; i < r.Steps(); ++i)
        r.Step(i).base_z += static_cast<float>(box.Z);
}

void Script_Add(Script_Reader& r, const VR_Progress& p)
{
    if (p.Flags & VR_FLAT) {
        // The rim top only; the stripes stand still.
        if (p.Vertex_Array) {
            if (Look_Immediate* im = r.Take(Look_Pass::FLAT, p.Vertex_Array)) {
                im->vbo[0] = p.Vertex_VBO;
                im->strips = true;
                im->strips_end = true;
            }
        }
        return;
    }
    Look_Immediate* tray = r.Take(Look_Pass::LIT, p.Vertex_Array);
    if (!tray)
        return;
    Mesh_Buffers(*tray, p);
    if (!r.Next(Look_Pass::TEXT, p.Text_Vertex_Array)) {
        tray->array_off = Look_Array_Off::AFTER_END;
        return;
    }
    // The stripes take their colour as a caption does and move through the texture matrix.
    Look_Immediate& im = r.Take();
    Caption_Buffers(im, p);
    im.caption = Caption_State{CAPTION_REPLACE, true, false};
    im.restore = Caption_Restore::COMBINER_AND_MODE;
    im.texture_shift = true;
    im.array_off = Look_Array_Off::AFTER_END;
}

void Script_Add(Script_Reader& r, const VR_TabItems& t)
{
    if (t.Flags & VR_FLAT) {
        const Look_Part* strips = t.Vertex_Array ? r.Next(Look_Pass::FLAT, t.Vertex_Array) : nullptr;
        if (strips || r.Next(Look_Pass::TEXT, t.Text_Vertex_Array))
            Script_Flat(r, t, Caption_State{CAPTION_REPLACE, false, false});
        return;
    }
    const Report body{TAB_DRAW, TAB_BODY_LINE, TAB_SOURCE}, caption{TAB_DRAW, TAB_CAPTION_LINE, TAB_SOURCE};
    if (Body_And_Caption(r, t, Caption_State{CAPTION_REPLACE, true, false}, body, caption) >= 0)
        r.Last()->array_off = Look_Array_Off::AFTER_END;
}

void Script_Add(Script_Reader& r, const VR_Tabs& t)
{
    // The tabs the description went through (tabs.cpp's Reach).
    int n = 0;
    if (t.Item)
        while (n < t.Item_Count && t.Item[n])
            ++n;
    const bool front = t.Current >= 0 && t.Current < n;
    if (front)
        Script_Add(r, *t.Item[t.Current]);
    r.Matrix().group_begin = true;
    float depth = 0.0f;
    for (int i = 0; i < n; ++i) {
        if (front && i == t.Current)
            continue;
        depth -= static_cast<float>(BORDER);
        r.Matrix().pre_z = -static_cast<float>(BORDER);
        const std::size_t first = r.Steps();
        Script_Add(r, *t.Item[i]);
        for (std::size_t k = first; k < r.Steps(); ++k)
            r.Step(k).base_z += depth;
    }
    r.Matrix().group_end = true;
}

void Script_Add(Script_Reader& r, const VR_Selects& l)
{
    // Flat: one triangle per arrow. Lit: per arrow the outer triangle (lighting on), its three walls
    // in one glBegin in its colour, the inner triangle (lighting off).
    const bool flat = (l.Flags & VR_FLAT) != 0;
    for (int k = 0; r.Next(); k = flat ? 0 : (k + 1) % 5) {
        Look_Immediate& im = r.Take();
        im.loose = true;
        im.triangle = k == 0 || k == 4;
        im.light_on = !flat && k == 0;
        im.light_off = !flat && k == 4;
        if (k >= 1 && k <= 3) {
            im.same_colour = true;
            im.joined = k > 1;
            im.joins = k < 3;
        }
    }
}

void Script_Add(Script_Reader& r, VR_Valuators& s, Readout_Refresh refresh, int (*cursor_offset)(VR_Valuators&))
{
    // The read-out: under the cursor (where its part stands, when there is one), nested in the
    // caption's pass and matrix and loaded as it is drawn; its part follows the caption's. Shown only
    // under a caption: one described without a caption is left out. Where a format is set and the
    // description has no read-out (nothing to show this frame, a refused format), the refresh runs
    // at its place all the same, as loading the texture or binding it belongs to the Draw.
    const Look_Part* cursor = nullptr;
    auto readout = [&r, &s, &cursor, refresh, cursor_offset]() -> bool {
        const bool described = r.Next(Look_Pass::TEXT) != nullptr;
        if (!described && !s.Format)
            return false;
        r.Last()->hold = true;
        const float shift = cursor ? cursor->offset[0] : static_cast<float>(static_cast<short>(cursor_offset(s)));
        Look_Part unshown;
        unshown.pass = Look_Pass::TEXT;
        Look_Immediate& im = described ? r.Take() : r.Own(unshown);
        im.at[0] = static_cast<float>(s.X + s.Bevel + s.Cursor_Half_Width);
        im.at[1] = static_cast<float>(s.Y) - 10.0f;
        im.shift = shift;
        im.nested = true;
        im.refresh = refresh;
        im.owner = &s;
        return true;
    };
    if (s.Flags & VR_FLAT) {
        Script_Flat(r, s, Caption_State{CAPTION_REPLACE, false, false});
        const std::size_t caption = r.Steps();
        if (caption > 0 && r.Step(caption - 1).flat_caption && readout()) {
            r.Step(caption - 1).strips_end = false;
            r.Last()->strips_end = true;
            r.Last()->restore = Caption_Restore::NONE;
        }
        return;
    }
    const bool drawn = !(s.Flags & VR_HIDDEN) && s.Width >= 1 && s.Height >= 1;
    if (!drawn && !r.Next())
        return;
    // The body and the cursor share one lit pass; the picture replaces the groove floor. A body
    // without quads (no mesh yet, or only the floor the picture replaces) is not described, yet the
    // own Draw opens its pass.
    Look_Immediate* body = r.Take(Look_Pass::LIT, s.Vertex_Array);
    if (!body)
        body = &r.Own(Look_Part{});
    Mesh_Buffers(*body, s);
    if (s.Cursor_Vertex_Array && (cursor = r.Next(Look_Pass::LIT, s.Cursor_Vertex_Array))) {
        r.Last()->lit_keep = true;
        Look_Immediate& im = r.Take();
        im.lit_open = true;
        im.vbo[0] = s.Cursor_Vertex_VBO;
        im.vbo[1] = s.Cursor_Normal_VBO;
        im.vbo[2] = s.Cursor_Color_VBO;
    }
    if (Look_Immediate* im = r.Take(Look_Pass::PICTURE, nullptr)) {
        im->picture_replace = true;
        im->texture = s.Image_Texture;
    }
    if (Look_Immediate* im = r.Take(Look_Pass::TEXT, s.Text_Vertex_Array)) {
        Caption_Buffers(*im, s);
        im->caption.unpack_one = false;
        if (readout())
            r.Last()->nested_pop = true;
    }
    r.Last()->array_off = Look_Array_Off::AFTER_END;
}

}  // namespace core
