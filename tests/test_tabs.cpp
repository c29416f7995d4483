// Tab bars: growing, layout across the bar, active marks, the stacked draw, switching and ownership.
#include <climits>
#include <memory>
#include <vector>

#include "gl_fixture.h"
#include "gl_trace.h"
#include "tabs.h"

namespace {

class Tabs : public GL_Test {
protected:
    // Three named tabs in a bar at (0, 0), 300 x 40.
    static void Build(VR_Tabs& bar, int count = 3)
    {
        static const char* const names[] = {"One", "Two", "Three", "Four"};
        bar.X = 0;
        bar.Y = 0;
        bar.Width = 300;
        bar.Height = 40;
        bar.Bevel = 2;
        bar.Font_Name = "DejaVu Sans";
        bar.Font_Size = 14;
        ASSERT_EQ(bar.Grow(count, 0), 1);
        for (int i = 0; i < count; ++i)
            bar.Item[i]->Name = names[i % 4];
        bar.Init(Window());
    }

    static std::vector<GLuint> Vertex_Buffers(const VR_Tabs& bar)
    {
        std::vector<GLuint> v;
        for (VR_TabItems** p = bar.Item; p && *p; ++p)
            v.push_back((*p)->Vertex_VBO);
        return v;
    }
};

TEST_F(Tabs, LayoutOfThreeTabsAcrossTheBar)
{
    VR_Tabs bar;
    bar.Flags = VR_TEXT_HCENTER;
    bar.Current = 1;
    bar.Font_Extra = "extra";
    Build(bar);
    ASSERT_EQ(bar.Item_Count, 3);
    const short xs[] = {10, 106, 202};
    for (int i = 0; i < 3; ++i) {
        const VR_TabItems& t = *bar.Item[i];
        EXPECT_EQ(t.X, xs[i]);
        EXPECT_EQ(t.Y, 0);
        EXPECT_EQ(t.Width, 86);
        EXPECT_EQ(t.Height, 40);
        EXPECT_EQ(t.Bevel, 2);
        EXPECT_EQ(t.Flags, static_cast<unsigned int>(VR_TEXT_HCENTER));  // Grow gave 0, Init ORed the bar's
        EXPECT_EQ(t.Active, i == 1 ? 1 : 0);
        EXPECT_STREQ(t.Font_Extra, "extra");
        EXPECT_EQ(t.Color_Get(), 0xD8D8D8u);  // the bar's default colour
        EXPECT_EQ(t.Quad_Count, 5);
    }
    // The first foot starts at the bar's left edge, the last one ends at 298.
    const std::vector<short> first = Buffer_Read<short>(bar.Item[0]->Vertex_VBO);
    const std::vector<short> last = Buffer_Read<short>(bar.Item[2]->Vertex_VBO);
    EXPECT_EQ(first[6], 0);   // left slope, third corner: the foot
    EXPECT_EQ(last[24], 298);  // right slope, first corner
    EXPECT_EQ(bar.Shown, 1);
}

TEST_F(Tabs, GrowKeepsFlagsAndDestroysHighestFirst)
{
    VR_Tabs bar;
    bar.Flags = VR_FLAT | VR_INACTIVE | VR_HIDDEN;
    ASSERT_EQ(bar.Grow(2, 0), 1);
    EXPECT_EQ(bar.Item[0]->Flags, 0u);
    EXPECT_EQ(bar.Item_Count, 0);  // counted by Init only
    ASSERT_EQ(bar.Grow(4, 0x40), 1);
    EXPECT_EQ(bar.Item[1]->Flags, 0u);
    EXPECT_EQ(bar.Item[3]->Flags, 0x40u);
    EXPECT_EQ(bar.Item[4], nullptr);
    VR_TabItems* kept = bar.Item[0];
    EXPECT_EQ(bar.Grow(4, 0), 1);
    EXPECT_EQ(bar.Item[0], kept);

    bar.Flags = 0;
    bar.Width = 400;
    bar.Height = 40;
    bar.Init(Window());
    const std::vector<GLuint> vbos = Vertex_Buffers(bar);
    {
        GL_Trace trace;
        ASSERT_EQ(bar.Grow(1, 0), 1);
        EXPECT_EQ(trace.Deleted(vbos), (std::vector<int>{3, 2, 1}));
    }
    EXPECT_EQ(bar.Item[0], kept);
    EXPECT_EQ(bar.Item[1], nullptr);

    // Refused counts change nothing.
    EXPECT_EQ(bar.Grow(-1, 0), 0);
    EXPECT_EQ(bar.Grow(INT_MAX, 0), 0);
    EXPECT_TRUE(Has_Message("VR_Tabs::Grow: count -1 is outside 0 .. 32767"));
    EXPECT_EQ(bar.Item[0], kept);
    EXPECT_EQ(bar.Item[1], nullptr);

    // Down to none: a terminated, empty array.
    EXPECT_EQ(bar.Grow(0, 0), 1);
    ASSERT_NE(bar.Item, nullptr);
    EXPECT_EQ(bar.Item[0], nullptr);
}

TEST_F(Tabs, StackDrawsCurrentFirstOthersReceding)
{
    VR_Tabs bar;
    bar.Current = 1;
    Build(bar);
    const float b = static_cast<float>(BORDER);
    ASSERT_GT(b, 0.0f);
    const std::vector<GLuint> vbos = Vertex_Buffers(bar);
    {
        GL_Trace trace;
        Counts_Reset();
        bar.Draw();
        const auto draws = trace.Draws(vbos);
        ASSERT_EQ(draws.size(), 3u);
        EXPECT_EQ(draws[0], std::make_pair(1, 0.0f));
        EXPECT_EQ(draws[1], std::make_pair(0, -b));
        EXPECT_EQ(draws[2], std::make_pair(2, -2 * b));
        EXPECT_EQ(Counts().buffer_data, 0);
    }
    // Only the current tab's caption is white.
    EXPECT_EQ(bar.Item[1]->Active, 1);
    EXPECT_EQ(bar.Item[0]->Active + bar.Item[2]->Active, 0);

    // Current outside the tabs: no tab in front, all recede in index order, none is marked.
    for (short outside : {short(3), short(-1)}) {
        bar.Current = outside;
        GL_Trace trace;
        bar.Draw();
        const auto draws = trace.Draws(vbos);
        ASSERT_EQ(draws.size(), 3u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(draws[i], std::make_pair(i, -(i + 1) * b));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(bar.Item[i]->Active, 0);
        EXPECT_EQ(bar.Read(), -1);
    }

    // A Grow since Init shrank the array below Item_Count: only the tabs that exist are drawn.
    ASSERT_EQ(bar.Grow(1, 0), 1);
    EXPECT_EQ(bar.Item_Count, 3);
    bar.Current = 2;
    GL_Trace trace;
    bar.Draw();
    EXPECT_EQ(trace.Draws({bar.Item[0]->Vertex_VBO}).size(), 1u);
    EXPECT_EQ(bar.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(bar.Read(), 0);
    bar.Deselect();
}

TEST_F(Tabs, SelectReadAndSwitch)
{
    VR_Tabs bar;
    Build(bar);
    // Over tab 2, then the host switches to it.
    EXPECT_EQ(bar.Select(0xFF, 250.0f, 20.0f), 1);
    EXPECT_EQ(bar.Item[2]->Hover, 1);
    EXPECT_EQ(bar.Read(), 2);
    bar.Current = static_cast<short>(bar.Read());
    bar.Draw();
    EXPECT_EQ(bar.Item[2]->Active, 1);
    EXPECT_EQ(bar.Item[0]->Active, 0);
    EXPECT_EQ(bar.Shown, 2);

    // Between two tabs, over the slopes: inside the bar, but no tab.
    EXPECT_EQ(bar.Select(0, 101.0f, 5.0f), 0);
    EXPECT_EQ(bar.Item[2]->Hover, 0);
    EXPECT_EQ(bar.Read(), -1);

    // Back over tab 0, then out of the bar: every tab lets go.
    EXPECT_EQ(bar.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(bar.Read(), 0);
    EXPECT_EQ(bar.Select(0, 50.0f, 41.0f), 0);
    EXPECT_EQ(bar.Item[0]->Hover, 0);
    EXPECT_EQ(bar.Read(), -1);

    bar.Select(0, 50.0f, 20.0f);
    bar.Deselect();
    EXPECT_EQ(bar.Read(), -1);

    // An inactive bar answers nothing.
    bar.Select(0, 50.0f, 20.0f);
    bar.Flags |= VR_INACTIVE;
    EXPECT_EQ(bar.Select(0, 50.0f, 20.0f), 0);
    EXPECT_EQ(bar.Read(), -1);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Tabs, AdjustMarksAndDrawsOnlyOnChange)
{
    VR_Tabs bar;
    Build(bar);
    const std::vector<GLuint> vbos = Vertex_Buffers(bar);
    {
        GL_Trace trace;
        bar.Adjust();
        EXPECT_TRUE(trace.Draws(vbos).empty());
    }
    {
        bar.Current = 2;
        GL_Trace trace;
        bar.Adjust();
        EXPECT_EQ(trace.Draws(vbos).size(), 3u);
        EXPECT_EQ(trace.Draws(vbos)[0].first, 2);
        EXPECT_EQ(bar.Item[2]->Active, 1);
        EXPECT_EQ(bar.Shown, 2);
        trace.Clear();
        bar.Adjust();
        EXPECT_TRUE(trace.Draws(vbos).empty());
    }
    {
        // Hidden: marked, not drawn. Inactive: nothing at all.
        bar.Flags = VR_HIDDEN;
        bar.Current = 0;
        GL_Trace trace;
        bar.Adjust();
        EXPECT_EQ(bar.Item[0]->Active, 1);
        EXPECT_EQ(bar.Shown, 0);
        bar.Draw();
        EXPECT_TRUE(trace.Draws(vbos).empty());
        bar.Flags = VR_INACTIVE;
        bar.Current = 1;
        bar.Adjust();
        EXPECT_EQ(bar.Item[1]->Active, 0);
        EXPECT_EQ(bar.Shown, 0);
    }
}

TEST_F(Tabs, DrawShowsTheCurrentTabInFront)
{
    VR_Tabs bar;
    bar.Current = 0;
    Build(bar);
    // Distinct colours so that the overlapping feet show which tab is in front.
    bar.Item[0]->Color_Set(0x0000FFu);
    bar.Item[1]->Color_Set(0x00FF00u);
    bar.Item[0]->Adjust();
    bar.Item[1]->Adjust();
    bar.Draw();
    // Feet of tabs 0 and 1 overlap for x in 96..106 near the foot.
    Rgba p = Pixel(101, 2);
    EXPECT_GT(p.r, p.g);
    bar.Current = 1;
    Clear();
    bar.Draw();
    p = Pixel(101, 2);
    EXPECT_GT(p.g, p.r);
}

TEST_F(Tabs, OwnsItsTabsAndReportsMisuse)
{
    auto bar = std::make_unique<VR_Tabs>();
    Build(*bar);
    const std::vector<GLuint> vbos = Vertex_Buffers(*bar);
    for (GLuint v : vbos)
        ASSERT_TRUE(glIsBuffer(v));
    {
        // A copy shares the tabs.
        VR_Tabs copy(*bar);
        EXPECT_EQ(copy.Item, bar->Item);
        copy.Item = nullptr;  // only one of the two may destroy them
        copy.W_Name = nullptr;
    }
    bar.reset();
    for (GLuint v : vbos)
        EXPECT_FALSE(glIsBuffer(v));

    // Never initialised: one guard report; no window: the two lines.
    VR_Tabs fresh;
    EXPECT_EQ(fresh.Read(), -1);
    EXPECT_TRUE(Has_Message("VR_Tabs::Read"));
    VR_Tabs lost;
    lost.Width = 100;
    lost.Height = 20;
    lost.Grow(2, 0);
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Tabs:"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
    EXPECT_EQ(lost.Item_Count, 0);
    lost.Draw();
    EXPECT_EQ(lost.Select(0, 10.0f, 10.0f), 0);
}

}  // namespace
