// Compares a rendered frame with its reference picture within a per-pixel tolerance, and on a
// difference writes a difference picture: unchanged pixels as a dim grey copy of the reference,
// differing ones in red, brighter the larger the difference.
// Usage: golden_compare FRAME.png REFERENCE.png DIFF.png TOLERANCE [rgb|rgba [STRAY]]
// With `rgb` the alpha channel is left out: what a window shows of the frame. STRAY pixels (default
// 0) may differ: two renderers that round a vertex differently can disagree on the odd pixel where
// faces meet at equal depth; a real fault changes far more.
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Picture {
    int width = 0, height = 0;
    unsigned char* rgba = nullptr;
    ~Picture() { stbi_image_free(rgba); }
};

bool Load(const char* path, Picture& p)
{
    int channels = 0;
    p.rgba = stbi_load(path, &p.width, &p.height, &channels, 4);
    if (!p.rgba)
        std::fprintf(stderr, "golden: cannot read %s (%s)\n", path, stbi_failure_reason());
    return p.rgba != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool mode_ok = argc < 6 || std::strcmp(argv[5], "rgb") == 0 || std::strcmp(argv[5], "rgba") == 0;
    if (argc < 5 || argc > 7 || !mode_ok) {
        std::fprintf(stderr, "usage: %s FRAME.png REFERENCE.png DIFF.png TOLERANCE [rgb|rgba [STRAY]]\n", argv[0]);
        return 2;
    }
    const int tolerance = std::atoi(argv[4]);
    const int channels = argc >= 6 && std::strcmp(argv[5], "rgb") == 0 ? 3 : 4;
    const long stray = argc == 7 ? std::atol(argv[6]) : 0;
    Picture frame, reference;
    if (!Load(argv[1], frame) || !Load(argv[2], reference))
        return 1;
    if (frame.width != reference.width || frame.height != reference.height) {
        std::fprintf(stderr, "golden: the frame is %dx%d, the reference %dx%d\n", frame.width, frame.height,
                     reference.width, reference.height);
        return 1;
    }
    const int w = frame.width, h = frame.height;
    std::vector<unsigned char> diff(static_cast<std::size_t>(w) * h * 4);
    long differing = 0;
    int largest = 0, x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 4;
            int d = 0;
            for (int c = 0; c < channels; ++c)
                d = std::max(d, std::abs(frame.rgba[i + c] - reference.rgba[i + c]));
            largest = std::max(largest, d);
            unsigned char* out = &diff[i];
            if (d > tolerance) {
                ++differing;
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
                out[0] = static_cast<unsigned char>(std::min(255, 128 + d));
                out[1] = out[2] = 0;
            } else {
                const int grey = (reference.rgba[i] + reference.rgba[i + 1] + reference.rgba[i + 2]) / 12;
                out[0] = out[1] = out[2] = static_cast<unsigned char>(grey);
            }
            out[3] = 255;
        }
    }
    if (differing <= stray) {
        std::printf("golden: %dx%d frame matches the reference (largest channel difference %d, tolerance %d)\n", w, h,
                    largest, tolerance);
        if (differing > 0)
            std::printf("golden: %ld stray pixels differ (%ld allowed)\n", differing, stray);
        return 0;
    }
    stbi_write_png(argv[3], w, h, 4, diff.data(), w * 4);
    // Rows run from the top in the pictures; the gallery's scene y runs upward.
    std::fprintf(stderr,
                 "golden: %ld pixels differ by more than %d (largest %d) in x %d..%d, y %d..%d from the top\n"
                 "golden: frame %s, difference %s\n",
                 differing, tolerance, largest, x0, x1, y0, y1, argv[1], argv[3]);
    return 1;
}
