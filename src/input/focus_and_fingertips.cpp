// Input without a pointer: keyboard focus moved in order or across the panel, activation and value
// steps on the focused widget, and fingertips that press buttons in by their depth.
#include <vrtools/dispatch.h>

#include "core/core.h"
#include "widgets/classes.h"

#include <cmath>
#include <cstdlib>

namespace {

bool Usable(const VR_Tools& w)
{
    return !(w.Flags & (VR_HIDDEN | VR_INACTIVE)) && w.Width > 0 && w.Height > 0;
}

float Mid_X(const VR_Tools& w)
{
    return static_cast<float>(w.X) + static_cast<float>(w.Width) / 2.0f;
}
float Mid_Y(const VR_Tools& w)
{
    return static_cast<float>(w.Y) + static_cast<float>(w.Height) / 2.0f;
}

}  // namespace

bool VR_Dispatchers::Stop_Valid(const Stop& stop) const
{
    if (stop.Entry < 0 || stop.Entry >= Count())
        return false;
    const Entry& e = Entries[static_cast<std::size_t>(stop.Entry)];
    if (!Usable(*e.Widget))
        return false;
    return stop.Part >= 0 && stop.Part < e.Class->Focus_Parts && Usable(e.Class->Focus_Area(*e.Widget, stop.Part));
}

VR_Dispatchers::Stop VR_Dispatchers::Stop_Step(Stop from, int step) const
{
    const auto parts = [this](int i) { return Entries[static_cast<std::size_t>(i)].Class->Focus_Parts; };
    int total = 0;
    for (int i = 0; i < Count(); ++i)
        for (int p = 0; p < parts(i); ++p)
            total += Stop_Valid(Stop{i, p}) ? 1 : 0;
    if (total == 0)
        return Stop{};
    const int dir = step < 0 ? -1 : 1;
    int left = std::abs(step % total);
    if (from.Entry < 0 || from.Entry >= Count()) {
        // From nowhere, one step forward lands on the first stop and one back on the last.
        from = dir > 0 ? Stop{Count() - 1, parts(Count() - 1) - 1} : Stop{0, 0};
        if (left == 0)
            return Stop{};
    }
    Stop s = from;
    while (left > 0) {
        do {
            s.Part += dir;
            if (s.Part >= parts(s.Entry)) {
                s.Entry = (s.Entry + 1) % Count();
                s.Part = 0;
            } else if (s.Part < 0) {
                s.Entry = (s.Entry + Count() - 1) % Count();
                s.Part = parts(s.Entry) - 1;
            }
        } while (!Stop_Valid(s));
        --left;
    }
    return s;
}

void VR_Dispatchers::Focus_Point(const Stop& stop, float* x, float* y) const
{
    const Entry& e = Entries[static_cast<std::size_t>(stop.Entry)];
    e.Class->Focus_Point(*e.Widget, stop.Part, x, y);
}

void VR_Dispatchers::Entry_Select(const Entry& e, float x, float y)
{
    e.Class->Select(*e.Widget, 0, x, y);
}

void VR_Dispatchers::Entry_Deselect(const Entry& e)
{
    e.Class->Deselect(*e.Widget);
}

void VR_Dispatchers::Focus_Show()
{
    Focus_Lit = true;
    // Deselect touches GL only where something is lit, so a key costs nothing on the others.
    for (int i = 0; i < Count(); ++i)
        if (i != Focus.Entry)
            Entry_Deselect(Entries[static_cast<std::size_t>(i)]);
    if (!Stop_Valid(Focus))
        return;
    float x, y;
    Focus_Point(Focus, &x, &y);
    Entry_Select(Entries[static_cast<std::size_t>(Focus.Entry)], x, y);
}

int VR_Dispatchers::Focus_Next(int step)
{
    const core::Messages_Held held;
    Changes.clear();
    const Stop next = Stop_Step(Focus, step);
    if (next.Entry >= 0)
        Focus = next;
    Focus_Show();
    return 0;
}

