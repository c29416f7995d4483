// Labels from the host's calls to the pixels: placement, colour, buffers and what is drawn.
#include <cmath>
#include <vector>

#include "gl_fixture.h"
#include <vrtools/label.h>

namespace {

class Label_Test : public GL_Test {
protected:
    // A label of 300 x 60 at (100, 100) with margin 5 unless told, in DejaVu Sans 14.
    void Make(VR_Labels& l, const char* name, unsigned int flags = 0, short x = 100, short width = 300,
              short height = 60, short bevel = 5)
    {
        l.Name = name;
        l.Flags = flags;
        l.X = l.Y = x;
        l.Width = width;
        l.Height = height;
        l.Bevel = bevel;
        l.Font_Name = "DejaVu Sans";
        l.Font_Size = 14;
        l.Init(Window());
    }
    // Lower-left corner of the caption quad (its fourth vertex) and its size.
    struct Quad {
        int x, y, w, h;
    };
    Quad Caption(const VR_Labels& l)
    {
        const std::vector<short> v = Buffer_Read<short>(l.Text_Vertex_VBO);
        EXPECT_EQ(v.size(), 12u);
        if (v.size() != 12)
            return {};
        return Quad{v[9], v[10], v[0] - v[9], v[4] - v[10]};
    }
};

}  // namespace

TEST_F(Label_Test, CaptionPlacementAndOverhang)
{
    VR_Labels probe;
    Make(probe, "Placed");
    const Quad q = Caption(probe);
    EXPECT_EQ(q.x, 105);  // top left, margin 5 on both edges
    EXPECT_EQ(q.y, 100 + 60 - 5 - q.h);
    ASSERT_GT(q.w, 0);
    // Right wins over centre and bottom over centre.
    const struct {
        unsigned int flags;
        int x, y;
    } cases[] = {
        {VR_TEXT_HCENTER | VR_TEXT_VCENTER, 100 + ((300 - q.w) >> 1), 100 + ((60 - q.h) >> 1)},
        {VR_TEXT_RIGHT | VR_TEXT_BOTTOM, 100 + 300 - 5 - q.w, 105},
        {VR_TEXT_RIGHT | VR_TEXT_HCENTER | VR_TEXT_BOTTOM | VR_TEXT_VCENTER, 100 + 300 - 5 - q.w, 105},
    };
    for (const auto& c : cases) {
        VR_Labels l;
        Make(l, "Placed", c.flags);
        const Quad p = Caption(l);
        EXPECT_EQ(p.x, c.x) << std::hex << c.flags;
        EXPECT_EQ(p.y, c.y) << std::hex << c.flags;
    }
    // Texture coordinates: (w/tw, h/th) at the lower right, t = 0 at the top.
    const std::vector<float> t = Buffer_Read<float>(probe.Text_Coord_VBO);
    ASSERT_EQ(t.size(), 8u);
    EXPECT_TRUE(t[0] > 0.0f && t[0] <= 1.0f);
    EXPECT_EQ(t[1], t[7]);
    EXPECT_TRUE(t[3] == 0.0f && t[4] == 0.0f);

    // A centred caption wider than its label overhangs both sides evenly.
    VR_Labels wide;
    Make(wide, "A caption much wider than its label", VR_TEXT_HCENTER, 200, 40, 30, 0);
    const Quad w = Caption(wide);
    const int left = 200 - w.x, right = w.x + w.w - 240;
    EXPECT_GT(left, 0);
    EXPECT_LE(std::abs(left - right), 1);
}

TEST_F(Label_Test, WhiteByDefaultAndDrawnInItsColourOnlyWhereItWasPlaced)
{
    VR_Labels white;
    white.Color.Extra = 9;
    Make(white, "White");
    EXPECT_EQ(white.Color_Get(), 0xFFFFFFu);
    EXPECT_EQ(white.Color.Extra, 0);

    VR_Labels l;
    l.Color_Set(0x00FF00u);  // green
    Make(l, "Green caption");
    EXPECT_EQ(l.Color_Get(), 0x00FF00u);
    const Quad q = Caption(l);
    Clear();
    l.Draw();
    EXPECT_GT(Count_Pixels(q.x, q.y, q.x + q.w, q.y + q.h, Rgba{0, 255, 0, 255}, 40), 20);
    const int everywhere = Count_Pixels(0, 0, WIDTH, HEIGHT, Rgba{0, 0, 0, 255}, 0);
    const int inside_black = Count_Pixels(q.x, q.y, q.x + q.w, q.y + q.h, Rgba{0, 0, 0, 255}, 0);
    EXPECT_EQ(WIDTH * HEIGHT - everywhere, q.w * q.h - inside_black) << "ink outside the caption";
    // The colour is read at every Draw.
    l.Color_Set(0x0000FFu);
    Clear();
    l.Draw();
    EXPECT_GT(Count_Pixels(q.x, q.y, q.x + q.w, q.y + q.h, Rgba{255, 0, 0, 255}, 40), 20);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Label_Test, NamelessHiddenAndRenamedLabels)
{
    VR_Labels nameless;
    Make(nameless, nullptr);
    ASSERT_NE(nameless.Text_Coord_VBO, 0u);  // built from zero sizes...
    for (float f : Buffer_Read<float>(nameless.Text_Coord_VBO))
        EXPECT_FALSE(std::isnan(f));  // ...without a 0/0 anywhere
    VR_Labels hidden;
    Make(hidden, "Hidden", VR_HIDDEN);
    Clear();
    nameless.Draw();
    hidden.Draw();
    EXPECT_EQ(Count_Pixels(0, 0, WIDTH, HEIGHT, Rgba{0, 0, 0, 255}, 0), WIDTH * HEIGHT);
    EXPECT_TRUE(Messages().empty());

    // A second Init re-renders into the same texture and arrays.
    VR_Labels l;
    Make(l, "First");
    const GLuint texture = l.Text_Texture;
    short* vertices = l.Text_Vertex_Array;
    const int first_width = Caption(l).w;
    Counts_Reset();
    l.Name = "A second, longer name";
    l.Init(Window());
    EXPECT_TRUE(l.Text_Texture == texture && l.Text_Vertex_Array == vertices);
    EXPECT_GT(Caption(l).w, first_width);
    EXPECT_EQ(Counts().buffer_data, 2);
    EXPECT_EQ(Counts().delete_buffers, 2);
    EXPECT_EQ(Counts().tex_image, 1);
}
