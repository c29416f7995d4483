// The batch back end: shader dialects, the merged vertex buffer, the picture atlas and the frame.
//
// [SECTION] Shaders
// [SECTION] Program and objects
// [SECTION] Vertices
// [SECTION] Atlas
// [SECTION] Layout and frame
#include "batch_render.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core.h"
#include "recent.h"

namespace core {

namespace {

// Texture modes of a picture vertex's info[1].
enum : unsigned char { TEX_MASK = 1, TEX_MODULATE = 2, TEX_OPAQUE = 3 };

constexpr int ATLAS_WIDTH = 2048;
// Pixels: the widgets' outlines are smooth lines two pixels wide, which with their antialiasing
// fringe and no blending come out three pixels wide. The outlines' program is given it as HALF_WIDTH.
#define BATCH_OUTLINE_HALF_WIDTH 1.5
#define BATCH_TEXT(x) #x
#define BATCH_DEFINE(name, value) "#define " name " " BATCH_TEXT(value) "\n"
constexpr float OUTLINE_HALF_WIDTH = static_cast<float>(BATCH_OUTLINE_HALF_WIDTH);

// [SECTION] Shaders ------------------------------------------------------------------------------------

// One source, three dialects and four programs: the prefix maps IN, OUT, TEX and FRAG_OUT onto each
// language and sets PASS (0 meshes, 1 pictures, 2 outlines, 3 meshes whose quads are each of one
// colour, under a light from a direction), so that each program does only its work.
// Pass 3 leaves the colour uninterpolated: a software rasteriser spends some 15 % of a mesh pixel's
// time interpolating a colour that is the same at every corner.
const char* const VERTEX_BODY = R"(
#if PASS == 3
#define FLAT flat
#else
#define FLAT
#endif
uniform mat4 u_mvp;
uniform mat4 u_mv;
uniform mat3 u_nm;
uniform vec4 u_light;
uniform vec3 u_diffuse;
uniform vec3 u_ambient;
uniform float u_normalize;
uniform vec2 u_viewport;
IN vec3 a_pos;
IN vec3 a_normal;
IN vec2 a_uv;
IN vec4 a_color;
IN vec4 a_info;
FLAT OUT vec4 v_color;
#if PASS == 1
OUT vec2 v_uv;
OUT float v_mode;
#elif PASS == 2
OUT vec3 v_band;
#endif
void main()
{
    vec4 clip = u_mvp * vec4(a_pos, 1.0);
    vec4 c = a_color;
#if PASS == 0 || PASS == 3
    // Fixed-function lighting with colour material: ambient and diffuse from the vertex colour;
    // a_info.x is 1 for lit parts, 0 for flat ones.
    vec3 n = u_nm * a_normal;
    float len = length(n);
    if (u_normalize > 0.5 && len > 0.0)
        n = n / len;
    vec3 l = u_light.xyz;  // a direction, made unit length once a frame
#if PASS == 0
    // A light at a position (w not 0) shines from there onto each vertex.
    if (u_light.w != 0.0) {
        l = u_light.xyz - (u_mv * vec4(a_pos, 1.0)).xyz;
        float l_len = length(l);
        l = l_len > 0.0 ? l / l_len : l;
    }
#endif
    vec3 lit = clamp(u_ambient * c.rgb + max(dot(n, l), 0.0) * u_diffuse * c.rgb, 0.0, 1.0);
    c.rgb = mix(c.rgb, lit, a_info.x);
#elif PASS == 1
    v_uv = a_uv;
    v_mode = a_info.y;
#else
    // An edge drawn as a band: a_normal is the other end, a_info.w the corner (1: the side `side`
    // points to, 2: the far end). A smooth line with blending off writes every pixel whose centre falls in its
    // coverage area, however little it covers: the line's width plus half a pixel on each side (a
    // band of 2 x HALF_WIDTH window pixels after projection, centred on the edge), ends half a pixel
    // longer.
    // Widths are in window pixels whatever the perspective, as GL rasterises lines.
    vec4 other = u_mvp * vec4(a_normal, 1.0);
    vec2 half_view = u_viewport * 0.5;
    vec2 d = other.xy / other.w * half_view - clip.xy / clip.w * half_view;
    float d_len = length(d);
    d = d_len > 0.0 ? d / d_len : vec2(1.0, 0.0);
    vec2 side = vec2(-d.y, d.x);
    float across = (mod(a_info.w, 2.0) * 2.0 - 1.0) * HALF_WIDTH;
    clip.xy += (side * across - d * 0.5) / half_view * clip.w;
    // Window pixels across the band from its centre line, along it from the near end, and its
    // length: the fragment's coverage follows from them.
    // The far end's sides are turned (see above): turned back, `across` runs the same way at both ends.
    float far_end = step(1.5, a_info.w);
    v_band = vec3((1.0 - 2.0 * far_end) * across, mix(-0.5, d_len + 0.5, far_end), d_len);
#endif
    gl_Position = clip;
    v_color = c;
}
)";

const char* const FRAGMENT_BODY = R"(
#if PASS == 3
#define FLAT flat
#else
#define FLAT
#endif
FLAT IN vec4 v_color;
#if PASS == 1
uniform sampler2D u_atlas;
IN vec2 v_uv;
IN float v_mode;
#elif PASS == 2
IN vec3 v_band;
#endif
void main()
{
    vec4 c = v_color;
#if PASS == 1
    // A mask gives the colour its alpha (1); a picture is tinted (2) or shown as it is, opaque (3,
    // with a white colour).
    vec4 t = TEX(u_atlas, v_uv);
    c = vec4(c.rgb * mix(vec3(1.0), t.rgb, step(1.5, v_mode)), mix(t.a, 1.0, step(2.5, v_mode)));
#elif PASS == 2
    // A smooth line's coverage, which it leaves in the frame's alpha (drawn unblended): full within
    // half a pixel of the centre line and of the ends, falling to nothing at the band's rim.
    float across = clamp(1.5 - abs(v_band.x), 0.0, 1.0);
    float along = clamp(min(v_band.y + 0.5, v_band.z + 0.5 - v_band.y), 0.0, 1.0);
    c.a = across * along;
#endif
    FRAG_OUT = c;
}
)";

const char* const PREFIX_120_VERTEX = "#version 120\n#define IN attribute\n#define OUT varying\n";
const char* const PREFIX_120_FRAGMENT = "#version 120\n#define IN varying\n#define TEX texture2D\n"
                                        "#define FRAG_OUT gl_FragColor\n";
// GLSL 1.20 has flat colours through an extension. (GLSL 1.30 would do too, but compiling it costs
// Mesa four times as much.)
const char* const PREFIX_120_FLAT_VERTEX = "#version 120\n#extension GL_EXT_gpu_shader4 : require\n"
                                           "#define IN attribute\n#define OUT varying\n";
const char* const PREFIX_120_FLAT_FRAGMENT = "#version 120\n#extension GL_EXT_gpu_shader4 : require\n"
                                             "#define IN varying\n#define TEX texture2D\n#define FRAG_OUT gl_FragColor\n";
const char* const PREFIX_330_VERTEX = "#version 330 core\n#define IN in\n#define OUT out\n";
const char* const PREFIX_330_FRAGMENT = "#version 330 core\n#define IN in\n#define TEX texture\n"
                                        "out vec4 frag_out;\n#define FRAG_OUT frag_out\n";
const char* const PREFIX_ES_VERTEX = "#version 300 es\nprecision highp float;\n#define IN in\n#define OUT out\n";
const char* const PREFIX_ES_FRAGMENT = "#version 300 es\nprecision highp float;\nprecision highp sampler2D;\n"
                                       "#define IN in\n#define TEX texture\nout vec4 frag_out;\n"
                                       "#define FRAG_OUT frag_out\n";

const char* const ATTRIBUTES[] = {"a_pos", "a_normal", "a_uv", "a_color", "a_info"};
constexpr GLuint ATTRIBUTE_COUNT = 5;

