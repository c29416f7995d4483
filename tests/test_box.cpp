// Boxes: tray mesh, caption placement, hover lighting and its uploads, looks, icons and pixels.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <vrtools/box.h>
#include "gl_fixture.h"

namespace {

constexpr unsigned int HIGHLIGHT_WORD = 0xFF6464E6u;
constexpr unsigned int FACE_WORD = 0xFFD8D8D8u;

class Box : public GL_Test {
protected:
    // A 100 x 40 box at (10, 20) with bevel 4: every cross product of its quads scales to exactly 100.
    static VR_Boxs& Place(VR_Boxs& b, const char* name = nullptr, unsigned int flags = 0, short height = 40)
    {
        b.Name = name;
        b.Flags = flags;
        b.X = 10;
        b.Y = 20;
        b.Width = 100;
        b.Height = height;
        b.Bevel = 4;
        b.Font_Name = "DejaVu Sans";
        b.Font_Size = 14;
        return b;
    }

    // True when the four floor vertices (the last quad) hold `word` in the colour buffer.
    bool Floor_Is(const VR_Boxs& b, unsigned int word) const
    {
        const std::vector<unsigned int> c = Buffer_Read<unsigned int>(b.Color_VBO);
        return c.size() >= 4 && std::all_of(c.end() - 4, c.end(), [&](unsigned int w) { return w == word; });
    }

    // Icons are looked up in the committed test data.
    void SetUp() override
    {
        GL_Test::SetUp();
        const std::string dir = Data_Path("");
        inst_path.assign(dir.begin(), dir.end());
        saved_path = std::exchange(W_Inst_Path, &inst_path[0]);
    }
    void TearDown() override
    {
        W_Inst_Path = saved_path;
        GL_Test::TearDown();
    }

private:
    std::wstring inst_path;
    wchar_t* saved_path = nullptr;
};

std::vector<short> Quad(const std::vector<short>& v, int q)
{
    return std::vector<short>(v.begin() + q * 12, v.begin() + (q + 1) * 12);
}

}  // namespace

TEST_F(Box, TrayMeshNormalsAndRebuild)
{
    VR_Boxs b;
    Place(b).Color_Set(40, 160, 90);
    b.Init(Window());
    ASSERT_EQ(b.Quad_Count, 13);
    const std::vector<short> v = Buffer_Read<short>(b.Vertex_VBO), n = Buffer_Read<short>(b.Normal_VBO);
    const std::vector<unsigned int> c = Buffer_Read<unsigned int>(b.Color_VBO);
    ASSERT_TRUE(v.size() == 13 * 12 && n.size() == 13 * 12 && c.size() == 13 * 4);
    // Rim top, left strip; outer wall y = Y; the floor at z 1.
    EXPECT_EQ(Quad(v, 0), (std::vector<short>{14, 24, 4, 14, 56, 4, 10, 60, 4, 10, 20, 4}));
    EXPECT_EQ(Quad(v, 4), (std::vector<short>{110, 20, 0, 110, 20, 4, 10, 20, 4, 10, 20, 0}));
    EXPECT_EQ(Quad(v, 12), (std::vector<short>{106, 24, 1, 106, 56, 1, 14, 56, 1, 14, 24, 1}));
    const short expected[13][3] = {{0, 0, 100},  {0, 0, 100}, {0, 0, 100},  {0, 0, 100}, {0, -100, 0},
                                   {100, 0, 0},  {0, 100, 0}, {-100, 0, 0}, {0, 100, 0}, {-100, 0, 0},
                                   {0, -100, 0}, {100, 0, 0}, {0, 0, 100}};
    for (int i = 0; i < 13 * 12; ++i)
        ASSERT_EQ(n[i], expected[i / 12][i % 3]) << "quad " << i / 12;
    for (int i = 0; i < 52; ++i)
        ASSERT_EQ(c[i], i < 48 ? 0xFF6E6E6Eu : 0xFF5AA028u) << i;  // floor bytes 40, 160, 90, 255

    // A second Init starts from nothing: 13 quads again, the outer wall at the new right edge.
    b.Width = 60;
    b.Init(Window());
    EXPECT_EQ(b.Quad_Count, 13);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO).size(), 13u * 12);
    EXPECT_EQ(Buffer_Read<short>(b.Vertex_VBO)[12 * 4], 70);

    // Bevel 0 becomes 1 with the default colour; at W = 2B the inner x walls and the floor have no area.
    VR_Boxs thin;
    Place(thin).Bevel = 0;
    thin.Width = 2;
    thin.Init(Window());
    EXPECT_EQ(thin.Bevel, 1);
    EXPECT_EQ(thin.Color_Get(), 0xD8D8D8u);
    for (int q : {8, 10, 12})
        EXPECT_EQ(Quad(Buffer_Read<short>(thin.Normal_VBO), q), std::vector<short>(12, 0)) << "quad " << q;
}

