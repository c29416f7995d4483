// Benchmark of the vrtools panel, widget by widget and batched, against Dear ImGui and a raw-GL
// reference, in one headless context (compatibility, or 3.3 core for the batch and ImGui).
//
// [SECTION] Options
// [SECTION] Samples and statistics
// [SECTION] Runs
// [SECTION] Table
// [SECTION] main
//
// Each (scenario, N) cell builds the implementations, then runs them in turn, a block of
// frames each, round after round (A B C A B C ...), so that drift of the machine hits all alike. A
// frame is timed in two parts: the CPU submission (everything the implementation does for the
// frame) and the glFinish after it. Clearing happens before, untimed and finished.
#include <GL/glew.h>
#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench.h"
#include "headless.h"
#include "legibility.h"

namespace {

using namespace bench;
using Clock = std::chrono::steady_clock;

// [SECTION] Options --------------------------------------------------------------------------------

struct Options {
    std::vector<int> sizes = {10, 100, 1000};
    std::vector<Scenario> scenarios = {Scenario::STEADY, Scenario::HOVER, Scenario::DRAG, Scenario::LIVE,
                                       Scenario::INIT};
    std::vector<std::string> impls = {"vrtools", "batch", "sharp", "imgui", "raw"};
    bool core = false;        // a 3.3 core-profile context: the batch and ImGui's OpenGL3 backend only
    int fixed = 0;            // > 0: that many untimed frames per cell, for instruction counts
    bool smoke = false;       // one frame per cell
    double scale = 1.0;       // multiplies the number of rounds
    std::string png;          // directory for a picture of each implementation's steady frame
    bool legibility = false;  // the legibility table instead of the timings
    int live_percent = 100;   // share of the sliders whose value changes in each live frame
    bool no_raster = false;   // Mesa's noop driver: the CPU's share of a frame without a software rasteriser
};

std::vector<std::string> Split(const char* text)
{
    std::vector<std::string> out;
    std::string item;
    for (const char* p = text;; ++p) {
        if (*p == ',' || *p == '\0') {
            if (!item.empty())
                out.push_back(item);
            item.clear();
            if (*p == '\0')
                break;
        } else {
            item += *p;
        }
    }
    return out;
}

void Usage()
{
    std::printf(
        "usage: vrtools_bench [options]\n"
        "  --n LIST          panel sizes in rows (default 10,100,1000)\n"
        "  --scenario LIST   steady,hover,drag,live,init (default all)\n"
        "  --live-percent P  share of the sliders whose value changes in each live frame (default 100)\n"
        "  --impl LIST       vrtools,batch,sharp,imgui,raw (default all; batch,sharp,imgui with --core);\n"
        "                    sharp: the batch with its text as glyph quads\n"
        "  --core            OpenGL 3.3 core-profile context: the batch and ImGui's OpenGL3 backend\n"
        "  --smoke           one frame per cell, no statistics worth reading\n"
        "  --fixed K         K untimed frames per cell and no table (for valgrind --tool=callgrind)\n"
        "  --scale F         F times the default number of rounds\n"
        "  --png DIR         write DIR/<impl>-<N>.png of each steady frame\n"
        "  --no-raster       Mesa's noop driver, which draws nothing: CPU is the implementations' own work and\n"
        "                    the GL calls' (what a frame costs the CPU when a GPU draws it, less the driver's\n"
        "                    work for the GPU); buffer updates are copied and dropped\n"
        "  --legibility      no timings: a caption through the batch under a perspective camera against FreeType\n"
        "                    at its on-screen size and against its own 8x supersampled picture\n");
}

bool Parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--help" || a == "-h") {
            Usage();
            std::exit(0);
        } else if (a == "--smoke") {
            o.smoke = true;
        } else if (a == "--core") {
            o.core = true;
        } else if (a == "--no-raster") {
            o.no_raster = true;
        } else if (a == "--legibility") {
            o.legibility = true;
        } else if ((a == "--n" || a == "--scenario" || a == "--impl" || a == "--fixed" || a == "--scale" ||
                    a == "--png" || a == "--live-percent") &&
                   next) {
            ++i;
            if (a == "--n") {
                o.sizes.clear();
                for (const std::string& s : Split(next))
                    o.sizes.push_back(std::max(1, std::atoi(s.c_str())));
            } else if (a == "--scenario") {
                o.scenarios.clear();
                for (const std::string& s : Split(next)) {
                    const Scenario all[] = {Scenario::STEADY, Scenario::HOVER, Scenario::DRAG, Scenario::LIVE,
                                            Scenario::INIT};
                    bool known = false;
                    for (Scenario c : all)
                        if (s == Scenario_Name(c)) {
                            o.scenarios.push_back(c);
                            known = true;
                        }
                    if (!known) {
                        std::fprintf(stderr, "bench: unknown scenario %s\n", s.c_str());
                        return false;
                    }
                }
            } else if (a == "--impl") {
                o.impls = Split(next);
                for (const std::string& s : o.impls)
                    if (s != "vrtools" && s != "batch" && s != "sharp" && s != "imgui" && s != "raw") {
                        std::fprintf(stderr, "bench: unknown implementation %s\n", s.c_str());
                        return false;
                    }
            } else if (a == "--fixed") {
                o.fixed = std::max(1, std::atoi(next));
            } else if (a == "--scale") {
                o.scale = std::max(0.05, std::atof(next));
            } else if (a == "--live-percent") {
                o.live_percent = std::max(0, std::min(100, std::atoi(next)));
            } else {
                o.png = next;
            }
        } else {
            Usage();
            return false;
        }
    }
    return true;
}

