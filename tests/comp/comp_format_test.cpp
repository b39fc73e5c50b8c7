// The compressed format in memory: round trips, the header, progress
// reports, and damaged, truncated and foreign input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

#include "base/date_time.h"
#include "comp_test_util.h"

namespace {

struct Expanded {
    int32_t result;
    Bytes data;
    TCompHeader header;
    uint64_t reported = 0;
    size_t reports = 0;
};

// The report numbered stopAt (from 1) asks to stop.
Expanded Expand(const Bytes& packed, size_t sinkRoom = SIZE_MAX, size_t failReadAt = SIZE_MAX, size_t stopAt = SIZE_MAX)
{
    MemorySource in(packed, failReadAt);
    MemorySink out(sinkRoom);
    Expanded e{};
    e.result = ExpandCompStream(
        in, out,
        [&](uint32_t n) {
            e.reported += n;
            return ++e.reports == stopAt;
        },
        &e.header);
    e.data = std::move(out.data);
    return e;
}

template <size_t N> Bytes Literal(const char (&text)[N]) { return Bytes(text, text + N - 1); }

uint32_t ZlibCrc(const Bytes& data)
{
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size())));
}

// The packed file with its header read, changed and written again.
template <typename Change> Bytes Rewritten(const Bytes& packed, Change change)
{
    TCompHeader h;
    EXPECT_EQ(DecodeCompHeader(packed.data(), packed.size(), h), kCompOk);
    change(h);
    Bytes out(kCompMaxHeaderSize);
    out.resize(EncodeCompHeader(h, out.data()));
    out.insert(out.end(), packed.begin() + h.size, packed.end());
    return out;
}

TEST(CompFormat, RoundTripsKeepEveryByteAndReportTheWholeFileAsProgress)
{
    const size_t piece = size_t{1} << kCompPieceShift;
    // Empty, tiny, one piece exactly, pieces in pairs with one over, odd counts.
    const size_t sizes[] = {0, 1, kCompBlockSize, piece, 2 * piece + 1, 5 * piece + 17};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        Bytes data = MixedData(size, static_cast<uint32_t>(size));
        Bytes packed = Pack(data, 0x01c08d9a7b3e1200ULL);
        Expanded e = Expand(packed);
        ASSERT_EQ(e.result, kCompOk);
        EXPECT_TRUE(e.data == data);
        // The page's bar runs to the compressed size: the reports must add up to it.
        EXPECT_EQ(e.reported, packed.size());
        EXPECT_EQ(e.reports, std::max<size_t>(1, (size + piece - 1) / piece));
        EXPECT_EQ(e.header.version, 2);
        EXPECT_EQ(e.header.expandedSize, size);
        EXPECT_EQ(e.header.streamSize, packed.size() - e.header.size);
        EXPECT_EQ(e.header.crc, ZlibCrc(data));
        EXPECT_EQ(e.header.fileTime, 0x01c08d9a7b3e1200ULL);
    }
}

TEST(CompFormat, FilesOfTheFirstVersionStillExpand)
{
    for (size_t size : {size_t{0}, size_t{1000}, 3 * kCompBlockSize + 5}) {
        SCOPED_TRACE(size);
        Bytes data = MixedData(size, 7);
        Bytes packed = PackVersion1(data, 0x01c08d9a7b3e1200ULL);
        Expanded e = Expand(packed);
        ASSERT_EQ(e.result, kCompOk);
        EXPECT_TRUE(e.data == data);
        EXPECT_EQ(e.reported, packed.size());
        EXPECT_EQ(e.header.version, 1);
        EXPECT_EQ(e.header.size, kCompHeaderSizeV1);
        EXPECT_EQ(e.header.fileTime, 0x01c08d9a7b3e1200ULL);
        // Damage in its header or its stream is still damage.
        Bytes bad = packed;
        bad[20] ^= 1;
        EXPECT_EQ(Expand(bad).result, kCompCorrupt);
        bad = packed;
        bad.back() ^= 1;
        EXPECT_EQ(Expand(bad).result, kCompCorrupt);
    }
}

