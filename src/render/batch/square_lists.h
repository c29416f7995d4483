// The batch's grid of squares for the spill counts: each square's slots in a list, the lists' heads in
// one open-addressing table and their entries in one pool. A layout enters some hundred thousand
// entries; a table of vectors allocated once a square. Nothing here calls GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace core {

class Square_Lists {
public:
    // Forgets every entry, with room for `entries` of them at once.
    void Clear(std::size_t entries)
    {
        std::size_t places = 16;
        while (places < entries * 2)
            places *= 2;
        keys_.assign(places, 0);
        heads_.assign(places, EMPTY);
        pool_.clear();
        pool_.reserve(entries);
        free_ = NONE;
        squares_ = 0;
    }

    void Add(std::uint64_t square, std::uint32_t slot)
    {
        if ((squares_ + 1) * 2 > keys_.size())
            Grow();
        const std::size_t at = Find(square);
        if (heads_[at] == EMPTY) {
            keys_[at] = square;
            heads_[at] = NONE;
            ++squares_;
        }
        std::int32_t e = free_;
        if (e != NONE) {
            free_ = pool_[static_cast<std::size_t>(e)].next;
            pool_[static_cast<std::size_t>(e)] = Entry{slot, heads_[at]};
        } else {
            e = static_cast<std::int32_t>(pool_.size());
            pool_.push_back(Entry{slot, heads_[at]});
        }
        heads_[at] = e;
    }

    // Takes `slot` out of the square's list; nothing when it is not there.
    void Remove(std::uint64_t square, std::uint32_t slot)
    {
        if (keys_.empty())
            return;
        const std::size_t at = Find(square);
        for (std::int32_t* link = &heads_[at]; *link >= 0; link = &pool_[static_cast<std::size_t>(*link)].next) {
            Entry& e = pool_[static_cast<std::size_t>(*link)];
            if (e.slot == slot) {
                const std::int32_t gone = *link;
                *link = e.next;
                e.next = free_;
                free_ = gone;
                return;
            }
        }
    }

    // Calls `f` with each slot in the square's list, the latest entered first.
    template <class F>
    void Each(std::uint64_t square, F&& f) const
    {
        if (keys_.empty())
            return;
        for (std::int32_t e = heads_[Find(square)]; e >= 0; e = pool_[static_cast<std::size_t>(e)].next)
            f(pool_[static_cast<std::size_t>(e)].slot);
    }

private:
    // A place never used; a square whose list emptied keeps its place (NONE), so that the squares
    // probed past it stay found.
    static constexpr std::int32_t EMPTY = -2, NONE = -1;
    struct Entry {
        std::uint32_t slot;
        std::int32_t next;
    };

    // The square's place, or the empty place where it would go.
    std::size_t Find(std::uint64_t square) const
    {
        const std::size_t mask = keys_.size() - 1;
        std::size_t at = static_cast<std::size_t>((square * 0x9E3779B97F4A7C15ull) >> 20) & mask;
        while (heads_[at] != EMPTY && keys_[at] != square)
            at = (at + 1) & mask;
        return at;
    }

    void Grow()
    {
        std::vector<std::uint64_t> keys;
        std::vector<std::int32_t> heads;
        keys.swap(keys_);
        heads.swap(heads_);
        const std::size_t places = keys.empty() ? 16 : keys.size() * 2;
        keys_.assign(places, 0);
        heads_.assign(places, EMPTY);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (heads[i] != EMPTY) {
                const std::size_t at = Find(keys[i]);
                keys_[at] = keys[i];
                heads_[at] = heads[i];
            }
    }

    std::vector<std::uint64_t> keys_;
    std::vector<std::int32_t> heads_;  // each place's first entry in pool_; EMPTY, or NONE for an empty list
    std::vector<Entry> pool_;
    std::int32_t free_ = NONE;  // entries taken out, for the next to come
    std::size_t squares_ = 0;   // places in use
};

}  // namespace core
