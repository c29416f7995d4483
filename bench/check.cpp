// Checks that the raw reference issues exactly the GL calls of the vrtools panel, frame by frame, for
// the steady, hover and drag scenarios; exits non-zero at the first difference.
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "headless.h"
#include "trace.h"

namespace {

using namespace bench;

std::string Describe(const std::vector<Call>& calls, size_t i)
{
    if (i >= calls.size())
        return "(end)";
    std::string s = calls[i].name + "(";
    for (size_t a = 0; a < calls[i].args.size(); ++a) {
        char text[32];
        std::snprintf(text, sizeof(text), "%s%g", a ? ", " : "", calls[i].args[a]);
        s += text;
    }
    return s + ")";
}

// Index of the first difference, or npos.
size_t First_Difference(const std::vector<Call>& a, const std::vector<Call>& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i].name != b[i].name || a[i].args != b[i].args)
            return i;
    return a.size() == b.size() ? std::string::npos : n;
}

bool Check(Scenario s, int rows_count)
{
    const std::vector<Row> rows = Layout(rows_count);
    std::unique_ptr<Panel> widgets = Make_Vrtools();
    std::unique_ptr<Panel> raw = Make_Raw();
    widgets->Setup(rows);
    raw->Setup(rows);
    widgets->Build(s);
    raw->Build(s);
    // Steps enough to go round the pointer path once and wrap.
    int steps = 3;
    if (s == Scenario::HOVER)
        steps = 2 * rows_count + 2;
    else if (s == Scenario::DRAG)
        steps = static_cast<int>(Drag_Path(rows[0]).size()) + 2;
    size_t calls = 0;
    bool ok = true;
    for (int step = 0; step < steps && ok; ++step) {
        std::vector<Call> a, b;
        Frame_Begin();
        trace_out = &a;
        widgets->Frame(s, step);
        trace_out = &b;
        raw->Frame(s, step);
        trace_out = nullptr;
        calls += a.size();
        const size_t d = First_Difference(a, b);
        if (d != std::string::npos) {
            std::printf("check: %s N=%d step %d: call %zu differs\n", Scenario_Name(s), rows_count, step, d);
            for (size_t i = d >= 3 ? d - 3 : 0; i < d + 3; ++i)
                std::printf("  %5zu  vrtools %-60s raw %s\n", i, Describe(a, i).c_str(), Describe(b, i).c_str());
            ok = false;
        }
    }
    widgets->Destroy();
    raw->Destroy();
    if (ok)
        std::printf("check: %s N=%d: %d frames, %zu GL calls, identical\n", Scenario_Name(s), rows_count, steps, calls);
    return ok;
}

}  // namespace

int main()
{
    std::string error;
    if (!headless::Context_Create(SURFACE_W, SURFACE_H, &error)) {
        std::fprintf(stderr, "check: %s\n", error.c_str());
        return 1;
    }
    Counters_Install();
    Trace_Install();
    bool ok = true;
    for (int n : {10, 30})
        for (Scenario s : {Scenario::STEADY, Scenario::HOVER, Scenario::DRAG})
            ok = Check(s, n) && ok;
    headless::Context_Destroy();
    return ok ? 0 : 1;
}
