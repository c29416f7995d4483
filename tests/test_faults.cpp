// Failure injection: during each operation of each class, every GL upload (glBufferData,
// glTexImage2D) and, in the VRTOOLS_FAULTS build, every heap allocation of the library fails in
// turn. Nothing may crash or leak (the sanitizer build checks), the failure is reported, and the
// next Init with resources available works.
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "samples.h"
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
    std::vector<Operation<W>> ops{
        {"Init", nothing, [](W& w) { w.Init(reinterpret_cast<HWND>(0x1)); }},
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
                reported = reported || m.code == 1u || m.code == 2u ||
                           m.utf8.find("OpenGL Error 1285") != std::string::npos;
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

}  // namespace
