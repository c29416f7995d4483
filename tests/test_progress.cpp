// Progress bars: tray and band, the phase cycle, the moving stripes and what the pattern costs.
#include <algorithm>
#include <vector>

#include "gl_fixture.h"
#include <vrtools/progress.h>

namespace {

class Progress : public GL_Test {
protected:
    // The band is 320 units wide: five periods of 64 texels, one texel per pixel.
    static VR_Progress& Place(VR_Progress& p, unsigned int flags = 0)
    {
        p.Flags = flags;
        p.X = 20;
        p.Y = 20;
        p.Width = 328;
        p.Height = 40;
        p.Bevel = 4;
        return p;
    }

    // Yellow-or-not along one row of the band.
    std::vector<bool> Row(int y) const
    {
        std::vector<bool> row;
        for (int x = 24; x < 344; ++x)
            row.push_back(Count_Pixels(x, y, x + 1, y + 1, Rgba{255, 255, 0, 0}, 60) == 1);
        return row;
    }
};

}  // namespace

TEST_F(Progress, TrayBandAndColourRule)
{
    VR_Progress p;
    Place(p).Bevel = 0;
    p.Color_Set(0x6E6E6Eu);
    p.Init(Window());
    EXPECT_EQ(p.Bevel, 1);
    EXPECT_EQ(p.Color_Get(), 0xD8D8D8u);
    const std::vector<unsigned int> c = Buffer_Read<unsigned int>(p.Color_VBO);
    ASSERT_EQ(c.size(), 52u);
    for (int i = 0; i < 52; ++i)
        ASSERT_EQ(c[i], i < 48 ? 0xFF6E6E6Eu : 0xFF000000u) << i;  // the floor is black whatever the colour
    EXPECT_EQ(Buffer_Read<short>(p.Text_Vertex_VBO),
              (std::vector<short>{347, 21, 0, 347, 59, 0, 21, 59, 0, 21, 21, 0}));
    EXPECT_EQ(Buffer_Read<float>(p.Text_Coord_VBO),
              (std::vector<float>{5.0f, 1.0f, 5.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f}));

    VR_Progress other;
    Place(other).Color_Set(0x123456u);
    other.Init(Window());
    EXPECT_EQ(other.Color_Get(), 0x123456u);
}

TEST_F(Progress, PhaseCycleAndPatternUploadedOnce)
{
    VR_Progress p;
    Place(p).Init(Window());
    EXPECT_EQ(Counts().tex_image, 1);
    const unsigned int texture = p.Text_Texture;
    for (int i = 0; i < 1024; ++i)
        p.Draw();
    EXPECT_EQ(p.Phase, 1024);
    p.Draw();
    EXPECT_EQ(p.Phase, 0);

    // Flat, hidden, or without a size: the phase stands still.
    p.Phase = 7;
    for (unsigned int flags : {0x20u, 0x1u}) {
        p.Flags = flags;
        p.Draw();
    }
    p.Flags = 0;
    p.Height = 0;
    p.Draw();
    EXPECT_EQ(p.Phase, 7);
    // A phase set out of range by the host comes back into the cycle.
    p.Height = 40;
    p.Phase = 32767;
    p.Draw();
    EXPECT_EQ(p.Phase, 0);

    // A second Init rebuilds mesh and band but keeps the texture, its pattern and the phase.
    p.Draw();
    p.Width = 200;
    Counts_Reset();
    p.Init(Window());
    EXPECT_EQ(Counts().tex_image, 0);
    EXPECT_EQ(p.Text_Texture, texture);
    EXPECT_EQ(p.Phase, 1);
    EXPECT_EQ(p.Quad_Count, 13);
    EXPECT_EQ(Counts().buffer_data, 5);  // three mesh buffers and the band's two
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Progress, YellowStripesMoveRight)
{
    VR_Progress p;
    Place(p).Init(Window());
    p.Draw();  // phase 0
    const std::vector<bool> before = Row(40);
    // A quarter of each period is opaque; linear filtering blurs the edges a little.
    const auto yellow = std::count(before.begin(), before.end(), true);
    EXPECT_TRUE(yellow > 60 && yellow < 100) << yellow;
    const Rgba gap = Pixel(24 + 40, 59 - 4);  // past the band in the top row: the black floor
    EXPECT_LT(gap.r + gap.g + gap.b, 30);

    // Phase 4 shifts the pattern by one texel, that is one pixel to the right.
    Clear();
    p.Phase = 4;
    p.Draw();
    const std::vector<bool> after = Row(40);
    for (size_t x = 1; x < after.size(); ++x)
        ASSERT_EQ(after[x], before[x - 1]) << "x " << x;

    // With 0x10 the black floor is left out: the grey ground shows between the stripes.
    Clear(0.5f, 0.5f, 0.5f);
    p.Flags = 0x10;
    p.Draw();
    EXPECT_GT(Count_Pixels(24, 24, 344, 56, Rgba{255, 255, 0, 0}, 60), 1000);
    EXPECT_EQ(Count_Pixels(24, 24, 344, 56, Rgba{0, 0, 0, 0}, 10), 0);

    // The flat look: the rim in (64, 64, 230), no stripes.
    Clear();
    p.Flags = VR_FLAT;
    p.Draw();
    EXPECT_EQ(Count_Pixels(20, 30, 24, 50, Rgba{64, 64, 230, 0}, 0), 4 * 20);
    EXPECT_EQ(Count_Pixels(24, 24, 344, 56, Rgba{255, 255, 0, 0}, 60), 0);
}

TEST_F(Progress, UnbuiltAndHiddenBarsDrawNothing)
{
    // The guard runs even for a hidden bar.
    VR_Progress never;
    Place(never, VR_HIDDEN).Draw();
    EXPECT_TRUE(Has_Message("type: VR_Progress::Draw   name: no name"));
    never.Flags = 0;
    never.Draw();  // no buffers: nothing drawn, nothing read
    VR_Progress late;
    Place(late).Height = 0;
    late.Init(Window());
    late.Height = 40;
    late.Draw();
    EXPECT_EQ(late.Phase, 0);
    EXPECT_EQ(Count_Pixels(0, 0, 360, 80, Rgba{0, 0, 0, 0}, 0), 360 * 80);

    VR_Progress lost;
    Place(lost).Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Progress:"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
}
