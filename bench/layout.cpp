// The benchmark panel's layout, pointer paths and per-frame GL set-up.
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>

#include "bench.h"
#include "headless.h"

namespace bench {

const char* Scenario_Name(Scenario s)
{
    switch (s) {
    case Scenario::STEADY: return "steady";
    case Scenario::HOVER: return "hover";
    case Scenario::DRAG: return "drag";
    case Scenario::INIT: return "init";
    case Scenario::LIVE: return "live";
    }
    return "?";
}

std::vector<Row> Layout(int count)
{
    std::vector<Row> rows(static_cast<size_t>(count));
    char text[64];
    for (int i = 0; i < count; ++i) {
        Row& r = rows[static_cast<size_t>(i)];
        // The widgets place themselves in shorts: columns past that reach fold into bands above
        // and below the surface, in turn, all off screen but the first four columns.
        const int column = i / ROWS_PER_COLUMN, band = column / COLUMNS_PER_BAND;
        const int band_y = (band + 1) / 2 * BAND_H * (band % 2 == 1 ? 1 : -1);
        const int x = 20 + (column % COLUMNS_PER_BAND) * COLUMN_W;
        const int y = SURFACE_H - 30 - ROW_H - (i % ROWS_PER_COLUMN) * ROW_PITCH + band_y;
        r.label = Box{x, y, 110, ROW_H};
        r.button = Box{x + 115, y, 100, ROW_H};
        r.slider = Box{x + 225, y, 235, ROW_H};
        std::snprintf(text, sizeof(text), "Channel %d", i + 1);
        r.label_text = text;
        std::snprintf(text, sizeof(text), "Mute %d", i + 1);
        r.button_text = text;
        std::snprintf(text, sizeof(text), "Gain %d", i + 1);
        r.slider_text = text;
        // Spread over the range, none at an end, with two decimals that differ from row to row.
        r.value = VALUE_MIN + (VALUE_MAX - VALUE_MIN) * static_cast<float>((i * 37) % 97 + 1) / 99.0f;
    }
    return rows;
}

int Panel_Width(int count)
{
    const int columns = (count + ROWS_PER_COLUMN - 1) / ROWS_PER_COLUMN;
    return 20 + columns * COLUMN_W;
}

std::vector<Box> Hover_Targets(const std::vector<Row>& rows)
{
    std::vector<Box> path;
    path.reserve(rows.size() * 2);
    for (const Row& r : rows) {
        path.push_back(r.button);
        path.push_back(r.slider);
    }
    return path;
}

std::vector<float> Drag_Path(const Row& row)
{
    // Three units a step is about thirteen table positions on this slider: the two-decimal
    // read-out changes at every step. The ends are not repeated, so neither is any text.
    const int left = row.slider.x + BEVEL + 12;
    const int right = row.slider.x + row.slider.w - BEVEL - 12;
    std::vector<float> path;
    for (int x = left; x <= right; x += 3)
        path.push_back(static_cast<float>(x) + 0.5f);
    for (size_t i = path.size() - 1; i-- > 1;)
        path.push_back(path[i]);
    return path;
}

void Live_Choose(std::vector<Row>& rows, int percent)
{
    const long p = std::max(0, std::min(100, percent));
    for (size_t i = 0; i < rows.size(); ++i) {
        const long k = static_cast<long>(i);
        rows[i].live = (k + 1) * p / 100 > k * p / 100;
    }
}

float Live_Value(int row, int step)
{
    // Consecutive steps of a row lie 4999/9973 of the range apart: about fifty units, never a
    // text repeated from the step before; rows start at unrelated places.
    constexpr long Period = 9973;
    const long k = (static_cast<long>(row) * 7919 + static_cast<long>(step) * 104729) % Period;
    return VALUE_MIN + (VALUE_MAX - VALUE_MIN) * static_cast<float>(k) / static_cast<float>(Period - 1);
}

void Frame_Begin()
{
    glClearColor(0.18f, 0.2f, 0.24f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    headless::Projection_Pixels(SURFACE_W, SURFACE_H);
    headless::Light_Default();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

}  // namespace bench
