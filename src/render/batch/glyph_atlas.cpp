// Shelf packing of distance-field cells into pages, with each page's mip chain kept on the CPU.
//
// The mip levels are made here rather than by glGenerateMipmap: a renderer then uploads only the
// rectangles that changed, level by level, instead of regenerating whole pages each time a glyph
// arrives; and a texel of a level is the mean of the four below it, which for a distance field is
// the distance to the outline seen at that level's resolution, as the shaders expect.
#include "render/batch/glyph_atlas.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>

namespace core {

namespace {

int Round_Up(int v, int step)
{
    return (v + step - 1) / step * step;
}

}  // namespace

std::size_t Glyph_Atlas::Key_Hash::operator()(const Key& k) const
{
    return std::hash<const void*>()(k.owner) ^ (static_cast<std::size_t>(k.glyph) * 0x9E3779B97F4A7C15ull);
}

Glyph_Atlas::Glyph_Atlas(int page_size) : page_size_(Round_Up(std::max(64, page_size), Padding))
{}

const unsigned char* Glyph_Atlas::Texels(int page, int level) const
{
    if (page < 0 || page >= Pages() || level < 0 || level >= Levels)
        return nullptr;
    return pages_[static_cast<std::size_t>(page)]->level[level].data();
}

std::size_t Glyph_Atlas::Recent_Index(HFONT font, unsigned int glyph)
{
    // A face's digits have neighbouring glyph numbers: they take neighbouring entries.
    return (static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(font) >> 4) * 31 + glyph) & (RECENT - 1);
}

const Glyph_Cell* Glyph_Atlas::Cell_Get(HFONT font, unsigned int glyph)
{
    Recent& recent = recent_[Recent_Index(font, glyph)];
    if (recent.font == font && recent.glyph == glyph)
        return recent.cell;
    const void* owner = host::Glyph_Field_Owner(font);
    if (!owner)
        return nullptr;
    const Glyph_Cell* cell = nullptr;
    const auto found = cells_.find(Key{owner, glyph});
    if (found != cells_.end()) {
        cell = found->second->em ? found->second.get() : nullptr;
    } else {
        host::Glyph_Field field;
        if (!host::Glyph_Field_Render(font, glyph, field))
            field = host::Glyph_Field{};
        cell = Cell_Add(owner, glyph, field);
    }
    if (cell)
        recent = Recent{font, glyph, cell};
    return cell;
}