int VR_Dispatchers::Focus_Move(float dx, float dy)
{
    const core::Messages_Held held;
    Changes.clear();
    if (!std::isfinite(dx) || !std::isfinite(dy)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Focus: direction not finite");
        return 0;
    }
    const float length = std::sqrt(dx * dx + dy * dy);
    if (Focus.Entry < 0) {
        Focus = Stop_Step(Stop{}, 1);
        Focus_Show();
        return 0;
    }
    // A focused widget hidden since still has its place: the move starts there.
    if (!(length > 0.0f)) {
        Focus_Show();
        return 0;
    }
    const float ux = dx / length, uy = dy / length;
    const auto area = [this](const Stop& s) -> const VR_Tools& {
        const Entry& e = Entries[static_cast<std::size_t>(s.Entry)];
        return e.Class->Focus_Area(*e.Widget, s.Part);
    };
    const float fx = Mid_X(area(Focus)), fy = Mid_Y(area(Focus));
    Stop best;
    float best_score = 0.0f;
    for (int i = 0; i < Count(); ++i) {
        for (int p = 0; p < Entries[static_cast<std::size_t>(i)].Class->Focus_Parts; ++p) {
            const Stop s{i, p};
            if (!Stop_Valid(s) || (i == Focus.Entry && p == Focus.Part))
                continue;
            const VR_Tools& r = area(s);
            // The rectangle's corners seen from the focused centre: along the move and across it.
            float near = INFINITY, lo = INFINITY, hi = -INFINITY;
            for (int corner = 0; corner < 4; ++corner) {
                const float x = static_cast<float>(r.X + ((corner & 1) ? r.Width : 0)) - fx;
                const float y = static_cast<float>(r.Y + ((corner & 2) ? r.Height : 0)) - fy;
                near = std::fmin(near, x * ux + y * uy);
                lo = std::fmin(lo, x * uy - y * ux);
                hi = std::fmax(hi, x * uy - y * ux);
            }
            const float along = (Mid_X(r) - fx) * ux + (Mid_Y(r) - fy) * uy;
            const float aside = lo > 0.0f ? lo : hi < 0.0f ? -hi : 0.0f;
            // Ahead by half a unit at least (a row's centres may differ by a rounding), and
            // within 45 degrees: a rectangle that spans the focused centre across the move is
            // straight ahead however wide it is.
            if (along < 0.5f || aside > along)
                continue;
            // Sideways distance counts double; of widgets alike, the one whose centre lies nearer
            // the line wins.
            const float centre_aside = std::fabs((Mid_X(r) - fx) * uy - (Mid_Y(r) - fy) * ux);
            const float score = std::fmax(near, 0.0f) + 2.0f * aside + 0.01f * centre_aside;
            if (best.Entry < 0 || score < best_score) {
                best = s;
                best_score = score;
            }
        }
    }
    if (best.Entry >= 0)
        Focus = best;
    Focus_Show();
    return 0;
}

int VR_Dispatchers::Focus_Set(const VR_Tools* widget)
{
    const core::Messages_Held held;
    Changes.clear();
    if (!widget) {
        if (Focus_Lit && Focus.Entry >= 0)
            Entry_Deselect(Entries[static_cast<std::size_t>(Focus.Entry)]);
        Focus = Stop{};
        Focus_Lit = false;
        return 1;
    }
    for (int i = 0; i < Count(); ++i) {
        if (Entries[static_cast<std::size_t>(i)].Widget != widget || !Stop_Valid(Stop{i, 0}))
            continue;
        Focus = Stop{i, 0};
        Focus_Show();
        return 1;
    }
    return 0;
}

VR_Tools* VR_Dispatchers::Focused() const
{
    return Focus.Entry >= 0 ? Entries[static_cast<std::size_t>(Focus.Entry)].Widget : nullptr;
}

int VR_Dispatchers::Focused_Part() const
{
    return Focus.Entry >= 0 ? Focus.Part : -1;
}

