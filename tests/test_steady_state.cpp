// Steady state of every widget class: a frame that changes nothing uploads nothing and allocates
// nothing, and a hover change replaces exactly one colour buffer.
//
// Heap allocations are counted by replacing malloc, calloc and realloc in the test executable and
// attributing each one by its call stack: it is the library's when the nearest caller outside the
// C and C++ runtimes lies in libvrtools, libobrisk or libtarnel (the GL driver allocates on its own
// while it draws, which is not ours to count). AddressSanitizer owns the allocator: there the heap
// count is skipped and the upload counts still run.
#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/frame.h>
#include "batch_view.h"
#include "gl_fixture.h"
#include <vrtools/hue.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

#if defined(__SANITIZE_ADDRESS__)
#define STEADY_HEAP_COUNT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STEADY_HEAP_COUNT 0
#endif
#endif
#ifndef STEADY_HEAP_COUNT
#define STEADY_HEAP_COUNT 1
#endif

namespace heap {

bool counting = false;
long own = 0;

#if STEADY_HEAP_COUNT
namespace {

struct Range {
    std::uintptr_t begin = 0, end = 0;
    bool runtime = false;  // C or C++ runtime: the caller is further up
    bool library = false;  // one of the library's modules
};
Range ranges[64];
int range_count = 0;
thread_local bool inside = false;

int Add_Ranges(dl_phdr_info* info, size_t, void*)
{
    const char* name = info->dlpi_name ? info->dlpi_name : "";
    const bool runtime = std::strstr(name, "libc.so") || std::strstr(name, "libstdc++") ||
                         std::strstr(name, "libgcc_s") || std::strstr(name, "libm.so");
    const bool library =
        std::strstr(name, "libvrtools") || std::strstr(name, "libobrisk") || std::strstr(name, "libtarnel");
    for (int i = 0; (runtime || library) && i < info->dlpi_phnum && range_count < 64; ++i) {
        const ElfW(Phdr)& h = info->dlpi_phdr[i];
        if (h.p_type == PT_LOAD && (h.p_flags & PF_X))
            ranges[range_count++] =
                Range{info->dlpi_addr + h.p_vaddr, info->dlpi_addr + h.p_vaddr + h.p_memsz, runtime, library};
    }
    return 0;
}

// Frames 0 to 2 are this function, Note and the replacement.
__attribute__((noinline)) bool Library_Made()
{
    void* frames[24];
    const int n = backtrace(frames, 24);
    for (int i = 3; i < n; ++i) {
        const auto a = reinterpret_cast<std::uintptr_t>(frames[i]);
        const Range* r = nullptr;
        for (int k = 0; k < range_count && !r; ++k)
            if (a >= ranges[k].begin && a < ranges[k].end)
                r = &ranges[k];
        if (r && r->runtime)
            continue;
        return r && r->library;
    }
    return false;
}

}  // namespace

__attribute__((noinline)) void Note()
{
    if (!counting || inside)
        return;
    inside = true;
    if (Library_Made())
        ++own;
    inside = false;
}

void Start()
{
    if (range_count == 0) {
        dl_iterate_phdr(Add_Ranges, nullptr);
        void* warm[4];
        backtrace(warm, 4);  // the unwinder loads on its first use
    }
    own = 0;
    counting = true;
}
#else
void Start()
{
    own = 0;
}
#endif

long Stop()
{
    counting = false;
    return own;
}

}  // namespace heap

#if STEADY_HEAP_COUNT
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

extern "C" __attribute__((visibility("default"))) void* malloc(size_t size)
{
    heap::Note();
    return __libc_malloc(size);
}

extern "C" __attribute__((visibility("default"))) void* calloc(size_t count, size_t size)
{
    heap::Note();
    return __libc_calloc(count, size);
}

extern "C" __attribute__((visibility("default"))) void* realloc(void* p, size_t size)
{
    heap::Note();
    return __libc_realloc(p, size);
}
#endif

namespace {

constexpr unsigned int HIGHLIGHT_WORD = 0xFF6464E6;  // 0x6464E6 as a mesh colour

class Steady_State : public GL_Test {
protected:
    template <class W>
    static W& Place(W& w, const char* name, int x, int y, int width, int height, int bevel)
    {
        Widget_Place(w, name, x, y, width, height, bevel);
        return w;
    }

    // Draws once to settle (a slider's first Draw rasterises its read-out), then expects three more
    // draws to upload nothing and allocate nothing.
    template <class W>
    void Expect_Steady(W& w, const std::string& what)
    {
        w.Draw();
        Counts_Reset();
        heap::Start();
        for (int i = 0; i < 3; ++i)
            w.Draw();
        const long allocations = heap::Stop();
        EXPECT_EQ(Counts().buffer_data + Counts().gen_buffers + Counts().delete_buffers, 0) << what;
        EXPECT_EQ(Counts().tex_image, 0) << what;
        if (STEADY_HEAP_COUNT) {
            EXPECT_EQ(allocations, 0) << what << ": heap allocations in a steady frame";
        }
    }

