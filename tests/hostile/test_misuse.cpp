// A host's mistakes that used to pass in silence: each is reported, and the picture stays right.
#include <string>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/button.h>
#include <vrtools/frame.h>
#include <vrtools/setup.h>

#include "hostile.h"

namespace {

class Misuse : public GL_Test {
protected:
    void TearDown() override
    {
        VR_Tools_Lint_Set(false);
        GL_Test::TearDown();
    }

    static void Place(VR_Tools& w, short x, short y) { w.X = x, w.Y = y, w.Width = 160, w.Height = 60, w.Bevel = 3; }

    int Drawn(int x0, int y0, int x1, int y1) const
    {
        return (x1 - x0) * (y1 - y0) - Count_Pixels(x0, y0, x1, y1, Rgba{0, 0, 0, 0}, 0);
    }

    int Count(const std::string& fragment) const
    {
        int n = 0;
        for (const Captured_Message& m : Messages())
            n += m.utf8.find(fragment) != std::string::npos;
        return n;
    }
};

}  // namespace

// Drawn in a context that is not its Init's (or in none), a batch says so once, draws nothing and
// leaves no GL error; back in its own context it draws again.
TEST_F(Misuse, BatchInAnotherContext)
{
    VR_Buttons button;
    button.Name = "Here";
    Place(button, 20, 20);
    button.Init(Window());
    VR_Batches batch;
    ASSERT_EQ(batch.Init(), 1);
    batch.Add(button);
    const std::string report = "Batch: Draw with no GL context current or in another";
    {
        Other_Context other;
        ASSERT_TRUE(other.Made());
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        batch.Draw();
        batch.Draw();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_EQ(Drawn(20, 20, 180, 80), 0);
    }
    {
        No_Context none;
        batch.Draw();
    }
    EXPECT_EQ(Count(report), 1) << Messages_Text();
    Clear();
    batch.Draw();
    EXPECT_GT(Drawn(20, 20, 180, 80), 160 * 60 / 2);
    // Once it drew again, the next slip is news.
    {
        No_Context none;
        batch.Draw();
    }
    EXPECT_EQ(Count(report), 2) << Messages_Text();
}

// Added twice, a widget is drawn once (the same frame as added once) and the host is told.
TEST_F(Misuse, WidgetAddedTwiceToABatch)
{
    VR_Buttons button;
    button.Name = "Twice";
    Place(button, 20, 20);
    button.Init(Window());
    VR_Batches once, twice;
    ASSERT_EQ(once.Init(), 1);
    ASSERT_EQ(twice.Init(), 1);
    once.Add(button);
    twice.Add(button);
    twice.Add(button);
    EXPECT_EQ(Count("Batch: VR_Buttons \"Twice\" was added twice; it is drawn once"), 1) << Messages_Text();
    Clear();
    once.Draw();
    const std::vector<unsigned char> expected = Frame_Bytes();
    Clear();
    twice.Draw();
    EXPECT_EQ(twice.Draw_Calls_Get(), once.Draw_Calls_Get());
    EXPECT_TRUE(Frame_Bytes() == expected);
}

// Before its Init a widget has no caption yet: the reports name it by the Name the host gave.
TEST_F(Misuse, ReportsBeforeInitUseTheName)
{
    VR_Buttons named, unnamed;
    named.Name = "Later";
    VR_Batches batch;
    batch.Add(named);
    batch.Add(unnamed);
    EXPECT_TRUE(Has_Message("Batch: VR_Buttons \"Later\" was added before its Init")) << Messages_Text();
    EXPECT_TRUE(Has_Message("Batch: VR_Buttons \"no name\" was added before its Init")) << Messages_Text();
    VR_Tools_Lint_Set(true);
    named.Read();
    EXPECT_TRUE(Has_Message("Lint: VR_Buttons::Read on \"Later\" before its Init")) << Messages_Text();
}

// A Name too long for a caption is dropped by Init; lint mode says why the widget shows none.
TEST_F(Misuse, OverlongNameDroppedAtInit)
{
    const std::string longest(1023, 'n'), too_long(1024, 'n');
    VR_Buttons fits, dropped;
    Place(fits, 20, 20);
    Place(dropped, 20, 100);
    fits.Name = longest.c_str();
    dropped.Name = too_long.c_str();
    dropped.Init(Window());
    EXPECT_EQ(Count("refused at Init"), 0) << "the widget's own Init reports only what it always did";
    VR_Tools_Lint_Set(true);
    fits.Init(Window());
    dropped.Init(Window());
    EXPECT_NE(fits.W_Name, nullptr);
    EXPECT_EQ(dropped.W_Name, nullptr);
    EXPECT_EQ(Count("Lint: VR_Buttons Name of 1024 bytes refused at Init"), 1) << Messages_Text();
}

// An error the host's own GL call left behind is named as the host's in lint mode, not as the
// widget's draw call; without lint mode the widget's report is what it always was.
TEST_F(Misuse, ErrorPendingBeforeDraw)
{
    VR_Frames frame;
    Place(frame, 20, 20);
    frame.Init(Window());
    glEnable(0x1234);  // GL_INVALID_ENUM, 1280
    frame.Draw();
    EXPECT_TRUE(Has_Message("OpenGL Error 1280 in VR_Frames::Draw")) << Messages_Text();

    Messages_Clear();
    VR_Tools_Lint_Set(true);
    glEnable(0x1234);
    frame.Draw();
    EXPECT_TRUE(Has_Message("Lint: OpenGL error 1280 (")) << Messages_Text();
    EXPECT_TRUE(Has_Message("was pending before VR_Frames::Draw")) << Messages_Text();
    EXPECT_FALSE(Has_Message("OpenGL Error 1280 in VR_Frames::Draw")) << Messages_Text();
}
