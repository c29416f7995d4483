// Pointer dispatcher: hover, click, drag capture and wheel over a set of widgets, with what changed.
#include <vrtools/dispatch.h>

#include <algorithm>
#include <new>

#include "core/holding.h"

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

void VR_Dispatchers::Entry_Add(Classes type, VR_Tools* widget)
{
    for (const Entry& e : Entries)
        if (e.Widget == widget)
            return;
    void* key = Dispatcher_Holding::Key(*this);
    try {
        if (core::Holding_Add(widget, key, Dispatcher_Holding::calls, Entries.size()) == core::Holding_Added::FAILED)
            throw std::bad_alloc();
        Entries.push_back(Entry{type, widget});
        // An event changes at most one field per widget: room for all of them now, none during events.
        Changes.reserve(Entries.size());
    } catch (const std::bad_alloc&) {
        if (!Entries.empty() && Entries.back().Widget == widget)
            Entries.pop_back();
        core::Holding_Remove(widget, key);
        Error_Fct(::hwnd, 1u, "Dispatch: out of memory adding \"%ls\"; left out",
                  widget->W_Name ? widget->W_Name : L"no name");
    }
}

void VR_Dispatchers::Add(VR_Boxs& widget) { Entry_Add(Classes::BOX, &widget); }
void VR_Dispatchers::Add(VR_Buttons& widget) { Entry_Add(Classes::BUTTON, &widget); }
void VR_Dispatchers::Add(VR_Valuators& widget) { Entry_Add(Classes::VALUATOR, &widget); }
void VR_Dispatchers::Add(VR_Selects& widget) { Entry_Add(Classes::SELECT, &widget); }
void VR_Dispatchers::Add(VR_Tabs& widget) { Entry_Add(Classes::TABS, &widget); }
void VR_Dispatchers::Add(VR_Colors& widget) { Entry_Add(Classes::COLORS, &widget); }
void VR_Dispatchers::Add(VR_Hues& widget) { Entry_Add(Classes::HUES, &widget); }

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

int VR_Dispatchers::Count() const { return static_cast<int>(Entries.size()); }

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
    switch (entry.Class) {
    case Classes::BUTTON:
        c.Kind = VR_CHANGE_STATE;
        c.Value = static_cast<VR_Buttons*>(entry.Widget)->State;
        break;
    case Classes::VALUATOR:
        c.Kind = VR_CHANGE_VALUE;
        c.Value = static_cast<VR_Valuators*>(entry.Widget)->Value;
        break;
    case Classes::SELECT:
        c.Kind = VR_CHANGE_CURRENT;
        c.Value = static_cast<VR_Selects*>(entry.Widget)->Current;
        break;
    case Classes::TABS:
        c.Kind = VR_CHANGE_CURRENT;
        c.Value = static_cast<VR_Tabs*>(entry.Widget)->Current;
        break;
    case Classes::COLORS:
        c.Kind = VR_CHANGE_COLOR;
        c.Value = static_cast<VR_Colors*>(entry.Widget)->Color_Value;
        break;
    case Classes::HUES:
        c.Kind = VR_CHANGE_COLOR;
        c.Value = static_cast<VR_Hues*>(entry.Widget)->Color_Value;
        break;
    case Classes::BOX:
        return;
    }
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
        switch (e.Class) {
        case Classes::BOX: static_cast<VR_Boxs*>(e.Widget)->Select(0, x, y); break;
        case Classes::BUTTON: static_cast<VR_Buttons*>(e.Widget)->Select(0, x, y); break;
        case Classes::VALUATOR: static_cast<VR_Valuators*>(e.Widget)->Select(0, x, y); break;
        case Classes::SELECT: static_cast<VR_Selects*>(e.Widget)->Select(0, x, y); break;
        case Classes::TABS: static_cast<VR_Tabs*>(e.Widget)->Select(0, x, y); break;
        case Classes::COLORS: static_cast<VR_Colors*>(e.Widget)->Select(0, x, y); break;
        case Classes::HUES: static_cast<VR_Hues*>(e.Widget)->Select(0, x, y); break;
        }
    }
}

int VR_Dispatchers::Move(float x, float y)
{
    Changes.clear();
    if (Capture < 0) {
        Hover(x, y);
        return 0;
    }
    const Entry& e = Entries[static_cast<std::size_t>(Capture)];
    switch (e.Class) {
    case Classes::VALUATOR: Record(e, static_cast<VR_Valuators*>(e.Widget)->Drag(x, y)); break;
    case Classes::COLORS: Record(e, static_cast<VR_Colors*>(e.Widget)->Drag(x, y)); break;
    case Classes::HUES: Record(e, static_cast<VR_Hues*>(e.Widget)->Drag(x, y)); break;
    default: break;
    }
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Press(float x, float y)
{
    Changes.clear();
    Capture = -1;
    for (std::size_t i = 0; i < Entries.size(); ++i) {
        const Entry& e = Entries[i];
        // A drag starts only where the pointer is: each Drag below comes after a Select that hit.
        switch (e.Class) {
        case Classes::BOX: break;
        case Classes::BUTTON: Record(e, static_cast<VR_Buttons*>(e.Widget)->Click(x, y)); break;
        case Classes::SELECT: Record(e, static_cast<VR_Selects*>(e.Widget)->Click(x, y)); break;
        case Classes::TABS: Record(e, static_cast<VR_Tabs*>(e.Widget)->Click(x, y)); break;
        case Classes::VALUATOR: {
            auto* v = static_cast<VR_Valuators*>(e.Widget);
            if (Capture < 0 && v->Select(1, x, y)) {
                Capture = static_cast<int>(i);
                Record(e, v->Drag(x, y));
            }
            break;
        }
        case Classes::COLORS: {
            auto* c = static_cast<VR_Colors*>(e.Widget);
            if (Capture < 0 && c->Select(1, x, y)) {
                Capture = static_cast<int>(i);
                Record(e, c->Drag(x, y));
            }
            break;
        }
        case Classes::HUES: {
            auto* h = static_cast<VR_Hues*>(e.Widget);
            if (Capture < 0 && h->Select(1, x, y)) {
                Capture = static_cast<int>(i);
                Record(e, h->Drag(x, y));
            }
            break;
        }
        }
    }
    Focus_Follow(x, y);
    return static_cast<int>(Changes.size());
}

int VR_Dispatchers::Release(float x, float y)
{
    Changes.clear();
    Capture = -1;
    Hover(x, y);
    return 0;
}

int VR_Dispatchers::Wheel(float x, float y, float amount)
{
    Changes.clear();
    for (const Entry& e : Entries) {
        switch (e.Class) {
        case Classes::VALUATOR: Record(e, static_cast<VR_Valuators*>(e.Widget)->Wheel(x, y, amount)); break;
        case Classes::SELECT: Record(e, static_cast<VR_Selects*>(e.Widget)->Wheel(x, y, amount)); break;
        case Classes::TABS: Record(e, static_cast<VR_Tabs*>(e.Widget)->Wheel(x, y, amount)); break;
        case Classes::COLORS: Record(e, static_cast<VR_Colors*>(e.Widget)->Wheel(x, y, amount)); break;
        case Classes::HUES: Record(e, static_cast<VR_Hues*>(e.Widget)->Wheel(x, y, amount)); break;
        default: break;
        }
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
