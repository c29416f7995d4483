// Buttons: the thirteen-quad mesh for both states, Adjust's raw normals, hover, lamp, caption and pixels.
#include <array>
#include <cstdlib>
#include <vector>

#include "button.h"
#include "gl_fixture.h"

namespace {

constexpr unsigned int GREY = 0xFF6E6E6Eu;
constexpr unsigned int YELLOW = 0xFF00FFFFu;
constexpr unsigned int FACE = 0xFFD8D8D8u;
constexpr unsigned int HIGHLIGHT = 0xFF6464E6u;

using Normal = std::array<short, 3>;

class Button : public GL_Test {
protected:
    // 100 x 30 at (0, 0) with the given bevel and name.
    static void Place(VR_Buttons& b, short bevel, const char* name = nullptr)
    {
        b.Name = name;
        b.Width = 100;
        b.Height = 30;
        b.Bevel = bevel;
        b.Font_Name = "DejaVu Sans";
        b.Font_Size = 14;
    }

    // The normal of quad q as the buffer holds it, checking that its four vertices agree.
    Normal Quad_Normal(const VR_Buttons& b, int q) const
    {
        const std::vector<short> n = Buffer_Read<short>(b.Normal_VBO);
        Normal first{};
        if (n.size() < static_cast<size_t>(q + 1) * 12)
            return Normal{-1, -1, -1};
        for (int a = 0; a < 3; ++a)
            first[a] = n[q * 12 + a];
        for (int k = 1; k < 4; ++k)
            for (int a = 0; a < 3; ++a)
                EXPECT_EQ(n[q * 12 + k * 3 + a], first[a]) << "quad " << q << " vertex " << k;
        return first;
    }

    // Colour word of quad q (all four vertices must agree).
    unsigned int Quad_Color(const VR_Buttons& b, int q) const
    {
        const std::vector<unsigned int> c = Buffer_Read<unsigned int>(b.Color_VBO);
        if (c.size() < static_cast<size_t>(q + 1) * 4)
            return 0;
        for (int k = 1; k < 4; ++k)
            EXPECT_EQ(c[q * 4 + k], c[q * 4]) << "quad " << q;
        return c[q * 4];
    }

    // z of every vertex of quad q.
    std::array<short, 4> Quad_Z(const VR_Buttons& b, int q) const
    {
        const std::vector<short> v = Buffer_Read<short>(b.Vertex_VBO);
        std::array<short, 4> z{};
        for (int k = 0; k < 4 && v.size() >= static_cast<size_t>(q + 1) * 12; ++k)
            z[k] = v[q * 12 + k * 3 + 2];
        return z;
    }
};

}  // namespace

TEST_F(Button, UpButtonMeshAndScaledNormals)
{
    VR_Buttons b;
    Place(b, 0);
    b.Init(Window());
    EXPECT_EQ(b.Bevel, 1);
    EXPECT_EQ(b.Color_Get(), 0xD8D8D8u);
    ASSERT_EQ(b.Quad_Count, 13);
    const std::vector<short> v = Buffer_Read<short>(b.Vertex_VBO);
    ASSERT_EQ(v.size(), 13u * 12);
    // Frame top, left strip; inner wall, right; the face at 3B.
    EXPECT_EQ(std::vector<short>(v.begin(), v.begin() + 12),
              (std::vector<short>{1, 1, 1, 1, 29, 1, 0, 30, 1, 0, 0, 1}));
    EXPECT_EQ(std::vector<short>(v.begin() + 9 * 12, v.begin() + 10 * 12),
              (std::vector<short>{99, 29, 1, 99, 29, 3, 99, 1, 3, 99, 1, 1}));
    EXPECT_EQ(std::vector<short>(v.begin() + 12 * 12, v.end()),
              (std::vector<short>{99, 1, 3, 99, 29, 3, 1, 29, 3, 1, 1, 3}));

    const Normal expected[13] = {{0, 0, 100}, {0, 0, 100}, {0, 0, 100},  {0, 0, 100}, {0, -100, 0},
                                 {100, 0, 0}, {0, 100, 0}, {-100, 0, 0}, {0, -100, 0}, {100, 0, 0},
                                 {0, 100, 0}, {-100, 0, 0}, {0, 0, 100}};
    for (int q = 0; q < 13; ++q)
        EXPECT_EQ(Quad_Normal(b, q), expected[q]) << "quad " << q;
    for (int q = 0; q < 8; ++q)
        EXPECT_EQ(Quad_Color(b, q), GREY);
    for (int q = 8; q < 13; ++q)
        EXPECT_EQ(Quad_Color(b, q), FACE);
    // No name: no caption arrays or buffers.
    EXPECT_EQ(b.Text_Vertex_Array, nullptr);
    EXPECT_EQ(b.Text_Vertex_VBO, 0u);

    // A second Init starts again from nothing.
    b.Name = "Again";
    b.Width = 80;
    b.Init(Window());
    EXPECT_EQ(b.Quad_Count, 13);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO).size(), 13u * 12);
    EXPECT_NE(b.Text_Vertex_VBO, 0u);
}

