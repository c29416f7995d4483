// Valuators: value table and look-ups, body and cursor meshes, caption, interaction, read-out, pixels.
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include <vrtools/valuator.h>

namespace {

using S = std::vector<short>;

class Valuator_Test : public GL_Test {
protected:
    static void Shape(VR_Valuators& v, short x, short y, short w, short h, short bevel)
    {
        v.X = x;
        v.Y = y;
        v.Width = w;
        v.Height = h;
        v.Bevel = bevel;
        v.Font_Name = "DejaVu Sans";
        v.Font_Size = 14;
    }
    // A slider of 300 x 60 at (100, 200), bevel 4, range lo .. hi.
    static void Make(VR_Valuators& v, float lo, float hi, float value, unsigned int flags = 0,
                     const char* name = nullptr)
    {
        Shape(v, 100, 200, 300, 60, 4);
        v.Name = name;
        v.Flags = flags;
        v.Value_Min = lo;
        v.Value_Max = hi;
        v.Value = value;
        v.Init(Window());
    }
    // The value as Adjust leaves it.
    static float Adjusted(VR_Valuators& v, float value)
    {
        v.Value = value;
        v.Adjust();
        return v.Value;
    }
    // Quad q of a buffer of 3 shorts per vertex: its 12 values.
    static S Quad(const S& a, int q) { return S(a.begin() + q * 12, a.begin() + q * 12 + 12); }
};

}  // namespace

