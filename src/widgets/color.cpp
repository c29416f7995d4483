// The RGB/HLS colour editor: a background box, three channel sliders and a swatch that switches the model.
#include <algorithm>
#include <utility>

#include <vrtools/color.h>
#include "core/core.h"
#include "editor_parts.h"
#include "looks.h"

namespace {

constexpr const char* SOURCE = "color";
constexpr unsigned int BOX_BITS = VR_HIDDEN | VR_FLAT;  // the editor bits its boxes follow
// A value no packed colour has: the next Adjust reloads whatever Color_Value holds.
constexpr unsigned int RELOAD = 0x8FFFFFFF;
constexpr float CHANNEL_MAX = 0.99f;  // sliders stop short of 1 so trunc(f x 255) stays in range

short Clamp_Size(int size)
{
    return static_cast<short>(std::clamp(size, 0, 32767));
}

// The model switch a click made while no context was current, done once one is.
void Pending_Init(VR_Colors& c)
{
    if ((c.Status & VR_STATUS_INIT_PENDING) && core::Context_Current())
        c.Init(nullptr);
}

}  // namespace

VR_Colors::VR_Colors(const VR_Colors& other)
    : VR_Tools(other), Color_Value(other.Color_Value), Hit(other.Hit), Applied(other.Applied), Active_Slider(nullptr),
      Frame(other.Frame), Swatch(other.Swatch), Slider_1(other.Slider_1), Slider_2(other.Slider_2),
      Slider_3(other.Slider_3)
{
    std::copy(other.Channel, other.Channel + 3, Channel);
    Active_Slider = Own_Slider(other, other.Active_Slider);
}

VR_Colors& VR_Colors::operator=(const VR_Colors& other)
{
    if (this == &other)
        return *this;
    VR_Tools::operator=(other);
    Color_Value = other.Color_Value;
    Hit = other.Hit;
    Applied = other.Applied;
    std::copy(other.Channel, other.Channel + 3, Channel);
    Frame = other.Frame;
    Swatch = other.Swatch;
    Slider_1 = other.Slider_1;
    Slider_2 = other.Slider_2;
    Slider_3 = other.Slider_3;
    Active_Slider = Own_Slider(other, other.Active_Slider);
    return *this;
}

VR_Colors::VR_Colors(VR_Colors&& other) noexcept
    : VR_Tools(std::move(other)), Color_Value(other.Color_Value), Hit(other.Hit), Applied(other.Applied),
      Active_Slider(nullptr), Frame(std::move(other.Frame)), Swatch(std::move(other.Swatch)),
      Slider_1(std::move(other.Slider_1)), Slider_2(std::move(other.Slider_2)), Slider_3(std::move(other.Slider_3))
{
    std::copy(other.Channel, other.Channel + 3, Channel);
    Active_Slider = Own_Slider(other, other.Active_Slider);
    other.Active_Slider = nullptr;
}

VR_Colors& VR_Colors::operator=(VR_Colors&& other) noexcept
{
    if (this == &other)
        return *this;
    VR_Tools::operator=(std::move(other));
    Color_Value = other.Color_Value;
    Hit = other.Hit;
    Applied = other.Applied;
    std::copy(other.Channel, other.Channel + 3, Channel);
    Frame = std::move(other.Frame);
    Swatch = std::move(other.Swatch);
    Slider_1 = std::move(other.Slider_1);
    Slider_2 = std::move(other.Slider_2);
    Slider_3 = std::move(other.Slider_3);
    Active_Slider = Own_Slider(other, other.Active_Slider);
    other.Active_Slider = nullptr;
    return *this;
}

VR_Colors::~VR_Colors()
{
    // The track pictures go first; the members then die in reverse order (Slider_3 .. Frame), the
    // base last.
    Slider_1.Image = static_cast<unsigned char*>(Free(Slider_1.Image));
    Slider_2.Image = static_cast<unsigned char*>(Free(Slider_2.Image));
    Slider_3.Image = static_cast<unsigned char*>(Free(Slider_3.Image));
}

VR_Valuators* VR_Colors::Own_Slider(const VR_Colors& source, const VR_Valuators* slider)
{
    // A copy must never drive the source's slider: the pointer is rebased onto the same member here.
    if (slider == &source.Slider_1)
        return &Slider_1;
    if (slider == &source.Slider_2)
        return &Slider_2;
    if (slider == &source.Slider_3)
        return &Slider_3;
    return nullptr;
}