TEST_F(Button, PressedBevelOneHasZeroWallNormalsAndAdjustWritesRawOnes)
{
    VR_Buttons b;
    Place(b, 1);
    b.State = 1;
    b.Init(Window());
    EXPECT_EQ(b.Built_State, 1);
    for (int q = 8; q < 12; ++q)
        EXPECT_EQ(Quad_Normal(b, q), (Normal{0, 0, 0})) << "quad " << q;
    EXPECT_EQ(Quad_Z(b, 12), (std::array<short, 4>{1, 1, 1, 1}));
    EXPECT_EQ(Quad_Color(b, 0), YELLOW);
    EXPECT_EQ(Quad_Color(b, 8), YELLOW);
    EXPECT_EQ(Quad_Color(b, 12), FACE);

    // Up again through Draw: the raw cross products of a 100 x 30 button with B = 1 and d = 2.
    b.State = 0;
    Counts_Reset();
    b.Draw();
    EXPECT_EQ(b.Built_State, 0);
    EXPECT_EQ(Counts().buffer_data, 3);  // the three mesh buffers; no caption, no lamp
    const Normal raw[13] = {{0, 0, 30},  {0, 0, 100}, {0, 0, 30},  {0, 0, 100}, {0, -100, 0},
                            {30, 0, 0},  {0, 100, 0}, {-30, 0, 0}, {0, -196, 0}, {56, 0, 0},
                            {0, 196, 0}, {-56, 0, 0}, {0, 0, 2744}};
    for (int q = 0; q < 13; ++q)
        EXPECT_EQ(Quad_Normal(b, q), raw[q]) << "quad " << q;
    EXPECT_EQ(Quad_Z(b, 12), (std::array<short, 4>{3, 3, 3, 3}));
    EXPECT_EQ(Quad_Color(b, 0), GREY);
    EXPECT_EQ(Quad_Color(b, 8), FACE);

    // Steady state: nothing rebuilt, nothing uploaded.
    Counts_Reset();
    b.Draw();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Counts().tex_image, 0);

    // Adjust ignores geometry changes while State stays.
    b.Width = 50;
    b.Adjust();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO)[12 * 5], 100);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Button, PressedBelowTheFrameFacesInward)
{
    VR_Buttons b;
    Place(b, 4, "Go");
    b.State = 1;
    b.Init(Window());
    EXPECT_EQ(Quad_Normal(b, 8), (Normal{0, 100, 0}));
    EXPECT_EQ(Quad_Normal(b, 9), (Normal{-100, 0, 0}));
    EXPECT_EQ(Quad_Color(b, 0), YELLOW);
    const std::vector<short> caption = Buffer_Read<short>(b.Text_Vertex_VBO);
    ASSERT_EQ(caption.size(), 12u);
    EXPECT_EQ(caption[2], 1);  // on the sunken face

    // Through Adjust from the raised state: -w'd with w' = 92 and d = 1 - 4.
    VR_Buttons a;
    Place(a, 4, "Go");
    a.Init(Window());
    EXPECT_EQ(Buffer_Read<short>(a.Text_Vertex_VBO)[2], 12);
    a.State = 1;
    Counts_Reset();
    a.Adjust();
    EXPECT_EQ(Counts().buffer_data, 4);  // mesh and caption
    EXPECT_EQ(Quad_Normal(a, 8), (Normal{0, 276, 0}));
    EXPECT_EQ(Quad_Normal(a, 9), (Normal{-66, 0, 0}));
    EXPECT_EQ(Quad_Normal(a, 12), (Normal{0, 0, 2024}));
    const std::vector<short> moved = Buffer_Read<short>(a.Text_Vertex_VBO);
    EXPECT_EQ(moved[2], 1);
    EXPECT_EQ(moved[0], caption[0]);  // x and y stay

    // The lamp option keeps the frame grey and turns the pressed walls grey.
    VR_Buttons l;
    Place(l, 4);
    l.Flags = VR_BUTTON_LAMP;
    l.State = 1;
    l.Init(Window());
    EXPECT_EQ(Quad_Color(l, 0), GREY);
    EXPECT_EQ(Quad_Color(l, 8), GREY);
    ASSERT_NE(l.Lamp_Array, nullptr);
    EXPECT_EQ(std::vector<short>(l.Lamp_Array, l.Lamp_Array + 12),
              (std::vector<short>{28, 12, 1, 28, 18, 1, 12, 18, 1, 12, 12, 1}));
}