GLuint Shader_Compile(GLenum kind, const char* prefix, int pass, const char* body, const char* dialect)
{
    const GLuint shader = glCreateShader(kind);
    static const char* const passes[] = {"#define PASS 0\n", "#define PASS 1\n", "#define PASS 2\n",
                                         "#define PASS 3\n"};
    const char* sources[4] = {prefix, passes[pass], BATCH_DEFINE("HALF_WIDTH", BATCH_OUTLINE_HALF_WIDTH), body};
    glShaderSource(shader, 4, sources, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        Error_Fct(::hwnd, 0x80000001u, "Batch: the %hs shader (GLSL %hs) did not compile: %hs",
                  kind == GL_VERTEX_SHADER ? "vertex" : "fragment", dialect, log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Which language the current context speaks. Null with `why` filled when none of ours.
const char* Dialect_Pick(bool& core_or_es, std::string& why)
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    core_or_es = false;
    if (!version) {
        why = "no GL version (is a context current?)";
        return nullptr;
    }
    int major = 0, minor = 0;
    if (std::strncmp(version, "OpenGL ES", 9) == 0) {
        const char* digits = version + 9;
        while (*digits && (*digits < '0' || *digits > '9'))
            ++digits;
        std::sscanf(digits, "%d.%d", &major, &minor);
        core_or_es = true;
        if (major >= 3)
            return "300 es";
        why = std::string("OpenGL ES 3.0 or later needed, the context is ") + version;
        return nullptr;
    }
    std::sscanf(version, "%d.%d", &major, &minor);
    GLint profile = 0;
    if (major > 3 || (major == 3 && minor >= 2))
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    if (profile & GL_CONTEXT_CORE_PROFILE_BIT) {
        core_or_es = true;
        if (major > 3 || minor >= 3)
            return "330 core";
        why = std::string("a core profile of 3.3 or later needed, the context is ") + version;
        return nullptr;
    }
    if (major > 2 || (major == 2 && minor >= 1))
        return "120";
    why = std::string("OpenGL 2.1 or later needed, the context is ") + version;
    return nullptr;
}

// Whether a compatibility context lists the extension `name`.
bool Extension_Listed(const char* name)
{
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::size_t length = std::strlen(name);
    for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

// Every entry point the batch calls beyond GL 1.1, with its name for the report.
const char* Missing_Entry_Point(bool need_vao)
{
    const struct {
        const void* fn;
        const char* name;
    } table[] = {
        {reinterpret_cast<const void*>(glCreateShader), "glCreateShader"},
        {reinterpret_cast<const void*>(glShaderSource), "glShaderSource"},
        {reinterpret_cast<const void*>(glCompileShader), "glCompileShader"},
        {reinterpret_cast<const void*>(glCreateProgram), "glCreateProgram"},
        {reinterpret_cast<const void*>(glLinkProgram), "glLinkProgram"},
        {reinterpret_cast<const void*>(glUseProgram), "glUseProgram"},
        {reinterpret_cast<const void*>(glBindAttribLocation), "glBindAttribLocation"},
        {reinterpret_cast<const void*>(glGetUniformLocation), "glGetUniformLocation"},
        {reinterpret_cast<const void*>(glUniformMatrix4fv), "glUniformMatrix4fv"},
        {reinterpret_cast<const void*>(glVertexAttribPointer), "glVertexAttribPointer"},
        {reinterpret_cast<const void*>(glEnableVertexAttribArray), "glEnableVertexAttribArray"},
        {reinterpret_cast<const void*>(glGenBuffers), "glGenBuffers"},
        {reinterpret_cast<const void*>(glBufferSubData), "glBufferSubData"},
        {reinterpret_cast<const void*>(glBlendFuncSeparate), "glBlendFuncSeparate"},
        {reinterpret_cast<const void*>(glActiveTexture), "glActiveTexture"},
    };
    for (const auto& e : table)
        if (!e.fn)
            return e.name;
    if (need_vao && (!glGenVertexArrays || !glBindVertexArray))
        return "glGenVertexArrays";
    return nullptr;
}

std::uint64_t Key_Hash(const void* key, int bytes)
{
    // Eight bytes at a time (a read-out's key is 160 bytes), the rest one by one.
    Recent_Hash h;
    const unsigned char* p = static_cast<const unsigned char*>(key);
    int i = 0;
    for (; p && i + 8 <= bytes; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        h.Add(word);
    }
    for (; p && i < bytes; ++i)
        h.Add(p[i]);
    return h.Done();
}

void Color_Bytes(unsigned int packed, unsigned char out[4])
{
    out[0] = packed & 0xFF;
    out[1] = (packed >> 8) & 0xFF;
    out[2] = (packed >> 16) & 0xFF;
    out[3] = 255;
}

void Mat4_Mul(const float a[16], const float b[16], float out[16])
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a[k * 4 + r] * b[c * 4 + k];
            out[c * 4 + r] = s;
        }
}

// True when window x depends on x alone, window y on y alone, and neither nor w on z: a quad whose
// corners share one x (or one y) then covers no pixel at all, exactly, whatever its z.
bool Straight_View(const Batch_View& view)
{
    const float* m = view.mvp;
    return m[1] == 0.0f && m[3] == 0.0f && m[4] == 0.0f && m[7] == 0.0f && m[8] == 0.0f && m[9] == 0.0f &&
           m[11] == 0.0f;
}

// The texels of a texture with coverage (a mask) or alpha (a picture) within `area` (first texel
// along s and t, then one past the last), as a box: first and last texel along s, then along t; the
// last before the first when there are none.
void Ink_Find(const Look_Texture& t, const int area[4], int box[4])
{
    int x0 = t.tex_w, x1 = -1, y0 = t.tex_h, y1 = -1;
    if (t.rgba) {
        for (int j = area[1]; j < area[3]; ++j) {
            const unsigned char* row = t.pixels + static_cast<std::size_t>(j) * t.tex_w * 4;
            for (int i = area[0]; i < area[2]; ++i)
                if (row[i * 4 + 3]) {
                    x0 = std::min(x0, i);
                    x1 = std::max(x1, i);
                    y0 = std::min(y0, j);
                    y1 = j;
                }
        }
    } else {
        // Most of a caption's texture is empty: rows are OR-ed together eight texels at a time, in
        // strips of up to 512 texels, which gives the rows with ink and, from the strip's sum, the
        // columns. A width that is no multiple of eight leaves texels for the plain loop.
        const int whole = area[0] + (area[2] - area[0]) / 8 * 8;
        for (int x = area[0]; x < whole; x += 512) {
            const int n = std::min(512, whole - x) / 8;
            std::uint64_t sum[64] = {};
            for (int j = area[1]; j < area[3]; ++j) {
                const unsigned char* row = t.pixels + static_cast<std::size_t>(j) * t.tex_w + x;
                std::uint64_t any = 0;
                for (int w = 0; w < n; ++w) {
                    std::uint64_t word;
                    std::memcpy(&word, row + w * 8, 8);
                    sum[w] |= word;
                    any |= word;
                }
                if (any) {
                    y0 = std::min(y0, j);
                    y1 = std::max(y1, j);
                }
            }
            // The first and the last inked column: only the outermost words with ink are looked into.
            unsigned char columns[512];
            std::memcpy(columns, sum, static_cast<std::size_t>(n) * 8);
            int first = 0, last = n - 1;
            while (first < n && sum[first] == 0)
                ++first;
            while (last > first && sum[last] == 0)
                --last;
            if (first == n)
                continue;
            for (int i = first * 8; i < first * 8 + 8; ++i)
                if (columns[i]) {
                    x0 = std::min(x0, x + i);
                    break;
                }
            for (int i = last * 8 + 7; i >= last * 8; --i)
                if (columns[i]) {
                    x1 = std::max(x1, x + i);
                    break;
                }
        }
        for (int j = area[1]; j < area[3]; ++j)
            for (int i = whole; i < area[2]; ++i)
                if (t.pixels[static_cast<std::size_t>(j) * t.tex_w + i]) {
                    x0 = std::min(x0, i);
                    x1 = std::max(x1, i);
                    y0 = std::min(y0, j);
                    y1 = std::max(y1, j);
                }
    }
    box[0] = x0;
    box[1] = y0;
    box[2] = x1;
    box[3] = y1;
}

// True when a textured part is one quad that maps its texture affinely and square to the widget's
// axes: a parallelogram with s along x and t along y, neither of them flat. Only then can the quad be
// cut down to a window of its texture without moving any texel on screen.
bool Quad_Aligned(const Look_Part& p)
{
    if (p.quads != 1 || p.scale[0] == 0.0f || p.scale[1] == 0.0f)
        return false;
    const short* c = p.Vertices();
    const float* u = p.Coords();
    for (int a = 0; a < 3; ++a)
        if (c[a] + c[6 + a] != c[3 + a] + c[9 + a])
            return false;
    // Corners 0 1 2 3: sides alternately along s and along t, starting with either; a side along s
    // keeps y, one along t keeps x.
    if (u[1] == u[3] && u[2] == u[4] && u[5] == u[7] && u[6] == u[0])
        return c[1] == c[4] && c[3] == c[6] && u[0] != u[2] && u[3] != u[5] && c[0] != c[3] && c[4] != c[7];
    if (u[0] == u[2] && u[3] == u[5] && u[4] == u[6] && u[7] == u[1])
        return c[0] == c[3] && c[4] == c[7] && u[1] != u[3] && u[2] != u[4] && c[1] != c[4] && c[3] != c[6];
    return false;
}

// Cuts an affine textured quad (corners and their texel coordinates) down to the texel window
// (u0, v0, u1, v1): each corner slides along the quad's sides to its coordinates clamped to the
// window. A corner inside the window stays exactly where it was.
void Quad_Cut(float corner[4][3], float uv[4][2], const float window[4])
{
    // Along s from corner 0 to the neighbour that shares its t, along t to the other neighbour.
    const int along_s = uv[1][1] == uv[0][1] ? 1 : 3;
    const int along_t = along_s == 1 ? 3 : 1;
    const float du = uv[along_s][0] - uv[0][0], dv = uv[along_t][1] - uv[0][1];
    float per_u[3] = {}, per_v[3] = {};
    for (int a = 0; a < 3; ++a) {
        per_u[a] = du != 0.0f ? (corner[along_s][a] - corner[0][a]) / du : 0.0f;
        per_v[a] = dv != 0.0f ? (corner[along_t][a] - corner[0][a]) / dv : 0.0f;
    }
    for (int k = 0; k < 4; ++k) {
        const float u = du != 0.0f ? std::min(std::max(uv[k][0], window[0]), window[2]) : uv[k][0];
        const float w = dv != 0.0f ? std::min(std::max(uv[k][1], window[1]), window[3]) : uv[k][1];
        if (u == uv[k][0] && w == uv[k][1])
            continue;
        for (int a = 0; a < 3; ++a)
            corner[k][a] += (u - uv[k][0]) * per_u[a] + (w - uv[k][1]) * per_v[a];
        uv[k][0] = u;
        uv[k][1] = w;
    }
}

// Places a w x h cell on the shelves (x, y and height of the current shelf) of an atlas `width`
// wide and `height` high; false when it does not fit.
bool Shelf_Fit(int& shelf_x, int& shelf_y, int& shelf_h, int w, int h, int width, int height, int& x, int& y)
{
    if (w > width)
        return false;
    if (shelf_x + w > width) {
        shelf_y += shelf_h;
        shelf_x = shelf_h = 0;
    }
    if (shelf_y + h > height)
        return false;
    x = shelf_x;
    y = shelf_y;
    shelf_x += w;
    shelf_h = std::max(shelf_h, h);
    return true;
}

}  // namespace

bool Batch_Vertex_Arrays()
{
    if (!glGenVertexArrays || !glBindVertexArray)
        return false;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version)
        return false;
    if (std::strncmp(version, "OpenGL ES", 9) == 0)
        version += 9;
    while (*version && (*version < '0' || *version > '9'))
        ++version;
    return std::atoi(version) >= 3 || GLEW_ARB_vertex_array_object;
}

Batch_View Batch_View_Make(const float projection[16], const float model_view[16], const float light[4],
                           const float diffuse[3], const float ambient[3], bool normalize)
{
    Batch_View v{};
    Mat4_Mul(projection, model_view, v.mvp);
    std::memcpy(v.model_view, model_view, sizeof v.model_view);
    // Inverse transpose of the upper 3 x 3, as GL transforms normals.
    const float* m = model_view;
    const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
    const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    const float k = det != 0.0f ? 1.0f / det : 0.0f;
    const float inv[9] = {(e * i - f * h) * k, (c * h - b * i) * k, (b * f - c * e) * k,
                          (f * g - d * i) * k, (a * i - c * g) * k, (c * d - a * f) * k,
                          (d * h - e * g) * k, (b * g - a * h) * k, (a * e - b * d) * k};
    // `inv` is the inverse row by row, which read column by column is its transpose.
    std::memcpy(v.normal_matrix, inv, sizeof v.normal_matrix);
    std::memcpy(v.light, light, sizeof v.light);
    if (light[3] == 0.0f) {
        const float len = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
        for (int i = 0; i < 3 && len > 0.0f; ++i)
            v.light[i] = light[i] / len;
    }
    std::memcpy(v.diffuse, diffuse, sizeof v.diffuse);
    std::memcpy(v.ambient, ambient, sizeof v.ambient);
    v.normalize = normalize;
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    v.viewport[0] = static_cast<float>(std::max(viewport[2], 1));
    v.viewport[1] = static_cast<float>(std::max(viewport[3], 1));
    return v;
}

// [SECTION] Program and objects -----------------------------------------------------------------------

