// Pointer dispatcher: hover, click, drag capture and wheel over a set of widgets, with what changed.
#include <vrtools/dispatch.h>

#include <algorithm>
#include <utility>
#include <new>

#include "core/holding.h"
#include "core/core.h"
#include "widgets/classes.h"

// How the widgets' destructors and moves reach a dispatcher, which the table knows by its base.
struct Dispatcher_Holding {
    static void* Key(VR_Dispatchers& d) { return static_cast<VR_Holders*>(&d); }
    static VR_Dispatchers& Of(void* key) { return *static_cast<VR_Dispatchers*>(static_cast<VR_Holders*>(key)); }

    static void Forget(void* key, VR_Tools* widget, std::size_t) { Of(key).Remove(*widget); }

    static void Follow(void* key, VR_Tools* from, VR_Tools* to, bool held, std::size_t& hint)
    {
        VR_Dispatchers& d = Of(key);
        if (held) {
            d.Remove(*from);
            return;
        }
        // The hint is out of date after a Remove of a widget before it.
        if (hint >= d.Entries.size() || d.Entries[hint].Widget != from) {
            const auto it = std::find_if(d.Entries.begin(), d.Entries.end(),
                                         [from](const VR_Dispatchers::Entry& e) { return e.Widget == from; });
            hint = static_cast<std::size_t>(it - d.Entries.begin());
        }
        if (hint < d.Entries.size())
            d.Entries[hint].Widget = to;
        for (VR_Changes& c : d.Changes)
            if (c.Widget == from)
                c.Widget = to;
    }

    static const core::Holder_Calls calls;
};

const core::Holder_Calls Dispatcher_Holding::calls = {Dispatcher_Holding::Forget, Dispatcher_Holding::Follow};

void VR_Dispatchers::Entry_Add(const core::Class_Ops& type, VR_Tools* widget)
{
    for (const Entry& e : Entries)
        if (e.Widget == widget)
            return;
    void* key = Dispatcher_Holding::Key(*this);
    try {
        if (core::Holding_Add(widget, key, Dispatcher_Holding::calls, Entries.size()) == core::Holding_Added::FAILED)
            throw std::bad_alloc();
        Entries.push_back(Entry{&type, widget});
        // An event changes at most one field per widget: room for all of them now, none during events.
        Changes.reserve(Entries.size());
    } catch (const std::bad_alloc&) {
        if (!Entries.empty() && Entries.back().Widget == widget)
            Entries.pop_back();
        core::Holding_Remove(widget, key);
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION, "Dispatch: out of memory adding \"%ls\"; left out",
                  widget->W_Name ? widget->W_Name : L"no name");
    }
}

void VR_Dispatchers::Add(VR_Boxs& widget)
{
    Entry_Add(core::Class_Get<VR_Boxs>(), &widget);
}
void VR_Dispatchers::Add(VR_Buttons& widget)
{
    Entry_Add(core::Class_Get<VR_Buttons>(), &widget);
}
void VR_Dispatchers::Add(VR_Valuators& widget)
{
    Entry_Add(core::Class_Get<VR_Valuators>(), &widget);
}
void VR_Dispatchers::Add(VR_Selects& widget)
{
    Entry_Add(core::Class_Get<VR_Selects>(), &widget);
}
void VR_Dispatchers::Add(VR_Tabs& widget)
{
    Entry_Add(core::Class_Get<VR_Tabs>(), &widget);
}
void VR_Dispatchers::Add(VR_Colors& widget)
{
    Entry_Add(core::Class_Get<VR_Colors>(), &widget);
}
void VR_Dispatchers::Add(VR_Hues& widget)
{
    Entry_Add(core::Class_Get<VR_Hues>(), &widget);
}

void VR_Dispatchers::Remove(const VR_Tools& widget)
{
    core::Holding_Remove(&widget, Dispatcher_Holding::Key(*this));
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        if (Entries[i].Widget != &widget)
            continue;
        Focus_Forget(static_cast<int>(i));
        if (Capture == static_cast<int>(i))
            Capture = -1;
        else if (Capture > static_cast<int>(i))
            --Capture;
        Entries.erase(Entries.begin() + static_cast<long>(i));
        if (Focus_Lit)
            Focus_Show();
        break;
    }
    Changes.clear();
}

