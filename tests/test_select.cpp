// Selection lists: growing, layout and zones, arrow and wheel stepping, drawing, ownership and a host's
// out-of-range Current.
#include <climits>
#include <memory>
#include <vector>

#include "gl_fixture.h"
#include "gl_trace.h"
#include "select.h"

namespace {

class Selects : public GL_Test {
protected:
    // The worked example: 200 x 40 at (x, y), bevel and arrow size left for Init to choose.
    static void Build(VR_Selects& l, int count, short x = 0, short y = 0)
    {
        static const char* const names[] = {"Red", "Green", "Blue", "Grey", "Cyan"};
        static const unsigned int colours[] = {0x3030E0, 0x30E030, 0xE03030, 0x909090, 0xE0E030};
        l.X = x;
        l.Y = y;
        l.Width = 200;
        l.Height = 40;
        ASSERT_EQ(l.Grow(count, 0), 1);
        for (int i = 0; i < count; ++i) {
            l.Item[i]->Name = names[i % 5];
            l.Item[i]->Color_Set(colours[i % 5]);
            l.Item[i]->Font_Name = "DejaVu Sans";
            l.Item[i]->Font_Size = 14;
        }
        l.Init(Window());
    }

    static std::vector<GLuint> Vertex_Buffers(const VR_Selects& l)
    {
        std::vector<GLuint> v;
        for (VR_Boxs** p = l.Item; p && *p; ++p)
            v.push_back((*p)->Vertex_VBO);
        return v;
    }

    // Applies the arrow zone `hit` as a click would.
    static short Click(VR_Selects& l, unsigned short hit)
    {
        l.Hit = hit;
        l.Adjust();
        return l.Current;
    }

