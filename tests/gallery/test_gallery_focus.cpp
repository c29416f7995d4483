// The gallery worked without a pointer: Tab reaches every widget that takes input, in the order the
// scenes added them, and the key each class answers to changes it; a fingertip works each one too.
#include <set>
#include <string>

#include "gallery.h"
#include "gl_fixture.h"

namespace {

class Gallery_Focus : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        gallery.Init(Window());
    }

    Gallery gallery;
};

// What a key does in each scene: the key that works a widget there and the change it reports.
enum class Key { ACTIVATE, STEP, NONE };
struct Row {
    const char* scene;
    int first, last;  // widgets [first, last] of the scene's list
    Key key;
    int kind;
};
const Row ROWS[] = {
    {"Buttons", 0, 5, Key::ACTIVATE, VR_CHANGE_STATE},
    {"Valuators", 0, 3, Key::STEP, VR_CHANGE_VALUE},
    {"Selection lists", 0, 3, Key::ACTIVATE, VR_CHANGE_CURRENT},
    {"Tab bars", 0, 1, Key::ACTIVATE, VR_CHANGE_CURRENT},
    {"Colour editors", 0, 2, Key::STEP, VR_CHANGE_COLOR},
    {"Frames", 0, 1, Key::ACTIVATE, VR_CHANGE_STATE},
    {"Frames", 2, 3, Key::NONE, 0},
    {"Boxes", 0, 7, Key::NONE, 0},
};

}  // namespace

// One round of Tab visits every usable widget once (each colour editor once per slider) and comes back
// to the first; on the way each widget's key changes it, and only it, as the scene's table says.
TEST_F(Gallery_Focus, EveryWidgetReachedAndWorkedByKeys)
{
    std::set<const VR_Tools*> usable, reached, worked;
    for (const Row& row : ROWS) {
        const std::vector<VR_Tools*> w = gallery.Widgets(row.scene);
        ASSERT_GT(w.size(), static_cast<std::size_t>(row.last)) << row.scene;
        for (int i = row.first; i <= row.last; ++i)
            if (!(w[static_cast<std::size_t>(i)]->Flags & (VR_HIDDEN | VR_INACTIVE)))
                usable.insert(w[static_cast<std::size_t>(i)]);
    }
    const auto row_of = [&](const VR_Tools* widget) -> const Row* {
        for (const Row& row : ROWS) {
            const std::vector<VR_Tools*> w = gallery.Widgets(row.scene);
            for (int i = row.first; i <= row.last; ++i)
                if (w[static_cast<std::size_t>(i)] == widget)
                    return &row;
        }
        return nullptr;
    };

    gallery.Focus_Next(1);
    const VR_Tools* first = gallery.Focused();
    const int first_part = gallery.Focused_Part();
    ASSERT_NE(first, nullptr);
    for (int stops = 0; stops < 200; ++stops) {
        const VR_Tools* at = gallery.Focused();
        reached.insert(at);
        const Row* row = row_of(at);
        ASSERT_NE(row, nullptr) << "focus on a widget no scene lists";
        int n = 0;
        VR_Changes change;
        switch (row->key) {
        case Key::ACTIVATE:
            n = gallery.Activate(true);
            change = gallery.Last(0);
            EXPECT_EQ(gallery.Activate(false), 0);
            break;
        case Key::STEP:
            // A value at its top end steps down instead.
            n = gallery.Step(1);
            if (n == 0)
                n = gallery.Step(-1);
            change = gallery.Last(0);
            break;
        case Key::NONE:
            n = gallery.Activate(true) + gallery.Step(1);
            EXPECT_EQ(static_cast<const VR_Boxs*>(at)->Highlight, 1) << row->scene << ": focus not lit";
            break;
        }
        if (row->key == Key::NONE) {
            EXPECT_EQ(n, 0) << row->scene;
        } else if (n == 1 && change.Widget == at && change.Kind == row->kind) {
            worked.insert(at);
        } else {
            ADD_FAILURE() << row->scene << ": " << n << " changes, kind " << change.Kind;
        }
        EXPECT_EQ(gallery.Focused(), at) << "a key moved the focus";
        gallery.Focus_Next(1);
        if (gallery.Focused() == first && gallery.Focused_Part() == first_part)
            break;
    }
    EXPECT_EQ(reached, usable);
    for (const Row& row : ROWS)
        if (row.key != Key::NONE)
            for (int i = row.first; i <= row.last; ++i) {
                const VR_Tools* w = gallery.Widgets(row.scene)[static_cast<std::size_t>(i)];
                EXPECT_TRUE(!usable.count(w) || worked.count(w)) << row.scene << " " << i << " not worked";
            }
}

