// Sharp text: a glyph's coverage worked out per pixel from its distance field, so that its edges stay
// about a pixel wide however near, far or turned the caption is.
#include "render/batch/sharp_text_program.h"

#include <cstring>

namespace core {

namespace {

// The quad comes as its glyph's cell; each corner moves along the glyph's x and y apart to where a
// pixel drawn there can just still take in ink. Near, that lies inside the cell's spread round the
// outline and the corner is pulled in, so that the costly fragment shader runs on little more than
// the ink (most of a glyph's time on a software rasteriser); far, a pixel's samples reach past the
// cell and the corner is pushed out, up to the whole padding. A side where the caption is cut (no
// reach) stays where it is: pulled in, it would lose the ink the cut runs through. Apart, because
// a caption turned away has its texels squeezed along one axis only. The atlas
// coordinates move with the position by the same texels, so they stay an affine function of the
// position in the glyph's plane and interpolate exactly however unequal the four corners' moves
// are.
const char* const Vertex_Body = R"(
uniform mat4 u_mvp;
uniform vec2 u_viewport;
uniform vec2 u_atlas_size;
#ifdef OUTLINE
uniform float u_outline_width;
#else
#define u_outline_width 0.0
#endif
uniform float u_page;
IN vec3 a_pos;
IN vec2 a_uv;
IN vec4 a_color;
IN vec4 a_info;
IN vec4 a_step_x;
IN vec4 a_step_y;
OUT vec2 v_uv;
OUT vec4 v_color;
OUT float v_spread;
// Pixels one level-0 texel along `step` (in clip space) spans on screen at the corner (clip position
// `at`); 0 when the corner or its neighbour lies at or behind the eye and it cannot be told.
float Pixels(vec4 at, vec4 step)
{
    vec4 next = at + step;
    if (at.w <= 1e-6 || next.w <= 1e-6)
        return 0.0;
    return length((next.xy / next.w - at.xy / at.w) * 0.5 * u_viewport);
}
void main()
{
    // The corner and its texel steps in clip space, once: the corner moves along the steps.
    vec4 at = u_mvp * vec4(a_pos, 1.0);
    vec4 step_x = u_mvp * vec4(a_step_x.xyz, 0.0), step_y = u_mvp * vec4(a_step_y.xyz, 0.0);
    // Texels a pixel spans along the glyph's x and y, as the fragment shader finds them.
    vec2 per_pixel = 1.0 / max(vec2(Pixels(at, step_x), Pixels(at, step_y)), 1e-6);
    // While the fragment shader works the edge out from the distance, a pixel takes in ink up to
    // half a pixel past the outline (its samples lie a quarter pixel off its centre, and their
    // edges reach a quarter pixel across; a little more on a diagonal), 0.6 with room, and an
    // outline that much further; the reach counts from the outline, the cell's spread inside it.
    // Once it takes in the field's own value as the coverage (half a pixel, as it splits pixels,
    // wider than the spread, or a coverage cell), ink reaches wherever the field is read: the
    // samples' offset and half a texel of the level read past the cell, within three quarters of
    // a pixel. Closer, the pictures lose faint ink.
    float footprint = max(0.5 * max(per_pixel.x, per_pixel.y), min(per_pixel.x, per_pixel.y));
    float inside = a_info.x > 0.5 && footprint <= a_info.x ? a_info.x : 0.0;
    vec2 want = ((inside > 0.0 ? 0.6 : 0.75) + max(u_outline_width, 0.0)) * per_pixel - inside;
    vec2 reach = vec2(a_step_x.w, a_step_y.w);
    vec2 e = min(want, abs(reach)) * vec2(greaterThan(abs(reach), vec2(0.0)));
    v_uv = a_uv + sign(reach) * e / u_atlas_size;
    v_color = a_color;
    v_spread = a_info.x;
    gl_Position = at + e.x * step_x + e.y * step_y;
    // One draw a page: a glyph of another page is put outside the clip volume.
    if (abs(a_info.y - u_page) > 0.5)
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
}
)";

// The edge's width is taken along the field's gradient, in level-0 texels a pixel moves that way:
// a caption turned away has its texels squeezed along one axis and not the other, and a single
// isotropic width would blur its horizontal strokes or alias its vertical ones.
// Two samples a quarter of the pixel's longer axis either side of its centre stand for the pixel's
// area, each for its half, and each edge is as wide as that half. They are read from one level,
// found from the one that fits a quarter of the long axis (or the short axis when that is longer):
// the level of a half blurs a caption turned far away until its strokes run together, and two
// samples of the finer level, their edges a half wide, still hold its ink steady as it moves.
// Blending two levels would fetch twice the texels, most of a pixel's cost on a software
// rasteriser. One level alone changes at a distance, and a coarser level thins a stroke the edge
// is worked out from: a level below the one that fits, rounded, keeps the strokes' weight near
// and changes level first where the field's mean carries a good part of the coverage (a caption
// zoomed through a change of level gains or loses under 9 % of its ink; with the finer of the two
// round the one that fits, up to 29 %). The samples' mean
// gives the gradient's direction; a sample of its own at the centre would cost as much as one of
// them. Where a half spans twice the spread or more (text seen from far), the field's value
// itself is taken as the coverage, and between one and two spreads a mix of both: with the
// distance clamped to the spread, the mean of a level's values over a stroke about two spreads
// wide is the part of it inside the glyph, and unlike the edge worked out from the distance it is
// linear in the texels, so the caption's ink does not flicker as it moves by less than a pixel.
// Seen straight on the two axes are as long, and rounding alone would choose between them, pixel
// by pixel as a quad's triangles fall; the x axis wins unless the y axis is clearly longer, so
// that the samples lie along the caption's lines, the way it mostly moves.
// The program comes with and without the outline (OUTLINE): most captions have none, and their
// fragments skip the ring's work.
const char* const Fragment_Body = R"(
uniform sampler2D u_atlas;
uniform vec2 u_atlas_size;
#ifdef OUTLINE
uniform vec4 u_outline_color;
uniform float u_outline_width;
#endif
IN vec2 v_uv;
IN vec4 v_color;
IN float v_spread;
void main()
{
    vec2 uv_x = dFdx(v_uv), uv_y = dFdy(v_uv);
    vec2 jx = uv_x * u_atlas_size, jy = uv_y * u_atlas_size;
    bool x_long = dot(jx, jx) >= 0.98 * dot(jy, jy);
    vec2 uv_long = x_long ? uv_x : uv_y;
    vec2 j_long = x_long ? jx : jy, j_short = x_long ? jy : jx;
    float long_len = max(length(j_long), 1.0 / 4096.0), short_len = length(j_short);
#ifdef TEX_LOD
    float lod = log2(max(0.25 * long_len, short_len)) - 1.0;
    vec2 t = vec2(TEX_LOD(u_atlas, v_uv - 0.25 * uv_long, lod).r, TEX_LOD(u_atlas, v_uv + 0.25 * uv_long, lod).r);
#else
    float bias = log2(max(0.25, short_len / long_len)) - 1.0;
    vec2 t = vec2(TEX(u_atlas, v_uv - 0.25 * uv_long, bias).r, TEX(u_atlas, v_uv + 0.25 * uv_long, bias).r);
#endif
    float mean = 0.5 * (t.x + t.y);
    // The gradient on screen, brought back into the cell through the inverse of (jx, jy) (its
    // determinant and the field's scale left out: only the direction counts).
    vec2 gs = vec2(dFdx(mean), dFdy(mean));
    vec2 g = vec2(jy.y * gs.x - jx.y * gs.y, jx.x * gs.y - jy.x * gs.x);
    float g2 = dot(g, g);
    vec2 n = g2 > 0.0 ? g * inversesqrt(g2) : vec2(0.7071068);
    float spread = max(v_spread, 1.0);
    vec2 across_n = vec2(0.5 * dot(j_long, n), dot(j_short, n));
    float per_edge = clamp(inversesqrt(dot(across_n, across_n)), 0.5 / spread, 64.0);
    // A texel's distance is (t * 255 - 128) / 128 * spread: over the edge's width and centred on
    // it, one multiply-add a sample.
    float scale = v_spread * (255.0 / 128.0) * per_edge, offset = 0.5 - v_spread * per_edge;
    float inked = dot(clamp(t * scale + offset, 0.0, 1.0), vec2(0.5));
    // A coverage cell (a colour glyph) is its own alpha, and so is a field seen from far.
    float footprint = max(0.5 * long_len, short_len);
    float plain = max(1.0 - step(0.5, v_spread), clamp(footprint / spread - 1.0, 0.0, 1.0));
    float fill = mix(inked, mean, plain);
#ifdef OUTLINE
    // The outline grows the glyph by its width in pixels (in texels along the gradient), as far as
    // the field reaches (its spread).
    float across = length(vec2(dot(jx, n), dot(jy, n)));
    float grown = dot(clamp(t * scale + (offset + u_outline_width * across * per_edge), 0.0, 1.0), vec2(0.5));
    float ring = mix(max(grown, inked), mean, plain);
    float a_text = v_color.a * fill;
    float a_ring = u_outline_color.a * (ring - fill);
    float a = a_text + a_ring;
    FRAG_OUT = vec4((v_color.rgb * a_text + u_outline_color.rgb * a_ring) / max(a, 1.0 / 1024.0), a);
#else
    FRAG_OUT = vec4(v_color.rgb, v_color.a * fill);
#endif
}
)";