// A report answered with "stop" ends the expansion there with a code of its
// own, in both versions: nothing more is written or reported. With two
// pieces under way, the one on the second processor is waited for (the
// sanitizers see it if not).
TEST(CompFormat, AStopAnsweredToAReportEndsTheExpansionThere)
{
    const size_t piece = size_t{1} << kCompPieceShift;
    const Bytes data = MixedData(6 * piece + 5, 31);
    const Bytes packed = Pack(data);
    for (size_t stopAt : {size_t{1}, size_t{2}, size_t{5}, size_t{7}}) {
        SCOPED_TRACE(stopAt);
        const Expanded e = Expand(packed, SIZE_MAX, SIZE_MAX, stopAt);
        EXPECT_EQ(e.result, kCompCancelled);
        EXPECT_EQ(e.reports, stopAt);
        EXPECT_EQ(e.data.size(), std::min(stopAt * piece, data.size()));
        EXPECT_TRUE(std::equal(e.data.begin(), e.data.end(), data.begin()));
    }
    EXPECT_EQ(Expand(Pack({}), SIZE_MAX, SIZE_MAX, 1).result, kCompCancelled);

    const Bytes older = RandomData(3 * kCompBlockSize + 5, 6);
    const Bytes packedOlder = PackVersion1(older);
    const Expanded all = Expand(packedOlder);
    ASSERT_EQ(all.result, kCompOk);
    ASSERT_GE(all.reports, 3u);
    for (size_t stopAt = 1; stopAt <= all.reports; ++stopAt) {
        SCOPED_TRACE(stopAt);
        const Expanded e = Expand(packedOlder, SIZE_MAX, SIZE_MAX, stopAt);
        EXPECT_EQ(e.result, kCompCancelled);
        EXPECT_EQ(e.reports, stopAt);
        EXPECT_TRUE(std::equal(e.data.begin(), e.data.end(), older.begin()));
        if (stopAt == 1) {
            EXPECT_LT(e.data.size(), older.size());
        }
    }
}

TEST(CompFormat, SmallFilesCarryAFewBytesMoreThanTheirDeflateData)
{
    // A setup of thousands of small files pays the header once a file.
    Bytes data = MixedData(4096, 3);
    Bytes packed = Pack(data);
    uLongf raw = compressBound(4096);
    Bytes zlib(raw);
    ASSERT_EQ(compress2(zlib.data(), &raw, data.data(), 4096, 9), Z_OK);
    // zlib's own wrapper is 6 bytes; ours, with name, sizes, CRC and time, at most 28.
    EXPECT_LE(packed.size(), raw - 6 + 28);
}

TEST(CompFormat, HeaderKeepsItsFieldsAndRejectsOtherVersionsAndDamage)
{
    TCompHeader h;
    h.crc = 0x11223344;
    h.expandedSize = 0x0102030405060708ULL;
    h.streamSize = 0x1000;
    h.fileTime = 0x01d0000000000001ULL;
    uint8_t raw[kCompMaxHeaderSize];
    const size_t size = EncodeCompHeader(h, raw);
    TCompHeader back;
    ASSERT_EQ(DecodeCompHeader(raw, size, back), kCompOk);
    EXPECT_EQ(back.size, size);
    EXPECT_EQ(back.crc, h.crc);
    EXPECT_EQ(back.expandedSize, h.expandedSize);
    EXPECT_EQ(back.streamSize, h.streamSize);
    EXPECT_EQ(back.fileTime, h.fileTime);

    // A stream size written wider than it needs, as a header written ahead
    // of its stream is, reads the same.
    uint8_t wide[kCompMaxHeaderSize];
    ASSERT_EQ(EncodeCompHeader(h, wide, 5), size + 3);
    ASSERT_EQ(DecodeCompHeader(wide, size + 3, back), kCompOk);
    EXPECT_EQ(back.streamSize, h.streamSize);
    EXPECT_EQ(back.size, size + 3);

    // Another version is not ours to read, whatever its checksum says.
    raw[8] = 5;
    EXPECT_EQ(DecodeCompHeader(raw, size, back), kCompForeign);
    raw[8] = 0;
    EXPECT_EQ(DecodeCompHeader(raw, size, back), kCompForeign);
    raw[8] = 2;
    // Any other changed bit of the header is damage, and so is a short one.
    for (size_t i = 10; i < size; ++i) {
        for (uint8_t bit = 1; bit != 0; bit = static_cast<uint8_t>(bit << 1)) {
            raw[i] ^= bit;
            EXPECT_EQ(DecodeCompHeader(raw, size, back), kCompCorrupt) << "byte " << i;
            raw[i] ^= bit;
        }
    }
    for (size_t cut = kCompSignatureSize; cut < size; ++cut)
        EXPECT_EQ(DecodeCompHeader(raw, cut, back), kCompCorrupt) << "cut at " << cut;
}

