// Saving and restoring the host's GL state around a batch frame.
#include "render/batch/host_state.h"

namespace core {

void Batch_Host_State::Save(bool vao_known)
{
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (vao_known)
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &array_buffer);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &element_buffer);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_active);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_unit0);
    glActiveTexture(static_cast<GLenum>(active_texture));
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpack_row_length);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &unpack_skip_rows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &unpack_skip_pixels);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &unpack_buffer);
    if (unpack_row_length != 0)
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (unpack_skip_rows != 0)
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    if (unpack_skip_pixels != 0)
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    if (unpack_buffer != 0)
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    blend = glIsEnabled(GL_BLEND);
    glGetIntegerv(GL_BLEND_SRC_RGB, &blend_src_rgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &blend_dst_rgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &blend_src_alpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &blend_dst_alpha);
}

void Batch_Host_State::Restore(bool vao_known) const
{
    glUseProgram(static_cast<GLuint>(program));
    if (vao_known)
        glBindVertexArray(static_cast<GLuint>(vao));
    // The element binding belongs to the vertex array object just put back.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(element_buffer));
    glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(array_buffer));
    // A texture deleted meanwhile (a widget's own caption, which the batch lets go of) is unbound,
    // as deleting it unbinds it: binding its name again is an error in a core context.
    const auto bind = [](GLint texture) {
        const GLuint name = static_cast<GLuint>(texture);
        glBindTexture(GL_TEXTURE_2D, name != 0 && glIsTexture(name) ? name : 0);
    };
    glActiveTexture(GL_TEXTURE0);
    bind(texture_unit0);
    glActiveTexture(static_cast<GLenum>(active_texture));
    bind(texture_active);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, unpack_row_length);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, unpack_skip_rows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, unpack_skip_pixels);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, static_cast<GLuint>(unpack_buffer));
    if (blend)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    glBlendFuncSeparate(static_cast<GLenum>(blend_src_rgb), static_cast<GLenum>(blend_dst_rgb),
                        static_cast<GLenum>(blend_src_alpha), static_cast<GLenum>(blend_dst_alpha));
}

}  // namespace core
