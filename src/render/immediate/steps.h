// What the per-widget replay issues beyond a description, step by step, and how each widget class's
// steps are read from its parts. Kept apart from the description (the batch carries none of it) and
// free of GL, so that the rules are tested without a context; the GL calls are replay.cpp's.
#pragma once

#include <cstddef>
#include <vector>

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/frame.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

#include "core/caption_kinds.h"
#include "render/look.h"

namespace core {

// How the widget's own Draw sets up a lit part.
enum class Look_Lit : unsigned char {
    STANDARD,  // Lit_Pass_Begin / Lit_Pass_End
    MATTE,     // a slab without shine or glow: the material set here, colour material on top
    FLOOR,     // STANDARD, lighting off after the draw, then the quad at `floor_first` unlit if >= 0
};

// When the widget's own Draw switches the vertex array off around a part's end.
enum class Look_Array_Off : unsigned char { NONE, BEFORE_END, AFTER_END };

// One step of the replay: a part issued (`part`), or only the matrix moves around it when `part` is
// negative (a tab bar's receding tabs, a step per tab whether it shows or not).
struct Look_Immediate {
    int part = -1;
    // `part` is one of the script's own parts: one the own Draw issues that the description left out.
    bool own_part = false;
    // GL names, as the widget keeps them.
    unsigned int vbo[3] = {0, 0, 0};  // LIT: vertex, normal, colour; TEXT: vertex, coordinate; FLAT, OUTLINE: vertex
    unsigned int texture = 0;         // TEXT, PICTURE
    int first = 0;                    // first vertex drawn from the buffers
    Look_Lit lit = Look_Lit::STANDARD;
    int floor_first = -1;   // LIT with FLOOR: first vertex of the unlit floor quad
    Caption_State caption;  // TEXT
    Caption_Restore restore = Caption_Restore::COMBINER;
    bool strips = false;         // FLAT: the flat look's strips (Flat_Strips_Begin), else a plain quad in `rgb`
    bool strips_end = false;     // the strips' matrix popped after the part
    bool flat_caption = false;   // TEXT: on the strips' plane in their colour, lowered by its own z
    bool texture_shift = false;  // TEXT: shift_s applied through the texture matrix
    bool bare = false;           // TEXT: drawn where the matrix stands, in the current colour
    // A matrix group: pushed before the part's pass begins, popped after the part (or a later one)
    // ends; its translation comes after the arrays are bound. Outside a group a TEXT part pushes
    // and pops around its own draw.
    bool group_begin = false, group_end = false;
    int empty_groups = 0;  // push and pop pairs with nothing in them, after the part
    float z_step = 0.0f;   // OUTLINE: lift above the part before it, in the same group
    float base_z = 0.0f;   // TEXT, PICTURE: what the matrix already stands above offset[2]'s zero
    // The widget's outer matrix: pushed and moved by `outer_z` before the first part, popped after
    // everything else of the last one.
    bool outer_begin = false, outer_end = false;
    float outer_z = 0.0f;
    Look_Array_Off array_off = Look_Array_Off::NONE;
    const char* call = nullptr;    // GL errors reported after the draw under this name, when set
    int line = 0;                  // and this line of the widget's source
    const char* source = nullptr;  // that source when it is not the replaying widget's (a container's item)
    // Moves the matrix along z after the group's push, before the part.
    float pre_z = 0.0f;
    // LIT: `lit_open` goes on with the pass of the part before (the part's own buffers bound under
    // a pushed matrix moved by `offset`); `lit_keep` leaves the pass open for the part after. A
    // part without quads issues no draw.
    bool lit_open = false, lit_keep = false;
    bool picture_replace = false;  // PICTURE: the texture replaces the colour, unblended
    // TEXT: `hold` leaves the caption pass and matrix open for a `nested` part after it, which binds
    // its own buffers, moves to `at`, along x by `shift`, scales by the part's scale, moves back by
    // `center` along x, and closes them (popping the matrix when `nested_pop`).
    bool hold = false, nested = false, nested_pop = false;
    float at[2] = {0.0f, 0.0f};
    float shift = 0.0f, center = 0.0f;
    // Content brought up to date as it is drawn (a read-out formatted each frame, uploads included):
    // called on copies of the part and of these fields just before they are issued, it fills in what
    // changed and returns false when there is nothing to show.
    bool (*refresh)(void* owner, Look_Part& part, Look_Immediate& im) = nullptr;
    void* owner = nullptr;
    // Drawn without arrays between glBegin and glEnd, from the part's own corners lifted by
    // offset[2]: a triangle (its first three corners) or a quad. `joined` goes on with the glBegin of
    // the part before, `joins` leaves it open for the part after; `same_colour` draws in the current
    // colour. `light_on` switches lighting with colour material on before, `light_off` off after.
    // NOTE: no normal is issued: such a part is lit with whatever normal is current.
    bool loose = false, triangle = false, joined = false, joins = false, same_colour = false;
    bool light_on = false, light_off = false;
};

using Readout_Refresh = bool (*)(void* owner, Look_Part& part, Look_Immediate& im);

// The replay's steps for one description, in the order they are issued. Clearing keeps the storage,
// so a steady Draw allocates nothing.
class Replay_Script {
public:
    void Clear() { used_ = own_used_ = 0; }
    // A step at its defaults, issuing part `part` (negative: none).
    Look_Immediate& Add(int part)
    {
        // Copied from one set of defaults: cheaper than building them field by field each time.
        static const Look_Immediate defaults;
        if (used_ < steps_.size())
            steps_[used_] = defaults;
        else
            steps_.push_back(defaults);
        Look_Immediate& step = steps_[used_++];
        step.part = part;
        return step;
    }
    // A step issuing a copy of `part`, kept by the script: what the own Draw issues where the
    // description has nothing (a pass opened without quads, a read-out loaded though not shown).
    Look_Immediate& Add_Own(const Look_Part& part)
    {
        if (own_used_ < own_.size())
            own_[own_used_] = part;
        else
            own_.push_back(part);
        Look_Immediate& step = Add(static_cast<int>(own_used_++));
        step.own_part = true;
        return step;
    }
    std::size_t Size() const { return used_; }
    Look_Immediate& operator[](std::size_t i) { return steps_[i]; }
    const Look_Immediate& operator[](std::size_t i) const { return steps_[i]; }
    // The part a step issues, the description's or the script's own; null for matrix moves only.
    const Look_Part* Part_Of(const Look& look, const Look_Immediate& step) const
    {
        if (step.part < 0)
            return nullptr;
        const std::size_t i = static_cast<std::size_t>(step.part);
        return step.own_part ? &own_[i] : &look.Parts()[i];
    }

private:
    std::vector<Look_Immediate> steps_;
    std::size_t used_ = 0;
    std::vector<Look_Part> own_;
    std::size_t own_used_ = 0;
};

// A description's parts read in order into a script's steps, each class taking the parts its
// description added. A part is known by its pass and the arrays it is drawn from (each widget's
// own). NOTE: a step's reference lasts until the next step is added.
class Script_Reader {
public:
    Script_Reader(const Look& look, Replay_Script& script) : look_(look), script_(script) {}
    // The next part when it is of `pass` and drawn from `vertex` (null: its own quad), else null.
    const Look_Part* Next(Look_Pass pass, const short* vertex) const
    {
        const Look_Parts& parts = look_.Parts();
        if (next_ >= parts.size() || parts[next_].pass != pass || parts[next_].vertex != vertex)
            return nullptr;
        return &parts[next_];
    }
    // The next part when it is of `pass`, whatever its arrays.
    const Look_Part* Next(Look_Pass pass) const
    {
        const Look_Part* p = Next();
        return p && p->pass == pass ? p : nullptr;
    }
    // The next part whatever it is, or null after the last.
    const Look_Part* Next() const { return next_ < look_.Parts().size() ? &look_.Parts()[next_] : nullptr; }
    // A step issuing the next part.
    Look_Immediate& Take() { return script_.Add(static_cast<int>(next_++)); }
    // A step issuing the next part when it is of `pass` and drawn from `vertex`, else null.
    Look_Immediate* Take(Look_Pass pass, const short* vertex) { return Next(pass, vertex) ? &Take() : nullptr; }
    // A step of matrix moves only.
    Look_Immediate& Matrix() { return script_.Add(-1); }
    // A step issuing a part the description does not have.
    Look_Immediate& Own(const Look_Part& part) { return script_.Add_Own(part); }
    // The last step so far, whoever added it, or null.
    Look_Immediate* Last() { return script_.Size() > 0 ? &script_[script_.Size() - 1] : nullptr; }
    std::size_t Steps() const { return script_.Size(); }
    Look_Immediate& Step(std::size_t i) { return script_[i]; }
    const Look_Part* Part_Of(const Look_Immediate& step) const { return script_.Part_Of(look_, step); }

private:
    const Look& look_;
    Replay_Script& script_;
    std::size_t next_ = 0;
};

// [SECTION] Each class's steps, read from what its Look_Describe added (the widget's fields as they
// were when it described). `line`: the widget's source line named in its GL error reports.

void Script_Add(Script_Reader& r, const VR_Labels& w, int line);
void Script_Add(Script_Reader& r, const VR_Frames& w, int line);
void Script_Add(Script_Reader& r, const VR_Buttons& w, int line);
void Script_Add(Script_Reader& r, const VR_Boxs& w);
void Script_Add(Script_Reader& r, const VR_Progress& w);
void Script_Add(Script_Reader& r, const VR_TabItems& w);
// The tabs in front-first order: the receding ones under one pushed matrix moved back a BORDER per
// tab, their parts' heights taken as the matrix's.
void Script_Add(Script_Reader& r, const VR_Tabs& w);
// A list's arrows (its item draws itself): corners in immediate mode, each arrow's walls in one glBegin.
void Script_Add(Script_Reader& r, const VR_Selects& w);
// A slider's: the body and cursor in one lit pass (the body's pass opened even when it has no quads
// to describe), the read-out (`refresh` loads it as it is drawn) inside its caption's pass and
// matrix, moved along with the cursor (`cursor_offset`); a read-out without a caption is left out.
void Script_Add(Script_Reader& r, VR_Valuators& w, Readout_Refresh refresh, int (*cursor_offset)(VR_Valuators&));

// The flat look's strips (Look_Flat_Strips) and caption (Look_Flat_Caption) in `state`; the strips'
// matrix popped after the last step.
void Script_Flat(Script_Reader& r, const VR_Tools& tool, const Caption_State& state);

}  // namespace core
