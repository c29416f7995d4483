// Boxes: tray mesh, caption placement, hover lighting and its uploads, looks, icons and pixels.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "box.h"
#include "gl_fixture.h"

namespace {

constexpr unsigned int HIGHLIGHT_WORD = 0xFF6464E6u;
constexpr unsigned int RIM_WORD = 0xFF6E6E6Eu;

class Box : public GL_Test {
protected:
    // A 100 x 40 box at (10, 20) with bevel 4: every cross product of its quads scales to exactly 100.
    static void Place(VR_Boxs& b, const char* name = nullptr)
    {
        b.Name = name;
        b.X = 10;
        b.Y = 20;
        b.Width = 100;
        b.Height = 40;
        b.Bevel = 4;
        b.Font_Name = "DejaVu Sans";
        b.Font_Size = 14;
    }

    // Floor colour words (the last quad) as the colour buffer holds them.
    std::array<unsigned int, 4> Floor_Words(const VR_Boxs& b) const
    {
        const std::vector<unsigned int> c = Buffer_Read<unsigned int>(b.Color_VBO);
        std::array<unsigned int, 4> f{};
        for (size_t i = 0; i < 4 && c.size() >= 4; ++i)
            f[i] = c[c.size() - 4 + i];
        return f;
    }

    // Points W_Inst_Path at the committed test data for the life of a test.
    void Use_Test_Icons()
    {
        saved_path = W_Inst_Path;
        const std::string dir = Data_Path("");
        inst_path.assign(dir.begin(), dir.end());
        W_Inst_Path = &inst_path[0];
    }
    void TearDown() override
    {
        if (saved_path)
            W_Inst_Path = saved_path;
        GL_Test::TearDown();
    }

private:
    std::wstring inst_path;
    wchar_t* saved_path = nullptr;
};

}  // namespace

TEST_F(Box, InitBuildsTheTrayWithScaledNormals)
{
    VR_Boxs b;
    Place(b);
    b.Color_Set(40, 160, 90);
    b.Init(Window());
    ASSERT_EQ(b.Quad_Count, 13);
    const std::vector<short> v = Buffer_Read<short>(b.Vertex_VBO);
    const std::vector<short> n = Buffer_Read<short>(b.Normal_VBO);
    const std::vector<unsigned int> c = Buffer_Read<unsigned int>(b.Color_VBO);
    ASSERT_EQ(v.size(), 13u * 12);
    ASSERT_EQ(n.size(), 13u * 12);
    ASSERT_EQ(c.size(), 13u * 4);

    // Rim top, left strip; outer wall y = Y; inner wall x = X+W-B; the floor at z 1.
    const std::vector<short> rim0 = {14, 24, 4, 14, 56, 4, 10, 60, 4, 10, 20, 4};
    const std::vector<short> wall4 = {110, 20, 0, 110, 20, 4, 10, 20, 4, 10, 20, 0};
    const std::vector<short> wall9 = {106, 56, 4, 106, 56, 0, 106, 24, 0, 106, 24, 4};
    const std::vector<short> floor = {106, 24, 1, 106, 56, 1, 14, 56, 1, 14, 24, 1};
    EXPECT_EQ(std::vector<short>(v.begin(), v.begin() + 12), rim0);
    EXPECT_EQ(std::vector<short>(v.begin() + 4 * 12, v.begin() + 5 * 12), wall4);
    EXPECT_EQ(std::vector<short>(v.begin() + 9 * 12, v.begin() + 10 * 12), wall9);
    EXPECT_EQ(std::vector<short>(v.begin() + 12 * 12, v.end()), floor);

    const short expected[13][3] = {{0, 0, 100},  {0, 0, 100}, {0, 0, 100},  {0, 0, 100}, {0, -100, 0},
                                   {100, 0, 0},  {0, 100, 0}, {-100, 0, 0}, {0, 100, 0}, {-100, 0, 0},
                                   {0, -100, 0}, {100, 0, 0}, {0, 0, 100}};
    for (int q = 0; q < 13; ++q)
        for (int k = 0; k < 4; ++k)
            for (int a = 0; a < 3; ++a)
                ASSERT_EQ(n[q * 12 + k * 3 + a], expected[q][a]) << "quad " << q << " vertex " << k;
    for (int i = 0; i < 48; ++i)
        ASSERT_EQ(c[i], RIM_WORD);
    for (int i = 48; i < 52; ++i)
        EXPECT_EQ(c[i], 0xFF5AA028u);  // bytes 40, 160, 90, 255
}

