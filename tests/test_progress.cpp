// Progress bars: tray and band, the phase cycle, the moving stripes and what the pattern costs.
#include <vector>

#include "gl_fixture.h"
#include "progress.h"

namespace {

class Progress : public GL_Test {
protected:
    // The band is 320 units wide: five periods of 64 texels, one texel per pixel.
    static void Place(VR_Progress& p)
    {
        p.X = 20;
        p.Y = 20;
        p.Width = 328;
        p.Height = 40;
        p.Bevel = 4;
    }

    // Yellow-or-not along one row of the band.
    std::vector<bool> Row(int y) const
    {
        std::vector<bool> row;
        for (int x = 24; x < 344; ++x) {
            const Rgba p = Pixel(x, y);
            row.push_back(p.r > 200 && p.g > 200 && p.b < 60);
        }
        return row;
    }
};

}  // namespace

TEST_F(Progress, TrayBandAndDefaults)
{
    VR_Progress p;
    Place(p);
    p.Bevel = 0;
    p.Color_Set(0x6E6E6Eu);
    p.Init(Window());
    EXPECT_EQ(p.Bevel, 1);
    EXPECT_EQ(p.Color_Get(), 0xD8D8D8u);
    ASSERT_EQ(p.Quad_Count, 13);
    const std::vector<unsigned int> c = Buffer_Read<unsigned int>(p.Color_VBO);
    ASSERT_EQ(c.size(), 52u);
    for (int i = 0; i < 48; ++i)
        ASSERT_EQ(c[i], 0xFF6E6E6Eu);
    for (int i = 48; i < 52; ++i)
        EXPECT_EQ(c[i], 0xFF000000u);  // the floor is black whatever the colour
    const std::vector<short> v = Buffer_Read<short>(p.Vertex_VBO);
    ASSERT_EQ(v.size(), 156u);
    const std::vector<short> floor(v.begin() + 144, v.end());
    EXPECT_EQ(floor, (std::vector<short>{347, 21, 1, 347, 59, 1, 21, 59, 1, 21, 21, 1}));
    EXPECT_EQ(Buffer_Read<short>(p.Text_Vertex_VBO),
              (std::vector<short>{347, 21, 0, 347, 59, 0, 21, 59, 0, 21, 21, 0}));
    EXPECT_EQ(Buffer_Read<float>(p.Text_Coord_VBO),
              (std::vector<float>{5.0f, 1.0f, 5.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}));

    VR_Progress other;
    Place(other);
    other.Color_Set(0x123456u);
    other.Init(Window());
    EXPECT_EQ(other.Color_Get(), 0x123456u);
    EXPECT_EQ(Buffer_Read<unsigned int>(other.Color_VBO)[48], 0xFF000000u);
}

TEST_F(Progress, PhaseCyclesEvery1025Draws)
{
    VR_Progress p;
    Place(p);
    p.Init(Window());
    Counts_Reset();
    p.Draw();
    EXPECT_EQ(p.Phase, 1);
    for (int i = 1; i < 1024; ++i)
        p.Draw();
    EXPECT_EQ(p.Phase, 1024);
    p.Draw();
    EXPECT_EQ(p.Phase, 0);
    // Animation moves the texture matrix only: no buffer or texture is touched.
    EXPECT_EQ(Counts().buffer_data, 0);
    EXPECT_EQ(Counts().tex_image, 0);

    // Flat, hidden, or without a size: the phase stands still.
    p.Phase = 7;
    p.Flags = VR_FLAT;
    p.Draw();
    p.Flags = VR_HIDDEN;
    p.Draw();
    p.Flags = 0;
    p.Height = 0;
    p.Draw();
    EXPECT_EQ(p.Phase, 7);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    // A phase set out of range by the host comes back into the cycle.
    p.Height = 40;
    p.Phase = 32767;
    p.Draw();
    EXPECT_EQ(p.Phase, 0);
}

