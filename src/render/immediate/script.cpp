// The own Draw's scratch description and script.
#include "render/immediate/script.h"

namespace core {

Look& Look_Scratch()
{
    static Look look;
    look.Clear();
    // A text formatted at the last Draw would do for any slider of its format and value, but not
    // after a change of locale, which the own Draw has always followed at once.
    look.Memo().valid = false;
    return look;
}

Replay_Script& Script_Scratch()
{
    static Replay_Script script;
    script.Clear();
    return script;
}

}  // namespace core