TEST(CompFormat, TruncationAtEveryOffsetFailsWithTheRightCode)
{
    Bytes data = MixedData(20000, 3);
    Bytes packed = Pack(data);
    for (size_t cut = 0; cut < packed.size(); ++cut) {
        Bytes part(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut));
        Expanded e = Expand(part);
        int32_t want = cut < kCompSignatureSize ? kCompForeign : kCompCorrupt;
        ASSERT_EQ(e.result, want) << "cut at " << cut;
        ASSERT_LE(e.data.size(), data.size());
    }
}

TEST(CompFormat, RandomDamageIsAlwaysCaught)
{
    Bytes data = MixedData(150000, 11);
    Bytes packed = Pack(data);
    std::mt19937 rng(1234);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int trials = 0;
    for (; trials < 3000 && std::chrono::steady_clock::now() < until; ++trials) {
        Bytes bad = packed;
        size_t first = rng() % bad.size();
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
            size_t at = k == 1 ? first : rng() % bad.size();
            bad[at] = static_cast<uint8_t>(bad[at] ^ (1 + rng() % 255));
        }
        Expanded e = Expand(bad);
        // Only the padding bits after the last deflate block can change
        // unnoticed, and they change nothing of the expanded bytes.
        if (e.result == kCompOk) {
            ASSERT_TRUE(e.data == data) << "trial " << trials;
            continue;
        }
        ASSERT_TRUE(e.result == kCompCorrupt || e.result == kCompForeign) << "trial " << trials << ": " << e.result;
        ASSERT_LE(e.data.size(), data.size());
    }
    EXPECT_GT(trials, 100);
}

TEST(CompFormat, StreamsThatDisagreeWithTheHeaderAreDamage)
{
    Bytes data = MixedData(100000, 5);
    Bytes packed = Pack(data);
    auto rewrite = [&](auto change) { return Rewritten(packed, change); };
    // A header that understates the size: expansion stops at the promised
    // size instead of writing whatever the stream holds (a bomb fills no disk).
    Expanded small = Expand(rewrite([](TCompHeader& h) { h.expandedSize = 1000; }));
    EXPECT_EQ(small.result, kCompCorrupt);
    EXPECT_LE(small.data.size(), 1000u);
    EXPECT_EQ(Expand(rewrite([](TCompHeader& h) { h.expandedSize += 1; })).result, kCompCorrupt);
    EXPECT_EQ(Expand(rewrite([](TCompHeader& h) { h.crc ^= 1; })).result, kCompCorrupt);
    EXPECT_EQ(Expand(rewrite([](TCompHeader& h) { h.streamSize = 0; })).result, kCompCorrupt);

    // A size near the top of the range is no reason to count zero pieces.
    TCompHeader huge;
    huge.expandedSize = UINT64_MAX;
    huge.crc = 0;
    Bytes hugeFile(kCompMaxHeaderSize);
    hugeFile.resize(EncodeCompHeader(huge, hugeFile.data()));
    EXPECT_EQ(Expand(hugeFile).result, kCompCorrupt);

    Bytes trailing = packed;
    trailing.push_back(0);
    EXPECT_EQ(Expand(trailing).result, kCompCorrupt);
    // A stream that says it is longer than the deflate data it holds.
    Bytes longer = rewrite([](TCompHeader& h) { h.streamSize += 4; });
    longer.insert(longer.end(), 4, 0);
    EXPECT_EQ(Expand(longer).result, kCompCorrupt);
}

