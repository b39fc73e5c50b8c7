// The layout a single-file setup is read from: its checksum, its payload's
// header and directory, and where a program file's image ends. Every number
// comes from a downloaded file, so each damage must be refused, never
// trusted.
#include <gtest/gtest.h>

#include <cstring>

#include "base/crc32c.h"
#include "base/pe_image.h"
#include "engine/payload_format.h"
#include "form_pack.h"

namespace {

std::vector<TPayloadEntry> SampleEntries()
{
    std::vector<TPayloadEntry> entries(3);
    entries[0].name = "readme.txt";
    entries[0].size = entries[0].storedSize = 1200;
    entries[0].fileTime = 0x01D0000012345678ull;
    entries[0].crc = 7;
    entries[1].name = "Caf\xe9 menu.txt";
    entries[1].compressed = true;
    entries[1].storedSize = 300;
    entries[1].size = 90000;
    entries[2].name = "empty.dat";
    return entries;
}

TEST(Crc32c, GivesTheStandardValuesInOneCallOrInPieces)
{
    EXPECT_EQ(Crc32c(0, "123456789", 9), 0xE3069283u);
    EXPECT_EQ(Crc32c(0, "", 0), 0u);
    std::vector<uint8_t> data(100003);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
    const uint32_t whole = Crc32c(0, data.data(), data.size());
    EXPECT_EQ(Crc32cByTable(0, data.data(), data.size()), whole);
    EXPECT_EQ(Crc32cByTable(0, "123456789", 9), 0xE3069283u);
    EXPECT_EQ(Crc32c(Crc32c(0, data.data(), 5), data.data() + 5, data.size() - 5), whole);
    data[4711] ^= 0x10;
    EXPECT_NE(Crc32c(0, data.data(), data.size()), whole);
}

TEST(PayloadFormat, DirectoryReadsBackAsWrittenWithOffsetsBackToBack)
{
    std::vector<TPayloadEntry> entries = SampleEntries();
    TPayloadHeader h;
    const std::vector<uint8_t> dir = EncodePayloadDirectory(entries, h);
    EXPECT_EQ(h.fileCount, 3u);
    EXPECT_EQ(h.dataSize, 1500u);
    uint8_t raw[kPayloadHeaderSize];
    EncodePayloadHeader(h, raw);
    TPayloadHeader read;
    ASSERT_TRUE(DecodePayloadHeader(raw, sizeof raw, read));
    std::vector<TPayloadEntry> back;
    ASSERT_TRUE(DecodePayloadDirectory(read, dir.data(), dir.size(), back));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].name, "Caf\xe9 menu.txt");
    EXPECT_TRUE(back[1].compressed);
    EXPECT_EQ(back[1].offset, 1200u);
    EXPECT_EQ(back[1].size, 90000u);
    EXPECT_EQ(back[0].fileTime, 0x01D0000012345678ull);
    EXPECT_EQ(back[2].offset, 1500u);
}

// A file list as a setup has it: numbered names in folders of names, one
// size and time, checksums that differ.
std::vector<TPayloadEntry> FileList(size_t count)
{
    std::vector<TPayloadEntry> entries(count);
    for (size_t i = 0; i < count; ++i) {
        entries[i].name = "text" + std::to_string(1000 + i) + (i % 3 ? ".txt" : ".dat");
        entries[i].size = entries[i].storedSize = 4096;
        entries[i].fileTime = 0x01D0000012345678ull;
        entries[i].crc = static_cast<uint32_t>(i * 2654435761u);
    }
    entries[7].name = std::string(250, 'x');  // a long prefix shared
    entries[8].name = std::string(249, 'x') + "y";
    entries[9].compressed = true;
    entries[9].size = 90000;
    return entries;
}

