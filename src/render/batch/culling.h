// Which widgets a view can show: a widget's box against the clip volume, and the straight view down
// the z axis in which the walls of the widgets' meshes cover no pixel. Pure arithmetic, no GL.
#pragma once

namespace core {

// True when window x depends on x alone, window y on y alone, and neither nor w on z
// (`mvp` column-major): a quad whose corners share one x (or one y) then covers no pixel at all,
// exactly, whatever its z.
bool View_Straight(const float mvp[16]);

// Whether any of the box lo..hi may fall inside the clip volume of `mvp`. The box is left out only
// when all its corners lie beyond one plane of the volume, so a box straddling the near plane or a
// corner of the view is kept. Across x and y the volume is widened by `reach` pixels of a viewport
// `viewport` (width, height) wide, for what is drawn beyond the box by that much (an outline band).
bool Box_May_Show(const float mvp[16], const float viewport[2], float reach, const float lo[3], const float hi[3]);

}  // namespace core
