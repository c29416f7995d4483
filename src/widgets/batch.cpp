// Batches: the widgets a host adds, described each frame and drawn by the batch back end, with the
// host's GL state saved before and put back after.
#include <vrtools/batch.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "render/batch/host_state.h"
#include "render/batch/renderer.h"
#include "render/batch/widget_snapshots.h"
#include "core/core.h"
#include "core/holding.h"
#include "classes.h"
#include "looks.h"

namespace {

struct Entry : core::Snapshot_Subject {
    const core::Class_Ops* type;
    // The widget's place when it was last described: while its slot lies far from the view and
    // the place stays, the widget is not described (what changed shows when the view comes near).
    short place[5] = {};  // X, Y, Z, Width, Height
    bool placed = false;  // described at this address since it was added, moved or shifted
    // Its slot, never described, has the estimate of its place in `place` (Reach_Estimate).
    bool estimated = false;
};

// Adds to lo, hi the box a widget's own place and caption (and a slider's read-out) may draw in.
void Reach_Add(const VR_Tools& w, bool slider, float lo[3], float hi[3])
{
    float x0 = w.X, x1 = static_cast<float>(w.X) + std::max<short>(w.Width, 0);
    float y0 = w.Y, y1 = static_cast<float>(w.Y) + std::max<short>(w.Height, 0);
    // The caption's quad as the widget's Init placed it (the description draws it there).
    if (const short* v = w.Text_Vertex_Array)
        for (int k = 0; k < 4; ++k) {
            x0 = std::min<float>(x0, v[k * 3]);
            x1 = std::max<float>(x1, v[k * 3]);
            y0 = std::min<float>(y0, v[k * 3 + 1]);
            y1 = std::max<float>(y1, v[k * 3 + 1]);
        }
    // A description may place the caption anew (a pending Init, a button's rebuild): whatever its
    // alignment, a line of the name reaches at most its length in characters times the font size
    // past either side (no glyph, fallback faces and emoji included, is wider than an em and a
    // half), and a font size past the top or bottom for each line.
    if (w.W_Name) {
        std::size_t chars = 0, lines = 1;
        for (const wchar_t* c = w.W_Name; *c; ++c) {
            ++chars;
            lines += *c == L'\n';
        }
        // A font size of 0 or less leaves the text layer's own size, well under 32.
        const float em = w.Font_Size > 0 ? w.Font_Size : 32.0f;
        const float across = static_cast<float>(chars) * em * 1.5f, down = static_cast<float>(lines + 1) * em;
        x0 -= across;
        x1 += across;
        y0 -= down;
        y1 += down;
    }
    // A slider's read-out hangs ten units under it, centred on its cursor, which stays within the
    // widget: at most 39 characters drawn about ten units high, each narrower than 15 units.
    if (slider) {
        constexpr float READOUT_HALF = 39 * 15 / 2, READOUT_DROP = 16;
        x0 = std::min(x0, static_cast<float>(w.X) - READOUT_HALF);
        x1 = std::max(x1, static_cast<float>(w.X) + std::max<short>(w.Width, 0) + READOUT_HALF);
        y0 = std::min(y0, static_cast<float>(w.Y) - READOUT_DROP);
    }
    lo[0] = std::min(lo[0], x0);
    lo[1] = std::min(lo[1], y0);
    hi[0] = std::max(hi[0], x1);
    hi[1] = std::max(hi[1], y1);
    // Meshes stand a few bevels off their plane, a box at its Z, a tab bar's tabs a border
    // further back each: depth allowed for generously, as it costs only an early description.
    const float depth = 64.0f + 4.0f * std::abs(static_cast<float>(w.Bevel)) + std::abs(static_cast<float>(w.Z));
    lo[2] = std::min(lo[2], -depth);
    hi[2] = std::max(hi[2], depth);
}

// The box a widget not described yet may draw in: its own reach and its members' (a list's rows,
// a tab bar's tabs, an editor's parts), a tab bar's tabs receding two units each. Too large costs a
// description before the view needs it; too small would leave the widget out, so it errs large.
void Reach_Estimate(const Entry& e, float lo[3], float hi[3])
{
    for (int a = 0; a < 3; ++a) {
        lo[a] = 1e30f;
        hi[a] = -1e30f;
    }
    Reach_Add(*e.widget, e.type->Id == core::Class_Id::VALUATOR, lo, hi);
    struct Reach {
        float* lo;
        float* hi;
        int members;
    } reach{lo, hi, 0};
    e.type->Members(
        *e.widget,
        [](const void* context, const VR_Tools* m, const char* type) {
            Reach& r = *static_cast<Reach*>(const_cast<void*>(context));
            if (!m)
                return;
            const char* slider = core::Class_Get<VR_Valuators>().Name;
            Reach_Add(*m, type && std::strcmp(type, slider) == 0, r.lo, r.hi);
            ++r.members;
        },
        &reach);
    lo[2] -= 2.0f * static_cast<float>(reach.members);
}

// A container or editor that was never sized leaves its members uninitialised: only a move counts.
void Member_Check(const void* entry, const VR_Tools* m, const char* type)
{
    const Entry& e = *static_cast<const Entry*>(entry);
    if (m && core::Holding_Moved_From(m))
        core::Lint_Report("Lint: a batch draws %hs \"%ls\", whose %hs at %p was moved from: it draws nothing",
                          e.type->Name, e.widget->W_Name ? e.widget->W_Name : L"no name", type,
                          static_cast<const void*>(m));
}

// Lint mode: a member of a held composite left empty by a move, or a held widget given an empty
// one's content by a move assignment, draws nothing; the host is told why. (A held widget moved from
// is not held any more: its holders followed it.)
void Lint_Empty(const Entry& e)
{
    const VR_Tools& w = *e.widget;
    if (!(w.Status & VR_STATUS_INITIALISED)) {
        core::Lint_Report("Lint: a batch draws %hs at %p, which is not initialised: it draws nothing", e.type->Name,
                          static_cast<const void*>(&w));
        return;
    }
    e.type->Members(w, Member_Check, &e);
}

}  // namespace

