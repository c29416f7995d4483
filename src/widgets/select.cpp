// Selection lists: a spinner that shows one of its boxes between two arrows and steps with wrap-around.
//
// [SECTION] Arrows
// [SECTION] Items and layout
// [SECTION] Drawing
// [SECTION] Pointer, wheel and value
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/core.h"
#include "core/items.h"
#include "looks.h"
#include "render/immediate/script.h"
#include <vrtools/select.h>

namespace {

constexpr const char* SOURCE = "select";
// New items take the list's bits except hidden, inactive, vertical and flat.
constexpr unsigned int ITEM_FLAGS_MASK = 0x0F027750;

// [SECTION] Arrows -----------------------------------------------------------------------------------

struct Point {
    short x, y;
};

// One arrow: its outer and inner triangle, both counter-clockwise seen from +z; walls run along the
// outer triangle's edges in that order.
struct Arrow {
    Point outer[3];
    Point inner[3];
};

enum class End { BACK, FORWARD };

// Horizontal layout: the back arrow points left from the left end, the forward arrow right from the
// right end; both are as long as the list is high. 16-bit arithmetic like every coordinate.
Arrow Arrow_Horizontal(const VR_Selects& l, End end)
{
    const short d = l.Bevel, h = l.Height;
    const short yc = static_cast<short>(l.Y + l.Height / 2);
    const short lo = static_cast<short>(l.Y + d), hi = static_cast<short>(l.Y + l.Height - d);
    Arrow a;
    if (end == End::BACK) {
        const short tip = static_cast<short>(l.X + d), base = static_cast<short>(l.X + h);
        const short itip = static_cast<short>(tip + 6), ibase = static_cast<short>(base - 2);
        a.outer[0] = {tip, yc};
        a.outer[1] = {base, static_cast<short>(lo + 2)};
        a.outer[2] = {base, static_cast<short>(hi - 2)};
        a.inner[0] = {itip, yc};
        a.inner[1] = {ibase, static_cast<short>(lo + 5)};
        a.inner[2] = {ibase, static_cast<short>(hi - 5)};
    } else {
        const short tip = static_cast<short>(l.X + l.Width - d), base = static_cast<short>(l.X + l.Width - h);
        const short itip = static_cast<short>(tip - 6), ibase = static_cast<short>(base + 2);
        a.outer[0] = {base, static_cast<short>(hi - 2)};
        a.outer[1] = {base, static_cast<short>(lo + 2)};
        a.outer[2] = {tip, yc};
        a.inner[0] = {ibase, static_cast<short>(hi - 5)};
        a.inner[1] = {ibase, static_cast<short>(lo + 5)};
        a.inner[2] = {itip, yc};
    }
    return a;
}

// Vertical layout: the horizontal arrows turned a quarter counter-clockwise, so the back arrow points
// down from the bottom end and the forward arrow up from the top end, each as long as the list is
// wide: they sit in the room Init keeps above and below the item, and the wheel's "away from the
// user" (forward) matches the upper arrow.
Arrow Arrow_Vertical(const VR_Selects& l, End end)
{
    const short d = l.Bevel, w = l.Width;
    const short xc = static_cast<short>(l.X + l.Width / 2);
    const short lo = static_cast<short>(l.X + d), hi = static_cast<short>(l.X + l.Width - d);
    Arrow a;
    if (end == End::BACK) {
        const short tip = static_cast<short>(l.Y + d), base = static_cast<short>(l.Y + w);
        const short itip = static_cast<short>(tip + 6), ibase = static_cast<short>(base - 2);
        a.outer[0] = {xc, tip};
        a.outer[1] = {static_cast<short>(hi - 2), base};
        a.outer[2] = {static_cast<short>(lo + 2), base};
        a.inner[0] = {xc, itip};
        a.inner[1] = {static_cast<short>(hi - 5), ibase};
        a.inner[2] = {static_cast<short>(lo + 5), ibase};
    } else {
        const short tip = static_cast<short>(l.Y + l.Height - d), base = static_cast<short>(l.Y + l.Height - w);
        const short itip = static_cast<short>(tip - 6), ibase = static_cast<short>(base + 2);
        a.outer[0] = {xc, tip};
        a.outer[1] = {static_cast<short>(lo + 2), base};
        a.outer[2] = {static_cast<short>(hi - 2), base};
        a.inner[0] = {xc, itip};
        a.inner[1] = {static_cast<short>(lo + 5), ibase};
        a.inner[2] = {static_cast<short>(hi - 5), ibase};
    }
    return a;
}

// [SECTION] Items and layout --------------------------------------------------------------------------

// The item to draw, or null while Current is outside the items (a host may write any value; the list
// then shows only its arrows until a step brings Current back).
VR_Boxs* Current_Item(const VR_Selects& l)
{
    const int n = core::Items_Count(l.Item);
    if (core::Lint_On() && n > 0 && (l.Current < 0 || l.Current >= n))
        core::Lint_Current(l, "VR_Selects", l.Current, n);
    return l.Current >= 0 && l.Current < n ? l.Item[l.Current] : nullptr;
}

void Own_Copy(VR_Selects& to, const VR_Selects& from)
{
    to.Current = from.Current;
    to.Arrow_Size = from.Arrow_Size;
    to.Item = from.Item;
    to.Item_Count = from.Item_Count;
    to.Scroll_Sum = from.Scroll_Sum;
    to.Hit = from.Hit;
    to.Shown = from.Shown;
}

constexpr core::Own_Fields<VR_Selects> OWN{Own_Copy, core::Items_Held<VR_Selects>, "VR_Selects",
                                           core::Items_Emptied<VR_Selects>, core::Items_Release<VR_Selects>};

}  // namespace