TEST_F(Valuator_Test, ValueTablesAndPositions)
{
    VR_Valuators lin;
    Make(lin, 0.0f, 10.0f, 5.0f);
    EXPECT_EQ(lin.Value_Table[0], 0.0f);
    EXPECT_NEAR(lin.Value_Table[1023], 10.0f, 1e-4f);
    EXPECT_NE(lin.Value_Table[1023], 10.0f);  // 1023 single-precision additions leave their rounding
    EXPECT_EQ(lin.Cursor_Position, 512.0f);
    for (unsigned int scale : {0x01000000u, 0x02000000u, 0x03000000u}) {
        VR_Valuators log;
        Make(log, 1.0f, 1000.0f, 10.0f, scale);
        EXPECT_NEAR(log.Value_Table[1023], 1000.0f, 1e-3f) << scale;
        EXPECT_EQ(log.Cursor_Position, 341.0f) << scale;
        log.Cursor_Position = 0.0f;  // Adjust finds the same position from far away
        log.Adjust();
        EXPECT_EQ(log.Cursor_Position, 341.0f) << scale;
    }
    // A reversed range falls along the table: the first position reaching the value is the first
    // entry, which a search taking the table as rising would miss.
    VR_Valuators reversed;
    Make(reversed, 10.0f, 0.0f, 5.0f);
    EXPECT_GT(reversed.Value_Table[0], reversed.Value_Table[1023]);
    EXPECT_EQ(reversed.Cursor_Position, 0.0f);
    reversed.Cursor_Position = 700.0f;
    reversed.Adjust();
    EXPECT_EQ(reversed.Cursor_Position, 0.0f);
    EXPECT_FALSE(reversed.Status & VR_STATUS_TABLE_RISING);
    // Rising tables are searched from a guess: every value lands where reading the table from the
    // start lands, on entries, between them, on long runs of equal entries (bounds whose step is
    // below the float's resolution, from the start or from 2^23 on, where the guess lands inside
    // the run), on uneven (logarithmic) tables that the guess misses, outside the range and on NaN;
    // and once more with the bounds moved since Init, which the guess is taken from and the table
    // is not.
    struct Range_Case {
        float lo, hi;
        unsigned int flags;
    };
    for (const Range_Case& c : {Range_Case{0.0f, 10.0f, 0}, Range_Case{-3.0e38f, 3.0e38f, 0},
                                Range_Case{1.0e7f, 1.0e7f + 10.0f, 0}, Range_Case{8388500.0f, 8388807.0f, 0},
                                Range_Case{1.0f, 1000.0f, 0x01000000u}, Range_Case{0.001f, 1.0e6f, 0x02000000u}}) {
        VR_Valuators s;
        Make(s, c.lo, c.hi, c.lo, c.flags);
        EXPECT_TRUE(s.Status & VR_STATUS_TABLE_RISING) << c.lo;
        std::vector<float> values = {std::nanf(""), -INFINITY, INFINITY, c.lo, c.hi};
        for (int i = 0; i < 1024; i += 7) {
            values.push_back(s.Value_Table[i]);
            values.push_back(std::nextafter(s.Value_Table[i], -INFINITY));
            values.push_back(std::nextafter(s.Value_Table[i], INFINITY));
        }
        for (const float shift : {0.0f, 0.37f}) {
            s.Value_Min = c.lo + (c.hi - c.lo) * shift;
            s.Value_Max = c.hi - (c.hi - c.lo) * shift * 0.5f;
            for (const float v : values) {
                s.Value = v;
                s.Cursor_Position = -100.0f;  // far from any position: Adjust takes the one it finds
                s.Adjust();
                int first = 0;
                while (first < 1024 && !(s.Value_Table[first] >= s.Value))
                    ++first;
                ASSERT_EQ(s.Cursor_Position, static_cast<float>(first))
                    << c.lo << " .. " << c.hi << " moved " << shift << ": " << v;
            }
        }
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Valuator_Test, BodyAndCursorMeshes)
{
    VR_Valuators v;
    Shape(v, 1000, 2000, 300, 60, 4);
    v.Init(Window());
    v.Init(Window());  // a second Init rebuilds, it does not append
    ASSERT_EQ(v.Quad_Count, 13);
    ASSERT_EQ(v.Cursor_Quad_Count, 14);
    const S pos = Buffer_Read<short>(v.Vertex_VBO);
    ASSERT_EQ(pos.size(), 13u * 12);
    EXPECT_EQ(Quad(pos, 0), (S{1004, 2004, 4, 1004, 2056, 4, 1000, 2060, 4, 1000, 2000, 4}));
    EXPECT_EQ(Quad(pos, 12), (S{1296, 2004, 1, 1296, 2056, 1, 1004, 2056, 1, 1004, 2004, 1}));

    // The cursor block spans x 1004 .. 1024 (its end faces), y 2004 .. 2056, z 0 .. 8; notch bottom z 7.
    const S cur = Buffer_Read<short>(v.Cursor_Vertex_VBO);
    ASSERT_EQ(cur.size(), 14u * 12);
    EXPECT_EQ(Quad(cur, 2), (S{1004, 2004, 0, 1004, 2004, 8, 1004, 2056, 8, 1004, 2056, 0}));
    EXPECT_EQ(Quad(cur, 4), (S{1024, 2056, 0, 1024, 2056, 8, 1024, 2004, 8, 1024, 2004, 0}));
    EXPECT_EQ(Quad(cur, 11), (S{1014, 2004, 7, 1014, 2056, 7, 1013, 2056, 8, 1013, 2004, 8}));
    const S cnor = Buffer_Read<short>(v.Cursor_Normal_VBO);
    EXPECT_EQ(S(cnor.begin() + 11 * 12, cnor.begin() + 11 * 12 + 3), (S{70, 0, 70}));
    EXPECT_EQ(S(cnor.begin() + 12 * 12, cnor.begin() + 12 * 12 + 3), (S{-70, 0, 70}));
    EXPECT_EQ(Buffer_Read<unsigned int>(v.Cursor_Color_VBO)[11 * 4], 0xFF00FFFFu);  // yellow marker

    VR_Valuators w;
    Shape(w, 0, 0, 200, 40, 6);
    w.Cursor_Half_Width = 15;
    w.Init(Window());
    const S wcur = Buffer_Read<short>(w.Cursor_Vertex_VBO);
    EXPECT_EQ(Quad(wcur, 4), (S{36, 34, 0, 36, 34, 12, 36, 6, 12, 36, 6, 0}));
    EXPECT_EQ(Quad(wcur, 11), (S{21, 6, 11, 21, 34, 11, 20, 34, 12, 20, 6, 12}));  // notch 20 .. 22
    w.Flags = VR_VALUATOR_NO_CURSOR;
    w.Init(Window());
    EXPECT_EQ(w.Cursor_Quad_Count, 0);
    EXPECT_TRUE(Buffer_Bytes(w.Cursor_Vertex_VBO).empty());

    // Bevel 0 becomes 1: the groove walls have no height and no normal.
    VR_Valuators flat;
    Shape(flat, 0, 0, 100, 30, 0);
    flat.Init(Window());
    EXPECT_EQ(flat.Bevel, 1);
    EXPECT_EQ(Quad(Buffer_Read<short>(flat.Normal_VBO), 8), S(12, 0));
}

TEST_F(Valuator_Test, CaptionPlacementAndFit)
{
    // Right-aligned at the bottom of a roomy slider the caption fits; it also gives the text's size.
    VR_Valuators roomy;
    Make(roomy, 0, 1, 0, VR_TEXT_BOTTOM | VR_TEXT_RIGHT, "Gain");
    const S r = Buffer_Read<short>(roomy.Text_Vertex_VBO);
    ASSERT_EQ(r.size(), 12u);
    const int tw = r[0] - r[9], th = r[4] - r[10];
    ASSERT_GT(th, 4);
    EXPECT_EQ(r[9], 100 + 300 - tw - 4 - 4);
    EXPECT_EQ(r[10], 204);
    EXPECT_EQ(r[2], 1);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    // Bevel 6 and 20 units above the text's height: at the top the caption misses the groove's
    // inner height by 2; at the bottom and centred it fits. y: offset of the caption's bottom edge.
    const struct {
        unsigned int flags;
        int y;
        bool warns;
    } cases[] = {{0, 14, true}, {VR_TEXT_BOTTOM, 6, false}, {VR_TEXT_VCENTER, 10, false}};
    for (const auto& c : cases) {
        Messages_Clear();
        VR_Valuators v;
        Shape(v, 0, 0, 200, static_cast<short>(th + 20), 6);
        v.Name = "Gain";
        v.Flags = c.flags;
        v.Init(Window());
        const S p = Buffer_Read<short>(v.Text_Vertex_VBO);
        ASSERT_EQ(p.size(), 12u);
        EXPECT_EQ(p[9], 10) << c.flags;
        EXPECT_EQ(p[10], c.y) << c.flags;
        EXPECT_EQ(Has_Message("Tools: WARNING! (Valuator:Gain)"), c.warns) << c.flags << Messages_Text();
        EXPECT_EQ(Has_Message("   Tool is to small for its text!"), c.warns);
        EXPECT_EQ(Has_Message("   text width:" + std::to_string(tw) + " height:" + std::to_string(th)), c.warns);
    }

    // A second Init without a name leaves no caption, and so no read-out, to draw.
    roomy.Name = nullptr;
    roomy.Name_Set(static_cast<const wchar_t*>(nullptr));
    roomy.Format = "%.1f";
    roomy.Init(Window());
    roomy.Draw();
    EXPECT_EQ(roomy.Text_Vertex_VBO, 0u);
    EXPECT_EQ(roomy.Value_Texture, 0u);
}

TEST_F(Valuator_Test, PointerScrollReadAndAdjust)
{
    VR_Valuators v;
    Make(v, 0.0f, 1023.0f, 0.0f);  // the value of a position is its number
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
    Adjusted(v, v.Read());
    EXPECT_EQ(v.Cursor_Position, p);
    v.Deselect();
    EXPECT_EQ(v.Is_Select(300.0f), 0);
    EXPECT_EQ(v.Pointer_Position, p);
    // The kept fraction is only for the value's own neighbourhood: a position within one entry
    // stays, one a step and a half away snaps to the value's first entry.
    v.Cursor_Position = 699.5f;
    Adjusted(v, 700.0f);
    EXPECT_EQ(v.Cursor_Position, 699.5f);
    v.Cursor_Position = 698.5f;
    Adjusted(v, 700.0f);
    EXPECT_EQ(v.Cursor_Position, 700.0f);
    // A host value far away moves the cursor; out-of-range values are clamped.
    Adjusted(v, 300.0f);
    EXPECT_EQ(v.Cursor_Position, 300.0f);
    Adjusted(v, 700.0f);
    EXPECT_EQ(v.Cursor_Position, 700.0f);
    EXPECT_EQ(Adjusted(v, -3.0f), 0.0f);
    EXPECT_EQ(Adjusted(v, 1e30f), 1023.0f);
    EXPECT_EQ(Adjusted(v, std::nanf("")), 0.0f);

    EXPECT_EQ(v.Scroll(1.0f), 2.0f);   // two positions per unit unless the host says
    EXPECT_EQ(v.Scroll(-5.0f), 0.0f);  // stops at the left end
    v.Cursor_Position = 1022.5f;
    EXPECT_EQ(v.Scroll(1.0f), 1023.0f);  // and at the right end
    EXPECT_EQ(v.Scroll(std::nanf("")), 1023.0f);
    EXPECT_EQ(v.Cursor_Position, 1023.0f);
    v.Flags |= VR_VALUATOR_WRAP;
    const struct {
        float start, delta, end;
    } wraps[] = {{1022, 1, 0}, {1024, 1, 0}, {0, -1, 1023}, {1.5f, -1, 1023}};
    for (const auto& w : wraps) {
        v.Cursor_Position = w.start;
        EXPECT_EQ(v.Scroll(w.delta), w.end) << w.start;
        EXPECT_EQ(v.Cursor_Position, w.end) << w.start;
    }
    v.Flags |= VR_INACTIVE;
    EXPECT_EQ(v.Scroll(1.0f), 0.0f);
    EXPECT_EQ(v.Read(), 0.0f);
    EXPECT_EQ(v.Select(0, 200.0f, 230.0f), 0);
    EXPECT_EQ(v.Cursor_Position, 1023.0f);

    // Reversed bounds: at or below the lower one gives it, anything else the upper one.
    VR_Valuators r;
    Make(r, 10.0f, 5.0f, 0.0f);
    EXPECT_EQ(Adjusted(r, 7.0f), 10.0f);
    EXPECT_EQ(Adjusted(r, 12.0f), 5.0f);
    r.Flags |= VR_HIDDEN;  // hidden: Adjust leaves everything alone
    EXPECT_EQ(Adjusted(r, 1e9f), 1e9f);
}

TEST_F(Valuator_Test, ReadoutRasterisedOncePerText)
{
    VR_Valuators v;
    v.Format = "%.2f";
    Make(v, 0.0f, 10.0f, 5.0f, 0, "Level");
    Counts_Reset();
    for (int i = 0; i < 3; ++i)
        v.Draw();
    EXPECT_EQ(std::wstring(v.Value_Text), L"5.00");
    EXPECT_EQ(Counts().tex_image, 1);
    EXPECT_EQ(Counts().buffer_data, 2);
    Adjusted(v, 5.5f);
    v.Draw();
    v.Draw();
    EXPECT_EQ(std::wstring(v.Value_Text), L"5.50");
    EXPECT_EQ(Counts().tex_image, 2);
    // A value that formats the same does not rasterise again; the flat look shares the read-out.
    Adjusted(v, 5.501f);
    v.Flags |= VR_FLAT;
    v.Draw();
    EXPECT_EQ(Counts().tex_image, 2);
    v.Format = "%+08.2lf%%";  // flags, width and 'l' pass; "%%" is a percent sign
    v.Draw();
    EXPECT_EQ(std::wstring(v.Value_Text), L"+0005.50%");
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// The read-out is drawn inside the caption's pass and matrix: both close after it, the lit look
// putting the combiner back, the flat look leaving it as its captions set it.
TEST_F(Valuator_Test, DrawClosesTheCaptionPassAroundTheReadout)
{
    struct Case {
        unsigned int flags;
        const char* format;
        GLint combine_rgb;
    };
    for (const Case& c : {Case{0, "%.2f", GL_MODULATE}, Case{0, "%q", GL_MODULATE}, Case{VR_FLAT, "%.2f", GL_REPLACE},
                          Case{VR_FLAT, "%q", GL_REPLACE}}) {
        VR_Valuators v;
        v.Format = c.format;
        Make(v, 0.0f, 10.0f, 5.0f, c.flags, "Level");
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_ADD);
        GLint depth_before = 0, depth_after = 0, combine = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
        v.Draw();
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_COMBINE_RGB, &combine);
        EXPECT_EQ(depth_after, depth_before) << c.flags << c.format;
        EXPECT_EQ(combine, c.combine_rgb) << c.flags << c.format;
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY)) << c.flags << c.format;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY)) << c.flags << c.format;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << c.flags << c.format;
        EXPECT_EQ(std::wstring(v.Value_Text), std::string(c.format) == "%q" ? L"" : L"5.00");
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
}