struct VR_Batches::Impl {
    std::vector<Entry> entries;
    core::Widget_Snapshots snapshots;
    core::Batch_Renderer renderer;
    bool laid_out = false;          // slots match entries
    bool warned_no_init = false;    // "Draw before Init" reported
    bool described_glyphs = false;  // the widgets were last described for sharp text
    bool warned_compat = false;     // "Draw() needs a compatibility context" reported
    const void* context = nullptr;  // the GL context of the last successful Init
    bool warned_context = false;    // "another context" reported
    bool emptied = false;           // entries of destroyed widgets wait for Entries_Compact

    // How the widgets' destructors and moves reach the batch.
    static const core::Holder_Calls holding;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() { core::Holding_Drop(this); }

    // Lets go of `widget`'s entries: each is emptied here and taken out by Entries_Compact, so that a
    // host destroying thousands of held widgets in a row does not shift the list at each.
    void Entries_Remove(const VR_Tools* widget, std::size_t hint)
    {
        if (hint < entries.size() && entries[hint].widget == widget) {
            entries[hint].widget = nullptr;
        } else {
            for (Entry& e : entries)
                if (e.widget == widget)
                    e.widget = nullptr;
        }
        emptied = true;
    }

    // Takes the emptied entries out. The entries after the first one taken out move to other slots:
    // they are described again, and the next Draw lays the batch out again.
    void Entries_Compact()
    {
        if (!emptied)
            return;
        emptied = false;
        std::size_t kept = 0;
        bool shifted = false;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            if (!e.widget) {
                snapshots.Drop(e);
                shifted = true;
                continue;
            }
            if (shifted) {
                core::Widget_Snapshots::Forget(e);
                e.placed = e.estimated = false;
                core::Holding_Hint(e.widget, this, kept);
            }
            entries[kept++] = e;
        }
        entries.resize(kept);
        laid_out = false;
    }

    // `from` moved into `to`: its entries hold `to`, unless the batch held `to` already.
    void Entries_Follow(const VR_Tools* from, VR_Tools* to, bool held, std::size_t& hint)
    {
        if (held) {
            Entries_Remove(from, hint);
            return;
        }
        // Described again: a description may point into the widget's own storage.
        if (hint < entries.size() && entries[hint].widget == from) {
            entries[hint].widget = to;
            core::Widget_Snapshots::Forget(entries[hint]);
            entries[hint].placed = entries[hint].estimated = false;
            return;
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].widget == from) {
                entries[i].widget = to;
                core::Widget_Snapshots::Forget(entries[i]);
                entries[i].placed = entries[i].estimated = false;
                hint = i;
            }
        }
    }

    void Clear()
    {
        core::Holding_Drop(this);
        entries.clear();
        laid_out = false;
        emptied = false;
    }

    void Add(const core::Class_Ops& type, VR_Tools& widget)
    {
        if (!(widget.Status & VR_STATUS_INITIALISED)) {
            Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: %hs \"%ls%hs\" was added before its Init; left out", type.Name,
                      core::Name_Wide(widget), core::Name_Narrow(widget));
            return;
        }
        try {
            // The holding table knows whether this batch holds the widget already: no search of the
            // entries, which would make adding N widgets quadratic.
            entries.push_back(Entry{{&widget, type.Snapshot, core::Snapshot_Span{}}, &type, {}, false, false});
            const core::Holding_Added added = core::Holding_Add(&widget, this, holding, entries.size() - 1);
            if (added != core::Holding_Added::NEW)
                entries.pop_back();
            if (added == core::Holding_Added::FAILED)
                throw std::bad_alloc();
            if (added == core::Holding_Added::AGAIN) {
                Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: %hs \"%ls%hs\" was added twice; it is drawn once",
                          type.Name, core::Name_Wide(widget), core::Name_Narrow(widget));
                return;
            }
            // Drawn by the batch from now on: what only its own Draw reads goes at once, so that a host
            // adding each widget after its Init holds one widget's GL objects at a time, not all of
            // them. Its own Draw makes them again. With no context current, they go when the batch
            // first describes the widget.
            if (type.Unload && core::Context_Current())
                Textures_Park(entries.back(), false);
        } catch (const std::bad_alloc&) {
            Error_Fct(::hwnd, VR_REPORT_ALLOCATION, "Batch: out of memory adding %hs \"%ls\"; left out", type.Name,
                      widget.W_Name ? widget.W_Name : L"no name");
            return;
        }
        laid_out = false;
    }

    // Runs `step` of `call`; when memory runs out, reports it, leaves the host's GL state as `saved`
    // holds it and has the next Draw lay everything out again (the buffers may be half made).
    template <class Step>
    bool Guarded(const char* call, const core::Batch_Host_State& saved, bool vao_known, Step&& step)
    {
        try {
            step();
            return true;
        } catch (const std::bad_alloc&) {
            Error_Fct(::hwnd, VR_REPORT_ALLOCATION,
                      "Batch: out of memory in %hs; nothing drawn, the next Draw lays the batch out again", call);
            laid_out = false;
            saved.Restore(vao_known);
            return false;
        }
    }

    // Entry `i`, never described, gets the estimate of its reach from its place now (tested
    // against the last view, when there is one).
    void Estimate(std::size_t i)
    {
        Entry& e = entries[i];
        float lo[3], hi[3];
        Reach_Estimate(e, lo, hi);
        renderer.Slot_Estimate(i, lo, hi);
        const short place[5] = {e.widget->X, e.widget->Y, e.widget->Z, e.widget->Width, e.widget->Height};
        std::memcpy(e.place, place, sizeof place);
        e.placed = false;
        e.estimated = true;
    }

    // Describes every widget into its slot: the frame's steps (rebuilds, read-outs, phases) happen here.
    // A widget found unchanged keeps the look it was given, unless `all`.
    // With `near_only`, a widget whose slot lies far from the view keeps its look while its place
    // stays: it is described when the view comes near it.
    void Describe_All(bool all = false, bool near_only = false)
    {
        Entries_Compact();
        renderer.Slots_Resize(entries.size());
        // Read-outs described for glyph quads have no bitmap of their text: switching between the
        // two kinds of text describes everything again.
        const bool glyphs = renderer.Sharp_Ready();
        if (glyphs != described_glyphs)
            all = true;
        described_glyphs = glyphs;
        struct Glyph_Text_Scope {
            bool kept = core::Look_Glyph_Text();
            ~Glyph_Text_Scope() { core::Look_Glyph_Text() = kept; }
        } scope;
        core::Look_Glyph_Text() = glyphs;
        // Every snapshot is taken again: the store starts afresh, with room for a slider's each.
        if (all)
            snapshots.Reset(entries, entries.size() * 640);
        // Slots far from the view are known only after a layout.
        const bool skip_far = near_only && !all && laid_out;
        // Most entries of a large batch are far and only their places are read: each place lies
        // in a widget of its own, a cache miss that the next ones' requests, sent ahead, overlap.
        constexpr std::size_t AHEAD = 8;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (i + AHEAD < entries.size()) {
                __builtin_prefetch(&entries[i + AHEAD].widget->X);
                if (!renderer.Slot_Far(i + AHEAD))
                    snapshots.Prefetch(entries[i + AHEAD]);
            }
            // Their strings, once the lines of their records asked for above have come.
            if (i + 2 < entries.size() && !renderer.Slot_Far(i + 2))
                core::Widget_Snapshots::Prefetch_Strings(entries[i + 2]);
            Entry& e = entries[i];
            const short place[5] = {e.widget->X, e.widget->Y, e.widget->Z, e.widget->Width, e.widget->Height};
            // A widget never described waits while the estimate of its reach lies far from the
            // view: Init and a layout cost nothing for it, and its textures stay its own.
            const bool first = renderer.Slot_Pending(i);
            if (first) {
                if (!e.estimated || std::memcmp(place, e.place, sizeof place) != 0)
                    Estimate(i);
                if (renderer.Slot_Far(i))
                    continue;
            } else {
                if (skip_far && e.placed && renderer.Slot_Far(i) && std::memcmp(place, e.place, sizeof place) == 0)
                    continue;
                if (!all && snapshots.Matches(e))
                    continue;
            }
            std::memcpy(e.place, place, sizeof place);
            renderer.Slot_Place(i, e.widget->X, e.widget->Y, e.widget->Width, e.widget->Height);
            // Forgotten until the description is complete: one cut short (out of memory) is made again.
            core::Widget_Snapshots::Forget(e);
            e.placed = false;
            // Drawn from the atlas from now on: given back before the description, whose snapshot
            // then holds the widget as it stays. A widget that unloads does so at each description:
            // a call since (a re-Init) may have made some of its objects again.
            if (first || e.type->Unload)
                Textures_Park(e, !glyphs);
            // Unloaded, a widget keeps no caption bitmap until an atlas needs one.
            if (!glyphs && (e.widget->Status & VR_STATUS_UNLOADED))
                core::Caption_Pixels(*e.widget);
            core::Look& look = renderer.Slot_Look(i);
            look.Clear();
            e.type->Describe(*e.widget, look);
            if (core::Lint_On())
                Lint_Empty(e);
            // The widget as its description left it (a button's mesh follows its State there).
            snapshots.Take(entries, e);
            e.placed = true;
        }
    }

    // Described, the batch draws the captions and read-outs from its atlas, which holds their
    // texels: the widgets' own textures of them are let go until their own Draw makes them again,
    // and for the classes that can (all but progress bars and composites) every GL object and,
    // unless the atlas copies from them (`keep_pixels`), every bitmap only their own Draw reads. A
    // widget the batch has not described yet keeps them, unless the batch unloaded it when it was
    // added.
    static void Textures_Park(const Entry& e, bool keep_pixels)
    {
        using core::Class_Id;
        if (e.type->Unload) {
            // Another batch may draw the widget from its bitmaps (an exact one's atlas copies them):
            // only the one batch that draws it lets go of them. A widget whose bitmaps are gone
            // already (each description unloads it again) need not ask: a live panel describes its
            // sliders every frame, and the holders' table is a lookup that misses the cache.
            const bool pixels = e.widget->Text_Bitmap || (e.type->Id == Class_Id::VALUATOR &&
                                                          static_cast<const VR_Valuators*>(e.widget)->Value_Bitmap);
            if (!keep_pixels && pixels && core::Holding_Count(e.widget, holding) > 1)
                keep_pixels = true;
            e.type->Unload(*e.widget, keep_pixels);
            return;
        }
        const Class_Id id = e.type->Id;
        if (id == Class_Id::VALUATOR)
            core::Readout_Park(*static_cast<VR_Valuators*>(e.widget));
        // The classes whose caption texture holds their bitmap (a progress bar's holds its stripes).
        if (id == Class_Id::LABEL || id == Class_Id::BUTTON || id == Class_Id::BOX || id == Class_Id::TABITEM ||
            id == Class_Id::VALUATOR)
            core::Caption_Park(*e.widget);
    }
    // After a layout: the widgets whose own Draw made their textures again since they were described.
    void Textures_Park()
    {
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (!renderer.Slot_Pending(i))
                Textures_Park(entries[i], !renderer.Sharp_Ready());
    }

    // False, reported once, while the renderer has no program or the current context is not Init's.
    bool Ready_To_Draw()
    {
        if (!renderer.Ready()) {
            if (!warned_no_init)
                Error_Fct(::hwnd, VR_REPORT_WARNING, "Batch: Draw before a successful Init; nothing drawn");
            warned_no_init = true;
            return false;
        }
        // NOTE: the program, buffers and vertex array are names of the Init's context: in another
        // one they are nothing or someone else's, and binding them leaves GL errors behind.
        if (core::Context_Handle() != context) {
            if (!warned_context)
                Error_Fct(::hwnd, VR_REPORT_WARNING,
                          "Batch: Draw with no GL context current or in another than the one of its Init; "
                          "nothing drawn (Init a batch for each context)");
            warned_context = true;
            return false;
        }
        warned_context = false;
        return true;
    }

    // Whether the host has a vertex array binding to keep: decided by the context at Init.
    bool Vao_Known() const { return renderer.Has_Vao(); }

    void Frame(const core::Batch_View& view)
    {
        // The frame's messages reach the host's handler once the frame is whole, its GL state given
        // back.
        const core::Messages_Held held;
        core::Batch_Host_State saved;
        const bool vao_known = Vao_Known();
        saved.Save(vao_known);
        const bool drawn = Guarded("Draw", saved, vao_known, [&] {
            // The view first, for every slot: those never described are judged by it too.
            Entries_Compact();
            renderer.Slots_Resize(entries.size());
            renderer.Cull(view);
            Describe_All(false, true);
            if (!laid_out) {
                renderer.Layout();
                laid_out = true;
                Textures_Park();
            }
            // A layout of everything reads every slot's look: the ones left while far first.
            if (renderer.Changes_Take())
                Describe_All();
            renderer.Frame(view);
        });
        if (drawn)
            saved.Restore(vao_known);
    }
};