TEST_F(Box, DefaultsAndRebuild)
{
    VR_Boxs b;
    Place(b);
    b.Bevel = 0;
    b.Init(Window());
    EXPECT_EQ(b.Bevel, 1);
    EXPECT_EQ(b.Color_Get(), 0xD8D8D8u);
    b.Width = 60;
    b.Init(Window());
    EXPECT_EQ(b.Quad_Count, 13);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO).size(), 13u * 12);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO)[12 * 4], 70);  // outer wall starts at the new right edge

    // W = 2B: the inner walls along x and the floor have no area and get the zero normal.
    VR_Boxs thin;
    Place(thin);
    thin.Width = 8;
    thin.Init(Window());
    const std::vector<short> n = Buffer_Read<short>(thin.Normal_VBO);
    for (int q : {8, 10, 12})
        for (int a = 0; a < 3; ++a)
            EXPECT_EQ(n[q * 12 + a], 0) << "quad " << q;
}

TEST_F(Box, SelectIsEdgeInclusiveAndUploadsOncePerChange)
{
    VR_Boxs b;
    Place(b);
    b.Init(Window());
    Counts_Reset();
    EXPECT_EQ(b.Select(0, 10.0f, 30.0f), 0);   // left edge
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 0);   // lower edge
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(b.Select(0, 110.0f, 60.0f), 1);  // upper right corner
    EXPECT_EQ(Counts().buffer_data, 1);
    EXPECT_EQ(b.Select(0, 10.5f, 20.5f), 1);
    EXPECT_EQ(Counts().buffer_data, 1);
    for (unsigned int w : Floor_Words(b))
        EXPECT_EQ(w, HIGHLIGHT_WORD);
    EXPECT_EQ(b.Select(0, 110.5f, 40.0f), 0);
    EXPECT_EQ(Counts().buffer_data, 2);
    for (unsigned int w : Floor_Words(b))
        EXPECT_EQ(w, 0xFFD8D8D8u);

    b.Select(0, 50.0f, 40.0f);
    b.Deselect();
    EXPECT_EQ(b.Highlight, 0);
    EXPECT_EQ(Counts().buffer_data, 4);
    b.Deselect();
    EXPECT_EQ(Counts().buffer_data, 4);

    // Steady-state drawing uploads nothing.
    Counts_Reset();
    b.Draw();
    b.Draw();
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Counts().tex_image, 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Box, FlagsThatKeepTheFloorColour)
{
    for (unsigned int flags : {0x10u, 0x20u}) {
        VR_Boxs b;
        Place(b);
        b.Flags = flags;
        b.Init(Window());
        Counts_Reset();
        EXPECT_EQ(b.Select(0, 50.0f, 40.0f), 1);
        EXPECT_EQ(b.Highlight, 1);
        b.Deselect();
        EXPECT_EQ(b.Highlight, 0);
        EXPECT_EQ(Counts().buffer_data, 0) << "flags " << flags;
        EXPECT_EQ(Floor_Words(b)[0], 0xFFD8D8D8u);
    }

    // Inactive: the last answer stands, wherever the pointer is, and Deselect does nothing.
    VR_Boxs b;
    Place(b);
    b.Init(Window());
    EXPECT_EQ(b.Select(0, 50.0f, 40.0f), 1);
    b.Flags = VR_INACTIVE;
    EXPECT_EQ(b.Select(0, 500.0f, 500.0f), 1);
    b.Deselect();
    EXPECT_EQ(b.Highlight, 1);
    EXPECT_EQ(Floor_Words(b)[0], HIGHLIGHT_WORD);

    // Hidden: not drawn, but hover still works.
    VR_Boxs h;
    Place(h);
    h.Flags = VR_HIDDEN;
    h.Init(Window());
    EXPECT_EQ(h.Select(0, 50.0f, 40.0f), 1);
    EXPECT_EQ(Floor_Words(h)[0], HIGHLIGHT_WORD);
    h.Draw();
    EXPECT_EQ(Count_Pixels(0, 0, 200, 100, Rgba{0, 0, 0, 0}, 0), 200 * 100);
}

