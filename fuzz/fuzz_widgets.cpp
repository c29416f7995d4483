// Stateful fuzzing of every widget class: the input is decoded into a sequence of host actions
// (field writes, Init, Draw, pointer and value operations, Grow, copies, destruction) on a few
// widgets on a headless GL context. After each action no GL error may be pending and Draw must have
// switched off what it switched on; after the last one every widget is destroyed and no buffer or
// texture may be left.
//
// The sharing rule: a copy shares its source's arrays and GL objects, and of the sharing objects
// only one may be destroyed or rebuilt while the others are in use. The harness keeps it by copying
// only in two ways: a "hand-over" (the copy replaces its source, whose storage is released without
// its destructor, as a host moving a widget within its own data does) and a "peek" (a copy that is
// only read and then released without its destructor).
//
// [SECTION] Widget classes and what each one offers
// [SECTION] Host state
// [SECTION] Actions
// [SECTION] Entry points
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/frame.h>
#include "fuzz_gl.h"
#include <vrtools/hue.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

namespace {

// ---------------------------------------------------------------------------------------------
// [SECTION] Widget classes and what each one offers
// ---------------------------------------------------------------------------------------------

enum Kind : int { LABEL, BUTTON, BOX, FRAME, PROGRESS, VALUATOR, SELECT, TABITEM, TABS, COLOR, HUE, KINDS };

template <class T, class = void>
struct Has_Select : std::false_type {};
template <class T>
struct Has_Select<T, std::void_t<decltype(std::declval<T&>().Select(0, 0.0f, 0.0f))>> : std::true_type {};
template <class T, class = void>
struct Has_Deselect : std::false_type {};
template <class T>
struct Has_Deselect<T, std::void_t<decltype(std::declval<T&>().Deselect())>> : std::true_type {};
template <class T, class = void>
struct Has_Is_Select : std::false_type {};
template <class T>
struct Has_Is_Select<T, std::void_t<decltype(std::declval<T&>().Is_Select(0.0f))>> : std::true_type {};
template <class T, class = void>
struct Has_Read : std::false_type {};
template <class T>
struct Has_Read<T, std::void_t<decltype(std::declval<T&>().Read())>> : std::true_type {};
template <class T, class = void>
struct Has_Scroll : std::false_type {};
template <class T>
struct Has_Scroll<T, std::void_t<decltype(std::declval<T&>().Scroll(0.0f))>> : std::true_type {};
template <class T, class = void>
struct Has_Adjust : std::false_type {};
template <class T>
struct Has_Adjust<T, std::void_t<decltype(std::declval<T&>().Adjust())>> : std::true_type {};
template <class T, class = void>
struct Has_Grow : std::false_type {};
template <class T>
struct Has_Grow<T, std::void_t<decltype(std::declval<T&>().Grow(0, 0))>> : std::true_type {};

// Calls `f` with the widget in `object` as its own class.
template <class F>
void Visit(Kind kind, void* object, F&& f)
{
    switch (kind) {
    case LABEL: f(*static_cast<VR_Labels*>(object)); break;
    case BUTTON: f(*static_cast<VR_Buttons*>(object)); break;
    case BOX: f(*static_cast<VR_Boxs*>(object)); break;
    case FRAME: f(*static_cast<VR_Frames*>(object)); break;
    case PROGRESS: f(*static_cast<VR_Progress*>(object)); break;
    case VALUATOR: f(*static_cast<VR_Valuators*>(object)); break;
    case SELECT: f(*static_cast<VR_Selects*>(object)); break;
    case TABITEM: f(*static_cast<VR_TabItems*>(object)); break;
    case TABS: f(*static_cast<VR_Tabs*>(object)); break;
    case COLOR: f(*static_cast<VR_Colors*>(object)); break;
    case HUE: f(*static_cast<VR_Hues*>(object)); break;
    default: std::abort();
    }
}

// Every widget lives in storage of its own so that a hand-over can release the source's storage
// without running its destructor.
template <class T, class... A>
void* Make(A&&... args)
{
    return new (::operator new(sizeof(T))) T(std::forward<A>(args)...);
}

void* Make_Kind(Kind kind)
{
    switch (kind) {
    case LABEL: return Make<VR_Labels>();
    case BUTTON: return Make<VR_Buttons>();
    case BOX: return Make<VR_Boxs>();
    case FRAME: return Make<VR_Frames>();
    case PROGRESS: return Make<VR_Progress>();
    case VALUATOR: return Make<VR_Valuators>();
    case SELECT: return Make<VR_Selects>();
    case TABITEM: return Make<VR_TabItems>();
    case TABS: return Make<VR_Tabs>();
    case COLOR: return Make<VR_Colors>();
    case HUE: return Make<VR_Hues>();
    default: std::abort();
    }
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Host state
// ---------------------------------------------------------------------------------------------

constexpr int SLOTS = 4;
constexpr int MAX_ACTIONS = 48;
constexpr int MAX_ITEMS = 12;
const HWND WINDOW = reinterpret_cast<HWND>(0x1);

const char* const FONT_NAMES[] = {nullptr, "DejaVu Sans",    "DejaVu Sans Mono", "DejaVu Serif",
                                  "",      "No Such Family", "DejaVu Sans:bold", "monospace"};
const char* const FONT_STYLES[] = {nullptr, "Bold", "Italic", "Bold Oblique", "", "Nonsense"};
// A few sizes only: the toolkit keeps every font it loads, one face per size.
const short FONT_SIZES[] = {0, -3, 1, 6, 8, 14, 16, 24, 48, 200, 512, 513, 32767};
const char* const ICONS[] = {"a.tga", "a.TGA", "missing.tga", "missing.png", "", "../Icons/a.tga"};

// What the host keeps beside a widget: the strings its fields point to.
struct Slot {
    Kind kind = LABEL;
    void* object = nullptr;
    std::string name;
    std::string format;
    std::array<std::string, MAX_ITEMS> item_names;
};

std::array<Slot, SLOTS> slots;
std::string folder;  // temporary installation folder with Icons/a.tga
std::vector<wchar_t> wide_folder;

short Coordinate(FuzzedDataProvider& in)
{
    // Mostly inside the 256 x 256 frame, sometimes anything.
    return in.ConsumeBool() ? in.ConsumeIntegral<short>() : in.ConsumeIntegralInRange<short>(-8, 260);
}

short Size(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0: return in.ConsumeIntegral<short>();
    case 1: return in.ConsumeIntegralInRange<short>(-2, 2);
    default: return in.ConsumeIntegralInRange<short>(0, 220);
    }
}

float Any_Float(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: {
        const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
        float v;
        std::memcpy(&v, &bits, sizeof(v));
        return v;  // NaN, infinities and denormals included
    }
    case 1: return 0.0f;
    default: return in.ConsumeFloatingPointInRange(-1000.0f, 1000.0f);
    }
}

