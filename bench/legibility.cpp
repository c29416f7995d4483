// Legibility measurements: the batch's caption under a perspective camera against FreeType at the
// on-screen size and against its own supersampled picture.
//
// [SECTION] Camera and off-screen drawing
// [SECTION] The subjects
// [SECTION] FreeType at the on-screen size
// [SECTION] Measures
// [SECTION] Table
#include "legibility.h"

#include <GL/glew.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "headless.h"
#include <vrtools/batch.h>

namespace legibility {

namespace {

// [SECTION] Camera and off-screen drawing

constexpr double Pi = 3.14159265358979323846;
// The camera of a 1080-pixel-high view with a vertical field of 30 degrees; each picture is the
// part of that view around the subject, so that the perspective is that of a whole screen.
constexpr double Field_Of_View = 30.0;
constexpr double View_Height = 1080.0;

struct Matrix {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // column-major
    Matrix operator*(const Matrix& b) const
    {
        Matrix r;
        for (int c = 0; c < 4; ++c)
            for (int row = 0; row < 4; ++row) {
                double s = 0;
                for (int k = 0; k < 4; ++k)
                    s += m[k * 4 + row] * b.m[c * 4 + k];
                r.m[c * 4 + row] = s;
            }
        return r;
    }
    void To(float out[16]) const
    {
        for (int i = 0; i < 16; ++i)
            out[i] = static_cast<float>(m[i]);
    }
};

Matrix Translation(double x, double y, double z)
{
    Matrix t;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

Matrix Turn_Y(double degrees)
{
    Matrix r;
    const double a = degrees * Pi / 180.0;
    r.m[0] = std::cos(a);
    r.m[2] = -std::sin(a);
    r.m[8] = std::sin(a);
    r.m[10] = std::cos(a);
    return r;
}

// The part `width` x `height` pixels about the centre of the view.
Matrix Perspective(int width, int height, double near, double far)
{
    const double f = View_Height / std::tan(Field_Of_View * Pi / 360.0);
    Matrix p;
    p.m[0] = f / width;
    p.m[5] = f / height;
    p.m[10] = (far + near) / (near - far);
    p.m[11] = -1.0;
    p.m[14] = 2.0 * far * near / (near - far);
    p.m[15] = 0.0;
    return p;
}

// An RGBA8 colour buffer with depth, drawn into and read back.
class Target {
public:
    Target(int width, int height, float background) : width_(width), height_(height)
    {
        glGenFramebuffers(1, &frame_);
        glGenRenderbuffers(2, buffers_);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers_[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers_[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        glBindFramebuffer(GL_FRAMEBUFFER, frame_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers_[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers_[1]);
        ok_ = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        glViewport(0, 0, width, height);
        glClearColor(background, background, background, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
    ~Target()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(2, buffers_);
        glDeleteFramebuffers(1, &frame_);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    bool Ok() const { return ok_; }

    // The picture, `k` x `k` pixels averaged into one.
    Image Read(int k) const
    {
        std::vector<unsigned char> rgba(static_cast<size_t>(width_) * height_ * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        Image image;
        image.width = width_ / k;
        image.height = height_ / k;
        image.luma.assign(static_cast<size_t>(image.width) * image.height, 0.0f);
        for (int y = 0; y < image.height * k; ++y)
            for (int x = 0; x < image.width * k; ++x) {
                const unsigned char* p = &rgba[(static_cast<size_t>(height_ - 1 - y) * width_ + x) * 4];
                image.luma[static_cast<size_t>(y / k) * image.width + x / k] += (p[0] + p[1] + p[2]) / 765.0f;
            }
        for (float& v : image.luma)
            v /= static_cast<float>(k * k);
        return image;
    }

private:
    int width_, height_;
    GLuint frame_ = 0, buffers_[2] = {0, 0};
    bool ok_ = false;
};

// [SECTION] The subjects

HWND const Window = reinterpret_cast<HWND>(0x1);

// Scene units of the subjects: even sizes about a centre of whole units, so that at whole
// magnifications the caption's texels fall on pixel centres.
constexpr int Label_W = 120, Label_H = 24;
constexpr int Slider_W = 236, Slider_H = 24;
constexpr double Label_Z = 1.5, Readout_Z = 1.0;  // planes of the label's caption and the read-out

// The picture's size in pixels at magnification `m`: the subject and a margin.
void Picture_Size(Subject s, double m, int& w, int& h)
{
    const int units_w = s == Subject::LABEL ? Label_W : Slider_W;
    const int units_h = s == Subject::LABEL ? Label_H : Slider_H + 24;  // the read-out hangs below
    w = 2 * static_cast<int>(std::ceil((units_w * m + 24) / 2));
    h = 2 * static_cast<int>(std::ceil((units_h * m + 24) / 2));
}

void Place(VR_Tools& w, const char* name, int width, int height)
{
    w.Name = name;
    w.X = static_cast<short>(-width / 2);
    w.Y = static_cast<short>(-height / 2);
    w.Width = static_cast<short>(width);
    w.Height = static_cast<short>(height);
    w.Bevel = 3;
    w.Font_Name = "DejaVu Sans";
    w.Font_Size = FONT_SIZE;
}

}  // namespace

Image Batch_Render(Subject subject, const View& view, int supersample, bool sharp)
{
    VR_Labels label;
    VR_Valuators slider;
    VR_Batches batch;
    double plane = Label_Z;
    if (subject == Subject::LABEL) {
        Place(label, LABEL_TEXT, Label_W, Label_H);
        label.Color_Set(0xFFFFFFu);
        label.Init(Window);
        batch.Add(label);
    } else {
        Place(slider, "Gain", Slider_W, Slider_H);
        slider.Value_Min = 0.0f;
        slider.Value_Max = 100.0f;
        slider.Value = 42.42f;
        slider.Format = "%.2f";
        slider.Init(Window);
        batch.Add(slider);
        plane = Readout_Z;
    }
    batch.Sharp_Text_Set(sharp);
    if (!batch.Init())
        return {};
    const headless::Light& light = headless::Light_Values();
    // The read-out is black and hangs below the slider: it needs a light ground to be seen.
    Image image = Camera_Render(
        subject, view, plane, subject == Subject::LABEL ? 0.0f : 0.85f, supersample,
        [&](const float* p, const float* mv) { batch.Draw(p, mv, light.direction, light.color, light.ambient); });
    batch.Clear();
    return image;
}

Image Camera_Render(Subject subject, const View& view, double plane, float background, int supersample,
                    const std::function<void(const float* projection, const float* model_view)>& draw)
{
    int w = 0, h = 0;
    Picture_Size(subject, view.magnification, w, h);
    const int k = std::max(1, supersample);
    Target target(w * k, h * k, background);
    if (!target.Ok())
        return {};
    // The eye stands where the caption's plane shows `magnification` pixels a unit.
    const double distance = View_Height / 2.0 / (view.magnification * std::tan(Field_Of_View * Pi / 360.0));
    const Matrix projection = Perspective(w, h, distance / 4, distance * 4);
    const Matrix model_view = Translation(0, 0, -distance) * Turn_Y(view.turn_degrees) *
                              Translation(view.shift_x / view.magnification, view.shift_y / view.magnification, -plane);
    float p[16], mv[16];
    projection.To(p);
    model_view.To(mv);
    draw(p, mv);
    return target.Read(k);
}

// [SECTION] FreeType at the on-screen size

Image FreeType_Render(const View& view)
{
    Image image;
    Picture_Size(Subject::LABEL, view.magnification, image.width, image.height);
    image.luma.assign(static_cast<size_t>(image.width) * image.height, 0.0f);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return image;
    if (FT_New_Face(library, FONT_FILE, 0, &face) == 0 &&
        FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(FONT_SIZE * view.magnification * 64)), 72, 72) ==
            0) {
        // The measures look at the ink wherever it is: the text is centred in the picture.
        const std::string text = LABEL_TEXT;
        long width = 0;
        for (char c : text)
            if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_DEFAULT) == 0)
                width += face->glyph->advance.x;
        const double origin_x = image.width / 2.0 - width / 128.0 + view.shift_x;
        const double baseline = image.height / 2.0 + face->size->metrics.ascender / 128.0 - view.shift_y;
        long pen = 0;
        for (char c : text) {
            if (FT_Load_Char(face, static_cast<FT_ULong>(c), FT_LOAD_DEFAULT) != 0)
                continue;
            const double x = origin_x + std::round(pen / 64.0);
            const long ix = static_cast<long>(std::floor(x)), iy = static_cast<long>(std::floor(baseline));
            // The fraction of a pixel goes into the outline, so that the ink moves by it.
            FT_Outline_Translate(&face->glyph->outline, std::lround((x - ix) * 64), -std::lround((baseline - iy) * 64));
            pen += face->glyph->advance.x;
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
                continue;
            const FT_Bitmap& b = face->glyph->bitmap;
            for (unsigned r = 0; r < b.rows; ++r)
                for (unsigned col = 0; col < b.width; ++col) {
                    const long px = ix + face->glyph->bitmap_left + static_cast<long>(col);
                    const long py = iy - face->glyph->bitmap_top + static_cast<long>(r);
                    if (px < 0 || py < 0 || px >= image.width || py >= image.height)
                        continue;
                    float& to = image.luma[static_cast<size_t>(py) * image.width + px];
                    const float a = b.buffer[static_cast<long>(r) * b.pitch + col] / 255.0f;
                    to = to + a - to * a;  // white drawn over what is there, as a blended draw does
                }
        }
    }
    if (face)
        FT_Done_Face(face);
    FT_Done_FreeType(library);
    return image;
}

// [SECTION] Measures

double Edge_Width(const Image& image)
{
    if (image.luma.empty())
        return -1;
    const float peak = *std::max_element(image.luma.begin(), image.luma.end());
    if (peak <= 0.0f)
        return -1;
    // The ink's box, then the first column of ink from the left and the rows of its stem.
    int left = image.width, top = image.height, bottom = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) >= 0.5f * peak) {
                left = std::min(left, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (bottom < 0)
        return -1;
    std::vector<int> stem_rows;
    for (int y = top; y <= bottom; ++y)
        if (image.At(left, y) >= 0.5f * peak || (left + 1 < image.width && image.At(left + 1, y) >= 0.5f * peak))
            stem_rows.push_back(y);
    if (stem_rows.size() < 2)
        return -1;
    std::vector<double> widths;
    const size_t quarter = stem_rows.size() / 4;
    for (size_t i = quarter; i < stem_rows.size() - quarter; ++i) {
        const int y = stem_rows[i];
        // The rise into the stem: from the first pixel over half the peak up to the row's top.
        int x = std::max(0, left - 1);
        while (x < image.width && image.At(x, y) < 0.5f * peak)
            ++x;
        while (x + 1 < image.width && image.At(x + 1, y) > image.At(x, y))
            ++x;
        const float top_value = image.At(x, y);
        auto crossing = [&](float level) -> double {
            int c = x;
            while (c > 0 && image.At(c - 1, y) >= level)
                --c;
            if (c == 0)
                return static_cast<double>(c);
            const float a = image.At(c - 1, y), b = image.At(c, y);
            return c - 1 + (level - a) / std::max(1e-6f, b - a);
        };
        widths.push_back(crossing(0.9f * top_value) - crossing(0.1f * top_value));
    }
    std::sort(widths.begin(), widths.end());
    return widths[widths.size() / 2];
}

double Brightness(const Image& image)
{
    double sum = 0;
    for (float v : image.luma)
        sum += v;
    return sum;
}

double Ssim(const Image& a, const Image& b)
{
    constexpr int N = 11;
    if (a.width != b.width || a.height != b.height || a.width < N || a.height < N)
        return 0.0;
    constexpr double C1 = 0.01 * 0.01, C2 = 0.03 * 0.03;
    double weight[N][N], wsum = 0;
    for (int j = 0; j < N; ++j)
        for (int i = 0; i < N; ++i) {
            const double dx = i - N / 2, dy = j - N / 2;
            weight[j][i] = std::exp(-(dx * dx + dy * dy) / (2 * 1.5 * 1.5));
            wsum += weight[j][i];
        }
    double total = 0;
    long windows = 0;
    for (int y = 0; y + N <= a.height; ++y)
        for (int x = 0; x + N <= a.width; ++x) {
            double ma = 0, mb = 0, aa = 0, bb = 0, ab = 0;
            for (int j = 0; j < N; ++j)
                for (int i = 0; i < N; ++i) {
                    const double w = weight[j][i] / wsum;
                    const double p = a.At(x + i, y + j), q = b.At(x + i, y + j);
                    ma += w * p;
                    mb += w * q;
                    aa += w * p * p;
                    bb += w * q * q;
                    ab += w * p * q;
                }
            const double va = aa - ma * ma, vb = bb - mb * mb, cov = ab - ma * mb;
            // Windows of background alone in both say nothing of the caption.
            if (ma + mb < 1e-4 && va + vb < 1e-6)
                continue;
            total += (2 * ma * mb + C1) * (2 * cov + C2) / ((ma * ma + mb * mb + C1) * (va + vb + C2));
            ++windows;
        }
    return windows ? total / windows : 1.0;
}

bool Png_Write(const Image& image, const std::string& path)
{
    std::vector<unsigned char> grey(image.luma.size());
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<unsigned char>(std::lround(std::clamp(image.luma[i], 0.0f, 1.0f) * 255.0f));
    return stbi_write_png(path.c_str(), image.width, image.height, 1, grey.data(), image.width) != 0;
}

// [SECTION] Table

int Table(std::FILE* out, const std::string& png_dir)
{
    const Image probe = Batch_Render(Subject::LABEL, View{});
    if (probe.luma.empty())
        return 1;
    std::fprintf(out,
                 "legibility: \"%s\" (DejaVu Sans %d px) drawn through VR_Batches under a perspective camera "
                 "(%.0f degrees), against FreeType rendering the text at its size on screen\n\n",
                 LABEL_TEXT, FONT_SIZE, Field_Of_View);
    std::fprintf(out, "| view | edge width px (10-90 %%): exact | sharp | FreeType at that size | brightness "
                      "variation over 1/3-px moves: exact | sharp | FreeType | SSIM with 8x supersampled: label "
                      "exact | sharp | slider and read-out exact | sharp |\n");
    std::fprintf(out, "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    struct Row {
        const char* name;
        const char* file;
        View view;
        bool edges, variation, ssim;
    };
    const Row rows[] = {
        {"0.25x", "0.25x", View{0.25, 0, 0, 0}, false, true, true},
        {"1x", "1x", View{1, 0, 0, 0}, true, true, true},
        {"2x", "2x", View{2, 0, 0, 0}, true, false, false},
        {"4x", "4x", View{4, 0, 0, 0}, true, false, false},
        {"8x", "8x", View{8, 0, 0, 0}, true, false, false},
        {"1x turned 75°", "1x-turned-75", View{1, 75, 0, 0}, false, false, true},
    };
    auto cell = [](bool shown, double v, const char* format) {
        char text[32] = "";
        if (shown)
            std::snprintf(text, sizeof(text), format, v);
        return std::string(text);
    };
    for (const Row& r : rows) {
        // [0] the bitmap captions, [1] sharp text.
        double edge[2] = {}, edge_ft = 0, var[2] = {}, var_ft = 0, ssim_label[2] = {}, ssim_slider[2] = {};
        if (r.edges)
            edge_ft = Edge_Width(FreeType_Render(r.view));
        if (r.variation)
            var_ft = Brightness_Variation([](const View& v) { return FreeType_Render(v); }, r.view);
        for (int sharp = 0; sharp < 2; ++sharp) {
            const bool on = sharp != 0;
            const std::string stem = png_dir + "/" + r.file + (on ? "-sharp-" : "-");
            if (r.edges)
                edge[sharp] = Edge_Width(Batch_Render(Subject::LABEL, r.view, 1, on));
            if (r.variation)
                var[sharp] = Brightness_Variation(
                    [on](const View& v) { return Batch_Render(Subject::LABEL, v, 1, on); }, r.view);
            if (r.ssim) {
                const Image label = Batch_Render(Subject::LABEL, r.view, 1, on);
                const Image label_8 = Batch_Render(Subject::LABEL, r.view, 8, on);
                const Image slider = Batch_Render(Subject::SLIDER, r.view, 1, on);
                const Image slider_8 = Batch_Render(Subject::SLIDER, r.view, 8, on);
                ssim_label[sharp] = Ssim(label, label_8);
                ssim_slider[sharp] = Ssim(slider, slider_8);
                if (!png_dir.empty()) {
                    Png_Write(label_8, stem + "label-8x-supersampled.png");
                    Png_Write(slider, stem + "slider.png");
                    Png_Write(slider_8, stem + "slider-8x-supersampled.png");
                }
            }
            if (!png_dir.empty())
                Png_Write(Batch_Render(Subject::LABEL, r.view, 1, on), stem + "label.png");
        }
        if (!png_dir.empty() && r.view.turn_degrees == 0)
            Png_Write(FreeType_Render(r.view), png_dir + "/" + r.file + "-label-freetype.png");
        const auto pair = [&](bool shown, const double v[2], const char* format, double k) {
            return cell(shown, k * v[0], format) + " | " + cell(shown, k * v[1], format);
        };
        std::fprintf(out, "| %s | %s | %s | %s | %s | %s | %s |\n", r.name, pair(r.edges, edge, "%.2f", 1).c_str(),
                     cell(r.edges, edge_ft, "%.2f").c_str(), pair(r.variation, var, "%.1f %%", 100).c_str(),
                     cell(r.variation, 100 * var_ft, "%.1f %%").c_str(), pair(r.ssim, ssim_label, "%.3f", 1).c_str(),
                     pair(r.ssim, ssim_slider, "%.3f", 1).c_str());
        std::fflush(out);
    }
    return 0;
}

}  // namespace legibility
