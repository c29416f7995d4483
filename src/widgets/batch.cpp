// Batches: the widgets a host adds, described each frame and drawn by the batch back end, with the
// host's GL state saved before and put back after.
#include <vrtools/batch.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "core/batch_render.h"
#include "core/core.h"
#include "looks.h"

namespace {

enum class Kind { LABEL, BUTTON, BOX, FRAME, PROGRESS, VALUATOR, SELECT, TABITEM, TABS, COLOR, HUE };

struct Entry {
    Kind kind;
    VR_Tools* widget;
    // What the widget's last description followed from (Snapshot_Check); empty when it must be
    // described again.
    std::vector<unsigned char> snapshot;
};

// Whether the widget is as it was when `e.snapshot` was taken, taking it afresh when not. A label's,
// a button's or a slider's description follows from the widget's own bytes (its fields, the arrays
// and bitmaps they point to, which only the library's calls on it change, each changing a field
// too) and the strings it points to, read here by content: the host may rewrite a name, font or
// read-out format in place. A slider's value table is left out: Init alone writes it, from fields
// compared here. The other classes are described every frame: a progress bar moves at every
// frame, containers and editors describe their members.
bool Snapshot_Same(Entry& e)
{
    std::size_t bytes = 0;
    std::size_t skip_at = 0, skip_bytes = 0;
    const char* format = nullptr;
    switch (e.kind) {
    case Kind::LABEL: bytes = sizeof(VR_Labels); break;
    case Kind::BUTTON: bytes = sizeof(VR_Buttons); break;
    case Kind::VALUATOR: {
        VR_Valuators& v = *static_cast<VR_Valuators*>(e.widget);
        bytes = sizeof(VR_Valuators);
        skip_at = static_cast<std::size_t>(reinterpret_cast<const unsigned char*>(v.Value_Table) -
                                           reinterpret_cast<const unsigned char*>(&v));
        skip_bytes = sizeof v.Value_Table;
        format = v.Format;
        break;
    }
    default: return false;
    }
    core::Signature_Check check(e.snapshot);
    const unsigned char* object = reinterpret_cast<const unsigned char*>(e.widget);
    check.Feed(object, skip_bytes ? skip_at : bytes);
    if (skip_bytes)
        check.Feed(object + skip_at + skip_bytes, bytes - skip_at - skip_bytes);
    const auto text = [&check](const void* p, std::size_t length, std::size_t unit) {
        check.Value(length);
        check.Feed(p, length * unit);
    };
    const VR_Tools& w = *e.widget;
    for (const char* narrow : {w.Font_Name, w.Font_Style, format})
        text(narrow, narrow ? std::strlen(narrow) : 0, 1);
    text(w.W_Name, w.W_Name ? std::wcslen(w.W_Name) : 0, sizeof(wchar_t));
    return !check.Finish();
}

void Describe(const Entry& e, core::Look& look)
{
    switch (e.kind) {
    case Kind::LABEL: core::Look_Describe(*static_cast<VR_Labels*>(e.widget), look); break;
    case Kind::BUTTON: core::Look_Describe(*static_cast<VR_Buttons*>(e.widget), look); break;
    case Kind::BOX: core::Look_Describe(*static_cast<VR_Boxs*>(e.widget), look); break;
    case Kind::FRAME: core::Look_Describe(*static_cast<VR_Frames*>(e.widget), look); break;
    case Kind::PROGRESS: core::Look_Describe(*static_cast<VR_Progress*>(e.widget), look); break;
    case Kind::VALUATOR: core::Look_Describe(*static_cast<VR_Valuators*>(e.widget), look); break;
    case Kind::SELECT: core::Look_Describe(*static_cast<VR_Selects*>(e.widget), look); break;
    case Kind::TABITEM: core::Look_Describe(*static_cast<VR_TabItems*>(e.widget), look); break;
    case Kind::TABS: core::Look_Describe(*static_cast<VR_Tabs*>(e.widget), look); break;
    case Kind::COLOR: core::Look_Describe(*static_cast<VR_Colors*>(e.widget), look); break;
    case Kind::HUE: core::Look_Describe(*static_cast<VR_Hues*>(e.widget), look); break;
    }
}

// The host state a batch frame touches (the widgets' own steps during description included: a
// read-out's texture, a rebuilt button's buffers).
struct Saved_State {
    GLint program = 0, vao = 0, array_buffer = 0, element_buffer = 0, active_texture = 0;
    GLint texture_unit0 = 0, texture_active = 0, unpack = 4;
    GLboolean blend = GL_FALSE;
    GLint blend_src_rgb = 0, blend_dst_rgb = 0, blend_src_alpha = 0, blend_dst_alpha = 0;