VR_Selects::VR_Selects(const VR_Selects& other) : VR_Tools(other)
{
    OWN.Copied(*this, other);
}

VR_Selects::VR_Selects(VR_Selects&& other) noexcept : VR_Tools(std::move(other))
{
    OWN.Moved(*this, other);
}

VR_Selects& VR_Selects::operator=(const VR_Selects& other)
{
    if (this != &other) {
        VR_Tools::operator=(other);
        OWN.Assigned(*this, other);
    }
    return *this;
}

VR_Selects& VR_Selects::operator=(VR_Selects&& other) noexcept
{
    if (this != &other) {
        VR_Tools::operator=(std::move(other));
        OWN.Move_Assigned(*this, other);
    }
    return *this;
}

VR_Selects::~VR_Selects()
{
    OWN.Released(*this);
}

int VR_Selects::Grow(int count, int flags)
{
    const unsigned int item_flags = flags ? static_cast<unsigned int>(flags) : Flags & ITEM_FLAGS_MASK;
    const int result = core::Items_Resize(Item, count, item_flags, "VR_Selects::Grow", SOURCE, __LINE__);
    // Recounted on failure too: the array is valid whatever happened.
    Item_Count = static_cast<short>(core::Items_Count(Item));
    return result;
}

void VR_Selects::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Selects:%ls)"))
        return;
    Hit = 0;
    Shown = Current;
    if (Color_Get() == 0)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;
    const bool vertical = (Flags & VR_SELECT_VERTICAL) != 0;
    if (Arrow_Size == 0) {
        const int across = vertical ? Width : Height;
        const int room = (vertical ? Height : Width) / 2 - Bevel;
        Arrow_Size = static_cast<short>(across < room ? across : room);
    }
    const int s = Arrow_Size + Bevel;
    int x = X, y = Y, w = Width, h = Height;
    if (vertical) {
        y = Y + s;
        h = Height - 2 * s;
    } else {
        x = X + s;
        y = Y + Bevel + 2;
        w = Width - 2 * s;
        h = Height - 2 * (Bevel + 2);
    }
    Item_Count = static_cast<short>(core::Items_Count(Item));
    for (int i = 0; i < Item_Count; ++i) {
        VR_Boxs* item = Item[i];
        item->Bevel = Bevel;
        item->X = static_cast<short>(x);
        item->Y = static_cast<short>(y);
        item->Width = static_cast<short>(w < 0 ? 0 : w);
        item->Height = static_cast<short>(h < 0 ? 0 : h);
        item->Init(Window);
    }
}

