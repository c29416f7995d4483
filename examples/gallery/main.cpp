// Gallery host: builds every registered scene in a grid and runs it in the examples' window or headless shell.
#include <GL/glew.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "gallery.h"
#include "headless.h"
#include "viewer.h"
#include <vrtools/label.h>

namespace {

constexpr int COLUMNS = 3;

std::vector<std::pair<int, Scene* (*)()>>& Makers()
{
    static std::vector<std::pair<int, Scene* (*)()>> makers;
    return makers;
}

// The grid size follows from the number of scenes, known before any GL work.
int Grid_Width() { return COLUMNS * GALLERY_CELL_W; }
int Grid_Height()
{
    const int count = static_cast<int>(Makers().size());
    return std::max(1, (count + COLUMNS - 1) / COLUMNS) * GALLERY_CELL_H;
}

class Gallery : public viewer::Program {
public:
    void Init(HWND window) override
    {
        std::stable_sort(Makers().begin(), Makers().end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        const int count = static_cast<int>(Makers().size());
        const int height = Grid_Height();
        for (int i = 0; i < count; ++i) {
            const int x = (i % COLUMNS) * GALLERY_CELL_W;
            const int y = height - (i / COLUMNS + 1) * GALLERY_CELL_H;
            scenes.emplace_back(Makers()[i].second());
            // Each cell: a title strip at its top, the scene below it.
            auto title = std::make_unique<VR_Labels>();
            title->Name = scenes.back()->Title();
            title->X = static_cast<short>(x + 10);
            title->Y = static_cast<short>(y + GALLERY_CELL_H - 30);
            title->Width = GALLERY_CELL_W - 20;
            title->Height = 26;
            title->Font_Name = GALLERY_FONT;
            title->Font_Style = "Bold";
            title->Font_Size = 16;
            title->Color_Set(0xF0F0F0u);
            title->Init(window);
            titles.push_back(std::move(title));
            scenes.back()->Init(window, x + 10, y + 10, GALLERY_CELL_W - 20, GALLERY_CELL_H - 45);
        }
    }

    void Frame(int width, int height) override
    {
        // The whole grid fills the framebuffer, one scene unit per pixel at the grid's own size.
        headless::Projection_Pixels(width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, Grid_Width(), 0.0, Grid_Height(), -1000.0, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        headless::Light_Default();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glClearColor(0.16f, 0.18f, 0.22f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (auto& t : titles)
            t->Draw();
        for (auto& s : scenes)
            s->Draw();
    }

    // Scenes know the left button only.
    void Pointer(int buttons, float x, float y) override
    {
        for (auto& s : scenes)
            s->Pointer(buttons & 1, x, y);
    }

    void Press(int button, float x, float y) override
    {
        if (button == 0)
            for (auto& s : scenes)
                s->Press(x, y);
    }

    void Release(int button, float, float) override
    {
        if (button == 0)
            for (auto& s : scenes)
                s->Release();
    }

    void Wheel(float x, float y, float amount) override
    {
        for (auto& s : scenes)
            s->Wheel(x, y, amount);
    }

private:
    std::vector<std::unique_ptr<Scene>> scenes;
    std::vector<std::unique_ptr<VR_Labels>> titles;
};

}  // namespace

int Scene_Register(int order, Scene* (*make)())
{
    Makers().emplace_back(order, make);
    return static_cast<int>(Makers().size());
}

int main(int argc, char** argv)
{
    viewer::Options options;
    options.name = "gallery";
    options.width = Grid_Width();
    options.height = Grid_Height();
    // A few frames, so that animated widgets show a moved state.
    options.frames = 3;
    return viewer::Main(argc, argv, options, []() -> viewer::Program* { return new Gallery; });
}
