// The expanded bytes of a compressed file's part, read in order while a
// thread of the reader's own expands ahead: every byte as packed in reads
// of any size, damage after the sound bytes before it, a cut or foreign
// part refused at once, and a reader closed part way stops its thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "comp_stream.h"
#include "comp_test_util.h"

namespace {

class CompStream : public ::testing::Test {
protected:
    // The packed data between other bytes; `at` and `size` say where.
    void WriteArchive(const Bytes& packed)
    {
        Bytes whole = RandomData(999, 3);
        at_ = whole.size();
        size_ = packed.size();
        whole.insert(whole.end(), packed.begin(), packed.end());
        const Bytes after = RandomData(321, 4);
        whole.insert(whole.end(), after.begin(), after.end());
        WriteBytes(dir_.Path("archive"), whole);
    }
    // Everything the reader gives in reads of `step` bytes, and its last result.
    int64_t ReadAll(TCompStreamReader& reader, size_t step, Bytes& out)
    {
        Bytes buffer(step);
        for (;;) {
            const int64_t n = reader.Read(buffer.data(), step);
            if (n <= 0) return n;
            out.insert(out.end(), buffer.begin(), buffer.begin() + n);
        }
    }
    std::string Archive() const { return dir_.Path("archive"); }

    uint64_t at_ = 0, size_ = 0;
    TempDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(CompStream, ReadsEveryByteInReadsOfAnySizeAndEndsWithZero)
{
    // Several pieces, so the second processor's expansion and the slots' wrap both happen.
    const Bytes data = MixedData(5 * 1024 * 1024 + 12345, 8);
    WriteArchive(Pack(data, 0x01D0000012345678ull));
    for (size_t step : {size_t(1) << 20, size_t(4093), size_t(300000)}) {
        TCompStreamReader reader;
        ASSERT_EQ(reader.Open(Archive().c_str(), at_, size_), kCompOk);
        EXPECT_EQ(reader.Header().expandedSize, data.size());
        EXPECT_EQ(reader.Header().fileTime, 0x01D0000012345678ull);
        Bytes back;
        EXPECT_EQ(ReadAll(reader, step, back), 0) << step;
        EXPECT_TRUE(back == data) << step;
        Bytes more(10);
        EXPECT_EQ(reader.Read(more.data(), more.size()), 0);
    }
    TCompStreamReader empty;
    WriteArchive(Pack(Bytes()));
    ASSERT_EQ(empty.Open(Archive().c_str(), at_, size_), kCompOk);
    Bytes none;
    EXPECT_EQ(ReadAll(empty, 100, none), 0);
    EXPECT_TRUE(none.empty());
}

TEST_F(CompStream, DamageComesAfterTheSoundBytesBeforeIt)
{
    const Bytes data = MixedData(4 * 1024 * 1024, 9);
    Bytes packed = Pack(data);
    packed[packed.size() * 3 / 4] ^= 0x40;  // in the last piece or so
    WriteArchive(packed);
    TCompStreamReader reader;
    ASSERT_EQ(reader.Open(Archive().c_str(), at_, size_), kCompOk);
    Bytes back;
    EXPECT_EQ(ReadAll(reader, 65536, back), kCompCorrupt);
    EXPECT_LT(back.size(), data.size());
    EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin()));
    Bytes more(10);
    EXPECT_EQ(reader.Read(more.data(), more.size()), kCompCorrupt);
}

TEST_F(CompStream, ACutForeignOrMissingPartIsRefusedAtOnce)
{
    const Bytes packed = Pack(MixedData(300000, 10));
    WriteArchive(packed);
    for (uint64_t size : {size_ - 1, size_ + 1, uint64_t(10)}) {
        TCompStreamReader reader;
        EXPECT_EQ(reader.Open(Archive().c_str(), at_, size), kCompCorrupt) << size;
    }
    TCompStreamReader past, foreign, missing;
    EXPECT_EQ(past.Open(Archive().c_str(), at_ + 1000, size_), kCompCorrupt);
    EXPECT_EQ(foreign.Open(Archive().c_str(), 0, 500), kCompForeign);
    EXPECT_EQ(missing.Open(dir_.Path("nothing").c_str(), 0, 500), kCompCannotOpen);
}

TEST_F(CompStream, ClosingPartWayStopsTheExpansionAtOnce)
{
    // Far more than the slots hold: the thread waits for room when closed.
    const Bytes data = MixedData(24 * 1024 * 1024, 11);
    WriteArchive(Pack(data, 0, 1));
    const auto started = std::chrono::steady_clock::now();
    {
        TCompStreamReader reader;
        ASSERT_EQ(reader.Open(Archive().c_str(), at_, size_), kCompOk);
        uint8_t byte = 0;
        ASSERT_EQ(reader.Read(&byte, 1), 1);
        EXPECT_EQ(byte, data[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    TCompStreamReader neverOpened;
}

}  // namespace