TEST_F(Valuator_Test, BadFormatsReportOnceAndShowNothing)
{
    const char* bad[] = {"%s", "%n", "%d",  "%f %f", "%*f",  "%.*f",  "value",
                         "%",  "%5", "%hf", "%llf",  "%65f", "%.65f", "%f%"};
    for (const char* format : bad) {
        Messages_Clear();
        VR_Valuators v;
        v.Format = format;
        Make(v, 0.0f, 10.0f, 5.0f, 0, "Level");
        Counts_Reset();
        v.Draw();
        v.Draw();
        ASSERT_EQ(Messages().size(), 1u) << format << "\n" << Messages_Text();
        EXPECT_TRUE(Has_Message("Valuator: read-out format")) << format;
        EXPECT_EQ(Counts().tex_image, 0) << format;
        EXPECT_EQ(v.Value_Text[0], L'\0');
        // Mended, it shows; broken again, it is reported again.
        v.Format = "%.1f";
        v.Draw();
        EXPECT_EQ(std::wstring(v.Value_Text), L"5.0");
        v.Format = format;
        v.Draw();
        EXPECT_EQ(Messages().size(), 2u) << format;
    }
    // A name of a zero-width space keeps the caption's buffers but shows nothing: no read-out stands
    // under it, so its own Draw has nothing to report.
    for (unsigned int flags : {0u, static_cast<unsigned int>(VR_FLAT)}) {
        Messages_Clear();
        VR_Valuators v;
        v.Format = "%d";
        Make(v, 0.0f, 10.0f, 5.0f, flags, "\xe2\x80\x8b");
        ASSERT_NE(v.Text_Vertex_VBO, 0u);
        v.Draw();
        v.Draw();
        EXPECT_TRUE(Messages().empty()) << flags << "\n" << Messages_Text();
    }
}