std::string Text(FuzzedDataProvider& in)
{
    std::string text = in.ConsumeRandomLengthString(48);
    if (in.ConsumeIntegralInRange(0, 15) == 0)
        text.resize(1100, 'W');  // past the 1024-character name limit
    return text;
}

// Items of a container, walked to their terminator as the host sees them.
template <class T>
int Items(T& list)
{
    int n = 0;
    while (list.Item && list.Item[n])
        ++n;
    return n;
}

// Keeps the valuator's picture as large as its rectangle, as the host must.
void Picture_Fit(VR_Valuators& v, bool want)
{
    v.Image = static_cast<unsigned char*>(v.Free(v.Image));
    if (want && v.Width > 0 && v.Height > 0 && v.Width <= 256 && v.Height <= 256) {
        const std::size_t bytes = 4u * static_cast<std::size_t>(v.Width) * static_cast<std::size_t>(v.Height);
        v.Image = static_cast<unsigned char*>(std::malloc(bytes));
        if (v.Image)
            for (std::size_t i = 0; i < bytes; ++i)
                v.Image[i] = static_cast<unsigned char>(i * 7);
    }
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Actions
// ---------------------------------------------------------------------------------------------

void Base_Write(Slot& s, VR_Tools& w, FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 12)) {
    case 0: w.Flags = in.ConsumeIntegral<unsigned int>(); break;
    case 1: w.Flags ^= 1u << in.ConsumeIntegralInRange(0, 31); break;
    case 2: w.X = Coordinate(in); break;
    case 3: w.Y = Coordinate(in); break;
    case 4: w.Z = in.ConsumeIntegral<short>(); break;
    case 5: w.Width = Size(in); break;
    case 6: w.Height = Size(in); break;
    case 7: w.Bevel = in.ConsumeBool() ? in.ConsumeIntegral<short>() : in.ConsumeIntegralInRange<short>(0, 12); break;
    case 8:
        w.Font_Name = in.PickValueInArray(FONT_NAMES);
        w.Font_Style = in.PickValueInArray(FONT_STYLES);
        w.Font_Extra = in.PickValueInArray(FONT_STYLES);
        break;
    case 9: w.Font_Size = in.PickValueInArray(FONT_SIZES); break;
    case 10:
        if (in.ConsumeBool())
            w.Color_Set(in.ConsumeIntegral<unsigned int>());
        else
            w.Color_Set(in.ConsumeIntegral<unsigned char>(), in.ConsumeIntegral<unsigned char>(),
                        in.ConsumeIntegral<unsigned char>());
        break;
    case 11:
        s.name = Text(in);
        w.Name = in.ConsumeIntegralInRange(0, 7) == 0 ? nullptr : s.name.c_str();
        break;
    default:
        // The formatting setters with arguments that match their conversions.
        if (in.ConsumeBool())
            w.Set_Name("%hs %d %ls", Text(in).c_str(), in.ConsumeIntegral<int>(), L"\u00e9t\u00e9");
        else
            w.Name_Set(L"%ls %.2f", in.ConsumeBool() ? nullptr : L"wide", static_cast<double>(Any_Float(in)));
        break;
    }
}