TEST(CompFormat, ForeignFilesAreNotOurs)
{
    EXPECT_EQ(Expand(Literal("Plain text, not compressed at all.\r\n")).result, kCompForeign);
    EXPECT_EQ(Expand(Literal("PK\x03\x04\x14\x00\x00\x00\x08\x00 zip local header and more")).result, kCompForeign);
    EXPECT_EQ(Expand(Bytes{}).result, kCompForeign);
    // A bare deflate stream without our header.
    Bytes packed = Pack(MixedData(1000, 1));
    TCompHeader h;
    ASSERT_EQ(DecodeCompHeader(packed.data(), packed.size(), h), kCompOk);
    EXPECT_EQ(Expand(Bytes(packed.begin() + h.size, packed.end())).result, kCompForeign);
}

TEST(CompFormat, ReadAndWriteFailuresHaveTheirOwnCodes)
{
    Bytes data = MixedData(400000, 9);
    Bytes packed = Pack(data);
    EXPECT_EQ(Expand(packed, SIZE_MAX, packed.size() / 2).result, kCompCannotOpen);
    EXPECT_EQ(Expand(packed, data.size() / 3).result, kCompCannotWrite);
    EXPECT_EQ(Expand(packed, data.size()).result, kCompOk);

    MemorySource in(data, 1000);
    MemorySink out;
    TCompHeader h;
    EXPECT_EQ(CompressCompBody(in, data.size(), out, 9, h), kCompCannotOpen);
    MemorySource whole(data);
    MemorySink full(100);
    EXPECT_EQ(CompressCompBody(whole, data.size(), full, 9, h), kCompCannotWrite);
    // A source that is shorter or longer than it was sized has changed while read.
    MemorySource shorter(data), longer(data);
    MemorySink any;
    EXPECT_EQ(CompressCompBody(shorter, data.size() + 1, any, 9, h), kCompCannotOpen);
    EXPECT_EQ(CompressCompBody(longer, data.size() - 1, any, 9, h), kCompCannotOpen);
}

// LZMA files: version 3, pieces of their own size, the same reports.
// Level 1 for the large ones: the pieces' bounds do not depend on it.
TEST(CompFormat, LzmaRoundTripsKeepEveryByteAcrossPieceBoundaries)
{
    const size_t piece = CompPieceSize(kCompMethodLzma);
    const size_t sizes[] = {0, 1, 4096, piece, piece + 1, 2 * piece + 17};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        const Bytes data = MixedData(size, static_cast<uint32_t>(size) + 5);
        const Bytes packed = Pack(data, 0x01c08d9a7b3e1200ULL, size > 4096 ? 1 : 9, kCompMethodLzma);
        ASSERT_FALSE(packed.empty());
        const Expanded e = Expand(packed);
        ASSERT_EQ(e.result, kCompOk);
        EXPECT_TRUE(e.data == data);
        EXPECT_EQ(e.reported, packed.size());
        EXPECT_EQ(e.reports, std::max<size_t>(1, (size + piece - 1) / piece));
        EXPECT_EQ(e.header.version, kCompVersionMethod);
        EXPECT_EQ(e.header.method, kCompMethodLzma);
        EXPECT_EQ(e.header.filters, 0);
        EXPECT_EQ(e.header.crc, ZlibCrc(data));
        EXPECT_EQ(e.header.fileTime, 0x01c08d9a7b3e1200ULL);
    }
    // Random bytes take LZMA2's stored chunks: barely more than they are.
    const Bytes noise = RandomData(piece + 3, 8);
    const Bytes packed = Pack(noise, 0, 1, kCompMethodLzma);
    EXPECT_LE(packed.size(), CompStreamBound(noise.size(), kCompMethodLzma) + kCompMaxHeaderSize);
    const Expanded e = Expand(packed);
    ASSERT_EQ(e.result, kCompOk);
    EXPECT_TRUE(e.data == noise);
}

