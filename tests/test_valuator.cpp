// Valuators: value table and look-ups, body and cursor meshes, caption, interaction, read-out, pixels.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "valuator.h"

namespace {

class Valuator_Test : public GL_Test {
protected:
    // A slider of 300 x 60 at (100, 200), bevel 4, range lo .. hi.
    void Make(VR_Valuators& v, float lo, float hi, float value, unsigned int flags = 0, const char* name = nullptr)
    {
        v.Name = name;
        v.Flags = flags;
        v.X = 100;
        v.Y = 200;
        v.Width = 300;
        v.Height = 60;
        v.Bevel = 4;
        v.Value_Min = lo;
        v.Value_Max = hi;
        v.Value = value;
        v.Font_Name = "DejaVu Sans";
        v.Font_Size = 14;
        v.Init(Window());
    }
    // Quad q of a buffer of 3 shorts per vertex: its 12 values.
    static std::vector<short> Quad(const std::vector<short>& a, int q)
    {
        return std::vector<short>(a.begin() + q * 12, a.begin() + q * 12 + 12);
    }
    int Reports(const std::string& fragment) const
    {
        int n = 0;
        for (const Captured_Message& m : Messages())
            n += m.utf8.find(fragment) != std::string::npos;
        return n;
    }
};

using S = std::vector<short>;

}  // namespace

