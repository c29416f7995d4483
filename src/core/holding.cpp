// The holders of each held widget. A widget has few holders (a batch, a dispatcher), so each keeps a
// short list; what concerns a holder as a whole (clear, copy, move) walks the table, which happens
// when a batch or dispatcher is cleared, copied, moved or destroyed, never per frame.
#include "holding.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core.h"

namespace core {

namespace {

struct Hold {
    void* holder;
    const Holder_Calls* calls;
    std::size_t hint;
};

struct Table {
    std::unordered_map<const VR_Tools*, std::vector<Hold>> widgets;
    // Lint mode only: widgets left empty by a move.
    std::unordered_set<const VR_Tools*> moved_from;
};

// Never destroyed: widgets with static storage may die after any table would.
Table& The_Table()
{
    static Table* table = new Table;
    return *table;
}

Hold* Find(std::vector<Hold>& list, const void* holder)
{
    const auto it = std::find_if(list.begin(), list.end(), [holder](const Hold& h) { return h.holder == holder; });
    return it == list.end() ? nullptr : &*it;
}

// Takes `widget`'s list out of the table (empty when it has none).
std::vector<Hold> List_Take(const VR_Tools* widget)
{
    Table& t = The_Table();
    std::vector<Hold> list;
    if (t.widgets.empty())
        return list;
    const auto it = t.widgets.find(widget);
    if (it == t.widgets.end())
        return list;
    list.swap(it->second);
    t.widgets.erase(it);
    return list;
}

void Moved_From_Forget(const VR_Tools* widget)
{
    Table& t = The_Table();
    if (!t.moved_from.empty())
        t.moved_from.erase(widget);
}

}  // namespace

Holding_Added Holding_Add(const VR_Tools* widget, void* holder, const Holder_Calls& calls, std::size_t hint)
{
    try {
        std::vector<Hold>& list = The_Table().widgets[widget];
        if (Find(list, holder))
            return Holding_Added::AGAIN;
        list.push_back(Hold{holder, &calls, hint});
        return Holding_Added::NEW;
    } catch (const std::bad_alloc&) {
        // An empty list left behind by a failed push is harmless: it reads as "nobody holds it".
        return Holding_Added::FAILED;
    }
}

void Holding_Hint(const VR_Tools* widget, const void* holder, std::size_t hint)
{
    auto& widgets = The_Table().widgets;
    const auto it = widgets.find(widget);
    if (it == widgets.end())
        return;
    if (Hold* h = Find(it->second, holder))
        h->hint = hint;
}

std::size_t Holding_Count(const VR_Tools* widget, const Holder_Calls& calls)
{
    const auto& widgets = The_Table().widgets;
    const auto it = widgets.find(widget);
    if (it == widgets.end())
        return 0;
    std::size_t n = 0;
    for (const Hold& h : it->second)
        n += h.calls == &calls;
    return n;
}

void Holding_Remove(const VR_Tools* widget, const void* holder)
{
    Table& t = The_Table();
    if (t.widgets.empty())
        return;
    const auto it = t.widgets.find(widget);
    if (it == t.widgets.end())
        return;
    std::vector<Hold>& list = it->second;
    list.erase(std::remove_if(list.begin(), list.end(), [holder](const Hold& h) { return h.holder == holder; }),
               list.end());
    if (list.empty())
        t.widgets.erase(it);
}

void Holding_Drop(const void* holder)
{
    auto& widgets = The_Table().widgets;
    for (auto it = widgets.begin(); it != widgets.end();) {
        std::vector<Hold>& list = it->second;
        list.erase(std::remove_if(list.begin(), list.end(), [holder](const Hold& h) { return h.holder == holder; }),
                   list.end());
        it = list.empty() ? widgets.erase(it) : std::next(it);
    }
}

void Holding_Copy(const void* from, void* to)
{
    try {
        for (auto& entry : The_Table().widgets) {
            std::vector<Hold>& list = entry.second;
            const Hold* source = Find(list, from);
            if (source && !Find(list, to)) {
                Hold copy = *source;
                copy.holder = to;
                list.push_back(copy);
            }
        }
    } catch (const std::bad_alloc&) {
        Holding_Drop(to);
        throw;
    }
}

void Holding_Move(const void* from, void* to)
{
    if (from == to)
        return;
    Holding_Drop(to);
    for (auto& entry : The_Table().widgets)
        for (Hold& h : entry.second)
            if (h.holder == from)
                h.holder = to;
}

void Holding_Destroyed(VR_Tools* widget)
{
    Moved_From_Forget(widget);
    for (const Hold& h : List_Take(widget))
        h.calls->forget(h.holder, widget, h.hint);
}

void Holding_Moved(VR_Tools* from, VR_Tools* to)
{
    Table& t = The_Table();
    Moved_From_Forget(to);
    if (Lint_On()) {
        try {
            t.moved_from.insert(from);
        } catch (const std::bad_alloc&) {
            // Only a lint note is lost.
        }
    }
    const std::vector<Hold> list = List_Take(from);
    if (list.empty())
        return;
    std::vector<Hold>* into = nullptr;
    try {
        into = &t.widgets[to];
        // The pushes below then keep every reference into the list valid.
        into->reserve(into->size() + list.size());
    } catch (const std::bad_alloc&) {
        if (into && into->empty())
            t.widgets.erase(to);
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION,
                  "Holding: out of memory following a moved widget; its batches and dispatchers "
                  "forget it");
        for (const Hold& h : list)
            h.calls->forget(h.holder, from, h.hint);
        return;
    }
    // The holders' calls never add to the table, so `into` stays where it is.
    for (const Hold& h : list) {
        Hold* held = Find(*into, h.holder);
        const bool again = held != nullptr;
        if (!held) {
            into->push_back(h);
            held = &into->back();
        }
        h.calls->follow(h.holder, from, to, again, held->hint);
    }
}