// [SECTION] Samples and statistics ---------------------------------------------------------------

struct Sample {
    double cpu = 0.0, finish = 0.0;  // microseconds
    double build = 0.0;              // of cpu: the Build of the INIT scenario
    double batch_init = -1.0;        // of build: a batch's own Init (negative without a batch)
    Counts counts;
};

struct Stat {
    double median = 0.0, p10 = 0.0, p90 = 0.0;
};

Stat Stats(std::vector<double> v)
{
    Stat s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        const double pos = q * static_cast<double>(v.size() - 1);
        const size_t lo = static_cast<size_t>(pos);
        const size_t hi = std::min(lo + 1, v.size() - 1);
        return v[lo] + (v[hi] - v[lo]) * (pos - static_cast<double>(lo));
    };
    s.median = at(0.5);
    s.p10 = at(0.1);
    s.p90 = at(0.9);
    return s;
}

struct Result {
    std::string impl;
    Stat cpu, finish, total;
    Stat build, batch_init, first;  // INIT only: Build, the batch's Init within it, and the first frame's CPU
    Stat in_draws, outside;         // of cpu: inside the array draw calls, and the rest
    bool split = true;              // false when glBegin drew: its work is not timed apart
    double draws = 0, buffers = 0, textures = 0, subs = 0, heap = 0, kbytes = 0;
    long heap_own = 0;  // in one extra, untimed frame whose allocations were attributed
    size_t frames = 0;
    // A live cell's steady frames, timed in turn with its live ones on the same panel: the live
    // frame's cost over its own steady frame under the same state of the machine.
    bool paired_steady = false;
};

