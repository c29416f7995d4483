// Buttons: the thirteen-quad mesh for both states, Adjust's raw normals, hover, lamp, caption and pixels.
#include <array>
#include <cstdlib>
#include <vector>

#include <vrtools/button.h>
#include "gl_fixture.h"

namespace {

constexpr unsigned int GREY = 0xFF6E6E6Eu;
constexpr unsigned int YELLOW = 0xFF00FFFFu;
constexpr unsigned int FACE = 0xFFD8D8D8u;
constexpr unsigned int HIGHLIGHT = 0xFF6464E6u;

using Normal = std::array<short, 3>;

// The colour buffer's words by role: frame (quads 0 to 7), inner walls (8 to 11), face (12).
std::vector<unsigned int> Roles(unsigned int frame, unsigned int inner, unsigned int face)
{
    std::vector<unsigned int> words(32, frame);
    words.insert(words.end(), 16, inner);
    words.insert(words.end(), 4, face);
    return words;
}

std::vector<short> Quad(const std::vector<short>& v, int q)
{
    return std::vector<short>(v.begin() + q * 12, v.begin() + (q + 1) * 12);
}

class Button : public GL_Test {
protected:
    // 100 x 30 at (x, y) with the given bevel, name and flags.
    static VR_Buttons& Place(VR_Buttons& b, short bevel, const char* name = nullptr, unsigned int flags = 0,
                             short x = 0, short y = 0)
    {
        b.Name = name;
        b.Flags = flags;
        b.X = x;
        b.Y = y;
        b.Width = 100;
        b.Height = 30;
        b.Bevel = bevel;
        b.Font_Name = "DejaVu Sans";
        b.Font_Size = 14;
        return b;
    }

    // The normals of the thirteen quads as the buffer holds them, checking that four vertices agree.
    std::vector<Normal> Normals(const VR_Buttons& b) const
    {
        std::vector<short> n = Buffer_Read<short>(b.Normal_VBO);
        EXPECT_EQ(n.size(), 13u * 12);
        n.resize(13 * 12, -1);
        std::vector<Normal> out(13);
        for (size_t i = 0; i < n.size(); ++i)
            out[i / 12][i % 3] = n[i] == n[i - i % 12 + i % 3] ? n[i] : -1;  // -1 where vertices disagree
        return out;
    }

    std::vector<unsigned int> Colors(const VR_Buttons& b) const { return Buffer_Read<unsigned int>(b.Color_VBO); }
};

}  // namespace

TEST_F(Button, UpButtonMeshAndRebuild)
{
    VR_Buttons b;
    Place(b, 0).Init(Window());
    EXPECT_EQ(b.Bevel, 1);
    EXPECT_EQ(b.Color_Get(), 0xD8D8D8u);
    ASSERT_EQ(b.Quad_Count, 13);
    const std::vector<short> v = Buffer_Read<short>(b.Vertex_VBO);
    ASSERT_EQ(v.size(), 13u * 12);
    // Frame top, left strip; inner wall, right; the face at 3B.
    EXPECT_EQ(Quad(v, 0), (std::vector<short>{1, 1, 1, 1, 29, 1, 0, 30, 1, 0, 0, 1}));
    EXPECT_EQ(Quad(v, 9), (std::vector<short>{99, 29, 1, 99, 29, 3, 99, 1, 3, 99, 1, 1}));
    EXPECT_EQ(Quad(v, 12), (std::vector<short>{99, 1, 3, 99, 29, 3, 1, 29, 3, 1, 1, 3}));
    const std::vector<Normal> expected = {{0, 0, 100}, {0, 0, 100},  {0, 0, 100},  {0, 0, 100},  {0, -100, 0},
                                          {100, 0, 0}, {0, 100, 0},  {-100, 0, 0}, {0, -100, 0}, {100, 0, 0},
                                          {0, 100, 0}, {-100, 0, 0}, {0, 0, 100}};
    EXPECT_EQ(Normals(b), expected);
    EXPECT_EQ(Colors(b), Roles(GREY, FACE, FACE));
    EXPECT_TRUE(b.Text_Vertex_Array == nullptr && b.Text_Vertex_VBO == 0u);  // no name, no caption

    // A second Init starts again from nothing.
    b.Name = "Again";
    b.Width = 80;
    b.Init(Window());
    EXPECT_EQ(b.Quad_Count, 13);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO).size(), 13u * 12);
    EXPECT_NE(b.Text_Vertex_VBO, 0u);
}

