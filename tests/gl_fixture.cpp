// Shared test fixture: headless context, message capture, counters, read-back.
#include "gl_fixture.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "headless.h"

namespace {

std::vector<Captured_Message> captured;
GL_Counts counts;

std::string Utf8(const std::wstring& text)
{
    std::string out;
    for (wchar_t w : text) {
        const unsigned long c = static_cast<unsigned long>(w);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

void Capture(HWND, unsigned int code, const wchar_t* text)
{
    Captured_Message m;
    m.code = code;
    m.text = text ? text : L"";
    m.utf8 = Utf8(m.text);
    captured.push_back(m);
}

PFNGLBUFFERDATAPROC real_buffer_data = nullptr;
PFNGLGENBUFFERSPROC real_gen_buffers = nullptr;
PFNGLDELETEBUFFERSPROC real_delete_buffers = nullptr;
PFNGLBUFFERSUBDATAPROC real_buffer_sub_data = nullptr;

// Injected GL failures: the call that fails and the error it leaves for glGetError.
int gl_fail_at = 0, gl_calls = 0;
bool gl_fail_hit = false;
GLenum gl_pending = GL_NO_ERROR;

bool GL_Fail_Now()
{
    if (gl_fail_at == 0 || ++gl_calls != gl_fail_at)
        return false;
    gl_fail_hit = true;
    gl_pending = GL_OUT_OF_MEMORY;
    return true;
}

void GLAPIENTRY Counting_Buffer_Data(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    ++counts.buffer_data;
    // A driver out of memory leaves the buffer without storage.
    if (GL_Fail_Now())
        real_buffer_data(target, 0, nullptr, usage);
    else
        real_buffer_data(target, size, data, usage);
}
void GLAPIENTRY Counting_Buffer_Sub_Data(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
    ++counts.buffer_sub_data;
    counts.sub_data_bytes += static_cast<long>(size);
    if (!GL_Fail_Now())
        real_buffer_sub_data(target, offset, size, data);
}
void GLAPIENTRY Counting_Gen_Buffers(GLsizei n, GLuint* names)
{
    ++counts.gen_buffers;
    real_gen_buffers(n, names);
}
void GLAPIENTRY Counting_Delete_Buffers(GLsizei n, const GLuint* names)
{
    ++counts.delete_buffers;
    real_delete_buffers(n, names);
}

bool context_ready = false;
std::string context_error;
headless::Profile profile = headless::Profile::COMPAT;

}  // namespace

// NOTE: the library calls glTexImage2D through the dynamic linker; the test executable exports its
// own definition (ENABLE_EXPORTS), which counts and forwards to the GL library's.
extern "C" __attribute__((visibility("default"))) void GLAPIENTRY glTexImage2D(GLenum target, GLint level,
                                                                               GLint internal_format, GLsizei width,
                                                                               GLsizei height, GLint border,
                                                                               GLenum format, GLenum type,
                                                                               const void* pixels)
{
    using Fn = void(GLAPIENTRY*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glTexImage2D"));
    ++counts.tex_image;
    if (GL_Fail_Now())
        real(target, level, internal_format, 0, 0, border, format, type, nullptr);
    else
        real(target, level, internal_format, width, height, border, format, type, pixels);
}

extern "C" __attribute__((visibility("default"))) void GLAPIENTRY glTexSubImage2D(GLenum target, GLint level, GLint x,
                                                                                  GLint y, GLsizei width,
                                                                                  GLsizei height, GLenum format,
                                                                                  GLenum type, const void* pixels)
{
    using Fn = void(GLAPIENTRY*)(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glTexSubImage2D"));
    ++counts.tex_sub_image;
    if (!GL_Fail_Now())
        real(target, level, x, y, width, height, format, type, pixels);
}

// The same way in: an injected failure is reported before the driver's own errors.
extern "C" __attribute__((visibility("default"))) GLenum GLAPIENTRY glGetError()
{
    using Fn = GLenum(GLAPIENTRY*)();
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glGetError"));
    if (gl_pending != GL_NO_ERROR)
        return std::exchange(gl_pending, static_cast<GLenum>(GL_NO_ERROR));
    return real();
}

void GL_Test::GL_Fail_At(int k)
{
    gl_fail_at = k;
    gl_calls = 0;
    gl_fail_hit = false;
}

int GL_Test::GL_Calls_Seen()
{
    return gl_calls;
}

bool GL_Test::GL_Fail_Hit()
{
    return gl_fail_hit;
}

void GL_Test::SetUpTestSuite()
{
    if (context_ready)
        return;
    const char* wanted = std::getenv("VRTOOLS_TEST_PROFILE");
    if (wanted && *wanted && !headless::Profile_Parse(wanted, &profile)) {
        context_error = std::string("VRTOOLS_TEST_PROFILE is \"") + wanted + "\"; use compat, core or gles";
        return;
    }
    context_ready = headless::Context_Create(WIDTH, HEIGHT, &context_error, profile);
    if (!context_ready)
        return;
    // GLEW keeps its entry points in variables the library reads at each call: swapping them counts
    // every buffer call the widgets make.
    real_buffer_data = __glewBufferData;
    real_gen_buffers = __glewGenBuffers;
    real_delete_buffers = __glewDeleteBuffers;
    real_buffer_sub_data = __glewBufferSubData;
    __glewBufferData = Counting_Buffer_Data;
    __glewGenBuffers = Counting_Gen_Buffers;
    __glewDeleteBuffers = Counting_Delete_Buffers;
    __glewBufferSubData = Counting_Buffer_Sub_Data;
}

headless::Profile GL_Test::Profile()
{
    return profile;
}

void GL_Test::SetUp()
{
    ASSERT_TRUE(context_ready) << "no headless GL context: " << context_error;
    Error_Handler_Set(Capture);
    captured.clear();
    GL_Fail_At(0);
    gl_pending = GL_NO_ERROR;
    counts = GL_Counts{};
    headless::Projection_Pixels(WIDTH, HEIGHT);
    headless::Light_Default();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    Clear();
}

void GL_Test::TearDown()
{
    if (!context_ready)
        return;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "blending left on";
    if (profile == headless::Profile::COMPAT)
        Fixed_Function_Checks();
    Error_Handler_Set(nullptr);
    if (HasFailure())
        Save_Png(std::string(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) + "." +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

void GL_Test::Fixed_Function_Checks()
{
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "texturing left on";
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << "lighting left on";
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL)) << "colour material left on";
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY)) << "vertex array left on";
    EXPECT_FALSE(glIsEnabled(GL_NORMAL_ARRAY)) << "normal array left on";
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY)) << "colour array left on";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << "texture-coordinate array left on";
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "model-view matrix stack unbalanced";
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "texture matrix stack unbalanced";
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glMatrixMode(GL_MODELVIEW);
}

