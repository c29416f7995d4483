// The share table: how many more objects hold each array, texture and buffer that copies share.
//
// Only objects that a copy shares are in the table; an object held once is not, so a widget that was
// never copied costs one test of an empty table when it releases or rebuilds something. Only copies
// add entries.
#include "share.h"

#include <cstdlib>

#include "core.h"

namespace core {

namespace {

// Key of an object: its address or name, two low bits for its kind. Never 0: held objects are
// never null or name 0.
std::uint64_t Key(Held_Kind kind, std::uintptr_t value)
{
    return (static_cast<std::uint64_t>(value) << 2) | static_cast<std::uint64_t>(kind);
}

// Open addressing with linear probing: key -> holders beyond the first. Kept small and in C heap
// memory so that no standard container's code is instantiated (and exported) by the library.
struct Slot {
    std::uint64_t key;  // 0 = free
    int extra;
};
Slot* slots = nullptr;
std::size_t capacity = 0;  // a power of two, or 0
std::size_t used = 0;

std::size_t Home(std::uint64_t key)
{
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<std::size_t>(key) & (capacity - 1);
}

Slot* Find(std::uint64_t key)
{
    if (used == 0 || key == 0)
        return nullptr;
    for (std::size_t i = Home(key);; i = (i + 1) & (capacity - 1)) {
        if (slots[i].key == key)
            return &slots[i];
        if (slots[i].key == 0)
            return nullptr;
    }
}

void Place(Slot s)
{
    std::size_t i = Home(s.key);
    while (slots[i].key != 0)
        i = (i + 1) & (capacity - 1);
    slots[i] = s;
}

// Doubles the table when it is half full; false when memory runs out (the table is unchanged).
bool Reserve_One()
{
    if (2 * (used + 1) <= capacity)
        return true;
    const std::size_t grown = capacity ? 2 * capacity : 64;
    auto* fresh = static_cast<Slot*>(std::calloc(grown, sizeof(Slot)));
    if (!fresh)
        return false;
    Slot* old = slots;
    const std::size_t old_capacity = capacity;
    slots = fresh;
    capacity = grown;
    for (std::size_t i = 0; i < old_capacity; ++i)
        if (old[i].key != 0)
            Place(old[i]);
    std::free(old);
    return true;
}

// Removes a slot and moves later entries of its probe run back, so that no run has a hole.
void Erase(Slot* s)
{
    std::size_t hole = static_cast<std::size_t>(s - slots);
    slots[hole].key = 0;
    --used;
    for (std::size_t i = (hole + 1) & (capacity - 1); slots[i].key != 0; i = (i + 1) & (capacity - 1)) {
        const std::size_t home = Home(slots[i].key);
        // The entry may move into the hole when its home is not in (hole, i] cyclically.
        if (((i - home) & (capacity - 1)) >= ((i - hole) & (capacity - 1))) {
            slots[hole] = slots[i];
            slots[i].key = 0;
            hole = i;
        }
    }
}

std::uintptr_t Value_Of(const Held& h)
{
    if (h.kind == Held_Kind::HEAP)
        return reinterpret_cast<std::uintptr_t>(*static_cast<void**>(h.field));
    // An unloaded name holds no object: nothing to share or delete.
    const GLuint name = *static_cast<GLuint*>(h.field);
    return name == NAME_UNLOADED ? 0 : name;
}

void Zero(const Held& h)
{
    if (h.kind == Held_Kind::HEAP)
        *static_cast<void**>(h.field) = nullptr;
    else
        *static_cast<GLuint*>(h.field) = 0;
}

// Adds one holder; false when the table cannot grow.
bool Share_Add(Held_Kind kind, std::uintptr_t value)
{
    const std::uint64_t key = Key(kind, value);
    if (Slot* s = Find(key)) {
        ++s->extra;
        return true;
    }
    if (!Reserve_One())
        return false;
    Place(Slot{key, 1});
    ++used;
    return true;
}

void Release_One(Held_Kind kind, std::uintptr_t value)
{
    if (!Share_Drop(kind, value))
        return;
    GLuint name = static_cast<GLuint>(value);
    if (kind == Held_Kind::HEAP)
        std::free(reinterpret_cast<void*>(value));
    else if (kind == Held_Kind::BUFFER)
        glDeleteBuffers(1, &name);
    else
        glDeleteTextures(1, &name);
}

}  // namespace

bool Share_Drop(Held_Kind kind, std::uintptr_t value)
{
    Slot* s = Find(Key(kind, value));
    if (!s)
        return true;
    if (--s->extra == 0)
        Erase(s);
    return false;
}

bool Share_Is_Shared(Held_Kind kind, std::uintptr_t value)
{
    return Find(Key(kind, value)) != nullptr;
}

bool Held_Share(const Held* list, int n, const char* type)
{
    for (int i = 0; i < n; ++i) {
        const std::uintptr_t value = Value_Of(list[i]);
        if (value == 0 || Share_Add(list[i].kind, value))
            continue;
        // Undo the holders added so far: the copy ends up holding nothing the table does not know.
        for (int j = 0; j < i; ++j)
            if (Value_Of(list[j]) != 0)
                Share_Drop(list[j].kind, Value_Of(list[j]));
        Held_Clear(list, n);
        Error_Fct(::hwnd, VR_REPORT_ALLOCATION,
                  "Copy: out of memory for the share table: this %hs copy holds no arrays, "
                  "textures or buffers and draws nothing until its next Init",
                  type);
        return false;
    }
    return true;
}

void Held_Release(const Held* list, int n)
{
    for (int i = 0; i < n; ++i) {
        const std::uintptr_t value = Value_Of(list[i]);
        if (value != 0)
            Release_One(list[i].kind, value);
        Zero(list[i]);
    }
}

void Held_Forget(const Held* list, int n)
{
    for (int i = 0; i < n; ++i) {
        const std::uintptr_t value = Value_Of(list[i]);
        if (value != 0)
            Share_Drop(list[i].kind, value);
        Zero(list[i]);
    }
}

void Held_Clear(const Held* list, int n)
{
    for (int i = 0; i < n; ++i)
        Zero(list[i]);
}

void Heap_Release(void*& block)
{
    if (block)
        Release_One(Held_Kind::HEAP, reinterpret_cast<std::uintptr_t>(block));
    block = nullptr;
}

void Texture_Free(GLuint& texture)
{
    if (texture != 0 && texture != NAME_UNLOADED)
        Release_One(Held_Kind::TEXTURE, texture);
    texture = 0;
}

}  // namespace core