int VR_Dispatchers::Step(int n)
{
    const core::Messages_Held held;
    Changes.clear();
    if (Stop_Valid(Focus)) {
        const Entry& e = Entries[static_cast<std::size_t>(Focus.Entry)];
        if (n != 0 && e.Class->Step)
            Record(e, e.Class->Step(*e.Widget, n, Focus.Part));
    }
    Focus_Show();
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Activate(bool down)
{
    const core::Messages_Held held;
    Changes.clear();
    if (down && Stop_Valid(Focus)) {
        const Entry& e = Entries[static_cast<std::size_t>(Focus.Entry)];
        if (e.Class->Activate)
            Record(e, e.Class->Activate(*e.Widget, Focus.Part));
    }
    Focus_Show();
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Entry_At(float x, float y) const
{
    for (int i = 0; i < Count(); ++i) {
        const VR_Tools& w = *Entries[static_cast<std::size_t>(i)].Widget;
        if (!(w.Flags & VR_HIDDEN) && w.X < x && x <= w.X + w.Width && w.Y < y && y <= w.Y + w.Height)
            return i;
    }
    return -1;
}

void VR_Dispatchers::Focus_Forget(int entry)
{
    for (Finger& f : Fingers) {
        if (f.Entry == entry)
            f = Finger{};
        else if (f.Entry > entry)
            --f.Entry;
    }
    if (Focus.Entry < entry)
        return;
    if (Focus.Entry > entry) {
        --Focus.Entry;
        return;
    }
    // The focus goes on to the next widget, as if the user had pressed Tab. The widget going away
    // is never looked at: it may be in the middle of its destruction.
    Focus = Stop{};
    for (int k = 1; k < Count() && Focus.Entry < 0; ++k) {
        const int i = (entry + k) % Count();
        for (int p = 0; p < Entries[static_cast<std::size_t>(i)].Class->Focus_Parts && Focus.Entry < 0; ++p)
            if (Stop_Valid(Stop{i, p}))
                Focus = Stop{i > entry ? i - 1 : i, p};
    }
}

void VR_Dispatchers::Focus_Follow(float x, float y)
{
    // A click hands the keys the widget clicked: arrows fine-tune the slider just dragged.
    const int at = Entry_At(x, y);
    if (at < 0)
        return;
    if (Focus_Lit && Focus.Entry >= 0 && Focus.Entry != at)
        Entry_Deselect(Entries[static_cast<std::size_t>(Focus.Entry)]);
    Focus_Lit = false;
    const Entry& e = Entries[static_cast<std::size_t>(at)];
    const Stop stop{at, e.Class->Focus_Clicked(*e.Widget)};
    if (Stop_Valid(stop))
        Focus = stop;
}

// [SECTION] Fingertips ------------------------------------------------------------------------------

namespace {

// Depth of the part a fingertip pushes, by its class; Init raises a bevel of 0 to 1.
float Top_Of(const VR_Tools& w, float bevels)
{
    const float b = w.Bevel > 0 ? static_cast<float>(w.Bevel) : 1.0f;
    return bevels * b;
}

}  // namespace

void VR_Dispatchers::Finger_Hover(Finger& f, int entry, float x, float y)
{
    if (f.Entry != entry && f.Entry >= 0) {
        bool shared = false;
        for (const Finger& other : Fingers)
            shared = shared || (&other != &f && other.Entry == f.Entry);
        if (!shared && !(Focus_Lit && Focus.Entry == f.Entry))
            Entry_Deselect(Entries[static_cast<std::size_t>(f.Entry)]);
    }
    f.Entry = entry;
    if (entry < 0)
        return;
    // A finger over a widget takes the light from the focus, as the pointer does.
    if (Focus_Lit && Focus.Entry >= 0 && Focus.Entry != entry) {
        Focus_Lit = false;
        Entry_Deselect(Entries[static_cast<std::size_t>(Focus.Entry)]);
    }
    Entry_Select(Entries[static_cast<std::size_t>(entry)], x, y);
}

int VR_Dispatchers::Finger_Press(Finger& f, float x, float y)
{
    const Entry& e = Entries[static_cast<std::size_t>(f.Entry)];
    return e.Class->Poke(*e.Widget, x, y);
}

int VR_Dispatchers::Poke(int finger, float x, float y, float z)
{
    const core::Messages_Held held;
    Changes.clear();
    if (finger < 0 || finger >= VR_FINGERS) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Poke: finger %d outside 0 .. %d", finger, VR_FINGERS - 1);
        return 0;
    }
    if (!std::isfinite(x) || !std::isfinite(y) || std::isnan(z)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Poke: fingertip position not finite");
        return 0;
    }
    Finger& f = Fingers[finger];
    if (f.Down) {
        const Entry& e = Entries[static_cast<std::size_t>(f.Entry)];
        if (z <= Top_Of(*e.Widget, e.Class->Top_Bevels) + VR_POKE_HYSTERESIS) {
            // Still down: a slider or editor follows the tip, wherever it slides.
            if (e.Class->Drag)
                Record(e, Finger_Press(f, x, y));
            return static_cast<int>(Changes.size());
        }
        f.Down = false;
    }
    const int at = Entry_At(x, y);
    Finger_Hover(f, at, x, y);
    if (at >= 0) {
        const Entry& e = Entries[static_cast<std::size_t>(at)];
        if (!(e.Widget->Flags & VR_INACTIVE) && z < Top_Of(*e.Widget, e.Class->Top_Bevels)) {
            f.Down = true;
            Record(e, Finger_Press(f, x, y));
        }
    }
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Poke_End(int finger)
{
    const core::Messages_Held held;
    Changes.clear();
    if (finger < 0 || finger >= VR_FINGERS) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Poke: finger %d outside 0 .. %d", finger, VR_FINGERS - 1);
        return 0;
    }
    Finger& f = Fingers[finger];
    f.Down = false;
    Finger_Hover(f, -1, 0.0f, 0.0f);
    return 0;
}