bool Holding_Moved_From(const VR_Tools* widget)
{
    const Table& t = The_Table();
    return !t.moved_from.empty() && t.moved_from.count(widget) != 0;
}

}  // namespace core

VR_Holders::VR_Holders(const VR_Holders& other)
{
    core::Holding_Copy(&other, this);
}

VR_Holders::VR_Holders(VR_Holders&& other) noexcept
{
    core::Holding_Move(&other, this);
}

VR_Holders& VR_Holders::operator=(const VR_Holders& other)
{
    if (this != &other) {
        core::Holding_Drop(this);
        core::Holding_Copy(&other, this);
    }
    return *this;
}

VR_Holders& VR_Holders::operator=(VR_Holders&& other) noexcept
{
    core::Holding_Move(&other, this);
    return *this;
}

VR_Holders::~VR_Holders()
{
    core::Holding_Drop(this);
}

// How the table reaches a list of holdings, which it knows by its base.
struct VR_Holdings_Calls {
    static void* Key(VR_Holdings& h) { return static_cast<VR_Holders*>(&h); }
    static VR_Holdings& Of(void* key) { return *static_cast<VR_Holdings*>(static_cast<VR_Holders*>(key)); }

    // Every place of `from` takes `to` (null when destroyed): a widget may be listed twice.
    static void Replace(VR_Holdings& h, const VR_Tools* from, VR_Tools* to)
    {
        for (VR_Tools*& w : h.widgets_)
            if (w == from)
                w = to;
    }
    static void Forget(void* key, VR_Tools* widget, std::size_t) { Replace(Of(key), widget, nullptr); }
    static void Follow(void* key, VR_Tools* from, VR_Tools* to, bool, std::size_t&) { Replace(Of(key), from, to); }

    static const core::Holder_Calls calls;
};

const core::Holder_Calls VR_Holdings_Calls::calls = {VR_Holdings_Calls::Forget, VR_Holdings_Calls::Follow};

std::size_t VR_Holdings::Add(VR_Tools& widget)
{
    const std::size_t place = widgets_.size();
    void* key = VR_Holdings_Calls::Key(*this);
    try {
        widgets_.push_back(&widget);
        if (core::Holding_Add(&widget, key, VR_Holdings_Calls::calls, place) == core::Holding_Added::FAILED)
            throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
        widgets_.resize(place);
        // Listed elsewhere in the list, the widget is still held for those places.
        if (std::find(widgets_.begin(), widgets_.end(), &widget) == widgets_.end())
            core::Holding_Remove(&widget, key);
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION, "Holdings: out of memory adding \"%ls\"; left out",
                  widget.W_Name ? widget.W_Name : L"no name");
    }
    return place;
}

void VR_Holdings::Clear()
{
    core::Holding_Drop(VR_Holdings_Calls::Key(*this));
    widgets_.clear();
}