const Glyph_Cell* Glyph_Atlas::Cell_Add(const void* owner, unsigned int glyph, const host::Glyph_Field& field)
{
    const Key key{owner, glyph};
    const auto found = cells_.find(key);
    if (found != cells_.end())
        return found->second->em ? found->second.get() : nullptr;
    try {
        auto cell = std::make_unique<Glyph_Cell>();
        // A cell with em 0 stands for a glyph that cannot be had: it is not rendered again.
        const bool ink = field.em > 0 && field.width > 0 && field.rows > 0 &&
                         field.texels.size() >= static_cast<std::size_t>(field.width) * field.rows;
        if (field.em > 0) {
            cell->left = field.left;
            cell->top = field.top;
            cell->em = field.em;
            cell->spread = field.spread;
        }
        int page = -1;
        Atlas_Rect slot;
        if (ink) {
            if (Slot_Find(field.width, field.rows, page, slot)) {
                Page& p = *pages_[static_cast<std::size_t>(page)];
                cell->page = page;
                cell->x = slot.x + Padding;
                cell->y = slot.y + Padding;
                cell->width = field.width;
                cell->rows = field.rows;
                for (int r = 0; r < field.rows; ++r)
                    std::copy_n(field.texels.begin() + static_cast<long>(r) * field.width, field.width,
                                p.level[0].begin() + static_cast<long>(cell->y + r) * page_size_ + cell->x);
                Mips_Update(p, slot);
                changes_.push_back(Change{++serial_, page, slot});
            } else {
                cell->em = 0;
            }
        }
        Glyph_Cell* kept = cell.get();
        cells_.emplace(key, std::move(cell));
        return kept->em ? kept : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Best-fitting shelf of the first page with room, else a new shelf, else a new page. The slot is
// the cell with Padding texels round it, rounded up to whole blocks of Padding.
bool Glyph_Atlas::Slot_Find(int width, int height, int& page, Atlas_Rect& slot)
{
    slot.width = Round_Up(width, Padding) + 2 * Padding;
    slot.height = Round_Up(height, Padding) + 2 * Padding;
    if (slot.width > page_size_ || slot.height > page_size_)
        return false;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        Page& p = *pages_[i];
        Shelf* best = nullptr;
        for (Shelf& s : p.shelves)
            if (s.height >= slot.height && page_size_ - s.used >= slot.width && (!best || s.height < best->height))
                best = &s;
        // A much taller shelf wastes its height on a short glyph: open a shelf of its own when there is room.
        if ((!best || best->height > slot.height * 3 / 2) && page_size_ - p.top >= slot.height) {
            p.shelves.push_back(Shelf{p.top, slot.height, 0});
            p.top += slot.height;
            best = &p.shelves.back();
        }
        if (!best)
            continue;
        slot.x = best->used;
        slot.y = best->y;
        best->used += slot.width;
        page = static_cast<int>(i);
        return true;
    }
    auto fresh = std::make_unique<Page>();
    for (int l = 0; l < Levels; ++l) {
        const std::size_t side = static_cast<std::size_t>(page_size_ >> l);
        fresh->level[l].assign(side * side, 0);
    }
    fresh->shelves.push_back(Shelf{0, slot.height, slot.width});
    fresh->top = slot.height;
    pages_.push_back(std::move(fresh));
    slot.x = 0;
    slot.y = 0;
    page = Pages() - 1;
    return true;
}

// Each texel of a level is the rounded mean of the four beneath it, over the slot alone: the slot
// is whole blocks of every level, so nothing outside it changes.
void Glyph_Atlas::Mips_Update(Page& page, const Atlas_Rect& slot)
{
    for (int l = 1; l < Levels; ++l) {
        const int below_side = page_size_ >> (l - 1), side = page_size_ >> l;
        const std::vector<unsigned char>& below = page.level[l - 1];
        std::vector<unsigned char>& here = page.level[l];
        for (int y = slot.y >> l; y < (slot.y + slot.height) >> l; ++y)
            for (int x = slot.x >> l; x < (slot.x + slot.width) >> l; ++x) {
                const std::size_t a = static_cast<std::size_t>(2 * y) * below_side + 2 * x;
                const unsigned sum = below[a] + below[a + 1] + below[a + below_side] + below[a + below_side + 1];
                here[static_cast<std::size_t>(y) * side + x] = static_cast<unsigned char>((sum + 2) / 4);
            }
    }
}

std::vector<Atlas_Rect> Glyph_Atlas::Changes(int page, std::uint64_t since) const
{
    std::vector<Atlas_Rect> out;
    // Changes are in serial order: the first one after `since` is found by halving.
    const auto first = std::upper_bound(changes_.begin(), changes_.end(), since,
                                        [](std::uint64_t s, const Change& c) { return s < c.serial; });
    for (auto c = first; c != changes_.end(); ++c) {
        if (c->page != page)
            continue;
        // Slots follow one another along a shelf: one upload for a run of them.
        bool joined = false;
        for (Atlas_Rect& r : out)
            if (r.y == c->rect.y && r.height == c->rect.height && r.x + r.width == c->rect.x) {
                r.width += c->rect.width;
                joined = true;
                break;
            }
        if (!joined)
            out.push_back(c->rect);
    }
    return out;
}

Glyph_Atlas& Glyph_Atlas_Shared()
{
    // NOTE: never destroyed, like the fonts its cells come from.
    static auto* atlas = new Glyph_Atlas;
    return *atlas;
}

}  // namespace core
