// The stub's LZMA decoder against liblzma's encoder, and the call filter.
#include <gtest/gtest.h>
#include <lzma.h>

#include <random>
#include <string>

#include "call_filter.h"
#include "lzma_expand.h"

namespace {

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, uint32_t lc, uint32_t lp, uint32_t pb, uint32_t preset)
{
    lzma_options_lzma o;
    lzma_lzma_preset(&o, preset);
    o.lc = lc;
    o.lp = lp;
    o.pb = pb;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &o}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream s = LZMA_STREAM_INIT;
    EXPECT_EQ(lzma_raw_encoder(&s, filters), LZMA_OK);
    std::vector<uint8_t> out(data.size() * 2 + 1024);
    s.next_in = data.data();
    s.avail_in = data.size();
    s.next_out = out.data();
    s.avail_out = out.size();
    EXPECT_EQ(lzma_code(&s, LZMA_FINISH), LZMA_STREAM_END);
    out.resize(out.size() - s.avail_out);
    lzma_end(&s);
    return out;
}

bool Expand(const std::vector<uint8_t>& in, size_t inSize, std::vector<uint8_t>& out, uint32_t properties)
{
    std::vector<uint16_t> probs(LzmaProbabilityCount(properties));
    return LzmaExpand(in.data(), inSize, out.data(), out.size(), properties, probs.data());
}

// Text with long and short repeats, runs of zeros and random stretches:
// literals, matches, every kind of repeat and long distances.
std::vector<uint8_t> Mixed(size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> d;
    const std::string words[] = {"setup ", "install ", "TNimboFileCopy ", std::string(4, '\0'), "\xE8\x10\x20\x01"};
    while (d.size() < size) {
        switch (rng() % 4) {
        case 0:
            for (int i = rng() % 200; i > 0; --i) d.push_back(static_cast<uint8_t>(rng()));
            break;
        case 1: {
            const std::string& w = words[rng() % 5];
            d.insert(d.end(), w.begin(), w.end());
            break;
        }
        case 2:
            if (d.size() > 70000) {  // a far repeat
                const size_t from = rng() % (d.size() - 1000);
                d.insert(d.end(), d.begin() + from, d.begin() + from + rng() % 900);
            }
            break;
        default:
            d.insert(d.end(), rng() % 3000, 0);
        }
    }
    d.resize(size);
    return d;
}

}  // namespace

TEST(LzmaExpand, ExpandsWhatLiblzmaCompressedForEverySettingThePackerTries)
{
    const std::vector<uint8_t> data = Mixed(300000, 1);
    const uint32_t settings[][3] = {{3, 0, 2}, {1, 0, 2}, {0, 0, 0}, {4, 0, 4}, {2, 2, 0}};
    for (const auto& s : settings) {
        const std::vector<uint8_t> packed = Compress(data, s[0], s[1], s[2], 9 | LZMA_PRESET_EXTREME);
        std::vector<uint8_t> out(data.size());
        ASSERT_TRUE(Expand(packed, packed.size(), out, (s[2] * 5 + s[1]) * 9 + s[0])) << s[0] << s[1] << s[2];
        EXPECT_EQ(out, data);
    }
    for (size_t size : {0u, 1u, 7u}) {  // tiny inputs and the fast encoder's choices
        const std::vector<uint8_t> small = Mixed(size, 2), packed = Compress(small, 3, 0, 2, 1);
        std::vector<uint8_t> out(small.size());
        ASSERT_TRUE(Expand(packed, packed.size(), out, 93));
        EXPECT_EQ(out, small);
    }
}

TEST(LzmaExpand, RefusesCutOrDamagedDataWithoutLeavingItsBuffers)
{
    const std::vector<uint8_t> data = Mixed(100000, 3);
    const std::vector<uint8_t> packed = Compress(data, 3, 0, 2, 6);
    std::vector<uint8_t> out(data.size());
    // Cut: the data ends before the image is whole (the sanitizers watch
    // the reads).
    for (size_t cut : {size_t{0}, size_t{4}, size_t{5}, packed.size() / 2, packed.size() - 8}) {
        std::vector<uint8_t> head(packed.begin(), packed.begin() + static_cast<long>(cut));
        EXPECT_FALSE(Expand(head, head.size(), out, 93)) << cut;
    }
    // Damaged: whatever comes out, it stays inside the output buffer and
    // mostly fails; a bad first byte or properties byte always does.
    std::mt19937 rng(4);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> bad = packed;
        bad[5 + rng() % (bad.size() - 5)] ^= static_cast<uint8_t>(1 + rng() % 255);
        std::vector<uint8_t> o(data.size());
        if (Expand(bad, bad.size(), o, 93)) {
            EXPECT_NE(o, data);
        }
    }
    std::vector<uint8_t> bad = packed;
    bad[0] = 1;
    EXPECT_FALSE(Expand(bad, bad.size(), out, 93));
    EXPECT_EQ(LzmaProbabilityCount(225), 0u);
    EXPECT_FALSE(Expand(packed, packed.size(), out, 225));
}

TEST(CallFilter, UndoesItselfAndMakesCallsToOneTargetAlike)
{
    std::vector<uint8_t> code = Mixed(50000, 5);
    code.insert(code.end(), 8, 0);  // whatever the random part ends with has ended
    code.insert(code.end(), {0xE8, 0xFB, 0xFF, 0xFF, 0xFF, 0xE8, 0xF6, 0xFF, 0xFF, 0xFF, 0xE8, 1});  // and the tail
    const std::vector<uint8_t> original = code;
    CallFilter(code.data(), static_cast<uint32_t>(code.size()), 0x1000, true);
    EXPECT_NE(code, original);
    // The two calls at the end (5 bytes apart) reach the same address.
    const size_t at = code.size() - 12;
    EXPECT_TRUE(std::equal(code.begin() + at + 1, code.begin() + at + 5, code.begin() + at + 6));
    EXPECT_EQ(code.back(), 1);  // an opcode too close to the end is left
    CallFilter(code.data(), static_cast<uint32_t>(code.size()), 0x1000, false);
    EXPECT_EQ(code, original);
}