void Own_Write(Slot& s, FuzzedDataProvider& in)
{
    Visit(s.kind, s.object, [&](auto& w) {
        using T = std::decay_t<decltype(w)>;
        if constexpr (std::is_same_v<T, VR_Buttons>) {
            if (in.ConsumeBool())
                w.State = in.ConsumeIntegralInRange<short>(-1, 2);
            else
                w.Lamp = in.ConsumeIntegralInRange<short>(-1, 2);
        } else if constexpr (std::is_same_v<T, VR_Frames>) {
            w.Depth = Size(in);
        } else if constexpr (std::is_same_v<T, VR_Valuators>) {
            switch (in.ConsumeIntegralInRange(0, 6)) {
            case 0: w.Value = Any_Float(in); break;
            case 1: w.Value_Min = Any_Float(in); break;
            case 2: w.Value_Max = Any_Float(in); break;
            case 3:
                s.format = in.ConsumeRandomLengthString(24);
                w.Format = in.ConsumeBool() ? s.format.c_str() : nullptr;
                break;
            case 4: w.Cursor_Half_Width = Size(in); break;
            case 5: w.Scroll_Speed = Any_Float(in); break;
            default: Picture_Fit(w, in.ConsumeBool()); break;
            }
        } else if constexpr (std::is_same_v<T, VR_Selects>) {
            if (in.ConsumeBool())
                w.Current = in.ConsumeIntegralInRange<short>(-3, MAX_ITEMS + 2);
            else
                w.Arrow_Size = Size(in);
        } else if constexpr (std::is_same_v<T, VR_TabItems>) {
            w.Active = in.ConsumeIntegralInRange<short>(-1, 2);
        } else if constexpr (std::is_same_v<T, VR_Tabs>) {
            w.Current = in.ConsumeIntegralInRange<short>(-3, MAX_ITEMS + 2);
        } else if constexpr (std::is_same_v<T, VR_Colors> || std::is_same_v<T, VR_Hues>) {
            w.Color_Value = in.ConsumeIntegral<unsigned int>();
        } else {
            Base_Write(s, w, in);
        }
    });
}

