// The glyph atlas of sharp text: one distance-field cell per (face, glyph), made once per process and
// shared by every caption of every size, packed into pages with their mip levels. No GL here: a
// renderer mirrors the pages and uploads the rectangles that changed since it last looked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include <vrtools/tarnel.h>

namespace core {

// A rectangle of texels on a page, at level 0.
struct Atlas_Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// Where a glyph's cell lies and how to place it. The quad of a glyph drawn at `size` pixels per em
// with its origin at (ox, oy), y down, runs from (ox + left * k, oy - top * k) over width * k by
// rows * k pixels, k = size / em, and samples the texels (x, y) to (x + width, y + rows) of `page`.
struct Glyph_Cell {
    int page = -1;  // -1: the glyph has no ink, nothing to draw
    int x = 0, y = 0;
    int width = 0, rows = 0;
    int left = 0, top = 0;  // pixels at `em` from the pen to the first column, from the baseline up to the first row
    int em = 0;
    // Level-0 texels from the outline at which the field reaches 0 (outside) or 255 (inside); the
    // outline is 128. 0 marks a coverage cell (a colour glyph), whose texels are its alpha.
    int spread = 0;
};

class Glyph_Atlas {
public:
    // Mip levels kept for every page: the smallest has a texel for each 16 x 16 of level 0, enough
    // for a 14-pixel caption seen at a quarter of its size (14 texels a pixel). Cells start on
    // multiples of Padding texels and keep Padding empty texels round them, so that no texel of
    // any level mixes two cells (the smallest level's texel is one block of Padding squared), and a
    // quad may take in the padding, which a caption seen from far needs: a pixel whose centre is
    // off the cell still covers some of its ink.
    static constexpr int Levels = 5;
    static constexpr int Padding = 1 << (Levels - 1);

    // Pages of page_size x page_size texels (a multiple of Padding, at least 64).
    explicit Glyph_Atlas(int page_size = 1024);

    // The cell of `glyph` in `font`'s face, rendered on first use through host::Glyph_Field_Render;
    // null when it cannot be rendered (asked again, it is not rendered again). The pointer stays
    // valid as long as the atlas.
    const Glyph_Cell* Cell_Get(HFONT font, unsigned int glyph);
    // Stores `field` as the cell of (`owner`, `glyph`) unless there is one already, and returns
    // the stored cell; null when the field is larger than a page or memory runs out.
    const Glyph_Cell* Cell_Add(const void* owner, unsigned int glyph, const host::Glyph_Field& field);

    int Page_Size() const { return page_size_; }
    int Pages() const { return static_cast<int>(pages_.size()); }
    // Texels of `level` of `page`, (Page_Size() >> level) squared, rows top-down.
    const unsigned char* Texels(int page, int level) const;

    // Grows by one with every change; a renderer keeps the value it has uploaded up to.
    std::uint64_t Serial() const { return serial_; }
    // The level-0 rectangles of `page` written after `since` (neighbours on a shelf joined); each
    // starts and ends on a multiple of Padding, so that shifted right by a level it is exact.
    std::vector<Atlas_Rect> Changes(int page, std::uint64_t since) const;

    std::size_t Cells() const { return cells_.size(); }

private:
    struct Key {
        const void* owner;
        unsigned int glyph;
        bool operator==(const Key& o) const { return owner == o.owner && glyph == o.glyph; }
    };
    struct Key_Hash {
        std::size_t operator()(const Key& k) const;
    };
    struct Shelf {
        int y = 0, height = 0, used = 0;
    };
    struct Page {
        std::vector<unsigned char> level[Levels];
        std::vector<Shelf> shelves;
        int top = 0;  // rows taken by shelves
    };
    struct Change {
        std::uint64_t serial;
        int page;
        Atlas_Rect rect;
    };

    bool Slot_Find(int width, int height, int& page, Atlas_Rect& slot);
    void Mips_Update(Page& page, const Atlas_Rect& slot);

    // The cells last asked for, by font and glyph, in a table indexed by both: a read-out asks for
    // the same few digits every frame, and a look here costs less than the map's hashing. A font's
    // record and its cells last as long as the process, so an entry never goes stale; only cells
    // found are kept (a glyph not had for want of memory is asked for again).
    struct Recent {
        HFONT font = nullptr;
        unsigned int glyph = 0;
        const Glyph_Cell* cell = nullptr;
    };
    static constexpr std::size_t RECENT = 256;
    static std::size_t Recent_Index(HFONT font, unsigned int glyph);
    Recent recent_[RECENT];

    int page_size_;
    std::vector<std::unique_ptr<Page>> pages_;
    // Cells live in their own nodes: pointers handed out survive the map growing.
    std::unordered_map<Key, std::unique_ptr<Glyph_Cell>, Key_Hash> cells_;
    std::vector<Change> changes_;
    std::uint64_t serial_ = 0;
};

// The atlas of the process, shared by every batch. Like the rest of the library it is used from the
// host's rendering thread only, so it has no lock. Cells are never evicted: a page of 1024 x 1024
// (1.3 MB with its levels) holds some 150 Latin cells, a panel's captions need a few dozen, and a
// cell moved away would leave every batch's quads pointing at another glyph.
Glyph_Atlas& Glyph_Atlas_Shared();

}  // namespace core
