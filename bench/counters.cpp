// Counters of draw calls, buffer and texture uploads and heap allocations, by interposition.
//
// GL entry points that the library and the peer call by name (glTexImage2D, glDrawArrays, ...) are
// defined again here and exported from the executable, so the dynamic linker binds every caller to
// these; each counts and forwards to the GL library's own definition found with dlsym(RTLD_NEXT).
// The buffer entry points and the draw calls newer than GL 1.1 are GLEW's function-pointer
// variables, which are swapped instead.
// malloc, calloc and realloc are replaced the same way and forward to glibc's __libc_* functions.
#include <GL/glew.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench.h"

namespace bench {

Call_Hook call_hook = nullptr;

namespace {

// Plain longs: every counted call but malloc runs on the main thread, and malloc counts only there.
Counts totals;
thread_local bool main_thread = false;
const bool main_marked = [] {
    main_thread = true;
    return true;
}();

// Time spent inside a draw call: on a software rasteriser the vertex stage and triangle setup run
// there, on the calling thread, and a GPU would take them off the CPU.
struct Draw_Timer {
    std::chrono::steady_clock::time_point t0 = std::chrono::steady_clock::now();
    ~Draw_Timer()
    {
        totals.draw_ns +=
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0).count();
    }
};

template <class Fn>
Fn Next(const char* name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

PFNGLBUFFERDATAPROC real_buffer_data = nullptr;
PFNGLBUFFERSUBDATAPROC real_buffer_sub_data = nullptr;

void GLAPIENTRY Counting_Buffer_Data(GLenum target, GLsizeiptr size, const void* data, GLenum usage)
{
    ++totals.buffer_uploads;
    totals.bytes_sent += static_cast<long>(size);
    if (call_hook) {
        const double a[] = {double(target), double(size), double(usage)};
        call_hook("glBufferData", a, 3);
    }
    real_buffer_data(target, size, data, usage);
}

// Where buffer updates go without a rasteriser: copied, as a driver stages them, and dropped.
bool updates_dropped = false;
std::vector<unsigned char> staged;

void GLAPIENTRY Counting_Buffer_Sub_Data(GLenum target, GLintptr offset, GLsizeiptr size, const void* data)
{
    ++totals.buffer_uploads;
    ++totals.sub_uploads;
    totals.bytes_sent += static_cast<long>(size);
    if (call_hook) {
        const double a[] = {double(target), double(offset), double(size)};
        call_hook("glBufferSubData", a, 3);
    }
    if (updates_dropped) {
        if (staged.size() < static_cast<std::size_t>(size))
            staged.resize(static_cast<std::size_t>(size));
        std::memcpy(staged.data(), data, static_cast<std::size_t>(size));
        return;
    }
    real_buffer_sub_data(target, offset, size, data);
}

PFNGLDRAWELEMENTSBASEVERTEXPROC real_draw_elements_base_vertex = nullptr;
PFNGLDRAWRANGEELEMENTSPROC real_draw_range_elements = nullptr;
PFNGLDRAWARRAYSINSTANCEDPROC real_draw_arrays_instanced = nullptr;
PFNGLDRAWELEMENTSINSTANCEDPROC real_draw_elements_instanced = nullptr;
PFNGLMULTIDRAWARRAYSPROC real_multi_draw_arrays = nullptr;
PFNGLMULTIDRAWELEMENTSPROC real_multi_draw_elements = nullptr;

// NOTE: a multi-draw is one call from the CPU's side, and counted as one.
void GLAPIENTRY Counting_Draw_Elements_Base_Vertex(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                                   GLint base)
{
    ++totals.draws;
    const Draw_Timer timer;
    real_draw_elements_base_vertex(mode, count, type, indices, base);
}
void GLAPIENTRY Counting_Draw_Range_Elements(GLenum mode, GLuint first, GLuint last, GLsizei count, GLenum type,
                                             const void* indices)
{
    ++totals.draws;
    const Draw_Timer timer;
    real_draw_range_elements(mode, first, last, count, type, indices);
}
void GLAPIENTRY Counting_Draw_Arrays_Instanced(GLenum mode, GLint first, GLsizei count, GLsizei instances)
{
    ++totals.draws;
    const Draw_Timer timer;
    real_draw_arrays_instanced(mode, first, count, instances);
}
void GLAPIENTRY Counting_Draw_Elements_Instanced(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                                 GLsizei instances)
{
    ++totals.draws;
    const Draw_Timer timer;
    real_draw_elements_instanced(mode, count, type, indices, instances);
}
void GLAPIENTRY Counting_Multi_Draw_Arrays(GLenum mode, const GLint* first, const GLsizei* count, GLsizei n)
{
    ++totals.draws;
    const Draw_Timer timer;
    real_multi_draw_arrays(mode, first, count, n);
}
void GLAPIENTRY Counting_Multi_Draw_Elements(GLenum mode, const GLsizei* count, GLenum type, const void* const* indices,
                                             GLsizei n)
{
    ++totals.draws;
    const Draw_Timer timer;
    real_multi_draw_elements(mode, count, type, indices, n);
}

long Texel_Bytes(GLenum format, GLenum type)
{
    long channels = 4;
    switch (format) {
    case GL_ALPHA:
    case GL_LUMINANCE:
    case GL_RED:
    case GL_DEPTH_COMPONENT: channels = 1; break;
    case GL_LUMINANCE_ALPHA:
    case GL_RG: channels = 2; break;
    case GL_RGB:
    case GL_BGR: channels = 3; break;
    default: break;
    }
    return channels * (type == GL_FLOAT ? 4 : 1);
}

}  // namespace

void Buffer_Updates_Drop()
{
    updates_dropped = true;
}

Counts operator-(const Counts& a, const Counts& b)
{
    Counts d;
    d.draws = a.draws - b.draws;
    d.buffer_uploads = a.buffer_uploads - b.buffer_uploads;
    d.texture_uploads = a.texture_uploads - b.texture_uploads;
    d.sub_uploads = a.sub_uploads - b.sub_uploads;
    d.heap = a.heap - b.heap;
    d.heap_own = a.heap_own - b.heap_own;
    d.bytes_sent = a.bytes_sent - b.bytes_sent;
    d.draw_ns = a.draw_ns - b.draw_ns;
    d.immediate = a.immediate - b.immediate;
    return d;
}

void Counters_Install()
{
    if (real_buffer_data)
        return;
    real_buffer_data = __glewBufferData;
    real_buffer_sub_data = __glewBufferSubData;
    __glewBufferData = Counting_Buffer_Data;
    __glewBufferSubData = Counting_Buffer_Sub_Data;
    real_draw_elements_base_vertex = __glewDrawElementsBaseVertex;
    real_draw_range_elements = __glewDrawRangeElements;
    real_draw_arrays_instanced = __glewDrawArraysInstanced;
    real_draw_elements_instanced = __glewDrawElementsInstanced;
    real_multi_draw_arrays = __glewMultiDrawArrays;
    real_multi_draw_elements = __glewMultiDrawElements;
    __glewDrawElementsBaseVertex = Counting_Draw_Elements_Base_Vertex;
    __glewDrawRangeElements = Counting_Draw_Range_Elements;
    __glewDrawArraysInstanced = Counting_Draw_Arrays_Instanced;
    __glewDrawElementsInstanced = Counting_Draw_Elements_Instanced;
    __glewMultiDrawArrays = Counting_Multi_Draw_Arrays;
    __glewMultiDrawElements = Counting_Multi_Draw_Elements;
}

Counts Counters_Now()
{
    return totals;
}

void Stream_Bytes_Add(long bytes)
{
    totals.bytes_sent += bytes;
}

namespace {

// Address ranges of the loaded objects that matter for attribution, found once (no allocation).
struct Range {
    std::uintptr_t begin = 0, end = 0;
    bool runtime = false;  // the C or C++ runtime: look further up the stack
    bool own = false;      // the executable or a vrtools library
};
Range ranges[64];
int range_count = 0;
bool attributing = false;
thread_local bool inside = false;  // an allocation made while attributing one

int Add_Ranges(dl_phdr_info* info, size_t, void*)
{
    const char* name = info->dlpi_name ? info->dlpi_name : "";
    const bool runtime = std::strstr(name, "libc.so") || std::strstr(name, "libstdc++") ||
                         std::strstr(name, "libgcc_s") || std::strstr(name, "libm.so");
    const bool own = name[0] == '\0' || std::strstr(name, "libvrtools") || std::strstr(name, "libobrisk") ||
                     std::strstr(name, "libtarnel");
    if (!runtime && !own)
        return 0;
    for (int i = 0; i < info->dlpi_phnum && range_count < 64; ++i) {
        const ElfW(Phdr)& h = info->dlpi_phdr[i];
        if (h.p_type != PT_LOAD || !(h.p_flags & PF_X))
            continue;
        Range& r = ranges[range_count++];
        r.begin = info->dlpi_addr + h.p_vaddr;
        r.end = r.begin + h.p_memsz;
        r.runtime = runtime;
        r.own = own;
    }
    return 0;
}

const Range* Range_Of(void* address)
{
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    for (int i = 0; i < range_count; ++i)
        if (a >= ranges[i].begin && a < ranges[i].end)
            return &ranges[i];
    return nullptr;
}

// Frames 0 to 2 are this function, Heap_Count and the replacement (none of them inlined); above
// them runtimes are skipped and the first other caller decides.
__attribute__((noinline)) bool Own_Allocation()
{
    void* frames[24];
    const int n = backtrace(frames, 24);
    for (int i = 3; i < n; ++i) {
        const Range* r = Range_Of(frames[i]);
        if (r && r->runtime)
            continue;
        return r && r->own;
    }
    return false;
}

}  // namespace

void Heap_Attribution(bool on)
{
    if (on && range_count == 0) {
        dl_iterate_phdr(Add_Ranges, nullptr);
        void* warm[4];
        backtrace(warm, 4);  // the unwinder loads on first use
    }
    attributing = on;
}

// Called by the heap replacements below.
__attribute__((noinline)) void Heap_Count()
{
    if (!main_thread || inside)
        return;
    ++totals.heap;
    if (attributing) {
        inside = true;
        if (Own_Allocation())
            ++totals.heap_own;
        inside = false;
    }
}

}  // namespace bench