TEST_F(Button, PressedMeshAndAdjustsRawNormals)
{
    // Bevel 1 pressed: the face sinks to z 1 and the inner walls have no height.
    VR_Buttons b;
    Place(b, 1).State = 1;
    b.Init(Window());
    std::vector<Normal> n = Normals(b);
    for (int q = 8; q < 12; ++q)
        EXPECT_EQ(n[q], (Normal{0, 0, 0})) << "quad " << q;
    EXPECT_EQ(Quad(Buffer_Read<short>(b.Vertex_VBO), 12), (std::vector<short>{99, 1, 1, 99, 29, 1, 1, 29, 1, 1, 1, 1}));
    EXPECT_EQ(Colors(b), Roles(YELLOW, YELLOW, FACE));

    // Up again through Draw: the raw cross products with B = 1 and d = 2, in the three mesh buffers only.
    b.State = 0;
    Counts_Reset();
    b.Draw();
    EXPECT_EQ(Counts().buffer_data, 3);
    const std::vector<Normal> raw = {{0, 0, 30},  {0, 0, 100}, {0, 0, 30},  {0, 0, 100},  {0, -100, 0},
                                     {30, 0, 0},  {0, 100, 0}, {-30, 0, 0}, {0, -196, 0}, {56, 0, 0},
                                     {0, 196, 0}, {-56, 0, 0}, {0, 0, 2744}};
    EXPECT_EQ(Normals(b), raw);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO)[12 * 12 + 2], 3);
    EXPECT_EQ(Colors(b), Roles(GREY, FACE, FACE));

    // Adjust with an unchanged State, even after a change of geometry: no uploads.
    Counts_Reset();
    b.Width = 50;
    b.Adjust();
    EXPECT_EQ(Counts().buffer_data + Counts().tex_image, 0);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO)[12 * 5], 100);

    // Bevel 4 pressed: the face lies below the frame and the inner walls face inward, raw through Adjust
    // (-w'd with w' = 92, d = -3) and scaled by Init; the caption is lowered with its x and y kept.
    VR_Buttons a;
    Place(a, 4, "Go").Init(Window());
    const std::vector<short> caption = Buffer_Read<short>(a.Text_Vertex_VBO);
    ASSERT_EQ(caption.size(), 12u);
    EXPECT_EQ(caption[2], 12);
    a.State = 1;
    Counts_Reset();
    a.Adjust();
    EXPECT_EQ(Counts().buffer_data, 4);  // mesh and caption
    n = Normals(a);
    EXPECT_TRUE(n[8] == (Normal{0, 276, 0}) && n[9] == (Normal{-66, 0, 0}));
    std::vector<short> moved = Buffer_Read<short>(a.Text_Vertex_VBO);
    EXPECT_EQ(std::vector<short>(moved.begin(), moved.begin() + 3), (std::vector<short>{caption[0], caption[1], 1}));
    a.Init(Window());
    n = Normals(a);
    EXPECT_TRUE(n[8] == (Normal{0, 100, 0}) && n[9] == (Normal{-100, 0, 0}));
    EXPECT_EQ(Buffer_Read<short>(a.Text_Vertex_VBO)[2], 1);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Button, LampAndCaptionPlacement)
{
    // The lamp option keeps the frame grey and turns the pressed walls grey; the lamp lies at 3B to 7B.
    VR_Buttons l;
    Place(l, 4, nullptr, VR_BUTTON_LAMP).State = 1;
    l.Init(Window());
    EXPECT_EQ(Colors(l), Roles(GREY, GREY, FACE));
    ASSERT_NE(l.Lamp_Array, nullptr);
    EXPECT_EQ(std::vector<short>(l.Lamp_Array, l.Lamp_Array + 12),
              (std::vector<short>{28, 12, 1, 28, 18, 1, 12, 18, 1, 12, 12, 1}));

    // The lamp widens the caption's left margin by 6B.
    VR_Buttons b;
    Place(b, 2, "Wide caption text", VR_BUTTON_LAMP, 10, 20).Height = 40;
    b.Init(Window());
    std::vector<short> v = Buffer_Read<short>(b.Text_Vertex_VBO);
    ASSERT_EQ(v.size(), 12u);
    const int th = v[4] - v[1];
    EXPECT_EQ(Quad(v, 0)[6], 10 + 7 * 2 + 4);
    EXPECT_EQ(v[1], 20 + 40 - th - 2);
    EXPECT_EQ(v[2], 6);

    // Wider than the button and centred: it overhangs both sides alike.
    b.Width = 40;
    b.Flags = VR_TEXT_HCENTER | VR_TEXT_VCENTER;
    b.Init(Window());
    v = Buffer_Read<short>(b.Text_Vertex_VBO);
    const int left = 10 - v[6], right = v[0] - 50;
    EXPECT_TRUE(left > 0 && std::abs(left - right) <= 1) << left << " " << right;
    EXPECT_EQ(v[1], 20 + ((40 - th) >> 1));

    // A rebuild without the lamp option and the name retires both: neither may be drawn.
    b.Lamp = 1;
    b.Flags = 0;
    b.Set_Name(nullptr);
    b.Name = nullptr;
    b.Init(Window());
    EXPECT_TRUE(b.Lamp_Array == nullptr && b.Lamp_VBO == 0u);
    EXPECT_TRUE(b.Text_Vertex_Array == nullptr && b.Text_Vertex_VBO == 0u);
    b.State = 1;
    b.Draw();
    EXPECT_EQ(Count_Pixels(16, 26, 24, 54, Rgba{255, 255, 0, 0}, 10), 0);  // where the lamp was
    b.Flags = VR_FLAT;
    b.Draw();
}

