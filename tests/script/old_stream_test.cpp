// Streams of versions 1 to 4, built by hand.
#include <gtest/gtest.h>

#include "script_samples.h"

TEST(OldScriptStream, Version4ReadsIntoTheCurrentModel)
{
    TNimboData s;
    s.SetLogFileName("KEPT.LOG");
    s.UnInstallFiles().Add("KEPT.EXE");
    s.SetLogFileDir(s.FindDir("Install"));
    s.BDEFiles()->AddFile(s.AddFile("BDE.DLL"));
    ReadScript(s, Version4());

    EXPECT_EQ(s.AppName(), "Old App");
    ASSERT_EQ(s.Files().Count(), 3);
    TNimboFile* app = s.Files()[0];
    TNimboFile* help = s.Files()[1];
    TNimboFile* loose = s.Files()[2];
    EXPECT_TRUE(app->Compressed());
    EXPECT_EQ(app->CompressedSize(), 800);
    EXPECT_EQ(help->CompressedSize(), 700) << "0 means the size";
    EXPECT_EQ(DateTimeToFileDate(app->DateTime()), 640243125);
    EXPECT_EQ(app->Source(), "C:\\SRC\\");

    // Old layouts put each file on its disk whatever the size; disk 0 means none.
    TNimboDisk* a = s.GetDisk(1);
    EXPECT_EQ(a->Size(), 1000);
    EXPECT_EQ(Positions(s.Files(), a->Files()), (std::vector<int>{0, 1}));
    EXPECT_EQ(a->Used(), 1500) << "Used is the sum of the compressed sizes";
    EXPECT_TRUE(s.GetDisk(2)->Files().Empty());
    EXPECT_FALSE(a->Contains(loose));

    // Directories: names looked up ignoring case, unknown and repeated names skipped.
    TNimboDir* install = s.FindDir("Install");
    TNimboDir* helpDir = s.FindDir("Help");
    EXPECT_EQ(install->Dir(), "C:\\OLD") << "stored as read";
    EXPECT_EQ(Positions(s.Files(), install->Files()), (std::vector<int>{0, 1}));
    EXPECT_EQ(helpDir->Parent(), install);
    EXPECT_EQ(helpDir->GetPath(), "C:\\OLDHELP");

    // Choice data became choice items named "<page>:<key>".
    TNimboChoiceData* type = s.FindChoiceData("suType");
    ASSERT_NE(type, nullptr);
    TStringList lines;
    type->ListItems(lines);
    EXPECT_EQ(Names(lines), (std::vector<String>{"suType:Full", "suType:Lean"}));
    EXPECT_EQ(type->Common(), s.FindChoiceItem("suType:Common Files"));
    TNimboChoiceItem* full = s.FindChoiceItem("suType:Full");
    EXPECT_EQ(full->Description().Lines(), (std::vector<String>{"Full"}));
    // HELP.HLP lies in Install and Help: it goes under the later one.
    ASSERT_EQ(full->Add()->Dirs().Count(), 2);
    EXPECT_EQ(full->Add()->Dirs()[0], install);
    EXPECT_EQ(full->Add()->Dirs()[1], helpDir);
    EXPECT_TRUE(full->Add()->Contains(app, install));
    EXPECT_TRUE(full->Add()->Contains(help, helpDir));
    EXPECT_TRUE(full->Remove()->Dirs().Empty());
    EXPECT_TRUE(s.FindChoiceItem("suType:Lean")->Remove()->Contains(help, helpDir));

    // Program groups: items named "<title>:<key>".
    TNimboWinGroups* g = s.FindWinGroup("suGroups");
    EXPECT_EQ(g->Title(), "Old Group");
    ASSERT_EQ(g->Items().Count(), 2);
    TNimboWinItem* run = s.FindWinItem("Old Group:Run");
    EXPECT_EQ(g->Items()[0], run);
    EXPECT_EQ(run->CommandLine(), "/q");
    EXPECT_EQ(run->Dir(), install);
    EXPECT_EQ(run->ItemFile(), app);
    EXPECT_EQ(s.FindWinItem("Old Group:Nowhere")->Dir(), nullptr);
    EXPECT_EQ(s.FindWinItem("Old Group:Nowhere")->ItemFile(), nullptr);

    // What old layouts lack: no engine files, no log directory; the log
    // name and the uninstall files keep their values.
    EXPECT_TRUE(s.BDEFiles()->Files().Empty());
    EXPECT_EQ(s.LogFileDir(), nullptr);
    EXPECT_EQ(s.LogFileName(), "KEPT.LOG");
    EXPECT_EQ(s.UnInstallFiles().Lines(), (std::vector<String>{"KEPT.EXE"}));
    EXPECT_TRUE(s.FileGroups().Empty());

    // It writes as version 5 and reads back the same, once the disk holds
    // no more than its size: version 5 enforces it.
    EXPECT_TRUE(a->RemoveFile(help));
    EXPECT_EQ(a->Used(), 800);
    TNimboData back;
    ReadScript(back, WriteScript(s));
    EXPECT_EQ(Describe(back), Describe(s));
}

