// GL call tracing for the check program: every fixed-function entry point the panel's passes use is
// defined again here, exported, and recorded (name and arguments) before it is forwarded.
//
// Object names (buffers, textures) are recorded only as zero or not: the raw reference draws from
// buffers of its own, so the names differ while the calls are the same.
#include <GL/glew.h>
#include <dlfcn.h>

#include <cstdint>

#include "trace.h"

namespace bench {

std::vector<Call>* trace_out = nullptr;

namespace {

void Record(const char* name, const double* args, int count)
{
    if (!trace_out)
        return;
    Call c;
    c.name = name;
    c.args.assign(args, args + count);
    trace_out->push_back(std::move(c));
}

template <class Fn>
Fn Next(const char* name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

double Named(GLuint name)
{
    return name != 0 ? 1.0 : 0.0;
}

double Address(const void* p)
{
    return static_cast<double>(reinterpret_cast<std::uintptr_t>(p));
}

PFNGLBINDBUFFERPROC real_bind_buffer = nullptr;
PFNGLGENBUFFERSPROC real_gen_buffers = nullptr;
PFNGLDELETEBUFFERSPROC real_delete_buffers = nullptr;

void GLAPIENTRY Trace_Bind_Buffer(GLenum target, GLuint buffer)
{
    const double a[] = {double(target), Named(buffer)};
    Record("glBindBuffer", a, 2);
    real_bind_buffer(target, buffer);
}

void GLAPIENTRY Trace_Gen_Buffers(GLsizei n, GLuint* names)
{
    const double a[] = {double(n)};
    Record("glGenBuffers", a, 1);
    real_gen_buffers(n, names);
}

void GLAPIENTRY Trace_Delete_Buffers(GLsizei n, const GLuint* names)
{
    const double a[] = {double(n)};
    Record("glDeleteBuffers", a, 1);
    real_delete_buffers(n, names);
}

}  // namespace

void Trace_Install()
{
    // Uploads, texture images and draws are seen through the counters' hook.
    call_hook = Record;
    if (real_bind_buffer)
        return;
    real_bind_buffer = __glewBindBuffer;
    real_gen_buffers = __glewGenBuffers;
    real_delete_buffers = __glewDeleteBuffers;
    __glewBindBuffer = Trace_Bind_Buffer;
    __glewGenBuffers = Trace_Gen_Buffers;
    __glewDeleteBuffers = Trace_Delete_Buffers;
}

}  // namespace bench

#define TRACE_EXPORT extern "C" __attribute__((visibility("default")))

// One traced entry point: its C signature, the forwarded arguments and the recorded ones.
#define TRACED(ret, name, params, forward, ...)                                                                        \
    TRACE_EXPORT ret GLAPIENTRY name params                                                                            \
    {                                                                                                                  \
        using Fn = ret(GLAPIENTRY*) params;                                                                            \
        static const Fn real = bench::Next<Fn>(#name);                                                                 \
        const double recorded[] = {0.0, __VA_ARGS__};                                                                  \
        bench::Record(#name, recorded + 1, sizeof(recorded) / sizeof(double) - 1);                                     \
        return real forward;                                                                                           \
    }

TRACED(void, glEnable, (GLenum cap), (cap), double(cap))
TRACED(void, glDisable, (GLenum cap), (cap), double(cap))
TRACED(void, glEnableClientState, (GLenum array), (array), double(array))
TRACED(void, glDisableClientState, (GLenum array), (array), double(array))
TRACED(void, glBlendFunc, (GLenum s, GLenum d), (s, d), double(s), double(d))
TRACED(void, glTexEnvf, (GLenum t, GLenum p, GLfloat v), (t, p, v), double(t), double(p), double(v))
TRACED(void, glTexEnvi, (GLenum t, GLenum p, GLint v), (t, p, v), double(t), double(p), double(v))
TRACED(void, glPixelStorei, (GLenum p, GLint v), (p, v), double(p), double(v))
TRACED(void, glColor3ub, (GLubyte r, GLubyte g, GLubyte b), (r, g, b), double(r), double(g), double(b))
TRACED(void, glBindTexture, (GLenum t, GLuint name), (t, name), double(t), bench::Named(name))
TRACED(GLboolean, glIsTexture, (GLuint name), (name), bench::Named(name))
TRACED(void, glVertexPointer, (GLint n, GLenum type, GLsizei stride, const void* p), (n, type, stride, p), double(n),
       double(type), double(stride), bench::Address(p))
TRACED(void, glTexCoordPointer, (GLint n, GLenum type, GLsizei stride, const void* p), (n, type, stride, p), double(n),
       double(type), double(stride), bench::Address(p))
TRACED(void, glColorPointer, (GLint n, GLenum type, GLsizei stride, const void* p), (n, type, stride, p), double(n),
       double(type), double(stride), bench::Address(p))
TRACED(void, glNormalPointer, (GLenum type, GLsizei stride, const void* p), (type, stride, p), double(type),
       double(stride), bench::Address(p))
TRACED(void, glPushMatrix, (), (), 0.0)
TRACED(void, glPopMatrix, (), (), 0.0)
TRACED(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), double(x), double(y), double(z))
TRACED(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z), double(x), double(y), double(z))
TRACED(GLenum, glGetError, (), (), 0.0)
TRACED(void, glColorMaterial, (GLenum face, GLenum mode), (face, mode), double(face), double(mode))
TRACED(void, glPolygonMode, (GLenum face, GLenum mode), (face, mode), double(face), double(mode))
TRACED(void, glLineWidth, (GLfloat w), (w), double(w))
TRACED(void, glTexParameteri, (GLenum t, GLenum p, GLint v), (t, p, v), double(t), double(p), double(v))
TRACED(void, glGenTextures, (GLsizei n, GLuint* names), (n, names), double(n))
TRACED(void, glDeleteTextures, (GLsizei n, const GLuint* names), (n, names), double(n))
