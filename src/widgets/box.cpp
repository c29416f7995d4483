// Boxes: a raised rim around a floor in the widget's colour, with a caption, a picture and hover lighting.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include <vrtools/box.h>
#include "core/core.h"
#include "looks.h"
#include "render/immediate/script.h"

namespace {

constexpr const char* SOURCE = "box";
constexpr const char* WINDOW_TAG = "Tools: WARNING! (VR_Boxs:%ls)";
constexpr int TRAY_QUADS = 13;
constexpr std::size_t PATH_CAPACITY = 771;  // wide characters, terminator included

// True when Init built the whole tray and its buffers: the only state in which Draw may read them.
bool Has_Mesh(const VR_Boxs& box)
{
    return box.Quad_Count == TRAY_QUADS && box.Vertex_VBO != 0 && box.Normal_VBO != 0 && box.Color_VBO != 0;
}

// Gives the floor (the last quad) a new colour and replaces the colour buffer.
void Floor_Color(VR_Boxs& box, unsigned long packed)
{
    if (!box.Color_Array || box.Quad_Count < 1)
        return;
    core::Quad_Color_Set(core::Base_Mesh(box), box.Quad_Count - 1, core::Mesh_Color(packed));
    core::Colors_Upload(box, "VR_Boxs");
}

// Formats the icon path with the system's own format; false when it does not fit.
bool Path_Format(wchar_t* out, std::size_t capacity, ...)
{
    va_list args;
    va_start(args, capacity);
    const int length = host::Format_Wide(out, capacity, L"%lsIcons\\%hs", args);
    va_end(args);
    return length >= 0;
}

}  // namespace

void VR_Boxs::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, WINDOW_TAG))
        return;
    Highlight = 0;
    if (Color_Get() == 0)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;

    // Clamping to the edge fills the picture pass's margin with the picture's border pixels.
    if (Image) {
        core::Texture_Prepare(Image_Texture, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, Icon_Width, Icon_Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, Image);
    }
    const core::Text_Size text = core::Caption_Render(*this, GL_CLAMP_TO_BORDER);
    core::Mesh_Reset(*this);

    const unsigned int rim = core::Mesh_Color(Colors(core::COLOR_RIM).get());
    core::Mesh_Builder builder(core::Base_Mesh(*this), SOURCE);
    core::Tray_Append(builder, X, Y, Width, Height, Bevel, 0, 1, rim, rim, core::Mesh_Color(Color_Get()));
    if (builder.Ok())
        core::Mesh_Upload(core::Base_Mesh(*this), Vertex_VBO, Normal_VBO, Color_VBO);

    if (text.tex_w != 0) {
        // Four units of air between the caption and the rim on the left and on the right.
        const core::Caption_Offset o = core::Caption_Offsets(Flags, Width, Height, Bevel, text, Bevel + 4, 4);
        if (!core::Caption_Fits(Width, Height, Bevel, o, text))
            core::Report_Caption_Fit(WINDOW_TAG, W_Name, text);
        if (core::Caption_Quad(Text_Vertex_Array, Text_Coord_Array, X + o.x, Y + o.y, 0, text, SOURCE))
            core::Caption_Upload(Text_Vertex_VBO, Text_Coord_VBO, Text_Vertex_Array, Text_Coord_Array);
    } else {
        // The name is gone: retire the caption so that no look draws it from a deleted buffer.
        Text_Vertex_Array = static_cast<short*>(Free(Text_Vertex_Array));
        Text_Coord_Array = static_cast<float*>(Free(Text_Coord_Array));
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void VR_Boxs::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Boxs::Draw");
    if (Status & VR_STATUS_UNLOADED)
        core::Look_Load(*this);
    core::Caption_Unpark(*this, GL_CLAMP_TO_BORDER);
    core::Look_Prepare(*this);
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE);
}

int VR_Boxs::Select(int buttons, float x, float y)
{
    if (Flags & VR_INACTIVE)
        return Highlight;
    core::Guard(*this, "VR_Box::Select");
    if (Width <= 0 || Height <= 0)
        return 0;
    // Lower edges exclusive, upper edges inclusive: boxes laid edge to edge never share a point.
    const short hit = static_cast<float>(X) < x && x <= static_cast<float>(X + Width) && static_cast<float>(Y) < y &&
                      y <= static_cast<float>(Y + Height);
    if (hit == Highlight)
        return Highlight;
    Highlight = hit;
    if (Flags & (VR_BOX_FLOOR_APART | VR_FLAT))
        return hit;
    Floor_Color(*this, hit ? Colors(core::COLOR_HIGHLIGHT).get() : Color_Get());
    return hit;
}

void VR_Boxs::Deselect()
{
    if ((Flags & VR_INACTIVE) || Highlight == 0)
        return;
    Highlight = 0;
    if (!(Flags & (VR_BOX_FLOOR_APART | VR_FLAT)))
        Floor_Color(*this, Color_Get());
}

