// Selection lists: growing, layout and zones, arrow and wheel stepping, drawing, ownership and a host's
// out-of-range Current.
#include <climits>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "gl_fixture.h"
#include "gl_trace.h"
#include <vrtools/select.h>

namespace {

class Selects : public GL_Test {
protected:
    // The worked example is 200 x 40; bevel and arrow size are left to Init. Item 1 is green, the
    // others red.
    static void Build(VR_Selects& l, int count, short x = 0, short y = 0, short w = 200, short h = 40)
    {
        l.X = x;
        l.Y = y;
        l.Width = w;
        l.Height = h;
        ASSERT_EQ(l.Grow(count, 0), 1);
        for (int i = 0; i < count; ++i)
            l.Item[i]->Color_Set(i == 1 ? 0x30E030u : 0x3030E0u);
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

    // The wheel sum rests in [0, 1]: 1 after forward turns, so the next forward notch steps at once.
    static void Wheel_Forward_Rest(VR_Selects& l) { l.Scroll_Sum = 1.0f; }
};

}  // namespace

TEST_F(Selects, InitPlacesItemsAndSelectFindsZones)
{
    VR_Selects l;
    Build(l, 3);
    EXPECT_EQ(l.Bevel, 1);
    EXPECT_EQ(l.Arrow_Size, 40);
    ASSERT_EQ(l.Item_Count, 3);
    for (int i = 0; i < 3; ++i) {
        const VR_Boxs& b = *l.Item[i];
        EXPECT_EQ((std::vector<int>{b.X, b.Y, b.Width, b.Height, b.Bevel}), (std::vector<int>{41, 3, 118, 34, 1}));
        EXPECT_EQ(b.Quad_Count, 13);
    }
    // The left square ends at x = 40 inclusive, the right one starts after 160; low edges are outside.
    const struct {
        float x, y;
        int hit;
    } zones[] = {{20, 20, 3}, {100, 20, 1}, {180, 20, 5}, {0, 20, 0},
                 {40, 40, 3}, {160, 1, 1},  {200, 40, 5}, {100, 0, 0}};
    for (const auto& z : zones) {
        EXPECT_EQ(l.Select(0, z.x, z.y), z.hit) << z.x << ", " << z.y;
        EXPECT_EQ(l.Hit, z.hit);
    }
    l.Select(0, 20.0f, 20.0f);
    l.Deselect();
    EXPECT_EQ(l.Hit, 0);

    VR_Selects narrow;  // narrower than twice its height: the squares overlap in the middle
    Build(narrow, 0, 0, 0, 60, 40);
    EXPECT_EQ(narrow.Select(0, 30.0f, 20.0f), 7);
    VR_Selects tiny;  // a host-chosen arrow size is kept; a too small list gives its items no size
    tiny.Arrow_Size = 12;
    Build(tiny, 1, 0, 0, 20, 10);
    EXPECT_EQ(tiny.Arrow_Size, 12);
    EXPECT_EQ(tiny.Item[0]->Width, 0);
    tiny.Draw();
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Selects, GrowMasksFlagsAndDestroysHighestFirst)
{
    // The mask drops hidden, inactive, flat and vertical; caption and look bits pass.
    VR_Selects l;
    l.Flags = 0x1023 | VR_SELECT_VERTICAL | VR_TEXT_RIGHT | 0x40;
    ASSERT_EQ(l.Grow(3, 0), 1);
    VR_Boxs* first = l.Item[0];
    EXPECT_EQ(l.Grow(3, 0x10), 1);  // the same count changes nothing, whatever the flags
    ASSERT_EQ(l.Grow(5, 0x10), 1);  // new items take the flags given
    ASSERT_EQ(l.Item_Count, 5);
    EXPECT_EQ(l.Item[0], first);
    const unsigned int masked = 0x1000u | VR_TEXT_RIGHT | 0x40u;
    EXPECT_EQ((std::vector<unsigned int>{l.Item[0]->Flags, l.Item[2]->Flags, l.Item[3]->Flags, l.Item[4]->Flags}),
              (std::vector<unsigned int>{masked, masked, 0x10, 0x10}));
    EXPECT_EQ(l.Item[5], nullptr);

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
    // Refused counts: reported, nothing changes and nothing crashes.
    EXPECT_EQ(l.Grow(INT_MAX, 0), 0);
    EXPECT_EQ(l.Grow(-3, 0), 0);
    EXPECT_EQ(l.Grow(32768, 0), 0);
    EXPECT_TRUE(Has_Message("VR_Selects::Grow: count -3 is outside 0 .. 32767"));
    EXPECT_EQ(l.Item_Count, 2);
    EXPECT_TRUE(l.Item[0] == first && l.Item[2] == nullptr);
    // Down to none: a terminated, empty array.
    ASSERT_EQ(l.Grow(0, 0), 1);
    EXPECT_TRUE(l.Item_Count == 0 && l.Item && !l.Item[0]);
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
    EXPECT_EQ(Click(l, 7), 1);  // back and forward at once
    EXPECT_EQ(Click(l, 1), 1);
    l.Flags = VR_FLAT;  // flat or hidden: nothing moves
    EXPECT_EQ(Click(l, 5), 1);
    l.Flags = VR_HIDDEN;
    EXPECT_EQ(Click(l, 5), 1);

    VR_Selects empty;  // a list without items has nothing to step to
    Build(empty, 0);
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
    // A first backward notch steps at once, and wraps to the last item.
    l.Scroll_Sum = 0.0f;
    EXPECT_EQ(l.Scroll(-1.0f), 0);
    EXPECT_EQ(l.Scroll(-1.0f), 3);
    // Settled: one item per whole notch, a reversal costs one notch, several notches step as many.
    Wheel_Forward_Rest(l);
    l.Current = 0;
    const struct {
        float amount;
        int now;
    } turns[] = {{1, 1}, {1, 2}, {-1, 2}, {-1, 1}, {-1, 0}, {1, 0}, {3, 3}};
    for (const auto& t : turns)
        EXPECT_EQ(l.Scroll(t.amount), t.now) << t.amount;
    // Past the end restarts at 0 even for a two-step turn; Shown waits for the next Draw.
    EXPECT_EQ(l.Scroll(2.0f), 0);
    EXPECT_EQ(l.Shown, 0);
    EXPECT_EQ(l.Scroll(1.0f), 1);
    EXPECT_EQ(l.Shown, 0);
    l.Draw();
    EXPECT_EQ(l.Shown, 1);

    // Inactive items are skipped both ways; all inactive, it gives up after one round.
    l.Item[1]->Flags |= VR_INACTIVE;
    l.Item[2]->Flags |= VR_INACTIVE;
    l.Current = 0;
    EXPECT_EQ(l.Scroll(1.0f), 3);
    EXPECT_EQ(l.Scroll(1.0f), 0);
    l.Scroll_Sum = 0.0f;
    EXPECT_EQ(l.Scroll(-1.0f), 3);
    l.Item[0]->Flags |= VR_INACTIVE;
    l.Item[3]->Flags |= VR_INACTIVE;
    l.Current = 1;
    EXPECT_EQ(l.Scroll(-1.0f), 1);
    // An inactive list keeps its Current and its sum.
    l.Flags = VR_INACTIVE;
    l.Scroll_Sum = 0.5f;
    EXPECT_EQ(l.Scroll(5.0f), 1);
    EXPECT_FLOAT_EQ(l.Scroll_Sum, 0.5f);
}

TEST_F(Selects, CurrentOutsideTheItemsIsNeverIndexed)
{
    VR_Selects l;
    Build(l, 3);
    const std::vector<GLuint> vbos = Vertex_Buffers(l);
    for (short outside : {short(3), short(7), short(-1), short(-300)}) {
        // Only the arrows are drawn, in both looks; Current is left as the host wrote it.
        l.Current = outside;
        l.Hit = 0;
        GL_Trace trace;
        Clear();
        l.Draw();
        l.Flags = VR_FLAT;
        l.Draw();
        l.Flags = 0;
        EXPECT_TRUE(trace.Draws(vbos).empty()) << outside;
        EXPECT_EQ(l.Read(), outside);
        EXPECT_EQ(Count_Pixels(60, 10, 140, 30, Rgba{0, 0, 0, 255}, 0), 80 * 20) << outside;
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
    GL_Trace trace;
    l.Draw();
    EXPECT_EQ(trace.Draws(vbos), (std::vector<std::pair<int, float>>{{1, 0.0f}}));
    // The left inner triangle in the highlight (230, 100, 100) while the pointer is on its zone.
    l.Select(0, 120.0f, 120.0f);
    Clear();
    l.Draw();
    const Rgba lit = Pixel(128, 120);
    EXPECT_GT(lit.r, lit.b + 40);
    EXPECT_NEAR(lit.g, lit.b, 12);
    // Flat: the current item drawn flat (its own flags untouched) and the arrows in the flat colour.
    l.Flags = VR_FLAT;
    const unsigned int item_flags = l.Item[1]->Flags;
    Clear();
    l.Draw();
    EXPECT_EQ(l.Item[1]->Flags, item_flags);
    const Rgba arrow = Pixel(128, 120);
    EXPECT_TRUE(std::abs(arrow.r - 64) <= 2 && std::abs(arrow.g - 64) <= 2 && std::abs(arrow.b - 230) <= 2);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Selects, VerticalLayoutTurnsArrowsAndZones)
{
    VR_Selects l;
    l.Flags = VR_SELECT_VERTICAL;
    l.Bevel = 2;
    Build(l, 2, 100, 100, 40, 200);
    EXPECT_EQ(l.Arrow_Size, 40);
    const VR_Boxs& b = *l.Item[0];
    EXPECT_EQ((std::vector<int>{b.X, b.Y, b.Width, b.Height}), (std::vector<int>{100, 142, 40, 116}));
    // Back at the bottom, forward at the top, squares as high as the list is wide.
    const struct {
        float y;
        int hit;
    } zones[] = {{110, 3}, {140, 3}, {200, 1}, {261, 5}};
    for (const auto& z : zones)
        EXPECT_EQ(l.Select(0, 120.0f, z.y), z.hit) << z.y;
    l.Hit = 0;
    l.Draw();
    // The arrows stand in the rooms above and below the item, not across it.
    EXPECT_GT(Pixel(120, 115).r, 20);
    EXPECT_GT(Pixel(120, 285).r, 20);
    EXPECT_EQ(Count_Pixels(60, 100, 99, 300, Rgba{0, 0, 0, 255}, 0), 39 * 200);
    EXPECT_EQ(Count_Pixels(141, 100, 200, 300, Rgba{0, 0, 0, 255}, 0), 59 * 200);
}

TEST_F(Selects, OwnsItsItemsAndSurvivesNoWindow)
{
    auto l = std::make_unique<VR_Selects>();
    Build(*l, 2);
    const std::vector<GLuint> vbos = Vertex_Buffers(*l);
    ASSERT_TRUE(vbos.size() == 2 && glIsBuffer(vbos[0]) && glIsBuffer(vbos[1]));
    l.reset();
    EXPECT_FALSE(glIsBuffer(vbos[0]) || glIsBuffer(vbos[1]));

    VR_Selects lost;  // no window: reported, the items are never placed and draw nothing
    lost.Width = lost.Height = 40;
    lost.Grow(2, 0);
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Selects:"));
    lost.Draw();
}