void VR_Colors::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Colors:%ls)"))
        return;
    Hit = 0;
    if (Color_Get() == 0)
        Color_Set(Colors(core::COLOR_DEFAULT));
    if (Bevel == 0)
        Bevel = 1;
    // NOTE: the layout insets the parts by the bevel; a negative bevel would make them larger than
    // the editor (a slider 60 000 units wide with a ramp picture of hundreds of megabytes).
    const int B = std::max<int>(Bevel, 0), x = X, y = Y, w = Width, h = Height;
    const bool hls = (Flags & VR_COLOR_HLS) != 0;

    // The background box carries the caption; it never reacts to the pointer.
    if (W_Name)
        Frame.Name_Set(L"%ls", W_Name);  // the name is text, not a format
    else
        Frame.Name_Set(static_cast<const wchar_t*>(nullptr));
    Frame.Bevel = Bevel;
    Frame.Font_Size = Font_Size;
    Frame.Font_Style = Font_Style;
    Frame.Font_Name = Font_Name;
    Frame.Font_Extra = Font_Extra;
    Frame.X = X;
    Frame.Y = Y;
    Frame.Width = Width;
    Frame.Height = Height;
    Frame.Flags = (Flags & BOX_BITS) | VR_BOX_FLOOR_APART | VR_INACTIVE;
    Frame.Color_Set(Color_Get());
    Frame.Init(hwnd);

    Swatch.Bevel = Bevel;
    Swatch.Flags = (Flags & BOX_BITS) | VR_BOX_FLOOR_APART | VR_BOX_FLOOR_UNLIT;
    Swatch.X = static_cast<short>(x + w - B - 82);
    Swatch.Y = static_cast<short>(y + B + 2);
    Swatch.Width = 80;
    Swatch.Height = Clamp_Size(h - 2 * (B + 2));
    Swatch.Init(hwnd);

    // Three sliders stacked with 2 units between them, Slider_1 on top, the swatch to their right.
    // An editor too small for them gives them size 0, so they build nothing.
    const short slider_w = Clamp_Size(w - 2 * (B + 43));
    const float hf = std::max(0.0f, static_cast<float>(h - (2 * B + 8)) / 3.0f);
    const short slider_h = Clamp_Size(static_cast<int>(hf));
    const int y3 = y + B + 2;
    const int y2 = static_cast<int>(static_cast<float>(y3) + hf + 2.0f);
    const int y1 = static_cast<int>(static_cast<float>(y2) + hf + 2.0f);

    struct Layout {
        VR_Valuators& slider;
        int y;
        const wchar_t* caption;
        core::Ramp ramp;
    };
    const Layout layout[3] = {
        {Slider_3, y3, hls ? L"Saturation" : L"Blue", hls ? core::Ramp::SATURATION : core::Ramp::BLUE},
        {Slider_2, y2, hls ? L"Light" : L"Green", hls ? core::Ramp::LIGHT : core::Ramp::GREEN},
        {Slider_1, y1, hls ? L"Hue" : L"Red", hls ? core::Ramp::HUE : core::Ramp::RED},
    };
    for (const Layout& l : layout) {
        VR_Valuators& s = l.slider;
        // A picture made for another size or model would be read out of bounds or show the wrong
        // ramp: the slider's fields still hold what it was made for.
        if (s.Image && (s.Width != slider_w || s.Height != slider_h || ((s.Flags ^ Flags) & VR_COLOR_HLS)))
            s.Image = static_cast<unsigned char*>(Free(s.Image));
        editor::Slider_Place(s, *this, x + B + 2, l.y, slider_w, slider_h, CHANNEL_MAX);
        s.Name_Set(l.caption);
        if (&s == &Slider_3)
            s.Format = nullptr;
        if (!(Flags & VR_HIDDEN) && !s.Image)
            s.Image = core::Ramp_Picture(l.ramp, slider_w, slider_h, SOURCE, "slider.Image");
        s.Init(hwnd);
    }
    Adjust();
}

void VR_Colors::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Colors::Draw");
    Pending_Init(*this);
    // Every part replays its own description, which refuses a context without the fixed pipeline.
    if (Width < 1 || Height < 1)
        return;
    Frame.Draw();
    Slider_1.Draw();
    Slider_2.Draw();
    Slider_3.Draw();
    Swatch.Draw();
}

