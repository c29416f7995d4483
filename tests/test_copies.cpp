// Copies and moves of every widget class: growth of standard containers, destruction in any order,
// use after the original is gone, re-Init of one sharer, moves, GL names reused by the driver.
#include <algorithm>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/frame.h>
#include "gl_fixture.h"
#include "gl_trace.h"
#include "samples.h"
#include <vrtools/hue.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

namespace {

// A widget made by Sample_Fill, initialised and drawn once so that lazily made objects exist too.
template <class W>
void Make(W& w, int x, int y)
{
    Sample_Fill(w, x, y);
    w.Init(reinterpret_cast<HWND>(0x1));
    w.Draw();
}

void Add_Buffers(const VR_Tools& t, std::vector<GLuint>& out)
{
    for (GLuint n : {t.Vertex_VBO, t.Normal_VBO, t.Color_VBO, t.Text_Vertex_VBO, t.Text_Coord_VBO})
        if (n)
            out.push_back(n);
}

// Every buffer name the widget holds, its members' included, and its children's when asked.
template <class W>
std::vector<GLuint> Buffers(const W& w, bool children = true)
{
    std::vector<GLuint> out;
    Add_Buffers(w, out);
    if constexpr (std::is_same_v<W, VR_Buttons>)
        out.push_back(w.Lamp_VBO);
    if constexpr (std::is_same_v<W, VR_Valuators>) {
        for (GLuint n :
             {w.Cursor_Vertex_VBO, w.Cursor_Normal_VBO, w.Cursor_Color_VBO, w.Value_Vertex_VBO, w.Value_Coord_VBO})
            out.push_back(n);
    }
    if constexpr (std::is_same_v<W, VR_Selects> || std::is_same_v<W, VR_Tabs>) {
        for (int i = 0; children && w.Item && w.Item[i]; ++i)
            Add_Buffers(*w.Item[i], out);
    }
    if constexpr (std::is_same_v<W, VR_Colors> || std::is_same_v<W, VR_Hues>) {
        Add_Buffers(w.Swatch, out);
        std::vector<const VR_Valuators*> sliders;
        if constexpr (std::is_same_v<W, VR_Hues>) {
            sliders = {&w.Slider};
        } else {
            Add_Buffers(w.Frame, out);
            sliders = {&w.Slider_1, &w.Slider_2, &w.Slider_3};
        }
        for (const VR_Valuators* s : sliders) {
            const std::vector<GLuint> b = Buffers(*s);
            out.insert(out.end(), b.begin(), b.end());
        }
    }
    out.erase(std::remove(out.begin(), out.end(), 0u), out.end());
    return out;
}

// Hover in and out where the class has pointer operations: both replace a colour buffer.
template <class W, class = void>
struct Has_Deselect : std::false_type {};
template <class W>
struct Has_Deselect<W, std::void_t<decltype(std::declval<W&>().Deselect())>> : std::true_type {};

template <class W>
void Hover(W& w, float x, float y)
{
    if constexpr (Has_Deselect<W>::value) {
        w.Select(0, x, y);
        w.Deselect();
    }
}

bool All_Live(const std::vector<GLuint>& names)
{
    for (GLuint n : names)
        if (!glIsBuffer(n))
            return false;
    return true;
}

template <class W>
class Copies : public GL_Test {};

using Classes = ::testing::Types<VR_Labels, VR_Buttons, VR_Boxs, VR_Frames, VR_Progress, VR_Valuators, VR_Selects,
                                 VR_TabItems, VR_Tabs, VR_Colors, VR_Hues>;
TYPED_TEST_SUITE(Copies, Classes);

TYPED_TEST(Copies, VectorGrowsByMovingAndEveryBufferIsDeletedOnce)
{
    static_assert(std::is_nothrow_move_constructible_v<TypeParam>, "containers must move, not copy");
    static_assert(std::is_nothrow_move_assignable_v<TypeParam>, "erase must move");
    GL_Trace trace;
    std::vector<GLuint> names;
    {
        std::vector<TypeParam> row;
        for (int i = 0; i < 5; ++i) {
            row.emplace_back();
            Make(row.back(), 10 + 160 * (i % 4), 400 - 120 * (i / 4));
        }
        row.erase(row.begin() + 1);  // move assignment over a live widget releases what it held
        for (TypeParam& w : row) {
            EXPECT_TRUE(All_Live(Buffers(w)));
            w.Draw();
            const std::vector<GLuint> b = Buffers(w);
            names.insert(names.end(), b.begin(), b.end());
        }
    }
    EXPECT_EQ(this->Messages_Text(), "");
    for (GLuint n : names)
        EXPECT_EQ(std::count(trace.deleted.begin(), trace.deleted.end(), n), 1) << "buffer " << n;
}

TYPED_TEST(Copies, EitherOrderOfDestructionLeavesTheOtherUsable)
{
    for (const bool original_first : {true, false}) {
        auto original = std::make_unique<TypeParam>();
        Make(*original, 20, 300);
        auto copy = std::make_unique<TypeParam>(*original);
        TypeParam assigned;
        assigned = *original;
        const std::vector<GLuint> names = Buffers(*original);
        ASSERT_FALSE(names.empty());
        ASSERT_EQ(Buffers(*copy), names) << "a copy shares the GL names";
        EXPECT_EQ(copy->Vertex_Array, original->Vertex_Array);

        (original_first ? original : copy).reset();
        TypeParam& kept = original_first ? *copy : *original;
        EXPECT_TRUE(All_Live(names));
        EXPECT_GT(Drawn_Pixels(kept), 0) << original_first;
        Hover(kept, 30.0f, 310.0f);

        // The driver hands freed names out again: the last sharers' destruction must not reach a
        // widget made in between.
        TypeParam later;
        Make(later, 20, 300);
        (original_first ? copy : original).reset();
        EXPECT_TRUE(All_Live(names)) << "the assigned copy still holds them";
        {
            TypeParam gone = std::move(assigned);
        }
        const std::vector<GLuint> now = Buffers(later);
        for (GLuint n : names)
            if (std::find(now.begin(), now.end(), n) == now.end()) {
                EXPECT_FALSE(glIsBuffer(n)) << n;
            }
        EXPECT_TRUE(All_Live(now));
        EXPECT_GT(Drawn_Pixels(later), 0);
    }
    EXPECT_EQ(this->Messages_Text(), "");
}

TYPED_TEST(Copies, ReInitOfOneSharerKeepsTheOthersObjects)
{
    TypeParam a;
    Make(a, 20, 300);
    TypeParam b(a);
    // Children are shared objects, not copies: a re-Init rebuilds them for every holder.
    const std::vector<GLuint> shared = Buffers(a, false);
    b.Init(this->Window());
    b.Draw();
    EXPECT_TRUE(All_Live(shared));
    EXPECT_EQ(Buffers(a, false), shared);
    EXPECT_GT(Drawn_Pixels(a), 0);

    // Grow on a container copy gives it items of its own; the other holders keep theirs.
    if constexpr (std::is_same_v<TypeParam, VR_Selects> || std::is_same_v<TypeParam, VR_Tabs>) {
        VR_Tools* const first = a.Item[0];
        ASSERT_EQ(b.Grow(3, 0), 1);
        ASSERT_NE(b.Item, a.Item);
        EXPECT_EQ(a.Item[0], first);
        EXPECT_EQ(a.Item[2], nullptr);
        b.Init(this->Window());
        EXPECT_GT(Drawn_Pixels(a), 0);
    }

    // A copy assignment keeps the target's old objects for their other holder.
    TypeParam c(b);
    const std::vector<GLuint> old = Buffers(b, false);
    b = a;
    EXPECT_TRUE(All_Live(old));
    EXPECT_GT(Drawn_Pixels(c), 0);
}

TYPED_TEST(Copies, MoveLeavesTheSourceEmpty)
{
    TypeParam a;
    Make(a, 20, 300);
    const std::vector<GLuint> names = Buffers(a);
    TypeParam b(std::move(a));
    EXPECT_EQ(Buffers(b), names);
    EXPECT_EQ(a.Vertex_VBO, 0u);
    EXPECT_EQ(a.W_Name, nullptr);
    EXPECT_EQ(a.Quad_Count, 0);
    a.Draw();  // an empty widget draws nothing and says so once
    EXPECT_TRUE(this->Has_Message("you must call *_Init() first"));

    TypeParam c;
    Make(c, 20, 300);
    const std::vector<GLuint> replaced = Buffers(c);
    c = std::move(b);
    for (GLuint n : replaced)
        if (std::find(names.begin(), names.end(), n) == names.end()) {
            EXPECT_FALSE(glIsBuffer(n)) << "a move assignment releases the target's objects";
        }
    EXPECT_TRUE(All_Live(names));
    EXPECT_GT(Drawn_Pixels(c), 0);
}

}  // namespace