namespace {

// Compiles and links the program of one pass; 0 after a report.
GLuint Program_Build(const char* vp, const char* fp, int pass, const char* dialect)
{
    const GLuint vs = Shader_Compile(GL_VERTEX_SHADER, vp, pass, VERTEX_BODY, dialect);
    const GLuint fs = vs ? Shader_Compile(GL_FRAGMENT_SHADER, fp, pass, FRAGMENT_BODY, dialect) : 0;
    if (!vs || !fs) {
        if (vs)
            glDeleteShader(vs);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    for (GLuint i = 0; i < ATTRIBUTE_COUNT; ++i)
        glBindAttribLocation(program, i, ATTRIBUTES[i]);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        Error_Fct(::hwnd, 0x80000001u, "Batch: the program (GLSL %hs) did not link: %hs", dialect, log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace

bool Batch_Renderer::Init()
{
    Release();
    std::string why;
    const char* dialect = Dialect_Pick(core_or_es_, why);
    if (!dialect) {
        Error_Fct(::hwnd, 0x80000001u, "Batch: this context can run none of GLSL 1.20, 3.30 core or 3.00 es: %hs",
                  why.c_str());
        return false;
    }
    if (const char* missing = Missing_Entry_Point(core_or_es_)) {
        Error_Fct(::hwnd, 0x80000001u, "Batch: the context offers no %hs; nothing can be drawn", missing);
        return false;
    }
    const bool es = std::strcmp(dialect, "300 es") == 0;
    const bool core = std::strcmp(dialect, "330 core") == 0;
    const char* vp = es ? PREFIX_ES_VERTEX : core ? PREFIX_330_VERTEX : PREFIX_120_VERTEX;
    const char* fp = es ? PREFIX_ES_FRAGMENT : core ? PREFIX_330_FRAGMENT : PREFIX_120_FRAGMENT;
    for (int pass = 0; pass < PROGRAMS; ++pass) {
        Program& p = programs_[pass];
        if (pass == PROGRAM_FLAT) {
            // A speed-up only: without it every mesh goes through pass 0.
            if (!core_or_es_ && !Extension_Listed("GL_EXT_gpu_shader4"))
                continue;
            p.id = core_or_es_ ? Program_Build(vp, fp, pass, dialect) :
                                 Program_Build(PREFIX_120_FLAT_VERTEX, PREFIX_120_FLAT_FRAGMENT, pass, dialect);
            if (!p.id)
                continue;
        } else {
            p.id = Program_Build(vp, fp, pass, dialect);
        }
        if (!p.id) {
            Release();
            return false;
        }
        p.mvp = glGetUniformLocation(p.id, "u_mvp");
        p.mv = glGetUniformLocation(p.id, "u_mv");
        p.nm = glGetUniformLocation(p.id, "u_nm");
        p.light = glGetUniformLocation(p.id, "u_light");
        p.diffuse = glGetUniformLocation(p.id, "u_diffuse");
        p.ambient = glGetUniformLocation(p.id, "u_ambient");
        p.normalize = glGetUniformLocation(p.id, "u_normalize");
        p.viewport = glGetUniformLocation(p.id, "u_viewport");
        p.atlas = glGetUniformLocation(p.id, "u_atlas");
    }
    dialect_ = dialect;

    GLint max_texture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    max_texture_ = std::max<GLint>(max_texture, 64);
    atlas_w_ = std::min(ATLAS_WIDTH, max_texture_);
    // A compatibility context without vertex array objects gets its attribute state saved instead.
    if (Batch_Vertex_Arrays())
        glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &vbo_);
    glGenBuffers(1, &ibo_);
    glGenTextures(1, &atlas_);
    return true;
}

void Batch_Renderer::Release()
{
    for (Program& p : programs_) {
        if (p.id)
            glDeleteProgram(p.id);
        p = Program{};
    }
    if (vao_)
        glDeleteVertexArrays(1, &vao_);
    if (vbo_)
        glDeleteBuffers(1, &vbo_);
    if (ibo_)
        glDeleteBuffers(1, &ibo_);
    if (atlas_)
        glDeleteTextures(1, &atlas_);
    vao_ = vbo_ = ibo_ = atlas_ = 0;
    dialect_ = "";
    quads_ = atlas_h_ = 0;
    marks_.clear();
    smooth_quads_ = 0;
    index_.clear();
    index_bytes_ = 0;
    lists_dirty_ = true;
    cull_valid_ = false;
    vertices_.clear();
    cells_.clear();
    for (Slot& s : slots_) {
        s.signature.clear();
        s.signature_known = false;
        s.cell_first = s.cell_count = s.cell_room = 0;
        for (Range& r : s.range)
            r = Range{};
        s.visible = false;
    }
}

void Batch_Renderer::Slots_Resize(std::size_t count)
{
    slots_.resize(count);
    slot_boxes_.resize(count);
    spill_boxes_.resize(count);
}

// [SECTION] Vertices ----------------------------------------------------------------------------------

bool Batch_Renderer::Signature_Changed(Slot& slot)
{
    // The small fields of a part, compared in one go.
    struct Part_Key {
        const void* pixels;
        float offset[3], scale[3], fixed_normal[3], shift_s;
        unsigned int rgb;
        int quads, tex_w, tex_h, key_bytes;
        unsigned char pass, modulate, blend, rgba, wrap, pad[3];
    };
    const bool known = slot.signature_known;
    slot.signature_known = true;
    if (slot.signature.empty()) {
        // Written afresh (after a layout): its room at once rather than by doubling. Per quad at most its
        // corners, normals, colours and coordinates.
        std::size_t bytes = 0;
        for (const Look_Part& p : slot.look.Parts())
            bytes += sizeof(Part_Key) + static_cast<std::size_t>(std::max(p.quads, 0)) * 96 +
                     static_cast<std::size_t>(p.texture.key ? std::max(p.texture.key_bytes, 0) : 0);
        slot.signature.reserve(bytes);
    }
    Signature_Check check(slot.signature);
    for (const Look_Part& p : slot.look.Parts()) {
        Part_Key k;
        std::memset(&k, 0, sizeof k);  // padding included: the key is compared as bytes
        const Look_Texture& t = p.texture;
        k.pixels = t.pixels;
        std::memcpy(k.offset, p.offset, sizeof k.offset);
        std::memcpy(k.scale, p.scale, sizeof k.scale);
        std::memcpy(k.fixed_normal, p.fixed_normal, sizeof k.fixed_normal);
        k.shift_s = p.shift_s;
        k.rgb = p.rgb;
        k.quads = p.quads;
        k.tex_w = t.tex_w;
        k.tex_h = t.tex_h;
        k.key_bytes = t.key ? t.key_bytes : 0;
        k.pass = static_cast<unsigned char>(p.pass);
        k.modulate = p.modulate;
        k.blend = p.blend;
        k.rgba = t.rgba;
        k.wrap = static_cast<unsigned char>(t.wrap);
        check.Value(k);
        const std::size_t q = p.quads > 0 ? static_cast<std::size_t>(p.quads) : 0;
        check.Feed(p.Vertices(), q * 12 * sizeof(short));
        if (p.vertex && p.normal)
            check.Feed(p.normal, q * 12 * sizeof(short));
        if (p.vertex && p.color)
            check.Feed(p.color, q * 4 * sizeof(unsigned int));
        if (p.Coords())
            check.Feed(p.Coords(), q * 8 * sizeof(float));
        if (k.key_bytes > 0)
            check.Feed(t.key, static_cast<std::size_t>(k.key_bytes));
    }
    return check.Finish() || !known;
}

int Batch_Renderer::Part_Quads(const Look_Part& p, int& stream)
{
    const bool textured = (p.pass == Look_Pass::TEXT || p.pass == Look_Pass::PICTURE);
    stream = textured ? STREAM_TEXTURED : p.pass == Look_Pass::OUTLINE ? STREAM_OUTLINE : STREAM_OPAQUE;
    if (p.quads < 1)
        return 0;
    if (textured && (!p.texture.pixels || p.texture.tex_w < 1 || p.texture.tex_h < 1 || !p.Coords()))
        return 0;
    // Each edge of an outline is a quad of its own.
    return p.pass == Look_Pass::OUTLINE ? p.quads * 4 : p.quads;
}

int Batch_Renderer::Quads_Count(const Slot& slot, int counts[STREAMS], Texels* texels)
{
    for (int k = 0; k < STREAMS; ++k)
        counts[k] = 0;
    int textured = 0;
    for (const Look_Part& p : slot.look.Parts()) {
        int stream = 0;
        const int quads = Part_Quads(p, stream);
        counts[stream] += quads;
        if (quads > 0 && stream == STREAM_TEXTURED) {
            ++textured;
            if (texels) {
                texels->rgba = texels->rgba || p.texture.rgba;
                // A cell holds at most its texture and the slack around it, mostly.
                texels->area += static_cast<std::size_t>(p.texture.tex_w + 4) * static_cast<std::size_t>(p.texture.tex_h + 4);
            }
        }
    }
    return textured;
}

bool Batch_Renderer::Vertices_Build(Slot& slot, Vertex* out_streams[STREAMS])
{
    // The box around the corners, kept in locals: the vertices written as bytes might otherwise be
    // the members for all the compiler knows, which it would then reload and store at each corner.
    float lo_box[3] = {1e30f, 1e30f, 1e30f}, hi_box[3] = {-1e30f, -1e30f, -1e30f};
    const auto box_keep = [&] {
        std::memcpy(built_lo_, lo_box, sizeof built_lo_);
        std::memcpy(built_hi_, hi_box, sizeof built_hi_);
    };
    // The box across the plane around the slot's meshes, found when a blended part first needs it.
    float mesh_lo[2] = {1e30f, 1e30f}, mesh_hi[2] = {-1e30f, -1e30f};
    bool mesh_measured = false;
    slot.spill = Box{};
    std::size_t cell = 0;
    bool measured = false;  // boxes_ holds this slot's parts
    for (std::size_t part = 0; part < slot.look.Size(); ++part) {
        const Look_Part& p = slot.look.Parts()[part];
        int stream = 0;
        if (Part_Quads(p, stream) == 0)
            continue;
        const short* v = p.Vertices();
        const float* st = p.Coords();
        const bool textured = stream == STREAM_TEXTURED;
        // The part's colour and flags (lit, texture mode), for each of its vertices.
        unsigned char color[4], info[4] = {static_cast<unsigned char>(p.pass == Look_Pass::LIT ? 1 : 0), 0, 0, 0};
        Color_Bytes(p.pass == Look_Pass::OUTLINE ? 0u : p.rgb, color);
        // Texel coordinates of the part's texture, and where they lie in the atlas.
        float shift_u = 0.0f, shift_v = 0.0f, atlas_u = 0.0f, atlas_v = 0.0f;
        // The texel window (u0, v0, u1, v1) the quads are cut down to when `cut`.
        float window[4] = {};
        bool cut = false;
        if (textured) {
            const Look_Texture& t = p.texture;
            // The texels the quads' linear filtering reads, wrapped as the texture wraps.
            float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
            for (int i = 0; i < p.quads * 4; ++i) {
                const float u = (st[i * 2] + p.shift_s) * static_cast<float>(t.tex_w);
                const float w = st[i * 2 + 1] * static_cast<float>(t.tex_h);
                lo[0] = std::min(lo[0], u);
                hi[0] = std::max(hi[0], u);
                lo[1] = std::min(lo[1], w);
                hi[1] = std::max(hi[1], w);
            }
            if (cell >= static_cast<std::size_t>(slot.cell_room))
                return false;  // a textured part more than at the layout
            if (cell >= static_cast<std::size_t>(slot.cell_count))
                Slot_Cells(slot)[slot.cell_count++] = Cell{};
            Cell& c = Slot_Cells(slot)[cell++];
            Source source;
            source.pixels = t.pixels;
            source.tex_w = t.tex_w;
            source.tex_h = t.tex_h;
            source.rgba = t.rgba;
            source.wrap = t.wrap;
            source.key = Key_Hash(t.key, t.key_bytes);
            Region r, room;
            if (t.wrap == Look_Wrap::REPEAT) {
                // Whole periods moved away, so that a moving texture keeps one region.
                shift_u = -std::floor(lo[0] / t.tex_w) * t.tex_w;
                shift_v = -std::floor(lo[1] / t.tex_h) * t.tex_h;
                r.i0 = r.j0 = -1;
                r.w = static_cast<int>(std::ceil((hi[0] - lo[0]) / t.tex_w) + 1) * t.tex_w + 2;
                r.h = static_cast<int>(std::ceil((hi[1] - lo[1]) / t.tex_h) + 1) * t.tex_h + 2;
                room = r;
            } else {
                room = Texels_Read(lo, hi, 0);
                // Texels without coverage or alpha blend to nothing: a caption's quad, which covers
                // its whole texture, is cut down to the ink. Pictures written opaque keep theirs.
                cut = (p.pass == Look_Pass::TEXT || p.blend) && Quad_Aligned(p);
                if ((p.pass == Look_Pass::TEXT || p.blend) && Spill_Measure(slot, p, mesh_lo, mesh_hi, mesh_measured))
                    cut = false;  // every texel's depth, as the widget's own quad writes it
                if (cut) {
                    if (!measured)
                        Boxes_Measure(slot);
                    measured = true;
                    Overlap_Window(slot, part, c.keep);
                    r = Cell_Cut(c, t, source, lo, hi, c.keep, window);
                } else {
                    r = room;
                }
            }
            if (!Cell_Place(c, source, r, room)) {
                // Neither this cell nor the slot's later ones hold texels.
                for (int i = static_cast<int>(cell) - 1; i < slot.cell_count; ++i)
                    Slot_Cells(slot)[i].region = Region{};
                box_keep();
                return false;
            }
            atlas_u = static_cast<float>(c.x - r.i0) + shift_u;
            atlas_v = static_cast<float>(c.y - r.j0) + shift_v;
            if (p.pass == Look_Pass::TEXT) {
                info[1] = TEX_MASK;
                if (p.modulate)
                    for (int a = 0; a < 3; ++a)
                        color[a] = static_cast<unsigned char>((color[a] * color[a] + 127) / 255);
            } else {
                info[1] = !p.blend ? TEX_OPAQUE : TEX_MODULATE;
                if (!p.modulate)
                    Color_Bytes(0xFFFFFFu, color);
            }
        }
        // The part's vertices are written in place, every field: a layout builds some hundred
        // thousand of them straight into the buffer's copy.
        const bool outline = p.pass == Look_Pass::OUTLINE;
        const bool normals = p.vertex && p.normal;
        // A part without normals of its own has one for all its vertices, a unit vector: as shorts.
        short fixed[3];
        for (int a = 0; a < 3; ++a)
            fixed[a] = static_cast<short>(std::lround(std::min(std::max(p.fixed_normal[a], -1.0f), 1.0f) * 32767.0f));
        const bool colors = (p.pass == Look_Pass::LIT || p.pass == Look_Pass::UNLIT) && p.vertex && p.color;
        const float atlas_w = static_cast<float>(atlas_w_), atlas_h = uv_height_;
        const float scale[3] = {p.scale[0], p.scale[1], p.scale[2]};
        const float offset[3] = {p.offset[0], p.offset[1], p.offset[2]};
        Vertex* out = out_streams[stream];
        for (int q = 0; q < p.quads; ++q) {
            const short* qv = v + q * 12;
            // Axis by axis, spelt out: a layout places some hundred thousand corners.
            float corner[4][3];
            for (int k = 0; k < 4; ++k) {
                corner[k][0] = static_cast<float>(qv[k * 3]) * scale[0] + offset[0];
                corner[k][1] = static_cast<float>(qv[k * 3 + 1]) * scale[1] + offset[1];
                corner[k][2] = static_cast<float>(qv[k * 3 + 2]) * scale[2] + offset[2];
            }
            // Texel coordinates of the corners.
            float uv[4][2] = {};
            if (textured) {
                for (int k = 0; k < 4; ++k) {
                    uv[k][0] = (st[q * 8 + k * 2] + p.shift_s) * static_cast<float>(p.texture.tex_w);
                    uv[k][1] = st[q * 8 + k * 2 + 1] * static_cast<float>(p.texture.tex_h);
                }
                if (cut)
                    Quad_Cut(corner, uv, window);
            }
            // An outline vertex's other end is a corner of the same quad: the corners cover the edges.
            for (const float* c : corner) {
                lo_box[0] = std::min(lo_box[0], c[0]);
                lo_box[1] = std::min(lo_box[1], c[1]);
                lo_box[2] = std::min(lo_box[2], c[2]);
                hi_box[0] = std::max(hi_box[0], c[0]);
                hi_box[1] = std::max(hi_box[1], c[1]);
                hi_box[2] = std::max(hi_box[2], c[2]);
            }
            if (outline) {
                // Each edge of the quad as its own band, in the order and direction GL's line polygon
                // mode gives them (the quad as triangles 0 1 3 and 1 2 3, each from its closing edge on,
                // inner edge left out): with blending off, the later band owns a corner pixel's alpha.
                static const int EDGES[4][2] = {{3, 0}, {0, 1}, {1, 2}, {2, 3}};
                for (int e = 0; e < 4; ++e) {
                    const float* a = corner[EDGES[e][0]];
                    const float* b = corner[EDGES[e][1]];
                    for (int k = 0; k < 4; ++k, ++out) {
                        const float* from = k < 2 ? a : b;
                        const float* to = k < 2 ? b : a;
                        std::memcpy(out->pos, from, sizeof out->pos);
                        std::memcpy(out->mid.other, to, sizeof out->mid.other);
                        // The far end's direction is turned, so sides right, left, right, left go
                        // round the band.
                        std::memcpy(out->color, color, 3);
                        out->color[3] = static_cast<unsigned char>((k & 1) + (k < 2 ? 0 : 2));
                    }
                }
                continue;
            }
            // Every byte written: the buffer's copy is not cleared first.
            if (textured) {
                for (int k = 0; k < 4; ++k, ++out) {
                    std::memcpy(out->pos, corner[k], sizeof out->pos);
                    out->mid.picture.uv[0] = (uv[k][0] + atlas_u) / atlas_w;
                    out->mid.picture.uv[1] = (uv[k][1] + atlas_v) / atlas_h;
                    std::memcpy(out->mid.picture.info, info, 4);
                    std::memcpy(out->color, color, 4);
                }
                continue;
            }
            const short* qn = normals ? p.normal + q * 12 : fixed;
            const int qn_step = normals ? 3 : 0;
            const unsigned int* qc = colors ? p.color + q * 4 : nullptr;
            for (int k = 0; k < 4; ++k, ++out) {
                std::memcpy(out->pos, corner[k], sizeof out->pos);
                std::memcpy(out->mid.mesh.normal, qn + k * qn_step, sizeof out->mid.mesh.normal);
                out->mid.mesh.spare[0] = out->mid.mesh.spare[1] = 0;
                std::memcpy(out->mid.mesh.info, info, 4);
                std::memcpy(out->color, qc ? static_cast<const void*>(qc + k) : color, 4);
            }
        }
        out_streams[stream] = out;
    }
    slot.cell_count = static_cast<int>(cell);
    box_keep();
    return true;
}

bool Batch_Renderer::Spill_Measure(Slot& slot, const Look_Part& p, float mesh_lo[2], float mesh_hi[2], bool& measured)
{
    const auto extend = [](const Look_Part& part, float lo[3], float hi[3], int axes) {
        const short* v = part.Vertices();
        for (int k = 0; k < part.quads * 4; ++k)
            for (int a = 0; a < axes; ++a) {
                const float x = static_cast<float>(v[k * 3 + a]) * part.scale[a] + part.offset[a];
                lo[a] = std::min(lo[a], x);
                hi[a] = std::max(hi[a], x);
            }
    };
    if (!measured) {
        for (const Look_Part& m : slot.look.Parts()) {
            int stream = 0;
            if (Part_Quads(m, stream) > 0 && stream == STREAM_OPAQUE)
                extend(m, mesh_lo, mesh_hi, 2);
        }
        measured = true;
    }
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    extend(p, lo, hi, 3);
    if (lo[0] >= mesh_lo[0] && hi[0] <= mesh_hi[0] && lo[1] >= mesh_lo[1] && hi[1] <= mesh_hi[1])
        return false;
    const bool first = slot.spill.lo[0] > slot.spill.hi[0];
    for (int a = 0; a < 3; ++a) {
        slot.spill.lo[a] = first ? lo[a] : std::min(slot.spill.lo[a], lo[a]);
        slot.spill.hi[a] = first ? hi[a] : std::max(slot.spill.hi[a], hi[a]);
    }
    return true;
}

bool Batch_Renderer::Spill_Near(const Box& spill, const Box& later)
{
    return spill.lo[0] <= spill.hi[0] && later.lo[0] <= later.hi[0] && later.lo[2] < spill.hi[2] &&
           later.lo[0] < spill.hi[0] && spill.lo[0] < later.hi[0] && later.lo[1] < spill.hi[1] &&
           spill.lo[1] < later.hi[1];
}

bool Batch_Renderer::Spill_Hides(std::size_t i, std::size_t j) const
{
    const Box& spill = spill_boxes_[i];
    if (!Spill_Near(spill, slot_boxes_[j]))
        return false;
    // Quad by quad, as the vertex buffer holds them now: only what lies below the spilled quads
    // and overlaps them across the plane. Walls count; blank padding (a point) does not.
    const Slot& later = slots_[j];
    for (const int k : {int{STREAM_OPAQUE}, int{STREAM_TEXTURED}}) {
        const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(later.range[k].first) * 4;
        for (int q = 0; q < later.range[k].capacity; ++q, v += 4) {
            Box b;
            for (int a = 0; a < 3; ++a) {
                b.lo[a] = std::min(std::min(v[0].pos[a], v[1].pos[a]), std::min(v[2].pos[a], v[3].pos[a]));
                b.hi[a] = std::max(std::max(v[0].pos[a], v[1].pos[a]), std::max(v[2].pos[a], v[3].pos[a]));
            }
            const int flat_axes = (b.lo[0] == b.hi[0]) + (b.lo[1] == b.hi[1]) + (b.lo[2] == b.hi[2]);
            if (flat_axes < 2 && Spill_Near(spill, b))
                return true;
        }
    }
    return false;
}

void Batch_Renderer::Boxes_Keep(std::size_t k)
{
    const Slot& s = slots_[k];
    for (int a = 0; a < 3; ++a) {
        slot_boxes_[k].lo[a] = s.lo[a];
        slot_boxes_[k].hi[a] = s.hi[a];
    }
    spill_boxes_[k] = s.spill;
}

int Batch_Renderer::Spill_Count(std::size_t k) const
{
    int hits = 0;
    if (spill_boxes_[k].lo[0] <= spill_boxes_[k].hi[0])
        for (std::size_t j = k + 1; j < slots_.size(); ++j)
            hits += Spill_Hides(k, j);
    return hits;
}

void Batch_Renderer::Spill_Count_All()
{
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Boxes_Keep(i);
        slots_[i].spill_hits = 0;
    }
    // The slots by the squares of a grid their boxes cover, so that each spill is compared with
    // its neighbours only (a layout has thousands of labels and read-outs, each a spill).
    constexpr float CELL = 64.0f;
    const auto cell_of = [](float x) {
        return static_cast<int>(std::floor(std::min(std::max(x / CELL, -1e8f), 1e8f)));
    };
    const auto cells = [&](const Box& b, int range[4]) {
        range[0] = cell_of(b.lo[0]);
        range[1] = cell_of(b.lo[1]);
        range[2] = cell_of(b.hi[0]);
        range[3] = cell_of(b.hi[1]);
        return static_cast<std::size_t>(range[2] - range[0] + 1) * static_cast<std::size_t>(range[3] - range[1] + 1);
    };
    // Calls `f` with the key of each square the box covers.
    const auto each_square = [&](const Box& b, auto&& f) {
        int r[4];
        cells(b, r);
        for (int x = r[0]; x <= r[2]; ++x)
            for (int y = r[1]; y <= r[3]; ++y)
                f(static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32 | static_cast<std::uint32_t>(y));
    };
    std::size_t entries = 0;
    for (const Box& b : slot_boxes_)
        if (b.lo[0] <= b.hi[0]) {
            int r[4];
            entries += cells(b, r);
        }
    // Boxes far larger than the grid's squares (scaled-up widgets): every spill against every slot.
    if (entries > 16 * slots_.size() + 4096) {
        for (std::size_t i = 0; i < slots_.size(); ++i)
            slots_[i].spill_hits = Spill_Count(i);
        return;
    }
    grid_.clear();
    grid_.reserve(entries);
    for (std::size_t j = 0; j < slots_.size(); ++j)
        if (slot_boxes_[j].lo[0] <= slot_boxes_[j].hi[0])
            each_square(slot_boxes_[j],
                        [&](std::uint64_t square) { grid_.emplace_back(square, static_cast<std::uint32_t>(j)); });
    std::sort(grid_.begin(), grid_.end());
    grid_seen_.assign(slots_.size(), 0);
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        const Box& spill = spill_boxes_[k];
        if (spill.lo[0] > spill.hi[0])
            continue;
        each_square(spill, [&](std::uint64_t square) {
            // The later slots in the square: those after k, in slot order.
            const std::pair<std::uint64_t, std::uint32_t> from{square, static_cast<std::uint32_t>(k + 1)};
            for (auto e = std::lower_bound(grid_.begin(), grid_.end(), from);
                 e != grid_.end() && e->first == square; ++e) {
                std::uint32_t& seen = grid_seen_[e->second];
                if (seen == k + 1)
                    continue;
                seen = static_cast<std::uint32_t>(k + 1);
                slots_[k].spill_hits += Spill_Hides(k, e->second);
            }
        });
    }
}

void Batch_Renderer::Spill_Unhook(std::size_t k)
{
    for (std::size_t i = 0; i < k; ++i)
        slots_[i].spill_hits -= Spill_Hides(i, k);
}

void Batch_Renderer::Spill_Hook(std::size_t k)
{
    Boxes_Keep(k);
    for (std::size_t i = 0; i < k; ++i)
        slots_[i].spill_hits += Spill_Hides(i, k);
    slots_[k].spill_hits = Spill_Count(k);
    // A run of the lists ends where it no longer should, or should where it does not.
    for (std::size_t i = 0; i <= k && !lists_dirty_; ++i)
        lists_dirty_ = (slots_[i].visible && slots_[i].spill_hits > 0) != slots_[i].run_end;
}

// [SECTION] Atlas -------------------------------------------------------------------------------------

void Batch_Renderer::Boxes_Measure(const Slot& slot)
{
    boxes_.resize(slot.look.Size());
    for (std::size_t i = 0; i < slot.look.Size(); ++i) {
        const Look_Part& p = slot.look.Parts()[i];
        Part_Box& b = boxes_[i];
        b.later = p.pass == Look_Pass::OUTLINE ? BOX_OUTLINE
                  : (p.pass == Look_Pass::TEXT || p.pass == Look_Pass::PICTURE) ? BOX_TEXTURED
                                                                                 : BOX_NONE;
        if (b.later == BOX_NONE || p.quads < 1) {
            b.later = BOX_NONE;
            continue;
        }
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        const short* v = p.Vertices();
        for (int k = 0; k < p.quads * 4; ++k)
            for (int a = 0; a < 3; ++a) {
                const float x = static_cast<float>(v[k * 3 + a]) * p.scale[a] + p.offset[a];
                lo[a] = std::min(lo[a], x);
                hi[a] = std::max(hi[a], x);
            }
        b.x0 = lo[0];
        b.y0 = lo[1];
        b.z0 = lo[2];
        b.x1 = hi[0];
        b.y1 = hi[1];
        b.z1 = hi[2];
    }
}

void Batch_Renderer::Overlap_Window(const Slot& slot, std::size_t i, float keep[4]) const
{
    keep[0] = keep[1] = 1e30f;
    keep[2] = keep[3] = -1e30f;
    const Look_Part& p = slot.look.Parts()[i];
    const short* c = p.Vertices();
    const float* st = p.Coords();
    // Texel coordinates along x and y (Quad_Aligned): from corner 0 to its neighbour along s, and
    // to its neighbour along t.
    const int along_s = st[1] == st[3] ? 1 : 3, along_t = along_s == 1 ? 3 : 1;
    const float x0 = c[0] * p.scale[0] + p.offset[0], y0 = c[1] * p.scale[1] + p.offset[1];
    const float u0 = (st[0] + p.shift_s) * static_cast<float>(p.texture.tex_w);
    const float v0 = st[1] * static_cast<float>(p.texture.tex_h);
    const float du_dx = ((st[along_s * 2] + p.shift_s) * static_cast<float>(p.texture.tex_w) - u0) /
                        (c[along_s * 3] * p.scale[0] + p.offset[0] - x0);
    const float dv_dy = (st[along_t * 2 + 1] * static_cast<float>(p.texture.tex_h) - v0) /
                        (c[along_t * 3 + 1] * p.scale[1] + p.offset[1] - y0);
    const Part_Box& a = boxes_[i];
    for (std::size_t j = 0; j < boxes_.size(); ++j) {
        const Part_Box& b = boxes_[j];
        // Outlines are drawn after every picture, later pictures after this one.
        if (b.later == BOX_NONE || j == i || (b.later == BOX_TEXTURED && j < i))
            continue;
        // Seen askew, quads apart in the plane meet on screen: the heights between them widen the
        // overlap; an outline's band reaches beyond its edges.
        const float grow = std::max(a.z1, b.z1) - std::min(a.z0, b.z0) + (b.later == BOX_OUTLINE ? 2.0f : 0.0f);
        const float ox0 = std::max(a.x0, b.x0 - grow), ox1 = std::min(a.x1, b.x1 + grow);
        const float oy0 = std::max(a.y0, b.y0 - grow), oy1 = std::min(a.y1, b.y1 + grow);
        if (ox0 > ox1 || oy0 > oy1)
            continue;
        const float ua = u0 + (ox0 - x0) * du_dx, ub = u0 + (ox1 - x0) * du_dx;
        const float va = v0 + (oy0 - y0) * dv_dy, vb = v0 + (oy1 - y0) * dv_dy;
        keep[0] = std::min(keep[0], std::min(ua, ub));
        keep[2] = std::max(keep[2], std::max(ua, ub));
        keep[1] = std::min(keep[1], std::min(va, vb));
        keep[3] = std::max(keep[3], std::max(va, vb));
    }
}

Batch_Renderer::Region Batch_Renderer::Texels_Read(const float lo[2], const float hi[2], int slack)
{
    Region r;
    r.i0 = static_cast<int>(std::floor(lo[0] - 0.5f)) - slack;
    r.j0 = static_cast<int>(std::floor(lo[1] - 0.5f)) - slack;
    r.w = static_cast<int>(std::floor(hi[0] - 0.5f)) + 2 + slack - r.i0;
    r.h = static_cast<int>(std::floor(hi[1] - 0.5f)) + 2 + slack - r.j0;
    return r;
}

Batch_Renderer::Region Batch_Renderer::Cell_Cut(Cell& c, const Look_Texture& t, const Source& source,
                                                const float lo[2], const float hi[2], const float keep[4],
                                                float window[4])
{
    // Only the texels the quads read are searched (a caption's quad shows the text's part of its
    // texture).
    const Region read = Texels_Read(lo, hi, 0);
    const int area[4] = {std::max(read.i0, 0), std::max(read.j0, 0), std::min(read.i0 + read.w, t.tex_w),
                         std::min(read.j0 + read.h, t.tex_h)};
    if (!c.measured || !(c.inked == source) || std::memcmp(area, c.ink_area, sizeof area) != 0) {
        if (area[0] < area[2] && area[1] < area[3]) {
            Ink_Find(t, area, c.ink);
        } else {
            c.ink[0] = c.ink[1] = 0;
            c.ink[2] = c.ink[3] = -1;
        }
        c.inked = source;
        std::memcpy(c.ink_area, area, sizeof area);
        c.measured = true;
    }
    const int size[2] = {t.tex_w, t.tex_h};
    for (int a = 0; a < 2; ++a) {
        // Ink texel k weighs in from coordinate k - 0.5 to k + 1.5. A texture clamped to its edge
        // repeats the edge's ink beyond it: that side stays.
        const bool edge = t.wrap == Look_Wrap::EDGE;
        window[a] = edge && c.ink[a] == 0 ? lo[a] : std::max(lo[a], static_cast<float>(c.ink[a]) - 0.5f);
        window[a + 2] = edge && c.ink[a + 2] == size[a] - 1 ? hi[a]
                                                            : std::min(hi[a], static_cast<float>(c.ink[a + 2]) + 1.5f);
        // Where quads drawn later overlap, the transparent texels stay: their depth hides those
        // quads' fragments behind them, as in the widgets' own drawing.
        if (keep[a] <= keep[a + 2]) {
            window[a] = std::max(lo[a], std::min(window[a], keep[a]));
            window[a + 2] = std::min(hi[a], std::max(window[a + 2], keep[a + 2]));
        }
    }
    if (window[0] > window[2] || window[1] > window[3]) {
        // Nothing to show: the quads shrink to a point and the cell holds no texels.
        window[0] = window[2] = lo[0];
        window[1] = window[3] = lo[1];
        return Region{};
    }
    // One texel more on each side than the cut quads read, so that no rounding of a coordinate at
    // the cut reaches the neighbouring cell.
    const float from[2] = {window[0], window[1]}, to[2] = {window[2], window[3]};
    return Texels_Read(from, to, 1);
}

void Batch_Renderer::Atlas_Make(int height)
{
    atlas_h_ = std::max(16, std::min(height, max_texture_));
    glBindTexture(GL_TEXTURE_2D, atlas_);
    // Each cell holds the texels its quads' filtering reads, wrapping included: plain linear
    // filtering of the atlas is the widgets' own.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // Masks alone take one byte a texel: alpha in a compatibility context; elsewhere red, shown as
    // alpha over black by the swizzle, as an alpha texture shows.
    const GLint internal = texel_bytes_ == 4 ? GL_RGBA8 : core_or_es_ ? GL_R8 : GL_ALPHA8;
    glTexImage2D(GL_TEXTURE_2D, 0, internal, atlas_w_, atlas_h_, 0, Atlas_Format(), GL_UNSIGNED_BYTE, nullptr);
    if (core_or_es_) {
        const bool red = texel_bytes_ == 1;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, red ? GL_ZERO : GL_RED);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, red ? GL_ZERO : GL_GREEN);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, red ? GL_ZERO : GL_BLUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, red ? GL_RED : GL_ALPHA);
    }
}

