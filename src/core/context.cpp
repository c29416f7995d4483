// Which pipeline the current GL context offers, and the texture formats and calls legal in it.
#include <cstring>

#include <dlfcn.h>

#include "core.h"

namespace core {

namespace {

using Current_Fn = void* (*)();

// The window-system library's "which context is current" entry, when the process has that library
// loaded. RTLD_NOLOAD: a host that dlopened it privately (RTLD_LOCAL) is still found, and one
// that never loaded it is not made to.
Current_Fn Current_Entry(const char* const* libraries, const char* symbol)
{
    if (void* entry = dlsym(RTLD_DEFAULT, symbol))
        return reinterpret_cast<Current_Fn>(entry);
    for (const char* const* name = libraries; *name; ++name)
        if (void* library = dlopen(*name, RTLD_LAZY | RTLD_NOLOAD)) {
            void* entry = dlsym(library, symbol);
            dlclose(library);  // only drops the reference NOLOAD added
            if (entry)
                return reinterpret_cast<Current_Fn>(entry);
        }
    return nullptr;
}

}  // namespace

const void* Context_Handle()
{
    // NOTE: asked of the window-system libraries, not of GL: a GL query here would show in the call
    // stream of every hover, and glGetError would take the errors a Draw must report.
    static const char* const egl_names[] = {"libEGL.so.1", "libEGL.so", nullptr};
    static const char* const glx_names[] = {"libGLX.so.0", "libGL.so.1", "libGL.so", nullptr};
    static Current_Fn egl = Current_Entry(egl_names, "eglGetCurrentContext");
    static Current_Fn glx = Current_Entry(glx_names, "glXGetCurrentContext");
    static const int unknown = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (!egl && !glx)
            return &unknown;  // nothing to ask: one context, always current, as before
        if (void* context = egl ? egl() : nullptr)
            return context;
        if (void* context = glx ? glx() : nullptr)
            return context;
        // None current, or a library loaded since the last look (a host may open EGL late).
        if (pass == 0 && egl && glx)
            break;
        if (!egl)
            egl = Current_Entry(egl_names, "eglGetCurrentContext");
        if (!glx)
            glx = Current_Entry(glx_names, "glXGetCurrentContext");
    }
    return nullptr;
}

bool Context_Current()
{
    return Context_Handle() != nullptr;
}

Context_Kind Context_Kind_Get()
{
    // NOTE: no cache: a host may switch between contexts of different kinds, and nothing short of a
    // GL query tells them apart. Most drivers name the profile in the version string, so the common
    // case is one glGetString and a short scan; the others pay one state query more.
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version)
        return Context_Kind::COMPAT;  // no context: callers' GL calls are no-ops anyway
    if (std::strncmp(version, "OpenGL ES", 9) == 0)
        return Context_Kind::ES;
    int major = 0, minor = 0;
    for (const char* p = version; *p >= '0' && *p <= '9'; ++p)
        major = major * 10 + (*p - '0');
    const char* dot = std::strchr(version, '.');
    if (dot && dot[1] >= '0' && dot[1] <= '9')
        minor = dot[1] - '0';
    // Only 3.2 and later have profiles; older contexts are all compatibility ones.
    if (major < 3 || (major == 3 && minor < 2))
        return Context_Kind::COMPAT;
    if (std::strstr(version, "Core Profile"))
        return Context_Kind::CORE;
    if (std::strstr(version, "Compatibility Profile"))
        return Context_Kind::COMPAT;
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    return (profile & GL_CONTEXT_CORE_PROFILE_BIT) ? Context_Kind::CORE : Context_Kind::COMPAT;
}

void Texture_Alpha_Upload(int width, int height, const unsigned char* texels)
{
    // Core and ES contexts have no alpha-only format: the same bytes go into the red channel there.
    // Those contexts draw through the batch, which reads the bitmaps, not these textures.
    if (Context_Kind_Get() == Context_Kind::COMPAT)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, width, height, 0, GL_ALPHA, GL_UNSIGNED_BYTE, texels);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height, 0, GL_RED, GL_UNSIGNED_BYTE, texels);
}

GLenum Wrap_Legal(GLenum wrap)
{
    // ES before 3.2 has no border clamping; the edge is the nearest legal look.
    if (wrap == GL_CLAMP_TO_BORDER && Context_Kind_Get() == Context_Kind::ES)
        return GL_CLAMP_TO_EDGE;
    return wrap;
}

bool Own_Draw_Refused()
{
    if (Context_Kind_Get() == Context_Kind::COMPAT)
        return false;
    static bool reported = false;
    if (!reported) {
        reported = true;
        Error_Fct(::hwnd, VR_REPORT_WARNING,
                  "GL: a widget's own Draw needs a compatibility context; draw through VR_Batches");
    }
    return true;
}

}  // namespace core
