// Descriptions of what each widget's Draw shows, for back ends other than Draw (the batch).
#pragma once

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/frame.h>
#include <vrtools/hue.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

#include "render/look.h"

namespace core {

// Each appends the widget's parts to `look`, in the order and at the places its Draw draws them.
// Each also takes the steps Draw takes on its way (a button's rebuild for a new State, a list's
// Adjust, a tab bar's marks, a slider's read-out, a progress bar's next phase), so that a frame drawn
// from descriptions equals one drawn by Draw. A hidden or unbuilt widget adds nothing.
void Look_Describe(VR_Labels& w, Look& look);
void Look_Describe(VR_Buttons& w, Look& look);
void Look_Describe(VR_Boxs& w, Look& look);
void Look_Describe(VR_Frames& w, Look& look);
void Look_Describe(VR_Progress& w, Look& look);
void Look_Describe(VR_Valuators& w, Look& look);
void Look_Describe(VR_Selects& w, Look& look);
void Look_Describe(VR_TabItems& w, Look& look);
void Look_Describe(VR_Tabs& w, Look& look);
void Look_Describe(VR_Colors& w, Look& look);
void Look_Describe(VR_Hues& w, Look& look);

}  // namespace core