TEST(PayloadFormat, APackedDirectoryReadsBackAsWrittenAndSmaller)
{
    std::vector<TPayloadEntry> entries = FileList(400);
    TPayloadHeader plainHeader, h;
    const std::vector<uint8_t> plain = EncodePayloadDirectory(entries, plainHeader);
    const std::vector<uint8_t> dir = EncodePayloadDirectory(entries, h, DeflateRaw);
    EXPECT_EQ(plainHeader.expandedDirectorySize, 0u);
    EXPECT_GT(h.expandedDirectorySize, 0u);
    EXPECT_LT(dir.size() * 4, plain.size());
    uint8_t raw[kPayloadHeaderSize];
    EncodePayloadHeader(h, raw);
    EXPECT_EQ(raw[8], 2);
    TPayloadHeader read;
    ASSERT_TRUE(DecodePayloadHeader(raw, sizeof raw, read));
    EXPECT_EQ(read.expandedDirectorySize, h.expandedDirectorySize);
    std::vector<TPayloadEntry> back;
    ASSERT_TRUE(DecodePayloadDirectory(read, dir.data(), dir.size(), back));
    ASSERT_EQ(back.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(back[i].name, entries[i].name);
        EXPECT_EQ(back[i].offset, entries[i].offset);
        EXPECT_EQ(back[i].size, entries[i].size);
        EXPECT_EQ(back[i].crc, entries[i].crc);
        EXPECT_EQ(back[i].compressed, entries[i].compressed);
    }
    // Where packing cannot be had, it is version 1.
    EncodePayloadDirectory(entries, h, [](const std::vector<uint8_t>&, std::vector<uint8_t>&) { return false; });
    EXPECT_EQ(h.expandedDirectorySize, 0u);
}

TEST(PayloadFormat, APackedDirectoryDamagedOrLyingAboutItsSizeIsRefused)
{
    std::vector<TPayloadEntry> entries = FileList(40);
    TPayloadHeader h;
    const std::vector<uint8_t> dir = EncodePayloadDirectory(entries, h, DeflateRaw);
    std::vector<TPayloadEntry> back;
    for (size_t cut = 0; cut < dir.size(); ++cut)
        ASSERT_FALSE(DecodePayloadDirectory(h, dir.data(), cut, back)) << "cut at " << cut;
    // The expanded size lies outside the header's checksum: one more or
    // one less than the packed bytes give is refused.
    for (int64_t by : {-1, 1}) {
        TPayloadHeader lying = h;
        lying.expandedDirectorySize = static_cast<uint32_t>(h.expandedDirectorySize + by);
        EXPECT_FALSE(DecodePayloadDirectory(lying, dir.data(), dir.size(), back)) << by;
    }
    uint8_t raw[kPayloadHeaderSize];
    EncodePayloadHeader(h, raw);
    TPayloadHeader read;
    raw[36] = raw[37] = raw[38] = raw[39] = 0;  // version 2 with nothing packed
    EXPECT_FALSE(DecodePayloadHeader(raw, sizeof raw, read));
    TPayloadHeader plain = h;
    plain.expandedDirectorySize = 0;
    EncodePayloadHeader(plain, raw);
    raw[36] = 1;  // version 1 with a packed size
    EXPECT_FALSE(DecodePayloadHeader(raw, sizeof raw, read));

    // Packed bytes whose checksum holds but which say what no directory
    // may: a name sharing more than the name before it has.
    std::vector<uint8_t> columns = {0, 1, 0, 'a', 2, 1, 0, 'b'};
    columns.resize(columns.size() + 2 * (1 + 8 + 8 + 8 + 4));
    std::vector<uint8_t> packed;
    ASSERT_TRUE(DeflateRaw(columns, packed));
    TPayloadHeader forged;
    forged.fileCount = 2;
    forged.directorySize = static_cast<uint32_t>(packed.size());
    forged.expandedDirectorySize = static_cast<uint32_t>(columns.size());
    forged.directoryCrc = Crc32c(0, packed.data(), packed.size());
    EXPECT_FALSE(DecodePayloadDirectory(forged, packed.data(), packed.size(), back));
    columns[4] = 1;  // "a", then "a" + "b"
    ASSERT_TRUE(DeflateRaw(columns, packed));
    forged.directorySize = static_cast<uint32_t>(packed.size());
    forged.directoryCrc = Crc32c(0, packed.data(), packed.size());
    ASSERT_TRUE(DecodePayloadDirectory(forged, packed.data(), packed.size(), back));
    EXPECT_EQ(back[1].name, "ab");
}

