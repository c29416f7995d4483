// Tab items: the prism and its slope normals, caption placement, hover recolouring, reads and drawing.
#include <algorithm>
#include <vector>

#include "gl_fixture.h"
#include "tabitem.h"

namespace {

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

    std::vector<unsigned int> Front_Words(const VR_TabItems& t) const
    {
        const std::vector<unsigned int> c = Buffer_Read<unsigned int>(t.Color_VBO);
        return c.size() >= 4 ? std::vector<unsigned int>(c.end() - 4, c.end()) : std::vector<unsigned int>{};
    }
};

TEST_F(TabItem, PrismFootSlopesAndNormals)
{
    VR_TabItems t;
    Place(t);
    t.Init(Window());
    ASSERT_EQ(t.Quad_Count, 5);
    const std::vector<short> v = Buffer_Read<short>(t.Vertex_VBO);
    const std::vector<short> n = Buffer_Read<short>(t.Normal_VBO);
    ASSERT_EQ(v.size(), 60u);
    ASSERT_EQ(n.size(), 60u);

    // Left slope, top, right slope: the foot runs 90..230 at y 200, the top 100..220 at y 240.
    const std::vector<short> expected = {
        100, 240, 0,  100, 240, -2, 90,  200, -2, 90,  200, 0,   // left slope
        220, 240, 0,  220, 240, -2, 100, 240, -2, 100, 240, 0,   // top
        230, 200, 0,  230, 200, -2, 220, 240, -2, 220, 240, 0,   // right slope
        90,  200, -2, 100, 240, -2, 220, 240, -2, 230, 200, -2,  // back
        230, 200, 0,  220, 240, 0,  100, 240, 0,  90,  200, 0,   // front
    };
    EXPECT_EQ(v, expected);

    for (int corner = 0; corner < 4; ++corner) {
        const short* left = &n[0 * 12 + corner * 3];
        const short* right = &n[2 * 12 + corner * 3];
        EXPECT_EQ(left[0], -97);
        EXPECT_EQ(left[1], 24);
        EXPECT_EQ(left[2], 0);
        EXPECT_EQ(right[0], 97);
        EXPECT_EQ(right[1], 24);
        EXPECT_EQ(right[2], 0);
        // Axis-aligned faces may come out one short of 100 from the single-precision scaling.
        EXPECT_NEAR(n[1 * 12 + corner * 3 + 1], 100, 1);   // top faces up
        EXPECT_NEAR(n[3 * 12 + corner * 3 + 2], -100, 1);  // back faces away
        EXPECT_NEAR(n[4 * 12 + corner * 3 + 2], 100, 1);   // front faces the viewer
    }
    for (unsigned int word : Buffer_Read<unsigned int>(t.Color_VBO))
        EXPECT_EQ(word, DEFAULT_WORD);
    // No name, no caption.
    EXPECT_EQ(t.Text_Vertex_VBO, 0u);
}

TEST_F(TabItem, DefaultsAndSecondInit)
{
    VR_TabItems t;
    Place(t);
    t.Bevel = 0;
    t.Color_Set(0x204080u);
    t.Init(Window());
    EXPECT_EQ(t.Bevel, 1);
    EXPECT_EQ(t.Color_Get(), 0x204080u);
    const std::vector<short> v = Buffer_Read<short>(t.Vertex_VBO);
    EXPECT_EQ(*std::min_element(v.begin() + 2, v.end()), -1);  // depth 1 (the z values include it)

    // A second Init rebuilds exactly five quads and clears Hover.
    t.Select(0, 150.0f, 220.0f);
    t.Width = 60;
    t.Init(Window());
    EXPECT_EQ(t.Quad_Count, 5);
    EXPECT_EQ(t.Hover, 0);
    EXPECT_EQ(Buffer_Read<short>(t.Vertex_VBO).size(), 60u);
}

