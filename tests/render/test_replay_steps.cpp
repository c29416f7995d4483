// The own Draw's steps as the immediate back end reads them from a description's parts, without GL:
// the parts are laid out as each class's description lays them out, the widgets only name their
// arrays and buffers (no Init, no context).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "render/immediate/steps.h"

using namespace core;

namespace {

// One line per step: the part it issues (#n) or "matrix", then what it does besides.
std::vector<std::string> Lines(const Replay_Script& script)
{
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < script.Size(); ++i) {
        const Look_Immediate& s = script[i];
        std::ostringstream o;
        if (s.part >= 0)
            o << (s.own_part ? "own#" : "#") << s.part;
        else
            o << "matrix";
        auto flag = [&o](bool on, const char* name) {
            if (on)
                o << ' ' << name;
        };
        flag(s.outer_begin, "outer");
        if (s.outer_begin)
            o << s.outer_z;
        flag(s.group_begin, "push");
        if (s.pre_z != 0.0f)
            o << " z" << s.pre_z;
        if (s.base_z != 0.0f)
            o << " base" << s.base_z;
        if (s.floor_first >= 0)
            o << " floor" << s.floor_first;
        if (s.z_step != 0.0f)
            o << " lift" << s.z_step;
        flag(s.strips, "strips");
        flag(s.flat_caption, "flat-caption");
        flag(s.lit_keep, "keep");
        flag(s.lit_open, "open");
        flag(s.loose, "loose");
        flag(s.triangle, "tri");
        flag(s.same_colour, "same");
        flag(s.joined, "joined");
        flag(s.joins, "joins");
        flag(s.light_on, "light-on");
        flag(s.light_off, "light-off");
        flag(s.hold, "hold");
        flag(s.nested, "nested");
        flag(s.nested_pop, "nested-pop");
        flag(s.group_end, "pop");
        if (s.empty_groups > 0)
            o << " empty" << s.empty_groups;
        flag(s.strips_end, "strips-end");
        flag(s.array_off == Look_Array_Off::AFTER_END, "off");
        flag(s.outer_end, "outer-end");
        lines.push_back(o.str());
    }
    return lines;
}

using Expected = std::vector<std::string>;

Look_Part& Add(Look& look, Look_Pass pass, const short* vertex, float z)
{
    Look_Part& p = look.Add(pass);
    p.vertex = vertex;
    p.quads = 1;
    p.offset[2] = z;
    return p;
}

// The arrays and buffers a widget's Init would have made; what a test names is let go again before
// the widget's destructor, which would free and delete them.
struct Arrays {
    short body[12 * 13] = {};
    short caption[12] = {};
    short extra[12] = {};
};

void Give(VR_Tools& w, Arrays& a, unsigned int vbo, bool caption)
{
    w.Vertex_Array = a.body;
    w.Vertex_VBO = vbo;
    w.Normal_VBO = vbo + 1;
    w.Color_VBO = vbo + 2;
    if (caption) {
        w.Text_Vertex_Array = a.caption;
        w.Text_Vertex_VBO = vbo + 3;
        w.Text_Coord_VBO = vbo + 4;
        w.Text_Texture = vbo + 5;
    }
}

// A button's lamp and a slider's cursor in the extra arrays, their buffers 10 on.
void Give(VR_Buttons& b, Arrays& a, unsigned int vbo)
{
    Give(b, a, vbo, true);
    b.Lamp_Array = a.extra;
    b.Lamp_VBO = vbo + 10;
}

void Give(VR_Valuators& s, Arrays& a, unsigned int vbo)
{
    Give(s, a, vbo, true);
    s.Cursor_Vertex_Array = a.extra;
    s.Cursor_Vertex_VBO = vbo + 10;
}

void Let_Go(VR_Tools& w)
{
    w.Vertex_Array = w.Text_Vertex_Array = nullptr;
    w.Vertex_VBO = w.Normal_VBO = w.Color_VBO = w.Text_Vertex_VBO = w.Text_Coord_VBO = 0;
    w.Text_Texture = w.Image_Texture = 0;
}

void Let_Go(VR_Buttons& b)
{
    Let_Go(static_cast<VR_Tools&>(b));
    b.Lamp_Array = nullptr;
    b.Lamp_VBO = 0;
}

void Let_Go(VR_Valuators& s)
{
    Let_Go(static_cast<VR_Tools&>(s));
    s.Cursor_Vertex_Array = nullptr;
    s.Cursor_Vertex_VBO = 0;
}