// The host names, colours and decorates the items of a list or a tab bar through Item.
template <class T>
void Item_Write(Slot& s, T& list, FuzzedDataProvider& in)
{
    const int n = Items(list);
    if (n == 0)
        return;
    const int i = in.ConsumeIntegralInRange(0, n - 1);
    auto* item = list.Item[i];
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        s.item_names[i] = Text(in);
        item->Name = s.item_names[i].c_str();
        break;
    case 1: item->Color_Set(in.ConsumeIntegral<unsigned int>()); break;
    case 2: item->Flags = in.ConsumeIntegral<unsigned int>(); break;
    default:
        if constexpr (std::is_same_v<T, VR_Selects>)
            item->Icon(in.PickValueInArray(ICONS));
        break;
    }
}

// A pointer position: near the widget's rectangle, or anything.
std::pair<float, float> Pointer(const VR_Tools& w, FuzzedDataProvider& in)
{
    if (in.ConsumeIntegralInRange(0, 7) == 0)
        return {Any_Float(in), Any_Float(in)};
    const float x = static_cast<float>(w.X) + in.ConsumeIntegralInRange(-4, w.Width > 0 ? w.Width + 4 : 8);
    const float y = static_cast<float>(w.Y) + in.ConsumeIntegralInRange(-4, w.Height > 0 ? w.Height + 4 : 8);
    return {x, y};
}

// Copies share their source's arrays and GL objects, each released by its last holder: a host may
// destroy an original and its copies in any order, so every hand-over destroys the widget it leaves.
template <class T>
void Destroy(T* object)
{
    object->~T();
    ::operator delete(static_cast<void*>(object));
}

void Act(FuzzedDataProvider& in)
{
    const int slot = in.ConsumeIntegralInRange(0, SLOTS - 1);
    Slot& s = slots[slot];
    const int action = in.ConsumeIntegralInRange(0, 17);
    // FUZZ_TRACE=1 shows what an input does (slot, class, action), e.g. to check a seed.
    static const bool trace = std::getenv("FUZZ_TRACE") != nullptr;
    if (trace)
        std::fprintf(stderr, "slot %d kind %d action %d\n", slot, s.object ? static_cast<int>(s.kind) : -1, action);
    if (!s.object || action == 0) {
        if (s.object)
            Visit(s.kind, s.object, [](auto& w) { Destroy(&w); });
        s = Slot{};
        s.kind = static_cast<Kind>(in.ConsumeIntegralInRange(0, KINDS - 1));
        s.object = Make_Kind(s.kind);
        return;
    }
    Visit(s.kind, s.object, [&](auto& w) {
        using T = std::decay_t<decltype(w)>;
        switch (action) {
        case 1:  // destruction
            Destroy(&w);
            s.object = nullptr;
            break;
        case 2: {  // hand-over by copy construction, the original destroyed first
            T* copy = static_cast<T*>(Make<T>(w));
            Destroy(&w);
            s.object = copy;
            break;
        }
        case 3: {  // hand-over by assignment to a fresh widget
            T* copy = static_cast<T*>(Make<T>());
            *copy = w;
            Destroy(&w);
            s.object = copy;
            break;
        }
        case 4: {  // a peek at a copy, destroyed while the original goes on
            T* copy = static_cast<T*>(Make<T>(w));
            if (copy->Name_Get() != w.Name_Get() || copy->Color_Get() != w.Color_Get())
                std::abort();
            Destroy(copy);
            break;
        }
        case 5: Base_Write(s, w, in); break;
        case 6: Own_Write(s, in); break;
        case 7:
            // NOTE: a colour editor's sliders carry ramp pictures of their own size, four bytes per
            // scene unit squared (a gigabyte at 16384 x 16384): that memory is what a host asks for,
            // not a fault, so the harness keeps to editors of at most 4 M square units.
            if constexpr (std::is_same_v<T, VR_Colors> || std::is_same_v<T, VR_Hues>)
                if (static_cast<long>(w.Width) * w.Height > (4l << 20))
                    break;
            if constexpr (std::is_same_v<T, VR_Valuators>)
                if (w.Image)
                    Picture_Fit(w, true);  // the host keeps the picture the size of the slider
            w.Init(in.ConsumeIntegralInRange(0, 7) == 0 ? nullptr : WINDOW);
            break;
        case 8:
        case 9:
            w.Draw();
            fuzz::Check_GL_State("Draw");
            break;
        case 10:
            if constexpr (Has_Select<T>::value) {
                const auto [x, y] = Pointer(w, in);
                w.Select(in.ConsumeIntegral<int>(), x, y);
            }
            break;
        case 11:
            if constexpr (Has_Deselect<T>::value)
                w.Deselect();
            break;
        case 12:
            if constexpr (Has_Is_Select<T>::value)
                w.Is_Select(Pointer(w, in).first);
            break;
        case 13:
            if constexpr (Has_Read<T>::value)
                (void)w.Read();
            break;
        case 14:
            if constexpr (Has_Scroll<T>::value)
                (void)w.Scroll(Any_Float(in));
            break;
        case 15:
            if constexpr (Has_Adjust<T>::value)
                w.Adjust();
            break;
        case 16:
            if constexpr (Has_Grow<T>::value) {
                const int count =
                    in.ConsumeBool() ? in.ConsumeIntegralInRange(0, MAX_ITEMS) : in.ConsumeIntegralInRange(-3, -1);
                w.Grow(count, in.ConsumeBool() ? 0 : in.ConsumeIntegral<int>());
            } else if constexpr (std::is_same_v<T, VR_Boxs>) {
                w.Icon(in.PickValueInArray(ICONS));
            }
            break;
        default:
            if constexpr (Has_Grow<T>::value)
                Item_Write(s, w, in);
            else
                Own_Write(s, in);
            break;
        }
    });
    fuzz::Check_GL_State("an action");
}

