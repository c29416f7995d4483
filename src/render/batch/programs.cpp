// The batch's programs: one shader source in three dialects, compiled per pass.
#include "render/batch/programs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/core.h"
#include "render/batch/sharp_text_program.h"

namespace core {

namespace {

#define BATCH_TEXT(x) #x
#define BATCH_DEFINE(name, value) "#define " name " " BATCH_TEXT(value) "\n"

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
const char* const PREFIX_120_FLAT_FRAGMENT =
    "#version 120\n#extension GL_EXT_gpu_shader4 : require\n"
    "#define IN varying\n#define TEX texture2D\n#define FRAG_OUT gl_FragColor\n";
const char* const PREFIX_330_VERTEX = "#version 330 core\n#define IN in\n#define OUT out\n";
const char* const PREFIX_330_FRAGMENT = "#version 330 core\n#define IN in\n#define TEX texture\n"
                                        "out vec4 frag_out;\n#define FRAG_OUT frag_out\n";
const char* const PREFIX_ES_VERTEX = "#version 300 es\nprecision highp float;\n#define IN in\n#define OUT out\n";
const char* const PREFIX_ES_FRAGMENT = "#version 300 es\nprecision highp float;\nprecision highp sampler2D;\n"
                                       "#define IN in\n#define TEX texture\nout vec4 frag_out;\n"
                                       "#define FRAG_OUT frag_out\n";

const char* const ATTRIBUTES[ATTRIBUTE_COUNT] = {"a_pos", "a_normal", "a_uv", "a_color", "a_info"};

GLuint Shader_Compile(GLenum kind, const char* const* sources, int count, const char* dialect)
{
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, count, sources, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: the %hs shader (GLSL %hs) did not compile: %hs",
                  kind == GL_VERTEX_SHADER ? "vertex" : "fragment", dialect, log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint Shader_Compile(GLenum kind, const char* prefix, int pass, const char* body, const char* dialect)
{
    static const char* const passes[] = {"#define PASS 0\n", "#define PASS 1\n", "#define PASS 2\n",
                                         "#define PASS 3\n"};
    const char* sources[4] = {prefix, passes[pass], BATCH_DEFINE("HALF_WIDTH", BATCH_OUTLINE_HALF_WIDTH), body};
    return Shader_Compile(kind, sources, 4, dialect);
}

// Links the two shaders (either may be 0 after a report, and both are deleted), the attributes at
// locations 0 on in the order of `attributes`.
GLuint Shaders_Link(GLuint vs, GLuint fs, const char* const* attributes, GLuint count, const char* dialect)
{
    if (!vs || !fs) {
        if (vs)
            glDeleteShader(vs);
        if (fs)
            glDeleteShader(fs);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    for (GLuint i = 0; i < count; ++i)
        glBindAttribLocation(program, i, attributes[i]);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: the program (GLSL %hs) did not link: %hs", dialect, log);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

GLuint Program_Link(const char* vp, const char* fp, int pass, const char* dialect)
{
    const GLuint vs = Shader_Compile(GL_VERTEX_SHADER, vp, pass, VERTEX_BODY, dialect);
    const GLuint fs = vs ? Shader_Compile(GL_FRAGMENT_SHADER, fp, pass, FRAGMENT_BODY, dialect) : 0;
    return Shaders_Link(vs, fs, ATTRIBUTES, ATTRIBUTE_COUNT, dialect);
}

}  // namespace

const char* Batch_Dialect_Pick(bool& core_or_es, std::string& why)
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

bool Batch_Extension_Listed(const char* name)
{
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::size_t length = std::strlen(name);
    for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length)
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0'))
            return true;
    return false;
}

const char* Batch_Missing_Entry_Point(bool need_vao)
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

GLuint Batch_Program_Build(const char* dialect, int pass)
{
    const bool es = std::strcmp(dialect, "300 es") == 0;
    const bool core = std::strcmp(dialect, "330 core") == 0;
    if (!es && !core && pass == 3)
        return Program_Link(PREFIX_120_FLAT_VERTEX, PREFIX_120_FLAT_FRAGMENT, pass, dialect);
    const char* vp = es ? PREFIX_ES_VERTEX : core ? PREFIX_330_VERTEX : PREFIX_120_VERTEX;
    const char* fp = es ? PREFIX_ES_FRAGMENT : core ? PREFIX_330_FRAGMENT : PREFIX_120_FRAGMENT;
    return Program_Link(vp, fp, pass, dialect);
}

GLuint Batch_Sharp_Program_Build(const char* dialect, bool outline)
{
    const Sharp_Text_Source source = Sharp_Text_Source_Get(dialect, outline);
    if (!source.vertex[0])
        return 0;
    const GLuint vs = Shader_Compile(GL_VERTEX_SHADER, source.vertex, 2, dialect);
    const GLuint fs = vs ? Shader_Compile(GL_FRAGMENT_SHADER, source.fragment, 2, dialect) : 0;
    return Shaders_Link(vs, fs, Sharp_Text_Attributes, static_cast<GLuint>(Sharp_Text_Attribute_Count), dialect);
}

}  // namespace core
