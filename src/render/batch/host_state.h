// The host's GL state a batch frame changes, saved before and put back after.
#pragma once

#include <GL/glew.h>

namespace core {

// The host state a batch frame touches (the widgets' own steps during description included: a
// read-out's texture, a rebuilt button's buffers).
struct Batch_Host_State {
    GLint program = 0, vao = 0, array_buffer = 0, element_buffer = 0, active_texture = 0;
    GLint texture_unit0 = 0, texture_active = 0, unpack = 4;
    // The rest of the pixel store for uploads: a host streaming its own textures may leave rows of
    // another length, skips or a pixel buffer behind, and the batch's uploads would read through them.
    GLint unpack_row_length = 0, unpack_skip_rows = 0, unpack_skip_pixels = 0, unpack_buffer = 0;
    GLboolean blend = GL_FALSE;
    GLint blend_src_rgb = 0, blend_dst_rgb = 0, blend_src_alpha = 0, blend_dst_alpha = 0;

    // Reads the state, and leaves the pixel store as the batch's uploads (and the widgets' own
    // steps) expect it: rows as long as an upload says, nothing skipped, no pixel buffer bound.
    // `vao_known`: the context has vertex array objects.
    void Save(bool vao_known);
    void Restore(bool vao_known) const;
};

}  // namespace core
