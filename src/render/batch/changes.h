// Change detection: whether what a slot of the batch shows changed since the last frame, from a
// byte stream of everything its vertices and pictures follow from. No GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/look.h"

namespace core {

// Streams bytes against a stored signature; from the first difference on it rewrites the rest.
class Signature_Check {
public:
    explicit Signature_Check(std::vector<unsigned char>& stored) : stored_(stored) {}
    void Feed(const void* data, std::size_t bytes)
    {
        if (bytes == 0)
            return;
        const unsigned char* p = static_cast<const unsigned char*>(data);
        if (!changed_) {
            if (pos_ + bytes <= stored_.size() && std::memcmp(stored_.data() + pos_, p, bytes) == 0) {
                pos_ += bytes;
                return;
            }
            changed_ = true;
            stored_.resize(pos_);
        }
        stored_.insert(stored_.end(), p, p + bytes);
    }
    template <class T>
    void Value(const T& v)
    {
        Feed(&v, sizeof v);
    }
    bool Finish()
    {
        if (!changed_ && pos_ != stored_.size()) {
            changed_ = true;
            stored_.resize(pos_);
        }
        return changed_;
    }

private:
    std::vector<unsigned char>& stored_;
    std::size_t pos_ = 0;
    bool changed_ = false;
};

// About the bytes Look_Signature_Feed feeds for the look, at most: a signature's room at once.
std::size_t Look_Signature_Bytes(const Look& look);

// Feeds `check` everything the look's vertices and pictures follow from: each part's small fields,
// its arrays and its texture's key (the texels themselves are followed through their pointer and key).
void Look_Signature_Feed(const Look& look, Signature_Check& check);

// A look's signature kept part by part: part i's bytes end at ends[i]. A description in which only
// some parts changed (a slider's cursor and read-out) then says which, and the rest of the slot's
// vertices stay as they are.
struct Look_Signature {
    std::vector<unsigned char> bytes;
    std::vector<std::uint32_t> ends;
    void Clear()
    {
        bytes.clear();
        ends.clear();
    }
};

enum class Look_Change {
    NONE,   // every part as it was
    PARTS,  // some parts changed, each within the bytes it had: `changed` lists them
    WHOLE   // a part more or less, a part of another size, or nothing known: build it all
};

// Compares the look with the signature and brings the signature up to it, in place where every part
// keeps its size (no byte after a change is moved). `changed` is cleared and, for PARTS, holds the
// changed parts' indices in order.
Look_Change Look_Signature_Compare(const Look& look, Look_Signature& signature, std::vector<std::uint32_t>& changed);

// Asks for the cache lines of the `bytes` bytes from `at` on, without waiting for them: a live
// frame's next widget's arrays and vertices, while the one before it is rebuilt.
inline void Lines_Prefetch(const void* at, std::size_t bytes)
{
    const char* p = static_cast<const char*>(at);
    for (std::size_t b = 0; p && b < bytes; b += 64)
        __builtin_prefetch(p + b);
}

// Narrows [first, end) to where `want` and `have` differ, from the first element that does to the
// last (first == end when none does): that run written in one copy writes every change.
template <class T>
void Differing_Run(const T* want, const T* have, std::size_t& first, std::size_t& end)
{
    while (first < end && std::memcmp(&want[first], &have[first], sizeof(T)) == 0)
        ++first;
    while (end > first && std::memcmp(&want[end - 1], &have[end - 1], sizeof(T)) == 0)
        --end;
}

// A run of changed elements of a buffer, first to last inclusive.
struct Dirty_Span {
    int first = 0, last = -1;
};

// Sorts the spans and joins those that overlap or lie at most `gap` elements apart, so that a
// frame's changes go up in a few uploads: sending some unchanged bytes between two changes costs
// less than another call. Empty spans (last < first) are dropped.
void Dirty_Spans_Join(std::vector<Dirty_Span>& spans, int gap);

// Joins spans already sorted and apart (as Dirty_Spans_Join leaves them) until at most `most` are
// left, across the smallest gaps: the largest stay open, so that a frame's changes lying in a few
// clusters far apart go up as those clusters and not as one piece reaching over everything between.
void Dirty_Spans_Limit(std::vector<Dirty_Span>& spans, std::size_t most);

}  // namespace core
