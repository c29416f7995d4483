// Caption placement, the caption quad and the GL state of a caption pass.
#include <cstdlib>

#include "core.h"

namespace core {

Caption_Offset Caption_Offsets(unsigned int flags, int w, int h, int b, const Text_Size& text, int left,
                               int right_margin)
{
    Caption_Offset o;
    // NOTE: >> 1 is an arithmetic shift on our targets, so halves of negative room round down.
    if (flags & VR_TEXT_RIGHT)
        o.x = w - text.text_w - b - right_margin;
    else if (flags & VR_TEXT_HCENTER)
        o.x = (w - text.text_w) >> 1;
    else
        o.x = left;
    if (flags & VR_TEXT_BOTTOM)
        o.y = b;
    else if (flags & VR_TEXT_VCENTER)
        o.y = (h - text.text_h) >> 1;
    else
        o.y = h - text.text_h - b;
    // Offsets live in 16-bit arithmetic like every coordinate of the widgets.
    o.x = static_cast<short>(o.x);
    o.y = static_cast<short>(o.y);
    return o;
}

bool Caption_Fits(int w, int h, int b, const Caption_Offset& o, const Text_Size& text)
{
    return !((w - 2 * b) - o.x < text.text_w - 4 || (h - 2 * b) - o.y < text.text_h - 4);
}

void Report_Caption_Fit(const char* tag, const wchar_t* name, const Text_Size& text)
{
    Error_Fct(::hwnd, VR_REPORT_WARNING, tag, name);
    Error_Fct(::hwnd, VR_REPORT_WARNING, "   Tool is to small for its text!");
    Error_Fct(::hwnd, VR_REPORT_WARNING, "   text width:%d height:%d", text.text_w, text.text_h);
}

bool Caption_Quad(short*& vertex, float*& coord, int x, int y, int z, const Text_Size& text, const char* source)
{
    // A quad that a copy shares keeps its place there; this object writes a quad of its own.
    Heap_Unshare(coord);
    Heap_Unshare(vertex);
    if (!coord)
        coord = static_cast<float*>(std::malloc(32));
    if (!vertex)
        vertex = static_cast<short*>(std::malloc(24));
    if (!coord || !vertex) {
        Report_Alloc("realloc", __LINE__, source, coord ? "this->Text_Vertex_Array" : "this->Text_Coord_Array", 1,
                     coord ? 24 : 32);
        return false;
    }
    const short x0 = static_cast<short>(x), y0 = static_cast<short>(y), zz = static_cast<short>(z);
    const short x1 = static_cast<short>(x + text.text_w), y1 = static_cast<short>(y + text.text_h);
    const short v[12] = {x1, y0, zz, x1, y1, zz, x0, y1, zz, x0, y0, zz};
    for (int i = 0; i < 12; ++i)
        vertex[i] = v[i];
    // A caption without text or texture gets 0, not 0/0: no buffer may ever hold a NaN.
    const float s = text.tex_w ? static_cast<float>(text.text_w) / static_cast<float>(text.tex_w) : 0.0f;
    const float t = text.tex_h ? static_cast<float>(text.text_h) / static_cast<float>(text.tex_h) : 0.0f;
    const float c[8] = {s, t, s, 0.0f, 0.0f, 0.0f, 0.0f, t};
    for (int i = 0; i < 8; ++i)
        coord[i] = c[i];
    return true;
}

void Caption_Upload(GLuint& vertex_vbo, GLuint& coord_vbo, const short* vertex, const float* coord)
{
    Buffer_Replace(vertex_vbo, vertex, 24);
    Buffer_Replace(coord_vbo, coord, 32);
}

void Caption_Bind(GLuint vertex_vbo, GLuint coord_vbo)
{
    glBindBuffer(GL_ARRAY_BUFFER, vertex_vbo);
    glVertexPointer(3, GL_SHORT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, coord_vbo);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

static_assert(CAPTION_REPLACE == GL_REPLACE && CAPTION_MODULATE == GL_MODULATE, "caption modes are GL's");

void Caption_Pass_Begin(const Caption_State& state)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (state.alpha_scale)
        glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, 1.0f);
    glEnable(GL_TEXTURE_2D);
    if (state.unpack_one)
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Colour from the current colour, coverage (alpha) from the mask.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, static_cast<GLint>(state.rgb));
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
}

void Caption_Pass_End(Caption_Restore restore)
{
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (restore == Caption_Restore::COMBINER_AND_MODE)
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (restore != Caption_Restore::NONE)
        Combiner_Modulate();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
}

void Combiner_Modulate(GLenum alpha)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, static_cast<GLint>(alpha));
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
}

}  // namespace core