    // Settles the wheel sum at its resting point after forward turns.
    static void Wheel_Forward_Rest(VR_Selects& l)
    {
        l.Scroll_Sum = 1.0f;
    }
};

TEST_F(Selects, InitPlacesItemsAndSelectFindsZones)
{
    VR_Selects l;
    Build(l, 3);
    EXPECT_EQ(l.Bevel, 1);
    EXPECT_EQ(l.Arrow_Size, 40);
    EXPECT_EQ(l.Color_Get(), 0xD8D8D8u);
    ASSERT_EQ(l.Item_Count, 3);
    for (int i = 0; i < 3; ++i) {
        const VR_Boxs& b = *l.Item[i];
        EXPECT_EQ(b.X, 41);
        EXPECT_EQ(b.Y, 3);
        EXPECT_EQ(b.Width, 118);
        EXPECT_EQ(b.Height, 34);
        EXPECT_EQ(b.Bevel, 1);
        EXPECT_EQ(b.Quad_Count, 13);
    }
    EXPECT_EQ(l.Select(0, 20.0f, 20.0f), 3);
    EXPECT_EQ(l.Hit, 3);
    EXPECT_EQ(l.Select(0, 100.0f, 20.0f), 1);
    EXPECT_EQ(l.Select(0, 180.0f, 20.0f), 5);
    EXPECT_EQ(l.Select(0, 0.0f, 20.0f), 0);
    EXPECT_EQ(l.Hit, 0);
    // Zone edges: the left square ends at x = 40 inclusive, the right one starts after 160.
    EXPECT_EQ(l.Select(0, 40.0f, 40.0f), 3);
    EXPECT_EQ(l.Select(0, 160.0f, 1.0f), 1);
    EXPECT_EQ(l.Select(0, 200.0f, 40.0f), 5);
    EXPECT_EQ(l.Select(0, 100.0f, 0.0f), 0);
    l.Select(0, 20.0f, 20.0f);
    l.Deselect();
    EXPECT_EQ(l.Hit, 0);

    // A list narrower than twice its height: the squares overlap in the middle.
    VR_Selects narrow;
    narrow.Width = 60;
    narrow.Height = 40;
    narrow.Init(Window());
    EXPECT_EQ(narrow.Select(0, 30.0f, 20.0f), 7);
    EXPECT_EQ(narrow.Select(0, 10.0f, 20.0f), 3);
    EXPECT_EQ(narrow.Select(0, 50.0f, 20.0f), 5);

    // A host-chosen arrow size is kept; a too small list gives its items no size.
    VR_Selects tiny;
    tiny.Width = 20;
    tiny.Height = 10;
    tiny.Arrow_Size = 12;
    tiny.Grow(1, 0);
    tiny.Init(Window());
    EXPECT_EQ(tiny.Arrow_Size, 12);
    EXPECT_EQ(tiny.Item[0]->Width, 0);
    EXPECT_EQ(tiny.Item[0]->Height, 4);
    tiny.Draw();
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Selects, GrowMasksFlagsAndDestroysHighestFirst)
{
    VR_Selects l;
    l.Flags = 0x1023;
    ASSERT_EQ(l.Grow(3, 0), 1);
    EXPECT_EQ(l.Item_Count, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(l.Item[i]->Flags, 0x1000u);
    EXPECT_EQ(l.Item[3], nullptr);
    // The same count changes nothing, whatever the flags.
    VR_Boxs* first = l.Item[0];
    EXPECT_EQ(l.Grow(3, 0x40), 1);
    EXPECT_EQ(l.Item[0], first);
    EXPECT_EQ(l.Item[2]->Flags, 0x1000u);
    ASSERT_EQ(l.Grow(5, 0x40), 1);
    EXPECT_EQ(l.Item_Count, 5);
    EXPECT_EQ(l.Item[0], first);
    EXPECT_EQ(l.Item[1]->Flags, 0x1000u);
    EXPECT_EQ(l.Item[3]->Flags, 0x40u);
    EXPECT_EQ(l.Item[4]->Flags, 0x40u);
    // The mask drops vertical (and hidden, inactive, flat); caption and look bits pass.
    VR_Selects v;
    v.Flags = VR_SELECT_VERTICAL | VR_TEXT_RIGHT | 0x10 | 0x40;
    v.Grow(1, 0);
    EXPECT_EQ(v.Item[0]->Flags, static_cast<unsigned int>(VR_TEXT_RIGHT | 0x10 | 0x40));

    l.Flags = 0;
    l.Width = 200;
    l.Height = 40;
    l.Init(Window());
    const std::vector<GLuint> vbos = Vertex_Buffers(l);
    {
        GL_Trace trace;
        ASSERT_EQ(l.Grow(2, 0), 1);
        EXPECT_EQ(trace.Deleted(vbos), (std::vector<int>{4, 3, 2}));
    }
    EXPECT_EQ(l.Item_Count, 2);
    EXPECT_EQ(l.Item[0], first);
    EXPECT_EQ(l.Item[2], nullptr);

    // Refused counts: reported, nothing changes and nothing crashes.
    EXPECT_EQ(l.Grow(INT_MAX, 0), 0);
    EXPECT_EQ(l.Grow(-3, 0), 0);
    EXPECT_EQ(l.Grow(32768, 0), 0);
    EXPECT_TRUE(Has_Message("VR_Selects::Grow: count 2147483647 is outside 0 .. 32767"));
    EXPECT_TRUE(Has_Message("VR_Selects::Grow: count -3 is outside"));
    EXPECT_EQ(l.Item_Count, 2);
    EXPECT_EQ(l.Item[0], first);
    EXPECT_EQ(l.Item[2], nullptr);

    EXPECT_EQ(l.Grow(0, 0), 1);
    EXPECT_EQ(l.Item_Count, 0);
    ASSERT_NE(l.Item, nullptr);
    EXPECT_EQ(l.Item[0], nullptr);
}

TEST_F(Selects, AdjustStepsWithWrapAround)
{
    VR_Selects l;
    Build(l, 3);
    l.Item[1]->Flags |= VR_INACTIVE;  // Adjust does not skip inactive items
    EXPECT_EQ(Click(l, 3), 2);
    EXPECT_EQ(l.Shown, 2);
    EXPECT_EQ(Click(l, 5), 0);
    EXPECT_EQ(Click(l, 5), 1);
    EXPECT_EQ(Click(l, 3), 0);
    EXPECT_EQ(Click(l, 1), 0);
    EXPECT_EQ(Click(l, 7), 0);  // back and forward at once
    EXPECT_EQ(Click(l, 0), 0);

    // The pointer found by Select drives it.
    l.Select(0, 180.0f, 20.0f);
    l.Adjust();
    EXPECT_EQ(l.Read(), 1);

    // Flat or hidden: nothing moves.
    l.Flags = VR_FLAT;
    EXPECT_EQ(Click(l, 5), 1);
    l.Flags = VR_HIDDEN;
    EXPECT_EQ(Click(l, 5), 1);
    l.Flags = 0;

    // Draw takes over a Current that the host wrote.
    l.Hit = 0;
    l.Current = 2;
    l.Draw();
    EXPECT_EQ(l.Shown, 2);
    EXPECT_EQ(l.Read(), 2);

    // A list without items has nothing to step to.
    VR_Selects empty;
    empty.Width = 200;
    empty.Height = 40;
    empty.Init(Window());
    EXPECT_EQ(Click(empty, 3), 0);
    EXPECT_EQ(Click(empty, 5), 0);
    EXPECT_EQ(empty.Scroll(5.0f), 0);
    empty.Draw();
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Selects, ScrollAccumulatesWrapsAndSkipsInactive)
{
    VR_Selects l;
    Build(l, 4);
    // From a fresh sum: small turns never step against their direction.
    EXPECT_EQ(l.Scroll(0.25f), 0);
    EXPECT_EQ(l.Scroll(0.5f), 0);
    EXPECT_EQ(l.Scroll(0.5f), 1);  // 1.25 crosses 1
    EXPECT_FLOAT_EQ(l.Scroll_Sum, 0.25f);
    // A first backward notch steps at once.
    l.Current = 1;
    l.Scroll_Sum = 0.0f;
    EXPECT_EQ(l.Scroll(-1.0f), 0);
    EXPECT_EQ(l.Scroll(-1.0f), 3);  // wraps to the last item
    // Settled: one item per whole notch, a reversal costs one notch.
    Wheel_Forward_Rest(l);
    l.Current = 0;
    EXPECT_EQ(l.Scroll(1.0f), 1);
    EXPECT_EQ(l.Scroll(1.0f), 2);
    EXPECT_EQ(l.Scroll(-1.0f), 2);
    EXPECT_EQ(l.Scroll(-1.0f), 1);
    EXPECT_EQ(l.Scroll(-1.0f), 0);
    // Several notches at once step as many items.
    Wheel_Forward_Rest(l);
    EXPECT_EQ(l.Scroll(3.0f), 3);

    // Past the end restarts at 0 even for a two-step turn.
    Wheel_Forward_Rest(l);
    l.Current = 3;
    EXPECT_EQ(l.Scroll(2.0f), 0);

    // Inactive items are skipped.
    l.Item[1]->Flags |= VR_INACTIVE;
    l.Item[2]->Flags |= VR_INACTIVE;
    Wheel_Forward_Rest(l);
    l.Current = 0;
    EXPECT_EQ(l.Scroll(1.0f), 3);
    Wheel_Forward_Rest(l);
    EXPECT_EQ(l.Scroll(1.0f), 0);
    l.Scroll_Sum = 0.0f;
    EXPECT_EQ(l.Scroll(-1.0f), 3);
    // All inactive: gives up after one round.
    l.Item[0]->Flags |= VR_INACTIVE;
    l.Item[3]->Flags |= VR_INACTIVE;
    Wheel_Forward_Rest(l);
    l.Current = 1;
    EXPECT_EQ(l.Scroll(1.0f), 1);

    // An inactive list keeps its Current and its sum.
    l.Flags = VR_INACTIVE;
    l.Scroll_Sum = 0.5f;
    EXPECT_EQ(l.Scroll(5.0f), 1);
    EXPECT_FLOAT_EQ(l.Scroll_Sum, 0.5f);

    // Scroll leaves Shown behind; the next Draw catches up.
    l.Flags = 0;
    for (VR_Boxs** p = l.Item; *p; ++p)
        (*p)->Flags = 0;
    l.Hit = 0;
    Wheel_Forward_Rest(l);
    const short shown = l.Shown;
    const int now = l.Scroll(1.0f);
    EXPECT_EQ(l.Shown, shown);
    l.Draw();
    EXPECT_EQ(l.Shown, now);
}

TEST_F(Selects, CurrentOutsideTheItemsIsNeverIndexed)
{
    VR_Selects l;
    Build(l, 3);
    const std::vector<GLuint> vbos = Vertex_Buffers(l);
    for (short outside : {short(3), short(7), short(-1), short(-300)}) {
        l.Current = outside;
        l.Hit = 0;
        {
            // Only the arrows are drawn, in both looks; Current is left as the host wrote it.
            GL_Trace trace;
            Clear();
            l.Draw();
            l.Flags = VR_FLAT;
            l.Draw();
            l.Flags = 0;
            EXPECT_TRUE(trace.Draws(vbos).empty()) << outside;
            EXPECT_EQ(l.Read(), outside);
            EXPECT_EQ(Count_Pixels(60, 10, 140, 30, Rgba{0, 0, 0, 255}, 0), 80 * 20) << outside;
        }
        // The first step lands on an end: forward on the first item, back on the last.
        EXPECT_EQ(Click(l, 5), 0) << outside;
        l.Current = outside;
        EXPECT_EQ(Click(l, 3), 2) << outside;
        l.Current = outside;
        Wheel_Forward_Rest(l);
        EXPECT_EQ(l.Scroll(1.0f), 0) << outside;
        l.Current = outside;
        l.Scroll_Sum = 0.0f;
        EXPECT_EQ(l.Scroll(-1.0f), 2) << outside;
    }
}

TEST_F(Selects, DrawsOnlyTheCurrentItemAndTheArrows)
{
    VR_Selects l;
    Build(l, 3, 100, 100);
    const std::vector<GLuint> vbos = Vertex_Buffers(l);
    l.Current = 1;
    {
        GL_Trace trace;
        Counts_Reset();
        l.Draw();
        const auto draws = trace.Draws(vbos);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].first, 1);
        EXPECT_EQ(Counts().buffer_data, 0);
        EXPECT_EQ(Counts().tex_image, 0);
    }
    // Item 1's floor is green; the list's centre shows it.
    Rgba floor = Pixel(200, 110);
    EXPECT_GT(floor.g, floor.r + 40);
    // Arrow bodies at both ends, the left inner triangle in the highlight (230, 100, 100) while the
    // pointer is on its zone.
    const Rgba plain = Pixel(128, 120);
    EXPECT_GT(plain.r + plain.g + plain.b, 60);
    l.Select(0, 120.0f, 120.0f);
    Clear();
    l.Draw();
    const Rgba lit = Pixel(128, 120);
    EXPECT_GT(lit.r, lit.b + 40);
    EXPECT_NEAR(lit.g, lit.b, 12);
    const Rgba right = Pixel(272, 120);
    EXPECT_NEAR(right.r, right.b, 12);
    EXPECT_GT(right.r, 40);