    void Save(bool vao_known)
    {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        if (vao_known)
            glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &array_buffer);
        glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &element_buffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_active);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_unit0);
        glActiveTexture(static_cast<GLenum>(active_texture));
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
        blend = glIsEnabled(GL_BLEND);
        glGetIntegerv(GL_BLEND_SRC_RGB, &blend_src_rgb);
        glGetIntegerv(GL_BLEND_DST_RGB, &blend_dst_rgb);
        glGetIntegerv(GL_BLEND_SRC_ALPHA, &blend_src_alpha);
        glGetIntegerv(GL_BLEND_DST_ALPHA, &blend_dst_alpha);
    }

    void Restore(bool vao_known) const
    {
        glUseProgram(static_cast<GLuint>(program));
        if (vao_known)
            glBindVertexArray(static_cast<GLuint>(vao));
        // The element binding belongs to the vertex array object just put back.
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(element_buffer));
        glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(array_buffer));
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_unit0));
        glActiveTexture(static_cast<GLenum>(active_texture));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_active));
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
        if (blend)
            glEnable(GL_BLEND);
        else
            glDisable(GL_BLEND);
        glBlendFuncSeparate(static_cast<GLenum>(blend_src_rgb), static_cast<GLenum>(blend_dst_rgb),
                            static_cast<GLenum>(blend_src_alpha), static_cast<GLenum>(blend_dst_alpha));
    }
};

const char* Class_Name(Kind kind)
{
    static const char* const names[] = {"VR_Labels",   "VR_Buttons",  "VR_Boxs",    "VR_Frames",
                                        "VR_Progress", "VR_Valuators", "VR_Selects", "VR_TabItems",
                                        "VR_Tabs",     "VR_Colors",   "VR_Hues"};
    return names[static_cast<int>(kind)];
}

}  // namespace

struct VR_Batches::Impl {
    std::vector<Entry> entries;
    core::Batch_Renderer renderer;
    bool laid_out = false;        // slots match entries
    bool warned_no_init = false;  // "Draw before Init" reported
    bool warned_compat = false;   // "Draw() needs a compatibility context" reported

    void Add(Kind kind, VR_Tools& widget)
    {
        if (!(widget.Status & VR_STATUS_INITIALISED)) {
            Error_Fct(::hwnd, 0x80000001u, "Batch: %hs \"%ls\" was added before its Init; left out", Class_Name(kind),
                      widget.W_Name ? widget.W_Name : L"no name");
            return;
        }
        try {
            entries.push_back(Entry{kind, &widget, {}});
        } catch (const std::bad_alloc&) {
            Error_Fct(::hwnd, 1u, "Batch: out of memory adding %hs \"%ls\"; left out", Class_Name(kind),
                      widget.W_Name ? widget.W_Name : L"no name");
            return;
        }
        laid_out = false;
    }

    // Runs `step` of `call`; when memory runs out, reports it, leaves the host's GL state as `saved`
    // holds it and has the next Draw lay everything out again (the buffers may be half made).
    template <class Step>
    bool Guarded(const char* call, const Saved_State& saved, bool vao_known, Step&& step)
    {
        try {
            step();
            return true;
        } catch (const std::bad_alloc&) {
            Error_Fct(::hwnd, 1u, "Batch: out of memory in %hs; nothing drawn, the next Draw lays the batch out again",
                      call);
            laid_out = false;
            saved.Restore(vao_known);
            return false;
        }
    }

    // Describes every widget into its slot: the frame's steps (rebuilds, read-outs, phases) happen here.
    // A widget found unchanged keeps the look it was given, unless `all`.
    void Describe_All(bool all = false)
    {
        renderer.Slots_Resize(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            if (!all && Snapshot_Same(e))
                continue;
            // Forgotten until the description is complete: one cut short (out of memory) is made again.
            e.snapshot.clear();
            core::Look& look = renderer.Slot_Look(i);
            look.Clear();
            Describe(e, look);
            // The widget as its description left it (a button's mesh follows its State there).
            Snapshot_Same(e);
        }
    }

    // False, with "Draw before Init" reported once, while the renderer has no program.
    bool Ready_To_Draw()
    {
        if (renderer.Ready())
            return true;
        if (!warned_no_init)
            Error_Fct(::hwnd, 0x80000001u, "Batch: Draw before a successful Init; nothing drawn");
        warned_no_init = true;
        return false;
    }

    // Whether the host has a vertex array binding to keep: decided by the context at Init.
    bool Vao_Known() const { return renderer.Has_Vao(); }

    void Frame(const core::Batch_View& view)
    {
        Saved_State saved;
        const bool vao_known = Vao_Known();
        saved.Save(vao_known);
        const bool drawn = Guarded("Draw", saved, vao_known, [&] {
            Describe_All();
            if (!laid_out) {
                renderer.Layout();
                laid_out = true;
            }
            renderer.Frame(view);
        });
        if (drawn)
            saved.Restore(vao_known);
    }
};

VR_Batches::VR_Batches() : impl_(new (std::nothrow) Impl)
{
    if (!impl_)
        Error_Fct(::hwnd, 1u, "Batch: out of memory making a batch; it does nothing");
}

VR_Batches::~VR_Batches()
{
    delete impl_;
}

VR_Batches::VR_Batches(VR_Batches&& other) noexcept : impl_(other.impl_)
{
    other.impl_ = nullptr;
}

VR_Batches& VR_Batches::operator=(VR_Batches&& other) noexcept
{
    if (this != &other) {
        delete impl_;
        impl_ = other.impl_;
        other.impl_ = nullptr;
    }
    return *this;
}

