// Tab items: the prism and its slope normals, caption placement, hover recolouring, reads and drawing.
#include <algorithm>
#include <vector>

#include "gl_fixture.h"
#include <vrtools/tabitem.h>

namespace {

using S = std::vector<short>;
constexpr unsigned int HIGHLIGHT_WORD = 0xFF6464E6u;
constexpr unsigned int DEFAULT_WORD = 0xFFD8D8D8u;

class TabItem : public GL_Test {
protected:
    // The tab of the worked example: (100, 200), 120 x 40, depth 2.
    static void Place(VR_TabItems& t, const char* name = nullptr)
    {
        t.Name = name;
        t.X = 100;
        t.Y = 200;
        t.Width = 120;
        t.Height = 40;
        t.Bevel = 2;
        t.Font_Name = "DejaVu Sans";
        t.Font_Size = 14;
    }
    // The colours of the tab's five quads, one word per quad (all four corners must agree).
    std::vector<unsigned int> Quad_Words(const VR_TabItems& t) const
    {
        const std::vector<unsigned int> c = Buffer_Read<unsigned int>(t.Color_VBO);
        std::vector<unsigned int> out;
        for (size_t q = 0; q + 3 < c.size(); q += 4)
            out.push_back(c[q] == c[q + 1] && c[q] == c[q + 2] && c[q] == c[q + 3] ? c[q] : 0u);
        return out;
    }
};

}  // namespace

TEST_F(TabItem, PrismFootSlopesAndNormals)
{
    VR_TabItems t;
    Place(t);
    t.Init(Window());
    t.Select(0, 150.0f, 220.0f);
    t.Init(Window());  // a second Init rebuilds exactly five quads and clears Hover
    ASSERT_EQ(t.Quad_Count, 5);
    EXPECT_EQ(t.Hover, 0);
    // Left slope, top, right slope: the foot runs 90..230 at y 200, the top 100..220 at y 240.
    const S expected = {
        100, 240, 0,  100, 240, -2, 90,  200, -2, 90,  200, 0,   // left slope
        220, 240, 0,  220, 240, -2, 100, 240, -2, 100, 240, 0,   // top
        230, 200, 0,  230, 200, -2, 220, 240, -2, 220, 240, 0,   // right slope
        90,  200, -2, 100, 240, -2, 220, 240, -2, 230, 200, -2,  // back
        230, 200, 0,  220, 240, 0,  100, 240, 0,  90,  200, 0,   // front
    };
    EXPECT_EQ(Buffer_Read<short>(t.Vertex_VBO), expected);
    const S n = Buffer_Read<short>(t.Normal_VBO);
    ASSERT_EQ(n.size(), 60u);
    for (int corner = 0; corner < 4; ++corner) {
        const short* q = &n[corner * 3];
        EXPECT_EQ(S(q, q + 3), (S{-97, 24, 0}));       // left slope
        EXPECT_EQ(S(q + 24, q + 27), (S{97, 24, 0}));  // right slope
        // Axis-aligned faces may come out one short of 100 from the single-precision scaling.
        EXPECT_NEAR(q[12 + 1], 100, 1);   // top faces up
        EXPECT_NEAR(q[36 + 2], -100, 1);  // back faces away
        EXPECT_NEAR(q[48 + 2], 100, 1);   // front faces the viewer
    }
    EXPECT_EQ(Quad_Words(t), std::vector<unsigned int>(5, DEFAULT_WORD));
    EXPECT_EQ(t.Text_Vertex_VBO, 0u);  // no name, no caption

    VR_TabItems d;  // bevel 0 becomes depth 1
    Place(d);
    d.Bevel = 0;
    d.Init(Window());
    const S dv = Buffer_Read<short>(d.Vertex_VBO);
    EXPECT_EQ(*std::min_element(dv.begin(), dv.end()), -1);
}

TEST_F(TabItem, CaptionPlacementUsesFixedLeftMargin)
{
    const unsigned int flags[] = {0, VR_TEXT_RIGHT, VR_TEXT_HCENTER, VR_TEXT_BOTTOM, VR_TEXT_VCENTER};
    for (unsigned int f : flags) {
        VR_TabItems t;
        Place(t, "Tab");
        t.Bevel = 6;  // a margin of Bevel + 4 would show as 10
        t.Flags = f;
        t.Init(Window());
        const S q = Buffer_Read<short>(t.Text_Vertex_VBO);
        const std::vector<float> st = Buffer_Read<float>(t.Text_Coord_VBO);
        ASSERT_TRUE(q.size() == 12 && st.size() == 8) << f;
        const int tw = q[0] - q[9], th = q[4] - q[1];
        ASSERT_TRUE(tw > 0 && th > 0 && q[2] == 0) << f;
        // Texture corner: the text's share of its power-of-two texture; the first row at the top.
        EXPECT_TRUE(st[0] > 0.0f && st[0] <= 1.0f && st[4] == 0.0f && st[5] == 0.0f) << f;

        int ex = 100 + 4, ey = 200 + 40 - th - 6;
        if (f & VR_TEXT_RIGHT)
            ex = 100 + 120 - tw - 6 - 4;
        if (f & VR_TEXT_HCENTER)
            ex = 100 + ((120 - tw) >> 1);
        if (f & VR_TEXT_BOTTOM)
            ey = 200 + 6;
        if (f & VR_TEXT_VCENTER)
            ey = 200 + ((40 - th) >> 1);
        EXPECT_EQ(q[9], ex) << f;
        EXPECT_EQ(q[10], ey) << f;
    }
}