TEST(OldScriptStream, Versions1To3LackLaterFields)
{
    for (int version : {1, 2, 3}) {
        Bytes b;
        b.List().I8(version).Str("V");
        b.List().Str("Disk");
        if (version >= 3) b.I16(5000);
        b.End();
        b.List().Str("A.EXE").Str("S").I8(0).I16(4000).I8(1).True();
        b.Str("B.EXE").Str("S").I8(0).I16(4000).I8(1).False().End();
        b.List().Str("Top").Str("T\\");
        if (version >= 2) b.Str("");
        b.List().Str("a.exe").End();
        b.Str("Sub").Str("S\\");
        if (version >= 2) b.Str("Top");
        b.List().Str("b.exe").End().End();
        b.List().End().List().End().End();
        TNimboData s;
        ReadScript(s, b.Data());
        SCOPED_TRACE(version);
        EXPECT_EQ(s.GetDisk(1)->Size(), version >= 3 ? 5000 : 0);
        EXPECT_FALSE(s.Files()[0]->Compressed());
        EXPECT_EQ(s.Files()[0]->CompressedSize(), 0);
        EXPECT_EQ(s.GetDisk(1)->Files().Count(), 2) << "old files are never refused";
        EXPECT_EQ(s.GetDisk(1)->Used(), 0);
        EXPECT_EQ(s.FindDir("Sub")->Parent(), version >= 2 ? s.FindDir("Top") : nullptr);
        EXPECT_EQ(s.FindDir("Sub")->Files()[0], s.Files()[1]);
    }
}

TEST(OldScriptStream, RepeatedNamePrefixesCannotBlowUpMemory)
{
    // A long page name repeated for many inline items would build names far
    // larger than the stream.
    Bytes b;
    b.List().I8(4).Str("A").List().End().List().End().List().End();
    b.List();
    b.Raw(12).Raw(0).Raw(0).Raw(1).Raw(0);  // a 64 KiB long string ...
    std::vector<uint8_t> bytes = b.Data();
    bytes.resize(bytes.size() + 65536, 'x');
    Bytes items;
    items.List();
    for (int i = 0; i < 4000; ++i) items.Str("").List().End().List().End();
    items.End().End().List().End().End();
    bytes.insert(bytes.end(), items.Data().begin(), items.Data().end());
    // ... is the page's name: the record starts with it.
    TNimboData s;
    EXPECT_THROW(ReadScript(s, bytes), EReadError);
    // The same layout with a short name reads.
    Bytes ok;
    ok.List().I8(4).Str("A").List().End().List().End().List().End().List().Str("suType");
    std::vector<uint8_t> okBytes = ok.Data();
    okBytes.insert(okBytes.end(), items.Data().begin(), items.Data().end());
    ReadScript(s, okBytes);
    EXPECT_EQ(s.ChoiceItems().Count(), 1);
    EXPECT_EQ(s.ChoiceItems()[0]->Description().Count(), 4000);
}