TEST_F(TabItem, CaptionPlacementUsesFixedLeftMargin)
{
    struct Case {
        unsigned int flags;
        const char* what;
    };
    const Case cases[] = {{0, "top left"},
                          {VR_TEXT_RIGHT, "right"},
                          {VR_TEXT_HCENTER, "centred"},
                          {VR_TEXT_BOTTOM, "bottom"},
                          {VR_TEXT_VCENTER, "middle"}};
    for (const Case& c : cases) {
        VR_TabItems t;
        Place(t, "Tab");
        t.Bevel = 6;  // a margin of Bevel + 4 would show as 10
        t.Flags = c.flags;
        t.Init(Window());
        ASSERT_NE(t.Text_Vertex_VBO, 0u) << c.what;
        const std::vector<short> q = Buffer_Read<short>(t.Text_Vertex_VBO);
        const std::vector<float> st = Buffer_Read<float>(t.Text_Coord_VBO);
        ASSERT_EQ(q.size(), 12u);
        const int x = q[9], y = q[10], tw = q[0] - q[9], th = q[4] - q[1];
        ASSERT_GT(tw, 0);
        ASSERT_GT(th, 0);
        EXPECT_EQ(q[2], 0);
        // Texture corner: the text's share of its power-of-two texture.
        EXPECT_GT(st[0], 0.0f);
        EXPECT_LE(st[0], 1.0f);
        EXPECT_FLOAT_EQ(st[4], 0.0f);
        EXPECT_FLOAT_EQ(st[5], 0.0f);

        int ex = 100 + 4, ey = 200 + 40 - th - 6;
        if (c.flags & VR_TEXT_RIGHT)
            ex = 100 + 120 - tw - 6 - 4;
        if (c.flags & VR_TEXT_HCENTER)
            ex = 100 + ((120 - tw) >> 1);
        if (c.flags & VR_TEXT_BOTTOM)
            ey = 200 + 6;
        if (c.flags & VR_TEXT_VCENTER)
            ey = 200 + ((40 - th) >> 1);
        EXPECT_EQ(x, ex) << c.what;
        EXPECT_EQ(y, ey) << c.what;
    }
}

TEST_F(TabItem, HoverRecoloursFrontFaceOnChangeOnly)
{
    VR_TabItems t;
    Place(t);
    t.Init(Window());
    Counts_Reset();
    EXPECT_EQ(t.Select(0, 150.0f, 220.0f), 1);
    EXPECT_EQ(Counts().buffer_data, 1);
    for (unsigned int word : Front_Words(t))
        EXPECT_EQ(word, HIGHLIGHT_WORD);
    // The other four quads keep the tab's colour.
    const std::vector<unsigned int> all = Buffer_Read<unsigned int>(t.Color_VBO);
    for (size_t i = 0; i < 16; ++i)
        EXPECT_EQ(all[i], DEFAULT_WORD);
    EXPECT_EQ(t.Select(0, 151.0f, 221.0f), 1);
    EXPECT_EQ(Counts().buffer_data, 1);

    // On a slope, outside the rectangle: no hit, and the front face goes back.
    EXPECT_EQ(t.Select(0, 95.0f, 201.0f), 0);
    EXPECT_EQ(Counts().buffer_data, 2);
    for (unsigned int word : Front_Words(t))
        EXPECT_EQ(word, DEFAULT_WORD);
    // Edges: lower and left exclusive, upper and right inclusive.
    EXPECT_EQ(t.Select(0, 100.0f, 220.0f), 0);
    EXPECT_EQ(t.Select(0, 220.0f, 240.0f), 1);
    t.Deselect();
    EXPECT_EQ(t.Hover, 0);
    for (unsigned int word : Front_Words(t))
        EXPECT_EQ(word, DEFAULT_WORD);
    Counts_Reset();
    t.Deselect();
    EXPECT_EQ(Counts().buffer_data, 0);

    // Adjust applies a new colour to the front face only.
    t.Color_Set(0x00FF00u);
    t.Adjust();
    for (unsigned int word : Front_Words(t))
        EXPECT_EQ(word, 0xFF00FF00u);
    EXPECT_EQ(Buffer_Read<unsigned int>(t.Color_VBO)[0], DEFAULT_WORD);
}

