// Who holds a widget by its address (batches, dispatchers): a side table that a widget's destructor
// and moves consult, so that a holder forgets a destroyed widget and follows a moved one. Only Add,
// Remove, Clear, destruction and moves touch it; drawing and events never do.
#pragma once

#include <cstddef>

#include <vrtools/tools.h>

namespace core {

// What the table asks of a holder. Neither call may read the widgets: `from` is being taken apart
// and `to` is not yet fully built. `hint` is where the holder last said it keeps the widget (a
// position in its own list, maybe out of date), so that a holder of thousands need not search them
// at each move of a growing std::vector.
struct Holder_Calls {
    // `widget` is being destroyed: the holder lets go of it. The table no longer lists the pair.
    void (*forget)(void* holder, VR_Tools* widget, std::size_t hint);
    // `from` moved into `to`: the holder holds `to` where it held `from`, once: `held` says it held
    // `to` already. The table lists the holder under `to` already, with `hint` for the holder to
    // bring up to date.
    void (*follow)(void* holder, VR_Tools* from, VR_Tools* to, bool held, std::size_t& hint);
};

enum class Holding_Added { FAILED, NEW, AGAIN };

// `holder` holds `widget` from now on, at `hint` in its list. AGAIN: it held it already (the first
// hint stays); FAILED: memory ran out, and the holder must leave the widget out.
Holding_Added Holding_Add(const VR_Tools* widget, void* holder, const Holder_Calls& calls, std::size_t hint);
// The holder keeps `widget` at `hint` now.
void Holding_Hint(const VR_Tools* widget, const void* holder, std::size_t hint);
// How many holders hold `widget` through `calls` (how many batches draw it, say).
std::size_t Holding_Count(const VR_Tools* widget, const Holder_Calls& calls);
// `holder` no longer holds `widget`; unknown pairs are ignored.
void Holding_Remove(const VR_Tools* widget, const void* holder);
// `holder` holds nothing any more (cleared or destroyed).
void Holding_Drop(const void* holder);
// `to`, a copy of the holder `from`, holds what `from` holds. Throws std::bad_alloc with nothing
// changed when memory runs out.
void Holding_Copy(const void* from, void* to);
// The holder `from` moved into `to`: its pairs are handed over.
void Holding_Move(const void* from, void* to);

// Called by the widget's destructor: every holder forgets it.
void Holding_Destroyed(VR_Tools* widget);
// Called by the widget's moves, `to` having taken everything of `from`: every holder of `from`
// holds `to` instead. When memory runs out, they forget `from` (reported, code 1).
void Holding_Moved(VR_Tools* from, VR_Tools* to);
// Lint mode: whether `widget` was moved from (while the mode was on) and not yet destroyed or
// given a new content by a move.
bool Holding_Moved_From(const VR_Tools* widget);

}  // namespace core
