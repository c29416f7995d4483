// Change detection of the batch's slots: the signature stream and what of a look it follows, without GL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/batch/changes.h"

using namespace core;

namespace {

bool Changed(std::vector<unsigned char>& stored, const std::string& now)
{
    Signature_Check check(stored);
    // In pieces, as parts feed it: the comparison must carry across them.
    for (std::size_t i = 0; i < now.size(); i += 3)
        check.Feed(now.data() + i, std::min<std::size_t>(3, now.size() - i));
    return check.Finish();
}

// A look of one lit part on `vertex` and a caption whose texture is keyed by `key`.
void Describe(Look& look, const short* vertex, const float* coord, const wchar_t* key, float z)
{
    look.Clear();
    Look_Part& mesh = look.Add(Look_Pass::LIT);
    mesh.vertex = vertex;
    mesh.quads = 1;
    Look_Part& text = look.Add(Look_Pass::TEXT);
    text.vertex = vertex;
    text.coord = coord;
    text.quads = 1;
    text.offset[2] = z;
    static const unsigned char texels[16] = {};
    text.texture.pixels = texels;
    text.texture.tex_w = text.texture.tex_h = 4;
    text.texture.key = key;
    text.texture.key_bytes = 4 * static_cast<int>(sizeof(wchar_t));
}

bool Look_Changed(std::vector<unsigned char>& stored, const Look& look)
{
    Signature_Check check(stored);
    Look_Signature_Feed(look, check);
    return check.Finish();
}

}  // namespace

TEST(Changes, SignatureStreamFindsAnyDifferenceAndKeepsTheNewStream)
{
    std::vector<unsigned char> stored;
    EXPECT_TRUE(Changed(stored, "abcdefgh"));  // nothing stored yet
    EXPECT_FALSE(Changed(stored, "abcdefgh"));
    EXPECT_TRUE(Changed(stored, "abcdXfgh"));  // one byte inside a piece
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "abcdXfgh");
    EXPECT_FALSE(Changed(stored, "abcdXfgh"));
    EXPECT_TRUE(Changed(stored, "abcdXf"));  // shorter
    EXPECT_EQ(stored.size(), 6u);
    EXPECT_TRUE(Changed(stored, "abcdXfghij"));  // longer
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "abcdXfghij");
    EXPECT_FALSE(Changed(stored, "abcdXfghij"));
}

TEST(Changes, LookSignatureFollowsArraysPlacesAndTextureKeys)
{
    short vertex[12] = {0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10, 0};
    float coord[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    wchar_t key[4] = {L'a', L'b', L'c', 0};
    Look look;
    std::vector<unsigned char> stored;
    Describe(look, vertex, coord, key, 1.0f);
    EXPECT_GE(Look_Signature_Bytes(look), 2 * (12 * sizeof(short)) + 8 * sizeof(float));
    ASSERT_TRUE(Look_Changed(stored, look));
    Describe(look, vertex, coord, key, 1.0f);
    EXPECT_FALSE(Look_Changed(stored, look));

    vertex[7] = 11;  // the same array, one corner moved
    EXPECT_TRUE(Look_Changed(stored, look));
    EXPECT_FALSE(Look_Changed(stored, look));
    coord[2] = 0.5f;
    EXPECT_TRUE(Look_Changed(stored, look));
    key[1] = L'x';  // the same texels and pointer, another text
    EXPECT_TRUE(Look_Changed(stored, look));
    Describe(look, vertex, coord, key, 2.0f);
    EXPECT_TRUE(Look_Changed(stored, look));
    look.At(0).rgb = 0x102030;
    EXPECT_TRUE(Look_Changed(stored, look));
    look.At(1).texture.wrap = Look_Wrap::EDGE;
    EXPECT_TRUE(Look_Changed(stored, look));
    look.Add(Look_Pass::OUTLINE);  // a part more, with nothing in it
    EXPECT_TRUE(Look_Changed(stored, look));
}

TEST(Changes, PartSignaturesNameTheChangedPartsAndTakeALayoutChangeWhole)
{
    short vertex[12] = {0, 0, 0, 10, 0, 0, 10, 10, 0, 0, 10, 0};
    float coord[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    wchar_t key[4] = {L'a', L'b', L'c', 0};
    Look look;
    Look_Signature sig;
    std::vector<std::uint32_t> changed = {7};
    Describe(look, vertex, coord, key, 1.0f);
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::WHOLE);  // nothing known yet
    ASSERT_EQ(sig.ends.size(), 2u);
    EXPECT_EQ(sig.ends.back(), sig.bytes.size());
    const std::vector<unsigned char> first = sig.bytes;
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::NONE);
    EXPECT_TRUE(changed.empty());

    // The caption's text alone, then the mesh's place alone: only that part, rewritten in place.
    key[1] = L'x';
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::PARTS);
    EXPECT_EQ(changed, std::vector<std::uint32_t>{1});
    EXPECT_EQ(sig.bytes.size(), first.size());
    EXPECT_TRUE(std::equal(first.begin(), first.begin() + sig.ends[0], sig.bytes.begin()));
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::NONE);
    look.At(0).offset[0] = 5.0f;
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::PARTS);
    EXPECT_EQ(changed, std::vector<std::uint32_t>{0});
    // Both, in order.
    look.At(0).rgb = 0x102030;
    coord[2] = 0.5f;
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::PARTS);
    EXPECT_EQ(changed, (std::vector<std::uint32_t>{0, 1}));

    // A part of another size (its texture keyed by fewer bytes), a part more, a part less: whole,
    // and the signature then follows the new parts exactly.
    look.At(1).texture.key_bytes = 2 * static_cast<int>(sizeof(wchar_t));
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::WHOLE);
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::NONE);
    look.Add(Look_Pass::OUTLINE);
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::WHOLE);
    EXPECT_EQ(sig.ends.size(), 3u);
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::NONE);
    Describe(look, vertex, coord, key, 1.0f);
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::WHOLE);
    EXPECT_EQ(Look_Signature_Compare(look, sig, changed), Look_Change::NONE);
}

