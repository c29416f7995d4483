// The host's GL state a batch frame changes, saved before and put back after.
#pragma once

#include <GL/glew.h>

namespace core {

// The host state a batch frame touches (the widgets' own steps during description included: a
// read-out's texture, a rebuilt button's buffers).
struct Batch_Host_State {
    GLint program = 0, vao = 0, array_buffer = 0, element_buffer = 0, active_texture = 0;
    GLint texture_unit0 = 0, texture_active = 0, unpack = 4;
    GLboolean blend = GL_FALSE;
    GLint blend_src_rgb = 0, blend_dst_rgb = 0, blend_src_alpha = 0, blend_dst_alpha = 0;

    // Reads the state; `vao_known`: the context has vertex array objects.
    void Save(bool vao_known);
    void Restore(bool vao_known) const;
};

}  // namespace core
