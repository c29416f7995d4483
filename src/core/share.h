// Who else holds a widget's arrays, textures and buffers: the share table behind copies.
#pragma once

#include <GL/glew.h>

#include <cstdint>

namespace core {

// What a held object is: a C-heap block, a GL buffer name or a GL texture name. Names of buffers and
// textures are counted apart: GL may give the same number to one of each.
enum class Held_Kind : unsigned char { HEAP, BUFFER, TEXTURE };

// One owning field of a widget: the address of its pointer (HEAP) or GL name (BUFFER, TEXTURE).
struct Held {
    Held_Kind kind;
    void* field;
};

template <class T>
Held Held_Heap(T*& pointer)
{
    return Held{Held_Kind::HEAP, static_cast<void*>(&pointer)};
}
inline Held Held_Buffer(GLuint& name)
{
    return Held{Held_Kind::BUFFER, &name};
}
inline Held Held_Texture(GLuint& name)
{
    return Held{Held_Kind::TEXTURE, &name};
}

// A copy becomes one more holder of every non-empty object of `list`. When the table cannot grow,
// the copy holds none of them (each field is zeroed), the failure is reported (code 1, naming
// `type`) and false is returned: the caller then zeroes its counts so that nothing is drawn.
bool Held_Share(const Held* list, int n, const char* type);
// One holder lets go of every object of `list`, in order: the last holder frees the block or
// deletes the GL object. Every field is zeroed.
void Held_Release(const Held* list, int n);
// The target of a copy assignment lets go without releasing: the objects stay with their other
// holders, or with nobody when it was the last one (the host's responsibility).
void Held_Forget(const Held* list, int n);
// A moved-from object: the fields are zeroed, the holders unchanged.
void Held_Clear(const Held* list, int n);

// Copy and move steps for a widget's own fields, run after the base record's: `copy` copies the
// widget's own fields unchanged, `held` lists its held objects (at most 16) and returns how many,
// `emptied` (optional) zeroes the counts of a widget left without its objects, `release`
// (optional) releases what the widget holds when that is more than freeing its fields.
template <class W>
struct Own_Fields {
    void (*copy)(W& to, const W& from);
    int (*held)(W& w, Held* h);
    const char* type;
    void (*emptied)(W& w) = nullptr;
    void (*release)(W& w) = nullptr;

    void Copied(W& to, const W& from) const
    {
        copy(to, from);
        Held h[16];
        if (!Held_Share(h, held(to, h), type) && emptied)
            emptied(to);
    }
    void Moved(W& to, W& from) const
    {
        copy(to, from);
        Held h[16];
        Held_Clear(h, held(from, h));
        if (emptied)
            emptied(from);
    }
    void Released(W& w) const
    {
        if (release) {
            release(w);
            return;
        }
        Held h[16];
        Held_Release(h, held(w, h));
        if (emptied)
            emptied(w);
    }
    void Assigned(W& to, const W& from) const
    {
        Held h[16];
        Held_Forget(h, held(to, h));
        Copied(to, from);
    }
    void Move_Assigned(W& to, W& from) const
    {
        Released(to);
        Moved(to, from);
    }
};

// One holder of `key` lets go; true when it was the last, and must release the object itself.
bool Share_Drop(Held_Kind kind, std::uintptr_t key);
// True when another object also holds `key`.
bool Share_Is_Shared(Held_Kind kind, std::uintptr_t key);

// Releases a C-heap block this object holds (freed when no other object holds it) and nulls it.
void Heap_Release(void*& block);
template <class T>
void Heap_Release(T*& block)
{
    void* p = block;
    Heap_Release(p);
    block = nullptr;
}
// Before a block is grown or rewritten for this object alone: when another object holds it too,
// this one lets go and the pointer becomes null, so the caller allocates a block of its own.
template <class T>
void Heap_Unshare(T*& block)
{
    if (block && Share_Is_Shared(Held_Kind::HEAP, reinterpret_cast<std::uintptr_t>(block))) {
        Share_Drop(Held_Kind::HEAP, reinterpret_cast<std::uintptr_t>(block));
        block = nullptr;
    }
}
// Deletes a texture this object holds (when no other object holds it) and zeroes the name.
void Texture_Free(GLuint& texture);

}  // namespace core