TEST_F(Button, HoverRecoloursOncePerChange)
{
    VR_Buttons b;
    Place(b, 2, nullptr, 0, 10, 10).Init(Window());
    EXPECT_EQ(b.Select(0, 10.0f, 20.0f), 0);   // left edge
    EXPECT_EQ(b.Select(0, 50.0f, 10.0f), 0);   // lower edge
    EXPECT_EQ(b.Select(0, 110.0f, 40.0f), 1);  // upper right corner
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 1);
    EXPECT_EQ(Colors(b), Roles(GREY, HIGHLIGHT, HIGHLIGHT));

    // Pressing while lit: the rebuilt mesh keeps the highlight on the face, the walls stay yellow.
    b.State = 1;
    b.Draw();
    EXPECT_EQ(Colors(b), Roles(YELLOW, YELLOW, HIGHLIGHT));
    Counts_Reset();
    EXPECT_EQ(b.Select(0, 110.5f, 20.0f), 0);
    EXPECT_EQ(Colors(b), Roles(YELLOW, YELLOW, FACE));
    b.Select(0, 50.0f, 20.0f);
    b.Deselect();
    b.Deselect();
    EXPECT_EQ(b.Highlight, 0);
    EXPECT_EQ(Counts().buffer_data, 3);
    Counts_Reset();

    // Flat: the answer changes, the colours do not.
    b.Flags = VR_FLAT;
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 1);
    b.Deselect();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Colors(b), Roles(YELLOW, YELLOW, FACE));

    // Hidden: not drawn.
    b.Flags = VR_HIDDEN;
    Clear();
    b.Draw();
    EXPECT_EQ(Count_Pixels(0, 0, 120, 50, Rgba{0, 0, 0, 0}, 0), 120 * 50);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Button, UninitialisedAndUnbuiltButtons)
{
    VR_Buttons b;
    b.Deselect();  // no guard
    EXPECT_TRUE(Messages().empty());
    b.State = 1;
    EXPECT_EQ(b.Read(), 1);
    EXPECT_EQ(b.Read(), 1);
    EXPECT_TRUE(Has_Message("type: VR_Buttons::Read   name: no name"));
    EXPECT_EQ(Messages().size(), 3u);  // once only

    // Given a size after an Init that built nothing: Draw and Adjust find no mesh to read.
    VR_Buttons late;
    Place(late, 2).Width = 0;
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
    Place(lost, 2, "Lost").Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Buttons:Lost)"));
    EXPECT_EQ(lost.Quad_Count, 0);
}

TEST_F(Button, Pixels)
{
    VR_Buttons b;
    Place(b, 2, "Pressed", VR_BUTTON_LAMP, 20, 20).Lamp = 1;
    b.State = 1;
    b.Init(Window());
    b.Draw();
    // Pressed, the caption is white and the lit lamp pure yellow; raised, black and grey.
    EXPECT_GT(Count_Pixels(40, 24, 120, 48, Rgba{255, 255, 255, 0}, 30), 20);
    EXPECT_EQ(Count_Pixels(28, 28, 32, 42, Rgba{255, 255, 0, 0}, 0), 4 * 14);
    Clear();
    b.Lamp = 0;
    b.State = 0;
    b.Draw();
    EXPECT_GT(Count_Pixels(40, 24, 120, 48, Rgba{0, 0, 0, 0}, 30), 20);
    EXPECT_EQ(Count_Pixels(28, 28, 32, 42, Rgba{110, 110, 110, 0}, 0), 4 * 14);

    // Flat: frame strips and caption in (64, 64, 230), the face not drawn.
    Clear();
    b.Flags = VR_FLAT;
    b.Draw();
    EXPECT_EQ(Count_Pixels(20, 25, 22, 45, Rgba{64, 64, 230, 0}, 0), 2 * 20);
    EXPECT_GT(Count_Pixels(40, 24, 120, 48, Rgba{64, 64, 230, 0}, 40), 20);
    EXPECT_EQ(Count_Pixels(30, 23, 35, 26, Rgba{0, 0, 0, 0}, 0), 15);
}