TEST_F(TabItem, HoverRecoloursTheFrontFaceOnChangeOnlyAndReads)
{
    VR_TabItems t;
    Place(t);
    t.Init(Window());
    Counts_Reset();
    EXPECT_EQ(t.Select(0, 150.0f, 220.0f), 1);
    EXPECT_EQ(t.Select(0, 151.0f, 221.0f), 1);
    const std::vector<unsigned int> lit = {DEFAULT_WORD, DEFAULT_WORD, DEFAULT_WORD, DEFAULT_WORD, HIGHLIGHT_WORD};
    EXPECT_EQ(Quad_Words(t), lit);
    // On a slope, outside the rectangle: no hit. Edges: lower and left outside, upper and right inside.
    EXPECT_EQ(t.Select(0, 95.0f, 201.0f), 0);
    EXPECT_EQ(Quad_Words(t), std::vector<unsigned int>(5, DEFAULT_WORD));
    EXPECT_EQ(t.Select(0, 100.0f, 220.0f), 0);
    EXPECT_EQ(t.Select(0, 220.0f, 240.0f), 1);
    t.Deselect();
    t.Deselect();
    EXPECT_EQ(t.Hover, 0);
    EXPECT_EQ(Counts().buffer_data, 4);
    EXPECT_EQ(Quad_Words(t), std::vector<unsigned int>(5, DEFAULT_WORD));

    // Adjust applies a new colour to the front face only.
    t.Color_Set(0x00FF00u);
    t.Adjust();
    EXPECT_EQ(Quad_Words(t),
              (std::vector<unsigned int>{DEFAULT_WORD, DEFAULT_WORD, DEFAULT_WORD, DEFAULT_WORD, 0xFF00FF00u}));
    // Flat: hit, but nothing is recoloured.
    t.Flags = VR_FLAT;
    Counts_Reset();
    EXPECT_EQ(t.Select(0, 150.0f, 220.0f), 1);
    t.Deselect();
    t.Adjust();
    EXPECT_EQ(Counts().buffer_data, 0);

    // Read gives Active, or -1 without a size or while inactive (even when active); inactive, no hit.
    t.Flags = VR_INACTIVE;
    t.Active = 1;
    EXPECT_EQ(t.Select(0, 150.0f, 220.0f), 0);
    EXPECT_EQ(t.Read(), -1);
    t.Flags = 0;
    EXPECT_EQ(t.Read(), 1);
    t.Width = 0;
    EXPECT_EQ(t.Read(), -1);
}

TEST_F(TabItem, CaptionWhiteWhenActiveBlackOtherwiseFlatInBlue)
{
    VR_TabItems t;
    Place(t, "MMMM");
    t.Width = 200;
    t.Height = 60;
    t.Bevel = 4;
    t.Font_Size = 24;
    t.Active = 1;
    t.Init(Window());
    t.Draw();
    const S q = Buffer_Read<short>(t.Text_Vertex_VBO);
    auto caption = [&](Rgba colour) { return Count_Pixels(q[9], q[10], q[0], q[4], colour, 40); };
    EXPECT_GT(caption(Rgba{255, 255, 255, 255}), 20);
    t.Active = 0;
    Clear();
    t.Draw();
    EXPECT_EQ(caption(Rgba{255, 255, 255, 255}), 0);
    EXPECT_GT(caption(Rgba{0, 0, 0, 255}), 20);
    t.Flags = VR_FLAT;
    Clear();
    t.Draw();
    EXPECT_GT(caption(Rgba{64, 64, 230, 255}), 20);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(TabItem, NoWindowOrNoNameIsHarmless)
{
    VR_TabItems lost;  // no window: reported, nothing built; the rectangle still answers
    Place(lost, "Lost");
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_TabItems:Lost)"));
    EXPECT_EQ(lost.Quad_Count, 0);
    lost.Draw();
    EXPECT_EQ(lost.Select(0, 150.0f, 220.0f), 1);

    VR_TabItems named;  // renamed to nothing: the old caption goes with the second Init
    Place(named, "Caption");
    named.Init(Window());
    ASSERT_NE(named.Text_Vertex_VBO, 0u);
    named.Name = nullptr;
    named.Name_Set(static_cast<const wchar_t*>(nullptr));
    named.Init(Window());
    EXPECT_EQ(named.Text_Vertex_VBO, 0u);
    named.Draw();
    named.Flags = VR_FLAT;
    named.Draw();
}
