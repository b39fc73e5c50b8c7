// Whole files: the target is replaced or made only by a complete, verified
// expansion, keeps the original's time stamp, and no temporary file stays.
#include <gtest/gtest.h>

#include <chrono>

#include "comp_file.h"
#include "comp_test_util.h"
#include "base/temp_names.h"

namespace fs = std::filesystem;

namespace {

class CompFile : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return dir_.Path(name); }
    std::set<std::string> Names() const { return dir_.Names(); }

    static uint64_t TimeOf(const std::string& path)
    {
        TCompInFile f;
        return f.Open(path.c_str()) ? f.LastWriteTime() : 0;
    }

    void CompressAndExpand(TCompMethod method);

    TempDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(CompFile, CompressAndExpandOverAnOldTargetKeepTheOriginalTime)
{
    for (const TCompMethod method : {kCompMethodDeflate, kCompMethodLzma}) {
        SCOPED_TRACE(method);
        CompressAndExpand(method);
        for (const char* name : {"original", "packed", "target"}) fs::remove(Path(name));
    }
}

void CompFile::CompressAndExpand(TCompMethod method)
{
    // Several pieces, so the header written ahead of the stream keeps its length.
    Bytes data = MixedData(2 * CompPieceSize(method) + 600000, 21);
    WriteBytes(Path("original"), data);
    fs::last_write_time(Path("original"), fs::file_time_type::clock::now() - std::chrono::hours(5000));
    uint64_t originalTime = TimeOf(Path("original"));
    ASSERT_NE(originalTime, 0u);

    ASSERT_EQ(
        CompressCompFile(Path("original").c_str(), Path("packed").c_str(), method == kCompMethodLzma ? 1 : 9, method),
        kCompOk);
    TCompHeader h;
    ASSERT_EQ(ReadCompFileHeader(Path("packed").c_str(), h), kCompOk);
    EXPECT_EQ(h.method, method);
    EXPECT_EQ(h.expandedSize, data.size());
    EXPECT_EQ(h.fileTime, originalTime);
    EXPECT_EQ(h.streamSize + h.size, fs::file_size(Path("packed")));
    // The compressed file itself carries the time, for "is the source newer" checks.
    EXPECT_EQ(TimeOf(Path("packed")), originalTime);

    WriteBytes(Path("target"), Bytes(10, 'x'));
    uint64_t reported = 0;
    ASSERT_EQ(ExpandCompFile(Path("packed").c_str(), Path("target").c_str(),
                             [&](uint32_t n) {
                                 reported += n;
                                 return false;
                             }),
              kCompOk);
    EXPECT_TRUE(ReadBytes(Path("target")) == data);
    EXPECT_EQ(reported, fs::file_size(Path("packed")));
    EXPECT_EQ(TimeOf(Path("target")), originalTime);
    EXPECT_EQ(Names(), (std::set<std::string>{"original", "packed", "target"}));
}

// A single-file setup's compressed file lies between other bytes: only its
// own are read, and a part that ends early or reaches past the file is
// refused before a target is made.
TEST_F(CompFile, APartOfALargerFileExpandsAndNothingAroundItIsRead)
{
    const Bytes data = MixedData(1500000, 5);
    const Bytes packed = Pack(data, 0x01D0000012345678ull);
    Bytes whole = RandomData(7777, 1);
    whole.insert(whole.end(), packed.begin(), packed.end());
    const Bytes after = RandomData(5000, 2);
    whole.insert(whole.end(), after.begin(), after.end());
    WriteBytes(Path("setup.exe"), whole);
    TCompHeader h;
    ASSERT_EQ(ExpandCompFilePart(Path("setup.exe").c_str(), 7777, packed.size(), Path("target").c_str(), {}, &h),
              kCompOk);
    EXPECT_TRUE(ReadBytes(Path("target")) == data);
    EXPECT_EQ(TimeOf(Path("target")), 0x01D0000012345678ull);

    for (uint64_t size : {uint64_t(packed.size() - 1), uint64_t(packed.size() + 1)})
        EXPECT_EQ(ExpandCompFilePart(Path("setup.exe").c_str(), 7777, size, Path("cut").c_str(), {}), kCompCorrupt);
    EXPECT_EQ(ExpandCompFilePart(Path("setup.exe").c_str(), whole.size() - 10, 11, Path("cut").c_str(), {}),
              kCompCorrupt);
    EXPECT_EQ(ExpandCompFilePart(Path("setup.exe").c_str(), ~uint64_t(0) - 3, 10, Path("cut").c_str(), {}),
              kCompCorrupt);
    EXPECT_EQ(Names(), (std::set<std::string>{"setup.exe", "target"}));
}

