// Buffer objects, client-array binding and texture preparation: the only place widgets reach GL buffers.
#include "core.h"

namespace core {

void Name_Unload(GLuint& name, bool texture)
{
    if (name == 0 || name == NAME_UNLOADED)
        return;
    if (texture)
        Texture_Free(name);
    else
        Buffer_Free(name);
    name = NAME_UNLOADED;
}

bool Name_Reload(GLuint& name)
{
    if (name != NAME_UNLOADED)
        return false;
    name = 0;
    return true;
}

void Buffer_Replace(GLuint& vbo, const void* data, std::size_t bytes)
{
    if (vbo == NAME_UNLOADED)
        return;
    Buffer_Free(vbo);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void Buffer_Upload(GLuint& vbo, const void* data, std::size_t bytes)
{
    if (vbo == NAME_UNLOADED)
        return;
    if (vbo != 0 && Share_Is_Shared(Held_Kind::BUFFER, vbo))
        Buffer_Free(vbo);  // only lets go: the copy keeps its content
    if (vbo == 0)
        glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void Buffer_Free(GLuint& vbo)
{
    // A buffer that a copy still holds stays; the copy deletes it when it lets go.
    if (vbo != 0 && vbo != NAME_UNLOADED && Share_Drop(Held_Kind::BUFFER, vbo))
        glDeleteBuffers(1, &vbo);
    vbo = 0;
}

bool GL_Deferred(VR_Tools& tool, unsigned char pending, const char* kind)
{
    if (Context_Current())
        return false;
    // NOTE: a scene graph's event handlers run between frames with its context released. GL calls
    // would go nowhere, and a replaced buffer would be left with the name 0: drawn as nothing.
    tool.Status |= pending;
    if (Lint_On())
        Lint_Report("Lint: %hs \"%ls\" changed with no GL context current: its GL work waits for its next Draw", kind,
                    tool.W_Name ? tool.W_Name : L"no name");
    return true;
}

void Colors_Upload(VR_Tools& tool, const char* kind)
{
    if (GL_Deferred(tool, VR_STATUS_GL_PENDING, kind))
        return;
    Buffer_Replace(tool.Color_VBO, tool.Color_Array, static_cast<std::size_t>(tool.Quad_Count) * 16);
}

void Colors_Pending_Upload(VR_Tools& tool)
{
    if (!(tool.Status & VR_STATUS_GL_PENDING) || !Context_Current())
        return;
    tool.Status &= static_cast<unsigned char>(~VR_STATUS_GL_PENDING);
    if (tool.Color_Array && tool.Quad_Count > 0)
        Buffer_Replace(tool.Color_VBO, tool.Color_Array, static_cast<std::size_t>(tool.Quad_Count) * 16);
}

void Mesh_Upload(Mesh mesh, GLuint& vertex_vbo, GLuint& normal_vbo, GLuint& color_vbo)
{
    const std::size_t quads = mesh.count > 0 ? static_cast<std::size_t>(mesh.count) : 0;
    Buffer_Replace(vertex_vbo, mesh.vertex, quads * 24);
    Buffer_Replace(normal_vbo, mesh.normal, quads * 24);
    Buffer_Replace(color_vbo, mesh.color, quads * 16);
}

void Mesh_Bind(GLuint vertex_vbo, GLuint normal_vbo, GLuint color_vbo)
{
    glBindBuffer(GL_ARRAY_BUFFER, vertex_vbo);
    glVertexPointer(3, GL_SHORT, 0, nullptr);
    if (normal_vbo) {
        glBindBuffer(GL_ARRAY_BUFFER, normal_vbo);
        glNormalPointer(GL_SHORT, 0, nullptr);
    }
    if (color_vbo) {
        glBindBuffer(GL_ARRAY_BUFFER, color_vbo);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, nullptr);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (normal_vbo)
        glEnableClientState(GL_NORMAL_ARRAY);
    if (color_vbo)
        glEnableClientState(GL_COLOR_ARRAY);
}

bool Texture_Park(GLuint& texture)
{
    if (texture == 0 || texture == NAME_UNLOADED || !glIsTexture(texture))
        return false;
    // Deleted, not emptied: a driver keeps a texture's storage until it is next used for drawing
    // (llvmpipe, in process memory). A copy that shares it keeps it.
    Texture_Free(texture);
    return true;
}

bool Texture_Prepare(GLuint& texture, GLenum wrap)
{
    // A texture shared with a copy is left to the copy: this object fills a new one of its own.
    if (texture != 0 && Share_Is_Shared(Held_Kind::TEXTURE, texture)) {
        Share_Drop(Held_Kind::TEXTURE, texture);
        texture = 0;
    }
    if (glIsTexture(texture)) {
        glBindTexture(GL_TEXTURE_2D, texture);
        return false;
    }
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    wrap = Wrap_Legal(wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return true;
}

}  // namespace core
