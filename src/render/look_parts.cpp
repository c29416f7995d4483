// Memory for Looks' parts: their first room comes from chunks of blocks.
#include <cstddef>
#include <new>

#include "render/look.h"

namespace core {

// Chunks of blocks for Looks' first parts. Each block is preceded by a header naming its chunk; a
// chunk whose blocks are all given back is released, but for one kept for the next Look.
namespace {

constexpr std::size_t BLOCK_BYTES = Look::FIRST_PARTS * sizeof(Look_Part);
constexpr std::size_t HEADER = alignof(std::max_align_t);
constexpr std::size_t STRIDE = (HEADER + BLOCK_BYTES + HEADER - 1) / HEADER * HEADER;
// Some 90 KB: under the C library's threshold for mapping memory of its own, which would be given
// back and faulted in again at every batch.
constexpr int CHUNK_BLOCKS = 32;

struct Chunk {
    Chunk* prev = nullptr;  // in the list of chunks with a free block
    Chunk* next = nullptr;
    void* free = nullptr;  // free blocks, each holding the next in its first bytes
    int used = 0;
};
constexpr std::size_t CHUNK_HEAD = (sizeof(Chunk) + HEADER - 1) / HEADER * HEADER;

Chunk* open_chunks = nullptr;  // chunks with a free block
int empty_chunks = 0;          // of them, chunks with every block free (at most one is kept)

void Chunk_Unlink(Chunk* c)
{
    if (c->prev)
        c->prev->next = c->next;
    else
        open_chunks = c->next;
    if (c->next)
        c->next->prev = c->prev;
    c->prev = c->next = nullptr;
}

void Chunk_Link(Chunk* c)
{
    c->prev = nullptr;
    c->next = open_chunks;
    if (open_chunks)
        open_chunks->prev = c;
    open_chunks = c;
}

Chunk* Chunk_Make()
{
    auto* raw = static_cast<unsigned char*>(::operator new(CHUNK_HEAD + CHUNK_BLOCKS * STRIDE));
    Chunk* c = new (raw) Chunk;
    for (int i = CHUNK_BLOCKS; i-- > 0;) {
        unsigned char* header = raw + CHUNK_HEAD + static_cast<std::size_t>(i) * STRIDE;
        *reinterpret_cast<Chunk**>(header) = c;
        void* block = header + HEADER;
        *static_cast<void**>(block) = c->free;
        c->free = block;
    }
    return c;
}

}  // namespace

// Under AddressSanitizer every block is an allocation of its own, so that a part used after its
// Look let it go is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define VRTOOLS_PARTS_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VRTOOLS_PARTS_FROM_HEAP 1
#endif
#endif
#if defined(VRTOOLS_PARTS_FROM_HEAP)
constexpr bool PARTS_FROM_HEAP = true;
#else
constexpr bool PARTS_FROM_HEAP = false;
#endif

void* Parts_Take(std::size_t bytes)
{
    if (bytes != BLOCK_BYTES || PARTS_FROM_HEAP)
        return ::operator new(bytes);
    if (!open_chunks) {
        Chunk_Link(Chunk_Make());
        ++empty_chunks;
    }
    Chunk* c = open_chunks;
    if (c->used == 0)
        --empty_chunks;
    void* block = c->free;
    c->free = *static_cast<void**>(block);
    ++c->used;
    if (!c->free)
        Chunk_Unlink(c);
    return block;
}

void Parts_Give(void* memory, std::size_t bytes)
{
    if (bytes != BLOCK_BYTES || PARTS_FROM_HEAP) {
        ::operator delete(memory);
        return;
    }
    Chunk* c = *reinterpret_cast<Chunk**>(static_cast<unsigned char*>(memory) - HEADER);
    if (!c->free)
        Chunk_Link(c);
    *static_cast<void**>(memory) = c->free;
    c->free = memory;
    if (--c->used > 0)
        return;
    if (empty_chunks > 0) {
        Chunk_Unlink(c);
        c->~Chunk();
        ::operator delete(static_cast<void*>(c));
        return;
    }
    ++empty_chunks;
}

}  // namespace core