    // Steady, then the pointer moves in to the centre of `at` (a part of `w`), again to the same
    // place, then out: the changes replace `changed`'s colour buffer, and nothing else, once each;
    // staying put uploads nothing. `changed` null: the widget shows no hover at all.
    template <class W>
    void Expect_Steady_Hover(W& w, const VR_Tools& at, const VR_Tools* changed, const std::string& what)
    {
        Expect_Steady(w, what);
        const float x = at.X + 0.5f * at.Width, y = at.Y + 0.5f * at.Height;
        const int expected = changed ? 1 : 0;
        long allocations = 0;
        auto move = [&](float px, float py, int uploads, const char* step) {
            const GLuint before = changed ? changed->Color_VBO : 0;
            Counts_Reset();
            heap::Start();
            w.Select(0, px, py);
            allocations += heap::Stop();
            EXPECT_EQ(Counts().buffer_data, uploads) << what << ": " << step;
            EXPECT_EQ(Counts().gen_buffers, uploads) << what << ": " << step;
            EXPECT_EQ(Counts().tex_image, 0) << what << ": " << step;
            if (changed && uploads) {
                EXPECT_NE(changed->Color_VBO, before) << what << ": the colour buffer is the one replaced";
                const std::vector<unsigned int> colours = Buffer_Read<unsigned int>(changed->Color_VBO);
                ASSERT_EQ(colours.size(), static_cast<size_t>(changed->Quad_Count) * 4) << what;
                ASSERT_FALSE(colours.empty()) << what;
                EXPECT_EQ(colours.back() == HIGHLIGHT_WORD, px > 0.0f) << what << ": " << step;
            }
        };
        move(x, y, expected, "entering");
        move(x, y, 0, "staying");
        move(-100.0f, -100.0f, expected, "leaving");
        if (STEADY_HEAP_COUNT) {
            EXPECT_EQ(allocations, 0) << what << ": heap allocations while hovering";
        }
    }
};

}  // namespace

TEST_F(Steady_State, CaptionAndButtonWidgets)
{
    VR_Labels label;
    Place(label, "Steady label", 40, 540, 200, 30, 4).Init(Window());
    Expect_Steady(label, "label");

    VR_Buttons button;
    Place(button, "Steady", 40, 480, 120, 32, 3).Init(Window());
    Expect_Steady_Hover(button, button, &button, "button");
    // A pressed button rebuilds once, in the Draw that finds the new State, and is steady after.
    button.State = 1;
    button.Draw();
    Expect_Steady(button, "pressed button");

    VR_Buttons lamp;
    Place(lamp, "Lamp", 200, 480, 140, 32, 3).Flags = VR_BUTTON_LAMP;
    lamp.Lamp = 1;
    lamp.Init(Window());
    Expect_Steady(lamp, "button with a lamp");
}

TEST_F(Steady_State, TraysPanelsAndBusyBars)
{
    VR_Boxs box;
    Place(box, "Box", 40, 400, 120, 60, 4).Init(Window());
    Expect_Steady_Hover(box, box, &box, "box");

    VR_Frames frame;
    Place(frame, "Frame", 20, 20, 300, 150, 4).Init(Window());
    Expect_Steady_Hover(frame, frame, nullptr, "frame");

    VR_Progress bar;
    Place(bar, "Busy", 200, 400, 200, 30, 3).Init(Window());
    bar.Draw();
    const short phase = bar.Phase;
    // The stripes move at every Draw through the texture matrix, never by an upload.
    Expect_Steady(bar, "progress bar");
    EXPECT_NE(bar.Phase, phase);
}

TEST_F(Steady_State, SlidersWithAndWithoutReadout)
{
    VR_Valuators slider;
    Place(slider, "Gain", 40, 300, 240, 32, 3).Value_Max = 100.0f;
    slider.Value = 40.0f;
    slider.Format = "%.1f";
    slider.Init(Window());
    Expect_Steady_Hover(slider, slider, &slider, "slider with a read-out");

    // A drag that keeps the text keeps the read-out: only a changed text is rasterised again.
    slider.Value = 40.01f;
    slider.Adjust();
    Expect_Steady(slider, "slider moved within its read-out's precision");
    slider.Value = 55.0f;
    slider.Adjust();
    const GLuint readout_vbos[2] = {slider.Value_Vertex_VBO, slider.Value_Coord_VBO};
    Counts_Reset();
    heap::Start();
    slider.Draw();
    const long allocations = heap::Stop();
    EXPECT_EQ(Counts().tex_image, 1) << "a changed read-out is rasterised once";
    // ... and loaded into the same two buffers again.
    EXPECT_EQ(Counts().buffer_data, 2);
    EXPECT_EQ(Counts().gen_buffers + Counts().delete_buffers, 0);
    EXPECT_EQ(slider.Value_Vertex_VBO, readout_vbos[0]);
    EXPECT_EQ(slider.Value_Coord_VBO, readout_vbos[1]);
    // The rasteriser allocates its surface: the count sees the library's allocations at all.
    if (STEADY_HEAP_COUNT) {
        EXPECT_GT(allocations, 0);
    }
    Expect_Steady(slider, "slider after a change of value");

    VR_Valuators plain;
    Place(plain, "Plain", 320, 300, 240, 32, 3).Value_Min = 1.0f;
    plain.Value_Max = 1000.0f;
    plain.Flags = VR_VALUATOR_LOG10;
    plain.Init(Window());
    Expect_Steady(plain, "logarithmic slider without a read-out");
}

