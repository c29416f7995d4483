// Sharp text through a batch: captions and read-outs drawn as glyph quads from the shared glyph
// atlas land where the bitmaps' ink does, in every script the text layer shapes, and a read-out
// that changes needs no texture upload. The suite reruns in a core and an ES context.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <vrtools/batch.h>

#include "batch_view.h"
#include "gl_fixture.h"

// Texts rasterised: the library calls the seam's Surface_Draw_Text through the dynamic linker, and
// the test executable exports its own definition (ENABLE_EXPORTS), which counts and forwards.
int texts_drawn = 0;
namespace host {
__attribute__((visibility("default"))) void Surface_Draw_Text(Text_Surface* surface, const wchar_t* text)
{
    using Fn = void (*)(Text_Surface*, const wchar_t*);
    static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "_ZN4host17Surface_Draw_TextEPNS_12Text_SurfaceEPKw"));
    ++texts_drawn;
    real(surface, text);
}
}  // namespace host

namespace {

// The pixels' box (x0, y0, x1, y1, inclusive) within a rectangle that `ink` picks; x0 > x1 when none.
struct Ink_Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    long sum = 0;  // the ink's weight: how far past the threshold, summed
};

class BatchSharpText : public GL_Test {
protected:
    std::vector<unsigned char> Frame_Of(VR_Batches& batch)
    {
        Clear();
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        return Frame_Pixels(WIDTH, HEIGHT);
    }

    // What a fresh sharp batch of the slider alone draws.
    std::vector<unsigned char> Fresh_Frame_Of(VR_Valuators& slider)
    {
        VR_Batches fresh;
        fresh.Sharp_Text_Set(true);
        fresh.Add(slider);
        EXPECT_EQ(fresh.Init(), 1) << Messages_Text();
        return Frame_Of(fresh);
    }

    // Ink in [x0, x1) x [y0, y1): pixels whose red differs from `ground` by more than a third.
    static Ink_Box Ink(const std::vector<unsigned char>& f, int x0, int y0, int x1, int y1, int ground)
    {
        Ink_Box box;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const int d = std::abs(f[(static_cast<std::size_t>(y) * WIDTH + x) * 4] - ground);
                box.sum += d;
                if (d < 85)
                    continue;
                box.x0 = std::min(box.x0, x);
                box.x1 = std::max(box.x1, x);
                box.y0 = std::min(box.y0, y);
                box.y1 = std::max(box.y1, y);
            }
        return box;
    }

    // The ink of `region` drawn with bitmaps and as glyphs by the same batch, side by side: the
    // boxes within `slack` pixels, the ink's weight within a quarter.
    void Expect_Same_Ink(VR_Batches& batch, const int region[4], int ground, int slack, const std::string& what)
    {
        batch.Sharp_Text_Set(false);
        const auto exact = Frame_Of(batch);
        Save_Png("sharp-" + what + "-exact");
        batch.Sharp_Text_Set(true);
        const auto sharp = Frame_Of(batch);
        Save_Png("sharp-" + what + "-sharp");
        const Ink_Box a = Ink(exact, region[0], region[1], region[2], region[3], ground);
        const Ink_Box b = Ink(sharp, region[0], region[1], region[2], region[3], ground);
        ASSERT_LE(a.x0, a.x1) << what << ": no ink in the bitmap caption";
        ASSERT_LE(b.x0, b.x1) << what << ": no ink in the glyphs";
        EXPECT_NEAR(b.x0, a.x0, slack) << what;
        EXPECT_NEAR(b.x1, a.x1, slack) << what;
        EXPECT_NEAR(b.y0, a.y0, slack) << what;
        EXPECT_NEAR(b.y1, a.y1, slack) << what;
        EXPECT_NEAR(static_cast<double>(b.sum), static_cast<double>(a.sum), a.sum / 4.0) << what;
    }

    // Samples the batch's frame lets through, drawn `scale` pixels a unit (about the origin) with
    // its text sharp or not, within columns [0, x_end) when x_end > 0.
    static GLuint Samples(VR_Batches& batch, bool sharp, float scale, int x_end = 0)
    {
        batch.Sharp_Text_Set(sharp);
        float projection[16];
        const float model_view[16] = {scale, 0, 0, 0, 0, scale, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        headless::Matrix_Pixels(WIDTH, HEIGHT, projection);
        const headless::Light& light = headless::Light_Values();
        if (x_end > 0) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(0, 0, x_end, HEIGHT);
        }
        GLuint query = 0, samples = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_SAMPLES_PASSED, query);
        batch.Draw(projection, model_view, light.direction, light.color, light.ambient);
        glEndQuery(GL_SAMPLES_PASSED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
        glDeleteQueries(1, &query);
        glDisable(GL_SCISSOR_TEST);
        return samples;
    }

    // A label placed at (x, y), `w` x `h`, its caption `font_size` pixels high, initialised.
    static void Label_Make(VR_Labels& label, const char* text, int x, int y, int w, int h, int font_size)
    {
        Widget_Place(label, text, x, y, w, h);
        label.Font_Size = font_size;
        label.Init(Window());
    }

    // The slider "Gain" at (x, 300), `width` long, showing `value` with one decimal, initialised.
    static void Slider_Make(VR_Valuators& slider, float value, int x = 20, int width = 300)
    {
        Widget_Place(slider, "Gain", x, 300, width, 32);
        slider.Value_Max = 100.0f;
        slider.Value = value;
        slider.Format = "%.1f";
        slider.Init(Window());
    }
};

}  // namespace