// [SECTION] Drawing ----------------------------------------------------------------------------------

namespace {

// One arrow: lit with the normal (0, 0, 1) that stands in for "whatever normal is current".
void Arrow_Look(const VR_Selects& l, End end, unsigned int color, core::Look& look)
{
    const bool vertical = (l.Flags & VR_SELECT_VERTICAL) != 0;
    if ((vertical ? l.Width : l.Height) <= l.Bevel)
        return;
    const Arrow a = vertical ? Arrow_Vertical(l, end) : Arrow_Horizontal(l, end);
    // The arrow has no mesh of its own: the own Draw issues its corners in immediate mode.
    auto triangle = [&look](const Point p[3], core::Look_Pass pass, unsigned int rgb, float z) {
        const short v[12] = {p[0].x, p[0].y, 0, p[1].x, p[1].y, 0, p[2].x, p[2].y, 0, p[2].x, p[2].y, 0};
        core::Look_Part& part = look.Add(pass);
        part.Own_Quad(v);
        part.rgb = rgb;
        part.offset[2] = z;
    };
    if (l.Flags & VR_FLAT) {
        triangle(a.inner, core::Look_Pass::FLAT, core::LOOK_FLAT_RGB, 0.5f);
        return;
    }
    const short d = l.Bevel;
    triangle(a.outer, core::Look_Pass::LIT, 0x6E6E6Eu, d);
    // The three walls, in the outer triangle's colour.
    for (int i = 0; i < 3; ++i) {
        const Point& s = a.outer[i];
        const Point& e = a.outer[(i + 1) % 3];
        const short v[12] = {s.x, s.y, 0, e.x, e.y, 0, e.x, e.y, d, s.x, s.y, d};
        core::Look_Part& wall = look.Add(core::Look_Pass::LIT);
        wall.Own_Quad(v);
        wall.rgb = 0x6E6E6Eu;
    }
    triangle(a.inner, core::Look_Pass::LIT, color, static_cast<float>(d) + 0.5f);
}

// The arrows at both ends, lit when hit.
void Arrows_Look(VR_Selects& l, core::Look& look)
{
    if (l.Flags & VR_FLAT) {
        Arrow_Look(l, End::BACK, 0, look);
        Arrow_Look(l, End::FORWARD, 0, look);
        return;
    }
    const unsigned int lit = static_cast<unsigned int>(Colors(core::COLOR_HIGHLIGHT).get());
    Arrow_Look(l, End::BACK, (l.Hit & 0x2) ? lit : l.Color_Get(), look);
    Arrow_Look(l, End::FORWARD, (l.Hit & 0x4) ? lit : l.Color_Get(), look);
}

// The current item in the list's look: flat when the list is.
template <typename Draw_Item>
void Item_Look(VR_Selects& l, Draw_Item draw)
{
    if (l.Flags & VR_FLAT) {
        if (VR_Boxs* item = Current_Item(l)) {
            const unsigned int saved = item->Flags;
            item->Flags |= VR_FLAT;
            draw(*item);
            item->Flags = saved;
        }
        return;
    }
    if (l.Shown != l.Current)
        l.Adjust();
    if (VR_Boxs* item = Current_Item(l))
        draw(*item);
}

}  // namespace

void VR_Selects::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Selects::Draw");
    if (Width < 1 || Height < 1)
        return;
    // The item replays its own description (its Draw uses the scratch look), then the arrows theirs.
    Item_Look(*this, [](VR_Boxs& item) { item.Draw(); });
    core::Look& look = core::Look_Scratch();
    Arrows_Look(*this, look);
    core::Look_Draw(*this, look, SOURCE);
}

// [SECTION] Pointer, wheel and value -----------------------------------------------------------------

int VR_Selects::Select(int buttons, float x, float y)
{
    core::Guard(*this, "VR_Selects::Select");
    if (Width <= 0 || Height <= 0)
        return 0;
    unsigned short state = 0;
    if (X < x && x <= X + Width && Y < y && y <= Y + Height) {
        state = 1;
        // The arrow zones are squares at the two ends, as deep along the list as it is across.
        if (Flags & VR_SELECT_VERTICAL) {
            if (y <= Y + Width)
                state = 3;
            if (Y + Height - Width < y)
                state |= 4;
        } else {
            if (x <= X + Height)
                state = 3;
            if (X + Width - Height < x)
                state |= 4;
        }
    }
    Hit = state;
    return state;
}