TEST_F(Progress, PatternIsUploadedOnce)
{
    VR_Progress p;
    Place(p);
    p.Init(Window());
    EXPECT_EQ(Counts().tex_image, 1);
    const unsigned int texture = p.Text_Texture;
    p.Draw();
    p.Draw();
    p.Width = 200;
    Counts_Reset();
    p.Init(Window());
    EXPECT_EQ(Counts().tex_image, 0);
    EXPECT_EQ(p.Text_Texture, texture);
    EXPECT_EQ(p.Phase, 2);  // kept across the rebuild
    EXPECT_EQ(p.Quad_Count, 13);
    EXPECT_EQ(Counts().buffer_data, 5);  // three mesh buffers and the band's two
}

TEST_F(Progress, YellowStripesMoveRight)
{
    VR_Progress p;
    Place(p);
    p.Init(Window());
    p.Draw();  // phase 0
    const std::vector<bool> before = Row(40);
    int yellow = 0;
    for (bool b : before)
        yellow += b;
    // A quarter of each period is opaque; linear filtering blurs the edges a little.
    EXPECT_GT(yellow, 60);
    EXPECT_LT(yellow, 100);
    const Rgba gap = Pixel(24 + 40, 59 - 4);  // past the band in the top row: the black floor
    EXPECT_LT(gap.r + gap.g + gap.b, 30);

    // Phase 4 shifts the pattern by one texel, that is one pixel to the right.
    Clear();
    p.Phase = 4;
    p.Draw();
    const std::vector<bool> after = Row(40);
    for (size_t x = 1; x < after.size(); ++x)
        ASSERT_EQ(after[x], before[x - 1]) << "x " << x;

    // A whole period later (phase 256) the picture is the same again.
    Clear();
    p.Phase = 256;
    p.Draw();
    EXPECT_EQ(Row(40), before);
}

TEST_F(Progress, FlatAndUnbuiltLooks)
{
    VR_Progress p;
    Place(p);
    p.Flags = VR_FLAT;
    p.Init(Window());
    p.Draw();
    const Rgba rim = Pixel(22, 40);
    EXPECT_EQ(rim.r, 64);
    EXPECT_EQ(rim.g, 64);
    EXPECT_EQ(rim.b, 230);
    EXPECT_EQ(Count_Pixels(24, 24, 344, 56, Rgba{255, 255, 0, 0}, 60), 0);

    // The guard runs even for a hidden bar; nothing is drawn.
    Clear();
    VR_Progress never;
    Place(never);
    never.Flags = VR_HIDDEN;
    never.Draw();
    EXPECT_TRUE(Has_Message("type: VR_Progress::Draw   name: no name"));
    never.Flags = 0;
    never.Draw();  // no buffers: nothing drawn, nothing read
    VR_Progress late;
    Place(late);
    late.Height = 0;
    late.Init(Window());
    late.Height = 40;
    late.Draw();
    EXPECT_EQ(late.Phase, 0);
    EXPECT_EQ(Count_Pixels(0, 0, 360, 80, Rgba{0, 0, 0, 0}, 0), 360 * 80);

    VR_Progress lost;
    Place(lost);
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Progress:"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
}

TEST_F(Progress, FloorLeftOut)
{
    // With 0x10 the black floor is not drawn: the grey ground shows between the stripes.
    Clear(0.5f, 0.5f, 0.5f);
    VR_Progress p;
    Place(p);
    p.Flags = 0x10;
    p.Init(Window());
    p.Draw();
    EXPECT_GT(Count_Pixels(24, 24, 344, 56, Rgba{255, 255, 0, 0}, 60), 1000);
    EXPECT_GT(Count_Pixels(24, 24, 344, 56, Rgba{128, 128, 128, 0}, 2), 4000);
    EXPECT_EQ(Count_Pixels(24, 24, 344, 56, Rgba{0, 0, 0, 0}, 10), 0);
}