TEST_F(Box, HoverIsEdgeInclusiveAndUploadsOncePerChange)
{
    VR_Boxs b;
    Place(b).Init(Window());
    Counts_Reset();
    EXPECT_EQ(b.Select(0, 10.0f, 30.0f), 0);   // left edge
    EXPECT_EQ(b.Select(0, 50.0f, 20.0f), 0);   // lower edge
    EXPECT_EQ(b.Select(0, 110.0f, 60.0f), 1);  // upper right corner
    EXPECT_EQ(b.Select(0, 10.5f, 20.5f), 1);
    EXPECT_TRUE(Floor_Is(b, HIGHLIGHT_WORD));
    EXPECT_EQ(b.Select(0, 110.5f, 40.0f), 0);
    EXPECT_TRUE(Floor_Is(b, FACE_WORD));
    b.Select(0, 50.0f, 40.0f);
    b.Deselect();
    b.Deselect();
    EXPECT_EQ(b.Highlight, 0);
    EXPECT_EQ(Counts().buffer_data, 4);

    // Inactive: the last answer stands wherever the pointer is, and Deselect does nothing.
    b.Select(0, 50.0f, 40.0f);
    b.Flags = VR_INACTIVE;
    EXPECT_EQ(b.Select(0, 500.0f, 500.0f), 1);
    b.Deselect();
    EXPECT_EQ(b.Highlight, 1);
    EXPECT_TRUE(Floor_Is(b, HIGHLIGHT_WORD));

    // Floor apart and flat answer hover but keep the floor colour; hidden is lit but not drawn.
    for (unsigned int flags : {0x10u, 0x20u, 0x1u}) {
        VR_Boxs f;
        Place(f, nullptr, flags).Init(Window());
        Counts_Reset();
        EXPECT_EQ(f.Select(0, 50.0f, 40.0f), 1);
        EXPECT_EQ(Counts().buffer_data, flags == VR_HIDDEN ? 1 : 0) << flags;
        EXPECT_TRUE(Floor_Is(f, flags == VR_HIDDEN ? HIGHLIGHT_WORD : FACE_WORD)) << flags;
        Clear();
        f.Draw();
        EXPECT_EQ(Count_Pixels(0, 0, 200, 100, Rgba{0, 0, 0, 0}, 0) == 200 * 100, flags == VR_HIDDEN) << flags;
        f.Deselect();
        EXPECT_EQ(f.Highlight, 0);
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Box, WithoutGeometryNothingIsDrawnOrRead)
{
    VR_Boxs never;
    never.Select(0, 1.0f, 1.0f);
    EXPECT_TRUE(Has_Message("you must call *_Init() first"));
    EXPECT_TRUE(Has_Message("type: VR_Box::Select   name: no name"));
    never.Draw();  // reported once only
    EXPECT_EQ(Messages().size(), 3u);

    // Built without a size, then given one: neither look may touch the missing mesh.
    VR_Boxs b;
    Place(b).Width = 0;
    b.Init(Window());
    EXPECT_EQ(b.Quad_Count, 0);
    b.Width = 100;
    b.Draw();
    b.Flags = VR_FLAT;
    b.Draw();
    EXPECT_EQ(b.Select(0, 50.0f, 40.0f), 1);
    EXPECT_EQ(Count_Pixels(0, 0, 200, 100, Rgba{0, 0, 0, 0}, 0), 200 * 100);

    VR_Boxs lost;
    Place(lost, "Lost").Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Boxs:Lost)"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
    EXPECT_EQ(lost.Vertex_VBO, 0u);
    lost.Draw();
}

TEST_F(Box, CaptionPlacementFitWarningAndRetirement)
{
    VR_Boxs b;
    Place(b, "Ok", 0, 60).Init(Window());
    std::vector<short> v = Buffer_Read<short>(b.Text_Vertex_VBO);
    ASSERT_EQ(v.size(), 12u);
    const int tw = v[0] - v[6], th = v[4] - v[1];
    ASSERT_TRUE(tw > 0 && th > 0);
    EXPECT_FALSE(Has_Message("to small"));
    const int cases[3][3] = {{0, 10 + 4 + 4, 20 + 60 - 4 - th},
                             {VR_TEXT_RIGHT | VR_TEXT_BOTTOM, 10 + 100 - 4 - tw - 4, 20 + 4},
                             {VR_TEXT_HCENTER | VR_TEXT_VCENTER, 10 + ((100 - tw) >> 1), 20 + ((60 - th) >> 1)}};
    for (const auto& [flags, x, y] : cases) {
        b.Flags = static_cast<unsigned int>(flags);
        b.Init(Window());
        v = Buffer_Read<short>(b.Text_Vertex_VBO);
        EXPECT_EQ(v[6], x) << "flags " << flags;
        EXPECT_EQ(v[1], y) << "flags " << flags;
    }

    // A name too long for the box: three lines, built anyway.
    VR_Boxs small;
    Place(small, "A caption far wider than its box").Width = 40;
    small.Init(Window());
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Boxs:A caption far wider than its box)"));
    EXPECT_TRUE(Has_Message("   Tool is to small for its text!"));
    EXPECT_TRUE(Has_Message("   text width:"));
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

