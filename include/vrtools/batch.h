// Batched drawing: many initialised widgets drawn together in one or a few draw calls, with shaders
// that run in compatibility, core-profile and OpenGL ES 3.0 contexts.
#pragma once

#include "box.h"
#include "button.h"
#include "color.h"
#include "frame.h"
#include "hue.h"
#include "label.h"
#include "progress.h"
#include "select.h"
#include "tabitem.h"
#include "tabs.h"
#include "valuator.h"

// A set of widgets drawn together. The widgets stay the host's: interaction (Select, Read, Adjust,
// Scroll, State, Current, Color_Value, a progress bar's animation, a re-Init) goes to them as before
// and the next Draw shows it, uploading only what changed. The picture equals the one the widgets'
// own Draw functions give under the same matrices and light. A widget destroyed while added is
// forgotten; one moved (a std::vector of widgets growing) is followed to the object it moved into.
// Every member that touches GL needs the host's context current.
class VRTOOLS_API VR_Batches {
public:
    VR_Batches();
    // Releases the batch's buffers, textures and program (context current).
    ~VR_Batches();
    VR_Batches(const VR_Batches&) = delete;
    VR_Batches& operator=(const VR_Batches&) = delete;
    VR_Batches(VR_Batches&&) noexcept;
    VR_Batches& operator=(VR_Batches&&) noexcept;

    // Adds an initialised widget (an uninitialised one is reported and left out). Containers and
    // colour editors bring their members. Hidden widgets are kept and skipped while hidden. A widget
    // added after Init is taken in at the next Draw.
    // A label, button, slider, box, frame or tab added with a context current lets go at once of
    // the textures, buffer objects and bitmaps that only its own Draw reads (VR_STATUS_UNLOADED; its
    // texture and buffer names are then no GL objects): adding each widget right after its Init
    // keeps one widget's of them at a time. Its own Draw, if ever called, makes them again first.
    void Add(VR_Labels& widget);
    void Add(VR_Buttons& widget);
    void Add(VR_Boxs& widget);
    void Add(VR_Frames& widget);
    void Add(VR_Progress& widget);
    void Add(VR_Valuators& widget);
    void Add(VR_Selects& widget);
    void Add(VR_TabItems& widget);
    void Add(VR_Tabs& widget);
    void Add(VR_Colors& widget);
    void Add(VR_Hues& widget);

    // Forgets every widget; GL objects stay for the next widgets.
    void Clear();

    // Context current: picks the shading language of the context (2.1 compatibility, 3.3 core or
    // ES 3.0), builds the program, the buffers and the picture atlas. Returns 1, or 0 after a report
    // ("Batch: ...") when the context can do none of them.
    int Init();

    // Draws every shown widget. Matrices are column-major as glLoadMatrixf takes them;
    // `light_direction` points toward the light in eye space (a GL_POSITION with w = 0);
    // `light_color` is the diffuse colour; `ambient` null means GL's defaults (scene ambient 0.2,
    // light ambient 0), so that the picture matches the fixed-function path. The host's program,
    // vertex array, buffers, textures, active unit, blend, depth, cull and viewport are left as found.
    void Draw(const float projection[16], const float model_view[16], const float light_direction[3],
              const float light_color[3], const float ambient[3] = nullptr);
    // Compatibility contexts: the current projection and model-view matrices and GL_LIGHT0 with the
    // light-model ambient, as the widgets' own Draw functions see them.
    void Draw();

    // Draw calls issued by the last Draw (0 when nothing was drawn).
    int Draw_Calls_Get() const;
    // Buffer and texture sub-range uploads made by the last Draw (0 in a frame where nothing changed).
    int Uploads_Get() const;

    // Sharp text (off by default): every caption, read-out, tab, box and list caption is drawn as
    // glyph quads from one distance-field atlas shared by every batch, so that its edges stay about
    // a pixel wide near, far and turned away, and a read-out that changes rewrites only its glyphs'
    // vertices. Off, the picture is the widgets' own. Takes effect at the next Draw.
    void Sharp_Text_Set(bool on);
    // Sharp text's outline: `width` pixels round every glyph (0, the default: none; it reaches no
    // further than the atlas's distance fields, about a pixel round a 14-pixel caption seen at its
    // size), in `color` packed as the widgets' colours (red in the low byte).
    void Text_Outline_Set(float width, unsigned int color);
    // The shading language chosen by Init: "120", "330 core", "300 es", or "" before Init.
    const char* Dialect_Get() const;

private:
    struct Impl;
    Impl* impl_ = nullptr;
};