GLenum Batch_Renderer::Atlas_Format() const
{
    return texel_bytes_ == 4 ? GL_RGBA : core_or_es_ ? GL_RED : GL_ALPHA;
}

bool Batch_Renderer::Cell_Place(Cell& c, const Source& source, const Region& r, const Region& room)
{
    if (c.w > 0 && c.shown == source && c.region == r)
        return true;
    if (source.rgba && texel_bytes_ == 1)
        return false;  // a picture where there were only masks: laid out again with RGBA texels
    c.shown = source;
    c.region = r;
    if (r.w < 1 || r.h < 1)
        return true;  // nothing drawn from it
    if (c.w < r.w || c.h < r.h) {
        // A cell that outgrows its texels after the layout moves to one that holds the part's whole
        // region: a read-out changes its text with every step of a drag, and then stays put.
        const int w = gathering_ ? r.w : std::max(r.w, room.w);
        const int h = gathering_ ? r.h : std::max(r.h, room.h);
        if (!Shelf_Fit(shelf_x_, shelf_y_, shelf_h_, w, h, atlas_w_, atlas_h_, c.x, c.y))
            return false;
        c.w = w;
        c.h = h;
    }
    if (!gathering_) {
        Cell_Upload(c);
    } else {
        // Copied at once, while the ink search has the texels in the cache, into the rows of the
        // atlas sent when the layout is done.
        const std::size_t pitch = static_cast<std::size_t>(atlas_w_) * static_cast<std::size_t>(texel_bytes_);
        const std::size_t rows = static_cast<std::size_t>(c.y + r.h);
        if (pixels_.size() < rows * pitch)
            pixels_.resize(rows * pitch);
        Cell_Fill(c, pixels_.data() + static_cast<std::size_t>(c.y) * pitch + static_cast<std::size_t>(c.x) * texel_bytes_,
                  pitch, texel_bytes_);
    }
    return true;
}

