// A caption pass's state and what its end puts back, apart from core.h so that the replay's script
// (render/immediate/steps.h) can name them without a GL header.
#pragma once

namespace core {

// The texture environment's colour for a caption: GL_REPLACE (colour = current colour) or
// GL_MODULATE, by value (checked against GL's in caption.cpp).
constexpr unsigned int CAPTION_REPLACE = 0x1E01;
constexpr unsigned int CAPTION_MODULATE = 0x2100;

// State of a caption pass: blending by the texture's alpha, colour from the current colour.
struct Caption_State {
    unsigned int rgb = CAPTION_REPLACE;
    bool alpha_scale = true;  // set GL_ALPHA_SCALE to 1
    bool unpack_one = true;   // set GL_UNPACK_ALIGNMENT to 1
};

// What the end of a caption pass puts back besides switching off texturing, blending and the
// texture-coordinate array.
enum class Caption_Restore {
    NONE,              // leave the combiner as set
    COMBINER,          // combiner back to modulate texture (the mode stays GL_COMBINE)
    COMBINER_AND_MODE  // and the environment mode back to GL_MODULATE
};

}  // namespace core