TEST(PayloadFormat, AnyFlippedByteOrCutIsRefused)
{
    std::vector<TPayloadEntry> entries = SampleEntries();
    TPayloadHeader h;
    const std::vector<uint8_t> dir = EncodePayloadDirectory(entries, h);
    uint8_t raw[kPayloadHeaderSize];
    EncodePayloadHeader(h, raw);
    TPayloadHeader read;
    std::vector<TPayloadEntry> back;
    for (size_t i = 0; i < sizeof raw; ++i) {
        uint8_t bad[kPayloadHeaderSize];
        std::memcpy(bad, raw, sizeof raw);
        bad[i] ^= 0x01;
        EXPECT_FALSE(DecodePayloadHeader(bad, sizeof bad, read)) << "header byte " << i;
    }
    EXPECT_FALSE(DecodePayloadHeader(raw, sizeof raw - 1, read));
    for (size_t i = 0; i < dir.size(); ++i) {
        std::vector<uint8_t> bad = dir;
        bad[i] ^= 0x80;
        EXPECT_FALSE(DecodePayloadDirectory(h, bad.data(), bad.size(), back)) << "directory byte " << i;
    }
    for (size_t cut = 0; cut < dir.size(); ++cut)
        EXPECT_FALSE(DecodePayloadDirectory(h, dir.data(), cut, back)) << "cut at " << cut;
}

// A directory whose checksum holds (made by someone who means harm): what
// it says is still checked.
bool Accepted(std::vector<TPayloadEntry> entries, uint64_t dataSize, bool keepOffsets,
              TPayloadKind kind = TPayloadKind::files)
{
    std::vector<TPayloadEntry> wanted = entries;
    TPayloadHeader h;
    std::vector<uint8_t> dir = EncodePayloadDirectory(entries, h);
    if (keepOffsets) {
        // Write the offsets as given over those the encoder set.
        size_t at = 0;
        for (const TPayloadEntry& e : wanted) {
            at += 2 + e.name.size() + 1;
            for (int i = 0; i < 8; ++i) dir[at + static_cast<size_t>(i)] = static_cast<uint8_t>(e.offset >> (8 * i));
            at += 8 * 4 + 4;
        }
    }
    h.dataSize = dataSize;
    h.directoryCrc = Crc32c(0, dir.data(), dir.size());
    std::vector<TPayloadEntry> back;
    return DecodePayloadDirectory(h, dir.data(), dir.size(), back, kind);
}

TEST(PayloadFormat, HostileSizesOffsetsAndNamesAreRefused)
{
    std::vector<TPayloadEntry> e = SampleEntries();
    EXPECT_TRUE(Accepted(e, 1500, false));
    EXPECT_FALSE(Accepted(e, 1499, false));  // runs past the data
    EXPECT_FALSE(Accepted(e, 1501, false));  // bytes nobody owns
    std::vector<TPayloadEntry> overlap = e;
    overlap[1].offset = 100;
    overlap[2].offset = 1500;
    EXPECT_FALSE(Accepted(overlap, 1500, true));
    std::vector<TPayloadEntry> wrap = e;
    wrap[1].offset = ~uint64_t(0) - 10;
    EXPECT_FALSE(Accepted(wrap, 1500, true));
    std::vector<TPayloadEntry> huge = e;
    huge[0].size = huge[0].storedSize = uint64_t(1) << 40;
    EXPECT_FALSE(Accepted(huge, (uint64_t(1) << 40) + 300, false));
    std::vector<TPayloadEntry> plainButLarger = e;
    plainButLarger[0].size = 5000;
    EXPECT_FALSE(Accepted(plainButLarger, 1500, false));
    for (const char* name :
         {"..\\win.ini", "a\\..\\b.txt", "\\b.txt", "a\\\\b.txt", "a\\", "C:x", "", "CON", "..", "a?b"}) {
        std::vector<TPayloadEntry> bad = e;
        bad[0].name = name;
        EXPECT_FALSE(Accepted(bad, 1500, false)) << name;
    }
    std::vector<TPayloadEntry> placed = e;
    placed[0].name = "lang\\de\\strings.txt";
    EXPECT_TRUE(Accepted(placed, 1500, false)) << "a file of a subfolder";
    std::vector<TPayloadEntry> twice = e;
    twice[2].name = "README.TXT";
    EXPECT_FALSE(Accepted(twice, 1500, false));
}

