// What the per-widget replay needs beyond a description to issue it as the widget's own Draw does:
// per part, the buffers its arrays were uploaded to, the state its pass sets and puts back, the
// matrix groups around it and where GL errors are reported. Kept beside a Look, not in its parts, so
// that the description stays free of GL and the batch carries none of it.
#pragma once

#include <cstddef>
#include <vector>

#include "core/core.h"
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

// One part's replay fields.
struct Look_Immediate {
    GLuint vbo[3] = {0, 0, 0};  // LIT: vertex, normal, colour; TEXT: vertex, coordinate; FLAT, OUTLINE: vertex
    GLuint texture = 0;         // TEXT
    int first = 0;              // first vertex drawn from the buffers
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
    // Moves the matrix along z after the group's push, before the part (a tab bar's receding tabs).
    float pre_z = 0.0f;
    bool matrix_only = false;  // no geometry: only the matrix steps above
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

// The replay fields of a Look's parts, by the parts' index. Clearing keeps the storage (and what
// was in it, written over as the fields are asked for again), so a steady Draw allocates nothing.
class Replay_Script {
public:
    void Clear() { used_ = 0; }
    // The fields of part `i`, set to their defaults when first asked for since Clear.
    Look_Immediate& At(std::size_t i)
    {
        // Copied from one set of defaults: cheaper than building them field by field each time.
        static const Look_Immediate defaults;
        for (; used_ <= i; ++used_) {
            if (used_ < steps_.size())
                steps_[used_] = defaults;
            else
                steps_.push_back(defaults);
        }
        return steps_[i];
    }
    // The parts that have fields; those after them have the defaults.
    std::size_t Size() const { return used_; }
    const Look_Immediate& operator[](std::size_t i) const { return steps_[i]; }

private:
    std::vector<Look_Immediate> steps_;
    std::size_t used_ = 0;
};

// The replay fields of `part`, one of `look`'s parts, in the script the look was given (the widget's
// own Draw gives its scratch one). Without a script, a spare set nobody reads: a description is
// written once for both back ends and the batch has no use for these.
Look_Immediate& Look_Spare();
inline Look_Immediate& Look_Step(Look& look, std::size_t i)
{
    if (Replay_Script* script = look.Script())
        return script->At(i);
    return Look_Spare();
}
inline Look_Immediate& Look_Step(Look& look, const Look_Part& part)
{
    return Look_Step(look, static_cast<std::size_t>(&part - look.Parts().data()));
}

// The widget's own Draw: issues the parts as GL calls in the fixed-function pipeline, each part with
// the state its script's fields name. `source` names the widget's file in GL error reports.
void Look_Replay(const Look& look, const char* source);

// A description with a script, kept for the widget's own Draw: cleared before each use, its storage
// stays, so a steady Draw allocates nothing.
Look& Look_Scratch();

// [SECTION] Helpers shared by the descriptions that also set the replay's fields

// The flat look's caption on the strips' plane (after Look_Flat_Strips): the caption quad lowered by
// its own z, in the strips' colour, and the strips closed after it (or after the strips when there
// is no caption). Returns the caption part or null.
Look_Part* Look_Flat_Caption(Look& look, const VR_Tools& tool, const Caption_State& state);

// Replay fields of a lit part drawn from the widget's three base buffers; returns them.
Look_Immediate& Look_Mesh_Buffers(Look& look, const Look_Part& part, const VR_Tools& tool);

// Replay fields of a caption part drawn from the widget's caption buffers and texture; returns them.
Look_Immediate& Look_Caption_Buffers(Look& look, const Look_Part& part, const VR_Tools& tool);

// The flat look's strips: the first `quads` quads of the base mesh in LOOK_FLAT_RGB, lifted by
// 1.5 - BORDER.
void Look_Flat_Strips(Look& look, const VR_Tools& tool, int quads);

}  // namespace core