TEST_F(Valuator_Test, ValueTablesAndPositions)
{
    VR_Valuators lin;
    Make(lin, 0.0f, 10.0f, 5.0f);
    EXPECT_EQ(lin.Value_Table[0], 0.0f);
    EXPECT_NEAR(lin.Value_Table[1023], 10.0f, 1e-4f);
    EXPECT_NE(lin.Value_Table[1023], 10.0f);  // 1023 single-precision additions leave their rounding
    EXPECT_EQ(lin.Cursor_Position, 512.0f);
    EXPECT_EQ(lin.Scroll_Speed, 2.0f);
    EXPECT_EQ(lin.Cursor_Half_Width, 10);

    for (unsigned int scale : {0x01000000u, 0x02000000u, 0x03000000u}) {
        VR_Valuators log;
        Make(log, 1.0f, 1000.0f, 10.0f, scale);
        EXPECT_EQ(log.Value_Table[0], 1.0f) << scale;
        EXPECT_NEAR(log.Value_Table[1023], 1000.0f, 1e-3f) << scale;
        EXPECT_EQ(log.Cursor_Position, 341.0f) << scale;
        // Adjust finds the same position from far away.
        log.Cursor_Position = 0.0f;
        log.Adjust();
        EXPECT_EQ(log.Cursor_Position, 341.0f) << scale;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Valuator_Test, BodyMeshAndRebuild)
{
    VR_Valuators v;
    v.X = 1000;
    v.Y = 2000;
    v.Width = 300;
    v.Height = 60;
    v.Bevel = 4;
    v.Value_Max = 1.0f;
    v.Init(Window());
    for (int pass = 0; pass < 2; ++pass) {  // a second Init rebuilds, it does not append
        ASSERT_EQ(v.Quad_Count, 13);
        const S pos = Buffer_Read<short>(v.Vertex_VBO);
        ASSERT_EQ(pos.size(), 13u * 12);
        EXPECT_EQ(Quad(pos, 0), (S{1004, 2004, 4, 1004, 2056, 4, 1000, 2060, 4, 1000, 2000, 4}));
        EXPECT_EQ(Quad(pos, 12), (S{1296, 2004, 1, 1296, 2056, 1, 1004, 2056, 1, 1004, 2004, 1}));
        const S nor = Buffer_Read<short>(v.Normal_VBO);
        EXPECT_EQ(Quad(nor, 4)[1], -100);  // bottom outer wall faces -y
        EXPECT_EQ(Quad(nor, 11)[0], 100);  // left groove wall faces +x
        const std::vector<unsigned int> col = Buffer_Read<unsigned int>(v.Color_VBO);
        ASSERT_EQ(col.size(), 13u * 4);
        EXPECT_EQ(col[0], 0xFF6E6E6Eu);
        EXPECT_EQ(col[12 * 4], 0xFFD8D8D8u);  // default widget colour on the floor
        v.Init(Window());
    }

    // Bevel 0 becomes 1: the groove walls have no height and no normal.
    VR_Valuators flat;
    flat.Width = 100;
    flat.Height = 30;
    flat.Init(Window());
    EXPECT_EQ(flat.Bevel, 1);
    const S nor = Buffer_Read<short>(flat.Normal_VBO);
    EXPECT_EQ(Quad(nor, 8), S(12, 0));
}

TEST_F(Valuator_Test, CursorGeometry)
{
    VR_Valuators v;
    v.X = 1000;
    v.Y = 2000;
    v.Width = 300;
    v.Height = 60;
    v.Bevel = 4;
    v.Init(Window());
    v.Init(Window());
    ASSERT_EQ(v.Cursor_Quad_Count, 14);
    S pos = Buffer_Read<short>(v.Cursor_Vertex_VBO);
    ASSERT_EQ(pos.size(), 14u * 12);
    int x0 = 1 << 20, x1 = -x0, y0 = x0, y1 = -x0, z0 = x0, z1 = -x0;
    for (size_t i = 0; i < pos.size(); i += 3) {
        x0 = std::min<int>(x0, pos[i]), x1 = std::max<int>(x1, pos[i]);
        y0 = std::min<int>(y0, pos[i + 1]), y1 = std::max<int>(y1, pos[i + 1]);
        z0 = std::min<int>(z0, pos[i + 2]), z1 = std::max<int>(z1, pos[i + 2]);
    }
    EXPECT_EQ(x0, 1004);
    EXPECT_EQ(x1, 1024);
    EXPECT_EQ(y0, 2004);
    EXPECT_EQ(y1, 2056);
    EXPECT_EQ(z0, 0);
    EXPECT_EQ(z1, 8);
    EXPECT_EQ(Quad(pos, 11), (S{1014, 2004, 7, 1014, 2056, 7, 1013, 2056, 8, 1013, 2004, 8}));
    const S nor = Buffer_Read<short>(v.Cursor_Normal_VBO);
    EXPECT_EQ(Quad(nor, 11)[0], 70);
    EXPECT_EQ(Quad(nor, 11)[2], 70);
    EXPECT_EQ(Quad(nor, 12)[0], -70);
    EXPECT_EQ(Quad(nor, 4)[0], 100);
    const std::vector<unsigned int> col = Buffer_Read<unsigned int>(v.Cursor_Color_VBO);
    EXPECT_EQ(col[11 * 4], 0xFF00FFFFu);  // yellow marker
    EXPECT_EQ(col[10 * 4], 0xFF6E6E6Eu);

    VR_Valuators w;
    w.Width = 200;
    w.Height = 40;
    w.Bevel = 6;
    w.Cursor_Half_Width = 15;
    w.Init(Window());
    pos = Buffer_Read<short>(w.Cursor_Vertex_VBO);
    EXPECT_EQ(Quad(pos, 2)[0], 6);                                              // left end
    EXPECT_EQ(Quad(pos, 4)[0], 36);                                             // right end
    EXPECT_EQ(Quad(pos, 10)[5], 12);                                            // top
    EXPECT_EQ(Quad(pos, 11), (S{21, 6, 11, 21, 34, 11, 20, 34, 12, 20, 6, 12}));  // notch 20 .. 22

    w.Flags = VR_VALUATOR_NO_CURSOR;
    w.Init(Window());
    EXPECT_EQ(w.Cursor_Quad_Count, 0);
    EXPECT_TRUE(Buffer_Bytes(w.Cursor_Vertex_VBO).empty());
}

TEST_F(Valuator_Test, CaptionPlacementAndFit)
{
    // Measure the caption once, then place it in a slider just too low for it.
    VR_Valuators probe;
    Make(probe, 0, 1, 0, 0, "Gain");
    const S q = Buffer_Read<short>(probe.Text_Vertex_VBO);
    ASSERT_EQ(q.size(), 12u);
    const int tw = q[0] - q[9], th = q[4] - q[10];
    ASSERT_GT(tw, 0);
    ASSERT_GT(th, 4);
    EXPECT_EQ(q[9], 100 + 4 + 4);
    EXPECT_EQ(q[10], 200 + 60 - th - 4);
    EXPECT_EQ(q[2], 1);
    EXPECT_FALSE(Has_Message("to small")) << Messages_Text();

    struct Case {
        unsigned int flags;
        int y;  // offset of the caption's bottom edge
        bool warns;
    };
    // Bevel 6 and 20 units above the text's height: at the top the caption misses the groove's
    // inner height by 2; at the bottom and centred it fits.
    const int h = th + 20;
    const Case cases[] = {
        {0, 14, true},
        {VR_TEXT_BOTTOM, 6, false},
        {VR_TEXT_VCENTER, 10, false},
    };
    for (const Case& c : cases) {
        Messages_Clear();
        VR_Valuators v;
        v.Name = "Gain";
        v.Flags = c.flags;
        v.Width = 200;
        v.Height = static_cast<short>(h);
        v.Bevel = 6;
        v.Font_Name = "DejaVu Sans";
        v.Font_Size = 14;
        v.Init(Window());
        const S p = Buffer_Read<short>(v.Text_Vertex_VBO);
        ASSERT_EQ(p.size(), 12u);
        EXPECT_EQ(p[9], 10) << c.flags;
        EXPECT_EQ(p[10], c.y) << c.flags;
        EXPECT_EQ(Has_Message("Tools: WARNING! (Valuator:Gain)"), c.warns) << c.flags << Messages_Text();
        EXPECT_EQ(Has_Message("   Tool is to small for its text!"), c.warns);
        EXPECT_EQ(Has_Message("   text width:" + std::to_string(tw) + " height:" + std::to_string(th)), c.warns);
    }
    // A tall slider with the caption at the bottom fits: no warning.
    Messages_Clear();
    VR_Valuators roomy;
    Make(roomy, 0, 1, 0, VR_TEXT_BOTTOM | VR_TEXT_RIGHT, "Gain");
    const S r = Buffer_Read<short>(roomy.Text_Vertex_VBO);
    EXPECT_EQ(r[9], 100 + 300 - tw - 4 - 4);
    EXPECT_EQ(r[10], 204);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    // A second Init without a name leaves no caption to draw.
    roomy.Name = nullptr;
    roomy.Name_Set(static_cast<const wchar_t*>(nullptr));
    roomy.Init(Window());
    EXPECT_EQ(roomy.Text_Vertex_VBO, 0u);
    roomy.Format = "%.1f";
    roomy.Draw();
    roomy.Flags |= VR_FLAT;
    roomy.Draw();
    EXPECT_EQ(roomy.Value_Texture, 0u);
}

TEST_F(Valuator_Test, ScrollAndWrap)
{
    VR_Valuators v;
    Make(v, 0.0f, 1023.0f, 0.0f);
    EXPECT_EQ(v.Scroll(1.0f), v.Value_Table[2]);
    EXPECT_EQ(v.Cursor_Position, 2.0f);
    EXPECT_EQ(v.Scroll(-5.0f), 0.0f);  // stops at the left end
    EXPECT_EQ(v.Cursor_Position, 0.0f);
    v.Cursor_Position = 1022.5f;
    v.Scroll(1.0f);
    EXPECT_EQ(v.Cursor_Position, 1023.0f);  // stops at the right end
    EXPECT_EQ(v.Scroll(std::nanf("")), v.Value_Table[1023]);
    EXPECT_EQ(v.Cursor_Position, 1023.0f);

    v.Flags |= VR_VALUATOR_WRAP;
    for (float start : {1022.0f, 1023.0f, 1023.9f, 1024.0f}) {
        v.Cursor_Position = start;
        EXPECT_EQ(v.Scroll(1.0f), v.Value_Table[0]) << start;
        EXPECT_EQ(v.Cursor_Position, 0.0f) << start;
    }
    for (float start : {0.0f, 1.5f}) {
        v.Cursor_Position = start;
        EXPECT_EQ(v.Scroll(-1.0f), v.Value_Table[1023]) << start;
        EXPECT_EQ(v.Cursor_Position, 1023.0f) << start;
    }
    v.Flags |= VR_INACTIVE;
    EXPECT_EQ(v.Scroll(1.0f), 0.0f);
    EXPECT_EQ(v.Read(), 0.0f);
    EXPECT_EQ(v.Select(0, 200.0f, 230.0f), 0);
    EXPECT_EQ(v.Cursor_Position, 1023.0f);
}

TEST_F(Valuator_Test, PointerReadAdjustAndClamp)
{
    VR_Valuators v;
    Make(v, 0.0f, 100.0f, 0.0f);
    EXPECT_EQ(v.Read(), v.Value_Table[0]);  // before any Select
    // Half-open hit rectangle; the inner frame width maps to 0 .. 1024.
    EXPECT_EQ(v.Select(0, 100.0f, 230.0f), 0);
    EXPECT_EQ(v.Select(0, 400.0f, 260.0f), 1);
    EXPECT_EQ(v.Pointer_Position, 1023.0f);
    EXPECT_EQ(v.Select(0, 104.0f, 230.0f), 1);
    EXPECT_EQ(v.Pointer_Position, 0.0f);
    EXPECT_EQ(v.Is_Select(104.0f + 292.0f * 0.3f), 1);
    const float p = v.Pointer_Position;
    EXPECT_NE(p, std::trunc(p));
    // Read, store, Adjust: the cursor keeps the pointer's fractional position.
    v.Value = v.Read();
    v.Adjust();
    EXPECT_EQ(v.Cursor_Position, p);
    EXPECT_EQ(v.Shown_Value, v.Value);
    // A host value far away moves it; out-of-range values are clamped.
    v.Value = 50.0f;
    v.Adjust();
    EXPECT_EQ(v.Cursor_Position, 512.0f);
    v.Value = -3.0f;
    v.Adjust();
    EXPECT_EQ(v.Value, 0.0f);
    v.Value = 1e30f;
    v.Adjust();
    EXPECT_EQ(v.Value, 100.0f);
    v.Value = std::nanf("");
    v.Adjust();
    EXPECT_EQ(v.Value, 0.0f);
    v.Deselect();
    EXPECT_EQ(v.Is_Select(300.0f), 0);
    EXPECT_EQ(v.Pointer_Position, p);

    // Reversed bounds: at or below the lower one gives it, anything else the upper one.
    VR_Valuators r;
    Make(r, 10.0f, 5.0f, 0.0f);
    r.Value = 7.0f;
    r.Adjust();
    EXPECT_EQ(r.Value, 10.0f);
    r.Value = 12.0f;
    r.Adjust();
    EXPECT_EQ(r.Value, 5.0f);

    // Hidden: Adjust leaves everything alone.
    r.Flags |= VR_HIDDEN;
    r.Value = 1e9f;
    r.Adjust();
    EXPECT_EQ(r.Value, 1e9f);
}

TEST_F(Valuator_Test, HoverUploadsOnlyOnChange)
{
    VR_Valuators v;
    Make(v, 0, 1, 0);
    Counts_Reset();
    v.Select(0, 200.0f, 230.0f);
    EXPECT_EQ(Counts().buffer_data, 1);
    EXPECT_EQ(Buffer_Read<unsigned int>(v.Color_VBO)[12 * 4], 0xFF6464E6u);  // a light red
    v.Select(0, 210.0f, 230.0f);
    EXPECT_EQ(Counts().buffer_data, 1);
    v.Select(0, 10.0f, 10.0f);
    EXPECT_EQ(Counts().buffer_data, 2);
    EXPECT_EQ(Buffer_Read<unsigned int>(v.Color_VBO)[12 * 4], 0xFFD8D8D8u);
    v.Deselect();
    EXPECT_EQ(Counts().buffer_data, 2);
    v.Select(0, 200.0f, 230.0f);
    v.Deselect();
    EXPECT_EQ(Counts().buffer_data, 4);
    v.Flags |= VR_FLAT;
    v.Select(0, 200.0f, 230.0f);
    v.Deselect();  // the flat look does not recolour on leaving
    EXPECT_EQ(Counts().buffer_data, 5);
    EXPECT_EQ(v.Selected, 0);
}

TEST_F(Valuator_Test, ReadoutRasterisedOncePerText)
{
    VR_Valuators v;
    v.Format = "%.2f";
    Make(v, 0.0f, 10.0f, 5.0f, 0, "Level");
    Counts_Reset();
    v.Draw();
    EXPECT_EQ(std::wstring(v.Value_Text), L"5.00");
    EXPECT_EQ(Counts().tex_image, 1);
    EXPECT_EQ(Counts().buffer_data, 2);
    EXPECT_GT(v.Value_Text_Height, 0);
    const std::vector<float> t = Buffer_Read<float>(v.Value_Coord_VBO);
    ASSERT_EQ(t.size(), 8u);
    EXPECT_FLOAT_EQ(t[0], static_cast<float>(v.Value_Text_Width) / v.Value_Tex_Width);
    for (int i = 0; i < 5; ++i)
        v.Draw();
    EXPECT_EQ(Counts().tex_image, 1);
    EXPECT_EQ(Counts().buffer_data, 2);
    EXPECT_EQ(Counts().gen_buffers, 2);
    v.Value = 5.5f;
    v.Adjust();
    v.Draw();
    v.Draw();
    EXPECT_EQ(std::wstring(v.Value_Text), L"5.50");
    EXPECT_EQ(Counts().tex_image, 2);
    // A value that formats the same does not rasterise again; the flat look shares the read-out.
    v.Value = 5.501f;
    v.Adjust();
    v.Flags |= VR_FLAT;
    v.Draw();
    EXPECT_EQ(Counts().tex_image, 2);

    // Long texts are cut to 39 characters; "%%" is a percent sign; flags, width, 'l' and 'L' pass.
    struct Case {
        const char* format;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"%+08.2lf%%", L"+0005.50%"},
        {"%-6.1Le|", L"5.5e+00|"},
        {"a rather long read-out that goes on: %.3f units", L"a rather long read-out that goes on: 5."},
        {"%64.1f", L"                                       "},
    };
    v.Flags &= ~VR_FLAT;
    for (const Case& c : cases) {
        v.Format = c.format;
        v.Value = 5.5f;
        v.Adjust();
        v.Draw();
        EXPECT_EQ(std::wstring(v.Value_Text), c.text) << c.format;
        EXPECT_LE(std::wstring(v.Value_Text).size(), 39u);
    }
    const std::string percents = std::string(80, '%') + "%g";  // 40 percent signs, then the value
    v.Format = percents.c_str();
    v.Draw();
    EXPECT_EQ(std::wstring(v.Value_Text), std::wstring(39, L'%'));
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Valuator_Test, BadFormatsReportOnceAndShowNothing)
{
    const char* bad[] = {"%s", "%n", "%d", "%f %f", "%*f", "%.*f", "value", "%", "%5", "%hf",
                         "%llf", "%65f", "%.65f", "%f%"};
    for (const char* format : bad) {
        Messages_Clear();
        VR_Valuators v;
        v.Format = format;
        Make(v, 0.0f, 10.0f, 5.0f, 0, "Level");
        Counts_Reset();
        v.Draw();
        v.Draw();
        EXPECT_EQ(Reports("Valuator: read-out format"), 1) << format << "\n" << Messages_Text();
        EXPECT_EQ(Counts().tex_image, 0) << format;
        EXPECT_EQ(v.Value_Texture, 0u) << format;
        EXPECT_EQ(v.Value_Text[0], L'\0');
        // Mended, it shows; broken again, it is reported again.
        v.Format = "%.1f";
        v.Draw();
        EXPECT_EQ(std::wstring(v.Value_Text), L"5.0");
        v.Format = format;
        v.Draw();
        EXPECT_EQ(Reports("Valuator: read-out format"), 2) << format;
    }
}