int VR_Colors::Select(int buttons, float x, float y)
{
    core::Guard(*this, "VR_Colors::Select");
    if (Width <= 0 || Height <= 0)
        return 0;
    const int b = buttons & 0xF;
    short hit = 0;
    const bool inside = static_cast<float>(X) < x && x <= static_cast<float>(X + Width) && static_cast<float>(Y) < y &&
                        y <= static_cast<float>(Y + Height);
    if (inside) {
        if (Swatch.Select(b, x, y) && b) {
            // A click on the swatch switches the model: new captions, new ramps, the colour reloaded.
            Slider_1.Image = static_cast<unsigned char*>(Free(Slider_1.Image));
            Slider_2.Image = static_cast<unsigned char*>(Free(Slider_2.Image));
            Slider_3.Image = static_cast<unsigned char*>(Free(Slider_3.Image));
            Applied = RELOAD;
            Flags ^= VR_COLOR_HLS;
            if (!core::GL_Deferred(*this, VR_STATUS_INIT_PENDING, "VR_Colors")) {
                Init(nullptr);
                Draw();
            }
        }
        Active_Slider = nullptr;
        for (VR_Valuators* s : {&Slider_1, &Slider_2, &Slider_3}) {
            if (s->Select(b, x, y)) {
                Active_Slider = s;
                hit = 1;
            }
        }
    } else {
        // Leaving the editor keeps the active slider: the wheel may still move it.
        Slider_1.Deselect();
        Slider_2.Deselect();
        Slider_3.Deselect();
    }
    Hit = hit;
    return hit;
}

void VR_Colors::Deselect()
{
    Hit = 0;
    if (Flags & VR_FLAT)
        return;
    Slider_1.Deselect();
    Slider_2.Deselect();
    Slider_3.Deselect();
}

int VR_Colors::Is_Select(float x)
{
    if (!Hit)
        return 0;
    Slider_1.Is_Select(x);
    Slider_2.Is_Select(x);
    Slider_3.Is_Select(x);
    return Hit;
}

void VR_Colors::Adjust()
{
    core::Guard(*this, "VR_Colors::Adjust");
    if (Width <= 0 || Height <= 0 || (Flags & VR_HIDDEN))
        return;
    if (Color_Value == Applied)
        return;
    float rgb[3];
    core::Color_Fractions(Color_Value, rgb);
    if (Flags & VR_COLOR_HLS) {
        RGB_to_HLS(rgb[0], rgb[1], rgb[2], &Slider_1.Value, &Slider_2.Value, &Slider_3.Value);
    } else {
        Slider_1.Value = rgb[0];
        Slider_2.Value = rgb[1];
        Slider_3.Value = rgb[2];
    }
    // The channels keep the unclamped values; the sliders clamp theirs to 0 .. 0.99.
    Channel[0] = Slider_1.Value;
    Channel[1] = Slider_2.Value;
    Channel[2] = Slider_3.Value;
    Slider_1.Adjust();
    Slider_2.Adjust();
    Slider_3.Adjust();
    editor::Swatch_Show(Swatch, Color_Value);
    Applied = Color_Value;
}

unsigned long VR_Colors::Shown_Color()
{
    Channel[0] = Slider_1.Value;
    Channel[1] = Slider_2.Value;
    Channel[2] = Slider_3.Value;
    float r = Channel[0], g = Channel[1], b = Channel[2];
    if (Flags & VR_COLOR_HLS)
        HLS_to_RGB(Channel[0], Channel[1], Channel[2], &r, &g, &b);
    return core::Color_Pack(r, g, b);
}

unsigned long VR_Colors::Read()
{
    core::Guard(*this, "VR_Colors::Read");
    VR_Valuators* s = Own_Slider(*this, Active_Slider);
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE) || !s)
        return 0;
    editor::Slider_Follow_Pointer(*s);
    return Shown_Color();
}

int VR_Colors::Drag(float x, float y)
{
    return editor::Pointer_Drag(*this, x, y);
}
int VR_Colors::Wheel(float x, float y, float amount)
{
    return editor::Pointer_Wheel(*this, x, y, amount);
}

unsigned long VR_Colors::Scroll(float amount)
{
    core::Guard(*this, "VR_Colors::Scroll");
    VR_Valuators* s = Own_Slider(*this, Active_Slider);
    if (Width <= 0 || Height <= 0 || (Flags & VR_INACTIVE) || !s)
        return 0;
    editor::Slider_Follow_Wheel(*s, amount);
    return Shown_Color();
}

void core::Look_Prepare(VR_Colors& c)
{
    if ((c.Flags & VR_HIDDEN) || c.Width < 1 || c.Height < 1)
        return;
    Pending_Init(c);
    core::Look_Prepare(c.Frame);
    core::Look_Prepare(c.Slider_1);
    core::Look_Prepare(c.Slider_2);
    core::Look_Prepare(c.Slider_3);
    core::Look_Prepare(c.Swatch);
}

void core::Look_Describe(VR_Colors& c, Look& look)
{
    if ((c.Flags & VR_HIDDEN) || c.Width < 1 || c.Height < 1)
        return;
    core::Look_Describe(c.Frame, look);
    core::Look_Describe(c.Slider_1, look);
    core::Look_Describe(c.Slider_2, look);
    core::Look_Describe(c.Slider_3, look);
    core::Look_Describe(c.Swatch, look);
}