void VR_Dispatchers::Clear()
{
    core::Holding_Drop(Dispatcher_Holding::Key(*this));
    Entries.clear();
    Changes.clear();
    Capture = -1;
    Focus = Stop{};
    Focus_Lit = false;
    for (Finger& f : Fingers)
        f = Finger{};
}

// A moved-from dispatcher's lists are empty; its drag, focus and fingertips must not index them.
VR_Dispatchers::VR_Dispatchers(VR_Dispatchers&& other) noexcept : VR_Holders(std::move(other))
{
    Take(other);
}

VR_Dispatchers& VR_Dispatchers::operator=(VR_Dispatchers&& other) noexcept
{
    if (this != &other) {
        VR_Holders::operator=(std::move(other));
        Take(other);
    }
    return *this;
}

void VR_Dispatchers::Take(VR_Dispatchers& other) noexcept
{
    Entries = std::move(other.Entries);
    Changes = std::move(other.Changes);
    Capture = std::exchange(other.Capture, -1);
    Focus = std::exchange(other.Focus, Stop{});
    Focus_Lit = std::exchange(other.Focus_Lit, false);
    for (int i = 0; i < VR_FINGERS; ++i)
        Fingers[i] = std::exchange(other.Fingers[i], Finger{});
    other.Entries.clear();
    other.Changes.clear();
}

int VR_Dispatchers::Count() const
{
    return static_cast<int>(Entries.size());
}

VR_Tools* VR_Dispatchers::Widget(int i) const
{
    return i >= 0 && i < Count() ? Entries[static_cast<std::size_t>(i)].Widget : nullptr;
}

void VR_Dispatchers::Record(const Entry& entry, int changed)
{
    if (!changed)
        return;
    VR_Changes c;
    c.Widget = entry.Widget;
    c.Kind = entry.Class->Changed(*entry.Widget, &c.Value);
    if (c.Kind == 0)
        return;
    Changes.push_back(c);
}

void VR_Dispatchers::Hover(float x, float y)
{
    // The focus keeps its light while the pointer rests where no widget is; a pointer over any
    // widget takes the light, so that one widget at most is lit.
    const Entry* kept = nullptr;
    if (Focus_Lit && Focus.Entry >= 0) {
        if (Entry_At(x, y) >= 0)
            Focus_Lit = false;
        else
            kept = &Entries[static_cast<std::size_t>(Focus.Entry)];
    }
    for (const Entry& e : Entries) {
        if (&e == kept)
            continue;
        Entry_Select(e, x, y);
    }
}

int VR_Dispatchers::Move(float x, float y)
{
    const core::Messages_Held held;
    Changes.clear();
    if (Capture < 0) {
        Hover(x, y);
        return 0;
    }
    const Entry& e = Entries[static_cast<std::size_t>(Capture)];
    if (e.Class->Drag)
        Record(e, e.Class->Drag(*e.Widget, x, y));
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Press(float x, float y)
{
    const core::Messages_Held held;
    Changes.clear();
    Capture = -1;
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const Entry& e = Entries[i];
        // A drag starts only where the pointer is: each Drag below comes after a Select that hit.
        if (e.Class->Drag) {
            if (Capture < 0 && e.Class->Select(*e.Widget, 1, x, y)) {
                Capture = static_cast<int>(i);
                Record(e, e.Class->Drag(*e.Widget, x, y));
            }
        } else if (e.Class->Click) {
            Record(e, e.Class->Click(*e.Widget, x, y));
        }
    }
    Focus_Follow(x, y);
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Release(float x, float y)
{
    const core::Messages_Held held;
    Changes.clear();
    Capture = -1;
    Hover(x, y);
    return 0;
}

int VR_Dispatchers::Wheel(float x, float y, float amount)
{
    const core::Messages_Held held;
    Changes.clear();
    for (const Entry& e : Entries) {
        if (e.Class->Wheel)
            Record(e, e.Class->Wheel(*e.Widget, x, y, amount));
    }
    return static_cast<int>(Changes.size());
}

const VR_Changes& VR_Dispatchers::Change(int i) const
{
    static const VR_Changes none;
    return i >= 0 && i < static_cast<int>(Changes.size()) ? Changes[static_cast<std::size_t>(i)] : none;
}

VR_Tools* VR_Dispatchers::Captured() const
{
    return Capture >= 0 ? Entries[static_cast<std::size_t>(Capture)].Widget : nullptr;
}