TEST(CompFormat, ProgramImagesGoThroughTheBranchFilterAndComeBackExact)
{
    const Bytes program = ProgramImage(300000, 4);
    const Bytes packed = Pack(program, 0, 9, kCompMethodLzma);
    const Expanded e = Expand(packed);
    ASSERT_EQ(e.result, kCompOk);
    EXPECT_TRUE(e.data == program);
    EXPECT_EQ(e.header.filters, kCompFilterX86);
    // What the filter is for: the same code without the program's headers
    // is packed without it, and larger.
    Bytes code = program;
    code[0] = 'X';
    const Expanded plain = Expand(Pack(code, 0, 9, kCompMethodLzma));
    ASSERT_EQ(plain.result, kCompOk);
    EXPECT_EQ(plain.header.filters, 0);
    EXPECT_LT(packed.size(), Pack(code, 0, 9, kCompMethodLzma).size());
    // Deflate files carry no filter and stay version 2.
    const Expanded deflated = Expand(Pack(program));
    EXPECT_EQ(deflated.header.version, kCompVersionDeflate);
    EXPECT_EQ(deflated.header.filters, 0);
    // A header that is cut short is no program.
    EXPECT_EQ(Expand(Pack(Bytes(program.begin(), program.begin() + 0x84), 0, 9, kCompMethodLzma)).header.filters, 0);
}

// Pieces (version 3) and one stream (version 4) alike.
TEST(CompFormat, LzmaFilesCutOrDamagedAnywhereAreRefused)
{
    const Bytes data = ProgramImage(6000, 2);
    for (const Bytes& packed : {Pack(data, 0, 9, kCompMethodLzma), PackOneStream(data, kCompFilterX86)}) {
        ASSERT_FALSE(packed.empty());
        for (size_t cut = 0; cut < packed.size(); ++cut) {
            const Expanded e = Expand(Bytes(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut)));
            ASSERT_EQ(e.result, cut < kCompSignatureSize ? kCompForeign : kCompCorrupt) << "cut at " << cut;
        }
        // Every byte flipped in turn, every bit of it at once: the CRCs see
        // what the decoder does not.
        for (size_t at = 0; at < packed.size(); ++at) {
            Bytes bad = packed;
            bad[at] ^= 0xff;
            const Expanded e = Expand(bad);
            if (e.result == kCompOk) {
                ASSERT_TRUE(e.data == data) << "byte " << at;
                continue;
            }
            ASSERT_TRUE(e.result == kCompCorrupt || e.result == kCompForeign) << "byte " << at << ": " << e.result;
            ASSERT_LE(e.data.size(), data.size());
        }
    }
}

// Version 4: one stream whose dictionary spans the file, up to 16 MiB.
TEST(CompFormat, OneStreamFilesRoundTripAndReachBackAcrossTheWholeFile)
{
    const size_t sizes[] = {0, 1, 4096, kCompBlockSize + 1, 300000};
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        const Bytes data = MixedData(size, static_cast<uint32_t>(size) + 9);
        const Bytes packed = PackOneStream(data);
        ASSERT_FALSE(packed.empty());
        const Expanded e = Expand(packed);
        ASSERT_EQ(e.result, kCompOk);
        EXPECT_TRUE(e.data == data);
        EXPECT_EQ(e.reported, packed.size());
        EXPECT_EQ(e.header.version, kCompVersionOneStream);
        EXPECT_EQ(e.header.method, kCompMethodLzma);
        EXPECT_EQ(e.header.dictSize, std::max<size_t>(size, 4096));
        EXPECT_EQ(e.header.crc, ZlibCrc(data));
    }
    const Bytes program = ProgramImage(300000, 4);
    EXPECT_EQ(CompFilters(kCompMethodLzma, program.data(), program.size()), kCompFilterX86);
    EXPECT_EQ(CompFilters(kCompMethodDeflate, program.data(), program.size()), 0);
    const Bytes filtered = PackOneStream(program, kCompFilterX86);
    const Expanded f = Expand(filtered);
    ASSERT_EQ(f.result, kCompOk);
    EXPECT_TRUE(f.data == program);
    EXPECT_EQ(f.header.filters, kCompFilterX86);
    EXPECT_LT(filtered.size(), PackOneStream(program).size());

    // A stretch that comes again a piece later: no piece reaches back to
    // it, the one stream does.
    const size_t piece = CompPieceSize(kCompMethodLzma);
    const Bytes noise = RandomData(1 << 20, 3);
    Bytes spread(piece + noise.size());
    std::copy(noise.begin(), noise.end(), spread.begin());
    std::copy(noise.begin(), noise.end(), spread.begin() + static_cast<std::ptrdiff_t>(piece));
    const Bytes one = PackOneStream(spread, 0, 1);
    EXPECT_LT(one.size() + (900 << 10), Pack(spread, 0, 1, kCompMethodLzma).size());
    const Expanded e = Expand(one);
    ASSERT_EQ(e.result, kCompOk);
    EXPECT_TRUE(e.data == spread);
    EXPECT_EQ(e.header.dictSize, spread.size());
    EXPECT_GT(e.reports, 2u);
    // Reports come a block at a time, and a stop asked for ends it there.
    const Expanded stopped = Expand(one, SIZE_MAX, SIZE_MAX, 2);
    EXPECT_EQ(stopped.result, kCompCancelled);
    EXPECT_LT(stopped.data.size(), spread.size());
}

