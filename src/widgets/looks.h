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

// The GL steps a widget's Draw takes before what it shows can be described (colours changed while
// no context was current sent up, a button's mesh rebuilt for a new State), in the order its Draw
// takes them: run by that Draw and by the batch just before Look_Describe. A container's prepares
// its members in the order it describes them.
void Look_Prepare(VR_Buttons& w);
void Look_Prepare(VR_Boxs& w);
void Look_Prepare(VR_Valuators& w);
void Look_Prepare(VR_Selects& w);
void Look_Prepare(VR_TabItems& w);
void Look_Prepare(VR_Tabs& w);
void Look_Prepare(VR_Colors& w);
void Look_Prepare(VR_Hues& w);
inline void Look_Prepare(VR_Labels&)
{}
inline void Look_Prepare(VR_Frames&)
{}
inline void Look_Prepare(VR_Progress&)
{}

// Each appends the widget's parts to `look`, in the order and at the places its Draw draws them.
// Each also takes the steps Draw takes on its way (a list's Adjust, a slider's read-out, a progress
// bar's next phase), so that a frame drawn from descriptions equals one drawn by Draw. A hidden or
// unbuilt widget adds nothing. A tab bar's marks are set by its Look_Prepare.
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

// A batch that draws the widget lets go of everything only its own Draw reads (Look_Unload: its
// textures, buffer objects and, unless `keep_pixels`, bitmaps; core::Tool_Unload for what every
// widget has); the own Draw makes them again first (Look_Load) from the widget's arrays and text.
// The classes without these keep theirs while batched, but for their parked caption texture.
// Context current.
void Look_Unload(VR_Labels& w, bool keep_pixels);
void Look_Unload(VR_Buttons& w, bool keep_pixels);
void Look_Unload(VR_Boxs& w, bool keep_pixels);
void Look_Unload(VR_Frames& w, bool keep_pixels);
void Look_Unload(VR_Valuators& w, bool keep_pixels);
void Look_Unload(VR_TabItems& w, bool keep_pixels);
void Look_Load(VR_Labels& w);
void Look_Load(VR_Buttons& w);
void Look_Load(VR_Boxs& w);
void Look_Load(VR_Frames& w);
void Look_Load(VR_Valuators& w);
void Look_Load(VR_TabItems& w);

// A batch that draws a slider's read-out from its atlas lets go of the read-out texture; the
// slider's own Draw makes it again from its bitmap, as it does for a read-out a batch rendered.
// Context current.
void Readout_Park(VR_Valuators& w);

}  // namespace core
