// The panel built from vrtools widgets, shared by its benchmark and by the raw reference.
#pragma once

#include <memory>
#include <vector>

#include "bench.h"
#include <vrtools/batch.h>
#include <vrtools/button.h>
#include <vrtools/label.h>
#include <vrtools/valuator.h>

namespace bench {

struct Vrtools_Panel {
    const std::vector<Row>* rows = nullptr;
    std::unique_ptr<VR_Labels[]> labels;
    std::unique_ptr<VR_Buttons[]> buttons;
    std::unique_ptr<VR_Valuators[]> sliders;
    std::vector<Box> hover_path;
    std::vector<float> drag_path;
    int count = 0;
    // Set: the widgets are drawn through this batch, made anew by every Init, instead of one by one.
    bool batched = false;
    // With `batched`: the batch draws its text as glyph quads (Sharp_Text_Set).
    bool sharp = false;
    std::unique_ptr<VR_Batches> batch;
    double batch_init_us = -1.0;  // CPU time of the batch's Init in the last Init

    // The host's data: the rows (kept by address) and the pointer paths.
    void Setup(const std::vector<Row>& layout);
    // Constructs and initialises every widget (captions rendered, meshes uploaded), and when batched
    // the batch that draws them.
    void Init();
    // The host's frame: pointer work for the scenario at `step`, then every Draw, row by row.
    void Frame(Scenario s, int step);
    // Puts the widgets in the state where step 0 of the scenario starts.
    void Prepare(Scenario s);
    // Every widget's Draw, row by row, or one draw of the batch.
    void Draw_All();
    // The button or slider that hover target `k` points at.
    bool Hover_Is_Button(int k) const { return (k % 2) == 0; }
    int Hover_Row(int k) const { return k / 2; }
    void Release();
};

}  // namespace bench