TEST(CompFormat, OneStreamHeadersThatDoNotHoldAreRefused)
{
    const Bytes data = MixedData(300000, 6);
    const Bytes one = PackOneStream(data);
    auto with = [&](auto change) { return Expand(Rewritten(one, change)).result; };
    EXPECT_EQ(with([](TCompHeader& h) { h.method = kCompMethodDeflate; }), kCompCorrupt);
    EXPECT_EQ(with([](TCompHeader& h) { h.dictSize = 4095; }), kCompCorrupt);
    // More memory than the reader gives: a later writer's, not ours.
    EXPECT_EQ(with([](TCompHeader& h) { h.dictSize = kCompMaxDict + 1; }), kCompForeign);
    EXPECT_EQ(with([](TCompHeader& h) { h.dictSize = kCompMaxDict; }), kCompOk);
    // A dictionary smaller than the writer's: a match reaching further back is damage.
    EXPECT_EQ(with([](TCompHeader& h) { h.dictSize = 4096; }), kCompCorrupt);
    EXPECT_EQ(with([](TCompHeader& h) { h.filters = kCompFilterX86; }), kCompCorrupt);
    // A version after this one lays its header out as it likes.
    Bytes later = one;
    later[8] = kCompVersionOneStream + 1;
    EXPECT_EQ(Expand(later).result, kCompForeign);
    // A source shorter or longer than it was sized, and a full disk.
    MemorySource in(data);
    MemorySink out;
    TCompHeader h;
    EXPECT_EQ(CompressCompOneStream(in, data.size() + 1, out, 1, 0, h), kCompCannotOpen);
    MemorySource again(data);
    EXPECT_EQ(CompressCompOneStream(again, data.size() - 1, out, 1, 0, h), kCompCannotOpen);
    MemorySource whole(data);
    MemorySink full(100);
    EXPECT_EQ(CompressCompOneStream(whole, data.size(), full, 1, 0, h), kCompCannotWrite);
}