Result Summarise(const std::string& impl, const std::vector<Sample>& samples)
{
    Result r;
    r.impl = impl;
    r.frames = samples.size();
    std::vector<double> cpu, finish, total, build, batch_init, first, in_draws, outside;
    for (const Sample& s : samples) {
        cpu.push_back(s.cpu);
        in_draws.push_back(static_cast<double>(s.counts.draw_ns) / 1000.0);
        outside.push_back(s.cpu - static_cast<double>(s.counts.draw_ns) / 1000.0);
        if (s.counts.immediate > 0)
            r.split = false;
        build.push_back(s.build);
        first.push_back(s.cpu - s.build);
        if (s.batch_init >= 0.0)
            batch_init.push_back(s.batch_init);
        finish.push_back(s.finish);
        total.push_back(s.cpu + s.finish);
        r.draws += static_cast<double>(s.counts.draws);
        r.buffers += static_cast<double>(s.counts.buffer_uploads);
        r.textures += static_cast<double>(s.counts.texture_uploads);
        r.subs += static_cast<double>(s.counts.sub_uploads);
        r.heap += static_cast<double>(s.counts.heap);
        r.kbytes += static_cast<double>(s.counts.bytes_sent) / 1024.0;
    }
    const double n = samples.empty() ? 1.0 : static_cast<double>(samples.size());
    r.draws /= n;
    r.buffers /= n;
    r.textures /= n;
    r.subs /= n;
    r.heap /= n;
    r.kbytes /= n;
    r.cpu = Stats(cpu);
    r.finish = Stats(finish);
    r.total = Stats(total);
    r.build = Stats(build);
    r.batch_init = Stats(batch_init);
    r.first = Stats(first);
    r.in_draws = Stats(in_draws);
    r.outside = Stats(outside);
    return r;
}

double Micro(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// [SECTION] Runs -----------------------------------------------------------------------------------

std::unique_ptr<Panel> Make(const std::string& name, bool core)
{
    if (name == "vrtools")
        return Make_Vrtools();
    if (name == "batch")
        return Make_Batch();
    if (name == "sharp")
        return Make_Sharp();
    if (name == "imgui")
        return Make_Imgui(core);
    return Make_Raw();
}

// Rounds and frames per block for a cell: enough samples for a median, within the time budget.
void Plan(const Options& o, Scenario s, int n, int& rounds, int& block)
{
    if (o.smoke || o.fixed) {
        rounds = 1;
        block = o.fixed ? o.fixed : 1;
        return;
    }
    // Short blocks, many rounds: the machine's drift (other processes, the driver's threads) then
    // falls on every implementation alike.
    if (s == Scenario::INIT) {
        block = 1;
        rounds = n <= 10 ? 60 : n <= 100 ? 25 : 8;
    } else {
        block = n <= 10 ? 5 : n <= 100 ? 3 : 2;
        rounds = n <= 10 ? 60 : n <= 100 ? 40 : 15;
    }
    rounds = std::max(1, static_cast<int>(rounds * o.scale + 0.5));
}

}  // namespace

namespace bench {

// The two timed parts of a frame, kept out of line so that callgrind can collect exactly them
// (--toggle-collect='bench::Measured*' --toggle-collect='bench::Finished*').
__attribute__((noinline)) void Measured(Panel& p, Scenario s, int step, bool build,
                                        std::chrono::steady_clock::time_point& built)
{
    if (build) {
        p.Build(s);
        built = std::chrono::steady_clock::now();
    }
    p.Frame(s, step);
}

__attribute__((noinline)) void Finished()
{
    glFinish();
}

}  // namespace bench