// A moved-from batch (or one made without memory) has no state: it reports once per call and does
// nothing.
#define BATCH_IMPL_OR_RETURN(...)                                                                         \
    if (!impl_) {                                                                                         \
        Error_Fct(::hwnd, 0x80000001u, "Batch: this batch has no state (moved from, or made without memory); " \
                  "nothing done");                                                                        \
        return __VA_ARGS__;                                                                               \
    }

void VR_Batches::Add(VR_Labels& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::LABEL, w); }
void VR_Batches::Add(VR_Buttons& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::BUTTON, w); }
void VR_Batches::Add(VR_Boxs& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::BOX, w); }
void VR_Batches::Add(VR_Frames& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::FRAME, w); }
void VR_Batches::Add(VR_Progress& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::PROGRESS, w); }
void VR_Batches::Add(VR_Valuators& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::VALUATOR, w); }
void VR_Batches::Add(VR_Selects& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::SELECT, w); }
void VR_Batches::Add(VR_TabItems& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::TABITEM, w); }
void VR_Batches::Add(VR_Tabs& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::TABS, w); }
void VR_Batches::Add(VR_Colors& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::COLOR, w); }
void VR_Batches::Add(VR_Hues& w) { BATCH_IMPL_OR_RETURN() impl_->Add(Kind::HUE, w); }

void VR_Batches::Clear()
{
    BATCH_IMPL_OR_RETURN()
    impl_->entries.clear();
    impl_->laid_out = false;
}

int VR_Batches::Init()
{
    BATCH_IMPL_OR_RETURN(0)
    Saved_State saved;
    if (!impl_->renderer.Init())
        return 0;
    const bool vao_known = impl_->Vao_Known();
    saved.Save(vao_known);
    // The first layout is made here, so that the first frame uploads only the lists of what its view
    // shows. Describing takes a progress bar's step, which belongs to the frames: put its phase back.
    std::vector<std::pair<VR_Progress*, short>> phases;
    const bool made = impl_->Guarded("Init", saved, vao_known, [&] {
        for (const Entry& e : impl_->entries)
            if (e.kind == Kind::PROGRESS)
                phases.emplace_back(static_cast<VR_Progress*>(e.widget), static_cast<VR_Progress*>(e.widget)->Phase);
        impl_->Describe_All(true);
        impl_->renderer.Layout();
        impl_->laid_out = true;
    });
    for (const auto& p : phases)
        p.first->Phase = p.second;
    if (!made)
        return 0;
    saved.Restore(vao_known);
    impl_->warned_no_init = false;
    return 1;
}

void VR_Batches::Draw(const float projection[16], const float model_view[16], const float light_direction[3],
                      const float light_color[3], const float ambient[3])
{
    BATCH_IMPL_OR_RETURN()
    if (!impl_->Ready_To_Draw())
        return;
    if (!projection || !model_view || !light_direction || !light_color) {
        Error_Fct(::hwnd, 0x80000001u, "Batch: Draw needs the projection, model-view, light direction and colour");
        return;
    }
    const float light[4] = {light_direction[0], light_direction[1], light_direction[2], 0.0f};
    // GL's defaults: scene ambient 0.2, light ambient 0.
    const float defaults[3] = {0.2f, 0.2f, 0.2f};
    impl_->Frame(core::Batch_View_Make(projection, model_view, light, light_color, ambient ? ambient : defaults, true));
}

void VR_Batches::Draw()
{
    BATCH_IMPL_OR_RETURN()
    if (!impl_->Ready_To_Draw())
        return;
    if (impl_->renderer.Core_Or_Es()) {
        if (!impl_->warned_compat)
            Error_Fct(::hwnd, 0x80000001u,
                      "Batch: Draw() reads fixed-function matrices and lights, which this context has not; "
                      "use Draw(projection, model_view, light_direction, light_color)");
        impl_->warned_compat = true;
        return;
    }
    float projection[16], model_view[16], light[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    float diffuse[4] = {0.0f, 0.0f, 0.0f, 0.0f}, light_ambient[4] = {}, scene[4] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, model_view);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, scene);
    if (glIsEnabled(GL_LIGHT0)) {
        // GL keeps the light's position in eye space, as the shaders want it.
        glGetLightfv(GL_LIGHT0, GL_POSITION, light);
        glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        glGetLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
    }
    const float ambient[3] = {scene[0] + light_ambient[0], scene[1] + light_ambient[1], scene[2] + light_ambient[2]};
    // GL keeps the light in eye space already: the view carries it as it is.
    const core::Batch_View view = core::Batch_View_Make(projection, model_view, light, diffuse, ambient,
                                                  glIsEnabled(GL_NORMALIZE) == GL_TRUE);
    impl_->Frame(view);
}

int VR_Batches::Draw_Calls_Get() const
{
    return impl_ ? impl_->renderer.Draw_Calls() : 0;
}

int VR_Batches::Uploads_Get() const
{
    return impl_ ? impl_->renderer.Uploads() : 0;
}

const char* VR_Batches::Dialect_Get() const
{
    return impl_ ? impl_->renderer.Dialect() : "";
}