// Arrows cross from scene to scene over the grid and Enter clicks what they land on: down from the
// first button reaches the scene below and comes back up to it.
TEST_F(Gallery_Focus, ArrowsCrossScenes)
{
    const std::vector<VR_Tools*> buttons = gallery.Widgets("Buttons");
    gallery.Focus_Next(1);
    ASSERT_EQ(gallery.Focused(), buttons[0]);
    gallery.Focus_Move(0.0f, -1.0f);
    const VR_Tools* below = gallery.Focused();
    EXPECT_NE(below, buttons[0]);
    EXPECT_LT(below->Y, buttons[0]->Y);
    gallery.Focus_Move(0.0f, 1.0f);
    EXPECT_EQ(gallery.Focused(), buttons[0]);
}

// A fingertip works every interactive widget of the gallery: it presses each button, steps each list
// on its forward arrow (the flat one too), takes each tab bar to a tab that is not current, and drags
// each slider and colour channel from one end to the other.
TEST_F(Gallery_Focus, EveryWidgetWorkedByAFingertip)
{
    const auto poke = [&](const VR_Tools& w, float x, float y) {
        gallery.Poke(0, x, y, 30.0f);
        const int n = gallery.Poke(0, x, y, -1.0f);
        const VR_Changes change = gallery.Last(0);
        EXPECT_TRUE(n == 1 && change.Widget == &w) << w.X << ", " << w.Y << ": " << n << " changes";
        return change;
    };
    const auto lift = [&](float x, float y) { gallery.Poke(0, x, y, 30.0f); };
    const auto drag = [&](const VR_Tools& w, const VR_Tools& slider) {
        const float y = slider.Y + slider.Height / 2.0f;
        poke(w, static_cast<float>(slider.X + slider.Bevel), y);
        EXPECT_EQ(gallery.Poke(0, slider.X + slider.Width + 40.0f, y + 30.0f, 0.5f), 1) << "the drag follows the tip";
        lift(0.0f, 0.0f);
    };
    for (VR_Tools* w : gallery.Widgets("Buttons")) {
        EXPECT_EQ(poke(*w, w->X + w->Width / 2.0f, w->Y + w->Height / 2.0f).Kind, VR_CHANGE_STATE);
        lift(0.0f, 0.0f);
    }
    for (VR_Tools* w : gallery.Widgets("Selection lists")) {
        const bool vertical = (w->Flags & VR_SELECT_VERTICAL) != 0;
        const float x = vertical ? w->X + w->Width / 2.0f : static_cast<float>(w->X + w->Width);
        const float y = vertical ? static_cast<float>(w->Y + w->Height) : w->Y + w->Height / 2.0f;
        EXPECT_EQ(poke(*w, x, y).Kind, VR_CHANGE_CURRENT);
        lift(0.0f, 0.0f);
    }
    for (VR_Tools* w : gallery.Widgets("Tab bars")) {
        const auto* bar = static_cast<const VR_Tabs*>(w);
        const VR_TabItems& other = *bar->Item[bar->Current == 0 ? 1 : 0];
        EXPECT_EQ(poke(*w, other.X + other.Width / 2.0f, other.Y + other.Height / 2.0f).Value, bar->Current);
        lift(0.0f, 0.0f);
    }
    for (VR_Tools* w : gallery.Widgets("Valuators"))
        drag(*w, *w);
    // Each channel from a middling colour: at the end of another channel (white, say) a channel
    // may change nothing.
    const std::vector<VR_Tools*> editors = gallery.Widgets("Colour editors");
    for (int i = 0; i < 2; ++i) {
        auto* c = static_cast<VR_Colors*>(editors[static_cast<std::size_t>(i)]);
        for (const VR_Valuators* s : {&c->Slider_1, &c->Slider_2, &c->Slider_3}) {
            c->Color_Value = 0x3060C0u;
            c->Adjust();
            drag(*c, *s);
        }
    }
    drag(*editors[2], static_cast<const VR_Hues*>(editors[2])->Slider);
}