void Batch_Renderer::Cell_Fill(const Cell& c, unsigned char* out, std::size_t pitch, int bytes)
{
    const Source& t = c.shown;
    const Region& r = c.region;
    if (!t.rgba && bytes == 1 && t.wrap != Look_Wrap::REPEAT) {
        // A mask into a mask atlas, the usual cell (a caption cut to its ink): each row is the texels
        // before the texture, those inside it and those after it, mostly one texel of slack at most
        // either side, too few for a call each.
        const int inside0 = std::min(std::max(-r.i0, 0), r.w);
        const int inside1 = std::max(std::min(t.tex_w - r.i0, r.w), inside0);
        const bool border = t.wrap == Look_Wrap::BORDER;
        for (int y = 0; y < r.h; ++y, out += pitch) {
            int j = r.j0 + y;
            if (j < 0 || j >= t.tex_h) {
                if (border) {
                    std::memset(out, 0, static_cast<std::size_t>(r.w));
                    continue;
                }
                j = std::min(std::max(j, 0), t.tex_h - 1);
            }
            const unsigned char* row = t.pixels + static_cast<std::size_t>(j) * static_cast<std::size_t>(t.tex_w);
            const unsigned char before = border ? 0 : row[0], after = border ? 0 : row[t.tex_w - 1];
            for (int x = 0; x < inside0; ++x)
                out[x] = before;
            if (inside1 > inside0)
                std::memcpy(out + inside0, row + r.i0 + inside0, static_cast<std::size_t>(inside1 - inside0));
            for (int x = inside1; x < r.w; ++x)
                out[x] = after;
        }
        return;
    }
    const std::size_t texel = t.rgba ? 4 : 1;
    const std::size_t step = static_cast<std::size_t>(bytes);
    // Texel (i, j) of the region as the texture's wrapping gives it: clamped to the edge, transparent
    // black beyond the border, or repeated. A mask is black with its coverage as alpha, as GL shows
    // an alpha texture. Each row goes in runs of texels read one after the other.
    const auto copy = [&](unsigned char* to, int i, int j, int n, bool repeat_one) {
        const unsigned char* from = t.pixels + (static_cast<std::size_t>(j) * t.tex_w + i) * texel;
        if (t.rgba && !repeat_one) {
            std::memcpy(to, from, static_cast<std::size_t>(n) * 4);
        } else if (t.rgba) {
            for (int k = 0; k < n; ++k)
                std::memcpy(to + k * 4, from, 4);
        } else if (step == 1) {
            if (repeat_one)
                std::memset(to, from[0], static_cast<std::size_t>(n));
            else
                std::memcpy(to, from, static_cast<std::size_t>(n));
        } else {
            for (int k = 0; k < n; ++k) {
                to[k * 4] = to[k * 4 + 1] = to[k * 4 + 2] = 0;
                to[k * 4 + 3] = from[repeat_one ? 0 : k];
            }
        }
    };
    for (int y = 0; y < r.h; ++y, out += pitch) {
        int j = r.j0 + y;
        if (t.wrap == Look_Wrap::REPEAT) {
            j = ((j % t.tex_h) + t.tex_h) % t.tex_h;
        } else if (j < 0 || j >= t.tex_h) {
            if (t.wrap == Look_Wrap::BORDER) {
                std::memset(out, 0, static_cast<std::size_t>(r.w) * step);
                continue;
            }
            j = std::min(std::max(j, 0), t.tex_h - 1);
        }
        for (int x = 0; x < r.w;) {
            const int i = r.i0 + x;
            unsigned char* to = out + static_cast<std::size_t>(x) * step;
            int n = 0;
            if (t.wrap == Look_Wrap::REPEAT) {
                const int from = ((i % t.tex_w) + t.tex_w) % t.tex_w;
                n = std::min(t.tex_w - from, r.w - x);
                copy(to, from, j, n, false);
            } else if (i < 0 || i >= t.tex_w) {
                n = i < 0 ? std::min(-i, r.w - x) : r.w - x;
                if (t.wrap == Look_Wrap::BORDER)
                    std::memset(to, 0, static_cast<std::size_t>(n) * step);
                else
                    copy(to, i < 0 ? 0 : t.tex_w - 1, j, n, true);
            } else {
                n = std::min(t.tex_w - i, r.w - x);
                copy(to, i, j, n, false);
            }
            x += n;
        }
    }
}

