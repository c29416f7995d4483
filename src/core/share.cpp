// The share table: how many more objects hold each array, texture and buffer that copies share.
//
// Only objects that a copy shares are in the table; an object held once is not, so a widget that was
// never copied costs one test of an empty table when it releases something. The table is touched by
// copies, moves, rebuilds and destruction only.
#include "share.h"

#include <cstdlib>
#include <new>
#include <unordered_map>

#include "core.h"

namespace core {

namespace {

// Key of an object: its address or name, two low bits for its kind.
std::uint64_t Key(Held_Kind kind, std::uintptr_t value)
{
    return (static_cast<std::uint64_t>(value) << 2) | static_cast<std::uint64_t>(kind);
}

using Table = std::unordered_map<std::uint64_t, int>;  // key -> holders beyond the first

// NOTE: never destroyed: widgets in static storage are destroyed after any static table would be.
Table* table = nullptr;

bool Table_Empty()
{
    return !table || table->empty();
}

std::uintptr_t Value_Of(const Held& h)
{
    if (h.kind == Held_Kind::HEAP)
        return reinterpret_cast<std::uintptr_t>(*static_cast<void**>(h.field));
    return *static_cast<GLuint*>(h.field);
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
    try {
        if (!table)
            table = new Table;
        ++(*table)[Key(kind, value)];
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
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
    if (Table_Empty())
        return true;
    const auto it = table->find(Key(kind, value));
    if (it == table->end())
        return true;
    if (--it->second == 0)
        table->erase(it);
    return false;
}

bool Share_Is_Shared(Held_Kind kind, std::uintptr_t value)
{
    return !Table_Empty() && table->count(Key(kind, value)) != 0;
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
        Error_Fct(::hwnd, 1u, "Copy: out of memory for the share table: this %hs copy holds no arrays, "
                              "textures or buffers and draws nothing until its next Init", type);
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
    if (texture != 0)
        Release_One(Held_Kind::TEXTURE, texture);
    texture = 0;
}

}  // namespace core