int VR_Boxs::Icon(const char* file)
{
    if (!file) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Box: no icon file name given");
        return 0;
    }
    wchar_t path[PATH_CAPACITY];
    const wchar_t* folder = W_Inst_Path ? W_Inst_Path : L"";
    // NOTE: the system's path uses a backslash; the host's readers take it as a folder separator.
    if (!Path_Format(path, PATH_CAPACITY, folder, file)) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "Box: icon path longer than %d characters refused",
                  static_cast<int>(PATH_CAPACITY - 1));
        return 0;
    }
    IGB_data picture{};
    const int read =
        std::strstr(file, ".tga") ? TGA_Read_Image(path, &picture, nullptr) : IGB_Read_Image(path, &picture, nullptr);
    if (!read)
        return 0;
    if (!picture.Data || picture.Width < 1 || picture.Height < 1) {
        IGB_Free(&picture);
        return 0;
    }
    Icon_Width = picture.Width;
    Icon_Height = picture.Height;
    Image = static_cast<unsigned char*>(Free(Image));
    const std::size_t count = static_cast<std::size_t>(Icon_Width) * static_cast<std::size_t>(Icon_Height);
    Image = static_cast<unsigned char*>(std::calloc(count, 4));
    if (!Image) {
        core::Report_Alloc("calloc", __LINE__, SOURCE, "this->Image", static_cast<int>(count), 4);
        IGB_Free(&picture);
        return 0;
    }
    // The readers deliver blue, green, red, alpha; the texture takes red first.
    const unsigned char* in = picture.Data;
    for (std::size_t i = 0; i < count; ++i) {
        Image[4 * i + 0] = in[4 * i + 2];
        Image[4 * i + 1] = in[4 * i + 1];
        Image[4 * i + 2] = in[4 * i + 0];
        Image[4 * i + 3] = in[4 * i + 3];
    }
    IGB_Free(&picture);
    return 1;
}

namespace {

// The picture, stretched over the whole box with a margin of about 2B that clamping fills with the
// picture's edge pixels; `z` above the box's plane.
void Picture_Look(const VR_Boxs& box, core::Look& look, unsigned int tint, float z)
{
    const float k = 2.0f * box.Bevel / box.Width;
    const float m = 2.0f * box.Bevel / box.Height;
    // NOTE: t runs downward: the picture's first row (t = 0) lies at the top of the box.
    const float st[8] = {-k, 1.0f + m, 1.0f + k, 1.0f + m, 1.0f + k, -m, -k, -m};
    core::Look_Part& p =
        core::Look_Picture(look, box, st, z, box.Image, box.Icon_Width, box.Icon_Height, core::Look_Wrap::EDGE);
    p.rgb = tint;
    p.modulate = true;
}

}  // namespace

void core::Look_Unload(VR_Boxs& box, bool keep_pixels)
{
    core::Tool_Unload(box, keep_pixels);
    core::Name_Unload(box.Image_Texture, true);
}

void core::Look_Load(VR_Boxs& box)
{
    core::Tool_Load(box);
    if (core::Name_Reload(box.Image_Texture) && box.Image) {
        core::Texture_Prepare(box.Image_Texture, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, box.Icon_Width, box.Icon_Height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     box.Image);
    }
}

void core::Look_Prepare(VR_Boxs& box)
{
    if (box.Flags & VR_HIDDEN)
        return;
    // A colour editor's swatch recoloured while no context was current is built here instead.
    if ((box.Status & VR_STATUS_INIT_PENDING) && core::Context_Current())
        box.Init(nullptr);
    if (box.Width < 1 || box.Height < 1 || !Has_Mesh(box))
        return;
    core::Colors_Pending_Upload(box);
}

void core::Look_Describe(VR_Boxs& box, Look& look)
{
    if ((box.Flags & VR_HIDDEN) || box.Width < 1 || box.Height < 1 || !Has_Mesh(box))
        return;
    // A picture loaded after Init has no texture yet: it shows from the next Init on.
    const bool picture = box.Image && box.Image_Texture != 0;
    const std::size_t first = look.Size();
    if (box.Flags & VR_FLAT) {
        core::Look_Flat_Strips(look, box, 4);  // the rim top only
        const unsigned int tint = 0x732020u;
        if (picture)
            Picture_Look(box, look, tint, 1.5f - 0.75f);
        if (box.Text_Vertex_Array && box.Text_Vertex_VBO) {
            // NOTE: modulate, no alpha scale: the caption keeps the current colour (the picture's
            // tint when there is a picture).
            if (Look_Part* caption =
                    core::Look_Caption(look, box, core::Look_Wrap::BORDER, 1.5f, picture ? tint : core::LOOK_FLAT_RGB))
                caption->modulate = true;
        }
    } else {
        // With 0x10 the floor stays out of the lit pass (a list's current item is drawn that way).
        const bool apart = (box.Flags & VR_BOX_FLOOR_APART) != 0;
        core::Look_Mesh(look, box, box.Quad_Count - (apart ? 1 : 0));
        if ((Tool_Looks & 1) || (box.Flags & VR_BOX_FLOOR_UNLIT)) {
            const int last = box.Quad_Count - 1;
            core::Look_Mesh(look, Look_Pass::UNLIT, box.Vertex_Array + last * 12, nullptr, box.Color_Array + last * 4,
                            1);
        }
        if (picture)
            Picture_Look(box, look, 0xFFFFFFu, apart ? 0.5f : 1.25f);
        if (box.Text_Vertex_VBO)
            core::Look_Caption(look, box, core::Look_Wrap::BORDER, apart ? 1.0f : 2.0f, 0u);
    }
    look.Shift_From(first, static_cast<float>(box.Z));
}