void VR_Selects::Deselect()
{
    Hit = 0;
}

void VR_Selects::Adjust()
{
    core::Guard(*this, "VR_Selects::Adjust");
    if (Width < 1 || Height < 1 || (Flags & (VR_HIDDEN | VR_FLAT)))
        return;
    // A Current outside the items steps onto the last item going back and onto the first going
    // forward, as if it stood just past either end. A list without items has nothing to step to.
    if (Item_Count > 0) {
        const bool outside = Current < 0 || Current >= Item_Count;
        if (Hit & 0x2)
            Current = static_cast<short>((Current < 1 || outside ? Item_Count : Current) - 1);
        if (Hit & 0x4)
            Current = static_cast<short>(Current >= 0 && Current < Item_Count - 1 ? Current + 1 : 0);
    }
    Shown = Current;
}

int VR_Selects::Read()
{
    core::Guard(*this, "VR_Selects::Read");
    return Current;
}

int VR_Selects::Click(float x, float y)
{
    const short before = Current;
    if (Select(1, x, y) & 0x6)
        Adjust();
    return Current != before ? 1 : 0;
}

int VR_Selects::Wheel(float x, float y, float amount)
{
    const short before = Current;
    if (Select(0, x, y))
        Current = static_cast<short>(Scroll(amount));
    return Current != before ? 1 : 0;
}

int VR_Selects::Scroll(float amount)
{
    core::Guard(*this, "VR_Selects::Scroll");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE))
        return Current;
    if (Item_Count <= 0)
        return 0;
    // NOTE: the loops below take one step per unit: a NaN would stay in the sum for good and a huge
    // or infinite amount would never be worked off. No wheel turns more than a 16-bit Current can.
    if (std::isnan(amount))
        return Current;
    Scroll_Sum += std::clamp(amount, -32768.0f, 32768.0f);
    int steps = 0;
    while (Scroll_Sum > 1.0f) {
        Scroll_Sum -= 1.0f;
        ++steps;
    }
    // NOTE: the lower bound is 0. A bound of 1.0 would turn the very first small forward turn into a
    // step back (the sum starts at 0), and -1.0 (the mirror of the upper bound) leaves a dead band of
    // two units, so reversing the wheel would swallow two notches. With 0 the sum rests in [0, 1]:
    // the wheel never steps against its turn, each notch steps one item, and a reversal costs one.
    while (Scroll_Sum < 0.0f) {
        Scroll_Sum += 1.0f;
        --steps;
    }
    if (steps == 0)
        return Current;
    const int live = core::Items_Count(Item);
    // Same rule as Adjust for a Current outside the items: the first step lands on an end.
    if (Current < 0 || Current >= Item_Count)
        Current = static_cast<short>(steps > 0 ? Item_Count - 1 : 0);
    for (int attempt = 0; attempt < Item_Count; ++attempt) {
        Current = static_cast<short>(Current + steps);
        // NOTE: not Current - Item_Count: past the end always restarts at the first item.
        if (Current >= Item_Count)
            Current = 0;
        if (Current < 0)
            Current = static_cast<short>(Item_Count - 1);
        if (Current >= live || !(Item[Current]->Flags & VR_INACTIVE))
            break;
    }
    return Current;
}

void core::Look_Prepare(VR_Selects& l)
{
    if ((l.Flags & VR_HIDDEN) || l.Width < 1 || l.Height < 1)
        return;
    Item_Look(l, [](VR_Boxs& item) { core::Look_Prepare(item); });
}

void core::Look_Describe(VR_Selects& l, Look& look)
{
    if ((l.Flags & VR_HIDDEN) || l.Width < 1 || l.Height < 1)
        return;
    Item_Look(l, [&look](VR_Boxs& item) { core::Look_Describe(item, look); });
    Arrows_Look(l, look);
}
