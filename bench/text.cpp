// Caption benchmark: the panel's captions through VR_Tools::Text (first time and from the caches)
// against FreeType rendering the same strings, and the memory that many font sizes cost.
// Usage: vrtools_bench_text [--n LIST] [--rounds K] [--memory]
#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <sstream>
#include <string>
#include <vector>

#include "bench.h"
#include "headless.h"
#include <vrtools/label.h>
#include <vrtools/tarnel.h>

namespace {

using Clock = std::chrono::steady_clock;

std::wstring Wide(const std::string& s)
{
    return std::wstring(s.begin(), s.end());  // the panel's strings are ASCII
}

// Every caption of the panel through the widgets' rasteriser, into one bound texture.
unsigned long Render_Vrtools(VR_Labels& tool, const std::vector<bench::Row>& rows)
{
    unsigned long sum = 0;
    int tw = 0, th = 0, w = 0, h = 0;
    char readout[40];
    for (const bench::Row& r : rows) {
        for (const std::string* text : {&r.label_text, &r.button_text, &r.slider_text}) {
            tool.Text(Wide(*text).c_str(), &tool.Text_Bitmap, bench::FONT_NAME, nullptr, bench::FONT_SIZE, &tw, &th, &w,
                      &h);
            sum += static_cast<unsigned long>(w + tool.Text_Bitmap[th / 2 * tw + 3]);
        }
        std::snprintf(readout, sizeof(readout), bench::READOUT_FORMAT, static_cast<double>(r.value));
        tool.Text(Wide(readout).c_str(), &tool.Text_Bitmap, bench::FONT_NAME, nullptr, bench::READOUT_FONT_SIZE, &tw,
                  &th, &w, &h);
        sum += static_cast<unsigned long>(w);
    }
    return sum;
}

template <typename F>
double Micro(F&& f)
{
    const Clock::time_point t0 = Clock::now();
    f();
    return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Private memory of the process (kB) and the number of its memory maps.
void Memory(long& private_kb, int& maps)
{
    private_kb = 0;
    std::ifstream rollup("/proc/self/smaps_rollup");
    for (std::string line; std::getline(rollup, line);)
        if (line.rfind("Private_", 0) == 0)
            private_kb += std::atol(line.c_str() + line.find(':') + 1);
    maps = 0;
    std::ifstream in("/proc/self/maps");
    for (std::string line; std::getline(in, line);)
        ++maps;
}

// 1000 distinct (font file, size) combinations, each measured and drawn once.
void Memory_Test()
{
    host::Text_Surface* surface = host::Surface_Create(reinterpret_cast<HDC>(0x1));
    host::Surface_Bitmap_Create(surface, 256, 128);
    // Warm-up: Fontconfig's configuration and the first face of each file.
    for (const char* style : {"", "Bold"}) {
        host::Surface_Select_Font(surface, Y_Create_Font(nullptr, "DejaVu Sans", style, nullptr, 13));
        host::Surface_Draw_Text(surface, L"Hg");
    }
    long before = 0, after = 0;
    int maps_before = 0, maps_after = 0;
    Memory(before, maps_before);
    int combos = 0;
    for (const char* style : {"", "Bold"})
        for (int size = 6; size < 506; ++size, ++combos) {
            host::Surface_Select_Font(surface, Y_Create_Font(nullptr, "DejaVu Sans", style, nullptr, size));
            host::Surface_Text_Width(surface, L"Hg");
            host::Surface_Draw_Text(surface, L"Hg");
        }
    Memory(after, maps_after);
    // What the heap keeps of freed blocks (the largest glyph bitmaps pass through) is not the
    // fonts' cost: count it apart.
    malloc_trim(0);
    long trimmed = 0;
    int maps_trimmed = 0;
    Memory(trimmed, maps_trimmed);
    std::printf(
        "memory: %d (font file, size) combinations: +%ld kB private (+%ld kB after malloc_trim), +%d memory maps\n",
        combos, after - before, trimmed - before, maps_after - maps_before);
    host::Surface_Delete(surface);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes = {100, 1000};
    int rounds = 15;
    bool memory = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--memory") {
            memory = true;
        } else if (a == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--n" && i + 1 < argc) {
            sizes.clear();
            std::stringstream list(argv[++i]);
            for (std::string n; std::getline(list, n, ',');)
                sizes.push_back(std::max(1, std::atoi(n.c_str())));
        } else {
            std::fprintf(stderr, "usage: vrtools_bench_text [--n LIST] [--rounds K] [--memory]\n");
            return 2;
        }
    }
    if (memory) {
        // Before any other font work, so that only the sizes are counted.
        Memory_Test();
        return 0;
    }

    std::string error;
    if (!headless::Context_Create(64, 64, &error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    glewExperimental = GL_TRUE;
    glewInit();
    bench::Captions raw;
    if (!raw.Open(&error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    unsigned long checksum = 0;
    std::printf("| N | captions | raw FreeType µs | vrtools µs (caches filled) | ÷ raw |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    {
        VR_Labels tool;
        tool.Window = reinterpret_cast<HWND>(0x1);
        for (int n : sizes) {
            const std::vector<bench::Row> rows = bench::Layout(n);
            // The first pass fills the font, advance and glyph caches; the rounds then measure
            // captions made again, as a repeated Init of the same panel makes them.
            const double first = Micro([&] { checksum += Render_Vrtools(tool, rows); });
            if (n == sizes.front())
                std::printf("first pass, caches empty: %d captions in %.0f µs\n", 4 * n, first);
            std::vector<double> raw_us, cached_us;
            for (int r = 0; r < rounds; ++r) {
                // Side by side, alternating, so that the machine's drift falls on both alike.
                raw_us.push_back(Micro([&] { checksum += raw.Render(rows); }));
                cached_us.push_back(Micro([&] { checksum += Render_Vrtools(tool, rows); }));
            }
            const double raw_med = Median(raw_us), cached_med = Median(cached_us);
            std::printf("| %d | %d | %.0f | %.0f | %.2f |\n", n, 4 * n, raw_med, cached_med, cached_med / raw_med);
        }
        std::free(tool.Text_Bitmap);
        tool.Text_Bitmap = nullptr;
    }
    glDeleteTextures(1, &texture);
    headless::Context_Destroy();
    std::printf("checksum %lu\n", checksum % 1000);
    return 0;
}
