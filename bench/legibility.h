// Legibility of captions in a 3-D view: a caption drawn through VR_Batches under a perspective
// camera, measured against FreeType rendering the same text at the size it has on screen and
// against the batch's own picture supersampled. Each measurement needs a current GL context (2.1
// compatibility or later, with framebuffer objects) and can be called from a test as well as from
// the table of `vrtools_bench --legibility`.
#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace legibility {

// How the camera sees the caption: `magnification` screen pixels per scene unit at the caption's
// plane, the caption turned by `turn_degrees` about its vertical axis, and moved by `shift_x`,
// `shift_y` screen pixels (right, up) from the place where its texels fall on pixel centres.
struct View {
    double magnification = 1.0;
    double turn_degrees = 0.0;
    double shift_x = 0.0, shift_y = 0.0;
};

// Brightness in 0..1 (the mean of red, green and blue), rows top-down.
struct Image {
    int width = 0, height = 0;
    std::vector<float> luma;
    float At(int x, int y) const { return luma[static_cast<size_t>(y) * width + x]; }
};

// What is drawn: the label, white on black, or the slider with its read-out on light grey.
enum class Subject { LABEL, SLIDER };

// The caption and font of the label, and the slider's value.
constexpr const char* LABEL_TEXT = "Press Hold";
constexpr int FONT_SIZE = 14;
constexpr const char* FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// The subject drawn through a batch of its own under `view`, `supersample` x `supersample` samples
// a pixel (box-filtered down), its text as glyph quads when `sharp`. An empty image when GL cannot
// draw it.
Image Batch_Render(Subject subject, const View& view, int supersample = 1, bool sharp = false);
// The same camera for any other renderer: `draw` is called with the projection and model-view
// matrices (column-major) that show the plane z = `plane` of a picture of `subject`'s size under
// `view`, with the target bound, cleared to `background` and depth-tested. An empty image when GL
// cannot draw into a target.
Image Camera_Render(Subject subject, const View& view, double plane, float background, int supersample,
                    const std::function<void(const float* projection, const float* model_view)>& draw);
// The label's text rendered by FreeType at the size it has on screen under `view` (no turn), with
// the view's shift, white on black, on an image as large as Batch_Render's.
Image FreeType_Render(const View& view);

// Width in pixels over which the first vertical stem from the left rises from 10 % to 90 % of its
// peak, between pixel centres, the median over the middle half of its rows; negative when no stem
// is found.
double Edge_Width(const Image& image);
// The sum of the image's brightness.
double Brightness(const Image& image);
// (largest - smallest) / mean of `render(view)`'s brightness over moves of a third of a pixel.
template <typename Render>
double Brightness_Variation(Render&& render, View view)
{
    const double moves[][2] = {{0, 0}, {1.0 / 3, 0}, {2.0 / 3, 0}};
    double low = 0, high = 0, sum = 0;
    int n = 0;
    for (const auto& m : moves) {
        view.shift_x = m[0];
        view.shift_y = m[1];
        const double b = Brightness(render(view));
        low = n ? std::min(low, b) : b;
        high = n ? std::max(high, b) : b;
        sum += b;
        ++n;
    }
    return sum > 0 ? (high - low) / (sum / n) : 0.0;
}
// Mean structural similarity of two images of one size (8 x 8 windows, every position).
double Ssim(const Image& a, const Image& b);

// Runs every measurement at 0.25x, 1x, 2x, 4x, 8x and turned 75 degrees at 1x, with the batch's
// bitmap captions (exact) and its sharp text side by side, and prints the table.
// With `png_dir`, the pictures measured are written there. 0 when it ran, 1 when GL could not draw.
int Table(std::FILE* out, const std::string& png_dir = "");

// Writes an image as a grey PNG (for looking at what was measured).
bool Png_Write(const Image& image, const std::string& path);

}  // namespace legibility