TEST_F(BatchSharpText, GlyphsSitWhereTheBitmapsInkIs)
{
    VR_Labels label;
    VR_Buttons button;
    VR_Valuators slider;
    Widget_Place(label, "Legible text", 20, 500, 200, 30);
    Widget_Place(button, "Press Hold", 20, 400, 160, 40);
    label.Init(Window());
    button.Init(Window());
    Slider_Make(slider, 42.5f);
    VR_Batches batch;
    batch.Add(label);
    batch.Add(button);
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    // White on the black ground; black on the button's lit face; the read-out black under the
    // slider, on the ground again as white, so measured apart.
    const int label_box[4] = {20, 500, 220, 530};
    Expect_Same_Ink(batch, label_box, 0, 1, "label");
    const Rgba face = Pixel(24, 404);
    const int button_box[4] = {30, 405, 170, 435};
    Expect_Same_Ink(batch, button_box, face.r, 1, "button");
    EXPECT_LE(batch.Draw_Calls_Get(), 6) << "one more pass for the glyphs";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, GlyphQuadsTakeInTheirPaddingOnlyAsFarAsTheViewNeeds)
{
    // The bitmap caption's quad is the caption's text box: the glyphs' quads measured against it.
    if (Profile() == headless::Profile::GLES)
        GTEST_SKIP() << "OpenGL ES 3.0 counts no samples";
    VR_Labels label;
    Label_Make(label, "Legible text", 20, 400, 300, 40, 14);
    VR_Batches batch;
    batch.Add(label);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    // Near, the glyph program runs on little more than the ink: its quads come within a pixel of
    // the outlines, inside the cells, and take in under three fifths of the box's pixels (quads
    // padded all round take in more than twice as many, quads a pixel and a half past the
    // outlines four fifths).
    EXPECT_LE(Samples(batch, true, 1.0f) * 5, Samples(batch, false, 1.0f) * 3);
    // Far, a pixel's samples reach past the cells and the quads take in their padding: half as
    // many pixels again as the box (the cells alone, fewer than the box).
    const GLuint box_far = Samples(batch, false, 0.25f);
    ASSERT_GT(box_far, 0u);
    EXPECT_GE(Samples(batch, true, 0.25f), box_far * 3 / 2);
    // Yet never past where the caption is cut, its box: nothing left of the box's first column.
    int first = 0;
    while (first < WIDTH && Samples(batch, false, 0.25f, first + 1) == 0)
        ++first;
    ASSERT_GT(first, 0);
    EXPECT_EQ(Samples(batch, true, 0.25f, first), 0u);
    EXPECT_GT(Samples(batch, true, 0.25f, first + 1), 0u);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, ACutCaptionKeepsItsInkUpToTheCut)
{
    // Large glyphs seen near have their quads pulled in well inside their cells, but not on a
    // side where the caption is cut (here by the slider's cursor): its ink runs to the cut, as the
    // bitmap's does.
    VR_Valuators slider;
    Widget_Place(slider, "Gain", 20, 300, 400, 60);
    slider.Font_Size = 40;
    slider.Value_Max = 100.0f;
    slider.Value = 6.0f;
    slider.Init(Window());
    VR_Batches batch;
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    // The first column right of the cursor, on a row of the face below the caption.
    batch.Sharp_Text_Set(false);
    const auto frame = Frame_Of(batch);
    const auto red = [&](int x, int y) { return frame[(static_cast<std::size_t>(y) * WIDTH + x) * 4]; };
    const int face = red(24, 303);
    int x = 24;
    while (x < 300 && red(x, 303) == face)
        ++x;
    while (x < 300 && red(x, 303) != face)
        ++x;
    ASSERT_LT(x, 300);
    const int right_of_cursor[4] = {x, 305, 300, 356};
    Expect_Same_Ink(batch, right_of_cursor, face, 1, "cut");
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, RightToLeftJoinedAndFallbackScriptsAsTheBitmaps)
{
    // Hebrew read right to left, Arabic joined, Devanagari shaped from a fallback font, Chinese
    // from another.
    const char* const names[] = {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D abc", "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7",
                                 "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87",
                                 "\xE6\xBC\xA2\xE5\xAD\x97 ok"};
    std::vector<VR_Labels> labels(4);
    VR_Batches batch;
    for (int i = 0; i < 4; ++i) {
        Widget_Place(labels[i], names[i], 20, 500 - i * 60, 240, 40);
        labels[i].Font_Size = 20;
        labels[i].Init(Window());
        batch.Add(labels[i]);
    }
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    for (int i = 0; i < 4; ++i) {
        const int box[4] = {20, 500 - i * 60, 260, 540 - i * 60};
        Expect_Same_Ink(batch, box, 0, 1, "script" + std::to_string(i));
    }
}