const core::Holder_Calls VR_Batches::Impl::holding = {
    [](void* batch, VR_Tools* widget, std::size_t hint) { static_cast<Impl*>(batch)->Entries_Remove(widget, hint); },
    [](void* batch, VR_Tools* from, VR_Tools* to, bool held, std::size_t& hint) {
        static_cast<Impl*>(batch)->Entries_Follow(from, to, held, hint);
    }};

VR_Batches::VR_Batches() : impl_(new (std::nothrow) Impl)
{
    if (!impl_)
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION, "Batch: out of memory making a batch; it does nothing");
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
#define BATCH_IMPL_OR_RETURN(...)                                                                                      \
    if (!impl_) {                                                                                                      \
        Error_Fct(::hwnd, VR_REPORT_WARNING,                                                                           \
                  "Batch: this batch has no state (moved from, or made without memory); "                              \
                  "nothing done");                                                                                     \
        return __VA_ARGS__;                                                                                            \
    }

// A batch draws every class: one Add for each of the list.
#define BATCH_ADD(id, type)                                                                                            \
    void VR_Batches::Add(type& w)                                                                                      \
    {                                                                                                                  \
        BATCH_IMPL_OR_RETURN() impl_->Add(core::Class_Get<type>(), w);                                                 \
    }
VRTOOLS_WIDGET_CLASSES(BATCH_ADD)
#undef BATCH_ADD