    // Flat: the current item drawn flat (its own flags untouched) and the arrows in the flat colour.
    l.Flags = VR_FLAT;
    const unsigned int item_flags = l.Item[1]->Flags;
    Clear();
    l.Draw();
    EXPECT_EQ(l.Item[1]->Flags, item_flags);
    const Rgba arrow = Pixel(128, 120);
    EXPECT_NEAR(arrow.r, 64, 2);
    EXPECT_NEAR(arrow.g, 64, 2);
    EXPECT_NEAR(arrow.b, 230, 2);

    // Hidden: nothing.
    l.Flags = VR_HIDDEN;
    Clear();
    l.Draw();
    EXPECT_EQ(Count_Pixels(100, 100, 300, 140, Rgba{0, 0, 0, 255}, 0), 200 * 40);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Selects, VerticalLayoutTurnsArrowsAndZones)
{
    VR_Selects l;
    l.Flags = VR_SELECT_VERTICAL;
    l.X = 100;
    l.Y = 100;
    l.Width = 40;
    l.Height = 200;
    l.Bevel = 2;
    l.Grow(2, 0);
    l.Init(Window());
    EXPECT_EQ(l.Arrow_Size, 40);
    EXPECT_EQ(l.Item[0]->X, 100);
    EXPECT_EQ(l.Item[0]->Y, 142);
    EXPECT_EQ(l.Item[0]->Width, 40);
    EXPECT_EQ(l.Item[0]->Height, 116);
    // Back at the bottom, forward at the top, squares as high as the list is wide.
    EXPECT_EQ(l.Select(0, 120.0f, 110.0f), 3);
    EXPECT_EQ(l.Select(0, 120.0f, 140.0f), 3);
    EXPECT_EQ(l.Select(0, 120.0f, 200.0f), 1);
    EXPECT_EQ(l.Select(0, 120.0f, 261.0f), 5);
    EXPECT_EQ(Click(l, 5), 1);
    l.Hit = 0;
    l.Draw();
    // The arrows stand in the rooms above and below the item, not across it.
    EXPECT_GT(Pixel(120, 115).r, 20);
    EXPECT_GT(Pixel(120, 285).r, 20);
    EXPECT_EQ(Count_Pixels(60, 100, 99, 300, Rgba{0, 0, 0, 255}, 0), 39 * 200);
    EXPECT_EQ(Count_Pixels(141, 100, 200, 300, Rgba{0, 0, 0, 255}, 0), 59 * 200);
}

