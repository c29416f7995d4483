// The caption rasteriser: texture sizes, the alpha mask and what it uploads.
#include <algorithm>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include <vrtools/label.h>

namespace {

int Expected_Side(int size, int largest)
{
    int side = 16;
    while (side < largest && side < size)
        side *= 2;
    return side;
}

struct Rendered {
    int result = -1, tex_w = -1, tex_h = -1, text_w = -1, text_h = -1;
};

class Text_Test : public GL_Test {
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
        glDeleteTextures(1, &texture);
        GL_Test::TearDown();
    }
    Rendered Render(const wchar_t* text, const char* font, short size)
    {
        Rendered r;
        r.result = tool.Text(text, &bitmap, font, nullptr, size, &r.tex_w, &r.tex_h, &r.text_w, &r.text_h);
        return r;
    }

    VR_Labels tool;  // any widget record will do: Text is a member of the base
    unsigned char*& bitmap = tool.Text_Bitmap;
    GLuint texture = 0;
};

}  // namespace

TEST_F(Text_Test, TextureSidesArePowersOfTwoAroundTheText)
{
    // Every font size from tiny to huge: the sides follow the text with a margin of 2 and stop at
    // 128 and 1024; both sides of each step are met on the way.
    bool below_16 = false, above_16 = false, at_128 = false;
    for (short size = 4; size <= 140; size += 3) {
        const Rendered r = Render(L"Sizing text", "DejaVu Sans", size);
        ASSERT_EQ(r.result, 1) << size;
        EXPECT_EQ(r.tex_h, Expected_Side(r.text_h + 2, 128)) << size;
        EXPECT_EQ(r.tex_w, Expected_Side(r.text_w + 2, 1024)) << size;
        below_16 |= r.text_h + 2 <= 16;
        above_16 |= r.text_h + 2 > 16 && r.text_h + 2 <= 32;
        at_128 |= r.text_h + 2 > 128;
    }
    EXPECT_TRUE(below_16 && above_16 && at_128);
    const Rendered wide = Render(std::wstring(300, L'W').c_str(), "DejaVu Sans", 20);
    EXPECT_GT(wide.text_w, 1022);
    EXPECT_EQ(wide.tex_w, 1024);
}

TEST_F(Text_Test, MaskHoldsTheTextFromTheTopDown)
{
    const Rendered r = Render(L"T", "DejaVu Sans", 24);
    ASSERT_EQ(r.result, 1);
    const int tw = r.tex_w;
    auto row_sum = [&](int row) {
        int sum = 0;
        for (int x = 0; x < tw; ++x)
            sum += bitmap[row * tw + x];
        return sum;
    };
    // The bar of a T lies near the top of the line; the descender rows at the bottom are empty.
    int first_inked = -1;
    for (int row = 0; row < r.text_h && first_inked < 0; ++row)
        if (row_sum(row) > 0)
            first_inked = row;
    ASSERT_GE(first_inked, 0);
    EXPECT_LT(first_inked, r.text_h / 2);
    EXPECT_EQ(row_sum(r.text_h - 1), 0);
    EXPECT_EQ(*std::max_element(bitmap, bitmap + r.tex_w * r.tex_h), 255);  // the stem, fully covered
    for (int row = r.text_h; row < r.tex_h; ++row)
        EXPECT_EQ(row_sum(row), 0) << "ink below the line, row " << row;
    for (int row = 0; row < r.tex_h; ++row)
        for (int x = r.text_w + 1; x < tw; ++x)
            ASSERT_EQ(bitmap[row * tw + x], 0) << "ink right of the text at " << x << "," << row;

    // The texture holds exactly the mask.
    std::vector<unsigned char> uploaded(static_cast<size_t>(r.tex_w) * r.tex_h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, uploaded.data());
    EXPECT_EQ(0, std::memcmp(uploaded.data(), bitmap, uploaded.size()));
}

TEST_F(Text_Test, NoTextOptionalSizesBitmapReuseAndFallbackFont)
{
    for (const wchar_t* text : {static_cast<const wchar_t*>(nullptr), L""}) {
        const Rendered r = Render(text, "DejaVu Sans", 14);
        EXPECT_EQ(r.result, 0);
        EXPECT_TRUE(r.tex_w == 0 && r.tex_h == 0 && r.text_w == 0 && r.text_h == 0);
    }
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(Counts().tex_image, 0);

    ASSERT_EQ(Render(std::wstring(120, L'M').c_str(), "DejaVu Sans", 40).result, 1);
    int tw = 0, th = 0;
    // Without the text sizes it still renders; a larger bitmap is shrunk to the new texel count
    // (AddressSanitizer catches a write past it).
    EXPECT_EQ(tool.Text(L"ok", &bitmap, "DejaVu Sans", nullptr, 10, &tw, &th, nullptr, nullptr), 1);
    EXPECT_TRUE(tw == 16 && th == 16);
    EXPECT_EQ(Counts().tex_image, 2);

    const Rendered fallback = Render(L"Fallback", "No Such Family", 30);
    const Rendered system = Render(L"Fallback", nullptr, 0);
    EXPECT_EQ(fallback.result, 1);
    EXPECT_TRUE(fallback.text_w == system.text_w && fallback.text_h == system.text_h);
    EXPECT_GT(system.text_h, 0);
    EXPECT_TRUE(Messages().empty());
}
