// The version-5 stream: the shipped script byte for byte, round trips and
// damaged input.
#include <gtest/gtest.h>

#include "script_samples.h"

namespace {

void ExpectReadError(const std::vector<uint8_t>& bytes, const char* what)
{
    TNimboData s;
    try {
        ReadScript(s, bytes);
        ADD_FAILURE() << "no error: " << what;
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Invalid property value") << what;
    }
}

}  // namespace

TEST(ScriptStream, ShippedScriptIsWrittenByteForByte)
{
    TNimboData s;
    BuildShippedScript(s);
    const std::vector<uint8_t> expected = ShippedBytes();
    const std::vector<uint8_t> written = WriteScript(s);
    ASSERT_EQ(written.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(written[i], expected[i]) << "byte " << i;
}

TEST(ScriptStream, ShippedScriptReadsBackWithEveryListAndReference)
{
    TNimboData s;
    ReadScript(s, ShippedBytes());
    TNimboData built;
    BuildShippedScript(built);
    EXPECT_EQ(Describe(s), Describe(built));
    EXPECT_EQ(s.AppName(), "Corvane Linker Setup");
    ASSERT_EQ(s.Files().Count(), 7);
    EXPECT_EQ(DateTimeToFileDate(s.Files()[0]->DateTime()), 640243125);
    EXPECT_EQ(s.GetDisk(1)->Used(), 299008 + 2789 + 4644 + 130 + 3993 + 0 + 910);
    EXPECT_EQ(s.GetDisk(1)->Number(), 1);
    EXPECT_EQ(s.FindDir("Windows System")->Parent(), s.FindDir("Windows"));
    EXPECT_EQ(s.FindChoiceData("suInstallType")->Common(), s.FindChoiceItem("CUSTOM INSTALL"));
    EXPECT_EQ(s.FindChoiceData("suOptions")->Common(), s.ChoiceItems()[4]);
    EXPECT_EQ(s.FindWinGroup("suGroups")->Items()[0], s.FindWinItem("order.txt"));
    EXPECT_EQ(s.FindWinItem("ReadMe.txt")->ItemFile(), s.FindFile("README.TXT"));
    EXPECT_EQ(s.LogFileDir(), s.FindDir("Install"));
    EXPECT_EQ(WriteScript(s), ShippedBytes());
}

TEST(ScriptStream, NewScriptWritesTheDefaultLayout)
{
    Bytes b;
    b.List().I8(5).Str("New Application.").List().End();
    b.List().Str("Setup Disk").I8(0).Ints({}).End();
    b.List().Str("Install").Str("C:\\NewApps\\").Str("").Ints({});
    b.Str("Windows").Str("C:\\WINDOWS\\").Str("").Ints({});
    b.Str("Windows System").Str("SYSTEM\\").Str("Windows").Ints({}).End();
    for (int i = 0; i < 5; ++i) b.List().End();
    b.Ints({}).Ints({}).Ints({});
    b.List().Str("").Str("INSTALL.LOG").End().List().End().End();
    TNimboData s;
    EXPECT_EQ(WriteScript(s), b.Data());
}

TEST(ScriptStream, RoundTripKeepsEveryEntryAndReference)
{
    TNimboData s;
    BuildRichScript(s);
    s.FindDir("Help")->SetDir(String(300, 'x'));  // a long string
    TNimboData back;
    ReadScript(back, WriteScript(s));
    EXPECT_EQ(Describe(back), Describe(s));
    EXPECT_EQ(back.FindDir("Help")->Dir().size(), 301u);
    // Read replaces the content, so reading twice changes nothing.
    ReadScript(back, WriteScript(s));
    EXPECT_EQ(Describe(back), Describe(s));
}

TEST(ScriptStream, WriterLeavesOutWhatTheScriptDoesNotHold)
{
    TNimboData s;
    TNimboData other;
    TNimboFile* foreign = other.AddFile("FOREIGN");
    TNimboFile* own = s.AddFile("OWN");
    TNimboDir* foreignDir = other.FindDir("Install");
    s.FindDir("Install")->AddFile(foreign);
    s.FindDir("Install")->AddFile(own);
    TNimboFileGroup* g = s.AddFileGroup("G");
    g->AddFile(own, foreignDir, true);  // a directory of another script
    g->AddFile(own, s.FindDir("Windows"), true);
    TNimboWinItem* w = s.AddWinItem("W");
    w->SetItemFile(foreign);
    w->SetDir(foreignDir);
    s.FindDir("Install")->SetParent(foreignDir);
    s.FindDir("Install")->Files();
    s.GetDisk(1)->SetUsed(12345);  // not stored
    TNimboData back;
    ReadScript(back, WriteScript(s));
    EXPECT_EQ(back.FindDir("Install")->Files().Count(), 1);
    EXPECT_EQ(back.WinItems()[0]->ItemFile(), nullptr);
    EXPECT_EQ(back.WinItems()[0]->Dir(), nullptr);
    // The group's pairs stay aligned: the foreign directory's list is left out with it.
    TNimboFileGroup* bg = back.FindFileGroup("G");
    ASSERT_EQ(bg->Dirs().Count(), 1);
    EXPECT_EQ(bg->Dirs()[0], back.FindDir("Windows"));
    EXPECT_EQ(bg->FileLists(0)->Files().Count(), 1);
    EXPECT_EQ(back.GetDisk(1)->Used(), 0);
    // A parent of another script is written by name: "Install" is found as itself, so none.
    EXPECT_EQ(back.FindDir("Install")->Parent(), nullptr);
}

TEST(ScriptStream, ReadingSkipsPositionsAndNamesThatDesignateNothing)
{
    Bytes b;
    b.List().I8(7).Str("App");  // a later version reads as version 5
    b.List();
    for (int size : {600, 500, 10}) b.Str("F").Str("S").I8(0).I16(size).True().I8(0);
    b.End();
    // Disk of size 1000: 600 fits, 500 does not, 10 fits; positions 9 and -1 skipped.
    b.List().Str("D").I16(1000).Ints({0, 1, 9, -1, 2}).End();
    b.List();
    b.Str("Self").Str("s").Str("Self").Ints({0, 0, 5});  // own name as parent
    b.Str("Early").Str("e").Str("Late").Ints({});        // parent later in the list
    b.Str("Late").Str("l").Str("").Ints({});
    b.End();
    // Group: directory positions 0, 9 (unknown), 0 (repeated), 2; four file lists.
    b.List().Str("G").List().Ints({0, 9, 0, 2}).Ints({0}).Ints({1}).Ints({2}).Ints({0, 1}).End().End();
    b.List().End();
    b.List().Str("C").I8(5).Ints({3}).End();
    b.List().Str("W").Str("").I8(-1).I8(3).End();
    b.List().End();
    b.Ints({0, 0, 7}).Ints({}).Ints({});
    b.List().Str("Nowhere").Str("X.LOG").End();
    b.List().Str("a").Str("b").End();
    b.End();
    TNimboData s;
    ReadScript(s, b.Data());
    EXPECT_EQ(s.AppName(), "App");
    EXPECT_EQ(s.Files()[0]->CompressedSize(), 600) << "0 means the size";
    EXPECT_TRUE(s.Files()[0]->Compressed());
    TNimboDisk* d = s.GetDisk(1);
    EXPECT_EQ(Positions(s.Files(), d->Files()), (std::vector<int>{0, 2}));
    EXPECT_EQ(d->Used(), 610);
    EXPECT_EQ(s.FindDir("Self")->Parent(), nullptr);
    EXPECT_EQ(s.FindDir("Self")->Files().Count(), 1);
    EXPECT_EQ(s.FindDir("Early")->Parent(), nullptr);
    TNimboFileGroup* g = s.FindFileGroup("G");
    ASSERT_EQ(g->Dirs().Count(), 2);
    EXPECT_EQ(g->FileListCount(), 2);
    EXPECT_EQ(Positions(s.Files(), g->FileLists(0)->Files()), (std::vector<int>{0}));
    EXPECT_EQ(Positions(s.Files(), g->FileLists(1)->Files()), (std::vector<int>{0, 1}));
    EXPECT_EQ(s.FindChoiceData("C")->Common(), nullptr);
    EXPECT_EQ(s.FindWinItem("W")->Dir(), nullptr);
    EXPECT_EQ(s.FindWinItem("W")->ItemFile(), nullptr);
    EXPECT_EQ(Positions(s.Files(), s.BDEFiles()->Files()), (std::vector<int>{0}));
    EXPECT_EQ(s.LogFileDir(), nullptr);
    EXPECT_EQ(s.LogFileName(), "X.LOG");
    EXPECT_EQ(s.UnInstallFiles().Lines(), (std::vector<String>{"a", "b"}));
}

TEST(ScriptStream, EntriesWithEmptyNamesStaySeparate)
{
    Bytes b;
    b.List().I8(5).Str("").List().End().List().End();
    b.List().Str("").Str("A").Str("").Ints({}).Str("").Str("B").Str("").Ints({}).End();
    b.List().Str("").List().Ints({}).End().Str("").List().Ints({}).End().End();
    b.List().End().List().Str("").I8(-1).Ints({}).Str("").I8(-1).Ints({}).End();
    b.List().End().List().End();
    b.Ints({}).Ints({}).Ints({});
    b.List().Str("").Str("").End().List().End().End();
    TNimboData s;
    ReadScript(s, b.Data());
    EXPECT_EQ(s.Dirs().Count(), 2);
    EXPECT_EQ(s.Dirs()[1]->Dir(), "B");
    EXPECT_EQ(s.FileGroups().Count(), 2);
    EXPECT_EQ(s.ChoiceData().Count(), 2);
    EXPECT_TRUE(s.Disks().Empty());
}

TEST(ScriptStream, DamagedStreamsStopWithTheReadError)
{
    const std::vector<uint8_t> good = ShippedBytes();
    // Every truncation fails cleanly and leaves a script that can still be
    // written, copied and destroyed.
    for (size_t n = 0; n < good.size(); ++n) {
        TNimboData s;
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_THROW(ReadScript(s, cut), EReadError) << n;
        TNimboData copy;
        copy.Assign(&s);
        WriteScript(copy);
    }
    ExpectReadError(Bytes().List().Str("5").Data(), "string for the version");
    ExpectReadError(Bytes().List().I8(0).Str("A").Data(), "version 0");
    ExpectReadError(Bytes().I8(5).Data(), "no list");
    Bytes huge;
    huge.List().I8(5).Raw(12).Raw(0xFF).Raw(0xFF).Raw(0xFF).Raw(0x7F);
    ExpectReadError(huge.Data(), "absurd string length");
    Bytes deep;
    deep.List().I8(5).Str("A").List().Str("F").Str("S").I8(0).I8(0).False();
    for (int i = 0; i < 200; ++i) deep.List();
    ExpectReadError(deep.Data(), "nested lists where a value is due");
    Bytes badTag;
    badTag.List().I8(5).Str("A").List().End().List().Str("D").Raw(5).End();
    ExpectReadError(badTag.Data(), "unknown tag");
}

TEST(ScriptStream, TimeStampsOfZeroAndInvalidStamps)
{
    auto withStamp = [](int64_t stamp) {
        Bytes b;
        b.List().I8(5).Str("A").List().Str("F").Str("").I32(stamp).I8(1).False().I8(0).End();
        for (int i = 0; i < 7; ++i) b.List().End();
        b.Ints({}).Ints({}).Ints({}).List().Str("").Str("L").End().List().End().End();
        return b.Data();
    };
    TNimboData s;
    ReadScript(s, withStamp(0));
    EXPECT_EQ(s.Files()[0]->DateTime(), 0.0);
    try {
        ReadScript(s, withStamp(0x00200000));  // month 0
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    try {
        ReadScript(s, withStamp(0x0021C000));  // hour 24
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
    // A date the stamp cannot hold is written as 0 and reads back as 0.
    TNimboData t;
    t.AddFile("OLD")->SetDateTime(EncodeDate(1975, 1, 1));
    TNimboData back;
    ReadScript(back, WriteScript(t));
    EXPECT_EQ(back.Files()[0]->DateTime(), 0.0);
}