TEST_F(Box, LooksInPixels)
{
    VR_Boxs b;
    Place(b, "Box", 0, 60).Color_Set(40, 160, 90);
    b.Init(Window());
    // The unlit floor pass (0x40, or bit 0 of the toolkit's looks) shows the floor's exact colour, 0x10
    // leaves the floor out, the flat look draws no floor and the rim strips in (64, 64, 230).
    const struct {
        unsigned int flags;
        std::uint8_t looks;
        Rgba floor;
    } cases[] = {{VR_BOX_FLOOR_UNLIT, 0, {40, 160, 90, 0}},
                 {0, 1, {40, 160, 90, 0}},
                 {VR_BOX_FLOOR_APART, 0, {}},
                 {VR_FLAT, 0, {}}};
    const std::uint8_t looks = Tool_Looks;
    for (const auto& c : cases) {
        Clear();
        b.Flags = c.flags;
        Tool_Looks = c.looks;
        b.Draw();
        Tool_Looks = looks;
        EXPECT_EQ(Count_Pixels(90, 25, 100, 35, c.floor, 1), 100) << c.flags;
        // Over the floor the caption is black at the top left.
        EXPECT_TRUE(!c.floor.g || Count_Pixels(18, 56, 60, 76, Rgba{}, 40) > 10) << c.flags;
    }
    EXPECT_EQ(Count_Pixels(10, 30, 14, 50, Rgba{64, 64, 230, 0}, 0), 4 * 20);
}

TEST_F(Box, IconsFromTgaAndPngFilesDrawnTopRowUp)
{
    const std::vector<unsigned char> expected = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 10, 20, 30, 128};
    for (const char* file : {"quad.tga", "quad.png", "QUAD.TGA"}) {
        VR_Boxs b;
        ASSERT_EQ(Place(b, nullptr, 0, 80).Icon(file), 1) << file;
        EXPECT_TRUE(b.Icon_Width == 2 && b.Icon_Height == 2) << file;
        ASSERT_NE(b.Image, nullptr);
        EXPECT_EQ(std::vector<unsigned char>(b.Image, b.Image + 16), expected) << file;
        Clear();
        b.Init(Window());
        Counts_Reset();
        b.Draw();
        EXPECT_EQ(Counts().tex_image, 0);
        // Near the top left the first row's first pixel (red), near the bottom left the second row's (blue).
        const Rgba top = Pixel(20, 92), bottom = Pixel(20, 28);
        EXPECT_TRUE(top.r > 200 && top.b < 40) << file;
        EXPECT_TRUE(bottom.b > 200 && bottom.r < 40) << file;
        // The flat look tints the picture with (32, 32, 115): red becomes dark red.
        Clear();
        b.Flags = VR_FLAT;
        b.Draw();
        EXPECT_EQ(Count_Pixels(19, 91, 21, 93, Rgba{32, 0, 0, 0}, 2), 4) << file;
    }

    // Failures leave the box as it was: a PNG behind a ".tga" name goes to the TGA reader and fails.
    VR_Boxs b;
    ASSERT_EQ(b.Icon("quad.png"), 1);
    unsigned char* image = b.Image;
    // The reader says why in one message of its own; the box adds none.
    for (const char* file : {"quad.tga.png", "broken.png", "notes.tga", "missing.png", "../Icons/absent.tga"}) {
        Messages_Clear();
        EXPECT_EQ(b.Icon(file), 0) << file;
        ASSERT_EQ(Messages().size(), 1u) << Messages_Text();
        EXPECT_TRUE(Has_Message("Picture: ") && Has_Message(file)) << Messages_Text();
    }
    Messages_Clear();

    // Names that cannot be a path are refused with a report.
    EXPECT_EQ(b.Icon(nullptr), 0);
    EXPECT_EQ(b.Icon(std::string(800, 'x').c_str()), 0);
    EXPECT_EQ(Messages().size(), 2u) << Messages_Text();
    EXPECT_EQ(b.Icon("%s%n%ls.png"), 0);
    EXPECT_EQ(b.Image, image);
    EXPECT_EQ(b.Icon_Width, 2);
}