void Batch_Renderer::Cell_Upload(const Cell& c)
{
    const Region& r = c.region;
    const std::size_t pitch = static_cast<std::size_t>(r.w) * static_cast<std::size_t>(texel_bytes_);
    pixels_.resize(pitch * static_cast<std::size_t>(r.h));
    Cell_Fill(c, pixels_.data(), pitch, texel_bytes_);
    glBindTexture(GL_TEXTURE_2D, atlas_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, texel_bytes_ == 4 ? 4 : 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, c.x, c.y, r.w, r.h, Atlas_Format(), GL_UNSIGNED_BYTE, pixels_.data());
    ++uploads_;
}

// [SECTION] Layout and frame --------------------------------------------------------------------------

void Batch_Renderer::Buffers_Make(int quads)
{
    quads_ = quads;
    // Every vertex is written by the layout: no zeroing first.
    vertices_.resize(static_cast<std::size_t>(quads) * 4);
}

void Batch_Renderer::Layout()
{
    if (!Ready())
        return;
    // Each slot keeps exactly the quads it needs now in each stream; one that grows later (a list
    // showing a box with a picture) lays everything out again. A slot's streams lie next to each
    // other, so that a widget's change (a cursor and its read-out) goes up in one piece.
    int quads = 0, cells = 0;
    Texels texels;
    for (Slot& s : slots_) {
        int counts[STREAMS];
        const int textured = Quads_Count(s, counts, &texels);
        for (int k = 0; k < STREAMS; ++k) {
            s.range[k].first = quads;
            s.range[k].capacity = counts[k];
            quads += counts[k];
        }
        // Room for the cells its textured parts need now; those it has keep the ink they measured.
        s.cell_room = std::max(textured, s.cell_count);
        cells += s.cell_room;
    }
    Buffers_Make(quads);
    // All the slots' cells in one store, rather than a small allocation for each slot.
    cells_next_.resize(static_cast<std::size_t>(cells));
    cells = 0;
    for (Slot& s : slots_) {
        std::copy(Slot_Cells(s), Slot_Cells(s) + s.cell_count, cells_next_.begin() + cells);
        s.cell_first = cells;
        cells += s.cell_room;
    }
    cells_.swap(cells_next_);
    // One pass: each cell is measured and placed on the atlas's shelves as its slot's vertices are
    // written, its texels copied afterwards, shelf by shelf. Until the atlas's height is known the
    // vertices keep texel rows.
    // The atlas's texels: one byte while every cell is a mask, RGBA once a picture is among them.
    // Their rows are gathered in pixels_ as the cells are placed, in room reserved for what the
    // textures could need: memory that is never written costs nothing.
    texel_bytes_ = texels.rgba ? 4 : 1;
    pixels_.clear();
    pixels_.reserve(texels.area * static_cast<std::size_t>(texel_bytes_) * 5 / 4 +
                    static_cast<std::size_t>(atlas_w_) * static_cast<std::size_t>(texel_bytes_) * 64);
    gathering_ = true;
    shelf_x_ = shelf_y_ = shelf_h_ = 0;
    atlas_h_ = max_texture_;
    uv_height_ = 1.0f;
    for (Slot& s : slots_) {
        s.signature.clear();
        // The signature is taken when the widget is next described: an empty one reads as changed,
        // and a widget found unchanged never needs one.
        s.fresh = false;
        // Every cell is placed afresh; the ink measured stays with it.
        for (int i = 0; i < s.cell_count; ++i)
            Slot_Cells(s)[i].w = Slot_Cells(s)[i].h = 0;
        Vertex* out[STREAMS];
        for (int k = 0; k < STREAMS; ++k)
            out[k] = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[k].first) * 4;
        if (!Vertices_Build(s, out)) {
            if (!atlas_full_reported_) {
                Error_Fct(::hwnd, 0x80000001u,
                          "Batch: captions and pictures need more than a %d x %d atlas; some are left out", atlas_w_,
                          atlas_h_);
                atlas_full_reported_ = true;
            }
            // What the slot could not build draws nothing.
            for (int k = 0; k < STREAMS; ++k) {
                Vertex* end = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[k].first + s.range[k].capacity) * 4;
                std::fill(out[k], end, Vertex{});
            }
        }
        Bounds_Make(s);
        s.visible = s.lo[0] <= s.hi[0];
    }
    Spill_Count_All();
    gathering_ = false;
    // The shelves the cells take, a quarter as much again and a margin for read-outs that grow and
    // pictures that change (a full atlas lays everything out again).
    const int used = shelf_y_ + shelf_h_;
    Atlas_Make(used + used / 4 + 64);
    uv_height_ = static_cast<float>(atlas_h_);
    for (const Slot& s : slots_) {
        Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[STREAM_TEXTURED].first) * 4;
        for (int i = 0; i < s.range[STREAM_TEXTURED].capacity * 4; ++i)
            v[i].mid.picture.uv[1] /= uv_height_;
    }
    if (used > 0) {
        // Texels between the cells are never read.
        glBindTexture(GL_TEXTURE_2D, atlas_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, texel_bytes_ == 4 ? 4 : 1);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, atlas_w_, used, Atlas_Format(), GL_UNSIGNED_BYTE, pixels_.data());
        ++uploads_;
    }
    // The rows are in the texture now; later uploads are a cell at a time. Keeping them would hold
    // the atlas's size again in memory (4 MB at a thousand rows of captions) for nothing: room for
    // twice the largest cell is kept instead, so that a drag's new read-outs need none.
    std::size_t largest = 0;
    for (const Cell& c : cells_)
        largest = std::max(largest, static_cast<std::size_t>(std::max(c.w, 0)) * static_cast<std::size_t>(std::max(c.h, 0)));
    std::vector<unsigned char> kept;
    kept.reserve(largest * 2 * static_cast<std::size_t>(texel_bytes_));
    pixels_.swap(kept);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(Vertex)), vertices_.data(),
                 GL_DYNAMIC_DRAW);
    marks_.assign(static_cast<std::size_t>(quads_), 0);
    smooth_quads_ = 0;
    for (const Slot& s : slots_) {
        Quads_Mark(s.range[STREAM_OPAQUE].first, s.range[STREAM_OPAQUE].capacity, true);
        Twins_Mark(s.range[STREAM_OPAQUE].first, s.range[STREAM_OPAQUE].capacity);
    }
    // The next frame tests every slot against its view and builds the lists.
    cull_valid_ = false;
    lists_dirty_ = true;
}

