// Lint mode: each misuse that the widgets accept silently gets its warning with the mode on, and with
// it off every message is what it was.
#include <functional>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include <vrtools/button.h>
#include <vrtools/label.h>
#include <vrtools/select.h>
#include <vrtools/setup.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

namespace {

// Turns the lint mode on for one scope and always off again, so no other test runs with it.
struct Lint_Scope {
    explicit Lint_Scope(bool on) { VR_Tools_Lint_Set(on); }
    ~Lint_Scope() { VR_Tools_Lint_Set(false); }
};

class Lint : public GL_Test {
protected:
    // The messages of one run of `misuse`, with the mode as given.
    std::vector<std::string> Run(const std::function<void()>& misuse, bool lint)
    {
        Messages_Clear();
        {
            Lint_Scope scope(lint);
            misuse();
        }
        std::vector<std::string> out;
        for (const Captured_Message& m : Messages())
            out.push_back(m.utf8);
        return out;
    }

    static void Place(VR_Tools& t, short w = 160, short h = 40)
    {
        t.X = 10;
        t.Y = 10;
        t.Width = w;
        t.Height = h;
        t.Font_Name = "DejaVu Sans";
        t.Font_Size = 14;
    }
};

bool Is_Lint(const std::string& text)
{
    return text.rfind("Lint: ", 0) == 0;
}

}  // namespace

// One case per check: with the mode off the misuse gives exactly the messages it gave before the mode
// existed (none of them a lint warning); with it on it gives those same messages in the same order
// plus its warning, once even when the misuse repeats.
TEST_F(Lint, EachCheckWarnsOnlyWhenOn)
{
    struct Case {
        const char* name;
        std::function<void()> misuse;
        const char* warning;
    };
    const std::vector<Case> cases = {
        {"zero size",
         [] {
             VR_Buttons b;
             Place(b, 0, 40);
             b.Name = "Zero";
             b.Init(Window());
             b.Draw();
         },
         "Lint: VR_Buttons \"Zero\" is 0x40 at Init"},
        {"negative height",
         [] {
             VR_Labels l;
             Place(l, 50, -3);
             l.Init(Window());
         },
         "Lint: VR_Labels \"no name\" is 50x-3 at Init"},
        {"refused read-out format",
         [] {
             VR_Valuators v;  // no caption: the read-out is never drawn, so nothing else reports it
             Place(v);
             v.Value_Max = 1.0f;
             v.Format = "%d %s";
             v.Init(Window());
             v.Draw();
         },
         "read-out format \"%d %s\", which is refused"},
        {"font fell back",
         [] {
             VR_Labels l;
             Place(l);
             l.Name = "Fallback";
             l.Font_Name = "No Such Family Anywhere";
             l.Init(Window());
         },
         "Lint: font \"No Such Family Anywhere\" \"\" at 14 px was not found: \"Fallback\""},
        {"font name longer than any message",
         [] {
             static const std::string huge(9000, 'x');
             VR_Labels l;
             Place(l);
             l.Name = "Huge";
             l.Font_Name = huge.c_str();
             l.Init(Window());
         },
         "Lint: a warning too long to show (\"Lint: font"},
        {"list Current outside",
         [] {
             VR_Selects l;
             Place(l, 200, 40);
             l.Grow(3, 0);
             l.Init(Window());
             l.Current = 5;
             l.Draw();
             l.Draw();
         },
         "Lint: VR_Selects \"no name\" has Current 5 outside its 3 items"},
        {"tab bar Current outside",
         [] {
             VR_Tabs t;
             Place(t, 300, 40);
             t.Grow(2, 0);
             t.Init(Window());
             t.Current = -1;
             t.Draw();
         },
         "Lint: VR_Tabs \"no name\" has Current -1 outside its 2 items"},
        {"GL_NORMALIZE off",
         [] {
             VR_Buttons b;
             Place(b);
             b.Init(Window());
             glDisable(GL_NORMALIZE);
             b.Draw();
             b.Draw();
             glEnable(GL_NORMALIZE);
         },
         "Lint: a lit widget is drawn with GL_NORMALIZE off"},
        {"no light",
         [] {
             VR_Buttons b;
             Place(b);
             b.Init(Window());
             glDisable(GL_LIGHT0);
             b.Draw();
             glEnable(GL_LIGHT0);
         },
         "Lint: a lit widget is drawn with no light enabled"},
        {"drawn before Init",
         [] {
             VR_Buttons b;
             b.Name_Set("Early");
             b.Draw();
             b.Draw();
         },
         "Lint: VR_Buttons::Draw on \"Early\" before its Init"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> off = Run(c.misuse, false);
        const std::vector<std::string> on = Run(c.misuse, true);
        std::vector<std::string> kept, lints;
        for (const std::string& m : on)
            (Is_Lint(m) ? lints : kept).push_back(m);
        EXPECT_EQ(kept, off);
        for (const std::string& m : off)
            EXPECT_FALSE(Is_Lint(m)) << m;
        ASSERT_EQ(lints.size(), 1u) << Messages_Text();
        EXPECT_NE(lints[0].find(c.warning), std::string::npos) << lints[0];
    }
}

// After the optional set-up, from a context with none of its states, a correct panel under the mode
// gives no warning and is lit; turning the mode on again forgets the warnings given, so that a host
// sees them again after a reset.
TEST_F(Lint, SetUpPanelIsQuietAndTurningOnForgets)
{
    glDisable(GL_NORMALIZE);
    glDisable(GL_LIGHT0);
    glDepthFunc(GL_LESS);
    VR_Tools_GL_Setup();
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depth);
    EXPECT_EQ(depth, GL_LEQUAL);
    // The light it sets is the one a batch host is given as values: a unit direction, w = 0.
    const VR_Tools_Light& light = VR_Tools_Default_Light();
    GLfloat position[4] = {}, diffuse[4] = {};
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    float length = 0.0f;
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(position[i], light.toward[i]);
        EXPECT_FLOAT_EQ(diffuse[i], light.color[i]);
        length += light.toward[i] * light.toward[i];
    }
    EXPECT_NEAR(length, 1.0f, 1e-6f);
    EXPECT_EQ(position[3], 0.0f);
    const auto good = [this] {
        VR_Buttons b;
        Place(b);
        b.Name = "Fine";
        b.Color_Set(Packed_Color(230, 40, 40));
        b.Init(Window());
        VR_Valuators v;
        Place(v);
        v.Y = 100;
        v.Name = "Level";
        v.Value_Max = 10.0f;
        v.Format = "%.1f";
        v.Init(Window());
        b.Draw();
        v.Draw();
        // The face of the raised button: red from the packed colour, lit to more than the ambient part.
        const Rgba face = Pixel(20, 20);
        EXPECT_GT(face.r, 150);
        EXPECT_LT(face.b, 60);
    };
    EXPECT_TRUE(Run(good, true).empty()) << Messages_Text();

    const auto early = [] {
        VR_Labels l;
        l.Draw();
    };
    VR_Tools_Lint_Set(true);
    early();
    early();
    VR_Tools_Lint_Set(true);
    early();
    VR_Tools_Lint_Set(false);
    EXPECT_FALSE(VR_Tools_Lint_Get());
    int lints = 0;
    for (const Captured_Message& m : Messages())
        lints += Is_Lint(m.utf8);
    EXPECT_EQ(lints, 2) << Messages_Text();
}
