// Failure injection: during each operation of each class and of a batch, every GL upload
// (glBufferData, glBufferSubData, glTexImage2D, glTexSubImage2D) and, in the VRTOOLS_FAULTS build,
// every heap allocation of the library fails in turn. Nothing may crash or leak (the sanitizer build
// checks), the failure is reported, and the next Init with resources available works.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "samples.h"
#include <vrtools/batch.h>
#if defined(VRTOOLS_FAULTS)
#include "core/faults.h"
#endif

namespace {

// One operation of a class: `setup` brings a filled widget to where the operation starts.
template <class W>
struct Operation {
    const char* name;
    std::function<void(W&)> setup;
    std::function<void(W&)> run;
};

// The failure source under test: arm the k-th failure, then ask whether it was reached.
struct Source {
    const char* name;
    void (*arm)(int k);
    bool (*hit)();
};

template <class W>
void Init_Draw(W& w)
{
    w.Init(reinterpret_cast<HWND>(0x1));
    w.Draw();
}

// Init, Draw, a copy, and what the class has of Select, Adjust, Grow and Icon.
template <class W>
std::vector<Operation<W>> Operations()
{
    const auto nothing = [](W&) {};
    std::vector<Operation<W>> ops{{"Init", nothing, [](W& w) { w.Init(reinterpret_cast<HWND>(0x1)); }},
                                  {"Draw", [](W& w) { w.Init(reinterpret_cast<HWND>(0x1)); }, [](W& w) { w.Draw(); }},
                                  {"copy", Init_Draw<W>, [](W& w) {
                                       W copy(w);
                                       copy.Draw();
                                   }}};
    if constexpr (!std::is_same_v<W, VR_Labels> && !std::is_same_v<W, VR_Progress>)
        ops.push_back({"Select", Init_Draw<W>, [](W& w) {
                           w.Select(0, w.X + 5.0f, w.Y + 5.0f);
                           w.Select(0, w.X - 5.0f, w.Y - 5.0f);
                       }});
    if constexpr (std::is_same_v<W, VR_Buttons>)
        ops.push_back({"Adjust", Init_Draw<W>, [](W& w) {
                           w.State = 1;
                           w.Adjust();
                       }});
    if constexpr (std::is_same_v<W, VR_Valuators>)
        ops.push_back({"Adjust", Init_Draw<W>, [](W& w) {
                           w.Value = 7.5f;
                           w.Adjust();
                           w.Draw();  // the new read-out is made at the next Draw
                       }});
    if constexpr (std::is_same_v<W, VR_Selects> || std::is_same_v<W, VR_Tabs>) {
        ops.push_back({"Adjust", Init_Draw<W>, [](W& w) {
                           w.Current = 1;
                           w.Adjust();
                       }});
        ops.push_back({"Grow", nothing, [](W& w) { w.Grow(5, 0); }});
    }
    if constexpr (std::is_same_v<W, VR_TabItems>)
        ops.push_back({"Adjust", Init_Draw<W>, [](W& w) {
                           w.Active = 1;
                           w.Adjust();
                       }});
    if constexpr (std::is_same_v<W, VR_Colors> || std::is_same_v<W, VR_Hues>)
        ops.push_back({"Adjust", Init_Draw<W>, [](W& w) {
                           w.Color_Value = 0x20C040;
                           w.Adjust();
                       }});
    if constexpr (std::is_same_v<W, VR_Boxs>)
        ops.push_back({"Icon", nothing, [](W& w) { w.Icon("quad.png"); }});
    return ops;
}

int total_points = 0;  // failure points tried by the whole suite

template <class W>
class Faults : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        // Icons are read from the committed test data.
        const std::string dir = Data_Path("");
        inst_path_.assign(dir.begin(), dir.end());
        saved_path_ = W_Inst_Path;
        W_Inst_Path = &inst_path_[0];
    }
    void TearDown() override
    {
        W_Inst_Path = saved_path_;
        GL_Test::TearDown();
    }

    // GL errors left in the queue, drained.
    static std::vector<GLenum> Drain()
    {
        std::vector<GLenum> out;
        for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError())
            out.push_back(e);
        return out;
    }

    // Runs `op` with the k-th failure of `source` armed, k = 1, 2, ... until the operation no longer
    // reaches k. After each failure: a report (code 1 or 2 for memory, the OpenGL error report or the
    // error left for the host for GL), then a clean Init that draws.
    void Every_Point(const Operation<W>& op, const Source& source)
    {
        for (int k = 1; k < 100000; ++k) {
            Messages_Clear();
            auto w = std::make_unique<W>();
            Sample_Fill(*w, 20, 300);
            op.setup(*w);
            Drain();
            Messages_Clear();
            source.arm(k);
            op.run(*w);
            const bool hit = source.hit();
            source.arm(0);
            if (!hit)
                return;
            ++total_points;
            const std::string where = std::string(source.name) + " " + op.name + " #" + std::to_string(k);
            const std::vector<GLenum> left = Drain();
            bool reported = false;
            for (const Captured_Message& m : Messages())
                reported =
                    reported || m.code == 1u || m.code == 2u || m.utf8.find("OpenGL Error 1285") != std::string::npos;
            for (GLenum e : left)
                reported = reported || e == GL_OUT_OF_MEMORY;
            EXPECT_TRUE(reported) << where << "\n" << Messages_Text();

            Messages_Clear();
            Init_Draw(*w);
            EXPECT_GT(Drawn_Pixels(*w), 0) << where << ": the next Init draws";
            EXPECT_TRUE(Drain().empty()) << where;
            for (const Captured_Message& m : Messages())
                EXPECT_NE(m.code, 1u) << where << ": " << m.utf8;
        }
        ADD_FAILURE() << op.name << " never completed";
    }

