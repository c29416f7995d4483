// Batches: the widgets a host adds, described each frame and drawn by the batch back end, with the
// host's GL state saved before and put back after.
#include <vrtools/batch.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "core/batch_render.h"
#include "core/core.h"
#include "core/holding.h"
#include "looks.h"

namespace {

enum class Kind { LABEL, BUTTON, BOX, FRAME, PROGRESS, VALUATOR, SELECT, TABITEM, TABS, COLOR, HUE };

// Where an entry's snapshot lies in the batch's snapshot store; `size` 0: none taken.
struct Snapshot_Span {
    std::size_t at = 0;
    std::size_t size = 0;
    std::size_t room = 0;
};

struct Entry {
    Kind kind;
    VR_Tools* widget;
    // What the widget's last description followed from (Snapshots::Matches); none when it must be
    // described again.
    Snapshot_Span snapshot;
};

// Packs `fields` one after the other at `at`, which it moves on: the padding between them in the
// widget (undefined in a widget the host made on its stack) is never read.
template <class... Field>
void Fields_Put(unsigned char*& at, const Field&... fields)
{
    ((std::memcpy(at, &fields, sizeof fields), at += sizeof fields), ...);
}

// The bytes Fields_Put writes for `fields`.
template <class... Field>
constexpr std::size_t Fields_Size(const Field&...)
{
    return (sizeof(Field) + ...);
}

std::size_t Text_Length(const char* text) { return text ? std::strlen(text) : 0; }
std::size_t Text_Length(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

// A string a widget points to, by length and content: the host may rewrite a name, font or format
// in place.
template <class Char>
void Text_Put(unsigned char*& at, const Char* text, std::size_t length)
{
    std::memcpy(at, &length, sizeof length);
    at += sizeof length;
    if (length > 0)
        std::memcpy(at, text, length * sizeof(Char));
    at += length * sizeof(Char);
}

// NOTE: a field added to these classes must be added below, or an unchanged-looking widget keeps an
// old look; the sizes make the build say so.
static_assert(sizeof(void*) != 8 || (sizeof(VR_Labels) == 200 && sizeof(VR_Buttons) == 216 &&
                                     sizeof(VR_Valuators) == 4592),
              "a widget's fields changed: update Tool_Fields, Button_Fields or Valuator_Fields");

// Whether the widget's description can be kept while it stays as it is: a label's, a button's or a
// slider's follows from the widget's fields (and the arrays and bitmaps they point to, which only
// the library's calls on it change, each changing a field too), the strings it points to and the
// look globals. The other classes are described every frame: a progress bar moves at every frame,
// containers and editors describe their members.
bool Snapshot_Kept(Kind kind)
{
    return kind == Kind::LABEL || kind == Kind::BUTTON || kind == Kind::VALUATOR;
}

// The fields of each class that its description follows from, handed to `visit` in one list for
// sizing and for writing. A slider's value table is left out: Init alone writes it, from fields
// listed here.
template <class Visit>
auto Tool_Fields(const VR_Tools& w, Visit&& visit)
{
    return visit(::BORDER, ::Tool_Looks, w.Name, w.Window, w.Flags, w.X, w.Y, w.Z, w.Width, w.Height, w.Bevel,
                 w.Font_Name, w.Font_Style, w.Font_Extra, w.Font_Size, w.Color, w.Image, w.Spare_1, w.Spare_2,
                 w.Spare_3, w.Spare_4, w.W_Name, w.Quad_Count, w.Vertex_Array, w.Normal_Array, w.Color_Array,
                 w.Text_Vertex_Array, w.Text_Coord_Array, w.Vertex_VBO, w.Normal_VBO, w.Color_VBO, w.Text_Vertex_VBO,
                 w.Text_Coord_VBO, w.Text_Bitmap, w.Text_Texture, w.Image_Texture, w.Spare_Ptr, w.Status);
}

template <class Visit>
auto Button_Fields(const VR_Buttons& b, Visit&& visit)
{
    return visit(b.State, b.Lamp, b.Lamp_Array, b.Lamp_VBO, b.Highlight, b.Built_State);
}

template <class Visit>
auto Valuator_Fields(const VR_Valuators& v, Visit&& visit)
{
    return visit(v.Value, v.Value_Min, v.Value_Max, v.Format, v.Cursor_Half_Width, v.Scroll_Speed, v.Value_Bitmap,
                 v.Value_Texture, v.Selected, v.Spare, v.Cursor_Position, v.Pointer_Position, v.Shown_Value,
                 v.Value_Text, v.Value_Tex_Width, v.Value_Tex_Height, v.Value_Text_Width, v.Value_Text_Height,
                 v.Cursor_Quad_Count, v.Cursor_Vertex_Array, v.Cursor_Normal_Array, v.Cursor_Color_Array,
                 v.Value_Vertex_Array, v.Value_Coord_Array, v.Cursor_Vertex_VBO, v.Cursor_Normal_VBO,
                 v.Cursor_Color_VBO, v.Value_Vertex_VBO, v.Value_Coord_VBO);
}

// A kept class's snapshot: its fields and the strings it points to.
class Snapshot_Writer {
public:
    explicit Snapshot_Writer(const Entry& e)
        : e_(e), font_(Text_Length(e.widget->Font_Name)), style_(Text_Length(e.widget->Font_Style)),
          name_(Text_Length(e.widget->W_Name)),
          format_(e.kind == Kind::VALUATOR ? Text_Length(static_cast<const VR_Valuators*>(e.widget)->Format) : 0)
    {
        const auto sized = [](const auto&... fields) { return Fields_Size(fields...); };
        size_ = Tool_Fields(*e.widget, sized) + 3 * sizeof(std::size_t) + font_ + style_ + name_ * sizeof(wchar_t);
        if (e.kind == Kind::BUTTON)
            size_ += Button_Fields(*static_cast<const VR_Buttons*>(e.widget), sized);
        else if (e.kind == Kind::VALUATOR)
            size_ += Valuator_Fields(*static_cast<const VR_Valuators*>(e.widget), sized) + sizeof(std::size_t) + format_;
    }

    std::size_t Size() const { return size_; }

    // Writes Size() bytes at `out`.
    void Write(unsigned char* out) const
    {
        Put_Step step{out};
        Visit(step);
    }

    // Whether the Size() bytes at `stored` are what Write would write now: compared where they lie,
    // as a steady frame asks this of every widget.
    bool Same(const unsigned char* stored) const
    {
        Same_Step step{stored};
        Visit(step);
        return step.same;
    }

private:
    struct Put_Step {
        unsigned char* at;
        template <class... Field>
        void Fields(const Field&... fields)
        {
            Fields_Put(at, fields...);
        }
        template <class Char>
        void Text(const Char* text, std::size_t length)
        {
            Text_Put(at, text, length);
        }
    };
    struct Same_Step {
        const unsigned char* at;
        bool same = true;
        template <class... Field>
        void Fields(const Field&... fields)
        {
            ((same = same && std::memcmp(at, &fields, sizeof fields) == 0, at += sizeof fields), ...);
        }
        template <class Char>
        void Text(const Char* text, std::size_t length)
        {
            same = same && std::memcmp(at, &length, sizeof length) == 0 &&
                   (length == 0 || std::memcmp(at + sizeof length, text, length * sizeof(Char)) == 0);
            at += sizeof length + length * sizeof(Char);
        }
    };

    // Hands the snapshot's pieces to `step` in their order.
    template <class Step>
    void Visit(Step& step) const
    {
        const VR_Tools& w = *e_.widget;
        const auto fields = [&step](const auto&... f) { step.Fields(f...); };
        Tool_Fields(w, fields);
        step.Text(w.Font_Name, font_);
        step.Text(w.Font_Style, style_);
        step.Text(w.W_Name, name_);
        if (e_.kind == Kind::BUTTON) {
            Button_Fields(*static_cast<const VR_Buttons*>(e_.widget), fields);
        } else if (e_.kind == Kind::VALUATOR) {
            const VR_Valuators& v = *static_cast<const VR_Valuators*>(e_.widget);
            Valuator_Fields(v, fields);
            step.Text(v.Format, format_);
        }
    }

    const Entry& e_;
    std::size_t font_, style_, name_, format_;
    std::size_t size_ = 0;
};

// Every entry's snapshot in one store, so that thousands of widgets described at Init cost no
// allocation each. A snapshot that grows moves to the end; the room it leaves is taken back when
// it is half the store.
class Snapshots {
public:
    // Forgets every snapshot; the store keeps its memory.
    void Reset(std::vector<Entry>& entries, std::size_t expected_bytes)
    {
        for (Entry& e : entries)
            e.snapshot = Snapshot_Span{};
        store_.clear();
        unused_ = 0;
        store_.reserve(expected_bytes);
    }

    // Whether the widget is as it was when its snapshot was taken.
    bool Matches(const Entry& e)
    {
        if (!Snapshot_Kept(e.kind) || e.snapshot.size == 0)
            return false;
        const Snapshot_Writer writer(e);
        return writer.Size() == e.snapshot.size && writer.Same(store_.data() + e.snapshot.at);
    }

    // Forgets the entry's snapshot: a description cut short (out of memory) is made again.
    static void Forget(Entry& e) { e.snapshot.size = 0; }

    // The entry leaves the batch: its room is taken back at the next compaction.
    void Drop(const Entry& e) { unused_ += e.snapshot.room; }

    // Takes the entry's snapshot as the widget is now, in its room or at the end of the store.
    void Take(std::vector<Entry>& entries, Entry& e)
    {
        if (!Snapshot_Kept(e.kind))
            return;
        const Snapshot_Writer writer(e);
        Snapshot_Span& span = e.snapshot;
        span.size = 0;
        if (writer.Size() > span.room) {
            if (unused_ + span.room > store_.size() / 2 && store_.size() > 4096)
                Compact(entries);
            unused_ += span.room;
            span.at = store_.size();
            span.room = 0;
            store_.resize(store_.size() + writer.Size());
            span.room = writer.Size();
        }
        writer.Write(store_.data() + span.at);
        span.size = writer.Size();
    }

private:
    // Moves every snapshot to the front, in the entries' order, each with room for itself only.
    void Compact(std::vector<Entry>& entries)
    {
        std::vector<unsigned char> packed;
        packed.reserve(store_.size() - unused_);
        for (Entry& e : entries) {
            Snapshot_Span& span = e.snapshot;
            const std::size_t at = packed.size();
            packed.insert(packed.end(), store_.begin() + static_cast<long>(span.at),
                          store_.begin() + static_cast<long>(span.at + span.size));
            span = Snapshot_Span{at, span.size, span.size};
        }
        store_.swap(packed);
        unused_ = 0;
    }

    std::vector<unsigned char> store_;
    std::size_t unused_ = 0;  // bytes of the store no entry holds
};

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

// Lint mode: a member of a held composite left empty by a move, or a held widget given an empty
// one's content by a move assignment, draws nothing; the host is told why. (A held widget moved from
// is not held any more: its holders followed it.)
void Lint_Empty(const Entry& e)
{
    const VR_Tools& w = *e.widget;
    if (!(w.Status & VR_STATUS_INITIALISED)) {
        core::Lint_Report("Lint: a batch draws %hs at %p, which is not initialised: it draws nothing",
                          Class_Name(e.kind), static_cast<const void*>(&w));
        return;
    }
    // A container or editor that was never sized leaves its members uninitialised: only a move counts.
    const auto member = [&](const VR_Tools* m, const char* type) {
        if (m && core::Holding_Moved_From(m))
            core::Lint_Report("Lint: a batch draws %hs \"%ls\", whose %hs at %p was moved from: it draws nothing",
                              Class_Name(e.kind), w.W_Name ? w.W_Name : L"no name", type,
                              static_cast<const void*>(m));
    };
    switch (e.kind) {
    case Kind::SELECT:
        for (VR_Boxs** item = static_cast<const VR_Selects&>(w).Item; item && *item; ++item)
            member(*item, "VR_Boxs");
        break;
    case Kind::TABS:
        for (VR_TabItems** item = static_cast<const VR_Tabs&>(w).Item; item && *item; ++item)
            member(*item, "VR_TabItems");
        break;
    case Kind::COLOR: {
        const auto& c = static_cast<const VR_Colors&>(w);
        member(&c.Frame, "VR_Boxs");
        member(&c.Swatch, "VR_Boxs");
        member(&c.Slider_1, "VR_Valuators");
        member(&c.Slider_2, "VR_Valuators");
        member(&c.Slider_3, "VR_Valuators");
        break;
    }
    case Kind::HUE: {
        const auto& h = static_cast<const VR_Hues&>(w);
        member(&h.Swatch, "VR_Boxs");
        member(&h.Slider, "VR_Valuators");
        break;
    }
    default: break;
    }
}

}  // namespace

struct VR_Batches::Impl {
    std::vector<Entry> entries;
    Snapshots snapshots;
    core::Batch_Renderer renderer;
    bool laid_out = false;        // slots match entries
    bool warned_no_init = false;  // "Draw before Init" reported
    bool warned_compat = false;   // "Draw() needs a compatibility context" reported
    const void* context = nullptr;  // the GL context of the last successful Init
    bool warned_context = false;    // "another context" reported
    bool emptied = false;         // entries of destroyed widgets wait for Entries_Compact

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
                Snapshots::Forget(e);
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
            Snapshots::Forget(entries[hint]);
            return;
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].widget == from) {
                entries[i].widget = to;
                Snapshots::Forget(entries[i]);
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

    void Add(Kind kind, VR_Tools& widget)
    {
        if (!(widget.Status & VR_STATUS_INITIALISED)) {
            Error_Fct(::hwnd, 0x80000001u, "Batch: %hs \"%ls%hs\" was added before its Init; left out",
                      Class_Name(kind), core::Name_Wide(widget), core::Name_Narrow(widget));
            return;
        }
        try {
            // The holding table knows whether this batch holds the widget already: no search of the
            // entries, which would make adding N widgets quadratic.
            entries.push_back(Entry{kind, &widget, Snapshot_Span{}});
            const core::Holding_Added added = core::Holding_Add(&widget, this, holding, entries.size() - 1);
            if (added != core::Holding_Added::NEW)
                entries.pop_back();
            if (added == core::Holding_Added::FAILED)
                throw std::bad_alloc();
            if (added == core::Holding_Added::AGAIN) {
                Error_Fct(::hwnd, 0x80000001u, "Batch: %hs \"%ls%hs\" was added twice; it is drawn once",
                          Class_Name(kind), core::Name_Wide(widget), core::Name_Narrow(widget));
                return;
            }
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
        Entries_Compact();
        renderer.Slots_Resize(entries.size());
        // Every snapshot is taken again: the store starts afresh, with room for a slider's each.
        if (all)
            snapshots.Reset(entries, entries.size() * 640);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            Entry& e = entries[i];
            if (!all && snapshots.Matches(e))
                continue;
            // Forgotten until the description is complete: one cut short (out of memory) is made again.
            Snapshots::Forget(e);
            core::Look& look = renderer.Slot_Look(i);
            look.Clear();
            Describe(e, look);
            if (core::Lint_On())
                Lint_Empty(e);
            // The widget as its description left it (a button's mesh follows its State there).
            snapshots.Take(entries, e);
        }
    }

    // False, reported once, while the renderer has no program or the current context is not Init's.
    bool Ready_To_Draw()
    {
        if (!renderer.Ready()) {
            if (!warned_no_init)
                Error_Fct(::hwnd, 0x80000001u, "Batch: Draw before a successful Init; nothing drawn");
            warned_no_init = true;
            return false;
        }
        // NOTE: the program, buffers and vertex array are names of the Init's context: in another
        // one they are nothing or someone else's, and binding them leaves GL errors behind.
        if (core::Context_Handle() != context) {
            if (!warned_context)
                Error_Fct(::hwnd, 0x80000001u,
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

const core::Holder_Calls VR_Batches::Impl::holding = {
    [](void* batch, VR_Tools* widget, std::size_t hint) { static_cast<Impl*>(batch)->Entries_Remove(widget, hint); },
    [](void* batch, VR_Tools* from, VR_Tools* to, bool held, std::size_t& hint) {
        static_cast<Impl*>(batch)->Entries_Follow(from, to, held, hint);
    }};

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
    impl_->Clear();
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
    impl_->Entries_Compact();
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
