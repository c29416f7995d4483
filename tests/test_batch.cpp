// Batches: the batch's picture equals the widgets' own for every class and state, in a few draw calls,
// with sub-range uploads only for what changed, and the host's GL state left as found.
//
// [SECTION] Looks (compatibility context: the widgets' own Draw is the reference)
// [SECTION] Every profile
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <vrtools/batch.h>
#include "batch_view.h"
#include "gl_fixture.h"

namespace {

template <class W, class = void>
struct Has_Select : std::false_type {};
template <class W>
struct Has_Select<W, std::void_t<decltype(std::declval<W&>().Select(0, 0.0f, 0.0f))>> : std::true_type {};
template <class W, class = void>
struct Has_Adjust : std::false_type {};
template <class W>
struct Has_Adjust<W, std::void_t<decltype(std::declval<W&>().Adjust())>> : std::true_type {};

// Every widget a case makes, kept alive for both draws; progress phases are rewound between them.
struct Stage {
    // NOTE: shared_ptr keeps each widget's own deleter: the classes have no virtual destructor.
    std::deque<std::shared_ptr<VR_Tools>> owned;
    std::vector<std::function<void()>> draws;
    std::vector<std::function<void(VR_Batches&)>> adds;
    std::vector<VR_Progress*> bars;
    HWND window = nullptr;                     // the fixture's, for every Init
    std::vector<std::function<void()>> pokes;  // press and release in the middle, Adjust, re-Init