// Each language's names for the same things, as the batch's own programs have them.
#define SHARP_120_VERTEX "#version 120\n#define IN attribute\n#define OUT varying\n"
#define SHARP_120_FRAGMENT                                                                                             \
    "#version 120\n#extension GL_ARB_shader_texture_lod : enable\n#ifdef GL_ARB_shader_texture_lod\n"                  \
    "#define TEX_LOD texture2DLod\n#endif\n#define IN varying\n#define TEX texture2D\n#define FRAG_OUT gl_FragColor\n"
#define SHARP_330_VERTEX "#version 330 core\n#define IN in\n#define OUT out\n"
#define SHARP_330_FRAGMENT                                                                                             \
    "#version 330 core\n#define IN in\n#define TEX texture\n#define TEX_LOD textureLod\n"                              \
    "out vec4 frag_out;\n#define FRAG_OUT frag_out\n"
#define SHARP_ES_VERTEX "#version 300 es\nprecision highp float;\n#define IN in\n#define OUT out\n"
#define SHARP_ES_FRAGMENT                                                                                              \
    "#version 300 es\nprecision highp float;\nprecision highp sampler2D;\n#define IN in\n"                             \
    "#define TEX texture\n#define TEX_LOD textureLod\nout vec4 frag_out;\n#define FRAG_OUT frag_out\n"

