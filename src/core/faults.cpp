// Allocation failures on demand: the failure-injection build links the library with its heap calls
// renamed to the wrappers below (ld --wrap), so each of them can be made to fail in turn.
#if defined(VRTOOLS_FAULTS)

#include "faults.h"

#include <cstdlib>
#include <new>

namespace {

long armed_at = 0;  // the allocation that fails, counted from 1; 0 = none
long seen = 0;
bool hit = false;

bool Fail_Now()
{
    if (armed_at == 0)
        return false;
    if (++seen != armed_at)
        return false;
    hit = true;
    return true;
}

}  // namespace

namespace core {

void Fault_Arm(long k)
{
    armed_at = k;
    seen = 0;
    hit = false;
}

long Fault_Seen()
{
    return seen;
}

bool Fault_Hit()
{
    return hit;
}

}  // namespace core

extern "C" {

void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void* __real__Znwm(std::size_t size);
void* __real__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag);

void* __wrap_malloc(std::size_t size)
{
    return Fail_Now() ? nullptr : __real_malloc(size);
}

void* __wrap_calloc(std::size_t count, std::size_t size)
{
    return Fail_Now() ? nullptr : __real_calloc(count, size);
}

// A failed realloc keeps the old block, as the C library's does.
void* __wrap_realloc(void* block, std::size_t size)
{
    return Fail_Now() ? nullptr : __real_realloc(block, size);
}

void* __wrap__Znwm(std::size_t size)
{
    if (Fail_Now())
        throw std::bad_alloc();
    return __real__Znwm(size);
}

void* __wrap__ZnwmRKSt9nothrow_t(std::size_t size, const std::nothrow_t& tag)
{
    return Fail_Now() ? nullptr : __real__ZnwmRKSt9nothrow_t(size, tag);
}

}  // extern "C"

#endif  // VRTOOLS_FAULTS
