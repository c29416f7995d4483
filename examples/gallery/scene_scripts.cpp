// Gallery scene: captions in many scripts, both directions, and fonts that lack the glyphs.
#include <array>

#include "gallery.h"
#include <vrtools/label.h>

namespace {

class Scripts_Scene : public Scene {
public:
    const char* Title() const override { return "Scripts"; }

    void Init(HWND window, int x, int y, int w, int h) override
    {
        struct Spec {
            const char* name;
            const char* font;  // null: the gallery font
        };
        // The gallery font has Latin, Greek, Cyrillic, Arabic and Hebrew; the rest comes from the
        // installed fonts that have them. One caption asks for a monospaced family and another
        // for a serif one, neither of which has the CJK glyphs.
        const std::array<Spec, 12> specs = {{
            {"Latin: égalité, Straße", nullptr},
            {"Ελληνικά: ελεύθεροι", nullptr},
            {"Русский: свободными", nullptr},
            {"العربية: يولد جميع الناس", nullptr},
            {"עברית: כל בני האדם", nullptr},
            {"हिन्दी: सभी मनुष्यों को", nullptr},
            {"ไทย: มนุษย์ทั้งหลาย", nullptr},
            {"中文: 人人生而自由", nullptr},
            {"日本語: すべての人間は", "DejaVu Sans Mono"},
            {"한국어: 모든 인간은", "DejaVu Serif"},
            {"Mixed: שלום 123 world مرحبا!", nullptr},
            {"Symbols: ★ ✈ ☂ 😀 → ∑", nullptr},
        }};
        const int rows = static_cast<int>(specs.size() / 2);
        const int cell_h = h / rows;
        for (size_t i = 0; i < specs.size(); ++i) {
            VR_Labels& l = labels[i];
            l.Name = specs[i].name;
            l.Flags = VR_TEXT_VCENTER;
            l.X = static_cast<short>(x + (i % 2) * (w / 2));
            l.Y = static_cast<short>(y + h - static_cast<int>(i / 2 + 1) * cell_h);
            l.Width = static_cast<short>(w / 2 - 6);
            l.Height = static_cast<short>(cell_h - 4);
            l.Bevel = 2;
            l.Font_Name = specs[i].font ? specs[i].font : GALLERY_FONT;
            l.Font_Size = GALLERY_FONT_SIZE;
            l.Color_Set(i % 2 ? 0xFFE0C0u : 0xC0F0FFu);
            l.Init(window);
        }
    }

    // The widgets it shows, in drawing order.
    void Shown_Add(Scene_Widgets& shown) override
    {
        for (VR_Labels& l : labels)
            shown.Add(l);
    }

private:
    std::array<VR_Labels, 12> labels;
};

}  // namespace

GALLERY_SCENE(Scripts_Scene, 200);
