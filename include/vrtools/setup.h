// Optional helpers for a host: GL state for lit widgets, packed colours, and the lint mode.
#pragma once

#include "tools.h"

// Packed colour of red, green and blue levels 0..255: red in bits 0..7, green in 8..15, blue in
// 16..23, the layout of VR_Tools::Color_Set, Color_Value and every colour field of the widgets.
constexpr unsigned int Packed_Color(unsigned char r, unsigned char g, unsigned char b)
{
    return static_cast<unsigned int>(r) | static_cast<unsigned int>(g) << 8 | static_cast<unsigned int>(b) << 16;
}

// Optional set-up of a compatibility-profile context for lit widgets, called with the context
// current (once, or at the start of each frame if the host changes these states): GL_NORMALIZE on
// (mesh normals reach GL with a length of about 100), GL_LIGHT0 as a white directional light from
// the viewer's upper left with an ambient of 0.25 (its direction is taken through the current
// model-view matrix: call with the identity for a light fixed to the viewer), and the depth test on with GL_LEQUAL, so that
// captions and cursors drawn at the depth of their face are not hidden by it. GL_LIGHTING itself
// stays off: each widget switches it on for its lit pass. A host with its own lights and depth
// settings does not need this.
VRTOOLS_API void VR_Tools_GL_Setup();

// The light VR_Tools_GL_Setup gives GL_LIGHT0, as values: what a core-profile or ES host passes to
// VR_Batches::Draw for the same look as the widgets' own Draw under that set-up.
struct VR_Tools_Light {
    float toward[3];   // eye space, unit length, toward the light (from the viewer's upper left)
    float color[3];    // diffuse intensity
    float ambient[3];  // scene ambient
};
VRTOOLS_API const VR_Tools_Light& VR_Tools_Default_Light();

// Lint mode, off by default. While on, the library adds warnings (VR_REPORT_WARNING, through
// Error_Fct, each text starting with "Lint: ") for misuse that otherwise passes without a word: a
// size below 1 at Init, a slider's read-out Format that is refused, a font that could not be found
// (the system font is used instead), a list's or tab bar's Current outside its items at Draw, a lit
// Draw with GL_NORMALIZE off or no light enabled, and a widget used before its Init. Each distinct
// warning is given once; turning the mode on forgets the ones given. With the mode off no message
// changes and the checks cost one flag test.
VRTOOLS_API void VR_Tools_Lint_Set(bool on);
// True while the lint mode is on.
VRTOOLS_API bool VR_Tools_Lint_Get();
