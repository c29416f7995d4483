// A host that leaves its own pixel-transfer state behind (rows of another length, skips, a pixel
// buffer bound for its own uploads), as texture streaming code does: a batch's uploads read its own
// memory as it laid it out, and the host finds its state as it left it.
#include <string>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/label.h>
#include <vrtools/valuator.h>

#include "batch_view.h"
#include "hostile.h"

namespace {

struct Unpack {
    GLint row_length = 0, skip_rows = 0, skip_pixels = 0, buffer = 0, alignment = 4;
    bool operator==(const Unpack& o) const
    {
        return row_length == o.row_length && skip_rows == o.skip_rows && skip_pixels == o.skip_pixels &&
               buffer == o.buffer && alignment == o.alignment;
    }
};

Unpack Unpack_Read()
{
    Unpack u;
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &u.row_length);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &u.skip_rows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &u.skip_pixels);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &u.buffer);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &u.alignment);
    return u;
}

}  // namespace

TEST_F(GL_Test, BatchUploadsIgnoreThePixelStoreAHostLeavesBehind)
{
    GLuint pixel_buffer = 0;
    glGenBuffers(1, &pixel_buffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, pixel_buffer);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, 64, nullptr, GL_STREAM_DRAW);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    const auto host_state = [&](bool on) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, on ? 37 : 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, on ? 5 : 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, on ? 3 : 0);
        glPixelStorei(GL_UNPACK_ALIGNMENT, on ? 2 : 4);
        glBindBuffer(GL_PIXEL_UNPACK_BUFFER, on ? pixel_buffer : 0);
    };
    // Both kinds of text: the bitmaps' atlas takes each new read-out, the glyph atlas each glyph
    // met for the first time (letters no other test draws).
    for (const bool sharp : {false, true}) {
        VR_Valuators slider, twin;
        VR_Labels label, label_twin;
        for (VR_Valuators* s : {&slider, &twin}) {
            Widget_Place(*s, "Gain", 20, 300, 300, 32);
            s->Value_Max = 100.0f;
            s->Value = 10.0f;
            s->Format = "%.1f";
            s->Init(Window());
        }
        const char* letters = sharp ? "\xc5\xa7\xc5\x8a\xc6\x80" : "Rows";  // ŧŊƀ
        for (VR_Labels* l : {&label, &label_twin}) {
            Widget_Place(*l, letters, 20, 450, 200, 40);
            l->Init(Window());
        }
        VR_Batches batch, fresh;
        for (VR_Batches* b : {&batch, &fresh}) {
            b->Sharp_Text_Set(sharp);
            b->Text_Outline_Set(0.0f, 0);
        }
        batch.Add(slider);
        batch.Add(label);
        host_state(true);
        ASSERT_EQ(batch.Init(), 1);
        Clear();
        host_state(true);
        const Unpack before = Unpack_Read();
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        slider.Value = 63.7f;
        slider.Adjust();
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        EXPECT_GE(batch.Uploads_Get(), 1) << "the frame had a read-out to send";
        EXPECT_TRUE(Unpack_Read() == before) << "the host's pixel store was changed";
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        Clear();
        Batch_Draw_Pixels(batch, WIDTH, HEIGHT);
        const auto shown = Frame_Bytes();
        // As a batch of the same widgets shows them, made and drawn in the default pixel store.
        host_state(false);
        twin.Value = 63.7f;
        twin.Adjust();
        fresh.Add(twin);
        fresh.Add(label_twin);
        ASSERT_EQ(fresh.Init(), 1);
        Clear();
        Batch_Draw_Pixels(fresh, WIDTH, HEIGHT);
        EXPECT_TRUE(shown == Frame_Bytes()) << (sharp ? "sharp" : "bitmap") << " text drawn wrong";
        Save_Png(std::string("pixel-store-") + (sharp ? "sharp" : "exact"));
    }
    host_state(false);
    glDeleteBuffers(1, &pixel_buffer);
    EXPECT_TRUE(Messages().empty()) << Messages_Text();
}
