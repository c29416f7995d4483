// Allocation failures on demand, for the failure-injection test build (VRTOOLS_FAULTS) only.
#pragma once

#include <vrtools/tools.h>

namespace core {

// Makes the k-th heap allocation the library makes from now on fail (k >= 1; 0 fails none). Only
// the library's own calls are counted: malloc, calloc, realloc and operator new, as linked into it.
VRTOOLS_API void Fault_Arm(long k);
// Allocations counted since Fault_Arm.
VRTOOLS_API long Fault_Seen();
// True when the armed allocation was reached (and failed).
VRTOOLS_API bool Fault_Hit();

}  // namespace core