#define BENCH_EXPORT extern "C" __attribute__((visibility("default")))

BENCH_EXPORT void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width,
                                          GLsizei height, GLint border, GLenum format, GLenum type, const void* pixels)
{
    using Fn = void(GLAPIENTRY*)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    static const Fn real = bench::Next<Fn>("glTexImage2D");
    ++bench::totals.texture_uploads;
    bench::totals.bytes_sent += static_cast<long>(width) * height * bench::Texel_Bytes(format, type);
    if (bench::call_hook) {
        const double a[] = {double(target), double(level),  double(internal_format), double(width),
                            double(height), double(border), double(format),          double(type)};
        bench::call_hook("glTexImage2D", a, 8);
    }
    real(target, level, internal_format, width, height, border, format, type, pixels);
}

BENCH_EXPORT void GLAPIENTRY glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width,
                                             GLsizei height, GLenum format, GLenum type, const void* pixels)
{
    using Fn = void(GLAPIENTRY*)(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);
    static const Fn real = bench::Next<Fn>("glTexSubImage2D");
    ++bench::totals.texture_uploads;
    ++bench::totals.sub_uploads;
    bench::totals.bytes_sent += static_cast<long>(width) * height * bench::Texel_Bytes(format, type);
    if (bench::call_hook) {
        const double a[] = {double(target), double(level), double(x), double(y), double(width), double(height)};
        bench::call_hook("glTexSubImage2D", a, 6);
    }
    real(target, level, x, y, width, height, format, type, pixels);
}