void Batch_Renderer::Twins_Mark(int first, int count)
{
    std::vector<Flat_Quad>& flats = flats_;
    flats.clear();
    const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(first) * 4;
    for (int q = 0; q < count; ++q, v += 4) {
        if (v->mid.mesh.info[0] == 0)
            continue;
        for (int axis = 0; axis < 3; ++axis) {
            const float at = v[0].pos[axis];
            if (v[1].pos[axis] != at || v[2].pos[axis] != at || v[3].pos[axis] != at || v->mid.mesh.normal[axis] == 0)
                continue;
            Flat_Quad f{first + q, axis, at, v->mid.mesh.normal[axis] > 0, {1e30f, 1e30f}, {-1e30f, -1e30f}};
            for (int c = 0; c < 4; ++c)
                for (int k = 0; k < 2; ++k) {
                    const float x = v[c].pos[(axis + 1 + k) % 3];
                    f.lo[k] = std::min(f.lo[k], x);
                    f.hi[k] = std::max(f.hi[k], x);
                }
            flats.push_back(f);
            break;
        }
    }
    std::sort(flats.begin(), flats.end(), [](const Flat_Quad& a, const Flat_Quad& b) {
        return a.axis != b.axis ? a.axis < b.axis : a.at < b.at;
    });
    std::vector<unsigned char>& twin = twins_found_;
    twin.assign(static_cast<std::size_t>(count), 0);
    for (std::size_t i = 0; i < flats.size(); ++i)
        for (std::size_t j = i + 1; j < flats.size() && flats[j].axis == flats[i].axis && flats[j].at == flats[i].at;
             ++j) {
            const Flat_Quad& a = flats[i];
            const Flat_Quad& b = flats[j];
            if (a.up != b.up && a.lo[0] < b.hi[0] && b.lo[0] < a.hi[0] && a.lo[1] < b.hi[1] && b.lo[1] < a.hi[1])
                twin[static_cast<std::size_t>(a.quad - first)] = twin[static_cast<std::size_t>(b.quad - first)] = 1;
        }
    for (int q = 0; q < count; ++q) {
        unsigned char& mark = marks_[static_cast<std::size_t>(first + q)];
        if ((twin[static_cast<std::size_t>(q)] != 0) != ((mark & MARK_TWIN) != 0)) {
            mark ^= MARK_TWIN;
            lists_dirty_ = true;
        }
    }
}

void Batch_Renderer::Quads_Mark(int first, int count, bool fresh)
{
    const Vertex* v = vertices_.data() + static_cast<std::ptrdiff_t>(first) * 4;
    for (int q = 0; q < count; ++q, v += 4) {
        // All four corners on one x or one y: blank padding quads included.
        const bool same_x = v[0].pos[0] == v[1].pos[0] && v[0].pos[0] == v[2].pos[0] && v[0].pos[0] == v[3].pos[0];
        const bool same_y = v[0].pos[1] == v[1].pos[1] && v[0].pos[1] == v[2].pos[1] && v[0].pos[1] == v[3].pos[1];
        // Everything but the position alike: the lit colour is then the same at every corner
        // under a light from a direction.
        const auto rest = [&](int k) { return reinterpret_cast<const unsigned char*>(&v[k]) + sizeof v->pos; };
        constexpr std::size_t rest_bytes = sizeof(Vertex) - sizeof v->pos;
        const bool smooth = std::memcmp(rest(0), rest(1), rest_bytes) != 0 ||
                            std::memcmp(rest(0), rest(2), rest_bytes) != 0 ||
                            std::memcmp(rest(0), rest(3), rest_bytes) != 0;
        unsigned char& mark = marks_[static_cast<std::size_t>(first + q)];
        if (fresh) {
            mark = (same_x || same_y) ? MARK_EDGE_ON : 0;
        } else if ((mark & MARK_EDGE_ON) && !same_x && !same_y) {
            // Only a quad that turns into a face needs the list again; one that turns edge-on (a
            // widget hidden) is drawn as before and covers nothing.
            mark &= static_cast<unsigned char>(~MARK_EDGE_ON);
            lists_dirty_ = true;
        }
        if (smooth != ((mark & MARK_SMOOTH) != 0)) {
            mark ^= MARK_SMOOTH;
            smooth_quads_ += smooth ? 1 : -1;
        }
    }
}

void Batch_Renderer::Bounds_Make(Slot& slot) const
{
    std::memcpy(slot.lo, built_lo_, sizeof slot.lo);
    std::memcpy(slot.hi, built_hi_, sizeof slot.hi);
}

bool Batch_Renderer::Slot_Visible(const Slot& slot) const
{
    // Hidden: its quads are blank and cover nothing wherever they are listed; keeping its place
    // spares a rebuild of the lists when it hides or shows.
    if (slot.lo[0] > slot.hi[0])
        return slot.visible;
    // The box's corners in clip coordinates. The slot is left out only when all of them lie beyond
    // one plane of the clip volume: a box straddling the near plane or a corner of the view is kept.
    // Across x and y the volume is widened by an outline band's reach in pixels (half its width and
    // the half pixel beyond its ends, rounded up), so that a band whose edge lies outside still shows.
    const float* m = cull_mvp_;
    const float reach_x = 1.0f + 2.0f * (OUTLINE_HALF_WIDTH + 1.0f) / cull_viewport_[0];
    const float reach_y = 1.0f + 2.0f * (OUTLINE_HALF_WIDTH + 1.0f) / cull_viewport_[1];
    int outside[6] = {0, 0, 0, 0, 0, 0};
    for (int c = 0; c < 8; ++c) {
        const float p[3] = {(c & 1) ? slot.hi[0] : slot.lo[0], (c & 2) ? slot.hi[1] : slot.lo[1],
                            (c & 4) ? slot.hi[2] : slot.lo[2]};
        float clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
        outside[0] += clip[0] < -reach_x * clip[3];
        outside[1] += clip[0] > reach_x * clip[3];
        outside[2] += clip[1] < -reach_y * clip[3];
        outside[3] += clip[1] > reach_y * clip[3];
        outside[4] += clip[2] < -clip[3];
        outside[5] += clip[2] > clip[3];
    }
    for (const int n : outside)
        if (n == 8)
            return false;
    return true;
}

void Batch_Renderer::View_Take(const Batch_View& view)
{
    const bool straight = Straight_View(view);
    const bool moved = !cull_valid_ || std::memcmp(cull_mvp_, view.mvp, sizeof cull_mvp_) != 0 ||
                       std::memcmp(cull_viewport_, view.viewport, sizeof cull_viewport_) != 0;
    if (straight != cull_straight_)
        lists_dirty_ = true;
    cull_straight_ = straight;
    if (!moved)
        return;
    std::memcpy(cull_mvp_, view.mvp, sizeof cull_mvp_);
    std::memcpy(cull_viewport_, view.viewport, sizeof cull_viewport_);
    cull_valid_ = true;
    for (Slot& s : slots_) {
        const bool visible = Slot_Visible(s);
        if (visible != s.visible)
            lists_dirty_ = true;
        s.visible = visible;
    }
}

