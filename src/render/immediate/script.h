// The widget's own Draw: its description's steps derived (steps.h) and issued as fixed-function GL
// calls, call for call as the widget has always drawn.
#pragma once

#include "core/core.h"
#include "render/immediate/steps.h"
#include "render/look.h"

namespace core {

static_assert(sizeof(GLuint) == sizeof(unsigned int), "the script keeps GL names as unsigned int");

// Issues the script's steps over `look`'s parts as GL calls in the fixed-function pipeline.
// `source` names the widget's file in GL error reports.
void Look_Replay(const Look& look, const Replay_Script& script, const char* source);

// A description and a script kept for the widget's own Draw: cleared for each use, their storage
// stays, so a steady Draw allocates nothing.
Look& Look_Scratch();
Replay_Script& Script_Scratch();

// The own Draw of `look`, which `widget` described: its steps read by the class's rules (with
// `rule` besides, where the class takes more), then issued.
template <class Widget, class... Rule>
void Look_Draw(Widget& widget, const Look& look, const char* source, Rule... rule)
{
    Replay_Script& script = Script_Scratch();
    Script_Reader reader(look, script);
    Script_Add(reader, widget, rule...);
    Look_Replay(look, script, source);
}

}  // namespace core