TEST_F(TabItem, FlatAndInactiveTabs)
{
    VR_TabItems flat;
    Place(flat);
    flat.Flags = VR_FLAT;
    flat.Init(Window());
    Counts_Reset();
    EXPECT_EQ(flat.Select(0, 150.0f, 220.0f), 1);
    flat.Deselect();
    flat.Adjust();
    EXPECT_EQ(Counts().buffer_data, 0);
    for (unsigned int word : Front_Words(flat))
        EXPECT_EQ(word, DEFAULT_WORD);

    VR_TabItems off;
    Place(off);
    off.Flags = VR_INACTIVE;
    off.Active = 1;
    off.Init(Window());
    EXPECT_EQ(off.Select(0, 150.0f, 220.0f), 0);
    EXPECT_EQ(off.Hover, 0);
    EXPECT_EQ(off.Read(), -1);
    off.Flags = 0;
    EXPECT_EQ(off.Read(), 1);
    off.Active = 0;
    EXPECT_EQ(off.Read(), 0);
    off.Width = 0;
    EXPECT_EQ(off.Read(), -1);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(TabItem, DrawsBodyAndCaptionInItsColours)
{
    VR_TabItems t;
    Place(t, "MMMM");
    t.Width = 200;
    t.Height = 60;
    t.Bevel = 4;
    t.Font_Size = 24;
    t.Active = 1;
    t.Init(Window());
    Counts_Reset();
    t.Draw();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Counts().tex_image, 0);

    // Front face lit grey, the active caption white at the top left.
    const Rgba body = Pixel(280, 210);
    EXPECT_GT(body.r, 60);
    EXPECT_NEAR(body.r, body.b, 12);
    const std::vector<short> q = Buffer_Read<short>(t.Text_Vertex_VBO);
    const int white = Count_Pixels(q[9], q[10], q[0], q[4], Rgba{255, 255, 255, 255}, 40);
    EXPECT_GT(white, 20);

    t.Active = 0;
    Clear();
    t.Draw();
    EXPECT_EQ(Count_Pixels(q[9], q[10], q[0], q[4], Rgba{255, 255, 255, 255}, 40), 0);
    EXPECT_GT(Count_Pixels(q[9], q[10], q[0], q[4], Rgba{0, 0, 0, 255}, 40), 20);

    // Flat: the outline without the front face, the caption in the flat colour.
    t.Flags = VR_FLAT;
    Clear();
    t.Draw();
    EXPECT_GT(Count_Pixels(q[9], q[10], q[0], q[4], Rgba{64, 64, 230, 255}, 30), 20);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    // Hidden: nothing at all.
    t.Flags = VR_HIDDEN;
    Clear();
    t.Draw();
    EXPECT_EQ(Count_Pixels(80, 190, 330, 270, Rgba{0, 0, 0, 255}, 0), 250 * 80);
}

TEST_F(TabItem, MisuseIsReportedAndHarmless)
{
    // Never initialised: the guard reports once; nothing is drawn from meshes that do not exist.
    VR_TabItems fresh;
    Place(fresh);
    fresh.Draw();
    EXPECT_TRUE(Has_Message("you must call *_Init() first"));
    EXPECT_TRUE(Has_Message("VR_TabItems::Draw"));
    Messages_Clear();
    fresh.Draw();
    EXPECT_EQ(fresh.Read(), 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    // No window: two lines naming the class, nothing built.
    VR_TabItems lost;
    Place(lost, "Lost");
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_TabItems:Lost)"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
    EXPECT_EQ(lost.Quad_Count, 0);
    lost.Draw();
    EXPECT_EQ(lost.Select(0, 150.0f, 220.0f), 1);  // the rectangle answers, nothing to recolour

    // Renamed to nothing: the old caption goes with the second Init.
    VR_TabItems named;
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

}  // namespace
