// Captions in other scripts through VR_Tools::Text: distinct glyphs, sizes from the shaped text,
// the cut rule.
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "udhr.h"
#include <vrtools/label.h>

using udhr::Sample;

// [SECTION] Captions through VR_Tools::Text

namespace {

class Scripts_Caption : public GL_Test {
protected:
    void SetUp() override
    {
        GL_Test::SetUp();
        tool.Window = Window();
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    void TearDown() override
    {
        EXPECT_TRUE(Messages().empty()) << Messages_Text();
        glDeleteTextures(1, &texture);
        GL_Test::TearDown();
    }
    // Renders `text` and returns the mask, tex_w x tex_h.
    std::vector<unsigned char> Mask(const std::wstring& text, const char* font, short size)
    {
        EXPECT_EQ(tool.Text(text.c_str(), &tool.Text_Bitmap, font, nullptr, size, &tex_w, &tex_h, &text_w, &text_h), 1);
        return std::vector<unsigned char>(tool.Text_Bitmap, tool.Text_Bitmap + tex_w * tex_h);
    }
    VR_Labels tool;
    GLuint texture = 0;
    int tex_w = 0, tex_h = 0, text_w = 0, text_h = 0;
};

}  // namespace

TEST_F(Scripts_Caption, CjkCharactersGetTheirOwnGlyphs)
{
    const std::wstring chinese = Sample("chinese");
    const std::vector<unsigned char> box = Mask(L"\U0010FFFD", "DejaVu Sans", 32);  // no font has it
    const std::vector<unsigned char> first = Mask(chinese.substr(0, 1), "DejaVu Sans", 32);
    const std::vector<unsigned char> other = Mask(chinese.substr(3, 1), "DejaVu Sans", 32);
    int ink = 0;
    for (unsigned char v : first)
        ink += v > 128;
    EXPECT_GT(ink, 20);
    EXPECT_NE(first, other);
    EXPECT_NE(first, box);
    EXPECT_NE(other, box);
}

TEST_F(Scripts_Caption, SizesComeFromTheShapedTextAndFollowTheCutRule)
{
    // The caption measures what it draws: ink reaches the measured width and not past it.
    for (const char* tag : {"arabic", "devanagari", "korean"}) {
        const std::vector<unsigned char> mask = Mask(Sample(tag).substr(0, 12), "DejaVu Sans", 20);
        int right = -1;
        for (int y = 0; y < tex_h; ++y)
            for (int x = 0; x < tex_w; ++x)
                if (mask[y * tex_w + x])
                    right = std::max(right, x);
        EXPECT_GE(right, text_w - 4) << tag;
        EXPECT_LE(right, text_w + 1) << tag;
        EXPECT_EQ(tex_w, text_w + 2 <= 16 ? 16 : 1 << (32 - __builtin_clz(static_cast<unsigned>(text_w + 1)))) << tag;
    }
    // Wider than 1024 texels: the texture stops at 1024 and the text is cut on the right.
    const std::wstring japanese = Sample("japanese");
    const std::vector<unsigned char> wide = Mask(japanese + japanese, "DejaVu Sans", 24);
    EXPECT_GT(text_w, 1022);
    EXPECT_EQ(tex_w, 1024);
    int last_column = 0;
    for (int y = 0; y < tex_h; ++y)
        last_column += wide[y * tex_w + 1020] + wide[y * tex_w + 1021] + wide[y * tex_w + 1022] > 0;
    EXPECT_GT(last_column, 0);
}