TEST_F(Valuator_Test, DegenerateRangesStayFinite)
{
    struct Case {
        float lo, hi;
        unsigned int flags;
        const char* report;
    };
    const Case cases[] = {
        {3.0f, 3.0f, 0, "Valuator: both bounds are 3"},
        {2.0f, 2.0f, VR_VALUATOR_LOG10, "Valuator: both bounds are 2"},
        {0.0f, 100.0f, VR_VALUATOR_LOG10, "linear scale used"},
        {-5.0f, 5.0f, VR_VALUATOR_LOGE, "linear scale used"},
        {std::nanf(""), 1.0f, 0, "not a finite number"},
        {-INFINITY, INFINITY, 0, "not a finite number"},
    };
    for (const Case& c : cases) {
        Messages_Clear();
        VR_Valuators v;
        v.Format = "%g";
        Make(v, c.lo, c.hi, 1.0f, c.flags, "Range");
        EXPECT_EQ(Reports(c.report), 1) << c.report << "\n" << Messages_Text();
        for (float x : v.Value_Table)
            ASSERT_TRUE(std::isfinite(x)) << c.report;
        for (float value : {c.lo, c.hi, 0.5f, 1e30f, -1e30f, std::nanf("")}) {
            v.Value = value;
            v.Adjust();
            EXPECT_TRUE(std::isfinite(v.Value)) << c.report;
            v.Draw();
            const std::wstring text(v.Value_Text);
            EXPECT_EQ(text.find(L"nan"), std::wstring::npos) << c.report;
            EXPECT_EQ(text.find(L"inf"), std::wstring::npos) << c.report;
        }
        v.Select(0, 200.0f, 230.0f);
        EXPECT_TRUE(std::isfinite(v.Read()));
        EXPECT_TRUE(std::isfinite(v.Scroll(1.0f)));
        EXPECT_EQ(Reports(c.report), 1) << "reported once per Init";
    }
    // Equal bounds: one value everywhere, the cursor stays at the left end.
    VR_Valuators eq;
    Make(eq, 3.0f, 3.0f, 7.0f);
    EXPECT_EQ(eq.Value_Table[0], 3.0f);
    EXPECT_EQ(eq.Value_Table[1023], 3.0f);
    eq.Adjust();
    EXPECT_EQ(eq.Value, 3.0f);
}