private:
    std::wstring inst_path_;
    wchar_t* saved_path_ = nullptr;
};

using Classes = ::testing::Types<VR_Labels, VR_Buttons, VR_Boxs, VR_Frames, VR_Progress, VR_Valuators, VR_Selects,
                                 VR_TabItems, VR_Tabs, VR_Colors, VR_Hues>;
TYPED_TEST_SUITE(Faults, Classes);

TYPED_TEST(Faults, EveryGLUploadFailsInTurn)
{
    const Source gl{"GL", [](int k) { GL_Test::GL_Fail_At(k); }, [] { return GL_Test::GL_Fail_Hit(); }};
    for (const Operation<TypeParam>& op : Operations<TypeParam>())
        this->Every_Point(op, gl);
    std::cout << "failure points tried so far: " << total_points << "\n";
}

#if defined(VRTOOLS_FAULTS)
TYPED_TEST(Faults, EveryAllocationFailsInTurn)
{
    const Source heap{"heap", [](int k) { core::Fault_Arm(k); }, [] { return core::Fault_Hit(); }};
    for (const Operation<TypeParam>& op : Operations<TypeParam>())
        this->Every_Point(op, heap);
    std::cout << "failure points tried so far: " << total_points << "\n";
}
#endif

// [SECTION] The batch

// A small panel drawn through one batch: a caption, a lamp, a read-out and a picture, so that the
// batch's Init, first Draw and the sub-range uploads of a hover, a drag and a new picture all run.
struct Batched {
    VR_Labels label;
    VR_Buttons button;
    VR_Valuators slider;
    VR_Boxs box;
    VR_Batches batch;

    Batched()
    {
        Sample_Fill(label, 20, 20);
        Sample_Fill(button, 20, 80);
        Sample_Fill(slider, 20, 140);
        Sample_Fill(box, 20, 200);
        const HWND window = reinterpret_cast<HWND>(0x1);
        label.Init(window);
        button.Init(window);
        slider.Init(window);
        box.Init(window);
        batch.Add(label);
        batch.Add(button);
        batch.Add(slider);
        batch.Add(box);
    }
    // The host's frame, as a core-profile or ES host draws it (the suite runs in those too).
    void Draw()
    {
        float projection[16];
        const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        headless::Matrix_Pixels(GL_Test::WIDTH, GL_Test::HEIGHT, projection);
        const headless::Light& light = headless::Light_Values();
        batch.Draw(projection, identity, light.direction, light.color, light.ambient);
    }
    void Init_Draw()
    {
        batch.Init();
        Draw();
    }
};