#define SHARP_OUTLINE "#define OUTLINE\n"

// Each dialect's prefixes: without an outline, then with one.
const char* const Prefixes[][5] = {
    {"120", SHARP_120_VERTEX, SHARP_120_FRAGMENT, SHARP_120_VERTEX SHARP_OUTLINE, SHARP_120_FRAGMENT SHARP_OUTLINE},
    {"330 core", SHARP_330_VERTEX, SHARP_330_FRAGMENT, SHARP_330_VERTEX SHARP_OUTLINE,
     SHARP_330_FRAGMENT SHARP_OUTLINE},
    {"300 es", SHARP_ES_VERTEX, SHARP_ES_FRAGMENT, SHARP_ES_VERTEX SHARP_OUTLINE, SHARP_ES_FRAGMENT SHARP_OUTLINE},
};

}  // namespace

Sharp_Text_Source Sharp_Text_Source_Get(const char* dialect, bool outline)
{
    Sharp_Text_Source source;
    if (!dialect)
        return source;
    for (const auto& p : Prefixes)
        if (std::strcmp(p[0], dialect) == 0) {
            source.vertex[0] = p[outline ? 3 : 1];
            source.vertex[1] = Vertex_Body;
            source.fragment[0] = p[outline ? 4 : 2];
            source.fragment[1] = Fragment_Body;
        }
    return source;
}

}  // namespace core
