// The shaders that draw glyph quads from the glyph atlas, as source text in each language the batch
// speaks. No GL here: the batch compiles them as it does its own programs.
//
// Vertex attributes: a_pos (vec3, scene units: a corner of the glyph's cell), a_uv (vec2, atlas
// coordinates 0..1 of level 0), a_color (vec4), a_info (vec4: x the cell's spread in level-0
// texels, 0 for a coverage cell; y the cell's page), a_step_x and a_step_y (vec4: xyz one level-0
// texel outward from the corner along the glyph's x and y, scene units; w how many texels the
// corner may be pushed that way, signed as the atlas coordinate moves that way; 0 keeps the corner
// where it is, as on a side where the caption is cut).
// Uniforms: u_mvp (mat4), u_viewport (vec2, pixels), u_page (float: the page bound; glyphs of other
// pages draw nothing), u_atlas (sampler2D: a page with its mip levels, the texels in its red channel, filtered linearly between texels and levels, at most Glyph_Atlas::Levels levels),
// u_atlas_size (vec2: the page's level-0 size in texels), and in the program with the outline
// u_outline_color (vec4) and u_outline_width (float, pixels; 0 draws no outline; it reaches no
// further than the field's spread, about a pixel round a 14-pixel caption at its own size, more
// as it comes nearer; the corners are pushed that much further). Output: the colour with its coverage in alpha, to be
// blended with (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA).
#pragma once

namespace core {

// Each shader in two parts, the language's prefix then the body, for glShaderSource (count 2).
struct Sharp_Text_Source {
    const char* vertex[2] = {nullptr, nullptr};
    const char* fragment[2] = {nullptr, nullptr};
};

// The sources in `dialect`, named as the batch names its languages: "120" (GLSL 1.20, nothing
// beyond it), "330 core" or "300 es". All null for any other. Without `outline` the program has
// neither outline uniform and draws none: its fragments skip the ring's work.
Sharp_Text_Source Sharp_Text_Source_Get(const char* dialect, bool outline = true);

// Attribute locations, for glBindAttribLocation before linking.
constexpr const char* const Sharp_Text_Attributes[] = {"a_pos", "a_uv", "a_color", "a_info", "a_step_x", "a_step_y"};
constexpr int Sharp_Text_Attribute_Count = 6;

}  // namespace core