    template <class W>
    W& Make(const char* name, int x, int y, int w, int h, int bevel, unsigned int flags = 0)
    {
        auto widget = std::make_shared<W>();
        W& r = *widget;
        Widget_Place(r, name, x, y, w, h, bevel);
        r.Flags = flags;
        owned.push_back(std::move(widget));
        draws.push_back([&r] { r.Draw(); });
        adds.push_back([&r](VR_Batches& b) { b.Add(r); });
        if constexpr (std::is_same_v<W, VR_Progress>)
            bars.push_back(&r);
        pokes.push_back([&r] {
            const float x = r.X + r.Width * 0.5f, y = r.Y + r.Height * 0.5f;
            if constexpr (Has_Select<W>::value) {
                r.Select(1, x, y);
                r.Select(0, x, y);
            }
            if constexpr (Has_Adjust<W>::value)
                r.Adjust();
            r.Init(r.Window);
        });
        return r;
    }
};

// A 4 x 4 picture with every alpha from clear to opaque, as Icon would load it (the box owns it).
void Picture_Set(VR_Boxs& b)
{
    b.Icon_Width = b.Icon_Height = 4;
    b.Image = static_cast<unsigned char*>(std::malloc(64));
    for (int i = 0; i < 16; ++i) {
        const unsigned char texel[4] = {static_cast<unsigned char>(i * 16), static_cast<unsigned char>(255 - i * 16),
                                        static_cast<unsigned char>(i % 4 * 80), static_cast<unsigned char>(i * 17)};
        std::memcpy(b.Image + 4 * i, texel, 4);
    }
}

struct Look_Case {
    const char* what;
    std::function<void(Stage&)> build;
};

// Every class in the states that look different: labels, buttons, boxes, frames and progress bars,
// sliders, lists and tabs, colour editors.
const std::vector<Look_Case>& Look_Cases()
{
    static const char* const names[] = {"One", "Two", "Three"};
    static const std::vector<Look_Case> cases = {
        {"labels",
         [](Stage& s) {
             s.Make<VR_Labels>("Left label", 20, 540, 200, 30, 4).Init(s.window);
             VR_Labels& c = s.Make<VR_Labels>("Centred", 240, 540, 200, 40, 4, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
             c.Color_Set(255, 200, 40);
             c.Init(s.window);
         }},
        {"buttons",
         [](Stage& s) {
             s.Make<VR_Buttons>("Up", 20, 500, 120, 36, 3).Init(s.window);
             VR_Buttons& pressed = s.Make<VR_Buttons>("Pressed", 160, 500, 120, 36, 3);
             pressed.Init(s.window);
             pressed.State = 1;
             VR_Buttons& hover = s.Make<VR_Buttons>("Hover", 300, 500, 120, 36, 3);
             hover.Init(s.window);
             hover.Select(0, 360.0f, 518.0f);
             VR_Buttons& lamp = s.Make<VR_Buttons>("Lamp", 440, 500, 140, 36, 3, VR_BUTTON_LAMP);
             lamp.Lamp = 1;
             lamp.Init(s.window);
             s.Make<VR_Buttons>("Flat", 600, 500, 120, 36, 3, VR_FLAT).Init(s.window);
             s.Make<VR_Buttons>("Inactive", 20, 440, 120, 36, 3, VR_INACTIVE).Init(s.window);
         }},
        {"boxes",
         [](Stage& s) {
             s.Make<VR_Boxs>("Box", 20, 400, 140, 60, 4).Init(s.window);
             s.Make<VR_Boxs>("Apart", 180, 400, 140, 60, 4, VR_BOX_FLOOR_APART).Init(s.window);
             s.Make<VR_Boxs>("Unlit", 340, 400, 140, 60, 4, VR_BOX_FLOOR_UNLIT).Init(s.window);
             s.Make<VR_Boxs>("Flat box", 500, 400, 140, 60, 4, VR_FLAT).Init(s.window);
             VR_Boxs& hover = s.Make<VR_Boxs>("Lit", 660, 400, 120, 60, 4);
             hover.Init(s.window);
             hover.Select(0, 700.0f, 430.0f);
             // Pictures: lit, nearer with the floor apart, tinted in the flat look.
             const unsigned int picture_flags[] = {0, VR_BOX_FLOOR_APART, VR_FLAT};
             for (int i = 0; i < 3; ++i) {
                 VR_Boxs& b = s.Make<VR_Boxs>("Icon", 20 + 160 * i, 280, 140, 90, 4, picture_flags[i]);
                 Picture_Set(b);
                 b.Init(s.window);
             }
         }},
        {"frames and progress",
         [](Stage& s) {
             s.Make<VR_Frames>("Frame", 20, 20, 300, 150, 4).Init(s.window);
             s.Make<VR_Progress>("Busy", 340, 300, 200, 30, 3).Init(s.window);
             s.Make<VR_Progress>("Near", 340, 250, 200, 30, 3, 0x10).Init(s.window);
             s.Make<VR_Progress>("Flat bar", 340, 200, 200, 30, 3, VR_FLAT).Init(s.window);
         }},
        {"sliders",
         [](Stage& s) {
             VR_Valuators& gain = s.Make<VR_Valuators>("Gain", 20, 300, 260, 32, 3);
             gain.Value_Max = 100.0f;
             gain.Value = 40.0f;
             gain.Format = "%.1f";
             gain.Init(s.window);
             VR_Valuators& log = s.Make<VR_Valuators>("Log", 20, 220, 260, 32, 3, VR_VALUATOR_LOG10);
             log.Value_Min = 1.0f;
             log.Value_Max = 1000.0f;
             log.Value = 30.0f;
             log.Format = "%.0f Hz";
             log.Init(s.window);
             VR_Valuators& flat = s.Make<VR_Valuators>("Flat", 320, 220, 260, 32, 3, VR_FLAT);
             flat.Value_Max = 10.0f;
             flat.Value = 7.0f;
             flat.Format = "%.2f";
             flat.Init(s.window);
         }},
        {"lists and tabs",
         [](Stage& s) {
             VR_Selects& list = s.Make<VR_Selects>("List", 20, 500, 260, 40, 2);
             VR_Selects& vertical = s.Make<VR_Selects>("Vertical", 320, 300, 80, 240, 2, VR_SELECT_VERTICAL);
             VR_Tabs& tabs = s.Make<VR_Tabs>("Tabs", 20, 200, 420, 30, 3);
             list.Grow(3, 0);
             vertical.Grow(3, 0);
             tabs.Grow(3, 0);
             for (int i = 0; i < 3; ++i)
                 for (VR_Tools* t : {static_cast<VR_Tools*>(list.Item[i]), static_cast<VR_Tools*>(vertical.Item[i]),
                                     static_cast<VR_Tools*>(tabs.Item[i])}) {
                     t->Name = names[i];
                     t->Font_Name = "DejaVu Sans";
                     t->Font_Size = 14;
                 }
             list.Init(s.window);
             vertical.Init(s.window);
             tabs.Current = 1;
             tabs.Init(s.window);
             list.Select(0, 25.0f, 520.0f);
             s.Make<VR_TabItems>("Tab", 460, 200, 120, 30, 3).Init(s.window);
             s.Make<VR_TabItems>("Flat tab", 600, 200, 120, 30, 3, VR_FLAT).Init(s.window);
         }},
        {"colour editors",
         [](Stage& s) {
             VR_Colors& rgb = s.Make<VR_Colors>("Colour", 20, 400, 400, 110, 2);
             rgb.Color_Value = 0x3366CC;
             rgb.Init(s.window);
             VR_Colors& hls = s.Make<VR_Colors>("HLS", 20, 250, 400, 110, 2, VR_COLOR_HLS);
             hls.Color_Value = 0x3366CC;
             hls.Init(s.window);
             VR_Hues& hue = s.Make<VR_Hues>("Hue", 20, 150, 400, 50, 2);
             hue.Color_Value = 0x3366CC;
             hue.Init(s.window);
         }},
    };
    return cases;
}

// [SECTION] Looks ----------------------------------------------------------------------------------------

// The widgets' own Draw needs the fixed-function pipeline: looks are compared in a compatibility
// context; the other profiles run the Batch suite below.
class Look : public GL_Test {
protected:
    std::vector<unsigned char> Frame_Read() const
    {
        std::vector<unsigned char> pixels(static_cast<size_t>(WIDTH) * HEIGHT * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // Largest difference of any colour channel between the widgets' own frame and the batch's, and
    // where it is; pictures of both go into the build directory when it is above `tolerance`.
    int Compare(Stage& stage, VR_Batches& batch, const std::string& what, bool explicit_view, int tolerance = 8)
    {
        std::vector<short> phases;
        for (VR_Progress* p : stage.bars)
            phases.push_back(p->Phase);
        Clear(0.16f, 0.18f, 0.22f);
        for (auto& d : stage.draws)
            d();
        const std::vector<unsigned char> own = Frame_Read();
        for (size_t i = 0; i < phases.size(); ++i)
            stage.bars[i]->Phase = phases[i];
        Clear(0.16f, 0.18f, 0.22f);
        if (!explicit_view) {
            batch.Draw();
        } else {
            float projection[16];
            const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
            headless::Matrix_Pixels(WIDTH, HEIGHT, projection);
            const headless::Light& light = headless::Light_Values();
            batch.Draw(projection, identity, light.direction, light.color, light.ambient);
        }
        const std::vector<unsigned char> mine = Frame_Read();
        int worst = 0, at = 0, count = 0;
        for (size_t i = 0; i < own.size(); ++i) {
            if (i % 4 == 3)
                continue;  // alpha is not shown
            const int d = std::abs(own[i] - mine[i]);
            if (d > tolerance)
                ++count;
            if (d > worst) {
                worst = d;
                at = static_cast<int>(i / 4);
            }
        }
        if (worst > tolerance) {
            Save_Png("Batch." + what + ".batch");
            Clear(0.16f, 0.18f, 0.22f);
            for (auto& d : stage.draws)
                d();
            Save_Png("Batch." + what + ".own");
            ADD_FAILURE() << what << ": " << count << " channel values differ by more than " << tolerance << ", worst "
                          << worst << " at (" << at % WIDTH << ", " << at / WIDTH << ")";
        }
        return worst;
    }
};

}  // namespace

TEST_F(Look, BatchEqualsOwnDrawForEveryClassAndState)
{
    const std::vector<Look_Case>& cases = Look_Cases();
    for (const Look_Case& c : cases) {
        Stage stage;
        stage.window = Window();
        c.build(stage);
        VR_Batches batch;
        for (auto& add : stage.adds)
            add(batch);
        ASSERT_EQ(batch.Init(), 1) << Messages_Text();
        // Both ways of drawing: the current fixed-function matrices and light, and the host's own.
        Compare(stage, batch, std::string(c.what) + " (fixed-function view)", false);
        Compare(stage, batch, std::string(c.what) + " (explicit view)", true);
        EXPECT_GE(batch.Draw_Calls_Get(), 1) << c.what;
        EXPECT_LE(batch.Draw_Calls_Get(), 4) << c.what;
    }
    // A light at a position (a desk lamp above the middle): only the fixed-function view carries one.
    Stage stage;
    stage.window = Window();
    cases[1].build(stage);  // buttons: faces, walls and rims at every angle to the lamp
    cases[2].build(stage);
    VR_Batches batch;
    for (auto& add : stage.adds)
        add(batch);
    ASSERT_EQ(batch.Init(), 1);
    const GLfloat lamp[] = {400.0f, 300.0f, 150.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lamp);
    Compare(stage, batch, "positional light", false);
    headless::Light_Default();
    // Normals not renormalised: lit as long as the widgets give them.
    glDisable(GL_NORMALIZE);
    Compare(stage, batch, "normals as given", false);
    glEnable(GL_NORMALIZE);
    // Turned about the vertical axis, the boxes' walls face the viewer and must be drawn, lamp outlines
    // run slanted across pixels and the lists' arrows are lit in the turned frame.
    for (const int i : {1, 2, 5}) {
        Stage turned;
        turned.window = Window();
        cases[i].build(turned);
        VR_Batches turned_batch;
        for (auto& add : turned.adds)
            add(turned_batch);
        ASSERT_EQ(turned_batch.Init(), 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glTranslatef(400.0f, 0.0f, 0.0f);
        glRotatef(35.0f, 0.0f, 1.0f, 0.0f);
        glTranslatef(-400.0f, 0.0f, 0.0f);
        Compare(turned, turned_batch, std::string(cases[i].what) + " (turned view)", false);
        glPopMatrix();
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// The host moves a tab bar's Current between batch frames, with no Draw of the bar's own between:
// the batch's frame shows the new tab in front and marked, as the bar's own Draw then shows it.
TEST_F(Look, ATabBarsCurrentMovedBetweenBatchFramesShowsAsItsOwnDraw)
{
    Stage stage;
    stage.window = Window();
    VR_Tabs& tabs = stage.Make<VR_Tabs>("Tabs", 20, 200, 420, 30, 3);
    tabs.Grow(3, 0);
    const char* const names[] = {"One", "Two", "Three"};
    for (int i = 0; i < 3; ++i) {
        tabs.Item[i]->Name = names[i];
        tabs.Item[i]->Font_Name = "DejaVu Sans";
        tabs.Item[i]->Font_Size = 14;
    }
    tabs.Current = 1;
    tabs.Init(stage.window);
    VR_Batches batch;
    batch.Add(tabs);
    ASSERT_EQ(batch.Init(), 1);
    batch.Draw();
    tabs.Current = 2;
    Clear(0.16f, 0.18f, 0.22f);
    batch.Draw();
    const std::vector<unsigned char> mine = Frame_Read();
    Clear(0.16f, 0.18f, 0.22f);
    tabs.Draw();
    const std::vector<unsigned char> own = Frame_Read();
    int worst = 0;
    for (size_t i = 0; i < own.size(); ++i)
        if (i % 4 != 3)
            worst = std::max(worst, std::abs(own[i] - mine[i]));
    EXPECT_LE(worst, 8);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Look, MeshCornersOfDifferentColoursAreShadedAcrossAsTheirOwn)
{
    // A widget's quads are each of one colour, which the batch leaves uninterpolated. A host may
    // still recolour single corners (the colour array and its buffer are public): those quads, and
    // with them every mesh of the batch, are shaded from corner to corner again, in a new batch as
    // in one that sees the change when the widget shows again.
    Stage stage;
    stage.window = Window();
    Look_Cases()[1].build(stage);
    VR_Buttons& ramp = stage.Make<VR_Buttons>("Ramp", 420, 60, 300, 140, 8);
    ramp.Init(stage.window);
    ASSERT_GT(ramp.Quad_Count, 0);
    VR_Batches kept;
    for (auto& add : stage.adds)
        add(kept);
    ASSERT_EQ(kept.Init(), 1);
    Compare(stage, kept, "one colour a quad", true);
    for (int q = 0; q < ramp.Quad_Count; ++q) {
        ramp.Color_Array[q * 4] = 0xff0000f0u;      // red
        ramp.Color_Array[q * 4 + 2] = 0xfff01000u;  // blue
    }
    // Batched, the button holds no buffers of its own: its own Draw sends the arrays up again.
    ASSERT_TRUE(ramp.Status & VR_STATUS_UNLOADED);
    ASSERT_FALSE(glIsBuffer(ramp.Color_VBO));
    VR_Batches fresh;
    for (auto& add : stage.adds)
        add(fresh);
    ASSERT_EQ(fresh.Init(), 1);
    Compare(stage, fresh, "corners of different colours (explicit view)", true);
    Compare(stage, fresh, "corners of different colours (fixed-function view)", false);
    ramp.Flags |= VR_HIDDEN;
    kept.Draw();
    ramp.Flags &= ~VR_HIDDEN;
    Compare(stage, kept, "corners of different colours, shown again", true);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Look, ReadOutsMetBeforeAreFormattedAndRasterisedAsTheirOwn)
{
    // A batch takes a read-out formatted lately for any slider of the same format and value, and its
    // bitmap from one rasterised lately in the same font: each slider's text must still be what the C
    // library prints for its own format and value, and its bitmap and sizes what the caption
    // rasteriser gives for its own font and text, whether met first or after the others (fonts and
    // styles of one text, formats one character apart, -0 beside 0, values a bit apart).
    const struct {
        const char* font;
        const char* style;
        const char* format;
        float value;
    } sliders[] = {
        {"DejaVu Sans", nullptr, "%.2f", 38.38f},  {"DejaVu Serif", nullptr, "%.2f", 38.38f},
        {"DejaVu Sans", "Bold", "%.2f", 38.38f},   {"DejaVu Sans Mono", nullptr, "%.2f", 38.38f},
        {"DejaVu Sans", nullptr, "%.2f", 83.83f},  {"DejaVu Serif", "Bold", "%.2f", 83.83f},
        {"DejaVu Sans", nullptr, "%.1f", 0.0f},    {"DejaVu Sans", nullptr, "%.1f", -0.0f},
        {"DejaVu Sans", nullptr, "%.2f", 0.0f},    {"DejaVu Sans", nullptr, "%+.1f", 0.0f},
        {"DejaVu Sans", nullptr, "%.1f", 12.25f},  {"DejaVu Sans", nullptr, "Gain %.1f", 12.25f},
        {"DejaVu Sans", nullptr, "%.1e", 12.25f},  {"DejaVu Sans", nullptr, "%.1f", 12.250001f},
        {"DejaVu Sans", nullptr, "%.3f", 99.999f}, {"DejaVu Sans", nullptr, "%.3f", 99.99901f},
    };
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    for (int round = 0; round < 2; ++round) {
        // The second round meets every text again, in the opposite order.
        std::deque<VR_Valuators> made;
        VR_Batches batch;
        for (std::size_t k = 0; k < std::size(sliders); ++k) {
            const auto& c = sliders[round == 0 ? k : std::size(sliders) - 1 - k];
            made.emplace_back();
            VR_Valuators& s = made.back();
            s.Name = "Gain";
            s.Y = static_cast<short>(20 + 30 * k);
            s.Width = 300;
            s.Height = 24;
            s.Bevel = 3;
            s.Font_Name = c.font;
            s.Font_Style = c.style;
            s.Font_Size = 14;
            s.Value_Min = -100.0f;
            s.Value_Max = 100.0f;
            s.Value = c.value;
            s.Format = c.format;
            s.Init(Window());
            batch.Add(s);
        }
        ASSERT_EQ(batch.Init(), 1);
        // The first frame describes them (all in view).
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        for (const VR_Valuators& s : made) {
            const std::string what = std::string(s.Font_Name) + " " + (s.Font_Style ? s.Font_Style : "") + " " +
                                     s.Format + " of " + std::to_string(s.Shown_Value) + ", round " +
                                     std::to_string(round);
            wchar_t format[32] = {}, expected[64] = {};
            for (int i = 0; s.Format[i]; ++i)
                format[i] = static_cast<wchar_t>(s.Format[i]);
            std::swprintf(expected, 64, format, static_cast<double>(s.Shown_Value));
            EXPECT_EQ(std::wstring(s.Value_Text), std::wstring(expected)) << what;
            VR_Labels reference;
            int tex_w = 0, tex_h = 0, text_w = 0, text_h = 0;
            reference.Window = Window();
            ASSERT_EQ(reference.Text(s.Value_Text, &reference.Text_Bitmap, s.Font_Name, s.Font_Style, 8, &tex_w, &tex_h,
                                     &text_w, &text_h),
                      1);
            ASSERT_EQ(s.Value_Tex_Width, tex_w) << what;
            ASSERT_EQ(s.Value_Tex_Height, tex_h) << what;
            EXPECT_EQ(s.Value_Text_Width, text_w) << what;
            EXPECT_EQ(s.Value_Text_Height, text_h) << what;
            EXPECT_EQ(std::memcmp(s.Value_Bitmap, reference.Text_Bitmap, static_cast<std::size_t>(tex_w) * tex_h), 0)
                << what;
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Look, ViewsCuttingTheStageDrawWhatRemains)
{
    // Only slots that may be visible are drawn: widgets cut by the window's edge or by the near plane
    // must still show their visible part, and widgets brought back into view must show again.
    Stage stage;
    stage.window = Window();
    Look_Cases()[1].build(stage);  // buttons with lamp outlines, whose bands reach beyond the edges
    Look_Cases()[2].build(stage);  // boxes with walls, floors and pictures
    VR_Batches batch;
    for (auto& add : stage.adds)
        add(batch);
    ASSERT_EQ(batch.Init(), 1);
    const auto drawn = [&] { return WIDTH * HEIGHT - Count_Pixels(0, 0, WIDTH, HEIGHT, Rgba{41, 46, 56, 255}, 2); };
    glMatrixMode(GL_MODELVIEW);
    // Shifted so that the window's left and top edges run through buttons, boxes and a lamp's rim.
    glPushMatrix();
    glTranslatef(-70.0f, 85.0f, 0.0f);
    Compare(stage, batch, "shifted view", false);
    EXPECT_GT(drawn(), 20000);
    glPopMatrix();
    // Seen in perspective from in front of the stage's lower part, tilted back: the near plane runs
    // through the first row of boxes (y = 400 to 460), those below it lie wholly in front of it.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glFrustum(-120.0, 120.0, -60.0, 60.0, 100.0, 3000.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, -40.0f, -100.0f);
    glRotatef(-40.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-400.0f, -430.0f, 0.0f);
    Compare(stage, batch, "near plane through a row", false);
    EXPECT_GT(drawn(), 20000);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    // Wholly outside, then back in the plain view.
    glPushMatrix();
    glTranslatef(2.0f * WIDTH, 0.0f, 0.0f);
    Compare(stage, batch, "stage outside the view", false);
    EXPECT_EQ(drawn(), 0);
    glPopMatrix();
    Compare(stage, batch, "plain view again", false);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// [SECTION] Every profile ---------------------------------------------------------------------------------

namespace heap {
// Counts of the library's heap allocations (test_steady_state.cpp; 0 under AddressSanitizer).
void Start();
long Stop();
}  // namespace heap

namespace {

// One row of a host's interface: a label, a button and a slider with a read-out.
struct Row {
    VR_Labels label;
    VR_Buttons button;
    VR_Valuators slider;
};

class Batch : public GL_Test {
protected:
    // The host's view in any profile: one unit per pixel and the default light.
    void Draw(VR_Batches& batch) { Batch_Draw_Pixels(batch, WIDTH, HEIGHT); }

    // The frame `batch` draws in Draw's view, as RGBA bytes.
    std::vector<unsigned char> Frame_Of(VR_Batches& batch)
    {
        Clear();
        Draw(batch);
        return Frame_Pixels(WIDTH, HEIGHT);
    }

    // The frame `batch` draws with the panel moved by `dx` pixels, on a grey `ground`.
    std::vector<unsigned char> Frame_Moved(VR_Batches& batch, float dx, float ground = 0.0f)
    {
        Clear(ground, ground, ground);
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT, dx);
        return Frame_Pixels(WIDTH, HEIGHT);
    }

    // The frame of a new batch of `rows` (text as glyphs when `sharp`), laid out from scratch.
    template <class Rows>
    std::vector<unsigned char> Rows_Fresh_Frame(const Rows& rows, bool sharp = false)
    {
        VR_Batches fresh;
        fresh.Sharp_Text_Set(sharp);
        for (const auto& r : rows) {
            fresh.Add(r->label);
            fresh.Add(r->button);
            fresh.Add(r->slider);
        }
        EXPECT_EQ(fresh.Init(), 1);
        return Frame_Of(fresh);
    }

    // The frame of a new batch of `widgets`, laid out from scratch.
    std::vector<unsigned char> Fresh_Frame(std::initializer_list<std::function<void(VR_Batches&)>> widgets)
    {
        VR_Batches fresh;
        for (const auto& add : widgets)
            add(fresh);
        EXPECT_EQ(fresh.Init(), 1);
        return Frame_Of(fresh);
    }

    static void Place(VR_Tools& w, const char* name, int x, int y, int width, int height)
    {
        Widget_Place(w, name, x, y, width, height);
    }

    // `n` rows from the top, wrapping round when they reach the bottom, added to `batch`.
    std::vector<std::unique_ptr<Row>> Rows_Make(int n, VR_Batches& batch)
    {
        std::vector<std::unique_ptr<Row>> rows;
        for (int i = 0; i < n; ++i) {
            auto r = std::make_unique<Row>();
            const int y = HEIGHT - 50 - (i % 10) * 55;
            Place(r->label, "Row", 10, y, 100, 30);
            Place(r->button, "Press", 120, y, 100, 32);
            Place(r->slider, "Gain", 240, y, 300, 32);
            r->slider.Value_Max = 100.0f;
            r->slider.Value = 10.0f + i % 80;
            r->slider.Format = "%.1f";
            r->label.Init(Window());
            r->button.Init(Window());
            r->slider.Init(Window());
            batch.Add(r->label);
            batch.Add(r->button);
            batch.Add(r->slider);
            rows.push_back(std::move(r));
        }
        return rows;
    }
};

}  // namespace

TEST_F(Batch, DrawsEveryRowInFewCallsAtAnyCount)
{
    for (int n : {10, 100, 1000}) {
        VR_Batches batch;
        const auto rows = Rows_Make(n, batch);
        ASSERT_EQ(batch.Init(), 1) << Messages_Text();
        Clear();
        Draw(batch);
        EXPECT_GE(batch.Draw_Calls_Get(), 1) << n;
        EXPECT_LE(batch.Draw_Calls_Get(), 4) << n;
        // The first row's button face is lit grey, its label white text on black.
        const Rgba face = Pixel(210, HEIGHT - 50 + 6);
        EXPECT_GT(face.r, 100) << n;
        EXPECT_EQ(face.r, face.b) << n;
        EXPECT_GT(Count_Pixels(10, HEIGHT - 50, 110, HEIGHT - 20, Rgba{255, 255, 255, 255}, 8), 20) << n;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, CaptionsPastOneAtlasWidthsWorthAreAllDrawn)
{
    // Long captions, far more of them than a 2048-texel-wide atlas of the tallest texture holds.
    constexpr int COUNT = 6000;
    std::vector<VR_Labels> labels(COUNT);
    VR_Batches batch;
    for (int i = 0; i < COUNT; ++i) {
        char text[128];
        std::snprintf(text, sizeof text, "Label %d with a caption long enough to take a good part of the atlas", i);
        Place(labels[static_cast<std::size_t>(i)], text, 10, HEIGHT - 50 - (i % 10) * 55, 780, 30);
        labels[static_cast<std::size_t>(i)].Init(Window());
        batch.Add(labels[static_cast<std::size_t>(i)]);
    }
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    Clear();
    Draw(batch);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
    EXPECT_LE(batch.Draw_Calls_Get(), 4);
    // The last label drawn at the top place shows its caption's ink.
    EXPECT_GT(Count_Pixels(10, HEIGHT - 50, 790, HEIGHT - 20, Rgba{255, 255, 255, 255}, 8), 200);
}

TEST_F(Batch, SteadyFramesUploadNothingAndChangesOnlyTheirRange)
{
    VR_Batches batch;
    const auto rows = Rows_Make(10, batch);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    // No buffer is replaced, neither the batch's nor a widget's own (a slider's read-out quad, which
    // its own Draw loads when it needs it).
    const auto expect_uploads = [&](int sub_ranges, long max_bytes, const char* what) {
        Clear();
        Counts_Reset();
        Draw(batch);
        EXPECT_EQ(Counts().buffer_data, 0) << what << ": a whole buffer was replaced";
        EXPECT_EQ(Counts().buffer_sub_data, sub_ranges) << what;
        EXPECT_LE(Counts().sub_data_bytes, max_bytes) << what;
    };

    Counts_Reset();
    heap::Start();
    for (int i = 0; i < 3; ++i)
        Draw(batch);
    EXPECT_EQ(heap::Stop(), 0) << "heap allocations in a steady frame";
    EXPECT_EQ(Counts().buffer_data + Counts().buffer_sub_data + Counts().tex_image, 0);
    EXPECT_EQ(batch.Uploads_Get(), 0);

    // A hover recolours a face and its four walls: five quads of one button (48-byte vertices).
    const VR_Buttons& b = rows[3]->button;
    rows[3]->button.Select(0, b.X + 10.0f, b.Y + 10.0f);
    expect_uploads(1, 5 * 4 * 48, "hover");
    expect_uploads(0, 0, "hover held");
    // A cursor move with a new read-out: the cursor's and the read-out's vertices in one piece (a
    // slider's streams lie side by side) and the read-out's atlas cell.
    rows[5]->slider.Value = 77.0f;
    rows[5]->slider.Adjust();
    expect_uploads(1, 15 * 4 * 48, "cursor");
    EXPECT_EQ(batch.Uploads_Get(), 2) << "the vertices and the read-out's atlas cell";
    // Hidden: that widget's range only, drawn as nothing; shown again the same way.
    rows[7]->label.Flags |= VR_HIDDEN;
    expect_uploads(1, 2 * 4 * 48, "hidden");
    EXPECT_EQ(Count_Pixels(10, rows[7]->label.Y, 110, rows[7]->label.Y + 30, Rgba{255, 255, 255, 255}, 8), 0);
    rows[7]->label.Flags &= ~VR_HIDDEN;
    expect_uploads(1, 2 * 4 * 48, "shown");
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, EveryReadOutChangingGoesUpInAFewUploadsAndShowsAsAFreshBatch)
{
    VR_Batches batch;
    const auto rows = Rows_Make(300, batch);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    // Two frames of new values: the second finds the read-outs' cells moved to room of their own.
    for (float step : {0.5f, 10.25f}) {
        for (const auto& r : rows) {
            r->slider.Value += step;
            r->slider.Adjust();
        }
        Counts_Reset();
        Clear();
        Draw(batch);
        EXPECT_EQ(Counts().buffer_data + Counts().tex_image, 0) << step << ": laid out again";
        EXPECT_LE(Counts().buffer_sub_data, 2) << step << ": the vertices go up one widget at a time";
        EXPECT_LE(batch.Uploads_Get(), 4) << step << ": the read-outs' texels go up one at a time";
    }
    const std::vector<unsigned char> now = Frame_Pixels(WIDTH, HEIGHT);
    EXPECT_TRUE(Rows_Fresh_Frame(rows) == now) << "the read-outs sent in pieces differ from a fresh layout's";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, SlidersRewrittenPartByPartShowAsAFreshBatchInBothTextModes)
{
    // Rows stacked two deep (the eleventh row lies on the first), so read-outs spill over later
    // widgets; values across the whole travel, the ends included, where a read-out reaches past its
    // slider and the slot's box grows and shrinks again; hovers recolouring buttons in between.
    const float values[] = {0.0f, 100.0f, 50.5f, 99.9f, 3.25f, 100.0f, 0.05f, 42.0f, 7.0f};
    for (const bool sharp : {false, true}) {
        VR_Batches batch;
        batch.Sharp_Text_Set(sharp);
        const auto rows = Rows_Make(24, batch);
        ASSERT_EQ(batch.Init(), 1) << Messages_Text();
        Draw(batch);
        for (std::size_t f = 0; f < 18; ++f) {
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if ((i + f) % 4 == 0)
                    continue;
                rows[i]->slider.Value = values[(i * 5 + f) % 9];
                rows[i]->slider.Adjust();
            }
            VR_Buttons& b = rows[f % rows.size()]->button;
            b.Select(0, b.X + 10.0f, b.Y + 10.0f);
            if (f > 0)
                rows[(f - 1) % rows.size()]->button.Deselect();
            Counts_Reset();
            Draw(batch);
            EXPECT_EQ(Counts().buffer_data, 0) << sharp << " " << f << ": laid out again";
        }
        const std::vector<unsigned char> now = Frame_Of(batch);
        EXPECT_TRUE(Rows_Fresh_Frame(rows, sharp) == now)
            << (sharp ? "sharp" : "exact") << ": sliders rewritten part by part differ from a fresh layout";
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, AReadOutMovedPastItsSliderIntoTheViewIsDrawn)
{
    VR_Valuators slider;
    Place(slider, "Gain", 240, HEIGHT - 100, 300, 32);
    slider.Value_Max = 100.0f;
    slider.Format = "%.4f";  // a read-out wider than the cursor, reaching past the slider's end
    slider.Init(Window());
    // The view's left edge just past the slider's right end and the culling's margin: only a read-out
    // reaching past it shows (black, on grey).
    const auto frame_of = [&](VR_Batches& b) { return Frame_Moved(b, -545.0f, 0.5f); };
    VR_Batches batch;
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1);
    const std::vector<unsigned char> empty = frame_of(batch);
    // A value first (the first description after a layout is taken whole), then the far end.
    for (const float value : {1.0f, 100.0f}) {
        slider.Value = value;
        slider.Adjust();
        if (value < 100.0f) {
            EXPECT_TRUE(frame_of(batch) == empty);
        }
    }
    const std::vector<unsigned char> now = frame_of(batch);
    VR_Batches fresh;
    fresh.Add(slider);
    ASSERT_EQ(fresh.Init(), 1);
    const std::vector<unsigned char> want = frame_of(fresh);
    ASSERT_FALSE(want == empty) << "the read-out does not reach into the view";
    EXPECT_TRUE(now == want) << "the slider's box did not grow with its read-out";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, WidgetsChangedFarAwayShowWhereTheirChangeReachesIntoTheView)
{
    // Changed while the view is far away, each widget reaches into a view that the box it drew
    // before stays out of (beyond the culling's reach): its slot must count as near there, and show
    // as a fresh batch draws it there and back home, in both text modes.
    VR_Valuators slider;
    Place(slider, "Gain", 240, HEIGHT - 100, 300, 32);
    slider.Value_Max = 100.0f;
    slider.Format = "%.9f";
    VR_Labels label;
    Place(label, "Row", 10, HEIGHT - 100, 700, 30);
    const struct {
        const char* what;
        float dx;  // the panel moved so that the view's left edge lies at -dx
        std::function<void()> reset, change;
        std::function<void(VR_Batches&)> add;
    } cases[] = {// The cursor goes to the end facing the view, its long read-out past the slider's end; the
                 // view's edge lies 12 units beyond it.
                 {"read-out grown past its slider", -552.0f,
                  [&] {
                      slider.Value = 1.0f;
                      slider.Init(Window());
                  },
                  [&] {
                      slider.Value = 100.0f;
                      slider.Adjust();
                  },
                  [&](VR_Batches& b) { b.Add(slider); }},
                 // A wide label's short caption, far left of the view, aligned to the right (Flags, then Init)
                 // where only the label's right end reaches.
                 {"caption aligned anew", -400.0f,
                  [&] {
                      label.Flags = 0;
                      label.Init(Window());
                  },
                  [&] {
                      label.Flags |= VR_TEXT_RIGHT;
                      label.Init(Window());
                  },
                  [&](VR_Batches& b) { b.Add(label); }}};
    for (const auto& c : cases) {
        for (const bool sharp : {false, true}) {
            c.reset();
            const auto edge = [&](VR_Batches& b) { return Frame_Moved(b, c.dx, 0.5f); };
            VR_Batches batch;
            batch.Sharp_Text_Set(sharp);
            c.add(batch);
            ASSERT_EQ(batch.Init(), 1);
            const std::vector<unsigned char> empty = edge(batch);
            Frame_Moved(batch, -5000.0f);
            c.change();
            Frame_Moved(batch, -5000.0f);
            const std::vector<unsigned char> now = edge(batch);
            const std::vector<unsigned char> home = Frame_Moved(batch, 0.0f, 0.5f);
            VR_Batches fresh;
            fresh.Sharp_Text_Set(sharp);
            c.add(fresh);
            ASSERT_EQ(fresh.Init(), 1);
            const std::vector<unsigned char> want = edge(fresh);
            const char* mode = sharp ? "sharp" : "exact";
            ASSERT_FALSE(want == empty) << c.what << ", " << mode << ": does not reach into the view";
            EXPECT_TRUE(now == want) << c.what << ", " << mode << ": left out at the view's edge";
            EXPECT_TRUE(home == Frame_Moved(fresh, 0.0f, 0.5f)) << c.what << ", " << mode << ": not up to date";
        }
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, WidgetsChangedFarFromTheViewShowTheirNewStateWhenTheViewReachesThem)
{
    // In both text modes: with sharp text a label's caption is all it draws, its glyphs its only box.
    for (const bool sharp : {false, true}) {
        VR_Batches batch;
        batch.Sharp_Text_Set(sharp);
        const auto rows = Rows_Make(10, batch);
        ASSERT_EQ(batch.Init(), 1);
        const auto frame_at = [&](float dx) { return Frame_Moved(batch, dx); };
        frame_at(0.0f);
        frame_at(-5000.0f);
        // Changed while the view is far away: nothing of them is described or sent.
        for (const auto& r : rows) {
            r->slider.Value = 95.5f - r->slider.Value;
            r->slider.Adjust();
        }
        rows[2]->button.Select(0, rows[2]->button.X + 10.0f, rows[2]->button.Y + 10.0f);
        rows[4]->label.Name = "Renamed";
        rows[4]->label.Init(Window());
        Counts_Reset();
        frame_at(-5000.0f);
        EXPECT_EQ(Counts().buffer_data + Counts().buffer_sub_data + Counts().tex_sub_image, 0) << sharp;
        EXPECT_EQ(batch.Uploads_Get(), 0) << sharp;
        // Back in view, as a fresh batch draws them.
        const std::vector<unsigned char> back = frame_at(0.0f);
        EXPECT_TRUE(Rows_Fresh_Frame(rows, sharp) == back)
            << (sharp ? "sharp" : "exact") << ": a widget changed while far away shows its old state";
    }

    // A class followed by no snapshot, described at every frame in view (a progress bar's stripes
    // move): far away it is left alone too, and moves again in view.
    VR_Progress bar;
    Place(bar, "Busy", 300, 200, 200, 30);
    bar.Init(Window());
    VR_Batches moving;
    moving.Add(bar);
    ASSERT_EQ(moving.Init(), 1);
    Frame_Moved(moving, 0.0f);
    const short phase = bar.Phase;
    Frame_Moved(moving, 0.0f);
    ASSERT_NE(bar.Phase, phase) << "the stripes stand still in view";
    Frame_Moved(moving, -5000.0f);
    const short far_phase = bar.Phase;
    Frame_Moved(moving, -5000.0f);
    EXPECT_EQ(bar.Phase, far_phase) << "described far away";
    Frame_Moved(moving, 0.0f);
    EXPECT_NE(bar.Phase, far_phase);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, ALayoutWhileWidgetsAreFarDescribesThemFirst)
{
    // Far widgets made again (their arrays and bitmaps freed and made anew) while a widget in view
    // grows past its room: the layout that follows must not read what the far ones pointed to
    // (the sanitizers' build sees that), and back in view they show as a fresh batch draws them.
    VR_Batches batch;
    const auto rows = Rows_Make(10, batch);
    VR_Valuators near;
    Place(near, "Near", 1200, HEIGHT - 100, 300, 32);
    near.Flags = VR_VALUATOR_NO_CURSOR;
    near.Value_Max = 100.0f;
    near.Format = "%.1f";
    near.Init(Window());
    batch.Add(near);
    ASSERT_EQ(batch.Init(), 1);
    Frame_Moved(batch, 0.0f);
    Frame_Moved(batch, -1000.0f);
    for (const auto& r : rows) {
        r->button.Name = "Pressed";
        r->button.Init(Window());
        r->label.Name = "Another row";
        r->label.Init(Window());
    }
    near.Flags = 0;  // its cursor: quads it had no room for
    near.Init(Window());
    Counts_Reset();
    Frame_Moved(batch, -1000.0f);
    EXPECT_GT(Counts().buffer_data, 0) << "not laid out again";
    const std::vector<unsigned char> back = Frame_Moved(batch, 0.0f);
    VR_Batches fresh;
    for (const auto& r : rows) {
        fresh.Add(r->label);
        fresh.Add(r->button);
        fresh.Add(r->slider);
    }
    fresh.Add(near);
    ASSERT_EQ(fresh.Init(), 1);
    EXPECT_TRUE(Frame_Of(fresh) == back);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, OnlyWidgetsInViewAreDrawnAndShowAgainInView)
{
    VR_Batches batch;
    const auto rows = Rows_Make(10, batch);
    ASSERT_EQ(batch.Init(), 1);
    float projection[16];
    headless::Matrix_Pixels(WIDTH, HEIGHT, projection);
    const headless::Light& light = headless::Light_Values();
    // The frame with the panel moved by (dx, 0) pixels, as RGBA bytes.
    const auto frame_at = [&](float dx) {
        const float model_view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, dx, 0, 0, 1};
        Clear();
        batch.Draw(projection, model_view, light.direction, light.color, light.ambient);
        std::vector<unsigned char> pixels(static_cast<std::size_t>(WIDTH) * HEIGHT * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    // Pixels of `a` from column `shift` on that differ from `b`'s columns from 0 on.
    const auto differ = [](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, int shift) {
        int n = 0;
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x + shift < WIDTH; ++x)
                n += std::memcmp(&a[(static_cast<std::size_t>(y) * WIDTH + x + shift) * 4],
                                 &b[(static_cast<std::size_t>(y) * WIDTH + x) * 4], 3) != 0;
        return n;
    };
    const std::vector<unsigned char> plain = frame_at(0.0f);
    const std::vector<unsigned char> blank(plain.size(), 0);

    // Wholly outside: nothing drawn; the new view costs one upload (the index lists), and a steady
    // frame in it none, without a heap allocation.
    EXPECT_EQ(differ(frame_at(2.0f * WIDTH), blank, 0), 0);
    EXPECT_EQ(batch.Draw_Calls_Get(), 0);
    EXPECT_EQ(batch.Uploads_Get(), 1);
    Counts_Reset();
    heap::Start();
    frame_at(2.0f * WIDTH);
    EXPECT_EQ(heap::Stop(), 0) << "heap allocations in a steady frame";
    EXPECT_EQ(Counts().buffer_data + Counts().buffer_sub_data + Counts().tex_image, 0);
    EXPECT_EQ(batch.Uploads_Get(), 0);
    EXPECT_EQ(differ(frame_at(0.0f), plain, 0), 0) << "back in view";

    // Moved left so that the window's edge runs through the buttons: labels are left out, what
    // remains is the plain frame moved.
    const int shift = rows[0]->button.X + rows[0]->button.Width / 2;
    EXPECT_EQ(differ(plain, frame_at(-static_cast<float>(shift)), shift), 0);
    EXPECT_GE(batch.Draw_Calls_Get(), 2);

    // A widget moved out of the view by its own position and back.
    VR_Buttons& b = rows[2]->button;
    const short x = b.X;
    b.X = static_cast<short>(WIDTH + 200);
    b.Init(Window());
    const std::vector<unsigned char> without = frame_at(0.0f);
    EXPECT_EQ(Count_Pixels(x, b.Y, x + b.Width, b.Y + b.Height, Rgba{0, 0, 0, 255}, 0), b.Width * b.Height);
    b.X = x;
    b.Init(Window());
    EXPECT_EQ(differ(frame_at(0.0f), plain, 0), 0);
    EXPECT_GT(differ(without, plain, 0), 1000);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, AHundredThousandRowsShowWhereverTheViewGoes)
{
    // Rows of a label, a button and a slider, as a host's largest panels, in columns over the whole
    // reach of the widgets' short coordinates: far more captions than an atlas holds at once. The
    // view moved to the last row, the first and one between shows them as a batch of only the rows
    // around them does, and nothing is left out. The sanitizer and memcheck runs take fewer rows
    // (VRTOOLS_TEST_BATCH_ROWS).
    int count = 100000;
    if (const char* wanted = std::getenv("VRTOOLS_TEST_BATCH_ROWS"))
        count = std::max(1, std::atoi(wanted));
    constexpr int PER_COLUMN = 1150, PITCH_X = 560, PITCH_Y = 55, X0 = -32000, Y0 = -31700;
    const auto x_of = [](int i) { return X0 + i / PER_COLUMN * PITCH_X; };
    const auto y_of = [](int i) { return Y0 + i % PER_COLUMN * PITCH_Y; };
    std::unique_ptr<Row[]> rows(new Row[static_cast<std::size_t>(count)]);
    VR_Batches batch;
    char name[32];
    for (int i = 0; i < count; ++i) {
        Row& r = rows[static_cast<std::size_t>(i)];
        std::snprintf(name, sizeof name, "Row %d", i);
        Place(r.label, name, x_of(i), y_of(i), 100, 30);
        Place(r.button, "Press", x_of(i) + 110, y_of(i), 100, 32);
        Place(r.slider, "Gain", x_of(i) + 230, y_of(i), 300, 32);
        r.slider.Value_Max = 100.0f;
        r.slider.Value = static_cast<float>(i % 97);
        r.slider.Format = "%.1f";
        r.label.Init(Window());
        r.label.Name = nullptr;  // `name` is reused: the label keeps its own copy
        r.button.Init(Window());
        r.slider.Init(Window());
        batch.Add(r.label);
        batch.Add(r.button);
        batch.Add(r.slider);
    }
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    float projection[16];
    headless::Matrix_Pixels(WIDTH, HEIGHT, projection);
    const headless::Light& light = headless::Light_Values();
    // Row `i` at the window's top left: the batch's frame there, RGBA.
    const auto frame_at = [&](VR_Batches& b, int i) {
        const float dx = static_cast<float>(10 - x_of(i)), dy = static_cast<float>(HEIGHT - 50 - y_of(i));
        const float model_view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, dx, dy, 0, 1};
        Clear();
        b.Draw(projection, model_view, light.direction, light.color, light.ambient);
        return Frame_Pixels(WIDTH, HEIGHT);
    };
    int step = 0;
    for (const int at : {count - 1, 0, count / 2, count - 1, 0}) {
        if (step++ == 3) {
            // The last rows' read-outs change while the view is elsewhere: they show once in view.
            for (int i = std::max(0, count - 40); i < count; ++i) {
                VR_Valuators& s = rows[static_cast<std::size_t>(i)].slider;
                s.Value = 100.0f - s.Value;
                s.Adjust();
            }
            frame_at(batch, count / 2);
        }
        const std::vector<unsigned char> kept = frame_at(batch, at);
        EXPECT_LE(batch.Draw_Calls_Get(), 6) << at;
        EXPECT_GT(Count_Pixels(10, HEIGHT - 50, 110, HEIGHT - 20, Rgba{255, 255, 255, 255}, 8), 20)
            << "row " << at << ": its label's caption";
        // The same view of a batch of the rows that may show in it.
        VR_Batches near;
        for (int i = 0; i < count; ++i)
            if (std::abs(x_of(i) - x_of(at)) <= WIDTH + PITCH_X && std::abs(y_of(i) - y_of(at)) <= HEIGHT + PITCH_Y) {
                Row& r = rows[static_cast<std::size_t>(i)];
                near.Add(r.label);
                near.Add(r.button);
                near.Add(r.slider);
            }
        ASSERT_EQ(near.Init(), 1);
        const std::vector<unsigned char> wanted = frame_at(near, at);
        // The two atlases hold the captions at different places: filtering may round one level apart.
        int differ = 0;
        for (std::size_t k = 0; k < kept.size(); ++k)
            differ += std::abs(kept[k] - wanted[k]) > 1;
        EXPECT_EQ(differ, 0) << "row " << at;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, WidgetsFarFromTheFirstViewAreDescribedOnlyWhenTheViewReachesThem)
{
    // Init describes nothing, and a frame only what lies near its view; the widgets let go of their
    // own GL objects as they are added. A row far to the right is described when the view reaches
    // it, and then draws as a batch of that row alone does, given room without a layout of the others
    // (the atlas texture is not made again), in both text modes; so does a widget hidden at the
    // layout and shown.
    constexpr int FAR_X = 9000;
    const auto place = [&](Row& r, int x) {
        Place(r.label, "Row", x, HEIGHT - 50, 100, 30);
        Place(r.button, "Press", x + 110, HEIGHT - 50, 100, 32);
        Place(r.slider, "Gain", x + 230, HEIGHT - 50, 300, 32);
        r.slider.Value_Max = 100.0f;
        r.slider.Value = 37.0f;
        r.slider.Format = "%.1f";
        r.label.Init(Window());
        r.button.Init(Window());
        r.slider.Init(Window());
    };
    const auto add = [](VR_Batches& b, Row& r) {
        b.Add(r.label);
        b.Add(r.button);
        b.Add(r.slider);
    };
    const auto own_textures = [](const Row& r) {
        return glIsTexture(r.label.Text_Texture) + glIsTexture(r.button.Text_Texture) +
               glIsTexture(r.slider.Text_Texture);
    };
    // The two atlases hold the captions at different places: filtering may round one level apart.
    const auto differ = [](const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
        int count = 0;
        for (std::size_t k = 0; k < a.size(); ++k)
            count += std::abs(a[k] - b[k]) > 1;
        return count;
    };
    const float there = static_cast<float>(10 - FAR_X);
    for (const bool sharp : {false, true}) {
        Row near, far;
        place(near, 10);
        place(far, FAR_X);
        near.button.Flags |= VR_HIDDEN;
        VR_Batches batch;
        batch.Sharp_Text_Set(sharp);
        add(batch, near);
        add(batch, far);
        ASSERT_EQ(batch.Init(), 1);
        EXPECT_EQ(own_textures(near) + own_textures(far), 0) << sharp;
        const std::vector<unsigned char> first = Frame_Of(batch);
        Counts_Reset();
        const std::vector<unsigned char> moved = Frame_Moved(batch, there);
        if (!sharp) {
            EXPECT_EQ(Counts().tex_image, 0) << "laid out again";
        }
        EXPECT_EQ(own_textures(far), 0) << sharp;
        VR_Batches alone;
        alone.Sharp_Text_Set(sharp);
        add(alone, far);
        ASSERT_EQ(alone.Init(), 1);
        const std::vector<unsigned char> want = Frame_Moved(alone, there);
        ASSERT_GT(Count_Pixels(10, HEIGHT - 50, 110, HEIGHT - 20, Rgba{255, 255, 255, 255}, 96), 20) << sharp;
        EXPECT_EQ(differ(moved, want), 0) << sharp;
        EXPECT_TRUE(Frame_Of(batch) == first) << sharp << ": back at the first row";
        near.button.Flags &= ~VR_HIDDEN;
        Counts_Reset();
        const std::vector<unsigned char> shown = Frame_Of(batch);
        if (!sharp) {
            EXPECT_EQ(Counts().tex_image, 0) << "laid out again for a widget shown";
        }
        VR_Batches fresh;
        fresh.Sharp_Text_Set(sharp);
        add(fresh, near);
        ASSERT_EQ(fresh.Init(), 1);
        EXPECT_EQ(differ(Frame_Of(fresh), shown), 0) << sharp << ": the button shown";
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, WidgetsOutOfViewWhoseCaptionOrReadOutReachesIntoItAreDrawn)
{
    // A right-aligned caption far longer than its label reaches out of the label's box to the left:
    // the box lies beyond the view's right edge by more than its own size, the caption inside the
    // view. Never described, the label is judged by the reach its caption may have, and drawn.
    VR_Labels label;
    Place(label, "A caption far longer than its label, reaching out of it into the view", WIDTH + 200, HEIGHT - 100, 40,
          30);
    label.Flags |= VR_TEXT_RIGHT;
    label.Init(Window());
    ASSERT_TRUE(label.Text_Vertex_Array);
    ASSERT_LT(label.Text_Vertex_Array[6], WIDTH - 100) << "the caption does not reach into the view";
    // A narrow slider's read-out of wide letters, centred on the cursor at its left end, reaches
    // out of the slider's box by half its length.
    VR_Valuators slider;
    Place(slider, "G", WIDTH + 100, HEIGHT - 300, 40, 32);
    slider.Font_Size = 8;
    slider.Value_Max = 100.0f;
    slider.Format = "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW%.1f";
    slider.Init(Window());
    VR_Batches batch;
    batch.Add(label);
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1);
    Frame_Moved(batch, 0.0f, 0.5f);
    EXPECT_GT(Count_Pixels(0, HEIGHT - 110, WIDTH, HEIGHT - 60, Rgba{255, 255, 255, 255}, 8), 50) << "the caption";
    // Dark letters on the grey ground.
    const int strip = 40 * 14;
    EXPECT_GT(strip - Count_Pixels(WIDTH - 40, HEIGHT - 312, WIDTH, HEIGHT - 298, Rgba{128, 128, 128, 255}, 8), 20)
        << "the read-out";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, AWidgetMovedUnderAnEarlierCaptionsSpillShowsAsAFreshBatchWouldDrawIt)
{
    // Labels whose captions reach beyond their boxes, each followed by a button that moves under
    // the caption and away again: the batch must then draw the caption before the button.
    VR_Labels labels[3];
    VR_Buttons buttons[3];
    VR_Batches batch;
    for (int i = 0; i < 3; ++i) {
        const int y = HEIGHT - 80 - i * 120;
        Place(labels[i], "A caption far wider than its label", 10, y, 40, 30);
        labels[i].Init(Window());
        Place(buttons[i], "Press", 500, y - 40, 100, 32);
        buttons[i].Init(Window());
        batch.Add(labels[i]);
        batch.Add(buttons[i]);
    }
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    // The frame and the draw calls (a run of the lists ends after a caption hiding a later widget).
    const auto fresh = [&] {
        VR_Batches f;
        for (int i = 0; i < 3; ++i) {
            f.Add(labels[i]);
            f.Add(buttons[i]);
        }
        EXPECT_EQ(f.Init(), 1);
        std::vector<unsigned char> frame = Frame_Of(f);
        return std::make_pair(frame, f.Draw_Calls_Get());
    };
    for (const int x : {60, 500, 90}) {
        buttons[1].X = static_cast<short>(x);
        buttons[1].Y = static_cast<short>(labels[1].Y - 4);
        buttons[1].Init(Window());
        const std::vector<unsigned char> frame = Frame_Of(batch);
        const auto want = fresh();
        EXPECT_TRUE(frame == want.first) << "button at " << x;
        EXPECT_EQ(batch.Draw_Calls_Get(), want.second) << "button at " << x;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, AReshapedWidgetShowsAsAFreshBatchWouldDrawIt)
{
    // Two bevels wide, the button's face is a line; a re-Init at full width turns it into a face in
    // place, which a straight view must draw again.
    VR_Buttons button;
    Place(button, "Press", 120, HEIGHT - 80, 6, 40);
    button.Init(Window());
    VR_Batches batch;
    batch.Add(button);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    button.Width = 100;
    button.Init(Window());
    const auto picture = [&](VR_Batches& b) {
        Clear();
        Draw(b);
        std::vector<Rgba> out;
        for (int y = button.Y; y < button.Y + button.Height; ++y)
            for (int x = button.X; x < button.X + button.Width; ++x)
                out.push_back(Pixel(x, y));
        return out;
    };
    const std::vector<Rgba> kept = picture(batch);
    VR_Batches fresh;
    fresh.Add(button);
    ASSERT_EQ(fresh.Init(), 1);
    const std::vector<Rgba> wanted = picture(fresh);
    int differ = 0;
    for (std::size_t i = 0; i < kept.size(); ++i)
        differ += kept[i].r != wanted[i].r || kept[i].g != wanted[i].g || kept[i].b != wanted[i].b;
    EXPECT_EQ(differ, 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, CaptionsAndReadOutsThatChangeShowAsAFreshBatchWouldDrawThem)
{
    // Captions are drawn from their inked texels only: one that comes, goes or changes its width must
    // show as a batch laid out afresh shows it, and a read-out changing with every step of a drag
    // keeps its place in the atlas (no new layout: the batch's own buffers are never replaced). A
    // picture arriving among masks only (a box given an icon for its caption) shows too.
    const struct {
        const char* before;
        const char* after;
    } captions[] = {{"   ", "Shown later"}, {"A caption wider than its widget", "Hi"}, {"Gone", " "}};
    std::deque<VR_Labels> labels;
    VR_Valuators slider;
    VR_Boxs box;
    VR_Batches batch;
    int y = HEIGHT - 40;
    for (const auto& c : captions) {
        labels.emplace_back();
        Place(labels.back(), c.before, 10, y, 180, 30);
        labels.back().Init(Window());
        batch.Add(labels.back());
        y -= 40;
    }
    Place(slider, "Gain", 10, y - 20, 300, 32);
    slider.Value_Max = 1000.0f;
    slider.Value = 1.0f;
    slider.Format = "%.2f";
    slider.Init(Window());
    batch.Add(slider);
    Place(box, "Icon", 340, HEIGHT - 120, 120, 90);
    box.Init(Window());
    batch.Add(box);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    // The picture takes the caption's place among the quads: no new layout on that account.
    box.Name = "";
    Picture_Set(box);
    box.Init(Window());
    Draw(batch);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i].Name = captions[i].after;
        labels[i].Init(Window());
    }
    Draw(batch);
    for (int step = 1; step <= 40; ++step) {
        slider.Value = static_cast<float>(step * step) * 0.61f;
        slider.Adjust();
        Counts_Reset();
        Draw(batch);
        ASSERT_EQ(Counts().buffer_data, 0) << "step " << step << ": a whole buffer was replaced";
        ASSERT_LE(batch.Uploads_Get(), 3) << step;
    }
    const auto picture = [&](VR_Batches& b) {
        Clear();
        Draw(b);
        std::vector<Rgba> out;
        for (int j = y - 40; j < HEIGHT; ++j)
            for (int i = 0; i < 480; ++i)
                out.push_back(Pixel(i, j));
        return out;
    };
    const std::vector<Rgba> kept = picture(batch);
    VR_Batches fresh;
    for (VR_Labels& l : labels)
        fresh.Add(l);
    fresh.Add(slider);
    fresh.Add(box);
    ASSERT_EQ(fresh.Init(), 1);
    const std::vector<Rgba> wanted = picture(fresh);
    // The two batches hold the pictures at different places of their atlases: filtering may round
    // one level apart.
    const auto apart = [](int a, int b) { return std::abs(a - b) > 1; };
    int differ = 0;
    for (std::size_t i = 0; i < kept.size(); ++i)
        differ += apart(kept[i].r, wanted[i].r) || apart(kept[i].g, wanted[i].g) || apart(kept[i].b, wanted[i].b) ||
                  apart(kept[i].a, wanted[i].a);
    EXPECT_EQ(differ, 0);
    EXPECT_GT(Count_Pixels(10, HEIGHT - 40, 190, HEIGHT - 10, Rgba{255, 255, 255, 255}, 8), 10) << "shown later";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, EveryChangeAHostMakesShowsThoughUnchangedWidgetsAreNotDescribedAgain)
{
    // A frame describes again only the widgets that changed since their last description: each way a
    // host changes a widget must show as a new batch of the same widgets shows it, strings rewritten
    // in place included.
    char name[8] = "Row";
    char font[16] = "DejaVu Sans";
    VR_Batches batch;
    const auto rows = Rows_Make(2, batch);
    Row& r = *rows[0];
    r.label.Name = name;
    r.label.Font_Name = font;
    r.label.Init(Window());
    // A picture in the slider's groove, which the host may paint again in place.
    const std::size_t picture_bytes = static_cast<std::size_t>(r.slider.Width) * r.slider.Height * 4;
    r.slider.Image = static_cast<unsigned char*>(std::malloc(picture_bytes));
    const auto paint = [&](unsigned char red, unsigned char blue) {
        for (std::size_t i = 0; i < picture_bytes; i += 4) {
            const unsigned char texel[4] = {red, 40, blue, 255};
            std::memcpy(r.slider.Image + i, texel, 4);
        }
    };
    paint(220, 0);
    r.slider.Init(Window());
    ASSERT_EQ(batch.Init(), 1);
    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"name rewritten in place, rebuilt",
         [&] {
             std::strcpy(name, "Wor");
             r.label.Init(Window());
         }},
        {"font rewritten in place, rebuilt",
         [&] {
             std::strcpy(font, "DejaVu Serif");
             r.label.Init(Window());
         }},
        {"colour written", [&] { r.label.Color_Set(255, 60, 0); }},
        {"state written", [&] { r.button.State = 1; }},
        {"hidden", [&] { r.slider.Flags |= VR_HIDDEN; }},
        {"shown", [&] { r.slider.Flags &= ~VR_HIDDEN; }},
        {"moved and rebuilt",
         [&] {
             r.button.X = static_cast<short>(r.button.X + 7);
             r.button.Init(Window());
         }},
        {"hovered", [&] { r.slider.Select(0, r.slider.X + 20.0f, r.slider.Y + 10.0f); }},
        {"picture painted again in place, rebuilt",
         [&] {
             paint(0, 220);
             r.slider.Init(Window());
         }},
        {"value adjusted",
         [&] {
             r.slider.Value = 55.0f;
             r.slider.Adjust();
         }},
        {"flat",
         [&] {
             r.button.Flags |= VR_FLAT;
             r.button.Init(Window());
         }},
        {"look global written", [&] { ::BORDER = 6; }},
    };
    const int border = ::BORDER;
    Frame_Of(batch);
    for (const auto& c : changes) {
        c.change();
        const std::vector<unsigned char> kept = Frame_Of(batch);
        EXPECT_GT(batch.Uploads_Get(), 0) << c.what << ": taken for unchanged";
        EXPECT_TRUE(kept == Fresh_Frame({[&](VR_Batches& b) {
                        for (const auto& row : rows) {
                            b.Add(row->label);
                            b.Add(row->button);
                            b.Add(row->slider);
                        }
                    }}))
            << c.what;
    }
    ::BORDER = border;
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, WidgetsWhoseNamesKeepGrowingShowAsAFreshBatchWouldDrawThem)
{
    // What an unchanged widget is compared with lies in one store for the whole batch: a name that
    // grows moves it to the end and the room it leaves is taken back now and then. Through many such
    // moves, each widget must still be compared with its own, so a change shows and the others stay.
    constexpr int COUNT = 45;
    std::deque<VR_Labels> labels;
    std::vector<std::string> names(COUNT);
    VR_Batches batch;
    for (int i = 0; i < COUNT; ++i) {
        names[i] = "L" + std::to_string(i);
        labels.emplace_back();
        Place(labels.back(), names[i].c_str(), 10 + (i / 15) * 200, HEIGHT - 40 - (i % 15) * 36, 190, 30);
        labels.back().Init(Window());
        batch.Add(labels.back());
    }
    ASSERT_EQ(batch.Init(), 1);
    const auto fresh = [&] {
        return Fresh_Frame({[&](VR_Batches& b) {
            for (VR_Labels& l : labels)
                b.Add(l);
        }});
    };
    for (int round = 0; round < 12; ++round) {
        for (int i = round % 3; i < COUNT; i += 3) {
            names[i] += static_cast<char>('a' + round);
            labels[i].Name = names[i].c_str();
            labels[i].Init(Window());
        }
        // One label recoloured without a rebuild: only its compared fields tell.
        labels[(round * 7 + 1) % COUNT].Color_Set(static_cast<unsigned char>(40 + round * 15), 200, 90);
        const std::vector<unsigned char> kept = Frame_Of(batch);
        ASSERT_TRUE(kept == fresh()) << "round " << round;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, BatchesMadeAndDroppedInAnyOrderKeepTheirOwnLooks)
{
    // The descriptions of all batches share chunks of memory that come and go with them: a batch
    // that stays must draw as it did and follow its widgets, whatever batches came and went.
    VR_Batches kept;
    const auto kept_rows = Rows_Make(40, kept);
    ASSERT_EQ(kept.Init(), 1);
    const std::vector<unsigned char> first = Frame_Of(kept);
    for (int round = 0; round < 4; ++round) {
        std::vector<std::unique_ptr<VR_Batches>> others;
        std::vector<std::vector<std::unique_ptr<Row>>> rows;
        for (int k = 0; k < 3; ++k) {
            others.push_back(std::make_unique<VR_Batches>());
            rows.push_back(Rows_Make(25 + 10 * k + round, *others.back()));
            ASSERT_EQ(others.back()->Init(), 1);
        }
        // Dropped first to last, last to first, or from the middle out.
        const int order[4][3] = {{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {1, 2, 0}};
        for (int k : order[round]) {
            others[k].reset();
            ASSERT_TRUE(Frame_Of(kept) == first) << "round " << round << ", batch " << k << " dropped";
        }
    }
    // A widget added lays the whole batch out again from every widget's description.
    VR_Labels late;
    Place(late, "Late", 600, 40, 120, 30);
    late.Init(Window());
    kept.Add(late);
    kept_rows[3]->slider.Value = 61.0f;
    kept_rows[3]->slider.Adjust();
    EXPECT_TRUE(Frame_Of(kept) == Fresh_Frame({[&](VR_Batches& b) {
                    for (const auto& r : kept_rows) {
                        b.Add(r->label);
                        b.Add(r->button);
                        b.Add(r->slider);
                    }
                    b.Add(late);
                }}));
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, AReadOutFollowsItsFormatAndValueAsAFreshBatchShowsIt)
{
    // The batch keeps each slider's last formatted read-out: a format changed in place (grown past
    // its old end too), a value that only prints differently (-0), and a return to an earlier text
    // must all show.
    char format[16] = "%.1f";
    VR_Valuators slider;
    Place(slider, "Gain", 240, HEIGHT - 100, 300, 32);
    slider.Value_Min = -100.0f;
    slider.Value_Max = 100.0f;
    slider.Value = 12.25f;
    slider.Format = format;
    slider.Init(Window());
    VR_Batches batch;
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1);
    const std::vector<unsigned char> first = Frame_Of(batch);
    const struct {
        const char* format;
        float value;
    } steps[] = {{"%.3f", 12.25f}, {"%.1f", 12.25f}, {"%+.0f", -0.0f},
                 {"%+.0f", 0.0f},  {"%.1f", 12.25f}, {"%.1f V", 12.25f},  // longer, the same start
                 {"%.1f", 12.25f}};
    for (const auto& step : steps) {
        std::strcpy(format, step.format);
        slider.Value = step.value;
        slider.Adjust();
        Frame_Of(batch);
        const std::vector<unsigned char> kept = Frame_Of(batch);
        EXPECT_TRUE(kept == Fresh_Frame({[&](VR_Batches& b) { b.Add(slider); }}))
            << step.format << " of " << step.value;
    }
    EXPECT_TRUE(Frame_Of(batch) == first);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, ASlidersOwnDrawAfterBatchFramesShowsItsReadOutAsAFreshSliderDoes)
{
    // A batch makes a read-out's bitmap and quad for itself and leaves the slider's own texture and
    // buffers to its own Draw: that Draw, after any mix of batch frames and own Draws, must show the
    // value of now, as a slider that was only ever drawn by itself shows it.
    if (Profile() != headless::Profile::COMPAT)
        GTEST_SKIP() << "a widget's own Draw needs a compatibility context";
    const struct {
        const char* what;
        const char* steps;  // b: a batch frame, o: an own Draw, each at the next value
    } cases[] = {
        {"first read-out made by the batch", "b"},
        {"own Draw, then a new value in the batch", "ob"},
        {"batch, own Draw, batch again", "bob"},
        {"several batch values in a row", "obbb"},
    };
    const float values[] = {12.5f, 40.0f, 73.25f, 90.0f};
    const auto own_picture = [&](VR_Valuators& s) {
        Clear();
        s.Draw();
        std::vector<unsigned char> out(static_cast<std::size_t>(WIDTH) * HEIGHT * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    };
    for (const auto& c : cases) {
        VR_Valuators slider;
        Place(slider, "Gain", 40, HEIGHT - 100, 300, 32);
        slider.Value_Max = 100.0f;
        slider.Format = "%.2f";
        slider.Init(Window());
        VR_Batches batch;
        batch.Add(slider);
        ASSERT_EQ(batch.Init(), 1) << c.what;
        float value = 0.0f;
        for (std::size_t k = 0; c.steps[k]; ++k) {
            value = values[k];
            slider.Value = value;
            slider.Adjust();
            if (c.steps[k] == 'b')
                Frame_Of(batch);
            else
                own_picture(slider);
        }
        const std::vector<unsigned char> kept = own_picture(slider);
        VR_Valuators fresh;
        Place(fresh, "Gain", 40, HEIGHT - 100, 300, 32);
        fresh.Value_Max = 100.0f;
        fresh.Format = "%.2f";
        fresh.Value = value;
        fresh.Init(Window());
        fresh.Adjust();
        EXPECT_TRUE(kept == own_picture(fresh)) << c.what;
        // And the batch, drawn again, still shows the same value.
        EXPECT_TRUE(Frame_Of(batch) == Fresh_Frame({[&](VR_Batches& b) { b.Add(slider); }})) << c.what;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, BatchedWidgetsGiveTheirTexturesBackAndTheirOwnDrawStillShowsThem)
{
    // While a batch draws a caption or read-out from its atlas, the widget's own texture of it is
    // held twice: the batch lets go of it, and the widget's own Draw makes it again. Labels,
    // buttons, sliders, tabs, boxes (a picture's texture too) and frames let go of every GL object and
    // bitmap as they are added. A texture a copy shares stays: the copy's Draw reads it.
    if (Profile() != headless::Profile::COMPAT)
        GTEST_SKIP() << "a widget's own Draw needs a compatibility context";
    const auto texels = [](unsigned int texture) {
        GLint w = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glBindTexture(GL_TEXTURE_2D, 0);
        return w;
    };
    const auto check = [&](auto* tag, const char* what) {
        using W = std::remove_pointer_t<decltype(tag)>;
        const auto make = [&](W& w) {
            Place(w, what, 40, HEIGHT - 100, 300, 32);
            if constexpr (std::is_same_v<W, VR_Valuators>) {
                w.Value_Max = 100.0f;
                w.Value = 42.5f;
                w.Format = "%.1f";
            }
            if constexpr (std::is_same_v<W, VR_Buttons>) {
                w.Flags |= VR_BUTTON_LAMP;
            }
            if constexpr (std::is_same_v<W, VR_Boxs>) {
                Picture_Set(w);
            }
            w.Init(Window());
        };
        const auto own = [&](W& w) {
            Clear();
            w.Draw();
            return Frame_Pixels(WIDTH, HEIGHT);
        };
        constexpr bool captioned = !std::is_same_v<W, VR_Frames>;
        // The GL objects the widget holds.
        const auto held = [&](W& w) {
            int n = glIsTexture(w.Text_Texture) + glIsTexture(w.Image_Texture);
            for (GLuint b : {w.Vertex_VBO, w.Normal_VBO, w.Color_VBO, w.Text_Vertex_VBO, w.Text_Coord_VBO})
                n += glIsBuffer(b);
            if constexpr (std::is_same_v<W, VR_Buttons>) {
                n += glIsBuffer(w.Lamp_VBO);
            }
            if constexpr (std::is_same_v<W, VR_Valuators>) {
                n += glIsTexture(w.Value_Texture);
                for (GLuint b : {w.Cursor_Vertex_VBO, w.Cursor_Normal_VBO, w.Cursor_Color_VBO, w.Value_Vertex_VBO,
                                 w.Value_Coord_VBO})
                    n += glIsBuffer(b);
            }
            return n;
        };
        W batched, never, original;
        make(batched);
        make(never);
        make(original);
        const std::vector<unsigned char> want = own(never);
        {
            // Drawn once by itself, the slider holds its read-out too.
            own(batched);
            ASSERT_GT(held(batched), 0) << what;
            VR_Batches batch;
            batch.Add(batched);
            EXPECT_EQ(held(batched), 0) << what << ": let go as it is added";
            EXPECT_EQ(batched.Text_Bitmap, nullptr) << what;
            EXPECT_TRUE(batched.Status & VR_STATUS_UNLOADED) << what;
            ASSERT_EQ(batch.Init(), 1) << what;
            Frame_Of(batch);
            EXPECT_EQ(held(batched), 0) << what;
            EXPECT_TRUE(own(batched) == want) << what << ": own Draw after the batch";
            EXPECT_FALSE(batched.Status & VR_STATUS_UNLOADED) << what;
            EXPECT_GT(held(batched), 0) << what;
            if constexpr (captioned) {
                EXPECT_GT(texels(batched.Text_Texture), 0) << what;
            }
            // The batch laid out again gives it back again; the own Draw after it still shows it.
            batch.Add(never);
            Frame_Of(batch);
            EXPECT_EQ(held(batched), 0) << what;
            EXPECT_TRUE(own(batched) == want) << what << ": own Draw after a second layout";
        }
        W copy(original);
        VR_Batches batch;
        batch.Add(original);
        ASSERT_EQ(batch.Init(), 1) << what;
        Frame_Of(batch);
        if constexpr (captioned) {
            EXPECT_GT(texels(copy.Text_Texture), 0) << what << ": a shared texture";
        }
        EXPECT_TRUE(own(copy) == want) << what << ": the copy's own Draw";
    };
    check(static_cast<VR_Labels*>(nullptr), "Label");
    check(static_cast<VR_Buttons*>(nullptr), "Button");
    check(static_cast<VR_Valuators*>(nullptr), "Slider");
    check(static_cast<VR_TabItems*>(nullptr), "Tab");
    check(static_cast<VR_Boxs*>(nullptr), "Box");
    check(static_cast<VR_Frames*>(nullptr), "Frame");
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, UnloadedWidgetsChangedWhileBatchedDrawAsIfNeverBatched)
{
    // Hovered, pressed, moved to a new value and initialised again while the batch held no GL object
    // of theirs: the batch shows each change, and their own Draw afterwards shows what twins never
    // batched show after the same calls. A copy made while unloaded draws too, and lets go of nothing
    // twice.
    if (Profile() != headless::Profile::COMPAT)
        GTEST_SKIP() << "a widget's own Draw needs a compatibility context";
    struct Set {
        VR_Buttons button;
        VR_Valuators slider;
        VR_Labels label;
    };
    const auto make = [&](Set& s) {
        Place(s.button, "Press", 40, HEIGHT - 60, 160, 40);
        s.button.Flags |= VR_BUTTON_LAMP;
        Place(s.slider, "Gain", 40, HEIGHT - 140, 300, 32);
        s.slider.Value_Max = 100.0f;
        s.slider.Value = 10.0f;
        s.slider.Format = "%.1f";
        Place(s.label, "Title", 40, HEIGHT - 200, 200, 30);
        s.button.Init(Window());
        s.slider.Init(Window());
        s.label.Init(Window());
    };
    const auto change = [&](Set& s) {
        s.button.Select(0, 100.0f, HEIGHT - 40.0f);
        s.button.State = 1;
        s.button.Lamp = 1;
        s.button.Adjust();
        s.slider.Value = 73.5f;
        s.slider.Adjust();
        s.slider.Select(0, 200.0f, HEIGHT - 124.0f);
        s.label.Name = "Retitled";
        s.label.Init(Window());
    };
    const auto own = [&](Set& s) {
        Clear();
        s.button.Draw();
        s.slider.Draw();
        s.label.Draw();
        return Frame_Pixels(WIDTH, HEIGHT);
    };
    Set batched, twin;
    make(batched);
    make(twin);
    change(twin);
    const std::vector<unsigned char> want = own(twin);
    {
        VR_Batches batch;
        batch.Add(batched.button);
        batch.Add(batched.slider);
        batch.Add(batched.label);
        ASSERT_EQ(batch.Init(), 1);
        Frame_Of(batch);
        change(batched);
        // Init again while held: what it made goes with the next description.
        EXPECT_TRUE(batched.label.Status & VR_STATUS_UNLOADED);
        const std::vector<unsigned char> shown = Frame_Of(batch);
        EXPECT_FALSE(glIsTexture(batched.label.Text_Texture));
        for (const VR_Tools* w :
             {static_cast<const VR_Tools*>(&batched.button), static_cast<const VR_Tools*>(&batched.slider)})
            EXPECT_FALSE(glIsBuffer(w->Color_VBO));
        VR_Batches fresh;
        fresh.Add(twin.button);
        fresh.Add(twin.slider);
        fresh.Add(twin.label);
        ASSERT_EQ(fresh.Init(), 1);
        EXPECT_TRUE(Frame_Of(fresh) == shown) << "the batch shows the changes made while unloaded";
        EXPECT_TRUE(own(twin) == want);
    }
    {
        Set copy{batched.button, batched.slider, batched.label};
        EXPECT_TRUE(own(copy) == want) << "a copy of unloaded widgets";
    }
    EXPECT_TRUE(own(batched) == want) << "their own Draw after the batch";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, AWidgetInTwoBatchesKeepsTheBitmapsTheExactOneCopies)
{
    // A sharp batch needs no caption bitmap and an exact one copies its atlas cells from it: while
    // both draw a widget, neither lets go of its bitmaps, so that the exact one, laid out again
    // after the sharp one took the widget, still reads a caption and a read-out that are there.
    VR_Labels label;
    VR_Valuators slider;
    VR_Labels later;
    Place(label, "Shared", 20, HEIGHT - 60, 200, 30);
    Place(slider, "Gain", 20, HEIGHT - 120, 300, 32);
    slider.Value_Max = 100.0f;
    slider.Value = 42.0f;
    slider.Format = "%.1f";
    Place(later, "Later", 20, HEIGHT - 180, 200, 30);
    label.Init(Window());
    slider.Init(Window());
    later.Init(Window());
    VR_Batches exact, sharp;
    exact.Add(label);
    exact.Add(slider);
    ASSERT_EQ(exact.Init(), 1);
    Frame_Of(exact);
    sharp.Sharp_Text_Set(true);
    sharp.Add(label);
    sharp.Add(slider);
    ASSERT_EQ(sharp.Init(), 1);
    Frame_Of(sharp);
    EXPECT_NE(label.Text_Bitmap, nullptr);
    EXPECT_NE(slider.Value_Bitmap, nullptr);
    exact.Add(later);  // a layout of everything: every cell copied again
    const std::vector<unsigned char> shown = Frame_Of(exact);
    EXPECT_TRUE(shown == Fresh_Frame({[&](VR_Batches& b) { b.Add(label); }, [&](VR_Batches& b) { b.Add(slider); },
                                      [&](VR_Batches& b) { b.Add(later); }}));
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, HostStateIsLeftAsFound)
{
    // A host program of the context's own language.
    const char* version = Profile() == headless::Profile::GLES   ? "#version 300 es\n"
                          : Profile() == headless::Profile::CORE ? "#version 330 core\n"
                                                                 : "#version 120\n";
    const std::string vs = std::string(version) + "void main() { gl_Position = vec4(0.0); }\n";
    const std::string fs = std::string(version) + "void main() {}\n";
    const GLuint program = glCreateProgram();
    for (const auto& [kind, source] : {std::pair{GL_VERTEX_SHADER, &vs}, std::pair{GL_FRAGMENT_SHADER, &fs}}) {
        const GLuint shader = glCreateShader(kind);
        const char* text = source->c_str();
        glShaderSource(shader, 1, &text, nullptr);
        glCompileShader(shader);
        glAttachShader(program, shader);
        glDeleteShader(shader);
    }
    glLinkProgram(program);
    GLuint vao = 0, buffers[2] = {}, textures[2] = {};
    glGenVertexArrays(1, &vao);
    glGenBuffers(2, buffers);
    glGenTextures(2, textures);

    VR_Batches batch;
    const auto rows = Rows_Make(3, batch);
    VR_Boxs box;
    Place(box, "Box", 600, 400, 120, 80);
    box.Init(Window());
    batch.Add(box);

    // Every piece of state the batch may touch, named, as the host reads it back.
    using State = std::vector<std::pair<std::string, GLint>>;
    const auto read = [] {
        State s;
        const auto get = [&s](const char* name, GLenum what) {
            GLint v[4] = {};
            glGetIntegerv(what, v);
            s.emplace_back(name, v[0]);
        };
        get("program", GL_CURRENT_PROGRAM);
        get("vertex array", GL_VERTEX_ARRAY_BINDING);
        get("array buffer", GL_ARRAY_BUFFER_BINDING);
        get("element buffer", GL_ELEMENT_ARRAY_BUFFER_BINDING);
        get("active texture", GL_ACTIVE_TEXTURE);
        get("texture of the active unit", GL_TEXTURE_BINDING_2D);
        GLint active = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        glActiveTexture(GL_TEXTURE0);
        get("texture of unit 0", GL_TEXTURE_BINDING_2D);
        glActiveTexture(static_cast<GLenum>(active));
        get("blend source", GL_BLEND_SRC_RGB);
        get("blend destination", GL_BLEND_DST_RGB);
        get("blend source alpha", GL_BLEND_SRC_ALPHA);
        get("blend destination alpha", GL_BLEND_DST_ALPHA);
        get("depth function", GL_DEPTH_FUNC);
        get("depth mask", GL_DEPTH_WRITEMASK);
        get("culled faces", GL_CULL_FACE_MODE);
        get("front faces", GL_FRONT_FACE);
        get("unpack alignment", GL_UNPACK_ALIGNMENT);
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        for (int k = 0; k < 4; ++k)
            s.emplace_back("viewport", viewport[k]);
        for (const auto& [name, cap] :
             {std::pair{"blend", GL_BLEND}, std::pair{"depth test", GL_DEPTH_TEST}, std::pair{"cull", GL_CULL_FACE}})
            s.emplace_back(name, glIsEnabled(cap));
        return s;
    };

    // Two host states, each set before Init and before a Draw that has changes to upload.
    for (int round = 0; round < 2; ++round) {
        // Changes for the Draw to upload (a hover replaces the button's own colour buffer at once).
        rows[0]->slider.Value = 20.0f + round * 30.0f;
        rows[0]->slider.Adjust();
        rows[1]->button.Select(0, rows[1]->button.X + 5.0f, rows[1]->button.Y + 5.0f + round * 100.0f);
        glUseProgram(program);
        glBindVertexArray(vao);
        glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, textures[0]);
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D, textures[1]);
        glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_ZERO, GL_ONE);
        if (round == 0) {
            glEnable(GL_BLEND);
            glDisable(GL_DEPTH_TEST);
            glEnable(GL_CULL_FACE);
        } else {
            glDisable(GL_BLEND);
            glEnable(GL_DEPTH_TEST);
            glDisable(GL_CULL_FACE);
        }
        glDepthFunc(round == 0 ? GL_GREATER : GL_LESS);
        glCullFace(round == 0 ? GL_FRONT : GL_BACK);
        glFrontFace(round == 0 ? GL_CW : GL_CCW);
        glDepthMask(round == 0 ? GL_FALSE : GL_TRUE);
        glViewport(0, 0, WIDTH - round, HEIGHT);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 8 >> round);
        const State before = read();
        if (round == 0) {
            ASSERT_EQ(batch.Init(), 1);
        }
        EXPECT_EQ(read(), before) << "Init changed the host's state";
        Draw(batch);
        EXPECT_GE(batch.Draw_Calls_Get(), 1);
        if (round > 0) {
            EXPECT_GE(batch.Uploads_Get(), 2) << "the frame had changes to upload";
        }
        EXPECT_EQ(read(), before) << "round " << round << ": Draw changed the host's state";
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }

    // The fixture's own state back for the next test.
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glUseProgram(0);
    glBindVertexArray(0);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glViewport(0, 0, WIDTH, HEIGHT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glDeleteProgram(program);
    glDeleteVertexArrays(1, &vao);
    glDeleteBuffers(2, buffers);
    glDeleteTextures(2, textures);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Batch, MisuseIsReportedAndNeverCrashes)
{
    {
        VR_Batches batch;
        VR_Buttons never;
        Place(never, "Never", 10, 10, 100, 30);
        batch.Add(never);
        EXPECT_TRUE(Has_Message("Batch: VR_Buttons \"Never\" was added before its Init; left out")) << Messages_Text();
        Messages_Clear();
        Draw(batch);
        Draw(batch);
        EXPECT_EQ(batch.Draw_Calls_Get(), 0);
        ASSERT_EQ(Messages().size(), 1u) << "reported once: " << Messages_Text();
        EXPECT_TRUE(Has_Message("Batch: Draw before a successful Init; nothing drawn"));
        Messages_Clear();

        // Forgotten widgets: nothing drawn, nothing reported; the batch outlives them.
        auto rows = std::make_unique<std::vector<std::unique_ptr<Row>>>(Rows_Make(2, batch));
        ASSERT_EQ(batch.Init(), 1);
        batch.Clear();
        rows.reset();
        Clear();
        Draw(batch);
        EXPECT_EQ(batch.Draw_Calls_Get(), 0);
        EXPECT_EQ(Count_Pixels(0, 0, WIDTH, HEIGHT, Rgba{0, 0, 0, 255}, 0), WIDTH * HEIGHT);

        // Moved: the new batch draws, the old one only reports.
        const auto more = Rows_Make(1, batch);
        VR_Batches moved(std::move(batch));
        Draw(moved);
        EXPECT_GE(moved.Draw_Calls_Get(), 1);
        batch.Add(more[0]->label);
        Draw(batch);
        EXPECT_TRUE(Has_Message("Batch: this batch has no state (moved from, or made without memory); nothing done"))
            << Messages_Text();
        EXPECT_EQ(batch.Draw_Calls_Get(), 0);
        Messages_Clear();
        if (Profile() != headless::Profile::COMPAT) {
            // Without fixed-function matrices the plain Draw says what to call instead.
            moved.Draw();
            EXPECT_TRUE(Has_Message("Batch: Draw() reads fixed-function matrices")) << Messages_Text();
        }
    }
    // The batch went first here; widgets going first after Clear is covered above.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Batch, EveryClassLeavesTheHostNoGlErrorAndOwnDrawOnlyInCompatibility)
{
    const auto no_error = [](const std::string& what) {
        const GLenum e = glGetError();
        EXPECT_EQ(e, static_cast<GLenum>(GL_NO_ERROR)) << what;
        while (glGetError() != GL_NO_ERROR) {
        }
    };
    no_error("before the widgets");
    for (const Look_Case& c : Look_Cases()) {
        Stage stage;
        stage.window = Window();
        c.build(stage);
        no_error(std::string(c.what) + ": Init");
        VR_Batches batch;
        for (auto& add : stage.adds)
            add(batch);
        ASSERT_EQ(batch.Init(), 1) << Messages_Text();
        Draw(batch);
        no_error(std::string(c.what) + ": batch Init and Draw");
        for (auto& poke : stage.pokes)
            poke();
        no_error(std::string(c.what) + ": Select, Adjust and a second Init");
        Clear();
        Draw(batch);
        EXPECT_GE(batch.Draw_Calls_Get(), 1) << c.what;
        no_error(std::string(c.what) + ": batch Draw after the changes");

        // The widgets' own Draw: the fixed-function picture in a compatibility context, elsewhere
        // nothing at all (said once), rather than a stream of GL errors.
        Clear();
        for (auto& d : stage.draws)
            d();
        no_error(std::string(c.what) + ": own Draw");
        const bool drew = Count_Pixels(0, 0, WIDTH, HEIGHT, Rgba{0, 0, 0, 255}, 0) < WIDTH * HEIGHT;
        EXPECT_EQ(drew, Profile() == headless::Profile::COMPAT) << c.what;
    }
    if (Profile() == headless::Profile::COMPAT) {
        EXPECT_TRUE(Messages().empty()) << Messages_Text();
    } else {
        ASSERT_EQ(Messages().size(), 1u) << Messages_Text();
        EXPECT_TRUE(Has_Message("GL: a widget's own Draw needs a compatibility context; draw through VR_Batches"));
    }
}