// The members of a solid archive: plain, small, offsets in the expanded stream.
std::vector<TPayloadEntry> SolidMembers()
{
    std::vector<TPayloadEntry> members(3);
    const char* names[] = {"a.txt", "B.DAT", "c d.txt"};
    for (size_t i = 0; i < members.size(); ++i) {
        members[i].name = names[i];
        members[i].size = members[i].storedSize = 4096 * (i + 1);
        members[i].crc = static_cast<uint32_t>(i * 77);
        members[i].fileTime = 0x01D0000000000000ull + i;
    }
    return members;
}

TEST(SolidArchive, HeaderAndDirectoryReadBackAndAreNeverTakenForAPayloads)
{
    std::vector<TPayloadEntry> members = SolidMembers();
    TPayloadHeader h;
    const std::vector<uint8_t> dir = EncodePayloadDirectory(members, h);
    EXPECT_EQ(h.dataSize, 4096u * 6);
    uint8_t solid[kPayloadHeaderSize], files[kPayloadHeaderSize];
    EncodePayloadHeader(h, solid, TPayloadKind::solid);
    EncodePayloadHeader(h, files);
    TPayloadHeader read;
    EXPECT_FALSE(DecodePayloadHeader(solid, sizeof solid, read));
    EXPECT_FALSE(DecodePayloadHeader(files, sizeof files, read, TPayloadKind::solid));
    ASSERT_TRUE(DecodePayloadHeader(solid, sizeof solid, read, TPayloadKind::solid));
    std::vector<TPayloadEntry> back;
    ASSERT_TRUE(DecodePayloadDirectory(read, dir.data(), dir.size(), back, TPayloadKind::solid));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[2].offset, 4096u * 3);
    EXPECT_EQ(back[2].fileTime, 0x01D0000000000002ull);
    EXPECT_FALSE(back[1].solid || back[1].compressed);
}

TEST(SolidArchive, MembersMustBePlainSmallAndNamedAsFilesBelowTheSetupFolder)
{
    const std::vector<TPayloadEntry> m = SolidMembers();
    EXPECT_TRUE(Accepted(m, 4096 * 6, false, TPayloadKind::solid));
    EXPECT_FALSE(Accepted(m, 4096 * 6 + 1, false, TPayloadKind::solid));
    std::vector<TPayloadEntry> bad = m;
    bad[1].compressed = true;  // a member is expanded bytes already
    EXPECT_FALSE(Accepted(bad, 4096 * 6, false, TPayloadKind::solid));
    bad = m;
    bad[0].solid = true;
    EXPECT_FALSE(Accepted(bad, 4096 * 6, false, TPayloadKind::solid));
    // The copy holds a member whole: one past the limit is refused.
    bad = m;
    bad[2].size = bad[2].storedSize = kSolidMaxMemberSize + 1;
    EXPECT_FALSE(Accepted(bad, 4096 * 3 + kSolidMaxMemberSize + 1, false, TPayloadKind::solid));
    bad[2].size = bad[2].storedSize = kSolidMaxMemberSize;
    EXPECT_TRUE(Accepted(bad, 4096 * 3 + kSolidMaxMemberSize, false, TPayloadKind::solid));
    for (const char* name : {"..", "sub\\..\\x.txt", "NUL.txt", "a:b"}) {
        bad = m;
        bad[1].name = name;
        EXPECT_FALSE(Accepted(bad, 4096 * 6, false, TPayloadKind::solid)) << name;
    }
    bad = m;
    bad[1].name = "sub\\x.txt";
    EXPECT_TRUE(Accepted(bad, 4096 * 6, false, TPayloadKind::solid)) << "a member of a subfolder";
    bad = m;
    bad[2].name = "A.TXT";
    EXPECT_FALSE(Accepted(bad, 4096 * 6, false, TPayloadKind::solid));
}