template <class W, class... More>
Replay_Script& Derive(Replay_Script& script, const Look& look, W& w, More... more)
{
    script.Clear();
    Script_Reader reader(look, script);
    Script_Add(reader, w, more...);
    return script;
}

int offsets_asked = 0;
int Offset_Seven(VR_Valuators&)
{
    ++offsets_asked;
    return 7;
}

}  // namespace

// The tab bar's receding tabs: described once, every part moved back by its depth. The own Draw pushes
// one matrix, moves it back a BORDER per receding tab (a hidden one too) and takes each part's
// height as the matrix's, so a caption is issued at its own lift.
TEST(ReplaySteps, TabBarRecedesUnderOneMatrix)
{
    const float B = static_cast<float>(BORDER);
    VR_Tabs bar;
    ASSERT_EQ(bar.Grow(4, 0), 1);
    bar.Item_Count = 4;
    bar.Current = 2;
    Arrays a[4];
    for (int i = 0; i < 4; ++i)
        Give(*bar.Item[i], a[i], 10u * (i + 1), i != 1);
    bar.Item[3]->Flags |= VR_HIDDEN;  // described nothing
    Look look;
    Add(look, Look_Pass::LIT, a[2].body, 0.0f);
    Add(look, Look_Pass::TEXT, a[2].caption, 1.0f);
    Add(look, Look_Pass::LIT, a[0].body, -B);
    Add(look, Look_Pass::TEXT, a[0].caption, 1.0f - B);
    Add(look, Look_Pass::LIT, a[1].body, -2 * B);
    Replay_Script script;
    Derive(script, look, bar);
    const std::string b1 = " base" + std::to_string(static_cast<int>(-B));
    const std::string b2 = " base" + std::to_string(static_cast<int>(-2 * B));
    const std::string back = "matrix z" + std::to_string(static_cast<int>(-B));
    EXPECT_EQ(Lines(script),
              (Expected{"#0", "#1 push pop off", "matrix push", back, "#2" + b1, "#3 push" + b1 + " pop off", back,
                        "#4" + b2 + " empty1 off", back, "matrix pop"}));
    // Issued where the matrix stands: the receding caption at its own lift, as the front one.
    EXPECT_EQ(look.Parts()[3].offset[2] - script[5].base_z, 1.0f);
    // A tab item reports its own source and lines from inside the bar, with its buffers.
    EXPECT_STREQ(script[4].source, "tabitem");
    EXPECT_EQ(script[4].line, 226);
    EXPECT_EQ(script[5].line, 278);
    EXPECT_EQ(script[4].vbo[0], 10u);
    EXPECT_EQ(script[7].vbo[2], 22u);
    EXPECT_EQ(script[5].texture, 15u);

    // Current outside the tabs: every shown tab recedes, the first one step back.
    bar.Current = -1;
    Look none;
    Add(none, Look_Pass::LIT, a[0].body, -B);
    Derive(script, none, bar);
    EXPECT_EQ(Lines(script),
              (Expected{"matrix push", back, "#0" + b1 + " empty1 off", back, back, back, "matrix pop"}));
    for (int i = 0; i < 4; ++i)
        Let_Go(*bar.Item[i]);
}

// A button's caption and lamp each stand in a matrix group of their own, pushed even when empty; the
// lamp's outline goes on from the lamp's height. The flat look closes the strips after its caption.
TEST(ReplaySteps, CaptionGroupsAndFlatStrips)
{
    VR_Buttons b;
    Arrays a;
    Give(b, a, 30u);
    Look look;
    Add(look, Look_Pass::LIT, a.body, 0.0f);
    Add(look, Look_Pass::TEXT, a.caption, 2.0f);
    Add(look, Look_Pass::FLAT, a.extra, 2.0f);
    Add(look, Look_Pass::OUTLINE, a.extra, 2.5f);
    Replay_Script script;
    Derive(script, look, b, 77);
    EXPECT_EQ(Lines(script), (Expected{"#0", "#1 push pop", "#2 push", "#3 lift0.5 pop off"}));
    EXPECT_EQ(script[2].vbo[0], 40u);
    for (std::size_t i = 0; i < script.Size(); ++i) {
        EXPECT_STREQ(script[i].call, "VR_Buttons::Draw: glDrawArrays");
        EXPECT_EQ(script[i].line, 77);
    }

    // Neither caption nor lamp: two empty groups after the body.
    Look bare;
    Add(bare, Look_Pass::LIT, a.body, 0.0f);
    Derive(script, bare, b, 77);
    EXPECT_EQ(Lines(script), (Expected{"#0 empty2 off"}));

    b.Flags |= VR_FLAT;
    Look flat;
    Add(flat, Look_Pass::FLAT, a.body, 1.5f - static_cast<float>(BORDER));
    Add(flat, Look_Pass::TEXT, a.caption, 1.5f);
    Derive(script, flat, b, 77);
    EXPECT_EQ(Lines(script), (Expected{"#0 strips", "#1 flat-caption strips-end"}));
    EXPECT_EQ(script[1].caption.unpack_one, true);
    Let_Go(b);
}

