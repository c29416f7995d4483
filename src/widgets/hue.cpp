// The hue editor: one slider over the hue circle and a swatch; lightness and saturation come from the loaded colour.
#include <algorithm>
#include <utility>

#include "core/core.h"
#include "editor_parts.h"
#include "looks.h"
#include <vrtools/hue.h>

namespace {

constexpr const char* SOURCE = "hue";
constexpr unsigned int BOX_BITS = VR_HIDDEN | VR_FLAT;  // the editor bits its swatch follows
constexpr float HUE_MAX = 0.99f;                        // a full turn would be red again at the right end

}  // namespace

VR_Hues::VR_Hues(const VR_Hues& other)
    : VR_Tools(other), Color_Value(other.Color_Value), Hit(other.Hit), Applied(other.Applied), Active_Slider(nullptr),
      Swatch(other.Swatch), Slider(other.Slider)
{
    std::copy(other.Channel, other.Channel + 3, Channel);
    // A copy drives its own slider, never the source's.
    Active_Slider = other.Active_Slider == &other.Slider ? &Slider : nullptr;
}

VR_Hues& VR_Hues::operator=(const VR_Hues& other)
{
    if (this == &other)
        return *this;
    VR_Tools::operator=(other);
    Color_Value = other.Color_Value;
    Hit = other.Hit;
    Applied = other.Applied;
    std::copy(other.Channel, other.Channel + 3, Channel);
    Swatch = other.Swatch;
    Slider = other.Slider;
    Active_Slider = other.Active_Slider == &other.Slider ? &Slider : nullptr;
    return *this;
}

VR_Hues::VR_Hues(VR_Hues&& other) noexcept
    : VR_Tools(std::move(other)), Color_Value(other.Color_Value), Hit(other.Hit), Applied(other.Applied),
      Active_Slider(nullptr), Swatch(std::move(other.Swatch)), Slider(std::move(other.Slider))
{
    std::copy(other.Channel, other.Channel + 3, Channel);
    Active_Slider = other.Active_Slider == &other.Slider ? &Slider : nullptr;
    other.Active_Slider = nullptr;
}

VR_Hues& VR_Hues::operator=(VR_Hues&& other) noexcept
{
    if (this == &other)
        return *this;
    VR_Tools::operator=(std::move(other));
    Color_Value = other.Color_Value;
    Hit = other.Hit;
    Applied = other.Applied;
    std::copy(other.Channel, other.Channel + 3, Channel);
    Swatch = std::move(other.Swatch);
    Slider = std::move(other.Slider);
    Active_Slider = other.Active_Slider == &other.Slider ? &Slider : nullptr;
    other.Active_Slider = nullptr;
    return *this;
}

VR_Hues::~VR_Hues()
{
    // The track picture first; then Slider, Swatch and the base die in that order.
    Slider.Image = static_cast<unsigned char*>(Free(Slider.Image));
}

void VR_Hues::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Hues:%ls)"))
        return;
    Hit = 0;
    if (Color_Get() == 0)
        Color_Set(Colors(core::COLOR_DEFAULT));
    if (Bevel == 0)
        Bevel = 1;

    // The swatch is inactive: it only shows the colour.
    Swatch.Bevel = Bevel;
    Swatch.Flags = (Flags & BOX_BITS) | VR_BOX_FLOOR_APART | VR_BOX_FLOOR_UNLIT | VR_INACTIVE;
    Swatch.X = static_cast<short>(X + Width - 80);
    Swatch.Y = Y;
    Swatch.Width = 80;
    Swatch.Height = Height;
    Swatch.Init(hwnd);

    // The slider ends 5 units before the swatch; an editor narrower than that gives it width 0.
    const short w = static_cast<short>(std::max(0, Width - 85));
    // A picture made for another size would be read out of bounds: the slider still holds that size.
    if (Slider.Image && (Slider.Width != w || Slider.Height != Height))
        Slider.Image = static_cast<unsigned char*>(Free(Slider.Image));
    editor::Slider_Place(Slider, *this, X, Y, w, Height, HUE_MAX);
    Slider.Name_Set("Hue");
    if (!(Flags & VR_HIDDEN) && !Slider.Image)
        Slider.Image = core::Ramp_Picture(core::Ramp::HUE, w, Height, SOURCE, "Slider.Image");
    Slider.Init(hwnd);
    Adjust();
}