TEST_F(Selects, OwnsItsItemsAndReportsMisuse)
{
    auto l = std::make_unique<VR_Selects>();
    Build(*l, 2);
    const std::vector<GLuint> vbos = Vertex_Buffers(*l);
    for (GLuint v : vbos)
        ASSERT_TRUE(glIsBuffer(v));
    {
        VR_Selects copy(*l);
        EXPECT_EQ(copy.Item, l->Item);
        EXPECT_EQ(copy.Item_Count, 2);
        copy.Item = nullptr;  // only one of the two may destroy the shared items
    }
    for (GLuint v : vbos)
        EXPECT_TRUE(glIsBuffer(v));
    l.reset();
    for (GLuint v : vbos)
        EXPECT_FALSE(glIsBuffer(v));

    VR_Selects fresh;
    EXPECT_EQ(fresh.Read(), 0);
    EXPECT_TRUE(Has_Message("you must call *_Init() first"));
    EXPECT_TRUE(Has_Message("VR_Selects::Read"));
    Messages_Clear();
    EXPECT_EQ(fresh.Scroll(2.0f), 0);
    EXPECT_TRUE(Messages().empty());

    VR_Selects lost;
    lost.Name = "Spin";
    lost.Width = 200;
    lost.Height = 40;
    lost.Grow(2, 0);
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Selects:Spin)"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
    EXPECT_EQ(lost.Item[0]->Width, 0);
    lost.Draw();  // the items were never placed: they draw nothing
}

}  // namespace
