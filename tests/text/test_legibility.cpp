// The legibility measures themselves: on pictures whose answers are known, and the camera that
// the batch's caption is measured under.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "headless.h"
#include "legibility.h"

namespace {

using legibility::Image;
using legibility::View;

Image Blank(int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.luma.assign(static_cast<size_t>(width) * height, 0.0f);
    return image;
}

// A stem two columns wide at `left`, rows 2..17, whose left edge rises through `ramp`.
Image Stem(int left, const std::vector<float>& ramp)
{
    Image image = Blank(24, 20);
    for (int y = 2; y < 18; ++y) {
        for (size_t i = 0; i < ramp.size(); ++i)
            image.luma[static_cast<size_t>(y) * 24 + left + i] = ramp[i];
        for (int x = 0; x < 2; ++x)
            image.luma[static_cast<size_t>(y) * 24 + left + ramp.size() + x] = 1.0f;
    }
    return image;
}

// The ink's width in pixels (pixels at least half as bright as the brightest).
int Ink_Width(const Image& image)
{
    float peak = 0;
    for (float v : image.luma)
        peak = std::max(peak, v);
    int left = image.width, right = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) >= 0.5f * peak) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right - left + 1;
}

}  // namespace

TEST(Legibility, MeasuresOfKnownPictures)
{
    // A step from black to white: 10 % and 90 % lie between the same two pixel centres.
    EXPECT_NEAR(legibility::Edge_Width(Stem(5, {})), 0.8, 1e-6);
    // A rise over four pixels of a quarter each, and one through a half-bright pixel.
    EXPECT_NEAR(legibility::Edge_Width(Stem(5, {0.25f, 0.5f, 0.75f})), 3.2, 1e-6);
    EXPECT_NEAR(legibility::Edge_Width(Stem(3, {0.5f})), 1.6, 1e-6);
    EXPECT_LT(legibility::Edge_Width(Blank(8, 8)), 0.0);

    const Image stem = Stem(5, {0.5f});
    EXPECT_NEAR(legibility::Ssim(stem, stem), 1.0, 1e-9);
    const double moved = legibility::Ssim(stem, Stem(6, {0.5f}));
    EXPECT_LT(moved, 0.9);
    EXPECT_GT(moved, legibility::Ssim(stem, Stem(12, {0.5f})));

    // Brightness 3, 4, 5 at the three moves: (5 - 3) / 4.
    const double variation = legibility::Brightness_Variation(
        [](const View& v) {
            Image image = Blank(1, 1);
            image.luma[0] = static_cast<float>(3 + 3 * v.shift_x);
            return image;
        },
        View{});
    EXPECT_NEAR(variation, 0.5, 1e-6);
}

TEST(Legibility, CameraShowsTheCaptionAtItsMagnification)
{
    std::string error;
    ASSERT_TRUE(headless::Context_Create(64, 64, &error)) << error;
    // Straight on at one pixel a unit the caption's texels fall on pixel centres: its stems are
    // FreeType's own.
    const View one{1, 0, 0, 0};
    const Image at_one = legibility::Batch_Render(legibility::Subject::LABEL, one);
    ASSERT_FALSE(at_one.luma.empty());
    EXPECT_NEAR(legibility::Edge_Width(at_one), legibility::Edge_Width(legibility::FreeType_Render(one)), 0.02);
    // Twice and four times as near, the ink is twice and four times as wide.
    const int width = Ink_Width(at_one);
    for (double m : {2.0, 4.0}) {
        const int wider = Ink_Width(legibility::Batch_Render(legibility::Subject::LABEL, View{m, 0, 0, 0}));
        EXPECT_NEAR(wider, width * m, m) << m;
    }
    // Turned, it narrows as the cosine has it, the near end a little wider.
    const int turned = Ink_Width(legibility::Batch_Render(legibility::Subject::LABEL, View{1, 60, 0, 0}));
    EXPECT_NEAR(turned, width * 0.5, 3);
    // A supersampled picture is the same picture, only smoother.
    EXPECT_GT(legibility::Ssim(at_one, legibility::Batch_Render(legibility::Subject::LABEL, one, 4)), 0.9);
    headless::Context_Destroy();
}
