// The own Draw's scratch description and script.
#include "render/immediate/script.h"

namespace core {

Look& Look_Scratch()
{
    static Look look;
    look.Clear();
    return look;
}

Replay_Script& Script_Scratch()
{
    static Replay_Script script;
    script.Clear();
    return script;
}

}  // namespace core