// Version 3 names its method and filters; a header that names what this
// library does not know is another writer's, one that contradicts itself
// is damage, both refused before anything is written.
TEST(CompFormat, MethodsAndVersionsThatDoNotGoTogetherAreRefused)
{
    const Bytes data = MixedData(3000, 6);
    const Bytes deflated = Pack(data);
    const Bytes lzma = Pack(data, 0, 9, kCompMethodLzma);
    auto rewrite = [](const Bytes& packed, auto change) { return Rewritten(packed, change); };
    // Deflate pieces behind a version 3 header read as they do behind version 2.
    const Expanded v3 = Expand(rewrite(deflated, [](TCompHeader& h) { h.version = kCompVersionMethod; }));
    EXPECT_EQ(v3.result, kCompOk);
    EXPECT_TRUE(v3.data == data);
    EXPECT_EQ(v3.header.version, kCompVersionMethod);

    Bytes unknown = rewrite(lzma, [](TCompHeader& h) { h.method = static_cast<TCompMethod>(2); });
    EXPECT_EQ(Expand(unknown).result, kCompForeign);
    unknown = rewrite(lzma, [](TCompHeader& h) { h.method = static_cast<TCompMethod>(0xff); });
    EXPECT_EQ(Expand(unknown).result, kCompForeign);
    EXPECT_EQ(Expand(rewrite(lzma, [](TCompHeader& h) { h.filters = 2; })).result, kCompForeign);
    EXPECT_EQ(Expand(rewrite(deflated, [](TCompHeader& h) { h.filters = kCompFilterX86; })).result, kCompCorrupt);
    // The other method's decoder on a piece: damage, not a crash.
    EXPECT_EQ(Expand(rewrite(lzma, [](TCompHeader& h) { h.method = kCompMethodDeflate; })).result, kCompCorrupt);
    EXPECT_EQ(Expand(rewrite(deflated, [](TCompHeader& h) { h.method = kCompMethodLzma; })).result, kCompCorrupt);
    EXPECT_EQ(Expand(rewrite(lzma, [](TCompHeader& h) { h.filters = kCompFilterX86; })).result, kCompCorrupt);

    // A version 2 header with a method byte put in (its check made right)
    // reads the method as the size: the sizes disagree with the file.
    Bytes v2 = deflated;
    v2.insert(v2.begin() + 10, {kCompMethodLzma, 0});
    TCompHeader h;
    ASSERT_EQ(DecodeCompHeader(deflated.data(), deflated.size(), h), kCompOk);
    const size_t check = h.size + 2 - 2;
    uint16_t crc = 0xffff;
    for (size_t i = 0; i < check; ++i) {
        crc = static_cast<uint16_t>(crc ^ (v2[i] << 8));
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    v2[check] = static_cast<uint8_t>(crc);
    v2[check + 1] = static_cast<uint8_t>(crc >> 8);
    EXPECT_EQ(Expand(v2).result, kCompCorrupt);
}

// Files written before LZMA came expand byte for byte, and deflate still
// writes them exactly so.
TEST(CompFormat, DeflateFilesOfEarlierBuildsStillExpandAndAreStillWritten)
{
    const uint64_t written = (981173106ULL + 11644473600ULL) * 10000000ULL;  // 3 February 2001 04:05:06
    Bytes pattern(2 * 1024 * 1024 + 100);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 7 + (i >> 12) * 13);
    const struct {
        const char* packed;
        Bytes original;
    } fixtures[] = {{"notes.v2.tnc", ReadBytes(NIMBO_COMP_FIXTURES "/notes.txt")}, {"pattern.v2.tnc", pattern}};
    for (const auto& f : fixtures) {
        SCOPED_TRACE(f.packed);
        const Bytes packed = ReadBytes(std::string(NIMBO_COMP_FIXTURES "/") + f.packed);
        ASSERT_FALSE(packed.empty());
        ASSERT_FALSE(f.original.empty());
        const Expanded e = Expand(packed);
        ASSERT_EQ(e.result, kCompOk);
        EXPECT_TRUE(e.data == f.original);
        EXPECT_EQ(e.header.version, kCompVersionDeflate);
        EXPECT_EQ(e.header.fileTime, written);
        // (The header of a file written whole leaves room for the largest
        // stream size; the stream itself is the same.)
        const Bytes again = Pack(f.original, written);
        TCompHeader h;
        ASSERT_EQ(DecodeCompHeader(again.data(), again.size(), h), kCompOk);
        EXPECT_TRUE(Bytes(again.begin() + h.size, again.end()) == Bytes(packed.begin() + e.header.size, packed.end()));
    }
}

TEST(CompFormat, FileTimesBecomeDateTimes)
{
    // 3 February 2001 04:05:06.5 (Unix time 981173106) counted from 1601.
    uint64_t seconds = 981173106ULL + 11644473600ULL;
    double dt = CompFileTimeToDateTime(seconds * 10000000ULL + 5000000ULL);
    EXPECT_NEAR(dt, EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 500), 1e-9);
    EXPECT_DOUBLE_EQ(CompFileTimeToDateTime(109205ULL * 864000000000ULL), 0.0);
    // Before 30 December 1899 the day counts down, the time of day still up.
    EXPECT_DOUBLE_EQ(CompFileTimeToDateTime(109204ULL * 864000000000ULL + 216000000000ULL), -1.25);
}

}  // namespace
