// The small deflate decoder against zlib's encoder, every kind of block,
// and damaged, truncated and mis-sized input; and packed forms.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

#include "base/exceptions.h"
#include "base/raw_inflate.h"
#include "framework/form_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Deflate(const Bytes& data, int level, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy), Z_OK);
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<uint8_t*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

// Text with repeats near and far, runs, and noise.
Bytes Sample(size_t size, uint32_t seed)
{
    std::mt19937 rng(seed);
    static const char* const words[] = {"text0001.txt ", "Install ", "\r\n", "setup ", "C:\\Program Files\\"};
    Bytes out;
    while (out.size() < size) {
        switch (rng() % 4) {
        case 0: {
            const char* w = words[rng() % 5];
            out.insert(out.end(), w, w + std::strlen(w));
            break;
        }
        case 1:
            out.insert(out.end(), rng() % 300, static_cast<uint8_t>(rng()));
            break;
        case 2:
            if (out.size() > 40000) {
                size_t from = out.size() - 1 - rng() % 32000;
                for (size_t n = 3 + rng() % 255; n > 0; --n) out.push_back(out[from++]);
            }
            break;
        default:
            out.push_back(static_cast<uint8_t>(rng()));
        }
    }
    out.resize(size);
    return out;
}

bool Inflates(const Bytes& packed, const Bytes& want)
{
    Bytes out(want.size());
    return InflateRaw(packed.data(), packed.size(), out.data(), out.size()) && out == want;
}

TEST(RawInflate, ExpandsWhatZlibWritesInEveryKindOfBlock)
{
    const Bytes zeros(1 << 20, 0);  // the longest matches, each overlapping what it copies
    const Bytes one(1, 'x');
    const Bytes text = Sample(300000, 1);
    const Bytes noise = [] {
        std::mt19937 rng(2);
        Bytes b(100000);
        for (auto& c : b) c = static_cast<uint8_t>(rng());
        return b;
    }();
    struct Mode {
        int level, strategy;
    } modes[] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY},
                 {9, Z_DEFAULT_STRATEGY}, {9, Z_FIXED},
                 {9, Z_HUFFMAN_ONLY},     {9, Z_RLE}};
    for (const Mode& m : modes) {
        SCOPED_TRACE(::testing::Message() << "level " << m.level << " strategy " << m.strategy);
        for (const Bytes* data : {&zeros, &one, &text, &noise})
            EXPECT_TRUE(Inflates(Deflate(*data, m.level, m.strategy), *data));
        EXPECT_TRUE(Inflates(Deflate(Bytes{}, m.level, m.strategy), Bytes{}));
    }
}

TEST(RawInflate, RefusesTheWrongSizeTrailingBytesTruncationAndDamage)
{
    const Bytes data = Sample(20000, 3);
    const Bytes packed = Deflate(data, 9);
    Bytes out(data.size() + 1);
    EXPECT_FALSE(InflateRaw(packed.data(), packed.size(), out.data(), data.size() - 1));
    EXPECT_FALSE(InflateRaw(packed.data(), packed.size(), out.data(), data.size() + 1));
    Bytes trailing = packed;
    trailing.push_back(0);
    EXPECT_FALSE(InflateRaw(trailing.data(), trailing.size(), out.data(), data.size()));
    for (size_t cut = 0; cut < packed.size(); ++cut) {
        // A copy of just the cut part, so reading past it is caught.
        Bytes part(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut));
        ASSERT_FALSE(InflateRaw(part.data(), part.size(), out.data(), data.size())) << "cut at " << cut;
    }
    // Damage may by chance still decode; it must never read or write out of bounds.
    std::mt19937 rng(4);
    for (int trial = 0; trial < 3000; ++trial) {
        Bytes bad = packed;
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k)
            bad[rng() % bad.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        Bytes exact(data.size());
        (void)InflateRaw(bad.data(), bad.size(), exact.data(), exact.size());
    }
    // Block type 3 does not exist; a stored block's length must match its complement.
    const uint8_t reserved[] = {0x07, 0, 0};
    EXPECT_FALSE(InflateRaw(reserved, sizeof reserved, out.data(), 0));
    const uint8_t badStored[] = {0x01, 0x01, 0x00, 0xff, 0xfe, 'a'};
    EXPECT_FALSE(InflateRaw(badStored, sizeof badStored, out.data(), 1));
    const uint8_t goodStored[] = {0x01, 0x01, 0x00, 0xfe, 0xff, 'a'};
    EXPECT_TRUE(InflateRaw(goodStored, sizeof goodStored, out.data(), 1));
}

Bytes PackedForm(const Bytes& form)
{
    Bytes out(kPackedFormSignature, kPackedFormSignature + 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(form.size() >> (8 * i)));
    Bytes body = Deflate(form, 9);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(PackedForm, UnpacksToTheFormAndLeavesPlainFormsAlone)
{
    Bytes form(kFormSignature, kFormSignature + 4);
    const Bytes rest = Sample(50000, 5);
    form.insert(form.end(), rest.begin(), rest.end());
    Bytes unpacked;
    EXPECT_FALSE(UnpackForm(form.data(), form.size(), unpacked));
    const Bytes packed = PackedForm(form);
    ASSERT_TRUE(UnpackForm(packed.data(), packed.size(), unpacked));
    EXPECT_TRUE(unpacked == form);

    // Damage is an error with a message, never a crash or a half-read form.
    Bytes bad = packed;
    bad[bad.size() / 2] ^= 0x55;
    EXPECT_THROW(UnpackForm(bad.data(), bad.size(), unpacked), EReadError);
    EXPECT_THROW(UnpackForm(packed.data(), 6, unpacked), EReadError);
    EXPECT_THROW(UnpackForm(packed.data(), packed.size() - 1, unpacked), EReadError);
    Bytes huge = packed;
    huge[7] = 0x7f;  // a size of about 2 GiB
    EXPECT_THROW(UnpackForm(huge.data(), huge.size(), unpacked), EReadError);
    // Within the limit, but more than deflate can pack into these bytes.
    Bytes tooMuch = packed;
    const uint32_t claimed = static_cast<uint32_t>(packed.size() * 1033);
    for (int i = 0; i < 4; ++i) tooMuch[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(claimed >> (8 * i));
    EXPECT_THROW(UnpackForm(tooMuch.data(), tooMuch.size(), unpacked), EReadError);
}

}  // namespace