TEST(DirtySpans, JoinedWhenTheyOverlapOrLieWithinTheGap)
{
    // Out of order, one inside another, one touching, one beyond the gap, and an empty one.
    std::vector<Dirty_Span> spans = {{40, 49}, {0, 9}, {3, 5}, {10, 12}, {16, 20}, {30, 20}, {100, 100}};
    Dirty_Spans_Join(spans, 3);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].first, 0);
    EXPECT_EQ(spans[0].last, 20);  // 13 to 15 lie between: three elements, within the gap
    EXPECT_EQ(spans[1].first, 40);
    EXPECT_EQ(spans[1].last, 49);
    EXPECT_EQ(spans[2].first, 100);
    EXPECT_EQ(spans[2].last, 100);

    // Without a gap only overlapping and touching spans join.
    spans = {{0, 4}, {5, 9}, {11, 12}};
    Dirty_Spans_Join(spans, 0);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].last, 9);
    EXPECT_EQ(spans[1].first, 11);
}

TEST(DirtySpans, LimitedToAFewTheLargestGapsStayOpen)
{
    using Ends = std::vector<std::pair<int, int>>;
    const auto limited = [](std::vector<Dirty_Span> spans, std::size_t most) {
        Dirty_Spans_Limit(spans, most);
        Ends ends;
        for (const Dirty_Span& d : spans)
            ends.emplace_back(d.first, d.last);
        return ends;
    };
    // Three clusters of read-outs far apart, the second gap the larger: three pieces, or two with
    // the second gap open, or one reaching over everything.
    std::vector<Dirty_Span> spans;
    for (const int base : {0, 5000, 20000})
        for (int k = 0; k < 10; ++k)
            spans.push_back({base + k * 40, base + k * 40 + 19});
    EXPECT_EQ(limited(spans, 3), (Ends{{0, 379}, {5000, 5379}, {20000, 20379}}));
    EXPECT_EQ(limited(spans, 2), (Ends{{0, 5379}, {20000, 20379}}));
    EXPECT_EQ(limited(spans, 1), (Ends{{0, 20379}}));
    // Fewer than allowed stay as they are; of equal gaps the earlier stay open.
    EXPECT_EQ(limited(spans, 16).size(), 16u);
    EXPECT_EQ(limited({{0, 0}, {10, 10}, {20, 20}, {30, 30}}, 3), (Ends{{0, 0}, {10, 10}, {20, 30}}));
}

TEST(DirtySpans, AThousandChangedWidgetsGoUpInOnePiece)
{
    // Every slider of a live panel changes its cursor and read-out: a span in each slot's block.
    std::vector<Dirty_Span> spans;
    for (int slot = 0; slot < 1000; ++slot)
        spans.push_back({slot * 300 + 200, slot * 300 + 260});
    Dirty_Spans_Join(spans, 256);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].first, 200);
    EXPECT_EQ(spans[0].last, 999 * 300 + 260);
}
