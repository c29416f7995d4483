// Owned child arrays of the containers (lists own boxes, tab bars own tab items): count and resize.
#pragma once

#include <cstdlib>
#include <new>

#include "core.h"

namespace core {

// Most children a container can hold: counts and indices are 16-bit.
constexpr int ITEMS_MAX = 32767;

// Entries before the null terminator; 0 without an array.
template <class T>
int Items_Count(T* const* items)
{
    int n = 0;
    if (items)
        while (items[n])
            ++n;
    return n;
}

// Destroys every child and releases the array, unless a copy of the container still holds the
// array: then only this holder lets go.
template <class T>
void Items_Free(T**& items)
{
    if (items && !Share_Drop(Held_Kind::HEAP, reinterpret_cast<std::uintptr_t>(items))) {
        items = nullptr;
        return;
    }
    if (items)
        for (T** p = items; *p; ++p)
            delete *p;
    std::free(items);
    items = nullptr;
}

// Copy and move steps of a container `W` (a field `Item` and a field `Item_Count`), for Own_Fields:
// the item array is its one held object, and its children go with the array's last holder.
template <class W>
int Items_Held(W& w, Held* h)
{
    h[0] = Held_Heap(w.Item);
    return 1;
}
template <class W>
void Items_Emptied(W& w)
{
    w.Item_Count = 0;
}
template <class W>
void Items_Release(W& w)
{
    Items_Free(w.Item);
    w.Item_Count = 0;
}

// Makes the null-terminated array `items` hold exactly `count` owned children. Surplus children are
// destroyed highest index first; new ones are default-constructed (all zero) with `flags`. `method`
// names the caller in our own reports, `source` and `line` go into the system's realloc report.
// Returns 1 on success, 0 after a report. On every failure the array stays a valid, terminated array
// of live children: a refused count changes nothing, a failed reallocation keeps the old block (with
// the surviving children when shrinking), a child that cannot be made ends the array before it.
template <class T>
int Items_Resize(T**& items, int count, unsigned int flags, const char* method, const char* source, int line)
{
    if (count < 0 || count > ITEMS_MAX) {
        Error_Fct(::hwnd, VR_REPORT_WARNING, "%hs: count %d is outside 0 .. %d; nothing changed", method, count,
                  ITEMS_MAX);
        return 0;
    }
    if (Items_Count(items) == count)
        return 1;
    // Items a copy shares stay with the copy: this container starts on an array of its own.
    Heap_Unshare(items);
    const int n = Items_Count(items);
    for (int i = n - 1; i >= count; --i) {
        delete items[i];
        items[i] = nullptr;
    }
    void* grown = std::realloc(items, static_cast<std::size_t>(count + 1) * sizeof(T*));
    if (!grown) {
        Report_Alloc("realloc", line, source, "this->Item", count + 1, static_cast<int>(sizeof(T*)));
        // NOTE: the old block is still ours; when shrinking its entries from `count` on are already
        // cleared above, so it is terminated at the new count.
        return 0;
    }
    items = static_cast<T**>(grown);
    for (int i = n; i < count; ++i) {
        items[i] = new (std::nothrow) T;
        if (!items[i]) {
            Error_Fct(::hwnd, VR_REPORT_ALLOCATION, "%hs: out of memory for item %d of %d", method, i, count);
            return 0;
        }
        items[i]->Flags = flags;
    }
    items[count] = nullptr;
    return 1;
}

}  // namespace core