TEST_F(Box, WithoutGeometryNothingIsDrawnOrRead)
{
    VR_Boxs never;
    Place(never);
    never.Draw();
    EXPECT_TRUE(Has_Message("you must call *_Init() first"));
    never.Select(0, 50.0f, 40.0f);  // reported once only
    EXPECT_EQ(Messages().size(), 3u);
    Messages_Clear();

    VR_Boxs b;
    b.Select(0, 1.0f, 1.0f);
    EXPECT_TRUE(Has_Message("type: VR_Box::Select   name: no name"));
    Messages_Clear();

    // Built without a size, then given one: Draw must not touch the missing mesh.
    Place(b);
    b.Width = 0;
    b.Init(Window());
    EXPECT_EQ(b.Quad_Count, 0);
    b.Width = 100;
    b.Draw();
    b.Flags = VR_FLAT;
    b.Draw();
    EXPECT_EQ(b.Select(0, 50.0f, 40.0f), 1);
    EXPECT_EQ(Count_Pixels(0, 0, 200, 100, Rgba{0, 0, 0, 0}, 0), 200 * 100);

    // No window: two lines, nothing built.
    VR_Boxs lost;
    Place(lost, "Lost");
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Boxs:Lost)"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
    EXPECT_EQ(lost.Vertex_VBO, 0u);
    lost.Draw();
}

TEST_F(Box, CaptionPlacementAndFitWarning)
{
    VR_Boxs b;
    Place(b, "Ok");
    b.Height = 60;
    b.Flags = VR_TEXT_RIGHT | VR_TEXT_BOTTOM;
    b.Init(Window());
    ASSERT_NE(b.Text_Vertex_VBO, 0u);
    std::vector<short> v = Buffer_Read<short>(b.Text_Vertex_VBO);
    ASSERT_EQ(v.size(), 12u);
    const int tw = v[0] - v[6], th = v[4] - v[1];
    ASSERT_GT(tw, 0);
    ASSERT_GT(th, 0);
    EXPECT_EQ(v[6], 10 + 100 - 4 - tw - 4);
    EXPECT_EQ(v[1], 20 + 4);
    EXPECT_EQ(v[2], 0);
    EXPECT_FALSE(Has_Message("to small"));

    b.Flags = VR_TEXT_HCENTER | VR_TEXT_VCENTER;
    b.Init(Window());
    v = Buffer_Read<short>(b.Text_Vertex_VBO);
    EXPECT_EQ(v[6], 10 + ((100 - tw) >> 1));
    EXPECT_EQ(v[1], 20 + ((60 - th) >> 1));

    b.Flags = 0;
    b.Init(Window());
    v = Buffer_Read<short>(b.Text_Vertex_VBO);
    EXPECT_EQ(v[6], 10 + 4 + 4);
    EXPECT_EQ(v[1], 20 + 60 - 4 - th);

    // A name too long for the box: three lines, built anyway.
    VR_Boxs small;
    Place(small, "A caption far wider than its box");
    small.Width = 40;
    small.Init(Window());
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Boxs:A caption far wider than its box)"));
    EXPECT_TRUE(Has_Message("   Tool is to small for its text!"));
    EXPECT_TRUE(Has_Message("   text width:"));
    EXPECT_EQ(small.Quad_Count, 13);
    EXPECT_NE(small.Text_Vertex_VBO, 0u);

    // The name goes away: the caption is retired, and the flat look must not draw it.
    b.Set_Name(nullptr);
    b.Name = nullptr;
    b.Init(Window());
    EXPECT_EQ(b.Text_Vertex_VBO, 0u);
    EXPECT_EQ(b.Text_Vertex_Array, nullptr);
    b.Flags = VR_FLAT;
    b.Draw();
}

TEST_F(Box, NormalLookPixels)
{
    VR_Boxs b;
    Place(b, "Box");
    b.Height = 60;
    b.Flags = VR_BOX_FLOOR_UNLIT;
    b.Color_Set(40, 160, 90);
    b.Init(Window());
    b.Draw();
    // The unlit second pass shows the floor in its exact colour; the caption is black at its top left.
    const Rgba floor = Pixel(95, 30);
    EXPECT_NEAR(floor.r, 40, 1);
    EXPECT_NEAR(floor.g, 160, 1);
    EXPECT_NEAR(floor.b, 90, 1);
    EXPECT_GT(Count_Pixels(18, 56, 60, 76, Rgba{0, 0, 0, 0}, 40), 10);

    // Lit (no 0x40): still greenish, darker or brighter by the light.
    Clear();
    b.Flags = 0;
    b.Draw();
    const Rgba lit = Pixel(95, 30);
    EXPECT_GT(lit.g, lit.r + 30);
    EXPECT_GT(lit.g, lit.b);

    // 0x10: the floor is left out of the lit pass.
    Clear();
    b.Flags = VR_BOX_FLOOR_APART;
    b.Draw();
    const Rgba none = Pixel(95, 30);
    EXPECT_EQ(none.r + none.g + none.b, 0);

    // The flat look: the rim strips in (64, 64, 230), the floor not at all.
    Clear();
    b.Flags = VR_FLAT;
    b.Draw();
    const Rgba rim = Pixel(12, 40);
    EXPECT_EQ(rim.r, 64);
    EXPECT_EQ(rim.g, 64);
    EXPECT_EQ(rim.b, 230);
    EXPECT_EQ(Pixel(95, 30).g, 0);

    // Z lifts the whole box: a box 10 units nearer hides one drawn later at the same place.
    Clear();
    VR_Boxs front;
    Place(front);
    front.Flags = VR_BOX_FLOOR_UNLIT;
    front.Color_Set(200, 30, 30);
    front.Z = 10;
    front.Init(Window());
    b.Flags = VR_BOX_FLOOR_UNLIT;
    front.Draw();
    b.Draw();
    EXPECT_GT(Pixel(95, 30).r, 150);
}