TEST_F(Valuator_Test, CursorFollowsValueOnScreen)
{
    VR_Valuators v;
    Make(v, 0.0f, 1.0f, 0.0f);
    v.Color_Set(0x0000FFu);  // a red floor against the grey cursor
    v.Init(Window());
    // Left block top of the cursor at both ends of the travel (centre 114 .. 386).
    const int left = 109, right = 381, y = 230;
    auto red = [&](int x) {
        const Rgba p = Pixel(x, y);
        return p.r > 2 * p.g && p.r > 2 * p.b;
    };
    Clear();
    v.Draw();
    EXPECT_FALSE(red(left));
    EXPECT_TRUE(red(right));
    v.Value = 1.0f;
    v.Adjust();
    Clear();
    v.Draw();
    EXPECT_TRUE(red(left));
    EXPECT_FALSE(red(right));
    const Rgba notch = Pixel(386, y);
    // The yellow marker. Normals reach GL unnormalised, so lit colours are mostly the ambient part.
    EXPECT_GT(notch.r, 60);
    EXPECT_GT(notch.g, 60);
    EXPECT_LT(notch.b, notch.r / 2);

    // A picture takes the floor's place until the pointer is over the slider.
    std::vector<unsigned char> green(300 * 60 * 4, 0);
    for (size_t i = 1; i < green.size(); i += 4)
        green[i] = 255;
    v.Image = static_cast<unsigned char*>(std::malloc(green.size()));
    std::memcpy(v.Image, green.data(), green.size());
    v.Init(Window());
    Clear();
    v.Draw();
    EXPECT_EQ(Pixel(200, y).g, 255);
    v.Select(0, 200.0f, 230.0f);
    Clear();
    v.Draw();
    EXPECT_LT(Pixel(200, y).g, 200);
    EXPECT_GT(Pixel(200, y).r, Pixel(200, y).g);  // the highlight floor, reddish
}