void Destroy_All()
{
    for (Slot& s : slots) {
        if (s.object)
            Visit(s.kind, s.object, [](auto& w) { Destroy(&w); });
        s = Slot{};
    }
}

// With every widget gone, no buffer or texture of theirs may be left: GL names are handed out
// from 1 upward and reused, so the first few thousand cover everything one input made.
void Check_No_GL_Objects()
{
    for (GLuint name = 1; name <= 2048; ++name) {
        if (glIsBuffer(name) || (name <= 512 && glIsTexture(name))) {
            std::fprintf(stderr, "fuzz: GL %s %u left after every widget was destroyed\n",
                         glIsBuffer(name) ? "buffer" : "texture", name);
            std::abort();
        }
    }
}

// A 4 x 4 32-bit TGA, written as Icons/a.tga of the temporary installation folder.
void Icons_Write()
{
    char pattern[] = "/tmp/vrtools-fuzz-widgets-XXXXXX";
    if (!mkdtemp(pattern))
        std::exit(1);
    folder = std::string(pattern) + "/";
    if (mkdir((folder + "Icons").c_str(), 0700) != 0)
        std::exit(1);
    unsigned char tga[18 + 4 * 4 * 4] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 32, 0x28};
    for (int i = 18; i < static_cast<int>(sizeof(tga)); ++i)
        tga[i] = static_cast<unsigned char>(i * 37);
    FILE* f = std::fopen((folder + "Icons/a.tga").c_str(), "wb");
    if (!f || std::fwrite(tga, 1, sizeof(tga), f) != sizeof(tga) || std::fclose(f) != 0)
        std::exit(1);
    wide_folder.assign(folder.begin(), folder.end());  // plain ASCII
    wide_folder.push_back(L'\0');
    W_Inst_Path = wide_folder.data();
}

void Clean_Up()
{
    std::remove((folder + "Icons/a.tga").c_str());
    rmdir((folder + "Icons").c_str());
    rmdir(folder.c_str());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// [SECTION] Entry points
// ---------------------------------------------------------------------------------------------

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Context_Once();
    Error_Handler_Set(&fuzz::Quiet_Handler);
    Icons_Write();
    std::atexit(Clean_Up);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    for (int i = 0; i < MAX_ACTIONS && in.remaining_bytes() > 0; ++i)
        Act(in);
    Destroy_All();
    fuzz::Check_GL_State("destruction");
    Check_No_GL_Objects();
    return 0;
}