TEST_F(Box, IconsFromTgaAndPngFiles)
{
    Use_Test_Icons();
    const unsigned char expected[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 10, 20, 30, 128};
    for (const char* file : {"quad.tga", "quad.png", "QUAD.TGA"}) {
        VR_Boxs b;
        ASSERT_EQ(b.Icon(file), 1) << file;
        EXPECT_EQ(b.Icon_Width, 2);
        EXPECT_EQ(b.Icon_Height, 2);
        ASSERT_NE(b.Image, nullptr);
        EXPECT_EQ(std::vector<unsigned char>(b.Image, b.Image + 16),
                  std::vector<unsigned char>(expected, expected + 16))
            << file;
    }

    // Failures leave the box as it was: a PNG behind a ".tga" name goes to the TGA reader and fails.
    VR_Boxs b;
    ASSERT_EQ(b.Icon("quad.png"), 1);
    unsigned char* image = b.Image;
    for (const char* file : {"quad.tga.png", "broken.png", "notes.tga", "missing.png", "../Icons/absent.tga"})
        EXPECT_EQ(b.Icon(file), 0) << file;
    EXPECT_EQ(b.Image, image);
    EXPECT_EQ(b.Icon_Width, 2);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    // Names that cannot be a path are refused with a report.
    EXPECT_EQ(b.Icon(nullptr), 0);
    const std::string huge(800, 'x');
    EXPECT_EQ(b.Icon(huge.c_str()), 0);
    EXPECT_EQ(Messages().size(), 2u) << Messages_Text();
    EXPECT_EQ(b.Icon("%s%n%ls.png"), 0);
    EXPECT_EQ(b.Image, image);
}

TEST_F(Box, PictureIsDrawnTopRowUp)
{
    Use_Test_Icons();
    for (const char* file : {"quad.tga", "quad.png"}) {
        Clear();
        VR_Boxs b;
        Place(b);
        b.Height = 80;
        ASSERT_EQ(b.Icon(file), 1);
        b.Init(Window());
        ASSERT_NE(b.Image_Texture, 0u);
        Counts_Reset();
        b.Draw();
        EXPECT_EQ(Counts().tex_image, 0);
        // Near the top left the first row's first pixel (red), near the bottom left the second row's (blue).
        const Rgba top = Pixel(20, 92);
        const Rgba bottom = Pixel(20, 28);
        EXPECT_GT(top.r, 200) << file;
        EXPECT_LT(top.b, 40) << file;
        EXPECT_GT(bottom.b, 200) << file;
        EXPECT_LT(bottom.r, 40) << file;
    }
}

TEST_F(Box, FlatPictureTintAndToolLooks)
{
    Use_Test_Icons();
    VR_Boxs b;
    Place(b);
    b.Height = 80;
    b.Flags = VR_FLAT;
    ASSERT_EQ(b.Icon("quad.png"), 1);
    b.Init(Window());
    b.Draw();
    // The flat look tints the picture with (32, 32, 115): red becomes dark red.
    const Rgba top = Pixel(20, 92);
    EXPECT_NEAR(top.r, 32, 2);
    EXPECT_LT(top.g + top.b, 4);

    // Bit 0 of the toolkit's looks draws every floor a second time unlit, like Flags 0x40.
    Clear();
    VR_Boxs plain;
    Place(plain);
    plain.Color_Set(40, 160, 90);
    plain.Init(Window());
    const std::uint8_t looks = Tool_Looks;
    Tool_Looks = 1;
    plain.Draw();
    Tool_Looks = looks;
    const Rgba floor = Pixel(95, 30);
    EXPECT_NEAR(floor.g, 160, 1);
    EXPECT_NEAR(floor.r, 40, 1);
}