namespace {

Sample Timed(Panel& p, Scenario s, int step, bool build)
{
    Frame_Begin();
    glFinish();
    Sample out;
    const Counts c0 = Counters_Now();
    const Clock::time_point t0 = Clock::now();
    Clock::time_point built = t0;
    Measured(p, s, step, build, built);
    const Clock::time_point t1 = Clock::now();
    Finished();
    const Clock::time_point t2 = Clock::now();
    out.counts = Counters_Now() - c0;
    out.cpu = Micro(t1 - t0);
    out.finish = Micro(t2 - t1);
    if (build) {
        out.build = Micro(built - t0);
        out.batch_init = p.Batch_Init_Us();
    }
    return out;
}

std::vector<Result> Run_Cell(const Options& o, Scenario s, int n)
{
    std::vector<Row> rows = Layout(n);
    Live_Choose(rows, o.live_percent);
    std::vector<std::unique_ptr<Panel>> panels;
    for (const std::string& name : o.impls) {
        std::unique_ptr<Panel> p = Make(name, o.core);
        if (p->Runs(s))
            panels.push_back(std::move(p));
    }
    for (auto& p : panels)
        p->Setup(rows);
    int rounds = 1, block = 1;
    Plan(o, s, n, rounds, block);
    std::vector<std::vector<Sample>> samples(panels.size());
    std::vector<long> own(panels.size(), 0);
    auto attributed = [&](size_t i, int step, bool build) {
        Heap_Attribution(true);
        own[i] = Timed(*panels[i], s, step, build).counts.heap_own;
        Heap_Attribution(false);
    };

    if (s == Scenario::INIT) {
        // One unmeasured round first: the process-wide font caches fill once, for everyone.
        if (!o.smoke)
            for (auto& p : panels) {
                Frame_Begin();
                p->Build(s);
                p->Frame(s, 0);
                glFinish();
                p->Destroy();
            }
        for (int r = 0; r < rounds; ++r)
            for (size_t i = 0; i < panels.size(); ++i)
                for (int b = 0; b < block; ++b) {
                    samples[i].push_back(Timed(*panels[i], s, 0, true));
                    panels[i]->Destroy();
                }
        if (!o.fixed)
            for (size_t i = 0; i < panels.size(); ++i) {
                attributed(i, 0, true);
                panels[i]->Destroy();
            }
    } else {
        std::vector<int> steps(panels.size(), 0);
        // Two unmeasured frames each: the driver compiles its state variants on first use.
        for (size_t i = 0; i < panels.size(); ++i) {
            panels[i]->Build(s);
            if (!o.smoke)
                for (int w = 0; w < 2; ++w) {
                    Frame_Begin();
                    panels[i]->Frame(s, steps[i]++);
                    glFinish();
                }
        }
        // A live cell times steady frames too, a block after or before each live block, in turn
        // round by round: a live frame against its steady frame from separate cells compares two
        // moments of a shared machine, whose drift between them is as large as the difference.
        const bool paired = s == Scenario::LIVE && !o.smoke && !o.fixed;
        std::vector<std::vector<Sample>> steady(panels.size());
        const auto steady_block = [&](size_t i) {
            for (int b = 0; b < block; ++b)
                steady[i].push_back(Timed(*panels[i], Scenario::STEADY, steps[i], false));
        };
        for (int r = 0; r < rounds; ++r)
            for (size_t i = 0; i < panels.size(); ++i) {
                if (paired && r % 2 == 1)
                    steady_block(i);
                for (int b = 0; b < block; ++b)
                    samples[i].push_back(Timed(*panels[i], s, steps[i]++, false));
                if (paired && r % 2 == 0)
                    steady_block(i);
            }
        if (!o.fixed)
            for (size_t i = 0; i < panels.size(); ++i)
                attributed(i, steps[i]++, false);
        if (!o.png.empty() && s == Scenario::STEADY)
            for (size_t i = 0; i < panels.size(); ++i) {
                Frame_Begin();
                panels[i]->Frame(s, steps[i]++);
                const std::string path = o.png + "/" + panels[i]->Name() + "-" + std::to_string(n) + ".png";
                if (!headless::Png_Write(path, SURFACE_W, SURFACE_H))
                    std::fprintf(stderr, "bench: could not write %s\n", path.c_str());
            }
        for (auto& p : panels)
            p->Destroy();
        for (size_t i = 0; i < panels.size() && paired; ++i) {
            samples.push_back(steady[i]);
            own.push_back(0);
        }
    }
    std::vector<Result> results;
    for (size_t i = 0; i < samples.size(); ++i) {
        results.push_back(Summarise(panels[i % panels.size()]->Name(), samples[i]));
        results.back().heap_own = own[i];
        results.back().paired_steady = i >= panels.size();
    }
    return results;
}

// [SECTION] Table ----------------------------------------------------------------------------------

std::string Number(double v)
{
    char text[32];
    if (v >= 100.0 || v == 0.0)
        std::snprintf(text, sizeof(text), "%.0f", v);
    else if (v >= 10.0)
        std::snprintf(text, sizeof(text), "%.1f", v);
    else
        std::snprintf(text, sizeof(text), "%.2f", v);
    return text;
}

std::string Spread(const Stat& s)
{
    return Number(s.median) + " [" + Number(s.p10) + "–" + Number(s.p90) + "]";
}

std::string Count(double v)
{
    char text[32];
    const double whole = static_cast<double>(static_cast<long>(v + 0.5));
    if (v - whole < 0.05 && whole - v < 0.05)
        std::snprintf(text, sizeof(text), "%.0f", whole);
    else
        std::snprintf(text, sizeof(text), "%.1f", v);
    return text;
}

std::string Ratio(const Result& a, const Result* b)
{
    if (!b || b->total.median <= 0.0)
        return "";
    char text[80];
    if (b->cpu.median > 0.0 && a.split && b->split && b->outside.median > 0.0)
        std::snprintf(text, sizeof(text), "%.2f (cpu %.2f, outside draws %.2f)", a.total.median / b->total.median,
                      a.cpu.median / b->cpu.median, a.outside.median / b->outside.median);
    else if (b->cpu.median > 0.0)
        std::snprintf(text, sizeof(text), "%.2f (cpu %.2f)", a.total.median / b->total.median,
                      a.cpu.median / b->cpu.median);
    else
        std::snprintf(text, sizeof(text), "%.2f", a.total.median / b->total.median);
    return text;
}

void Print_Header()
{
    std::printf(
        "| scenario | N | impl | CPU µs med [p10–p90] | of it in draw calls µs med | glFinish µs med [p10–p90] | "
        "frame µs med | draws | buffer uploads | texture uploads | of them sub-range | heap allocs own / all | KB sent "
        "| "
        "÷ ImGui | ÷ raw |\n");
    std::printf("|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
}

void Print_Cell(Scenario s, int n, const std::vector<Result>& results)
{
    const Result* imgui = nullptr;
    const Result* raw = nullptr;
    for (const Result& r : results) {
        if (r.paired_steady)
            continue;
        if (r.impl == "imgui")
            imgui = &r;
        if (r.impl == "raw")
            raw = &r;
    }
    for (const Result& r : results) {
        if (r.paired_steady)
            continue;
        const bool mine = r.impl == "vrtools" || r.impl == "batch" || r.impl == "sharp";
        std::printf("| %s | %d | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", Scenario_Name(s),
                    n, r.impl.c_str(), Spread(r.cpu).c_str(), r.split ? Number(r.in_draws.median).c_str() : "–",
                    Spread(r.finish).c_str(), Number(r.total.median).c_str(), Count(r.draws).c_str(),
                    Count(r.buffers).c_str(), Count(r.textures).c_str(), Count(r.subs).c_str(),
                    (std::to_string(r.heap_own) + " / " + Count(r.heap)).c_str(), Number(r.kbytes).c_str(),
                    mine ? Ratio(r, imgui).c_str() : "", mine ? Ratio(r, raw).c_str() : "");
    }
    std::fflush(stdout);
}

// The live cells' frames against the steady frames timed in turn with them.
void Print_Live_Pairs(const std::vector<std::pair<int, std::vector<Result>>>& cells)
{
    if (cells.empty())
        return;
    // The last column is the floor of a live frame's ratio to ImGui's: what the same panel costs
    // the CPU with nothing changed, before any value is brought up to date.
    std::printf("\n| live against steady, in turn in one cell | N | impl | live frame µs med | steady frame µs med | "
                "live ÷ steady (frame) | live CPU µs med | steady CPU µs med | steady CPU ÷ ImGui's live CPU |\n");
    std::printf("|---|---:|---|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& cell : cells) {
        const Result* imgui = nullptr;
        for (const Result& r : cell.second)
            if (r.impl == "imgui" && !r.paired_steady)
                imgui = &r;
        for (const Result& live : cell.second) {
            if (live.paired_steady)
                continue;
            for (const Result& steady : cell.second) {
                if (!steady.paired_steady || steady.impl != live.impl || steady.total.median <= 0.0)
                    continue;
                char lowest[16] = "";
                if (imgui && imgui != &live && imgui->cpu.median > 0.0)
                    std::snprintf(lowest, sizeof(lowest), "%.2f", steady.cpu.median / imgui->cpu.median);
                std::printf("| | %d | %s | %s | %s | %.2f | %s | %s | %s |\n", cell.first, live.impl.c_str(),
                            Number(live.total.median).c_str(), Number(steady.total.median).c_str(),
                            live.total.median / steady.total.median, Number(live.cpu.median).c_str(),
                            Number(steady.cpu.median).c_str(), lowest);
            }
        }
    }
    std::fflush(stdout);
}

// The INIT rows in parts: the widgets' (and a batch's) Init, and the first frame drawn after it.
// The raw reference draws nothing: all of its CPU time is its captions, and its Init is that.
void Print_Init_Split(const std::vector<std::pair<int, std::vector<Result>>>& cells)
{
    if (cells.empty())
        return;
    std::printf("\n| init, in parts | N | impl | Init CPU µs med [p10–p90] | of it the batch's Init µs | "
                "first frame CPU µs | first frame glFinish µs | Init ÷ raw |\n");
    std::printf("|---|---:|---|---:|---:|---:|---:|---:|\n");
    for (const auto& cell : cells) {
        const Result* raw = nullptr;
        for (const Result& r : cell.second)
            if (r.impl == "raw")
                raw = &r;
        for (const Result& r : cell.second) {
            if (r.impl == "raw") {
                std::printf("| | %d | raw | %s | | | | |\n", cell.first, Spread(r.cpu).c_str());
                continue;
            }
            const bool batched = r.batch_init.median > 0.0;
            char ratio[32] = "";
            if (raw && raw->cpu.median > 0.0)
                std::snprintf(ratio, sizeof(ratio), "%.2f", r.build.median / raw->cpu.median);
            std::printf("| | %d | %s | %s | %s | %s | %s | %s |\n", cell.first, r.impl.c_str(), Spread(r.build).c_str(),
                        batched ? Spread(r.batch_init).c_str() : "", Number(r.first.median).c_str(),
                        Number(r.finish.median).c_str(), ratio);
        }
    }
    std::fflush(stdout);
}

void Print_Counts(Scenario s, int n, const std::vector<Result>& results)
{
    for (const Result& r : results)
        std::printf("%s N=%d %s: %zu frames; per frame %s draws, %s buffer uploads, %s texture uploads "
                    "(%s sub-range), %s heap allocations\n",
                    Scenario_Name(s), n, r.impl.c_str(), r.frames, Count(r.draws).c_str(), Count(r.buffers).c_str(),
                    Count(r.textures).c_str(), Count(r.subs).c_str(), Count(r.heap).c_str());
    std::fflush(stdout);
}

}  // namespace

// [SECTION] main -------------------------------------------------------------------------------------

int main(int argc, char** argv)
{
    Options options;
    if (!Parse(argc, argv, options))
        return 2;
    if (options.core) {
        bool given = false;
        for (int i = 1; i < argc; ++i)
            given = given || std::strcmp(argv[i], "--impl") == 0;
        if (!given)
            options.impls = {"batch", "sharp", "imgui"};
        for (const std::string& s : options.impls)
            if (s == "vrtools" || s == "raw") {
                std::fprintf(stderr,
                             "bench: %s needs the fixed-function pipeline; --core runs batch, sharp and imgui\n",
                             s.c_str());
                return 2;
            }
    }
    if (!options.png.empty()) {
        std::error_code failed;
        std::filesystem::create_directories(options.png, failed);
        if (failed) {
            std::fprintf(stderr, "bench: cannot create %s (%s)\n", options.png.c_str(), failed.message().c_str());
            return 1;
        }
    }
    if (options.no_raster && (options.legibility || !options.png.empty())) {
        std::fprintf(stderr, "bench: --no-raster draws nothing: no pictures, no legibility\n");
        return 2;
    }
    // Read by Mesa as it loads its driver, when the context is made.
    if (options.no_raster)
        setenv("GALLIUM_NOOP", "1", 1);
    std::string error;
    if (!headless::Context_Create(SURFACE_W, SURFACE_H, &error,
                                  options.core ? headless::Profile::CORE : headless::Profile::COMPAT)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    if (options.legibility) {
        const int status = legibility::Table(stdout, options.png);
        headless::Context_Destroy();
        return status;
    }
    Counters_Install();
    if (options.no_raster) {
        const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        if (!renderer || std::strcmp(renderer, "NOOP") != 0) {
            std::fprintf(stderr, "bench: --no-raster needs Mesa's noop driver; the context has %s\n",
                         renderer ? renderer : "no renderer");
            headless::Context_Destroy();
            return 1;
        }
        Buffer_Updates_Drop();
    }
    const Clock::time_point start = Clock::now();
    if (!options.fixed) {
        std::printf("vrtools benchmark: %s, %s; Dear ImGui %s (%s backend, FreeType atlas); %s %d px em\n",
                    reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                    reinterpret_cast<const char*>(glGetString(GL_VERSION)), ImGui::GetVersion(),
                    options.core ? "OpenGL3" : "OpenGL2", FONT_NAME, FONT_SIZE);
        std::printf("one surface of %d x %d, one unit per pixel; rows of a label, a button and a slider with a "
                    "read-out, %d to a column\n\n",
                    SURFACE_W, SURFACE_H, ROWS_PER_COLUMN);
        Print_Header();
    }
    std::vector<std::pair<int, std::vector<Result>>> init_cells, live_cells;
    for (Scenario s : options.scenarios)
        for (int n : options.sizes) {
            const std::vector<Result> results = Run_Cell(options, s, n);
            if (options.fixed)
                Print_Counts(s, n, results);
            else
                Print_Cell(s, n, results);
            if (s == Scenario::INIT && !options.fixed)
                init_cells.emplace_back(n, results);
            if (s == Scenario::LIVE && !options.fixed && !options.smoke)
                live_cells.emplace_back(n, results);
        }
    Print_Init_Split(init_cells);
    Print_Live_Pairs(live_cells);
    if (!options.fixed)
        std::printf("\nframe = CPU + glFinish; init = Init of every widget (captions included) and the first frame; "
                    "batch init includes the batch's own Init; raw init = FreeType rendering of the same strings "
                    "into memory; \"init, in parts\" splits the init rows into the Init calls and the first frame. "
                    "live = %d %% of the sliders take a new value each frame (raw has no live row: its read-outs "
                    "would have to be rasterised, which is the work measured). "
                    "In draw calls: the CPU time inside the array draw calls, where a software rasteriser runs "
                    "its vertex stage and triangle setup on the calling thread (– where glBegin draws); "
                    "outside draws = CPU less that. "
                    "\"live against steady\": steady frames of the same panels timed in turn with the live ones, "
                    "a block after each live block and before the next, round by round; the last column is the "
                    "steady frame's CPU over ImGui's live CPU, what a live frame cannot go below. "
                    "Counts are per frame; "
                    "sub-range uploads are glBufferSubData and glTexSubImage2D; "
                    "own heap allocations are those of the implementation's code in one attributed frame, all "
                    "includes the driver's; KB sent includes ImGui's client-array vertices. Run time %.0f s.\n",
                    options.live_percent, std::chrono::duration<double>(Clock::now() - start).count());
    if (options.no_raster && !options.fixed)
        std::printf("Without a rasteriser (Mesa's noop driver): nothing is drawn, so the draw calls and glFinish "
                    "cost only the GL calls themselves; glBufferSubData's bytes are copied once and dropped.\n");
    headless::Context_Destroy();
    return 0;
}