class Batch_Faults : public Faults<VR_Labels> {
protected:
    void Every_Point(const Operation<Batched>& op, const Source& source)
    {
        for (int k = 1; k < 100000; ++k) {
            Messages_Clear();
            Clear();
            auto p = std::make_unique<Batched>();
            op.setup(*p);
            Drain();
            Messages_Clear();
            source.arm(k);
            op.run(*p);
            const bool hit = source.hit();
            source.arm(0);
            if (!hit)
                return;
            ++total_points;
            const std::string where = std::string(source.name) + " batch " + op.name + " #" + std::to_string(k);
            bool reported = false;
            for (GLenum e : Drain())
                reported = reported || e == GL_OUT_OF_MEMORY;
            for (const Captured_Message& m : Messages())
                reported = reported || m.code == 1u || m.code == 2u || m.utf8.find("Batch: ") == 0 ||
                           m.utf8.find("OpenGL Error 1285") != std::string::npos;
            // A failure the batch works around (a smaller staging buffer) may pass unreported, when the
            // next frame still shows everything; any other is reported. Then the host goes on: Init
            // again, and every widget shows.
            if (!reported)
                Every_Widget_Shows(*p, false, where + " (unreported)");
            Messages_Clear();
            Every_Widget_Shows(*p, true, where);
            EXPECT_TRUE(Drain().empty()) << where;
            for (const Captured_Message& m : Messages())
                EXPECT_NE(m.code, 1u) << where << ": " << m.utf8;
        }
        ADD_FAILURE() << op.name << " never completed";
    }

    // (On grey-blue: a label's caption is black.)
    void Every_Widget_Shows(Batched& p, bool init, const std::string& where)
    {
        Clear(0.2f, 0.3f, 0.4f);
        if (init)
            p.batch.Init();
        p.Draw();
        for (int y : {20, 80, 140, 200})
            EXPECT_LT(Count_Pixels(20, y, 170, y + 40, Rgba{51, 77, 102, 255}, 2), 150 * 40 - 50)
                << where << " y " << y;
    }

    static std::vector<Operation<Batched>> Batch_Operations()
    {
        const auto init_draw = [](Batched& p) { p.Init_Draw(); };
        return {{"Init", [](Batched&) {}, [](Batched& p) { p.batch.Init(); }},
                {"Draw", [](Batched& p) { p.batch.Init(); }, [](Batched& p) { p.Draw(); }},
                {"hover", init_draw,
                 [](Batched& p) {
                     p.button.Select(0, p.button.X + 5.0f, p.button.Y + 5.0f);
                     p.Draw();
                 }},
                {"drag", init_draw,
                 [](Batched& p) {
                     p.slider.Value = 7.5f;
                     p.slider.Adjust();
                     p.Draw();
                 }},
                {"picture", init_draw,
                 [](Batched& p) {
                     p.box.Icon("quad.png");
                     p.Draw();
                 }},
                // Sharp text: the glyph program, buffer and atlas pages made, then a read-out's
                // new glyphs.
                {"sharp Draw",
                 [](Batched& p) {
                     p.batch.Sharp_Text_Set(true);
                     p.batch.Init();
                 },
                 [](Batched& p) { p.Draw(); }},
                {"sharp drag",
                 [](Batched& p) {
                     p.batch.Sharp_Text_Set(true);
                     p.Init_Draw();
                 },
                 [](Batched& p) {
                     p.slider.Value = 7.5f;
                     p.slider.Adjust();
                     p.Draw();
                 }}};
    }
};

TEST_F(Batch_Faults, EveryGLUploadFailsInTurn)
{
    const Source gl{"GL", [](int k) { GL_Test::GL_Fail_At(k); }, [] { return GL_Test::GL_Fail_Hit(); }};
    for (const Operation<Batched>& op : Batch_Operations())
        Every_Point(op, gl);
}

#if defined(VRTOOLS_FAULTS)
TEST_F(Batch_Faults, EveryAllocationFailsInTurn)
{
    const Source heap{"heap", [](int k) { core::Fault_Arm(k); }, [] { return core::Fault_Hit(); }};
    for (const Operation<Batched>& op : Batch_Operations())
        Every_Point(op, heap);
}
#endif

}  // namespace