// Parts issued inside another's pass: a list's arrow walls in one glBegin between the triangles that
// switch lighting on and off; a slider's cursor in its body's lit pass and its read-out nested in
// the caption's pass and matrix, shifted with the cursor.
TEST(ReplaySteps, JoinedPassesAndNestedReadOut)
{
    VR_Selects list;
    Look arrows;
    for (int i = 0; i < 10; ++i)
        Add(arrows, Look_Pass::LIT, nullptr, 0.0f);
    Replay_Script script;
    Derive(script, arrows, list);
    const Expected arrow{"loose tri light-on", "loose same joins", "loose same joined joins", "loose same joined",
                         "loose tri light-off"};
    ASSERT_EQ(script.Size(), 10u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(Lines(script)[i], "#" + std::to_string(i) + " " + arrow[i % 5]);
    list.Flags |= VR_FLAT;
    Look flat_arrows;
    Add(flat_arrows, Look_Pass::FLAT, nullptr, 0.5f);
    Add(flat_arrows, Look_Pass::FLAT, nullptr, 0.5f);
    Derive(script, flat_arrows, list);
    EXPECT_EQ(Lines(script), (Expected{"#0 loose tri", "#1 loose tri"}));

    VR_Valuators s;
    Arrays a;
    Give(s, a, 50u);
    Look look;
    Add(look, Look_Pass::LIT, a.body, 0.0f);
    Add(look, Look_Pass::LIT, a.extra, 0.0f).offset[0] = 31.0f;
    Add(look, Look_Pass::TEXT, a.caption, 1.0f);
    Add(look, Look_Pass::TEXT, nullptr, 1.0f);  // the read-out, made as it is drawn
    offsets_asked = 0;
    Derive(script, look, s, Readout_Refresh{}, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"#0 keep", "#1 open", "#2 hold", "#3 nested nested-pop off"}));
    EXPECT_EQ(script[1].vbo[0], 60u);
    EXPECT_EQ(script[2].caption.unpack_one, false);
    EXPECT_EQ(script[3].shift, 31.0f);  // the cursor part's place: not asked again
    EXPECT_EQ(offsets_asked, 0);

    // Flat: the read-out closes the strips instead of the caption and leaves the combiner as set.
    s.Flags |= VR_FLAT;
    Look flat;
    Add(flat, Look_Pass::FLAT, a.body, 1.5f - static_cast<float>(BORDER));
    Add(flat, Look_Pass::TEXT, a.caption, 1.5f);
    Add(flat, Look_Pass::TEXT, nullptr, 1.5f);
    Derive(script, flat, s, Readout_Refresh{}, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"#0 strips", "#1 flat-caption hold", "#2 nested strips-end"}));
    EXPECT_EQ(script[2].restore, Caption_Restore::NONE);
    EXPECT_EQ(script[2].shift, 7.0f);
    EXPECT_EQ(offsets_asked, 1);
    Let_Go(s);
}

