// What a description names besides geometry: how a part is shaded, and a texture it reads (the
// widget's own pixels). No GL here, so that the back ends' pure parts can use them without it.
#pragma once

namespace core {

// How a part is shaded.
enum class Look_Pass : unsigned char {
    LIT,      // lighting with colour material, the vertex colours as ambient and diffuse
    UNLIT,    // the vertex colours as they are
    FLAT,     // one colour (`rgb`), unlit
    TEXT,     // an alpha mask in one colour, blended (captions, read-outs, stripes)
    PICTURE,  // an RGBA picture, see Look_Part::modulate and blend
    OUTLINE,  // the edges of each quad as lines two pixels wide in one colour, unlit
};

// Texture wrapping of a part's texture.
enum class Look_Wrap : unsigned char { EDGE, BORDER, REPEAT };

// A texture a part reads: the pixels stay the widget's. Rows run from texture row 0 (t = 0) on.
struct Look_Texture {
    const unsigned char* pixels = nullptr;  // tex_w x tex_h, one alpha byte or four RGBA bytes a texel
    int tex_w = 0, tex_h = 0;               // texture size, texels
    bool rgba = false;
    Look_Wrap wrap = Look_Wrap::BORDER;
    // What identifies this content besides the pixel pointer: the text it shows, for instance.
    const void* key = nullptr;
    int key_bytes = 0;
};

}  // namespace core