TEST_F(Valuator_Test, DegenerateRangesAndSizesStayHarmless)
{
    const struct {
        float lo, hi;
        unsigned int flags;
        const char* report;
    } cases[] = {
        {3.0f, 3.0f, 0, "Valuator: both bounds are 3"},
        {2.0f, 2.0f, VR_VALUATOR_LOG10, "Valuator: both bounds are 2"},
        {0.0f, 100.0f, VR_VALUATOR_LOG10, "linear scale used"},
        {-5.0f, 5.0f, VR_VALUATOR_LOGE, "linear scale used"},
        {std::nanf(""), 1.0f, 0, "not a finite number"},
        {-INFINITY, INFINITY, 0, "not a finite number"},
    };
    for (const auto& c : cases) {
        Messages_Clear();
        VR_Valuators v;
        v.Format = "%g";
        Make(v, c.lo, c.hi, 1.0f, c.flags, "Range");
        ASSERT_EQ(Messages().size(), 1u) << c.report << "\n" << Messages_Text();
        EXPECT_TRUE(Has_Message(c.report)) << Messages_Text();
        for (float x : v.Value_Table)
            ASSERT_TRUE(std::isfinite(x)) << c.report;
        for (float value : {c.lo, c.hi, 0.5f, 1e30f, -1e30f, std::nanf("")}) {
            EXPECT_TRUE(std::isfinite(Adjusted(v, value))) << c.report;
            v.Draw();
            const std::wstring text(v.Value_Text);
            EXPECT_TRUE(text.find(L"nan") == text.npos && text.find(L"inf") == text.npos) << c.report;
        }
        v.Select(0, 200.0f, 230.0f);
        EXPECT_TRUE(std::isfinite(v.Read()));
        EXPECT_TRUE(std::isfinite(v.Scroll(1.0f)));
        EXPECT_EQ(Messages().size(), 1u) << "reported once per Init";
    }
    VR_Valuators eq;  // equal bounds: one value everywhere
    Make(eq, 3.0f, 3.0f, 7.0f);
    EXPECT_EQ(eq.Value_Table[1023], 3.0f);
    EXPECT_EQ(Adjusted(eq, 7.0f), 3.0f);

    Messages_Clear();
    VR_Valuators none;  // no size: nothing built, nothing answers, nothing reported
    none.Init(Window());
    EXPECT_EQ(none.Select(0, 0.0f, 0.0f), 0);
    EXPECT_EQ(none.Scroll(1.0f), 0.0f);
    none.Draw();
    EXPECT_EQ(none.Quad_Count, 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(Valuator_Test, CursorPictureAndHoverOnScreen)
{
    VR_Valuators v;
    v.Color_Set(0x0000FFu);  // a red floor against the grey cursor
    Make(v, 0.0f, 1.0f, 0.0f);
    // The left block top of the cursor at both ends of its travel (centre 114 .. 386).
    auto red = [&](int x) {
        const Rgba p = Pixel(x, 230);
        return p.r > 2 * p.g && p.r > 2 * p.b;
    };
    v.Draw();
    EXPECT_FALSE(red(109));
    EXPECT_TRUE(red(381));
    Adjusted(v, 1.0f);
    Clear();
    v.Draw();
    EXPECT_TRUE(red(109));
    EXPECT_FALSE(red(381));

    // A green picture takes the floor's place until the pointer is over the slider.
    v.Image = static_cast<unsigned char*>(std::calloc(300 * 60, 4));
    for (int i = 0; i < 300 * 60; ++i)
        v.Image[4 * i + 1] = 255;
    v.Init(Window());
    Clear();
    v.Draw();
    EXPECT_EQ(Pixel(200, 230).g, 255);
    Counts_Reset();
    v.Select(0, 200.0f, 230.0f);
    v.Select(0, 210.0f, 230.0f);
    Clear();
    v.Draw();
    EXPECT_GT(Pixel(200, 230).r, Pixel(200, 230).g + 40);  // the highlight floor, reddish
    v.Deselect();
    v.Deselect();
    EXPECT_EQ(Counts().buffer_data, 2);
    EXPECT_EQ(Buffer_Read<unsigned int>(v.Color_VBO).back(), 0xFF0000FFu);
    v.Flags |= VR_FLAT;
    v.Select(0, 200.0f, 230.0f);
    v.Deselect();  // the flat look does not recolour on leaving
    EXPECT_EQ(Counts().buffer_data, 3);
    EXPECT_EQ(v.Selected, 0);
}
