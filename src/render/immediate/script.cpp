// The replay's fields beside a description, and the description helpers that set them.
#include "render/immediate/script.h"

namespace core {

Look_Immediate& Look_Spare()
{
    // Set afresh each time: a description adds to some fields (+=), and nobody reads it.
    static Look_Immediate spare;
    spare = Look_Immediate{};
    return spare;
}

Look& Look_Scratch()
{
    static Replay_Script script;
    static Look look;
    look.Script_Attach(&script);
    look.Clear();
    script.Clear();
    return look;
}

Look_Immediate& Look_Mesh_Buffers(Look& look, const Look_Part& part, const VR_Tools& tool)
{
    Look_Immediate& im = Look_Step(look, part);
    im.vbo[0] = tool.Vertex_VBO;
    im.vbo[1] = tool.Normal_VBO;
    im.vbo[2] = tool.Color_VBO;
    return im;
}

Look_Immediate& Look_Caption_Buffers(Look& look, const Look_Part& part, const VR_Tools& tool)
{
    Look_Immediate& im = Look_Step(look, part);
    im.vbo[0] = tool.Text_Vertex_VBO;
    im.vbo[1] = tool.Text_Coord_VBO;
    im.texture = tool.Text_Texture;
    return im;
}

Look_Part* Look_Flat_Caption(Look& look, const VR_Tools& tool, const Caption_State& state)
{
    Look_Part* caption = nullptr;
    // NOTE: the caption arrays outlive a later Init without a name; their buffers do not.
    if (tool.Text_Vertex_VBO && tool.Text_Vertex_Array) {
        const float z = tool.Text_Vertex_Array[2];
        caption = Look_Caption(look, tool, Look_Wrap::BORDER, 1.5f - z, LOOK_FLAT_RGB);
    }
    if (caption) {
        Look_Immediate& im = Look_Caption_Buffers(look, *caption, tool);
        im.flat_caption = true;
        im.caption = state;
    }
    if (look.Size() > 0)
        Look_Step(look, look.Size() - 1).strips_end = true;
    return caption;
}

void Look_Flat_Strips(Look& look, const VR_Tools& tool, int quads)
{
    if (!tool.Vertex_Array || quads < 1)
        return;
    Look_Part& p = Look_Mesh(look, Look_Pass::FLAT, tool.Vertex_Array, nullptr, nullptr, quads);
    p.offset[2] = 1.5f - static_cast<float>(BORDER);
    p.rgb = LOOK_FLAT_RGB;
    Look_Immediate& im = Look_Step(look, p);
    im.vbo[0] = tool.Vertex_VBO;
    im.strips = true;
}

}  // namespace core