TEST_F(CompFile, EmptyFilesRoundTrip)
{
    WriteBytes(Path("original"), {});
    ASSERT_EQ(CompressCompFile(Path("original").c_str(), Path("packed").c_str()), kCompOk);
    ASSERT_EQ(ExpandCompFile(Path("packed").c_str(), Path("target").c_str(), nullptr), kCompOk);
    EXPECT_TRUE(fs::exists(Path("target")));
    EXPECT_EQ(fs::file_size(Path("target")), 0u);
}

TEST_F(CompFile, EveryFailureLeavesTheOldTargetAndNoTemporaryFile)
{
    Bytes data = MixedData(30000, 8);
    Bytes packed = Pack(data, 1);
    const Bytes old(1234, 'o');
    WriteBytes(Path("target"), old);
    auto expectUntouched = [&](int32_t result, int32_t want, const std::string& what) {
        EXPECT_EQ(result, want) << what;
        EXPECT_TRUE(ReadBytes(Path("target")) == old) << what;
        EXPECT_EQ(Names(), (std::set<std::string>{"source", "target"})) << what;
    };

    for (size_t cut = 0; cut < packed.size(); cut += 1 + cut / 64) {
        WriteBytes(Path("source"), Bytes(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut)));
        expectUntouched(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), nullptr),
                        cut < kCompSignatureSize ? kCompForeign : kCompCorrupt, "cut " + std::to_string(cut));
    }
    Bytes bad = packed;
    bad[bad.size() / 2] ^= 0x55;
    WriteBytes(Path("source"), bad);
    expectUntouched(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), nullptr), kCompCorrupt, "damage");

    // Damage in the last block is found only after everything was written.
    bad = packed;
    bad[bad.size() - 2] ^= 0x01;
    WriteBytes(Path("source"), bad);
    expectUntouched(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), nullptr), kCompCorrupt,
                    "damaged checksum");
    // Asked for a new file only, an existing one is left and reported,
    // whatever else is wrong.
    expectUntouched(ExpandCompFile(Path("missing").c_str(), Path("target").c_str(), nullptr, nullptr, true),
                    kCompTargetExists, "new only, target there");
    // A new file found damaged does not appear.
    expectUntouched(ExpandCompFile(Path("source").c_str(), Path("new").c_str(), nullptr), kCompCorrupt,
                    "damaged checksum, new target");

    WriteBytes(Path("source"), Bytes{'h', 'e', 'l', 'l', 'o'});
    expectUntouched(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), nullptr), kCompForeign, "plain");
    expectUntouched(CompressCompFile(Path("missing").c_str(), Path("target").c_str()), kCompCannotOpen,
                    "compress missing");
    fs::remove(Path("source"));
    WriteBytes(Path("source"), packed);
    expectUntouched(ExpandCompFile(Path("missing").c_str(), Path("target").c_str(), nullptr), kCompCannotOpen,
                    "missing");
    expectUntouched(ExpandCompFile(Path("source").c_str(), Path("no-such-dir/target").c_str(), nullptr),
                    kCompCannotWrite, "missing directory");
}

