// The peer: the same panel drawn by Dear ImGui with its OpenGL2 backend, or in a core-profile context
// with its OpenGL3 backend.
#include <GL/glew.h>
#include <imgui.h>
#include <imgui_freetype.h>
#include <imgui_impl_opengl2.h>
#include <imgui_impl_opengl3.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <string>
#include <vector>

#include "bench.h"

namespace bench {

namespace {

constexpr float SLIDER_FRAME_W = 160.0f;  // the slider's label goes to the right of its frame

// ImGui sizes a font by its full height (ascender to descender); the widgets by the em. The same
// glyphs therefore need FONT_SIZE x (ascender - descender) / em.
float Imgui_Font_Size()
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    float size = static_cast<float>(FONT_SIZE);
    if (FT_Init_FreeType(&library) == 0) {
        if (FT_New_Face(library, FONT_FILE, 0, &face) == 0) {
            size = static_cast<float>(FONT_SIZE) * static_cast<float>(face->ascender - face->descender) /
                   static_cast<float>(face->units_per_EM);
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    return size;
}

class Imgui final : public Panel {
public:
    explicit Imgui(bool core) : core_(core) {}
    const char* Name() const override { return "imgui"; }

    void Setup(const std::vector<Row>& rows) override
    {
        rows_ = &rows;
        font_size_ = Imgui_Font_Size();
        columns_ = (static_cast<int>(rows.size()) + ROWS_PER_COLUMN - 1) / ROWS_PER_COLUMN;
        window_names_.clear();
        for (int c = 0; c < columns_; ++c)
            window_names_.push_back("##column" + std::to_string(c));
        values_.clear();
        for (const Row& r : rows)
            values_.push_back(r.value);
        if (!rows.empty())
            drag_path_ = Drag_Path(rows[0]);
        hover_path_ = Hover_Targets(rows);
    }

    void Build(Scenario s) override
    {
        const std::vector<Row>& rows = *rows_;
        context_ = ImGui::CreateContext();
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.LogFilename = nullptr;
        // The whole panel is on the display, so that ImGui submits every row as the others do.
        io.DisplaySize =
            ImVec2(static_cast<float>(Panel_Width(static_cast<int>(rows.size()))), static_cast<float>(SURFACE_H));
        io.DeltaTime = 1.0f / 60.0f;
        // FreeType rasterises the atlas, as it rasterises the widgets' captions.
        io.Fonts->FontBuilderIO = ImGuiFreeType::GetBuilderForFreeType();
        io.Fonts->AddFontFromFileTTF(FONT_FILE, font_size_);
        if (core_)
            ImGui_ImplOpenGL3_Init("#version 330 core");
        else
            ImGui_ImplOpenGL2_Init();
        if (s == Scenario::INIT)
            return;
        // Atlas, font texture and windows exist after one frame; a second one is steady.
        Frame_Mouse(-FLT_MAX, -FLT_MAX, false);
        Frame_Mouse(-FLT_MAX, -FLT_MAX, false);
        if (s == Scenario::DRAG && !rows.empty()) {
            const Row& r = rows[0];
            const float y = static_cast<float>(SURFACE_H) - r.slider.Centre_Y();
            Frame_Mouse(Drag_X(r, static_cast<float>(r.slider.x + BEVEL + 4)), y, false);
            Frame_Mouse(Drag_X(r, static_cast<float>(r.slider.x + BEVEL + 4)), y, true);
        }
    }

    void Frame(Scenario s, int step) override
    {
        switch (s) {
        case Scenario::HOVER: {
            const Box& b = hover_path_[static_cast<size_t>(step) % hover_path_.size()];
            Frame_Mouse(b.Centre_X(), static_cast<float>(SURFACE_H) - b.Centre_Y(), false);
            break;
        }
        case Scenario::DRAG: {
            const Row& r = (*rows_)[0];
            const float x = drag_path_[static_cast<size_t>(step) % drag_path_.size()];
            Frame_Mouse(Drag_X(r, x), static_cast<float>(SURFACE_H) - r.slider.Centre_Y(), true);
            break;
        }
        case Scenario::LIVE: {
            const std::vector<Row>& rows = *rows_;
            for (size_t i = 0; i < rows.size(); ++i)
                if (rows[i].live)
                    values_[i] = Live_Value(static_cast<int>(i), step);
            Frame_Mouse(-FLT_MAX, -FLT_MAX, false);
            break;
        }
        default: Frame_Mouse(-FLT_MAX, -FLT_MAX, false); break;
        }
    }

    void Destroy() override
    {
        if (!context_)
            return;
        if (core_)
            ImGui_ImplOpenGL3_Shutdown();
        else
            ImGui_ImplOpenGL2_Shutdown();
        ImGui::DestroyContext(context_);
        context_ = nullptr;
    }

private:
    // The pointer's x on the slider of row `r` in ImGui's frame, at the place along the travel that
    // `x` has on the widgets' slider.
    static float Drag_X(const Row& r, float x)
    {
        const float left = static_cast<float>(r.slider.x + BEVEL + 12);
        const float right = static_cast<float>(r.slider.x + r.slider.w - BEVEL - 12);
        const float f = (x - left) / (right - left);
        return static_cast<float>(r.slider.x) + 4.0f + f * (SLIDER_FRAME_W - 8.0f);
    }

    void Frame_Mouse(float x, float y, bool down)
    {
        if (core_)
            ImGui_ImplOpenGL3_NewFrame();
        else
            ImGui_ImplOpenGL2_NewFrame();
        ImGuiIO& io = ImGui::GetIO();
        io.MousePos = ImVec2(x, y);
        io.MouseDown[0] = down;
        ImGui::NewFrame();
        const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                                       ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBackground |
                                       ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoFocusOnAppearing |
                                       ImGuiWindowFlags_NoScrollWithMouse | ImGuiWindowFlags_NoNav;
        const std::vector<Row>& rows = *rows_;
        const float h = static_cast<float>(SURFACE_H);
        for (int c = 0; c < columns_; ++c) {
            ImGui::SetNextWindowPos(ImVec2(static_cast<float>(10 + c * COLUMN_W), 0.0f));
            // ImGui's columns stay side by side (its floats reach that far), not folded into bands
            // as the widgets' are: the display and its windows' clipping would leave those out.
            const Row& first = rows[static_cast<size_t>(c * ROWS_PER_COLUMN)];
            const float dx = static_cast<float>(20 + c * COLUMN_W - first.label.x);
            const float dy = static_cast<float>(SURFACE_H - 30 - ROW_H - first.label.y);
            ImGui::SetNextWindowSize(ImVec2(static_cast<float>(COLUMN_W), h));
            ImGui::Begin(window_names_[static_cast<size_t>(c)].c_str(), nullptr, flags);
            const size_t end = std::min(rows.size(), static_cast<size_t>((c + 1) * ROWS_PER_COLUMN));
            for (size_t i = static_cast<size_t>(c * ROWS_PER_COLUMN); i < end; ++i) {
                const Row& r = rows[i];
                ImGui::SetCursorScreenPos(ImVec2(static_cast<float>(r.label.x + BEVEL) + dx,
                                                 h - static_cast<float>(r.label.y + r.label.h - BEVEL) - dy));
                ImGui::TextUnformatted(r.label_text.c_str());
                ImGui::SetCursorScreenPos(
                    ImVec2(static_cast<float>(r.button.x) + dx, h - static_cast<float>(r.button.y + r.button.h) - dy));
                ImGui::Button(r.button_text.c_str(),
                              ImVec2(static_cast<float>(r.button.w), static_cast<float>(r.button.h)));
                ImGui::SetCursorScreenPos(
                    ImVec2(static_cast<float>(r.slider.x) + dx, h - static_cast<float>(r.slider.y + r.slider.h) - dy));
                ImGui::SetNextItemWidth(SLIDER_FRAME_W);
                ImGui::SliderFloat(r.slider_text.c_str(), &values_[i], VALUE_MIN, VALUE_MAX, READOUT_FORMAT);
            }
            ImGui::End();
        }
        ImGui::Render();
        ImDrawData* data = ImGui::GetDrawData();
        if (core_) {
            // Uploads every draw list into its buffers: counted with their bytes.
            ImGui_ImplOpenGL3_RenderDrawData(data);
            return;
        }
        // The backend hands every vertex and index to GL from client memory at each frame.
        Stream_Bytes_Add(static_cast<long>(data->TotalVtxCount) * static_cast<long>(sizeof(ImDrawVert)) +
                         static_cast<long>(data->TotalIdxCount) * static_cast<long>(sizeof(ImDrawIdx)));
        ImGui_ImplOpenGL2_RenderDrawData(data);
    }

    bool core_ = false;
    ImGuiContext* context_ = nullptr;
    const std::vector<Row>* rows_ = nullptr;
    std::vector<std::string> window_names_;
    std::vector<float> values_;
    std::vector<Box> hover_path_;
    std::vector<float> drag_path_;
    int columns_ = 0;
    float font_size_ = 0.0f;
};

}  // namespace

std::unique_ptr<Panel> Make_Imgui(bool core)
{
    return std::make_unique<Imgui>(core);
}

}  // namespace bench