TEST_F(Button, CaptionPlacement)
{
    VR_Buttons b;
    Place(b, 2, "Wide caption text");
    b.Flags = VR_BUTTON_LAMP;
    b.X = 10;
    b.Y = 20;
    b.Height = 40;
    b.Init(Window());
    std::vector<short> v = Buffer_Read<short>(b.Text_Vertex_VBO);
    ASSERT_EQ(v.size(), 12u);
    const int tw = v[0] - v[6], th = v[4] - v[1];
    EXPECT_EQ(v[6], 10 + 7 * 2 + 4);
    EXPECT_EQ(v[1], 20 + 40 - th - 2);
    EXPECT_EQ(v[2], 6);

    b.Flags = VR_TEXT_RIGHT | VR_TEXT_BOTTOM;
    b.Init(Window());
    v = Buffer_Read<short>(b.Text_Vertex_VBO);
    EXPECT_EQ(v[6], 10 + 100 - tw - 2 - 4);
    EXPECT_EQ(v[1], 20 + 2);

    // Wider than the button and centred: it overhangs both sides alike.
    b.Width = 40;
    b.Flags = VR_TEXT_HCENTER | VR_TEXT_VCENTER;
    b.Init(Window());
    v = Buffer_Read<short>(b.Text_Vertex_VBO);
    const int left = 10 - v[6], right = v[0] - 50;
    EXPECT_GT(left, 0);
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_EQ(v[1], 20 + ((40 - th) >> 1));
}

TEST_F(Button, RebuildRetiresLampAndCaption)
{
    VR_Buttons b;
    Place(b, 2, "Lamp");
    b.Flags = VR_BUTTON_LAMP;
    b.Lamp = 1;
    b.Init(Window());
    ASSERT_NE(b.Lamp_VBO, 0u);
    ASSERT_NE(b.Text_Vertex_VBO, 0u);

    b.Flags = 0;
    b.Set_Name(nullptr);
    b.Name = nullptr;
    b.Init(Window());
    EXPECT_EQ(b.Lamp_Array, nullptr);
    EXPECT_EQ(b.Lamp_VBO, 0u);
    EXPECT_EQ(b.Text_Vertex_Array, nullptr);
    EXPECT_EQ(b.Text_Vertex_VBO, 0u);
    b.State = 1;
    b.Draw();
    // A lamp still drawn would be pure yellow between 3B and 7B.
    EXPECT_EQ(Count_Pixels(6, 6, 14, 24, Rgba{255, 255, 0, 0}, 10), 0);
    b.Flags = VR_FLAT;
    b.Draw();
}

