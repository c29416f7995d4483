// The batch's change detection.
#include "render/batch/changes.h"

#include <algorithm>

namespace core {

namespace {

// The small fields of a part, compared in one go.
struct Part_Key {
    const void* pixels;
    float offset[3], scale[3], fixed_normal[3], shift_s;
    unsigned int rgb;
    int quads, tex_w, tex_h, key_bytes;
    unsigned char pass, modulate, blend, rgba, wrap, pad[3];
};

}  // namespace

std::size_t Look_Signature_Bytes(const Look& look)
{
    // Per quad at most its corners, normals, colours and coordinates.
    std::size_t bytes = 0;
    for (const Look_Part& p : look.Parts())
        bytes += sizeof(Part_Key) + static_cast<std::size_t>(p.quads > 0 ? p.quads : 0) * 96 +
                 static_cast<std::size_t>(p.texture.key && p.texture.key_bytes > 0 ? p.texture.key_bytes : 0);
    return bytes;
}

namespace {

// Feeds `sink` everything part `p`'s vertices and pictures follow from.
template <class Sink>
void Part_Feed(const Look_Part& p, Sink& sink)
{
    Part_Key k;
    std::memset(&k, 0, sizeof k);  // padding included: the key is compared as bytes
    const Look_Texture& t = p.texture;
    k.pixels = t.pixels;
    std::memcpy(k.offset, p.offset, sizeof k.offset);
    std::memcpy(k.scale, p.scale, sizeof k.scale);
    std::memcpy(k.fixed_normal, p.fixed_normal, sizeof k.fixed_normal);
    k.shift_s = p.shift_s;
    k.rgb = p.rgb;
    k.quads = p.quads;
    k.tex_w = t.tex_w;
    k.tex_h = t.tex_h;
    k.key_bytes = t.key ? t.key_bytes : 0;
    k.pass = static_cast<unsigned char>(p.pass);
    k.modulate = p.modulate;
    k.blend = p.blend;
    k.rgba = t.rgba;
    k.wrap = static_cast<unsigned char>(t.wrap);
    sink.Feed(&k, sizeof k);
    const std::size_t q = p.quads > 0 ? static_cast<std::size_t>(p.quads) : 0;
    sink.Feed(p.Vertices(), q * 12 * sizeof(short));
    if (p.vertex && p.normal)
        sink.Feed(p.normal, q * 12 * sizeof(short));
    if (p.vertex && p.color)
        sink.Feed(p.color, q * 4 * sizeof(unsigned int));
    if (p.Coords())
        sink.Feed(p.Coords(), q * 8 * sizeof(float));
    if (k.key_bytes > 0)
        sink.Feed(t.key, static_cast<std::size_t>(k.key_bytes));
}

// Compares a part's bytes with the stored ones from `pos` up to `end`, overwriting those that differ.
struct Part_Overwrite {
    unsigned char* stored;
    std::size_t pos, end;
    bool changed = false, outgrown = false;
    void Feed(const void* data, std::size_t bytes)
    {
        if (bytes == 0 || outgrown)
            return;
        if (pos + bytes > end) {
            outgrown = true;
            return;
        }
        if (std::memcmp(stored + pos, data, bytes) != 0) {
            std::memcpy(stored + pos, data, bytes);
            changed = true;
        }
        pos += bytes;
    }
};

struct Append {
    std::vector<unsigned char>& bytes;
    void Feed(const void* data, std::size_t n)
    {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), p, p + n);
    }
};

}  // namespace

void Look_Signature_Feed(const Look& look, Signature_Check& check)
{
    for (const Look_Part& p : look.Parts())
        Part_Feed(p, check);
}

Look_Change Look_Signature_Compare(const Look& look, Look_Signature& signature, std::vector<std::uint32_t>& changed)
{
    changed.clear();
    const std::size_t parts = look.Size();
    if (signature.ends.size() == parts && (parts == 0 || signature.ends.back() == signature.bytes.size())) {
        std::size_t begin = 0;
        bool same_sizes = true;
        for (std::size_t i = 0; i < parts && same_sizes; ++i) {
            Part_Overwrite o{signature.bytes.data(), begin, signature.ends[i]};
            Part_Feed(look.Parts()[i], o);
            same_sizes = !o.outgrown && o.pos == o.end;
            if (o.changed)
                changed.push_back(static_cast<std::uint32_t>(i));
            begin = o.end;
        }
        if (same_sizes)
            return changed.empty() ? Look_Change::NONE : Look_Change::PARTS;
        changed.clear();
    }
    // Taken afresh: its room at once rather than by doubling.
    signature.Clear();
    signature.bytes.reserve(Look_Signature_Bytes(look));
    signature.ends.reserve(parts);
    Append a{signature.bytes};
    for (const Look_Part& p : look.Parts()) {
        Part_Feed(p, a);
        signature.ends.push_back(static_cast<std::uint32_t>(signature.bytes.size()));
    }
    return Look_Change::WHOLE;
}

void Dirty_Spans_Join(std::vector<Dirty_Span>& spans, int gap)
{
    spans.erase(std::remove_if(spans.begin(), spans.end(), [](const Dirty_Span& d) { return d.last < d.first; }),
                spans.end());
    // A frame's spans come in slot order, which is the buffer's: the sort is usually a scan.
    if (!std::is_sorted(spans.begin(), spans.end(),
                        [](const Dirty_Span& a, const Dirty_Span& b) { return a.first < b.first; }))
        std::sort(spans.begin(), spans.end(),
                  [](const Dirty_Span& a, const Dirty_Span& b) { return a.first < b.first; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (kept > 0 && static_cast<long long>(spans[i].first) - spans[kept - 1].last - 1 <= gap)
            spans[kept - 1].last = std::max(spans[kept - 1].last, spans[i].last);
        else
            spans[kept++] = spans[i];
    }
    spans.resize(kept);
}

void Dirty_Spans_Limit(std::vector<Dirty_Span>& spans, std::size_t most)
{
    constexpr std::size_t MOST = 16;
    most = std::clamp<std::size_t>(most, 1, MOST);
    if (spans.size() <= most)
        return;
    // The most-1 largest gaps (the earlier of equal ones), each named by the span after it, found
    // in one pass: largest first.
    const auto gap = [&](std::size_t i) { return static_cast<long long>(spans[i].first) - spans[i - 1].last; };
    std::size_t after[MOST];
    long long size[MOST];
    std::size_t open = 0;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        const long long d = gap(i);
        if (open == most - 1 && (open == 0 || d <= size[open - 1]))
            continue;
        std::size_t at = open < most - 1 ? open++ : open - 1;
        for (; at > 0 && size[at - 1] < d; --at) {
            size[at] = size[at - 1];
            after[at] = after[at - 1];
        }
        size[at] = d;
        after[at] = i;
    }
    std::sort(after, after + open);
    std::size_t kept = 1, next_open = 0;
    for (std::size_t i = 1; i < spans.size(); ++i) {
        if (next_open < open && after[next_open] == i) {
            ++next_open;
            spans[kept++] = spans[i];
        } else
            spans[kept - 1].last = std::max(spans[kept - 1].last, spans[i].last);
    }
    spans.resize(kept);
}

}  // namespace core