// A box stands in a matrix moved by its z: every height the replay issues is above it. Its floor
// drawn apart, unlit, is found from where its quad lies in the body's arrays.
TEST(ReplaySteps, BoxOuterMatrixAndUnlitFloor)
{
    VR_Boxs box;
    Arrays a;
    Give(box, a, 70u, true);
    box.Z = 3;
    Look look;
    Add(look, Look_Pass::LIT, a.body, 3.0f).quads = 5;
    Add(look, Look_Pass::UNLIT, a.body + 5 * 12, 3.0f);
    Add(look, Look_Pass::PICTURE, nullptr, 4.25f);
    Add(look, Look_Pass::TEXT, a.caption, 5.0f);
    Replay_Script script;
    Derive(script, look, box);
    EXPECT_EQ(Lines(script), (Expected{"#0 outer3 base3 floor20", "#1 base3", "#2 base3", "#3 base3 off outer-end"}));
    EXPECT_EQ(script[3].restore, Caption_Restore::COMBINER_AND_MODE);

    // Flat: the picture and the caption stand above the strips' 1.5.
    box.Flags |= VR_FLAT;
    Look flat;
    Add(flat, Look_Pass::FLAT, a.body, 3.0f + 1.5f - static_cast<float>(BORDER));
    Add(flat, Look_Pass::PICTURE, nullptr, 3.75f);
    Add(flat, Look_Pass::TEXT, a.caption, 4.5f);
    Derive(script, flat, box);
    EXPECT_EQ(Lines(script), (Expected{"#0 outer3 base3 strips", "#1 base4.5", "#2 base3 strips-end outer-end"}));
    EXPECT_TRUE(script[2].bare);
    EXPECT_EQ(script[2].caption.rgb, CAPTION_MODULATE);
    Let_Go(box);
}

// A slider is described alike for both back ends; its own Draw shows the read-out only under a
// caption, loads it where a format is set even when nothing was described to show, and opens its
// body's lit pass even when the body had no quads to describe.
TEST(ReplaySteps, SliderReadOutUnderItsCaptionOnly)
{
    VR_Valuators s;
    Arrays a;
    Give(s, a, 50u);
    s.Width = 300;
    s.Height = 32;
    s.Format = "%.1f";
    short value[12] = {};
    Replay_Script script;

    // No caption: the read-out described after the strips, or after the cursor, is left out.
    s.Flags |= VR_FLAT;
    Look flat;
    Add(flat, Look_Pass::FLAT, a.body, 1.5f - static_cast<float>(BORDER));
    Add(flat, Look_Pass::TEXT, value, 1.5f);
    Derive(script, flat, s, Readout_Refresh{}, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"#0 strips strips-end"}));
    s.Flags &= ~VR_FLAT;
    Look lit;
    Add(lit, Look_Pass::LIT, a.body, 0.0f);
    Add(lit, Look_Pass::LIT, a.extra, 0.0f);
    Add(lit, Look_Pass::TEXT, value, 1.0f);
    Derive(script, lit, s, Readout_Refresh{}, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"#0 keep", "#1 open off"}));

    // A caption but no read-out described (a refused format, nothing to show): the own Draw still
    // refreshes one in its place, a part of its own; without a format it has none.
    const Readout_Refresh refresh = [](void*, Look_Part&, Look_Immediate&) { return false; };
    Look unshown;
    Add(unshown, Look_Pass::LIT, a.body, 0.0f);
    Add(unshown, Look_Pass::TEXT, a.caption, 1.0f);
    Derive(script, unshown, s, refresh, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"#0", "#1 hold", "own#0 nested nested-pop off"}));
    EXPECT_EQ(script[2].refresh, refresh);
    EXPECT_EQ(script[2].owner, &s);
    EXPECT_EQ(script.Part_Of(unshown, script[2])->pass, Look_Pass::TEXT);
    s.Format = nullptr;
    Derive(script, unshown, s, refresh, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"#0", "#1 off"}));
    s.Format = "%.1f";

    // A body without quads is not described, yet its pass is opened, the cursor in it.
    Look no_body;
    Add(no_body, Look_Pass::LIT, a.extra, 0.0f);
    Add(no_body, Look_Pass::TEXT, a.caption, 1.0f);
    Add(no_body, Look_Pass::TEXT, value, 1.0f);
    Derive(script, no_body, s, refresh, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"own#0 keep", "#0 open", "#1 hold", "#2 nested nested-pop off"}));
    EXPECT_EQ(script[0].vbo[0], 50u);
    EXPECT_EQ(script.Part_Of(no_body, script[0])->quads, 0);
    // Nothing described at all (drawn before Init): the empty pass alone; hidden, nothing.
    Derive(script, Look{}, s, refresh, Offset_Seven);
    EXPECT_EQ(Lines(script), (Expected{"own#0 off"}));
    s.Flags |= VR_HIDDEN;
    Derive(script, Look{}, s, refresh, Offset_Seven);
    EXPECT_EQ(script.Size(), 0u);
    s.Format = nullptr;
    Let_Go(s);
}