TEST_F(BatchSharpText, AChangedReadOutRewritesItsGlyphsWithoutTextureUploads)
{
    VR_Valuators slider;
    Slider_Make(slider, 10.0f);
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    Frame_Of(batch);
    // Its digits and point are in the atlas: only vertices go up.
    slider.Value = 11.0f;
    slider.Adjust();
    Counts_Reset();
    texts_drawn = 0;
    const auto changed = Frame_Of(batch);
    EXPECT_EQ(texts_drawn, 0) << "the new read-out was rasterised";
    EXPECT_EQ(Counts().tex_sub_image + Counts().tex_image, 0);
    EXPECT_EQ(Counts().buffer_data, 0) << "a whole buffer was replaced";
    EXPECT_EQ(batch.Uploads_Get(), 2) << "the cursor's vertices and the read-out's glyphs";
    // As a fresh batch draws that value.
    VR_Batches fresh;
    fresh.Sharp_Text_Set(true);
    fresh.Add(slider);
    ASSERT_EQ(fresh.Init(), 1);
    EXPECT_TRUE(Frame_Of(fresh) == changed);
    // Its bitmap was never made for that value: its own Draw, and the batch back to the bitmap
    // captions, show the read-out a fresh slider shows.
    VR_Valuators twin;
    Slider_Make(twin, 11.0f);
    if (Profile() == headless::Profile::COMPAT) {
        Clear();
        twin.Draw();
        const auto own_twin = Frame_Pixels(WIDTH, HEIGHT);
        Clear();
        slider.Draw();
        EXPECT_TRUE(Frame_Pixels(WIDTH, HEIGHT) == own_twin);
    }
    batch.Sharp_Text_Set(false);
    VR_Batches exact;
    exact.Add(twin);
    ASSERT_EQ(exact.Init(), 1);
    EXPECT_TRUE(Frame_Of(batch) == Frame_Of(exact));
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, TheGlyphDrawReadsEachGlyphOnceAndNoSpareRoom)
{
    // OpenGL ES 3.0 counts no primitives: there, only the pictures are compared.
    const bool counted = Profile() != headless::Profile::GLES;
    // A label's caption in sharp text is its glyphs alone: two triangles a glyph, whatever room its
    // slot keeps for a longer caption.
    VR_Labels label;
    Label_Make(label, "Ab", 20, 500, 200, 40, 24);
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    batch.Add(label);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    const auto triangles = [&](VR_Batches& b) {
        GLuint query = 0, n = 0;
        if (!counted) {
            Frame_Of(b);
            return n;
        }
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        Frame_Of(b);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
        glDeleteQueries(1, &query);
        return n;
    };
    EXPECT_EQ(triangles(batch), counted ? 4u : 0u);
    // A read-out grown by a digit draws it in the next frame, as a fresh batch draws the value.
    VR_Valuators slider;
    Slider_Make(slider, 9.5f);
    VR_Batches grown;
    grown.Sharp_Text_Set(true);
    grown.Add(slider);
    ASSERT_EQ(grown.Init(), 1);
    // Changed a few times first: the read-out then lives apart from its caption.
    for (const float v : {8.5f, 7.5f, 9.5f}) {
        slider.Value = v;
        slider.Adjust();
        triangles(grown);
    }
    const GLuint short_one = triangles(grown);
    // The slider set to `value`: its frame in `grown` as a fresh batch's; the triangles each draws.
    const auto set = [&](float value) {
        slider.Value = value;
        slider.Adjust();
        const GLuint n = triangles(grown);
        const auto now = Frame_Of(grown);
        VR_Batches fresh;
        fresh.Sharp_Text_Set(true);
        fresh.Add(slider);
        EXPECT_EQ(fresh.Init(), 1);
        EXPECT_TRUE(Frame_Of(fresh) == now) << value;
        return std::make_pair(n, triangles(fresh));
    };
    // Grown by a digit, it draws that digit, as a fresh batch does (its read-out apart from its
    // caption draws no more); shorter again, what it drew before, its last quad left degenerate.
    const auto two = counted ? 2u : 0u;
    EXPECT_EQ(set(10.5f), std::make_pair(short_one + two, short_one + two));
    EXPECT_EQ(set(9.5f), std::make_pair(short_one + two, short_one));
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, ChangedReadOutsGoUpWithoutTheCaptionsBetweenThem)
{
    // Rows of a label and a slider, the labels' captions short in one panel and long in the other:
    // once the read-outs have changed, a frame of new values sends the same bytes in both, however
    // many caption glyphs lie between the read-outs, in a few uploads.
    constexpr int ROWS = 24;
    const auto live_frame_bytes = [&](const char* caption, int& calls) {
        std::vector<VR_Labels> labels(ROWS);
        std::vector<VR_Valuators> sliders(ROWS);
        VR_Batches batch;
        batch.Sharp_Text_Set(true);
        for (int i = 0; i < ROWS; ++i) {
            Label_Make(labels[i], caption, 10, 560 - i * 22, 380, 20, 12);
            Widget_Place(sliders[i], "Gain", 400, 560 - i * 22, 300, 20);
            sliders[i].Value_Max = 100.0f;
            sliders[i].Format = "%.1f";
            sliders[i].Init(Window());
            batch.Add(labels[i]);
            batch.Add(sliders[i]);
        }
        EXPECT_EQ(batch.Init(), 1) << Messages_Text();
        const auto values = [&](int frame) {
            for (int i = 0; i < ROWS; ++i) {
                sliders[i].Value = static_cast<float>(10 + (i * 7 + frame * 13) % 80) + 0.5f;
                sliders[i].Adjust();
            }
            Counts_Reset();
            Frame_Of(batch);
        };
        // Laid out, described whole, then changed part by part: the read-outs take their own room.
        for (int frame = 0; frame < 4; ++frame)
            values(frame);
        calls = Counts().buffer_sub_data;
        EXPECT_EQ(Counts().buffer_data, 0);
        return Counts().sub_data_bytes;
    };
    int short_calls = 0, long_calls = 0;
    const long short_bytes = live_frame_bytes("Pump", short_calls);
    const long long_bytes = live_frame_bytes("Pump pressure at the second stage inlet", long_calls);
    EXPECT_GT(short_bytes, 0);
    EXPECT_EQ(long_bytes, short_bytes);
    EXPECT_LE(long_calls, 8);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, MovedCursorsGoUpWithoutTheWidgetsBetweenThemAndShowAsAFreshBatch)
{
    // Rows of buttons and a slider, one button a row in one panel and three in the other: once the
    // sliders have changed, a frame of new values sends the same bytes in both (the cursors and
    // the read-outs' glyphs), however many meshes lie between the cursors, in a few uploads; and
    // draws what a fresh batch draws, the read-outs at the travel's ends included.
    constexpr int ROWS = 24;
    const auto live_frame = [&](int buttons, int& calls, long& bytes) {
        std::vector<VR_Buttons> row_buttons(static_cast<std::size_t>(ROWS * buttons));
        std::vector<VR_Valuators> sliders(ROWS);
        VR_Batches batch;
        batch.Sharp_Text_Set(true);
        for (int i = 0; i < ROWS; ++i) {
            for (int b = 0; b < buttons; ++b) {
                VR_Buttons& button = row_buttons[static_cast<std::size_t>(i * buttons + b)];
                Widget_Place(button, "Go", 10 + b * 130, 560 - i * 22, 120, 20);
                button.Init(Window());
                batch.Add(button);
            }
            Widget_Place(sliders[i], "Gain", 400, 560 - i * 22, 300, 20);
            sliders[i].Value_Max = 100.0f;
            sliders[i].Format = "%.1f";
            sliders[i].Init(Window());
            batch.Add(sliders[i]);
        }
        EXPECT_EQ(batch.Init(), 1) << Messages_Text();
        // Values kept clear of the travel's ends, where a read-out crosses its slider's caption.
        for (int frame = 0; frame < 5; ++frame) {
            for (int i = 0; i < ROWS; ++i) {
                sliders[i].Value = static_cast<float>(20 + (i * 7 + frame * 13) % 60) + 0.5f;
                sliders[i].Adjust();
            }
            Counts_Reset();
            Frame_Of(batch);
            if (frame > 0) {
                EXPECT_EQ(Counts().buffer_data, 0) << buttons << " " << frame << ": a whole buffer was replaced";
            }
        }
        calls = Counts().buffer_sub_data;
        bytes = Counts().sub_data_bytes;
        // Then some at the ends, their read-outs reaching past their sliders over the widgets
        // drawn after them: blended in the order a fresh batch blends them.
        for (int frame = 0; frame < 3; ++frame) {
            for (int i = 0; i < ROWS; ++i) {
                const int end = (i + frame) % 3;
                sliders[i].Value = end == 0 ? 0.0f : end == 1 ? 100.0f : 50.5f;
                sliders[i].Adjust();
            }
            Frame_Of(batch);
        }
        const std::vector<unsigned char> now = Frame_Of(batch);
        VR_Batches fresh;
        fresh.Sharp_Text_Set(true);
        for (int i = 0; i < ROWS; ++i) {
            for (int b = 0; b < buttons; ++b)
                fresh.Add(row_buttons[static_cast<std::size_t>(i * buttons + b)]);
            fresh.Add(sliders[i]);
        }
        EXPECT_EQ(fresh.Init(), 1) << Messages_Text();
        EXPECT_TRUE(Frame_Of(fresh) == now) << buttons << ": cursors and read-outs in room of their own draw otherwise";
    };
    int one_calls = 0, three_calls = 0;
    long one_bytes = 0, three_bytes = 0;
    live_frame(1, one_calls, one_bytes);
    live_frame(3, three_calls, three_bytes);
    EXPECT_GT(one_bytes, 0);
    EXPECT_EQ(three_bytes, one_bytes);
    EXPECT_LE(three_calls, 8);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, ACursorShadedCornerToCornerStaysSoInRoomOfItsOwn)
{
    // A host may recolour single corners of a cursor: moved again and again, into room of its own,
    // it is still shaded from corner to corner, as a fresh batch shades it.
    VR_Valuators slider;
    Slider_Make(slider, 20.0f);
    for (int q = 0; q < slider.Cursor_Quad_Count; ++q) {
        slider.Cursor_Color_Array[q * 4] = 0xff0000f0u;      // red
        slider.Cursor_Color_Array[q * 4 + 2] = 0xfff01000u;  // blue
    }
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    for (const float value : {20.0f, 35.0f, 50.0f, 65.0f}) {
        slider.Value = value;
        slider.Adjust();
        const auto kept = Frame_Of(batch);
        EXPECT_TRUE(Fresh_Frame_Of(slider) == kept) << value;
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, ASliderWhoseCursorLivesApartIsCulledByWhereItAllIs)
{
    // A slider just right of the view, its cursor moving into room of its own; moved so that its
    // body reaches into the view, its cursor at the far end outside it, then its cursor moving
    // alone again: the slider is culled by its body's place now, not the one it had.
    VR_Valuators slider;
    Slider_Make(slider, 90.0f, WIDTH + 10, 300);
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    const auto expect_fresh = [&](const char* what) {
        const auto kept = Frame_Of(batch);
        EXPECT_TRUE(Fresh_Frame_Of(slider) == kept) << what;
    };
    for (const float value : {95.0f, 90.0f, 95.0f}) {
        slider.Value = value;
        slider.Adjust();
        expect_fresh("out of view");
    }
    slider.X = WIDTH - 100;
    slider.Init(Window());
    expect_fresh("moved into the view");
    for (const float value : {90.0f, 95.0f}) {
        slider.Value = value;
        slider.Adjust();
        expect_fresh("its cursor moved alone");
    }
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, SwitchedOffTheBatchDrawsTheWidgetsOwnPictureAgain)
{
    VR_Buttons button;
    Widget_Place(button, "Press", 20, 400, 160, 40);
    button.Init(Window());
    VR_Batches batch;
    batch.Add(button);
    ASSERT_EQ(batch.Init(), 1);
    const auto before = Frame_Of(batch);
    batch.Sharp_Text_Set(true);
    EXPECT_FALSE(Frame_Of(batch) == before);
    batch.Sharp_Text_Set(false);
    EXPECT_TRUE(Frame_Of(batch) == before);
}

TEST_F(BatchSharpText, AnOutlineRingsTheGlyphsInItsColour)
{
    VR_Labels label;
    Label_Make(label, "Ring", 20, 500, 200, 40, 24);
    VR_Batches batch;
    batch.Add(label);
    batch.Sharp_Text_Set(true);
    ASSERT_EQ(batch.Init(), 1);
    const auto blue_pixels = [&] {
        Frame_Of(batch);
        int n = 0;
        for (int y = 500; y < 540; ++y)
            for (int x = 20; x < 220; ++x) {
                const Rgba p = Pixel(x, y);
                n += p.b > 120 && p.r < 60 && p.g < 60;
            }
        return n;
    };
    EXPECT_EQ(blue_pixels(), 0);
    batch.Text_Outline_Set(1.5f, 0xFF0000u);
    EXPECT_GT(blue_pixels(), 40);
    // Widths that make no sense draw no ring.
    for (float nonsense : {-3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        batch.Text_Outline_Set(nonsense, 0xFF0000u);
        EXPECT_EQ(blue_pixels(), 0) << nonsense;
    }
}

TEST_F(BatchSharpText, OnlyGlyphsInViewAreDrawnThoughTheirWidgetIsOutOfIt)
{
    // A caption far wider than its label: with the view moved so that the label lies left of it,
    // the caption's glyphs still reach in; moved further, nothing is left.
    VR_Labels label;
    Widget_Place(label, "A caption far wider than its label", 10, 400, 40, 30);
    label.Init(Window());
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    batch.Add(label);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    const auto ink_at = [&](float dx) {
        Clear();
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT, dx);
        return Ink(Frame_Pixels(WIDTH, HEIGHT), 0, 380, WIDTH, 450, 0);
    };
    const Ink_Box whole = ink_at(0.0f);
    ASSERT_LE(whole.x0, whole.x1) << "no ink";
    ASSERT_GT(whole.x1, 60) << "the caption does not reach past its label";
    // The label's box left of the view, its caption's end still in it: the same ink, moved.
    const float dx = -60.0f;
    const Ink_Box moved = ink_at(dx);
    ASSERT_LE(moved.x0, moved.x1) << "the glyphs in view were culled with their label";
    EXPECT_EQ(moved.x1, whole.x1 + static_cast<int>(dx));
    EXPECT_EQ(ink_at(-static_cast<float>(WIDTH) - 400.0f).sum, 0);
    EXPECT_EQ(batch.Draw_Calls_Get(), 0) << "glyphs out of view were drawn";
    EXPECT_EQ(ink_at(0.0f).sum, whole.sum) << "back in view";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

TEST_F(BatchSharpText, ACaptionChangedWithItsReadOutShowsAsAFreshBatchDrawsIt)
{
    // A long slider reaching left out of the view, its read-out (at the left end, out of view)
    // changed alone first so that it lives apart from the caption, then following the cursor into
    // the view alone (the slot's glyphs culled by a box that takes the read-out in where it is now,
    // not where the caption is); then the caption changes in the same frame as the value: moved
    // into the view with as many glyphs, then renamed to as many characters but fewer glyphs while
    // the read-out grows by a digit.
    VR_Valuators slider;
    Slider_Make(slider, 0.0f, -560, 800);
    VR_Batches batch;
    batch.Sharp_Text_Set(true);
    batch.Add(slider);
    ASSERT_EQ(batch.Init(), 1) << Messages_Text();
    const auto set = [&](float value) {
        slider.Value = value;
        slider.Adjust();
        return Frame_Of(batch);
    };
    for (const float v : {0.1f, 0.2f, 0.3f})
        set(v);
    const auto fresh_frame = [&] {
        VR_Batches fresh;
        fresh.Sharp_Text_Set(true);
        fresh.Add(slider);
        EXPECT_EQ(fresh.Init(), 1);
        return Frame_Of(fresh);
    };
    const auto alone = set(90.0f);
    const auto alone_fresh = fresh_frame();
    EXPECT_GT(Ink(alone_fresh, 0, 250, WIDTH, 320, 0).sum, 0) << "no read-out in view to test";
    EXPECT_TRUE(alone == alone_fresh) << "the read-out moved into the view alone";
    slider.Flags |= VR_TEXT_RIGHT;
    slider.Init(Window());
    const auto moved = set(0.4f);
    Save_Png("sharp-caption-moved");
    EXPECT_TRUE(moved == fresh_frame()) << "the caption moved into the view with its read-out";
    slider.Name = "Ga n";
    slider.Init(Window());
    const auto renamed = set(10.4f);
    Save_Png("sharp-caption-renamed");
    EXPECT_TRUE(renamed == fresh_frame()) << "the caption renamed with its read-out grown";
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