void VR_Batches::Clear()
{
    BATCH_IMPL_OR_RETURN()
    impl_->Clear();
}

int VR_Batches::Init()
{
    BATCH_IMPL_OR_RETURN(0)
    core::Batch_Host_State saved;
    if (!impl_->renderer.Init())
        return 0;
    const bool vao_known = impl_->Vao_Known();
    saved.Save(vao_known);
    // Nothing is described here, only each widget's reach estimated from a few of its fields: the
    // first frame describes and lays out the widgets near its view, and the others are described as
    // the view reaches them, so that neither costs a description of every widget.
    const bool made = impl_->Guarded("Init", saved, vao_known, [&] {
        impl_->Entries_Compact();
        impl_->renderer.Slots_Resize(impl_->entries.size());
        impl_->snapshots.Reset(impl_->entries, 0);
        for (std::size_t i = 0; i < impl_->entries.size(); ++i)
            impl_->Estimate(i);
        impl_->laid_out = false;
    });
    if (!made)
        return 0;
    saved.Restore(vao_known);
    impl_->warned_no_init = false;
    impl_->context = core::Context_Handle();
    return 1;
}

void VR_Batches::Draw(const float projection[16], const float model_view[16], const float light_direction[3],
                      const float light_color[3], const float ambient[3])
{
    BATCH_IMPL_OR_RETURN()
    if (!impl_->Ready_To_Draw())
        return;
    if (!projection || !model_view || !light_direction || !light_color) {
        Error_Fct(::hwnd, VR_REPORT_WARNING,
                  "Batch: Draw needs the projection, model-view, light direction and colour");
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
            Error_Fct(::hwnd, VR_REPORT_WARNING,
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
    const core::Batch_View view =
        core::Batch_View_Make(projection, model_view, light, diffuse, ambient, glIsEnabled(GL_NORMALIZE) == GL_TRUE);
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

void VR_Batches::Sharp_Text_Set(bool on)
{
    BATCH_IMPL_OR_RETURN()
    impl_->renderer.Sharp_Set(on);
}

void VR_Batches::Text_Outline_Set(float width, unsigned int color)
{
    BATCH_IMPL_OR_RETURN()
    impl_->renderer.Outline_Set(width, color);
}

const char* VR_Batches::Dialect_Get() const
{
    return impl_ ? impl_->renderer.Dialect() : "";
}
