// Draw passes and rebuild steps that every meshed widget shares: lit mesh, flat strips, flat caption.
#include <cmath>

#include "core.h"

namespace core {

namespace {

// The caption texture's size, which the caption quad's texture coordinates keep (text / s).
bool Caption_Texture_Size(const VR_Tools& tool, int& w, int& h)
{
    const short* v = tool.Text_Vertex_Array;
    const float* c = tool.Text_Coord_Array;
    if (!v || !c || !(c[0] > 0.0f) || !(c[1] > 0.0f))
        return false;
    w = static_cast<int>(std::lround((v[0] - v[6]) / c[0]));
    h = static_cast<int>(std::lround((v[4] - v[1]) / c[1]));
    return w > 0 && h > 0;
}

}  // namespace

void Mesh_Reset(VR_Tools& tool)
{
    Mesh_Free(Base_Mesh(tool));
    Buffer_Free(tool.Vertex_VBO);
    Buffer_Free(tool.Normal_VBO);
    Buffer_Free(tool.Color_VBO);
    Buffer_Free(tool.Text_Vertex_VBO);
    Buffer_Free(tool.Text_Coord_VBO);
}

Text_Size Caption_Render(VR_Tools& tool, GLenum wrap, bool unpack_on_create)
{
    if (tool.W_Name) {
        if (Texture_Prepare(tool.Text_Texture, wrap) && unpack_on_create)
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    Text_Size text;
    tool.Text(tool.W_Name, &tool.Text_Bitmap, tool.Font_Name, tool.Font_Style, tool.Font_Size, &text.tex_w, &text.tex_h,
              &text.text_w, &text.text_h);
    return text;
}

void Caption_Park(VR_Tools& tool)
{
    int w = 0, h = 0;
    if ((tool.Status & VR_STATUS_TEXT_PARKED) || !tool.Text_Bitmap || !Caption_Texture_Size(tool, w, h))
        return;
    if (Texture_Park(tool.Text_Texture))
        tool.Status |= VR_STATUS_TEXT_PARKED;
}

void Tool_Unload(VR_Tools& tool, bool keep_pixels)
{
    // A parked caption texture is gone already; it is made again all the same.
    if (tool.Status & VR_STATUS_TEXT_PARKED)
        tool.Text_Texture = NAME_UNLOADED;
    else
        Name_Unload(tool.Text_Texture, true);
    tool.Status &= static_cast<unsigned char>(~VR_STATUS_TEXT_PARKED);
    if (!keep_pixels)
        Heap_Release(tool.Text_Bitmap);
    for (GLuint* name :
         {&tool.Text_Vertex_VBO, &tool.Text_Coord_VBO, &tool.Vertex_VBO, &tool.Normal_VBO, &tool.Color_VBO})
        Name_Unload(*name, false);
    tool.Status |= VR_STATUS_UNLOADED;
}

void Caption_Pixels(VR_Tools& tool)
{
    if (tool.Text_Bitmap || !tool.W_Name || !tool.Text_Vertex_Array)
        return;
    Text_Size text;
    Text_Render(tool, tool.W_Name, &tool.Text_Bitmap, tool.Font_Name, tool.Font_Style, tool.Font_Size, &text.tex_w,
                &text.tex_h, &text.text_w, &text.text_h);
}

void Tool_Load(VR_Tools& tool)
{
    tool.Status &= static_cast<unsigned char>(~VR_STATUS_UNLOADED);
    if (Name_Reload(tool.Text_Texture)) {
        Caption_Pixels(tool);
        // Caption_Unpark, next in the own Draw, makes the texture from the bitmap.
        tool.Status |= VR_STATUS_TEXT_PARKED;
    }
    if (Name_Reload(tool.Text_Vertex_VBO) && tool.Text_Vertex_Array)
        Buffer_Replace(tool.Text_Vertex_VBO, tool.Text_Vertex_Array, 24);
    if (Name_Reload(tool.Text_Coord_VBO) && tool.Text_Coord_Array)
        Buffer_Replace(tool.Text_Coord_VBO, tool.Text_Coord_Array, 32);
    const std::size_t quads = tool.Quad_Count > 0 ? static_cast<std::size_t>(tool.Quad_Count) : 0;
    if (Name_Reload(tool.Vertex_VBO) && tool.Vertex_Array)
        Buffer_Replace(tool.Vertex_VBO, tool.Vertex_Array, quads * 24);
    if (Name_Reload(tool.Normal_VBO) && tool.Normal_Array)
        Buffer_Replace(tool.Normal_VBO, tool.Normal_Array, quads * 24);
    if (Name_Reload(tool.Color_VBO) && tool.Color_Array)
        Buffer_Replace(tool.Color_VBO, tool.Color_Array, quads * 16);
}

void Caption_Unpark(VR_Tools& tool, GLenum wrap)
{
    if (!(tool.Status & VR_STATUS_TEXT_PARKED))
        return;
    tool.Status &= static_cast<unsigned char>(~VR_STATUS_TEXT_PARKED);
    int w = 0, h = 0;
    if (!tool.Text_Bitmap || !Caption_Texture_Size(tool, w, h))
        return;
    GLint bound = 0, alignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    Texture_Prepare(tool.Text_Texture, wrap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    Texture_Alpha_Upload(w, h, tool.Text_Bitmap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

void Lit_Pass_Begin(GLuint vertex_vbo, GLuint normal_vbo, GLuint color_vbo)
{
    if (Lint_On())
        Lint_Lit_State();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    Mesh_Bind(vertex_vbo, normal_vbo, color_vbo);
}

void Lit_Pass_End()
{
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
}

void Flat_Strips_Begin(GLuint vertex_vbo, int vertices)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    Mesh_Bind(vertex_vbo, 0, 0);
    glColor3ub(64, 64, 230);
    glPushMatrix();
    // The strips float above whatever stands behind them by the toolkit's border depth.
    glTranslatef(0.0f, 0.0f, 1.5f - static_cast<float>(BORDER));
    if (vertices > 0)
        glDrawArrays(GL_QUADS, 0, vertices);
    glTranslatef(0.0f, 0.0f, static_cast<float>(BORDER));
}

void Flat_Caption_Draw(GLuint texture, GLuint vertex_vbo, GLuint coord_vbo, float z, const Caption_State& state)
{
    Caption_Pass_Begin(state);
    glBindTexture(GL_TEXTURE_2D, texture);
    Caption_Bind(vertex_vbo, coord_vbo);
    // The caption was built at its lit height; in the flat look it lies on the strips' plane.
    glTranslatef(0.0f, 0.0f, -z);
    glDrawArrays(GL_QUADS, 0, 4);
    glTranslatef(0.0f, 0.0f, z);
}

bool Flat_Caption_Begin(const VR_Tools& tool, const Caption_State& state)
{
    // NOTE: the caption arrays outlive a later Init without a name; their buffers do not.
    if (!tool.Text_Vertex_Array || !tool.Text_Vertex_VBO)
        return false;
    Flat_Caption_Draw(tool.Text_Texture, tool.Text_Vertex_VBO, tool.Text_Coord_VBO, tool.Text_Vertex_Array[2], state);
    return true;
}

void Flat_Caption(const VR_Tools& tool, const Caption_State& state)
{
    if (Flat_Caption_Begin(tool, state))
        Caption_Pass_End(Caption_Restore::NONE);
}

void Flat_Strips_End()
{
    glPopMatrix();
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace core
