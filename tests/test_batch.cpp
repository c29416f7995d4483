// Batches: the batch's picture equals the widgets' own for every class and state, in a few draw calls,
// with sub-range uploads only for what changed, and the host's GL state left as found.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <vrtools/batch.h>
#include "gl_fixture.h"

namespace {

// Every widget a case makes, kept alive for both draws; progress phases are rewound between them.
struct Stage {
    std::deque<std::unique_ptr<VR_Tools>> owned;
    std::vector<std::function<void()>> draws;
    std::vector<std::function<void(VR_Batches&)>> adds;
    std::vector<VR_Progress*> bars;

    template <class W>
    W& Make(const char* name, int x, int y, int w, int h, int bevel, unsigned int flags = 0)
    {
        auto widget = std::make_unique<W>();
        W& r = *widget;
        r.Name = name;
        r.X = static_cast<short>(x);
        r.Y = static_cast<short>(y);
        r.Width = static_cast<short>(w);
        r.Height = static_cast<short>(h);
        r.Bevel = static_cast<short>(bevel);
        r.Flags = flags;
        r.Font_Name = "DejaVu Sans";
        r.Font_Size = 14;
        owned.push_back(std::move(widget));
        draws.push_back([&r] { r.Draw(); });
        adds.push_back([&r](VR_Batches& b) { b.Add(r); });
        if constexpr (std::is_same_v<W, VR_Progress>)
            bars.push_back(&r);
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

class Batch : public GL_Test {
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
    int Compare(Stage& stage, VR_Batches& batch, const std::string& what, int tolerance = 8)
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
        batch.Draw();
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
            ADD_FAILURE() << what << ": " << count << " channel values differ by more than " << tolerance
                          << ", worst " << worst << " at (" << at % WIDTH << ", " << at / WIDTH << ")";
        }
        return worst;
    }
};

}  // namespace

TEST_F(Batch, EveryClassAndStateLooksAsDrawnAlone)
{
    static const char* const names[] = {"One", "Two", "Three"};
    const std::vector<Look_Case> cases = {
        {"labels", [](Stage& s) {
             s.Make<VR_Labels>("Left label", 20, 540, 200, 30, 4).Init(Window());
             VR_Labels& c = s.Make<VR_Labels>("Centred", 240, 540, 200, 40, 4, VR_TEXT_HCENTER | VR_TEXT_VCENTER);
             c.Color_Set(255, 200, 40);
             c.Init(Window());
         }},
        {"buttons", [](Stage& s) {
             s.Make<VR_Buttons>("Up", 20, 500, 120, 36, 3).Init(Window());
             VR_Buttons& pressed = s.Make<VR_Buttons>("Pressed", 160, 500, 120, 36, 3);
             pressed.Init(Window());
             pressed.State = 1;
             VR_Buttons& hover = s.Make<VR_Buttons>("Hover", 300, 500, 120, 36, 3);
             hover.Init(Window());
             hover.Select(0, 360.0f, 518.0f);
             VR_Buttons& lamp = s.Make<VR_Buttons>("Lamp", 440, 500, 140, 36, 3, VR_BUTTON_LAMP);
             lamp.Lamp = 1;
             lamp.Init(Window());
             s.Make<VR_Buttons>("Flat", 600, 500, 120, 36, 3, VR_FLAT).Init(Window());
             s.Make<VR_Buttons>("Inactive", 20, 440, 120, 36, 3, VR_INACTIVE).Init(Window());
         }},
        {"boxes", [](Stage& s) {
             s.Make<VR_Boxs>("Box", 20, 400, 140, 60, 4).Init(Window());
             s.Make<VR_Boxs>("Apart", 180, 400, 140, 60, 4, VR_BOX_FLOOR_APART).Init(Window());
             s.Make<VR_Boxs>("Unlit", 340, 400, 140, 60, 4, VR_BOX_FLOOR_UNLIT).Init(Window());
             s.Make<VR_Boxs>("Flat box", 500, 400, 140, 60, 4, VR_FLAT).Init(Window());
             VR_Boxs& hover = s.Make<VR_Boxs>("Lit", 660, 400, 120, 60, 4);
             hover.Init(Window());
             hover.Select(0, 700.0f, 430.0f);
             // Pictures: lit, nearer with the floor apart, tinted in the flat look.
             const unsigned int picture_flags[] = {0, VR_BOX_FLOOR_APART, VR_FLAT};
             for (int i = 0; i < 3; ++i) {
                 VR_Boxs& b = s.Make<VR_Boxs>("Icon", 20 + 160 * i, 280, 140, 90, 4, picture_flags[i]);
                 Picture_Set(b);
                 b.Init(Window());
             }
         }},
        {"frames and progress", [](Stage& s) {
             s.Make<VR_Frames>("Frame", 20, 20, 300, 150, 4).Init(Window());
             s.Make<VR_Progress>("Busy", 340, 300, 200, 30, 3).Init(Window());
             s.Make<VR_Progress>("Near", 340, 250, 200, 30, 3, 0x10).Init(Window());
             s.Make<VR_Progress>("Flat bar", 340, 200, 200, 30, 3, VR_FLAT).Init(Window());
         }},
        {"sliders", [](Stage& s) {
             VR_Valuators& gain = s.Make<VR_Valuators>("Gain", 20, 300, 260, 32, 3);
             gain.Value_Max = 100.0f;
             gain.Value = 40.0f;
             gain.Format = "%.1f";
             gain.Init(Window());
             VR_Valuators& log = s.Make<VR_Valuators>("Log", 20, 220, 260, 32, 3, VR_VALUATOR_LOG10);
             log.Value_Min = 1.0f;
             log.Value_Max = 1000.0f;
             log.Value = 30.0f;
             log.Format = "%.0f Hz";
             log.Init(Window());
             VR_Valuators& flat = s.Make<VR_Valuators>("Flat", 320, 220, 260, 32, 3, VR_FLAT);
             flat.Value_Max = 10.0f;
             flat.Value = 7.0f;
             flat.Format = "%.2f";
             flat.Init(Window());
         }},
        {"lists and tabs", [](Stage& s) {
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
             list.Init(Window());
             vertical.Init(Window());
             tabs.Current = 1;
             tabs.Init(Window());
             list.Select(0, 25.0f, 520.0f);
             s.Make<VR_TabItems>("Tab", 460, 200, 120, 30, 3).Init(Window());
             s.Make<VR_TabItems>("Flat tab", 600, 200, 120, 30, 3, VR_FLAT).Init(Window());
         }},
        {"colour editors", [](Stage& s) {
             VR_Colors& rgb = s.Make<VR_Colors>("Colour", 20, 400, 400, 110, 2);
             rgb.Color_Value = 0x3366CC;
             rgb.Init(Window());
             VR_Colors& hls = s.Make<VR_Colors>("HLS", 20, 250, 400, 110, 2, VR_COLOR_HLS);
             hls.Color_Value = 0x3366CC;
             hls.Init(Window());
             VR_Hues& hue = s.Make<VR_Hues>("Hue", 20, 150, 400, 50, 2);
             hue.Color_Value = 0x3366CC;
             hue.Init(Window());
         }},
    };
    for (const Look_Case& c : cases) {
        Stage stage;
        c.build(stage);
        VR_Batches batch;
        for (auto& add : stage.adds)
            add(batch);
        ASSERT_EQ(batch.Init(), 1) << Messages_Text();
        Compare(stage, batch, c.what);
        EXPECT_GE(batch.Draw_Calls_Get(), 1) << c.what;
        EXPECT_LE(batch.Draw_Calls_Get(), 4) << c.what;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
