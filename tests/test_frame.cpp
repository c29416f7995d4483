// Frames: the slab and its normals, the colour rule, the title band of Select and the drawn panel.
#include <array>
#include <vector>

#include "box.h"
#include "frame.h"
#include "gl_fixture.h"

namespace {

class Frame : public GL_Test {
protected:
    static void Place(VR_Frames& f, short depth)
    {
        f.X = 10;
        f.Y = 20;
        f.Width = 100;
        f.Height = 50;
        f.Depth = depth;
    }

    std::array<short, 3> Quad_Normal(const VR_Frames& f, int q) const
    {
        const std::vector<short> n = Buffer_Read<short>(f.Normal_VBO);
        if (n.size() < static_cast<size_t>(q + 1) * 12)
            return {-1, -1, -1};
        for (int k = 1; k < 4; ++k)
            for (int a = 0; a < 3; ++a)
                EXPECT_EQ(n[q * 12 + 3 * k + a], n[q * 12 + a]);
        return {n[q * 12], n[q * 12 + 1], n[q * 12 + 2]};
    }
};

}  // namespace

TEST_F(Frame, SlabMeshAndNormals)
{
    VR_Frames f;
    Place(f, 8);
    f.Color_Set(0x203040u);
    f.Init(Window());
    ASSERT_EQ(f.Quad_Count, 6);
    const std::vector<short> v = Buffer_Read<short>(f.Vertex_VBO);
    ASSERT_EQ(v.size(), 6u * 12);
    EXPECT_EQ(std::vector<short>(v.begin(), v.begin() + 12),
              (std::vector<short>{110, 20, -8, 110, 20, 0, 10, 20, 0, 10, 20, -8}));
    EXPECT_EQ(std::vector<short>(v.begin() + 48, v.begin() + 60),
              (std::vector<short>{10, 20, -8, 10, 70, -8, 110, 70, -8, 110, 20, -8}));
    EXPECT_EQ(std::vector<short>(v.begin() + 60, v.end()),
              (std::vector<short>{110, 20, 0, 110, 70, 0, 10, 70, 0, 10, 20, 0}));
    const std::array<short, 3> expected[6] = {{0, -100, 0}, {100, 0, 0}, {0, 100, 0},
                                              {-100, 0, 0}, {0, 0, -100}, {0, 0, 100}};
    for (int q = 0; q < 6; ++q)
        EXPECT_EQ(Quad_Normal(f, q), expected[q]) << "quad " << q;
    for (unsigned int c : Buffer_Read<unsigned int>(f.Color_VBO))
        ASSERT_EQ(c, 0xFF203040u);

    // No depth: four walls without area. Negative depth: the walls turn inward.
    VR_Frames flat;
    Place(flat, 0);
    flat.Init(Window());
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(Quad_Normal(flat, q), (std::array<short, 3>{0, 0, 0})) << "quad " << q;
    VR_Frames inside_out;
    Place(inside_out, -8);
    inside_out.Init(Window());
    EXPECT_EQ(Quad_Normal(inside_out, 0), (std::array<short, 3>{0, 100, 0}));
    EXPECT_EQ(Quad_Normal(inside_out, 1), (std::array<short, 3>{-100, 0, 0}));

    // A rebuild replaces the six quads.
    f.Depth = 4;
    f.Init(Window());
    EXPECT_EQ(f.Quad_Count, 6);
    EXPECT_EQ(Buffer_Read<short>(f.Vertex_VBO).size(), 6u * 12);
    EXPECT_EQ(Buffer_Read<short>(f.Vertex_VBO)[2], -4);
}

TEST_F(Frame, ColourRule)
{
    VR_Frames grey;
    Place(grey, 4);
    grey.Color_Set(0x6E6E6Eu);
    grey.Color.Extra = 7;
    grey.Init(Window());
    EXPECT_EQ(grey.Color_Get(), 0xD8D8D8u);
    EXPECT_EQ(grey.Color.Extra, 0);  // all four words come from the default
    EXPECT_EQ(Buffer_Read<unsigned int>(grey.Color_VBO)[0], 0xFFD8D8D8u);

    VR_Frames black;
    Place(black, 4);
    black.Init(Window());
    EXPECT_EQ(black.Color_Get(), 0u);
    EXPECT_EQ(Buffer_Read<unsigned int>(black.Color_VBO)[0], 0xFF000000u);

    VR_Frames near_grey;
    Place(near_grey, 4);
    near_grey.Color_Set(0x6E6E6Fu);
    near_grey.Init(Window());
    EXPECT_EQ(near_grey.Color_Get(), 0x6E6E6Fu);
}

TEST_F(Frame, SelectReachesThirtyUnitsAboveTheTop)
{
    VR_Frames f;
    Place(f, 4);
    EXPECT_EQ(f.Select(0, 50.0f, 40.0f), 1);  // answers before Init, after the guard's report
    EXPECT_TRUE(Has_Message("type: VR_Frames::Select   name: no name"));
    f.Init(Window());
    EXPECT_EQ(f.Select(0, 10.0f, 40.0f), 0);   // left edge
    EXPECT_EQ(f.Select(0, 50.0f, 20.0f), 0);   // lower edge
    EXPECT_EQ(f.Select(0, 110.0f, 70.0f), 1);  // upper right corner
    EXPECT_EQ(f.Select(0, 50.0f, 100.0f), 1);  // 30 above the top
    EXPECT_EQ(f.Select(0, 50.0f, 100.5f), 0);
    EXPECT_EQ(f.Select(0, 110.5f, 80.0f), 0);
    f.Flags = VR_HIDDEN | VR_INACTIVE;  // no bit is tested
    EXPECT_EQ(f.Select(0, 50.0f, 90.0f), 1);
    f.Height = 0;
    EXPECT_EQ(f.Select(0, 50.0f, 10.0f), 0);
}

TEST_F(Frame, DrawnBehindTheWidgets)
{
    VR_Frames f;
    Place(f, 6);
    f.Color_Set(200, 40, 40);
    f.Init(Window());
    VR_Boxs b;
    b.X = 30;
    b.Y = 30;
    b.Width = 40;
    b.Height = 30;
    b.Bevel = 2;
    b.Flags = VR_BOX_FLOOR_UNLIT;
    b.Color_Set(40, 40, 200);
    b.Init(Window());

    Counts_Reset();
    b.Draw();
    f.Draw();
    EXPECT_EQ(Counts().buffer_data, 0);
    // The panel is reddish where it shows and does not cover the box standing on it.
    const Rgba panel = Pixel(90, 60);
    EXPECT_GT(panel.r, 20);
    EXPECT_GT(panel.r, 2 * panel.g);
    EXPECT_GT(panel.r, 2 * panel.b);
    const Rgba floor = Pixel(50, 45);
    EXPECT_NEAR(floor.b, 200, 1);
    EXPECT_NEAR(floor.r, 40, 1);
    // Outside the panel nothing is drawn.
    EXPECT_EQ(Count_Pixels(111, 20, 140, 70, Rgba{0, 0, 0, 0}, 0), 29 * 50);

    // Hidden, or built without a size: nothing drawn, nothing read.
    Clear();
    f.Flags = VR_HIDDEN;
    f.Draw();
    VR_Frames late;
    Place(late, 6);
    late.Width = 0;
    late.Init(Window());
    late.Width = 100;
    late.Draw();
    EXPECT_EQ(Count_Pixels(0, 0, 140, 100, Rgba{0, 0, 0, 0}, 0), 140 * 100);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
