// Helpers of the widgets' descriptions: caption and mask textures, meshes and pictures.
#include <cmath>
#include <cstddef>
#include <cwchar>
#include <new>

#include "render/look.h"

namespace core {

bool& Look_Glyph_Text()
{
    static bool on = false;
    return on;
}

Look_Texture Mask_Texture(const unsigned char* pixels, int tex_w, int tex_h, Look_Wrap wrap, const void* key,
                          int key_bytes)
{
    Look_Texture t;
    if (!pixels || tex_w < 1 || tex_h < 1)
        return t;
    t.pixels = pixels;
    t.tex_w = tex_w;
    t.tex_h = tex_h;
    t.wrap = wrap;
    t.key = key;
    t.key_bytes = key_bytes;
    return t;
}

Look_Part* Look_Caption(Look& look, const VR_Tools& tool, Look_Wrap wrap, float dz, unsigned int rgb)
{
    const short* v = tool.Text_Vertex_Array;
    const float* c = tool.Text_Coord_Array;
    // Glyph quads need only the text box: a widget a batch unloaded has no bitmap of its caption.
    if (!v || !c || (!tool.Text_Bitmap && !Look_Glyph_Text()))
        return nullptr;
    // The quad runs from (x1, y0) over (x1, y1) to (x0, y0); s and t at its right and lower corner are
    // text / texture sizes, so the texture size comes back as text / s.
    const int text_w = v[0] - v[6], text_h = v[4] - v[1];
    if (!(c[0] > 0.0f) || !(c[1] > 0.0f) || text_w < 1 || text_h < 1)
        return nullptr;
    const int tex_w = static_cast<int>(std::lround(text_w / c[0]));
    const int tex_h = static_cast<int>(std::lround(text_h / c[1]));
    const wchar_t* name = tool.W_Name;
    Look_Part& p = look.Add(Look_Pass::TEXT);
    p.vertex = v;
    p.coord = c;
    p.quads = 1;
    p.offset[2] = dz;
    p.rgb = rgb;
    const int key_bytes = name ? static_cast<int>(std::wcslen(name) * sizeof(wchar_t)) : 0;
    p.texture = Mask_Texture(tool.Text_Bitmap, tex_w, tex_h, wrap, name, key_bytes);
    if (!tool.Text_Bitmap) {
        p.texture.tex_w = tex_w;
        p.texture.tex_h = tex_h;
        p.texture.wrap = wrap;
        p.texture.key = name;
        p.texture.key_bytes = key_bytes;
    }
    p.text = name;
    p.text_tool = &tool;
    p.text_size = tool.Font_Size;
    return &p;
}

Look_Part& Look_Mesh(Look& look, Look_Pass pass, const short* vertex, const short* normal, const unsigned int* color,
                     int quads)
{
    Look_Part& p = look.Add(pass);
    p.vertex = vertex;
    p.normal = normal;
    p.color = color;
    p.quads = vertex ? quads : 0;
    return p;
}

Look_Part& Look_Mesh(Look& look, const VR_Tools& tool, int quads)
{
    return Look_Mesh(look, Look_Pass::LIT, tool.Vertex_Array, tool.Normal_Array, tool.Color_Array, quads);
}

Look_Part& Look_Picture(Look& look, const VR_Tools& tool, const float st[8], float z, const unsigned char* pixels,
                        int tex_w, int tex_h, Look_Wrap wrap)
{
    Look_Part& p = look.Add(Look_Pass::PICTURE);
    const short x0 = tool.X, y0 = tool.Y;
    const short x1 = static_cast<short>(tool.X + tool.Width), y1 = static_cast<short>(tool.Y + tool.Height);
    const short v[12] = {x0, y0, 0, x1, y0, 0, x1, y1, 0, x0, y1, 0};
    p.Own_Quad(v, st);
    p.offset[2] = z;
    p.texture.pixels = pixels;
    p.texture.tex_w = tex_w;
    p.texture.tex_h = tex_h;
    p.texture.rgba = true;
    p.texture.wrap = wrap;
    return p;
}

void Look_Flat_Strips(Look& look, const VR_Tools& tool, int quads)
{
    if (!tool.Vertex_Array || quads < 1)
        return;
    Look_Part& p = Look_Mesh(look, Look_Pass::FLAT, tool.Vertex_Array, nullptr, nullptr, quads);
    p.offset[2] = 1.5f - static_cast<float>(BORDER);
    p.rgb = LOOK_FLAT_RGB;
}

Look_Part* Look_Flat_Caption(Look& look, const VR_Tools& tool)
{
    // NOTE: the caption arrays outlive a later Init without a name; their buffers do not.
    if (!tool.Text_Vertex_VBO || !tool.Text_Vertex_Array)
        return nullptr;
    return Look_Caption(look, tool, Look_Wrap::BORDER, 1.5f - tool.Text_Vertex_Array[2], LOOK_FLAT_RGB);
}

}  // namespace core