const std::vector<Captured_Message>& GL_Test::Messages() const
{
    return captured;
}

std::string GL_Test::Messages_Text() const
{
    std::string all;
    for (const Captured_Message& m : captured)
        all += m.utf8 + "\n";
    return all;
}

bool GL_Test::Has_Message(const std::string& fragment) const
{
    for (const Captured_Message& m : captured)
        if (m.utf8.find(fragment) != std::string::npos)
            return true;
    return false;
}

void GL_Test::Messages_Clear()
{
    captured.clear();
}

GL_Counts& GL_Test::Counts() const
{
    return counts;
}

void GL_Test::Counts_Reset()
{
    counts = GL_Counts{};
}

std::vector<unsigned char> GL_Test::Buffer_Bytes(GLuint vbo) const
{
    std::vector<unsigned char> bytes;
    if (vbo == 0 || !glIsBuffer(vbo))
        return bytes;
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    GLint size = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && profile == headless::Profile::GLES) {
        // NOTE: ES has no glGetBufferSubData; a read mapping gives the same bytes.
        if (const void* mapped = glMapBufferRange(GL_ARRAY_BUFFER, 0, size, GL_MAP_READ_BIT)) {
            std::memcpy(bytes.data(), mapped, bytes.size());
            glUnmapBuffer(GL_ARRAY_BUFFER);
        }
    } else if (size > 0) {
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, size, bytes.data());
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return bytes;
}

void GL_Test::Clear(float r, float g, float b)
{
    glClearColor(r, g, b, 1.0f);
    if (profile == headless::Profile::GLES)
        glClearDepthf(1.0f);
    else
        glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Rgba GL_Test::Pixel(int x, int y) const
{
    unsigned char p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

int GL_Test::Count_Pixels(int x0, int y0, int x1, int y1, Rgba c, int tolerance) const
{
    if (x1 <= x0 || y1 <= y0)
        return 0;
    std::vector<unsigned char> p(static_cast<size_t>(x1 - x0) * (y1 - y0) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x0, y0, x1 - x0, y1 - y0, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    int n = 0;
    for (size_t i = 0; i < p.size(); i += 4)
        if (std::abs(p[i] - c.r) <= tolerance && std::abs(p[i + 1] - c.g) <= tolerance &&
            std::abs(p[i + 2] - c.b) <= tolerance)
            ++n;
    return n;
}

void GL_Test::Save_Png(const std::string& name) const
{
    headless::Png_Write(std::string(VRTOOLS_TEST_OUT) + "/" + name + ".png", WIDTH, HEIGHT);
}

std::string GL_Test::Data_Path(const std::string& name)
{
    return std::string(VRTOOLS_TEST_DATA) + "/" + name;
}
