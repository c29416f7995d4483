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

void Look_Signature_Feed(const Look& look, Signature_Check& check)
{
    for (const Look_Part& p : look.Parts()) {
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
        check.Value(k);
        const std::size_t q = p.quads > 0 ? static_cast<std::size_t>(p.quads) : 0;
        check.Feed(p.Vertices(), q * 12 * sizeof(short));
        if (p.vertex && p.normal)
            check.Feed(p.normal, q * 12 * sizeof(short));
        if (p.vertex && p.color)
            check.Feed(p.color, q * 4 * sizeof(unsigned int));
        if (p.Coords())
            check.Feed(p.Coords(), q * 8 * sizeof(float));
        if (k.key_bytes > 0)
            check.Feed(t.key, static_cast<std::size_t>(k.key_bytes));
    }
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

}  // namespace core