void VR_Hues::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Hues::Draw");
    // Every part replays its own description, which refuses a context without the fixed pipeline.
    if (Width < 1 || Height < 1)
        return;
    Slider.Draw();
    Swatch.Draw();
}

int VR_Hues::Select(int buttons, float x, float y)
{
    core::Guard(*this, "VR_Hues::Select");
    if (Width < 1 || Height < 1)
        return 0;
    const bool inside = static_cast<float>(X) < x && x <= static_cast<float>(X + Width) && static_cast<float>(Y) < y &&
                        y <= static_cast<float>(Y + Height);
    if (!inside) {
        Slider.Deselect();
        Hit = 0;
        return 0;
    }
    Active_Slider = nullptr;
    Hit = 0;
    if (Slider.Select(buttons & 0xF, x, y)) {
        Active_Slider = &Slider;
        Hit = 1;
    }
    return Hit;
}

void VR_Hues::Deselect()
{
    Hit = 0;
    if (!(Flags & VR_FLAT))
        Slider.Deselect();
}

int VR_Hues::Is_Select(float x)
{
    if (!Hit)
        return 0;
    Slider.Is_Select(x);
    return Hit;
}

void VR_Hues::Adjust()
{
    core::Guard(*this, "VR_Hues::Adjust");
    if (Width < 1 || Height < 1 || (Flags & VR_HIDDEN))
        return;
    if (Color_Value == Applied)
        return;
    float rgb[3];
    core::Color_Fractions(Color_Value, rgb);
    float l = 0.0f, s = 0.0f;
    RGB_to_HLS(rgb[0], rgb[1], rgb[2], &Slider.Value, &l, &s);
    // Lightness and saturation stay as loaded; only the hue follows the slider from now on.
    Channel[0] = Slider.Value;
    Channel[1] = l;
    Channel[2] = s;
    Slider.Adjust();
    editor::Swatch_Show(Swatch, Color_Value);
    Applied = Color_Value;
}

unsigned long VR_Hues::Shown_Color()
{
    Channel[0] = Slider.Value;
    float r = 0.0f, g = 0.0f, b = 0.0f;
    HLS_to_RGB(Channel[0], Channel[1], Channel[2], &r, &g, &b);
    return core::Color_Pack(r, g, b);
}

unsigned long VR_Hues::Read()
{
    core::Guard(*this, "VR_Hues::Read");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE) || Active_Slider != &Slider)
        return 0;
    editor::Slider_Follow_Pointer(Slider);
    return Shown_Color();
}

int VR_Hues::Drag(float x, float y)
{
    return editor::Pointer_Drag(*this, x, y);
}
int VR_Hues::Wheel(float x, float y, float amount)
{
    return editor::Pointer_Wheel(*this, x, y, amount);
}

unsigned long VR_Hues::Scroll(float amount)
{
    core::Guard(*this, "VR_Hues::Scroll");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE) || Active_Slider != &Slider)
        return 0;
    editor::Slider_Follow_Wheel(Slider, amount);
    return Shown_Color();
}

void core::Look_Prepare(VR_Hues& h)
{
    if ((h.Flags & VR_HIDDEN) || h.Width < 1 || h.Height < 1)
        return;
    core::Look_Prepare(h.Slider);
    core::Look_Prepare(h.Swatch);
}

void core::Look_Describe(VR_Hues& h, Look& look)
{
    if ((h.Flags & VR_HIDDEN) || h.Width < 1 || h.Height < 1)
        return;
    core::Look_Describe(h.Slider, look);
    core::Look_Describe(h.Swatch, look);
}