void Batch_Renderer::Lists_Upload()
{
    if (!lists_dirty_)
        return;
    lists_dirty_ = false;
    index_.clear();
    draws_.clear();
    const bool faces_only = cull_straight_;
    for (std::size_t run = 0; run < slots_.size();) {
        std::size_t end = run;
        while (end < slots_.size() && !(slots_[end].visible && slots_[end].spill_hits > 0))
            slots_[end++].run_end = false;
        if (end < slots_.size())
            slots_[end++].run_end = true;
        for (const int list : {int{LIST_TWINS}, int{LIST_OPEN}, int{STREAM_TEXTURED}, int{STREAM_OUTLINE}}) {
            const int first = static_cast<int>(index_.size());
            const int k = list == LIST_OPEN ? STREAM_OPAQUE : list;
            for (std::size_t i = run; i < end; ++i) {
                const Slot& s = slots_[i];
                if (!s.visible)
                    continue;
                for (int q = s.range[k].first; q < s.range[k].first + s.range[k].capacity; ++q) {
                    if (k == STREAM_OPAQUE) {
                        const unsigned char mark = marks_[static_cast<std::size_t>(q)];
                        if ((faces_only && (mark & MARK_EDGE_ON)) || ((mark & MARK_TWIN) != 0) != (list == LIST_TWINS))
                            continue;
                    }
                    const GLuint b = static_cast<GLuint>(q) * 4;
                    const GLuint tri[6] = {b, b + 1, b + 2, b, b + 2, b + 3};
                    index_.insert(index_.end(), tri, tri + 6);
                }
            }
            const int count = static_cast<int>(index_.size()) - first;
            if (count > 0)
                draws_.push_back(Draw_Range{list, first, count});
        }
        run = end;
    }
    if (vao_)
        glBindVertexArray(vao_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    const std::size_t bytes = index_.size() * sizeof(GLuint);
    if (bytes > index_bytes_) {
        // Room for the whole batch at once, so that turning the view round needs no new buffer.
        index_bytes_ = std::max(bytes, static_cast<std::size_t>(quads_) * 6 * sizeof(GLuint));
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(index_bytes_), nullptr, GL_DYNAMIC_DRAW);
    }
    if (bytes > 0)
        glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), index_.data());
    ++uploads_;
}

void Batch_Renderer::Attributes_Point(int stream)
{
    // What a stream's program does not read points at the middle bytes too: any place in the
    // vertex will do.
    const GLsizei stride = sizeof(Vertex);
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    const std::size_t middle = offsetof(Vertex, mid), color = offsetof(Vertex, color);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(Vertex, pos)));
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, at(color));
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, at(middle));
    if (stream == STREAM_OPAQUE) {
        // Normalised as GL reads the widgets' own short normals.
        glVertexAttribPointer(1, 3, GL_SHORT, GL_TRUE, stride, at(middle));
        glVertexAttribPointer(4, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at(middle + offsetof(Vertex::Middle::Mesh, info)));
    } else if (stream == STREAM_TEXTURED) {
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(middle));
        glVertexAttribPointer(4, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride,
                              at(middle + offsetof(Vertex::Middle::Picture, info)));
    } else {
        // The band's other end, and its corner in the colour's alpha.
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(middle));
        glVertexAttribPointer(4, 4, GL_UNSIGNED_BYTE, GL_FALSE, stride, at(color));
    }
}

void Batch_Renderer::Program_Use(const Program& p, const Batch_View& view)
{
    glUseProgram(p.id);
    glUniformMatrix4fv(p.mvp, 1, GL_FALSE, view.mvp);
    if (p.nm >= 0) {
        glUniformMatrix4fv(p.mv, 1, GL_FALSE, view.model_view);
        glUniformMatrix3fv(p.nm, 1, GL_FALSE, view.normal_matrix);
        glUniform4fv(p.light, 1, view.light);
        glUniform3fv(p.diffuse, 1, view.diffuse);
        glUniform3fv(p.ambient, 1, view.ambient);
        glUniform1f(p.normalize, view.normalize ? 1.0f : 0.0f);
    }
    if (p.viewport >= 0)
        glUniform2fv(p.viewport, 1, view.viewport);
    if (p.atlas >= 0) {
        glUniform1i(p.atlas, 0);
    }
}

Batch_Renderer::Depth_Cull_State Batch_Renderer::Depth_Cull_Take()
{
    Depth_Cull_State host;
    host.depth_test = glIsEnabled(GL_DEPTH_TEST);
    host.cull = glIsEnabled(GL_CULL_FACE);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &host.depth_mask);
    glGetIntegerv(GL_DEPTH_FUNC, &host.depth_func);
    glGetIntegerv(GL_CULL_FACE_MODE, &host.cull_mode);
    glGetIntegerv(GL_FRONT_FACE, &host.front_face);
    // Parts stacked at the same depth are drawn later on top, and a slab's back in its front's
    // plane must not show through it: a scene graph's defaults (GL_LESS, no culling) would lose
    // the later part and streak the slab.
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    return host;
}

void Batch_Renderer::Depth_Cull_Put(const Depth_Cull_State& host)
{
    if (host.depth_test)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    if (host.cull)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
    glDepthMask(host.depth_mask);
    glDepthFunc(static_cast<GLenum>(host.depth_func));
    glCullFace(static_cast<GLenum>(host.cull_mode));
    glFrontFace(static_cast<GLenum>(host.front_face));
}

void Batch_Renderer::Frame(const Batch_View& view)
{
    draw_calls_ = 0;
    uploads_ = 0;
    if (!Ready())
        return;
    bool relayout = quads_ == 0 && !slots_.empty();
    const Vertex blank{};
    for (std::size_t i = 0; i < slots_.size() && !relayout; ++i) {
        Slot& s = slots_[i];
        // A widget the caller found unchanged kept its look: nothing to compare.
        if (!s.fresh)
            continue;
        s.fresh = false;
        if (!Signature_Changed(s))
            continue;
        int counts[STREAMS];
        Quads_Count(s, counts);
        Vertex* out[STREAMS];
        for (int k = 0; k < STREAMS; ++k) {
            if (counts[k] > s.range[k].capacity)
                relayout = true;
            scratch_[k].resize(static_cast<std::size_t>(counts[k]) * 4);
            out[k] = scratch_[k].data();
        }
        if (relayout || !Vertices_Build(s, out)) {
            relayout = true;
            break;
        }
        // What the slot's old quads counted toward earlier slots' spills goes with them.
        Spill_Unhook(i);
        // Only the vertices that differ go up, from the first to the last of the slot's block (its
        // streams one after the other): a hover recolours one face, a drag moves a cursor and its
        // read-out, in one piece.
        Vertex* gpu = vertices_.data() + static_cast<std::ptrdiff_t>(s.range[0].first) * 4;
        int lo = -1, hi = -1, at = 0;
        for (int k = 0; k < STREAMS; ++k) {
            const int count = static_cast<int>(scratch_[k].size());
            const int kept = s.range[k].capacity * 4;
            for (int v = 0; v < kept; ++v) {
                const Vertex& want = v < count ? scratch_[k][static_cast<std::size_t>(v)] : blank;
                if (std::memcmp(&want, &gpu[at + v], sizeof(Vertex)) != 0) {
                    gpu[at + v] = want;
                    lo = lo < 0 ? at + v : lo;
                    hi = at + v;
                }
            }
            at += kept;
        }
        if (lo >= 0) {
            glBindBuffer(GL_ARRAY_BUFFER, vbo_);
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>((s.range[0].first * 4 + lo) * sizeof(Vertex)),
                            static_cast<GLsizeiptr>((hi - lo + 1) * sizeof(Vertex)), gpu + lo);
            ++uploads_;
            // The meshes come first in the block.
            const int meshes = s.range[STREAM_OPAQUE].capacity * 4;
            if (lo < meshes) {
                Quads_Mark(s.range[STREAM_OPAQUE].first + lo / 4, std::min(hi, meshes - 1) / 4 - lo / 4 + 1, false);
                Twins_Mark(s.range[STREAM_OPAQUE].first, s.range[STREAM_OPAQUE].capacity);
            }
        }
        // A widget moved into the view or out of it changes the lists.
        Bounds_Make(s);
        Spill_Hook(i);
        if (cull_valid_) {
            const bool visible = Slot_Visible(s);
            if (visible != s.visible)
                lists_dirty_ = true;
            s.visible = visible;
        }
    }
    if (relayout) {
        Layout();
        uploads_ = 1;
    }
    if (quads_ == 0)
        return;
    // The lists are rebuilt only when the view or a changed widget altered the visible set, or a
    // widget's walls turned into faces.
    View_Take(view);
    Lists_Upload();

    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, atlas_);
    if (vao_)
        glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    for (GLuint i = 0; i < ATTRIBUTE_COUNT; ++i)
        glEnableVertexAttribArray(i);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const Depth_Cull_State host = Depth_Cull_Take();
    // Meshes, then captions and pictures, then outlines: each widget's captions and pictures stand
    // above its meshes, so with the host's depth test the picture is the one of widget-by-widget
    // drawing. Meshes are written as they are, as the widgets draw them: blending them would cost
    // a read of every covered pixel for nothing. A slab without thickness (a frame of no depth)
    // has its back in its front's plane: those two are culled by their facing, before the rest.
    int program_list = -1;
    for (const Draw_Range& d : draws_) {
        const int k = d.list == LIST_OPEN ? STREAM_OPAQUE : d.list;
        if (d.list == LIST_TWINS)
            glEnable(GL_CULL_FACE);
        else
            glDisable(GL_CULL_FACE);
        // Outlines are written unblended too: their alpha is the coverage the widgets' smooth lines
        // leave in the frame.
        if (k == STREAM_OPAQUE || k == STREAM_OUTLINE)
            glDisable(GL_BLEND);
        else
            glEnable(GL_BLEND);
        // The twins and the other meshes share their program.
        if (k != (program_list == LIST_OPEN ? STREAM_OPAQUE : program_list)) {
            const bool flat = k == STREAM_OPAQUE && smooth_quads_ == 0 && view.light[3] == 0.0f &&
                              programs_[PROGRAM_FLAT].id != 0;
            Program_Use(programs_[flat ? PROGRAM_FLAT : k], view);
            Attributes_Point(k);
        }
        program_list = d.list;
        glDrawElements(GL_TRIANGLES, d.count, GL_UNSIGNED_INT,
                       reinterpret_cast<void*>(static_cast<std::uintptr_t>(d.first) * sizeof(GLuint)));
        ++draw_calls_;
    }
    Depth_Cull_Put(host);
    if (!vao_)
        for (GLuint i = 0; i < ATTRIBUTE_COUNT; ++i)
            glDisableVertexAttribArray(i);
}

}  // namespace core
