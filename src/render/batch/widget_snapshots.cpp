// Snapshots of the widgets' fields for the batch's change detection.
#include "render/batch/widget_snapshots.h"

#include <vrtools/button.h>
#include <vrtools/label.h>
#include <vrtools/valuator.h>

#include <cstring>
#include <cwchar>

namespace core {

namespace {

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

std::size_t Text_Length(const char* text)
{
    return text ? std::strlen(text) : 0;
}
std::size_t Text_Length(const wchar_t* text)
{
    return text ? std::wcslen(text) : 0;
}

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
static_assert(sizeof(void*) != 8 ||
                  (sizeof(VR_Labels) == 200 && sizeof(VR_Buttons) == 216 && sizeof(VR_Valuators) == 4592),
              "a widget's fields changed: update Tool_Fields, Button_Fields or Valuator_Fields");

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
    static bool Done() { return false; }
};
// Compares with a snapshot, taking each string's length from it: a steady frame asks this of every
// widget, and measuring every string first would read each of them twice.
struct Match_Step {
    const unsigned char* at;
    bool same = true;
    template <class... Field>
    void Fields(const Field&... fields)
    {
        ((same = same && std::memcmp(at, &fields, sizeof fields) == 0, at += sizeof fields), ...);
    }
    template <class Char>
    void Text(const Char* text, std::size_t)
    {
        std::size_t length;
        std::memcpy(&length, at, sizeof length);
        at += sizeof length;
        if (same) {
            if (!text) {
                same = length == 0;
            } else {
                // Character by character up to the stored length, so that a shorter string is never
                // read past its end.
                for (std::size_t i = 0; i < length && same; ++i)
                    same = std::memcmp(at + i * sizeof(Char), text + i, sizeof(Char)) == 0;
                same = same && text[length] == 0;
            }
        }
        at += length * sizeof(Char);
    }
    // A difference found: the rest need not be read.
    bool Done() const { return !same; }
};

// A kept class's snapshot: its fields and the strings it points to.
class Snapshot_Writer {
public:
    // Without its strings measured: for Match only.
    struct Unmeasured {};
    Snapshot_Writer(const Snapshot_Subject& e, Unmeasured) : e_(e), font_(0), style_(0), name_(0), format_(0) {}

    explicit Snapshot_Writer(const Snapshot_Subject& e)
        : e_(e), font_(Text_Length(e.widget->Font_Name)), style_(Text_Length(e.widget->Font_Style)),
          name_(Text_Length(e.widget->W_Name)),
          format_(e.fields == Snapshot_Fields::VALUATOR
                      ? Text_Length(static_cast<const VR_Valuators*>(e.widget)->Format)
                      : 0)
    {
        const auto sized = [](const auto&... fields) { return Fields_Size(fields...); };
        size_ = Tool_Fields(*e.widget, sized) + 3 * sizeof(std::size_t) + font_ + style_ + name_ * sizeof(wchar_t);
        if (e.fields == Snapshot_Fields::BUTTON)
            size_ += Button_Fields(*static_cast<const VR_Buttons*>(e.widget), sized);
        else if (e.fields == Snapshot_Fields::VALUATOR)
            size_ +=
                Valuator_Fields(*static_cast<const VR_Valuators*>(e.widget), sized) + sizeof(std::size_t) + format_;
    }

    std::size_t Size() const { return size_; }

    // Writes Size() bytes at `out`.
    void Write(unsigned char* out) const
    {
        Put_Step step{out};
        Visit(step);
    }

    // Whether the `size` bytes at `stored` are what Write would write now: compared where they lie,
    // without measuring first, as a steady frame asks this of every widget.
    bool Match(const unsigned char* stored, std::size_t size) const
    {
        Match_Step step{stored};
        Visit(step);
        return step.same && step.at == stored + size;
    }

private:
    // Hands the snapshot's pieces to `step` in their order: the class's own fields first, as a
    // slider's value and a button's state are what change from frame to frame, and a match stops
    // there once it found a difference (it answers "changed" then, never "same").
    template <class Step>
    void Visit(Step& step) const
    {
        const VR_Tools& w = *e_.widget;
        const auto fields = [&step](const auto&... f) { step.Fields(f...); };
        if (e_.fields == Snapshot_Fields::BUTTON) {
            Button_Fields(*static_cast<const VR_Buttons*>(e_.widget), fields);
        } else if (e_.fields == Snapshot_Fields::VALUATOR) {
            const VR_Valuators& v = *static_cast<const VR_Valuators*>(e_.widget);
            Valuator_Fields(v, fields);
            step.Text(v.Format, format_);
        }
        if (step.Done())
            return;
        Tool_Fields(w, fields);
        step.Text(w.Font_Name, font_);
        step.Text(w.Font_Style, style_);
        step.Text(w.W_Name, name_);
    }

    const Snapshot_Subject& e_;
    std::size_t font_, style_, name_, format_;
    std::size_t size_ = 0;
};

}  // namespace

void Widget_Snapshots::Prefetch(const Snapshot_Subject& e) const
{
    if (e.snapshot.size == 0)
        return;
    const unsigned char* at = store_.data() + e.snapshot.at;
    for (std::size_t b = 0; b < e.snapshot.size; b += 64)
        __builtin_prefetch(at + b);
    // The base record, and past a slider's value table the fields compared after its value.
    const char* w = reinterpret_cast<const char*>(e.widget);
    for (std::size_t b = 0; b < sizeof(VR_Tools); b += 64)
        __builtin_prefetch(w + b);
    if (e.fields == Snapshot_Fields::VALUATOR) {
        const VR_Valuators& v = *static_cast<const VR_Valuators*>(e.widget);
        const char* end = w + sizeof(VR_Valuators);
        for (const char* b = reinterpret_cast<const char*>(&v.Cursor_Position); b < end; b += 64)
            __builtin_prefetch(b);
    }
}

void Widget_Snapshots::Prefetch_Strings(const Snapshot_Subject& e)
{
    if (e.fields == Snapshot_Fields::NONE || e.snapshot.size == 0)
        return;
    const VR_Tools& w = *e.widget;
    __builtin_prefetch(w.Font_Name);
    __builtin_prefetch(w.Font_Style);
    __builtin_prefetch(w.W_Name);
    if (e.fields == Snapshot_Fields::VALUATOR)
        __builtin_prefetch(static_cast<const VR_Valuators&>(w).Format);
}

bool Widget_Snapshots::Matches(const Snapshot_Subject& e) const
{
    if (e.fields == Snapshot_Fields::NONE || e.snapshot.size == 0)
        return false;
    const Snapshot_Writer writer(e, Snapshot_Writer::Unmeasured{});
    return writer.Match(store_.data() + e.snapshot.at, e.snapshot.size);
}

std::size_t Widget_Snapshots::Size_Of(const Snapshot_Subject& e)
{
    return Snapshot_Writer(e).Size();
}

void Widget_Snapshots::Write_At(const Snapshot_Subject& e, unsigned char* out)
{
    Snapshot_Writer(e).Write(out);
}

}  // namespace core