TEST(SolidArchive, APayloadHoldsAtMostOneArchiveAndItIsNotAlsoCompressed)
{
    std::vector<TPayloadEntry> e = SampleEntries();
    e[0].solid = true;
    EXPECT_TRUE(Accepted(e, 1500, false));
    std::vector<TPayloadEntry> two = e;
    two[2].solid = true;
    EXPECT_FALSE(Accepted(two, 1500, false));
    std::vector<TPayloadEntry> both = e;
    both[1].solid = true;  // compressed as well
    both[0].solid = false;
    EXPECT_FALSE(Accepted(both, 1500, false));
}

// The first bytes of a PE32 file with the given sections (start, size of
// raw data) and, when certificate is set, a certificate table entry.
std::vector<uint8_t> PeHead(std::vector<std::pair<uint32_t, uint32_t>> sections, uint32_t certificate)
{
    std::vector<uint8_t> b(1024, 0);
    auto put = [&b](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'M', b[1] = 'Z';
    put(0x3C, 0x80, 4);
    put(0x80, 0x4550, 4);
    put(0x84 + 2, static_cast<uint32_t>(sections.size()), 2);
    put(0x84 + 16, 224, 2);  // optional header size
    const size_t optional = 0x98;
    put(optional, 0x10B, 2);
    put(optional + 60, 0x400, 4);  // headers
    put(optional + 92, 16, 4);     // data directories
    put(optional + 96 + 32, certificate, 4);
    put(optional + 96 + 36, certificate ? 0x800 : 0, 4);
    size_t s = optional + 224;
    for (const auto& [start, size] : sections) {
        put(s + 16, size, 4);
        put(s + 20, start, 4);
        s += 40;
    }
    return b;
}

TEST(PeImage, ImageEndsWithTheLastSectionsRawDataWhateverFollows)
{
    TPeLayout layout;
    std::vector<uint8_t> head = PeHead({{0x400, 0x1000}, {0x3400, 0x200}, {0x1400, 0x2000}}, 0);
    ASSERT_TRUE(ReadPeLayout(head.data(), head.size(), layout));
    EXPECT_EQ(layout.imageEnd, 0x3600u);
    EXPECT_EQ(layout.certificateOffset, 0u);
    head = PeHead({{0x400, 0x1000}}, 0x9000);
    ASSERT_TRUE(ReadPeLayout(head.data(), head.size(), layout));
    EXPECT_EQ(layout.imageEnd, 0x1400u);
    EXPECT_EQ(layout.certificateOffset, 0x9000u);
    EXPECT_EQ(layout.certificateSize, 0x800u);
    EXPECT_EQ(layout.certificateEntry, 0x98u + 96 + 32);
}

TEST(PeImage, HeadersThatDoNotHoldAreRefused)
{
    TPeLayout layout;
    const std::vector<uint8_t> good = PeHead({{0x400, 0x1000}}, 0);
    for (size_t cut : {size_t(0), size_t(0x3F), size_t(0x90), size_t(0x98 + 100), size_t(0x98 + 224 + 39)})
        EXPECT_FALSE(ReadPeLayout(good.data(), cut, layout)) << "cut at " << cut;
    std::vector<uint8_t> bad = good;
    bad[0x3C] = 0xF0, bad[0x3D] = 0xFF, bad[0x3E] = 0xFF, bad[0x3F] = 0xFF;  // e_lfanew far out
    EXPECT_FALSE(ReadPeLayout(bad.data(), bad.size(), layout));
    bad = good;
    bad[0x84 + 2] = 0xFF, bad[0x84 + 3] = 0xFF;  // 65535 sections
    EXPECT_FALSE(ReadPeLayout(bad.data(), bad.size(), layout));
    bad = good;
    bad[0x81] = 'X';
    EXPECT_FALSE(ReadPeLayout(bad.data(), bad.size(), layout));
}

}  // namespace
