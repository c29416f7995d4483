// A host that destroys or moves widgets while a batch or a dispatcher holds them: the holders forget
// the destroyed ones and follow the moved ones, and the picture and the events stay right.
#include "batch_view.h"
#include "gl_fixture.h"
#include "samples.h"

#include <cwchar>
#include <functional>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include <vrtools/dispatch.h>
#include <vrtools/setup.h>

#include "core/faults.h"

namespace {

class Lifetime : public GL_Test {
protected:
    void TearDown() override
    {
        VR_Tools_Lint_Set(false);
        GL_Test::TearDown();
    }

    static void Place(VR_Tools& w, const char* name, int x, int y, int width = 100, int height = 32)
    {
        Widget_Place(w, name, x, y, width, height);
    }

    void Draw(VR_Batches& batch) { Batch_Draw_Pixels(batch, WIDTH, HEIGHT); }

    // A slider with a read-out and a button below it, both initialised: a read-out format refused
    // after Init is reported by whatever describes the slider next.
    void Slider_And_Button(VR_Valuators& slider, VR_Buttons& button)
    {
        Place(slider, "Slider", 10, 20, 200, 24);
        slider.Format = "%.1f";
        slider.Value_Max = 10.0f;
        slider.Init(Window());
        Place(button, "Button", 10, 400);
        button.Init(Window());
    }

    std::vector<unsigned char> Frame_Of(VR_Batches& batch)
    {
        Clear();
        Draw(batch);
        return Frame_Pixels(WIDTH, HEIGHT);
    }

    // Pixels of the batch's frame that differ from the frame of a batch made afresh with `widgets`.
    template <class... W>
    int Differs_From_Fresh(VR_Batches& batch, W&... widgets)
    {
        const std::vector<unsigned char> kept = Frame_Of(batch);
        VR_Batches fresh;
        (fresh.Add(widgets), ...);
        EXPECT_EQ(fresh.Init(), 1);
        return Differing(kept, Frame_Of(fresh));
    }

