// A small table of recent results: sets of a few entries each, the least recently used one of a set
// given to the next result that falls into it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace core {

// Hashing for Recent_Table keys: bytes folded in one after another, then mixed.
class Recent_Hash {
public:
    void Add(std::uint64_t v) { h_ = (h_ ^ v) * 0x100000001B3ull; }
    // The multiplications carry low bits upward only: the high bits are folded down for the index.
    std::size_t Done() const
    {
        std::uint64_t h = h_ ^ (h_ >> 33);
        h *= 0xFF51AFD7ED558CCDull;
        return static_cast<std::size_t>(h ^ (h >> 33));
    }

private:
    std::uint64_t h_ = 0xCBF29CE484222325ull;
};

// `Sets` x `Ways` entries of `Entry`, which has `unsigned long used`. Static storage: a table lives as
// long as the process and allocates nothing itself.
template <class Entry, std::size_t Sets, std::size_t Ways>
class Recent_Table {
public:
    // The entry of the set of `hash` for which `holds(entry)` is true, with `found` set; else the one
    // to replace, `found` false.
    template <class Holds>
    Entry& Find(std::size_t hash, Holds&& holds, bool& found)
    {
        Entry* set = slots_[hash % Sets];
        Entry* oldest = &set[0];
        for (std::size_t w = 0; w < Ways; ++w) {
            if (holds(set[w])) {
                set[w].used = ++clock_;
                found = true;
                return set[w];
            }
            if (set[w].used < oldest->used)
                oldest = &set[w];
        }
        oldest->used = ++clock_;
        found = false;
        return *oldest;
    }

private:
    Entry slots_[Sets][Ways];
    unsigned long clock_ = 0;
};

}  // namespace core