BENCH_EXPORT void GLAPIENTRY glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    using Fn = void(GLAPIENTRY*)(GLenum, GLint, GLsizei);
    static const Fn real = bench::Next<Fn>("glDrawArrays");
    ++bench::totals.draws;
    if (bench::call_hook) {
        const double a[] = {double(mode), double(first), double(count)};
        bench::call_hook("glDrawArrays", a, 3);
    }
    const bench::Draw_Timer timer;
    real(mode, first, count);
}

BENCH_EXPORT void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices)
{
    using Fn = void(GLAPIENTRY*)(GLenum, GLsizei, GLenum, const void*);
    static const Fn real = bench::Next<Fn>("glDrawElements");
    ++bench::totals.draws;
    if (bench::call_hook) {
        const double a[] = {double(mode), double(count), double(type)};
        bench::call_hook("glDrawElements", a, 3);
    }
    const bench::Draw_Timer timer;
    real(mode, count, type, indices);
}

BENCH_EXPORT void GLAPIENTRY glBegin(GLenum mode)
{
    using Fn = void(GLAPIENTRY*)(GLenum);
    static const Fn real = bench::Next<Fn>("glBegin");
    ++bench::totals.draws;
    ++bench::totals.immediate;
    if (bench::call_hook) {
        const double a[] = {double(mode)};
        bench::call_hook("glBegin", a, 1);
    }
    real(mode);
}

// NOTE: AddressSanitizer brings its own allocator; the benchmarks are never built with it, but a
// sanitized configure must still link.
#if !defined(__SANITIZE_ADDRESS__)
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

BENCH_EXPORT void* malloc(size_t size)
{
    bench::Heap_Count();
    return __libc_malloc(size);
}

BENCH_EXPORT void* calloc(size_t count, size_t size)
{
    bench::Heap_Count();
    return __libc_calloc(count, size);
}

BENCH_EXPORT void* realloc(void* p, size_t size)
{
    bench::Heap_Count();
    return __libc_realloc(p, size);
}
#endif