TEST_F(Valuator_Test, GuardAndEmptySize)
{
    VR_Valuators v;
    v.Width = 100;
    v.Height = 20;
    v.Adjust();
    EXPECT_TRUE(Has_Message("   you must call *_Init() first"));
    EXPECT_TRUE(Has_Message("   type: VR_Valuators::Adjust   name: no name"));
    const size_t reported = Messages().size();
    v.Read();
    v.Draw();
    EXPECT_EQ(Messages().size(), reported);  // once per object

    VR_Valuators none;
    none.Name = "Empty";
    none.Init(Window());
    EXPECT_EQ(none.Quad_Count, 0);
    EXPECT_EQ(none.Select(0, 0.0f, 0.0f), 0);
    EXPECT_EQ(none.Scroll(1.0f), 0.0f);
    none.Draw();
    EXPECT_EQ(Messages().size(), reported);

    VR_Valuators lost;
    lost.Width = 100;
    lost.Height = 20;
    lost.Name = "Lost";
    lost.Init(nullptr);
    EXPECT_TRUE(Has_Message("Tools: WARNING! (VR_Valuators:Lost)"));
    EXPECT_TRUE(Has_Message("   you must provide a window in Init()"));
    lost.Draw();
    EXPECT_EQ(lost.Vertex_VBO, 0u);
}
