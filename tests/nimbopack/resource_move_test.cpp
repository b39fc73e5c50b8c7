// Moving the resource section behind the stub: each resource's address
// moves once, and a directory that leaves its section is refused.
#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "pack_image.h"
#include "pe_file.h"

namespace {

constexpr uint32_t kRva = 0x88000;

// A root directory with two entries: a subdirectory and a data entry; the
// subdirectory's one entry is the same data entry.
std::vector<uint8_t> SharedLeaf(uint32_t dataRva)
{
    std::vector<uint8_t> s(0x100);
    PutLE16(&s[14], 2);
    PutLE32(&s[16 + 4], 0x80000000u | 0x40);
    PutLE32(&s[24 + 4], 0x80);
    PutLE16(&s[0x40 + 14], 1);
    PutLE32(&s[0x40 + 16 + 4], 0x80);
    PutLE32(&s[0x80], dataRva);
    PutLE32(&s[0x84], 0x10);
    return s;
}

}  // namespace

TEST(RelocateResources, MovesEachDataEntryOnceAndRefusesWhatLeavesTheSection)
{
    std::vector<uint8_t> s = SharedLeaf(kRva + 0xC0);
    RelocateResources(s, kRva, 0x100, 0x2F000);
    EXPECT_EQ(GetLE32(&s[0x80]), kRva + 0xC0 + 0x2F000);

    std::vector<uint8_t> outside = SharedLeaf(kRva + 0xF8);  // 16 bytes from 0xF8 end past the section
    EXPECT_THROW(RelocateResources(outside, kRva, 0x100, 0x1000), ENimboError);
    std::vector<uint8_t> before = SharedLeaf(0x1000);
    EXPECT_THROW(RelocateResources(before, kRva, 0x100, 0x1000), ENimboError);

    std::vector<uint8_t> loop = SharedLeaf(kRva + 0xC0);
    PutLE32(&loop[0x40 + 16 + 4], 0x80000000u | 0x40);  // the subdirectory contains itself
    EXPECT_THROW(RelocateResources(loop, kRva, 0x100, 0x1000), ENimboError);
    std::vector<uint8_t> past = SharedLeaf(kRva + 0xC0);
    PutLE16(&past[0x40 + 14], 40);  // more entries than the section holds
    EXPECT_THROW(RelocateResources(past, kRva, 0x100, 0x1000), ENimboError);
}