TEST_F(Button, HoverRecoloursOncePerChange)
{
    VR_Buttons b;
    Place(b, 2);
    b.X = 10;
    b.Y = 10;
    b.Init(Window());
    Counts_Reset();
    EXPECT_EQ(b.Select(0, 10.0f, 20.0f), 0);  // left edge
    EXPECT_EQ(b.Select(0, 50.0f, 10.0f), 0);  // lower edge
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(b.Select(0, 110.0f, 40.0f), 1);  // upper right corner
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(Counts().buffer_data, 1);
    for (int q = 8; q < 13; ++q)
        EXPECT_EQ(Quad_Color(b, q), HIGHLIGHT);
    EXPECT_EQ(Quad_Color(b, 7), GREY);

    // Pressing while lit: the rebuilt mesh keeps the highlight on the face, the walls turn yellow.
    b.State = 1;
    b.Draw();
    EXPECT_EQ(Quad_Color(b, 12), HIGHLIGHT);
    EXPECT_EQ(Quad_Color(b, 8), YELLOW);
    Counts_Reset();
    EXPECT_EQ(b.Select(0, 110.5f, 20.0f), 0);
    EXPECT_EQ(Counts().buffer_data, 1);
    EXPECT_EQ(Quad_Color(b, 12), FACE);
    EXPECT_EQ(Quad_Color(b, 8), YELLOW);
    b.Select(0, 50.0f, 20.0f);
    b.Deselect();
    b.Deselect();
    EXPECT_EQ(b.Highlight, 0);
    EXPECT_EQ(Counts().buffer_data, 3);

    // Flat: the answer changes, the colours do not.
    b.Flags = VR_FLAT;
    const std::vector<unsigned int> before = Buffer_Read<unsigned int>(b.Color_VBO);
    Counts_Reset();
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 1);
    b.Deselect();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Buffer_Read<unsigned int>(b.Color_VBO), before);

    // Hidden: not drawn, still hovered.
    b.Flags = VR_HIDDEN;
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(Quad_Color(b, 12), HIGHLIGHT);
    Clear();
    b.Draw();
    EXPECT_EQ(Count_Pixels(0, 0, 120, 50, Rgba{0, 0, 0, 0}, 0), 120 * 50);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Button, UninitialisedAndUnbuiltButtons)
{
    VR_Buttons b;
    b.Deselect();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(b.Read(), 0);
    EXPECT_TRUE(Has_Message("type: VR_Buttons::Read   name: no name"));
    EXPECT_EQ(Messages().size(), 3u);
    b.State = 1;
    EXPECT_EQ(b.Read(), 1);
    EXPECT_EQ(Messages().size(), 3u);

    // Given a size after an Init that built nothing: Draw and Adjust find no mesh to read.
    VR_Buttons late;
    Place(late, 2);
    late.Width = 0;
    late.Init(Window());
    late.Width = 100;
    late.State = 1;
    late.Draw();
    late.Adjust();
    late.Flags = VR_FLAT;
    late.Draw();
    EXPECT_EQ(late.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(Count_Pixels(0, 0, 120, 50, Rgba{0, 0, 0, 0}, 0), 120 * 50);

    VR_Buttons lost;
    Place(lost, 2, "Lost");
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Buttons:Lost)"));
    EXPECT_EQ(lost.Quad_Count, 0);
}

TEST_F(Button, Pixels)
{
    VR_Buttons b;
    Place(b, 2, "Pressed");
    b.X = 20;
    b.Y = 20;
    b.Width = 160;
    b.Height = 40;
    b.Flags = VR_BUTTON_LAMP;
    b.Lamp = 1;
    b.State = 1;
    b.Init(Window());
    b.Draw();
    // The pressed caption is white, the lamp yellow, the frame yellow only without the lamp option.
    EXPECT_GT(Count_Pixels(40, 30, 180, 58, Rgba{255, 255, 255, 0}, 30), 20);
    const Rgba lamp = Pixel(30, 40);
    EXPECT_EQ(lamp.r, 255);
    EXPECT_EQ(lamp.g, 255);
    EXPECT_EQ(lamp.b, 0);

    Clear();
    b.Lamp = 0;
    b.State = 0;
    b.Draw();
    const Rgba off = Pixel(30, 40);
    EXPECT_EQ(off.r, 110);
    EXPECT_EQ(off.b, 110);
    // The raised caption is black on the grey face.
    EXPECT_GT(Count_Pixels(40, 30, 180, 58, Rgba{0, 0, 0, 0}, 30), 20);

    // Flat: frame strips and caption in (64, 64, 230), exact, nothing else.
    Clear();
    b.Flags = VR_FLAT;
    b.Draw();
    const Rgba frame = Pixel(21, 40);
    EXPECT_EQ(frame.r, 64);
    EXPECT_EQ(frame.g, 64);
    EXPECT_EQ(frame.b, 230);
    EXPECT_GT(Count_Pixels(40, 30, 180, 58, Rgba{64, 64, 230, 0}, 40), 20);
    EXPECT_EQ(Count_Pixels(30, 25, 35, 30, Rgba{0, 0, 0, 0}, 0), 25);  // the face is not drawn
}
