// Frames: the slab and its normals, the colour rule, the title band of Select and the drawn panel.
#include <array>
#include <vector>

#include <vrtools/box.h>
#include <vrtools/frame.h>
#include "gl_fixture.h"

namespace {

using Normal = std::array<short, 3>;

// The normal buffer's content for one normal per quad.
std::vector<short> Per_Vertex(const std::vector<Normal>& quads)
{
    std::vector<short> out;
    for (const Normal& n : quads)
        for (int k = 0; k < 4; ++k)
            out.insert(out.end(), n.begin(), n.end());
    return out;
}

class Frame : public GL_Test {
protected:
    static VR_Frames& Place(VR_Frames& f, short depth, unsigned int color = 0)
    {
        f.X = 10;
        f.Y = 20;
        f.Width = 100;
        f.Height = 50;
        f.Depth = depth;
        f.Color_Set(color);
        return f;
    }
};

}  // namespace

TEST_F(Frame, SlabMeshNormalsAndColourRule)
{
    VR_Frames f;
    Place(f, 8, 0x203040u).Init(Window());
    ASSERT_EQ(f.Quad_Count, 6);
    const std::vector<short> v = Buffer_Read<short>(f.Vertex_VBO);
    ASSERT_EQ(v.size(), 6u * 12);
    EXPECT_EQ(std::vector<short>(v.begin(), v.begin() + 12),
              (std::vector<short>{110, 20, -8, 110, 20, 0, 10, 20, 0, 10, 20, -8}));
    EXPECT_EQ(std::vector<short>(v.begin() + 60, v.end()),
              (std::vector<short>{110, 20, 0, 110, 70, 0, 10, 70, 0, 10, 20, 0}));
    EXPECT_EQ(Buffer_Read<short>(f.Normal_VBO),
              Per_Vertex({{0, -100, 0}, {100, 0, 0}, {0, 100, 0}, {-100, 0, 0}, {0, 0, -100}, {0, 0, 100}}));
    EXPECT_EQ(Buffer_Read<unsigned int>(f.Color_VBO), std::vector<unsigned int>(24, 0xFF203040u));

    // The toolkit's grey becomes the default colour, all four words; black and any other colour stay.
    VR_Frames grey, black, near_grey;
    Place(grey, 4, 0x6E6E6Eu).Color.Extra = 7;
    Place(black, 4).Init(Window());
    Place(near_grey, 4, 0x6E6E6Fu).Init(Window());
    grey.Init(Window());
    EXPECT_EQ(grey.Color_Get(), 0xD8D8D8u);
    EXPECT_EQ(grey.Color.Extra, 0);
    EXPECT_EQ(Buffer_Read<unsigned int>(grey.Color_VBO)[0], 0xFFD8D8D8u);
    EXPECT_EQ(Buffer_Read<unsigned int>(black.Color_VBO)[0], 0xFF000000u);
    EXPECT_EQ(near_grey.Color_Get(), 0x6E6E6Fu);

    // A rebuild replaces the six quads. No depth: four walls without area; negative depth: walls inward.
    f.Depth = 0;
    f.Init(Window());
    EXPECT_EQ(f.Quad_Count, 6);
    EXPECT_EQ(Buffer_Read<short>(f.Normal_VBO),
              Per_Vertex({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, -100}, {0, 0, 100}}));
    f.Depth = -8;
    f.Init(Window());
    EXPECT_EQ(Buffer_Read<short>(f.Normal_VBO),
              Per_Vertex({{0, 100, 0}, {-100, 0, 0}, {0, -100, 0}, {100, 0, 0}, {0, 0, -100}, {0, 0, 100}}));
}

TEST_F(Frame, SelectReachesThirtyUnitsAboveTheTop)
{
    VR_Frames f;
    EXPECT_EQ(Place(f, 4).Select(0, 50.0f, 40.0f), 1);  // answers before Init, after the guard's report
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
    Place(f, 6).Color_Set(200, 40, 40);
    f.Init(Window());
    VR_Boxs b;
    b.X = 30;
    b.Y = 30;
    b.Width = 40;
    b.Height = 30;
    b.Flags = VR_BOX_FLOOR_UNLIT;
    b.Color_Set(40, 40, 200);
    b.Init(Window());
    b.Draw();
    f.Draw();
    // The panel is reddish where it shows and does not cover the box standing on it; nothing outside.
    const Rgba panel = Pixel(90, 60);
    EXPECT_TRUE(panel.r > 20 && panel.r > 2 * panel.g && panel.r > 2 * panel.b);
    EXPECT_EQ(Count_Pixels(45, 40, 55, 50, Rgba{40, 40, 200, 0}, 1), 100);
    EXPECT_EQ(Count_Pixels(111, 20, 140, 70, Rgba{0, 0, 0, 0}, 0), 29 * 50);

    // Hidden, or built without a size: nothing drawn, nothing read.
    Clear();
    f.Flags = VR_HIDDEN;
    f.Draw();
    VR_Frames late;
    Place(late, 6).Width = 0;
    late.Init(Window());
    late.Width = 100;
    late.Draw();
    EXPECT_EQ(Count_Pixels(0, 0, 140, 100, Rgba{0, 0, 0, 0}, 0), 140 * 100);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Frame, DrawLeavesAMatteMaterialAndNoPassStateOn)
{
    VR_Frames f;
    Place(f, 6);
    f.Init(Window());
    const GLfloat glow[] = {0.5f, 0.4f, 0.3f, 1.0f};
    glMaterialfv(GL_FRONT, GL_EMISSION, glow);
    glMaterialfv(GL_FRONT, GL_SPECULAR, glow);
    glMaterialf(GL_FRONT, GL_SHININESS, 40.0f);
    f.Draw();
    // The slab's material stays for the host to see: no glow, no shine.
    GLfloat emission[4], specular[4], shininess = -1.0f;
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(emission[i], 0.0f);
        EXPECT_EQ(specular[i], 0.0f);
    }
    EXPECT_EQ(shininess, 0.0f);
    for (GLenum cap : {GL_LIGHTING, GL_COLOR_MATERIAL, GL_TEXTURE_2D, GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