// While the expansion runs, the target's name holds what it held before
// (or nothing): the expanded file takes it only when complete. A stop
// answered to a report leaves it so, and no temporary file.
TEST_F(CompFile, TheTargetChangesOnlyWhenTheExpansionIsComplete)
{
    const Bytes data = MixedData(3 * (size_t{1} << kCompPieceShift), 12);
    WriteBytes(Path("source"), Pack(data));
    const Bytes old(99, 'o');
    WriteBytes(Path("target"), old);
    int reports = 0;
    bool seenOld = true, seenNothing = true;
    auto watch = [&](int stopAt) {
        return [&, stopAt](uint32_t) {
            seenOld = seenOld && ReadBytes(Path("target")) == old;
            seenNothing = seenNothing && !fs::exists(Path("new"));
            return ++reports == stopAt;
        };
    };
    for (const char* target : {"target", "new"}) {
        for (bool newOnly : {false, true}) {
            SCOPED_TRACE(std::string(target) + (newOnly ? ", new only" : ""));
            reports = 0;
            auto stopAtSecond = watch(2);
            EXPECT_EQ(ExpandCompFile(Path("source").c_str(), Path(target).c_str(), stopAtSecond, nullptr, newOnly),
                      kCompCancelled);
            EXPECT_EQ(reports, 2);
            EXPECT_EQ(Names(), (std::set<std::string>{"source", "target"}));
        }
    }
    EXPECT_TRUE(ReadBytes(Path("target")) == old);

    // Run to the end: only then is the name taken, or, asked for a new file
    // where one is, nothing is.
    auto toTheEnd = watch(0);
    EXPECT_EQ(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), toTheEnd, nullptr, true),
              kCompTargetExists);
    EXPECT_EQ(ExpandCompFile(Path("source").c_str(), Path("new").c_str(), toTheEnd, nullptr, true), kCompOk);
    EXPECT_TRUE(seenOld);
    EXPECT_TRUE(seenNothing);
    EXPECT_TRUE(ReadBytes(Path("target")) == old);
    EXPECT_TRUE(ReadBytes(Path("new")) == data);
    EXPECT_EQ(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), toTheEnd), kCompOk);
    EXPECT_TRUE(ReadBytes(Path("target")) == data);
    EXPECT_EQ(Names(), (std::set<std::string>{"new", "source", "target"}));
}

TEST_F(CompFile, ATargetThatCannotBeReplacedFailsCleanly)
{
    WriteBytes(Path("source"), Pack(MixedData(5000, 2)));
    fs::create_directory(Path("target"));
    WriteBytes(Path("target/inside"), Bytes(3, 'i'));
    EXPECT_EQ(ExpandCompFile(Path("source").c_str(), Path("target").c_str(), nullptr), kCompCannotWrite);
    EXPECT_EQ(Names(), (std::set<std::string>{"source", "target"}));
    EXPECT_TRUE(ReadBytes(Path("target/inside")) == Bytes(3, 'i'));
}

TEST_F(CompFile, HeaderReadingRejectsWhatExpansionWouldReject)
{
    Bytes packed = Pack(MixedData(50000, 4), 99);
    TCompHeader h;
    WriteBytes(Path("source"), packed);
    ASSERT_EQ(ReadCompFileHeader(Path("source").c_str(), h), kCompOk);
    EXPECT_EQ(h.expandedSize, 50000u);
    EXPECT_EQ(h.fileTime, 99u);

    WriteBytes(Path("source"), Bytes(packed.begin(), packed.end() - 1));
    EXPECT_EQ(ReadCompFileHeader(Path("source").c_str(), h), kCompCorrupt);
    WriteBytes(Path("source"), Bytes(100, 'a'));
    EXPECT_EQ(ReadCompFileHeader(Path("source").c_str(), h), kCompForeign);
    EXPECT_EQ(ReadCompFileHeader(Path("missing").c_str(), h), kCompCannotOpen);
    EXPECT_EQ(ReadCompFileHeader(dir_.Name().c_str(), h), kCompCannotOpen);
}

}  // namespace

// The name a killed run leaves behind must read back to the process that
// wrote it, whatever the digits; anything else is not ours.
TEST(SetupTempNames, NamesReadBackToTheirProcessAndNothingElseMatches)
{
    uint32_t id = 0;
    EXPECT_EQ(SetupTempName(0x1A2B3C4D, 0xFFFFFFFF), "~nimbo-1A2B3C4D-FFFFFFFF.tmp");
    for (uint32_t pid : {0u, 0x10u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
        ASSERT_TRUE(ParseSetupTempName(SetupTempName(pid, 7), id));
        EXPECT_EQ(id, pid);
    }
    for (const char* other :
         {"~nimbo-1a2b3c4d-00000001.tmp", "~nimbo-1A2B3C4D-0000001.tmp", "~nimbo-1A2B3C4D_00000001.tmp",
          "~nimbo-1A2B3C4D-00000001.TMP", "nimbo-1A2B3C4D-00000001.tmpx"})
        EXPECT_FALSE(ParseSetupTempName(other, id)) << other;
}
