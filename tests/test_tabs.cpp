// Tab bars: growing, layout across the bar, active marks, the stacked draw, switching and ownership.
#include <climits>
#include <memory>
#include <utility>
#include <vector>

#include "gl_fixture.h"
#include "gl_trace.h"
#include <vrtools/tabs.h>

namespace {

using Draw_List = std::vector<std::pair<int, float>>;

class Tabs : public GL_Test {
protected:
    // Three named tabs in a bar at (0, 0), 300 x 40.
    static void Build(VR_Tabs& bar, int count = 3)
    {
        static const char* const names[] = {"One", "Two", "Three"};
        bar.Width = 300;
        bar.Height = 40;
        bar.Bevel = 2;
        bar.Font_Name = "DejaVu Sans";
        bar.Font_Size = 14;
        ASSERT_EQ(bar.Grow(count, 0), 1);
        for (int i = 0; i < count; ++i)
            bar.Item[i]->Name = names[i % 3];
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

}  // namespace

TEST_F(Tabs, LayoutOfThreeTabsAcrossTheBar)
{
    VR_Tabs bar;
    bar.Flags = VR_TEXT_HCENTER;
    bar.Current = 1;
    Build(bar);
    ASSERT_EQ(bar.Item_Count, 3);
    const short xs[] = {10, 106, 202};
    for (int i = 0; i < 3; ++i) {
        const VR_TabItems& t = *bar.Item[i];
        EXPECT_EQ((std::vector<int>{t.X, t.Y, t.Width, t.Height, t.Bevel}), (std::vector<int>{xs[i], 0, 86, 40, 2}));
        EXPECT_EQ(t.Flags, static_cast<unsigned int>(VR_TEXT_HCENTER));  // Grow gave 0, Init ORed the bar's
        EXPECT_EQ(t.Active, i == 1 ? 1 : 0);
        EXPECT_EQ(t.Quad_Count, 5);
    }
    // The first foot starts at the bar's left edge, the last one ends at 298.
    EXPECT_EQ(Buffer_Read<short>(bar.Item[0]->Vertex_VBO)[6], 0);     // left slope, third corner
    EXPECT_EQ(Buffer_Read<short>(bar.Item[2]->Vertex_VBO)[24], 298);  // right slope, first corner
}

TEST_F(Tabs, GrowKeepsFlagsAndDestroysHighestFirst)
{
    VR_Tabs bar;
    bar.Flags = VR_FLAT | VR_INACTIVE | VR_HIDDEN;
    ASSERT_EQ(bar.Grow(2, 0), 1);
    ASSERT_EQ(bar.Grow(4, 0x40), 1);
    VR_TabItems* kept = bar.Item[0];
    EXPECT_EQ(bar.Grow(4, 0), 1);  // the same count changes nothing
    EXPECT_EQ((std::vector<unsigned int>{bar.Item[0]->Flags, bar.Item[1]->Flags, bar.Item[3]->Flags}),
              (std::vector<unsigned int>{0, 0, 0x40}));
    EXPECT_EQ(bar.Item[4], nullptr);
    EXPECT_EQ(bar.Item_Count, 0);  // counted by Init only

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
    // Refused counts change nothing; down to none leaves a terminated, empty array.
    EXPECT_EQ(bar.Grow(-1, 0), 0);
    EXPECT_EQ(bar.Grow(INT_MAX, 0), 0);
    EXPECT_TRUE(Has_Message("VR_Tabs::Grow: count -1 is outside 0 .. 32767"));
    EXPECT_TRUE(bar.Item[0] == kept && bar.Item[1] == nullptr);
    EXPECT_EQ(bar.Grow(0, 0), 1);
    EXPECT_TRUE(bar.Item && !bar.Item[0]);
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
        bar.Draw();
        EXPECT_EQ(trace.Draws(vbos), (Draw_List{{1, 0.0f}, {0, -b}, {2, -2 * b}}));
    }
    // Current outside the tabs: no tab in front, all recede in index order, none is marked.
    for (short outside : {short(3), short(-1)}) {
        bar.Current = outside;
        GL_Trace trace;
        bar.Draw();
        EXPECT_EQ(trace.Draws(vbos), (Draw_List{{0, -b}, {1, -2 * b}, {2, -3 * b}})) << outside;
        EXPECT_EQ(bar.Item[0]->Active + bar.Item[1]->Active + bar.Item[2]->Active, 0) << outside;
    }
    // A Grow since Init shrank the array below Item_Count: only the tabs that exist are drawn.
    ASSERT_EQ(bar.Grow(1, 0), 1);
    bar.Current = 2;
    GL_Trace trace;
    bar.Draw();
    EXPECT_EQ(trace.Draws({bar.Item[0]->Vertex_VBO}).size(), 1u);
    EXPECT_EQ(bar.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(bar.Read(), 0);
}

TEST_F(Tabs, SelectReadSwitchAndAdjust)
{
    VR_Tabs bar;
    Build(bar);
    // Over tab 2; the host writes what Read gives into Current and the next Draw switches.
    EXPECT_EQ(bar.Select(0xFF, 250.0f, 20.0f), 1);
    EXPECT_EQ(bar.Read(), 2);
    bar.Current = static_cast<short>(bar.Read());
    bar.Draw();
    EXPECT_EQ((std::vector<int>{bar.Item[0]->Active, bar.Item[2]->Active, bar.Shown}), (std::vector<int>{0, 1, 2}));
    // Between two tabs, over the slopes: inside the bar, but no tab. Out of the bar: every tab lets go.
    EXPECT_EQ(bar.Select(0, 101.0f, 5.0f), 0);
    EXPECT_EQ(bar.Read(), -1);
    EXPECT_EQ(bar.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(bar.Select(0, 50.0f, 41.0f), 0);
    EXPECT_EQ(bar.Item[0]->Hover, 0);
    EXPECT_EQ(bar.Read(), -1);

    // Adjust draws only when Current changed.
    const std::vector<GLuint> vbos = Vertex_Buffers(bar);
    GL_Trace trace;
    bar.Adjust();
    EXPECT_TRUE(trace.Draws(vbos).empty());
    bar.Current = 0;
    bar.Adjust();
    bar.Adjust();
    EXPECT_EQ(trace.Draws(vbos).size(), 3u);
    EXPECT_EQ(trace.Draws(vbos)[0].first, 0);
    EXPECT_EQ(bar.Item[0]->Active + bar.Item[2]->Active, 1);
    // Hidden: marked, not drawn. Inactive: Adjust does nothing, Select and Read answer nothing.
    bar.Flags = VR_HIDDEN;
    bar.Current = 1;
    bar.Adjust();
    bar.Draw();
    EXPECT_EQ(trace.Draws(vbos).size(), 3u);
    EXPECT_EQ((std::vector<int>{bar.Item[1]->Active, bar.Shown}), (std::vector<int>{1, 1}));
    bar.Flags = VR_INACTIVE;
    bar.Current = 2;
    bar.Adjust();
    EXPECT_EQ((std::vector<int>{bar.Item[2]->Active, bar.Shown}), (std::vector<int>{0, 1}));
    EXPECT_EQ(bar.Select(0, 50.0f, 20.0f), 0);
    EXPECT_EQ(bar.Read(), -1);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Tabs, OwnsItsTabsAndSurvivesNoWindow)
{
    auto bar = std::make_unique<VR_Tabs>();
    Build(*bar);
    const std::vector<GLuint> vbos = Vertex_Buffers(*bar);
    ASSERT_TRUE(vbos.size() == 3 && glIsBuffer(vbos[0]) && glIsBuffer(vbos[2]));
    bar.reset();
    EXPECT_FALSE(glIsBuffer(vbos[0]) || glIsBuffer(vbos[1]) || glIsBuffer(vbos[2]));

    VR_Tabs lost;  // no window: reported, nothing laid out, nothing answers
    lost.Width = 100;
    lost.Height = 20;
    lost.Grow(2, 0);
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Tabs:"));
    EXPECT_EQ(lost.Item_Count, 0);
    lost.Draw();
    EXPECT_EQ(lost.Select(0, 10.0f, 10.0f), 0);
}