    static int Differing(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
    {
        int n = 0;
        for (std::size_t i = 0; i + 3 < a.size(); i += 4)
            n += std::memcmp(&a[i], &b[i], 4) != 0;
        return n;
    }
};

}  // namespace

// A button and a slider in the middle of a drag destroyed while held by a batch, a dispatcher (and
// its copy), or both: the survivor draws alone and alone hears the pointer.
TEST_F(Lifetime, AWidgetDestroyedWhileHeldIsForgottenByEveryHolder)
{
    for (int holders : {1, 2, 3}) {
        SCOPED_TRACE(holders == 1 ? "batch" : holders == 2 ? "dispatcher" : "both");
        VR_Buttons kept;
        Place(kept, "Kept", 10, 400);
        kept.Init(Window());
        auto doomed = std::make_unique<VR_Buttons>();
        Place(*doomed, "Doomed", 10, 300);
        doomed->Init(Window());
        auto slider = std::make_unique<VR_Valuators>();
        Place(*slider, "Gain", 10, 200, 300);
        slider->Value_Max = 10.0f;
        slider->Format = "%.1f";
        slider->Init(Window());
        VR_Batches batch;
        VR_Dispatchers input;
        if (holders & 1) {
            batch.Add(*doomed);
            batch.Add(kept);
            batch.Add(*slider);
            ASSERT_EQ(batch.Init(), 1);
            Draw(batch);
        }
        if (holders & 2) {
            input.Add(*doomed);
            input.Add(kept);
            input.Add(*slider);
        }
        VR_Dispatchers copy = input;
        if (holders & 2) {
            input.Press(slider->X + 100.0f, slider->Y + 16.0f);
            ASSERT_EQ(input.Captured(), slider.get());
        }

        doomed.reset();
        slider.reset();

        if (holders & 1) {
            EXPECT_EQ(Differs_From_Fresh(batch, kept), 0);
        }
        for (VR_Dispatchers* d : {&input, &copy}) {
            EXPECT_EQ(d->Count(), holders & 2 ? 1 : 0);
            EXPECT_EQ(d->Captured(), nullptr);
            EXPECT_EQ(d->Move(150.0f, 216.0f), 0);
            EXPECT_EQ(d->Wheel(150.0f, 216.0f, 1.0f), 0);
        }
        if (holders & 2) {
            EXPECT_EQ(input.Widget(0), &kept);
            EXPECT_EQ(input.Press(20.0f, 310.0f), 0);
            ASSERT_EQ(input.Press(20.0f, 410.0f), 1);
            EXPECT_EQ(input.Change(0).Widget, &kept);
        }
        EXPECT_TRUE(Messages().empty()) << Messages_Text();
    }
}

// A list, a tab bar and a colour editor destroyed while held, some of their members held on their
// own: every member goes with its composite, from the batch and the dispatcher.
TEST_F(Lifetime, ACompositeDestroyedTakesItsMembersOutOfEveryHolder)
{
    VR_Buttons kept;
    Place(kept, "Kept", 10, 500);
    kept.Init(Window());
    auto list = std::make_unique<VR_Selects>();
    auto tabs = std::make_unique<VR_Tabs>();
    auto editor = std::make_unique<VR_Colors>();
    Sample_Fill(*list, 10, 400);
    Sample_Fill(*tabs, 10, 320);
    Sample_Fill(*editor, 10, 150);
    list->Init(Window());
    tabs->Init(Window());
    editor->Init(Window());

    VR_Batches batch;
    VR_Dispatchers input;
    batch.Add(kept);
    batch.Add(*list);
    batch.Add(*list->Item[1]);
    batch.Add(*tabs->Item[0]);
    batch.Add(editor->Slider_2);
    batch.Add(*editor);
    input.Add(kept);
    input.Add(*list->Item[0]);
    input.Add(*tabs);
    input.Add(editor->Slider_1);
    input.Add(*editor);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    input.Press(editor->Slider_1.X + 20.0f, editor->Slider_1.Y + 5.0f);
    ASSERT_EQ(input.Captured(), &editor->Slider_1);

    list.reset();
    tabs.reset();
    editor.reset();

    EXPECT_EQ(Differs_From_Fresh(batch, kept), 0);
    ASSERT_EQ(input.Count(), 1);
    EXPECT_EQ(input.Captured(), nullptr);
    EXPECT_EQ(input.Move(40.0f, 200.0f), 0);
    EXPECT_EQ(input.Wheel(40.0f, 410.0f, 1.0f), 0);
    EXPECT_EQ(input.Press(40.0f, 330.0f), 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// The host guide's toolbar, a std::vector of buttons, added to a batch and a dispatcher as it grows
// (each growth moves every button), then thinned in the middle (the later ones move down one place).
TEST_F(Lifetime, AGrowingVectorOfButtonsStaysDrawnAndClicked)
{
    static const char* const names[] = {"One", "Two", "Three", "Four", "Five", "Six", "Seven", "Eight", "Nine"};
    std::vector<VR_Buttons> buttons;
    VR_Batches batch;
    VR_Dispatchers input;
    const VR_Buttons* first = nullptr;
    for (int i = 0; i < 9; ++i) {
        VR_Buttons& b = buttons.emplace_back();
        Place(b, names[i], 10 + 110 * (i % 3), 400 - 50 * (i / 3));
        b.Init(Window());
        batch.Add(b);
        input.Add(b);
        if (i == 0) {
            first = &b;
            ASSERT_EQ(batch.Init(), 1);
        }
        Draw(batch);
    }
    ASSERT_NE(&buttons[0], first) << "the vector never grew";
    const auto all = [&](VR_Batches& b) {
        return Differs_From_Fresh(b, buttons[0], buttons[1], buttons[2], buttons[3], buttons[4], buttons[5], buttons[6],
                                  buttons[7], buttons[8]);
    };
    EXPECT_EQ(all(batch), 0);

    ASSERT_EQ(input.Count(), 9);
    for (int i = 0; i < 9; ++i) {
        VR_Buttons& b = buttons[static_cast<std::size_t>(i)];
        EXPECT_EQ(input.Widget(i), &b);
        ASSERT_EQ(input.Press(b.X + 50.0f, b.Y + 16.0f), 1) << i;
        EXPECT_EQ(input.Change(0).Widget, &b);
        EXPECT_EQ(b.State, 1);
        input.Release(b.X + 50.0f, b.Y + 16.0f);
    }
    input.Move(700.0f, 20.0f);
    EXPECT_EQ(all(batch), 0) << "pressed";

    buttons.erase(buttons.begin() + 4);
    ASSERT_EQ(input.Count(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(input.Widget(i), &buttons[static_cast<std::size_t>(i)]);
    const std::vector<unsigned char> thinned = Frame_Of(batch);
    VR_Batches fresh;
    for (VR_Buttons& b : buttons)
        fresh.Add(b);
    ASSERT_EQ(fresh.Init(), 1);
    EXPECT_EQ(Differing(thinned, Frame_Of(fresh)), 0);
    ASSERT_EQ(input.Press(buttons[4].X + 50.0f, buttons[4].Y + 16.0f), 1);
    EXPECT_EQ(input.Change(0).Widget, &buttons[4]);
    EXPECT_STREQ(buttons[4].Name, "Six");
    EXPECT_EQ(buttons[4].State, 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// A colour editor moved in the middle of a drag: the drag goes on in the object it moved into.
TEST_F(Lifetime, ADragGoesOnInTheObjectItsEditorMovedInto)
{
    VR_Colors editor;
    Sample_Fill(editor, 10, 300);
    editor.Init(Window());
    VR_Batches batch;
    VR_Dispatchers input;
    batch.Add(editor);
    input.Add(editor);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    input.Press(editor.Slider_1.X + 10.0f, editor.Slider_1.Y + 5.0f);
    ASSERT_EQ(input.Captured(), &editor);

    VR_Colors moved(std::move(editor));

    EXPECT_EQ(input.Captured(), &moved);
    ASSERT_EQ(input.Move(moved.Slider_1.X + 120.0f, moved.Slider_1.Y + 5.0f), 1);
    EXPECT_EQ(input.Change(0).Widget, &moved);
    EXPECT_EQ(input.Change(0).Value, moved.Color_Value);
    EXPECT_EQ(Differs_From_Fresh(batch, moved), 0);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}

// A dispatcher moved in the middle of a drag, with a focus and a fingertip: the one it moved into
// goes on with all three, and the moved-from one is empty, not pointing into lists it no longer has.
TEST_F(Lifetime, ADispatcherMovedMidDragLeavesAnEmptyOneBehind)
{
    VR_Valuators slider;
    VR_Buttons button;
    Place(slider, "Gain", 10, 200, 300);
    slider.Value_Max = 10.0f;
    slider.Init(Window());
    Place(button, "Go", 10, 300);
    button.Init(Window());
    VR_Dispatchers input;
    input.Add(slider);
    input.Add(button);
    input.Focus_Next(1);
    input.Poke(0, 40.0f, 316.0f, 20.0f);
    ASSERT_EQ(input.Press(100.0f, 216.0f), 1);
    ASSERT_EQ(input.Captured(), &slider);

    VR_Dispatchers moved(std::move(input));
    EXPECT_EQ(moved.Captured(), &slider);
    EXPECT_EQ(moved.Move(250.0f, 216.0f), 1);

    EXPECT_EQ(input.Count(), 0);
    EXPECT_EQ(input.Captured(), nullptr);
    EXPECT_EQ(input.Focused(), nullptr);
    EXPECT_EQ(input.Move(250.0f, 216.0f), 0);
    EXPECT_EQ(input.Step(1), 0);
    EXPECT_EQ(input.Poke(0, 40.0f, 316.0f, -1.0f), 0);
    EXPECT_EQ(input.Release(250.0f, 216.0f), 0);

    VR_Dispatchers assigned;
    assigned = std::move(moved);
    EXPECT_EQ(assigned.Captured(), &slider);
    EXPECT_EQ(moved.Captured(), nullptr);
    EXPECT_EQ(moved.Focused(), nullptr);
    EXPECT_EQ(moved.Activate(true), 0);
}

// Lint mode: a list's box and an editor's slider moved out of their composites, and a held button
// given an empty widget's content, draw nothing through the batch, and the host is told so.
TEST_F(Lifetime, AMovedFromWidgetDrawnThroughABatchIsReportedInLintMode)
{
    VR_Tools_Lint_Set(true);
    VR_Selects list;
    VR_Colors editor;
    VR_Buttons button;
    VR_Tabs tabs;
    VR_Hues hue;
    Sample_Fill(list, 10, 450);
    Sample_Fill(editor, 10, 250);
    Place(button, "Button", 10, 100);
    Sample_Fill(tabs, 10, 550);
    Sample_Fill(hue, 10, 650);
    list.Init(Window());
    editor.Init(Window());
    button.Init(Window());
    tabs.Init(Window());
    hue.Init(Window());
    VR_Batches batch;
    batch.Add(list);
    batch.Add(editor);
    batch.Add(button);
    batch.Add(tabs);
    batch.Add(hue);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();

    VR_Boxs box = std::move(*list.Item[0]);
    VR_Valuators slider = std::move(editor.Slider_2);
    VR_Buttons empty;
    button = std::move(empty);
    VR_TabItems tab = std::move(*tabs.Item[1]);
    VR_Boxs swatch = std::move(hue.Swatch);
    Draw(batch);

    EXPECT_TRUE(Has_Message("Lint: a batch draws VR_Selects \"Copy\", whose VR_Boxs at ")) << Messages_Text();
    EXPECT_TRUE(Has_Message("Lint: a batch draws VR_Colors \"Copy\", whose VR_Valuators at ")) << Messages_Text();
    EXPECT_TRUE(Has_Message("Lint: a batch draws VR_Tabs \"Copy\", whose VR_TabItems at ")) << Messages_Text();
    EXPECT_TRUE(Has_Message("Lint: a batch draws VR_Hues \"Copy\", whose VR_Boxs at ")) << Messages_Text();
    EXPECT_TRUE(Has_Message("which is not initialised: it draws nothing")) << Messages_Text();
    EXPECT_EQ(Messages().size(), 5u) << Messages_Text();
    Messages_Clear();
    Draw(batch);
    EXPECT_TRUE(Messages().empty()) << "once: " << Messages_Text();
}

namespace {

// A column of buttons that the message handler destroys, all of them (and whatever else `also`
// destroys), as soon as a message holding `wanted` reaches it; every message then goes on to the
// fixture's handler.
class Doomed_Buttons {
public:
    Doomed_Buttons(HWND window, const wchar_t* wanted)
    {
        for (int k = 0; k < 12; ++k) {
            buttons_.push_back(std::make_unique<VR_Buttons>());
            Widget_Place(*buttons_.back(), "Doomed", 230, 20 + 30 * k, 100, 24);
            buttons_.back()->Init(window);
        }
        wanted_ = wanted;
    }
    template <class Holder>
    void Add_To(Holder& holder)
    {
        for (const auto& b : buttons_)
            holder.Add(*b);
    }
    // Runs `call` with the destroying handler in place.
    template <class Call>
    void During(Call&& call, std::function<void()> also = {})
    {
        destroy_ = [this, also] {
            buttons_.clear();
            if (also)
                also();
        };
        passed_on_ = Error_Handler_Set(Handler);
        call();
        Error_Handler_Set(passed_on_);
        destroy_ = nullptr;
    }
    bool Destroyed() const { return buttons_.empty(); }

private:
    static void Handler(HWND window, unsigned int code, const wchar_t* text)
    {
        if (destroy_ && std::wcsstr(text, wanted_))
            std::exchange(destroy_, nullptr)();
        passed_on_(window, code, text);
    }
    std::vector<std::unique_ptr<VR_Buttons>> buttons_;
    static inline std::function<void()> destroy_;
    static inline const wchar_t* wanted_ = nullptr;
    static inline Error_Handler passed_on_ = nullptr;
};

}  // namespace

// A host whose message handler destroys widgets (a dialog closed on an error) while a batch's Draw
// or a dispatcher's event walks them: the walk goes on with the others. The batch draws what is
// left, as a batch made afresh with it does; the pointer reaches the one left, and only it.
TEST_F(Lifetime, WidgetsDestroyedByAMessageHandlerWhileABatchOrADispatcherWalksThem)
{
    VR_Valuators slider;
    VR_Buttons survivor;
    Slider_And_Button(slider, survivor);
    {
        Doomed_Buttons doomed(Window(), L"read-out format");
        VR_Batches batch;
        batch.Add(slider);
        doomed.Add_To(batch);
        batch.Add(survivor);
        ASSERT_EQ(batch.Init(), 1);
        Draw(batch);
        ASSERT_TRUE(Messages().empty()) << Messages_Text();
        // A format the read-out refuses, set after Init: the batch's description of it reports it.
        slider.Format = "%d";
        doomed.During([&] { Draw(batch); });
        EXPECT_TRUE(doomed.Destroyed());
        EXPECT_TRUE(Has_Message("read-out format \"%d\"")) << Messages_Text();
        EXPECT_EQ(Differs_From_Fresh(batch, slider, survivor), 0);
    }
    {
        // The whole panel closed, its batch with it.
        Doomed_Buttons doomed(Window(), L"read-out format");
        auto batch = std::make_unique<VR_Batches>();
        batch->Add(slider);
        doomed.Add_To(*batch);
        ASSERT_EQ(batch->Init(), 1);
        slider.Format = "%.2f";
        Draw(*batch);
        slider.Format = "%i";
        Messages_Clear();
        doomed.During([&] { Draw(*batch); }, [&] { batch.reset(); });
        EXPECT_TRUE(doomed.Destroyed());
        EXPECT_EQ(batch, nullptr);
        EXPECT_TRUE(Has_Message("read-out format \"%i\"")) << Messages_Text();
    }
    // A widget never initialised warns as the pointer moves over the panel.
    VR_Buttons unready;
    Place(unready, "Unready", 10, 20);
    Doomed_Buttons doomed(Window(), L"you must call");
    VR_Dispatchers input;
    input.Add(unready);
    input.Add(survivor);
    doomed.Add_To(input);
    doomed.During([&] { input.Move(20.0f, 30.0f); });
    EXPECT_TRUE(doomed.Destroyed());
    EXPECT_TRUE(Has_Message("you must call *_Init() first")) << Messages_Text();
    EXPECT_EQ(input.Count(), 2);
    EXPECT_EQ(input.Press(20.0f, 410.0f), 1);
    EXPECT_EQ(input.Change(0).Widget, &survivor);
}

// A handler that throws (a test harness that stops at the first warning): the exception reaches
// the caller of Draw once the frame is whole and the host's GL state restored, and the batch draws
// on as a batch made afresh does.
TEST_F(Lifetime, AMessageHandlerThatThrowsLeavesTheBatchWhole)
{
    VR_Valuators slider;
    VR_Buttons button;
    Slider_And_Button(slider, button);
    VR_Batches batch;
    batch.Add(slider);
    batch.Add(button);
    ASSERT_EQ(batch.Init(), 1);
    Draw(batch);
    slider.Format = "%d";
    glDisable(GL_DEPTH_TEST);
    const Error_Handler previous =
        Error_Handler_Set([](HWND, unsigned int, const wchar_t*) { throw std::runtime_error("stop"); });
    EXPECT_THROW(Draw(batch), std::runtime_error);
    Error_Handler_Set(previous);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(Differs_From_Fresh(batch, slider, button), 0);
}

#if defined(VRTOOLS_FAULTS)
// Memory running out at each allocation of an Add in turn: a widget left out is reported, one taken
// in is forgotten when destroyed; never a held address of a widget that is gone.
TEST_F(Lifetime, AnAddOutOfMemoryNeverLeavesADanglingWidget)
{
    for (long k = 1;; ++k) {
        auto button = std::make_unique<VR_Buttons>();
        Place(*button, "Button", 10, 100);
        button->Init(Window());
        VR_Batches batch;
        VR_Dispatchers input;
        ASSERT_EQ(batch.Init(), 1);
        core::Fault_Arm(k);
        batch.Add(*button);
        input.Add(*button);
        const bool hit = core::Fault_Hit();
        core::Fault_Arm(0);
        button.reset();
        Draw(batch);
        EXPECT_EQ(input.Count(), 0);
        EXPECT_EQ(input.Press(20.0f, 110.0f), 0);
        if (!hit)
            break;
        EXPECT_TRUE(Has_Message("out of memory adding")) << k << ": " << Messages_Text();
        Messages_Clear();
    }
}
#endif
