// Progress bars: a tray with a black floor over which yellow slanted stripes move one step per Draw.
#include <cstdlib>

#include "core/core.h"
#include "looks.h"
#include "render/immediate/script.h"
#include <vrtools/progress.h>

namespace {

constexpr const char* SOURCE = "progress";
constexpr int TRAY_QUADS = 13;
constexpr unsigned int FLOOR_APART = 0x10;  // floor left out of the lit pass, stripes nearer

// The stripe texture: 64 x 32 alpha texels, one slanted band per 64-texel period.
constexpr int STRIPE_W = 64;
constexpr int STRIPE_H = 32;
constexpr int STRIPE_BAND = 16;

// Phases run 0..PHASE_LAST: the shift of a draw is Phase / 256 of a period, so the cycle is 1025
// draws and the stripes move a quarter texel per draw.
constexpr int PHASE_LAST = 1024;
constexpr float PHASE_STEP = 0.00390625f;  // 1 / 256

// Row r is opaque from column r to r + 15: the band slants down to the right. Made once.
const unsigned char* Stripes()
{
    static const struct Pattern {
        unsigned char texels[STRIPE_W * STRIPE_H] = {};
        Pattern()
        {
            for (int r = 0; r < STRIPE_H; ++r)
                for (int c = r; c < r + STRIPE_BAND; ++c)
                    texels[r * STRIPE_W + c] = 255;
        }
    } pattern;
    return pattern.texels;
}

void Stripes_Upload()
{
    core::Texture_Alpha_Upload(STRIPE_W, STRIPE_H, Stripes());
}

// Advances the animation by one draw.
void Phase_Step(VR_Progress& p)
{
    const int next = p.Phase + 1;
    p.Phase = static_cast<short>(next > PHASE_LAST ? 0 : next);
}

// The band over the floor at z 0: the pattern five times across, once from top (t 0) to bottom.
bool Band_Fill(VR_Progress& p)
{
    core::Heap_Unshare(p.Text_Coord_Array);
    core::Heap_Unshare(p.Text_Vertex_Array);
    if (!p.Text_Coord_Array)
        p.Text_Coord_Array = static_cast<float*>(std::malloc(32));
    if (!p.Text_Vertex_Array)
        p.Text_Vertex_Array = static_cast<short*>(std::malloc(24));
    if (!p.Text_Coord_Array || !p.Text_Vertex_Array) {
        core::Report_Alloc("realloc", __LINE__, SOURCE,
                           p.Text_Coord_Array ? "this->Text_Vertex_Array" : "this->Text_Coord_Array", 1,
                           p.Text_Coord_Array ? 24 : 32);
        return false;
    }
    const short x0 = static_cast<short>(p.X + p.Bevel), x1 = static_cast<short>(p.X + p.Width - p.Bevel);
    const short y0 = static_cast<short>(p.Y + p.Bevel), y1 = static_cast<short>(p.Y + p.Height - p.Bevel);
    const short v[12] = {x1, y0, 0, x1, y1, 0, x0, y1, 0, x0, y0, 0};
    const float t[8] = {5.0f, 1.0f, 5.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < 12; ++i)
        p.Text_Vertex_Array[i] = v[i];
    for (int i = 0; i < 8; ++i)
        p.Text_Coord_Array[i] = t[i];
    return true;
}

}  // namespace

void VR_Progress::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Progress:%ls)"))
        return;
    const Colors rim(core::COLOR_RIM);
    if (Color.Red == rim.Red && Color.Green == rim.Green && Color.Blue == rim.Blue)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;

    // The pattern never changes: upload it only into a texture made here.
    if (core::Texture_Prepare(Text_Texture, GL_REPEAT))
        Stripes_Upload();

    core::Mesh_Reset(*this);

    const unsigned int grey = core::Mesh_Color(Colors(core::COLOR_RIM).get());
    core::Mesh_Builder builder(core::Base_Mesh(*this), SOURCE);
    core::Tray_Append(builder, X, Y, Width, Height, Bevel, 0, 1, grey, grey, core::OPAQUE);
    if (!builder.Ok())
        return;
    core::Mesh_Upload(core::Base_Mesh(*this), Vertex_VBO, Normal_VBO, Color_VBO);
    if (Band_Fill(*this))
        core::Caption_Upload(Text_Vertex_VBO, Text_Coord_VBO, Text_Vertex_Array, Text_Coord_Array);
}

void VR_Progress::Draw()
{
    core::Guard(*this, "VR_Progress::Draw");
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE);
}

void core::Look_Describe(VR_Progress& p, Look& look)
{
    if (p.Width <= 0 || p.Height <= 0 || (p.Flags & VR_HIDDEN))
        return;
    if (p.Quad_Count != TRAY_QUADS || p.Vertex_VBO == 0 || p.Normal_VBO == 0 || p.Color_VBO == 0)
        return;
    if (p.Flags & VR_FLAT) {
        // The rim top only, unlit; the stripes stand still.
        core::Look_Flat_Strips(look, p, 4);
        return;
    }
    // The tray, lit like a box's; its floor is the black ground of the stripes.
    const bool floor_apart = (p.Flags & FLOOR_APART) != 0;
    core::Look_Mesh(look, p, p.Quad_Count - (floor_apart ? 1 : 0));
    if (p.Text_Vertex_VBO && p.Text_Vertex_Array && p.Text_Coord_Array) {
        // Yellow where the pattern is opaque: the stripes take their colour like a caption does.
        Look_Part& band = look.Add(Look_Pass::TEXT);
        band.vertex = p.Text_Vertex_Array;
        band.coord = p.Text_Coord_Array;
        band.quads = 1;
        band.offset[2] = floor_apart ? 1.0f : 2.0f;
        band.rgb = 0x00FFFFu;
        // The stripes move by shifting the texture, not the band: the buffers stay as uploaded.
        band.shift_s = -static_cast<float>(p.Phase) * PHASE_STEP;
        band.texture = core::Mask_Texture(Stripes(), STRIPE_W, STRIPE_H, Look_Wrap::REPEAT, nullptr, 0);
        Phase_Step(p);
    }
}
