// The gallery's grid of scenes: registration, layout, drawing (widget by widget or batched), and pointer
// input through one dispatcher.
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "gallery.h"
#include "headless.h"

namespace {

constexpr int COLUMNS = 3;

std::vector<std::pair<int, Scene* (*)()>>& Makers()
{
    static std::vector<std::pair<int, Scene* (*)()>> makers;
    return makers;
}

}  // namespace

int Scene_Register(int order, Scene* (*make)())
{
    Makers().emplace_back(order, make);
    return static_cast<int>(Makers().size());
}

void Gallery_Size(int* width, int* height)
{
    const int count = static_cast<int>(Makers().size());
    *width = COLUMNS * GALLERY_CELL_W;
    *height = std::max(1, (count + COLUMNS - 1) / COLUMNS) * GALLERY_CELL_H;
}

void Scene_Widgets::Backdrop(int x0, int y0, int x1, int y1, unsigned int colour)
{
    backdrops.push_back({x0, y0, x1, y1, colour});
}

void Scene_Widgets::Backdrops_Fill(int grid_w, int grid_h) const
{
    // NOTE: a scissored clear paints the same pixels as a quad on whole units and needs neither the
    // fixed-function pipeline nor a shader, so it serves every context. The scissor box is in
    // window pixels: scale from the grid to the viewport.
    GLint v[4] = {0, 0, grid_w, grid_h};
    glGetIntegerv(GL_VIEWPORT, v);
    const auto x = [&](int units) { return v[0] + units * v[2] / grid_w; };
    const auto y = [&](int units) { return v[1] + units * v[3] / grid_h; };
    glEnable(GL_SCISSOR_TEST);
    for (const Rectangle& r : backdrops) {
        glScissor(x(r.x0), y(r.y0), x(r.x1) - x(r.x0), y(r.y1) - y(r.y0));
        glClearColor((r.colour & 0xFF) / 255.0f, ((r.colour >> 8) & 0xFF) / 255.0f, ((r.colour >> 16) & 0xFF) / 255.0f,
                     1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

void Scene_Widgets::Draw() const
{
    for (const Entry& e : entries)
        e.draw(e.widget);
}

void Scene_Widgets::Batch_Add(VR_Batches& batch) const
{
    for (const Entry& e : entries)
        e.batch(e.widget, batch);
}

bool Gallery::Init(HWND window, bool batched, bool sharp)
{
    std::stable_sort(Makers().begin(), Makers().end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    Gallery_Size(&width, &height);
    const int count = static_cast<int>(Makers().size());
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
        shown.Add(*title);
        titles.push_back(std::move(title));
        scenes.back()->Init(window, x + 10, y + 10, GALLERY_CELL_W - 20, GALLERY_CELL_H - 45);
        scenes.back()->Shown_Add(shown);
        first.push_back(input.Count());
        scenes.back()->Widgets_Add(input);
    }
    first.push_back(input.Count());
    if (!batched)
        return true;
    batch = std::make_unique<VR_Batches>();
    shown.Batch_Add(*batch);
    batch->Sharp_Text_Set(sharp);
    if (batch->Init() == 1)
        return true;
    batch.reset();
    return false;
}

void Gallery::Draw()
{
    glClearColor(0.16f, 0.18f, 0.22f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    shown.Backdrops_Fill(width, height);
    if (!batch) {
        shown.Draw();
    } else if (headless::Context_Profile() == headless::Profile::COMPAT) {
        batch->Draw();
    } else {
        float projection[16];
        headless::Matrix_Pixels(width, height, projection);
        static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        const headless::Light& light = headless::Light_Values();
        batch->Draw(projection, identity, light.direction, light.color, light.ambient);
    }
}

int Gallery::Notify(int changes)
{
    for (int i = 0; i < changes; ++i) {
        const VR_Changes& c = input.Change(i);
        for (int w = 0; w < input.Count(); ++w)
            if (input.Widget(w) == c.Widget) {
                // The scene whose range holds the widget.
                const auto s = std::upper_bound(first.begin(), first.end(), w) - first.begin() - 1;
                scenes[static_cast<std::size_t>(s)]->Changed(c);
                reached[w] = c;
                break;
            }
    }
    return changes;
}

int Gallery::Move(float x, float y)
{
    return Notify(input.Move(x, y));
}
int Gallery::Press(float x, float y)
{
    return Notify(input.Press(x, y));
}
int Gallery::Release(float x, float y)
{
    return Notify(input.Release(x, y));
}
int Gallery::Wheel(float x, float y, float amount)
{
    return Notify(input.Wheel(x, y, amount));
}
int Gallery::Focus_Move(float dx, float dy)
{
    return Notify(input.Focus_Move(dx, dy));
}
int Gallery::Focus_Next(int step)
{
    return Notify(input.Focus_Next(step));
}
int Gallery::Activate(bool down)
{
    return Notify(input.Activate(down));
}
int Gallery::Step(int n)
{
    return Notify(input.Step(n));
}
int Gallery::Poke(int finger, float x, float y, float z)
{
    return Notify(input.Poke(finger, x, y, z));
}

std::string Gallery::Name_Of(int w) const
{
    const auto s = std::upper_bound(first.begin(), first.end(), w) - first.begin() - 1;
    return std::string(scenes[static_cast<std::size_t>(s)]->Title()) + "/" +
           std::to_string(w - first[static_cast<std::size_t>(s)]);
}

std::string Gallery::State() const
{
    std::string out;
    char value[64];
    for (const auto& [w, c] : reached) {
        std::snprintf(value, sizeof value, " %d %.9g\n", c.Kind, c.Value);
        out += Name_Of(w) + value;
    }
    int focused = -1;
    for (int w = 0; w < input.Count(); ++w)
        if (input.Widget(w) == input.Focused())
            focused = w;
    if (focused < 0)
        return out + "focus none\n";
    const VR_Tools& w = *input.Focused();
    std::snprintf(value, sizeof value, " %d %d %d %d %d\n", w.X, w.Y, w.Width, w.Height, w.Bevel);
    return out + "focus " + Name_Of(focused) + "." + std::to_string(input.Focused_Part()) + value;
}

std::vector<VR_Tools*> Gallery::Widgets(const char* title) const
{
    std::vector<VR_Tools*> out;
    for (std::size_t s = 0; s < scenes.size(); ++s)
        if (std::strcmp(scenes[s]->Title(), title) == 0)
            for (int w = first[s]; w < first[s + 1]; ++w)
                out.push_back(input.Widget(w));
    return out;
}