TEST_F(Steady_State, ListsTabsAndColourEditors)
{
    static const char* const names[] = {"One", "Two", "Three"};
    VR_Selects list;
    ASSERT_EQ(Place(list, "List", 40, 220, 240, 40, 2).Grow(3, 0), 1);
    VR_Tabs bar;
    ASSERT_EQ(Place(bar, "Tabs", 40, 150, 420, 30, 3).Grow(3, 0), 1);
    for (int i = 0; i < 3; ++i) {
        list.Item[i]->Name = bar.Item[i]->Name = names[i];
        list.Item[i]->Font_Name = "DejaVu Sans";
        list.Item[i]->Font_Size = 14;
    }
    list.Init(Window());
    // The list keeps its hit zones only; its boxes do not light up.
    Expect_Steady_Hover(list, list, nullptr, "selection list");
    bar.Init(Window());
    Expect_Steady_Hover(bar, *bar.Item[1], bar.Item[1], "tab bar");

    VR_TabItems tab;
    Place(tab, "Tab", 320, 220, 120, 30, 3).Init(Window());
    Expect_Steady_Hover(tab, tab, &tab, "tab item");

    VR_Colors colours;
    Place(colours, "Colour", 40, 20, 400, 110, 2).Color_Value = 0x3366CC;
    colours.Init(Window());
    Expect_Steady_Hover(colours, colours.Slider_2, &colours.Slider_2, "colour editor");

    VR_Hues hues;
    Place(hues, "Hue", 40, 200, 400, 50, 2).Color_Value = 0x3366CC;
    hues.Init(Window());
    Expect_Steady_Hover(hues, hues.Slider, &hues.Slider, "hue editor");
}

// The read-out is formatted at every Draw by the C library directly; its texts must stay those of
// the library's general formatter (here through Name_Set), cut to the 39 characters of Value_Text.
TEST_F(Steady_State, ReadoutTextsMatchTheGeneralFormatter)
{
    static const char* const formats[] = {"%.2f",     "%8.3e",   "%-+#12.4g",   "%Lf", "Gain %05.1f dB", "%a",
                                          "%%%.0f%%", "%64.64f", "% .3E units", "%f",  "%.1f V",         "%.64f"};
    // Halfway cases round to even digits, as the C library rounds them.
    static const float values[] = {0.0f,  -1.5f,  3.14159f, 1e-5f,   1e30f,  -3.4e38f, 40.125f,
                                   -0.0f, 0.125f, 2.5f,     -0.375f, 1e-45f, 0.05f,    16777216.0f};
    VR_Valuators slider;
    Place(slider, "Readout", 40, 300, 240, 32, 3);
    slider.Value_Min = -3.4e38f;
    slider.Value_Max = 3.4e38f;
    slider.Init(Window());
    VR_Tools reference;
    for (const char* format : formats)
        for (float v : values) {
            const std::wstring wide(format, format + std::strlen(format));
            slider.Format = format;
            slider.Value = v;
            slider.Adjust();
            slider.Draw();
            const bool wide_double = wide.find(L"%L") == std::wstring::npos;
            ASSERT_EQ(wide_double ? reference.Name_Set(wide.c_str(), static_cast<double>(slider.Shown_Value))
                                  : reference.Name_Set(wide.c_str(), static_cast<long double>(slider.Shown_Value)),
                      1);
            const std::wstring expected = std::wstring(reference.Name_Get()).substr(0, 39);
            EXPECT_EQ(std::wstring(slider.Value_Text), expected) << format << " of " << v;
        }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Steady_State, SharpReadOutsChangingEveryFrameInABatch)
{
    // A panel of sliders whose values change every frame, their text drawn as glyphs: once each
    // read-out has changed, shaping and placing its new glyphs allocates nothing.
    constexpr int ROWS = 6;
    std::vector<VR_Valuators> sliders(ROWS);
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    for (int i = 0; i < ROWS; ++i) {
        Place(sliders[i], "Level", 40, 500 - i * 40, 300, 32, 3).Value_Max = 100.0f;
        sliders[i].Format = "%.2f";
        sliders[i].Init(Window());
        batch.Add(sliders[i]);
    }
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    const auto frame = [&](int f) {
        for (int i = 0; i < ROWS; ++i) {
            sliders[i].Value = 10.0f + static_cast<float>((i * 17 + f * 31) % 89) + 0.25f;
            sliders[i].Adjust();
        }
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
    };
    for (int f = 0; f < 4; ++f)
        frame(f);
    Counts_Reset();
    heap::Start();
    for (int f = 4; f < 8; ++f)
        frame(f);
    const long allocations = heap::Stop();
    EXPECT_EQ(Counts().buffer_data + Counts().gen_buffers + Counts().tex_image, 0);
    if (STEADY_HEAP_COUNT) {
        EXPECT_EQ(allocations, 0) << "heap allocations in a frame of new read-outs";
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
