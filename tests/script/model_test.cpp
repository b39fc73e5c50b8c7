// The script model and its queries and operations.
#include <gtest/gtest.h>

#include "script/product_version.h"
#include "script_test_util.h"

TEST(ScriptModel, NewScriptHasTheDefaultContent)
{
    TNimboData s;
    EXPECT_EQ(s.AppName(), "New Application.");
    ASSERT_EQ(s.Disks().Count(), 1);
    EXPECT_EQ(s.Disks()[0]->Description(), "Setup Disk");
    EXPECT_EQ(s.Disks()[0]->Number(), 1);
    EXPECT_EQ(s.Disks()[0]->Size(), 0);
    EXPECT_EQ(s.Disks()[0]->Script(), &s);
    TStringList lines;
    s.ListDirs(lines);
    EXPECT_EQ(Names(lines), (std::vector<String>{"Install", "Windows", "Windows System"}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lines.Objects(i), s.Dirs()[i]);
    EXPECT_EQ(s.Dirs()[0]->Dir(), "C:\\NewApps\\");
    EXPECT_EQ(s.Dirs()[0]->Parent(), nullptr);
    EXPECT_EQ(s.Dirs()[2]->Parent(), s.Dirs()[1]);
    EXPECT_EQ(s.Dirs()[2]->GetPath(), "C:\\WINDOWS\\SYSTEM\\");
    EXPECT_TRUE(s.Files().Empty() && s.FileGroups().Empty() && s.ChoiceItems().Empty() && s.ChoiceData().Empty() &&
                s.WinItems().Empty() && s.WinGroups().Empty());
    EXPECT_EQ(s.LogFileDir(), nullptr);
    EXPECT_EQ(s.LogFileName(), "INSTALL.LOG");
    EXPECT_EQ(s.BDEFiles()->Script(), &s);
    EXPECT_EQ(s.BDEWSFiles()->Script(), &s);
}

TEST(ScriptModel, PathSettersAddOneBackslash)
{
    TNimboDir d;
    d.SetDir("C:\\NewApps");
    EXPECT_EQ(d.Dir(), "C:\\NewApps\\");
    d.SetDir("C:\\NewApps\\");
    EXPECT_EQ(d.Dir(), "C:\\NewApps\\");
    d.SetDir("");
    EXPECT_EQ(d.Dir(), "");
    TNimboFile f;
    f.SetSource("A:");
    EXPECT_EQ(f.Source(), "A:\\");
}

TEST(ScriptModel, NameSettersKeepNamesUniqueExactly)
{
    TNimboData s;
    TNimboDir* install = s.FindDir("Install");
    install->SetName("Windows");
    EXPECT_EQ(install->Name(), "Install");
    install->SetName("windows");
    EXPECT_EQ(install->Name(), "windows");
    install->SetName("windows");  // its own name
    EXPECT_EQ(install->Name(), "windows");

    TNimboFileGroup* a = s.AddFileGroup("A");
    s.AddFileGroup("B")->SetName("A");
    EXPECT_EQ(s.FindFileGroup("A"), a);
    TNimboChoiceItem* c = s.AddChoiceItem("C");
    s.AddChoiceItem("D")->SetName("C");
    EXPECT_EQ(s.FindChoiceItem("C"), c);
    TNimboWinItem* w = s.AddWinItem("W");
    s.AddWinItem("X")->SetName("W");
    EXPECT_EQ(s.FindWinItem("W"), w);
    // Without a script any name is taken.
    TNimboDir loose;
    loose.SetName("Install");
    EXPECT_EQ(loose.Name(), "Install");
}

TEST(ScriptQueries, FindsAndFindOrCreate)
{
    TNimboData s;
    EXPECT_NE(s.FindDir("Windows"), nullptr);
    EXPECT_EQ(s.FindDir("windows"), nullptr);
    TNimboDir* install = s.AddDir("Install", "D:\\Other\\", s.FindDir("Windows"));
    EXPECT_EQ(install, s.Dirs()[0]);
    EXPECT_EQ(install->Dir(), "C:\\NewApps\\");
    EXPECT_EQ(install->Parent(), nullptr);
    TNimboDir* sub = s.AddDir("Sub", "Data", install);
    EXPECT_EQ(sub->Dir(), "Data\\");
    EXPECT_EQ(sub->GetPath(), "C:\\NewApps\\Data\\");
    EXPECT_EQ(sub->Script(), &s);

    TNimboFile* readme = s.AddFile("C:\\SRC\\ReadMe.txt");
    EXPECT_EQ(readme->Name(), "ReadMe.txt");
    EXPECT_EQ(readme->Source(), "C:\\SRC\\");
    EXPECT_EQ(readme->Script(), &s);
    EXPECT_EQ(s.FindFile("README.TXT"), readme);
    TNimboFile* again = s.AddFile("C:\\SRC\\README.TXT");
    EXPECT_NE(again, readme);
    EXPECT_EQ(s.FindFile("readme.txt"), readme) << "the first match";
    TNimboFile* bare = s.AddFile("APP.EXE");
    EXPECT_EQ(bare->Name(), "APP.EXE");
    EXPECT_EQ(bare->Source(), "");
    EXPECT_EQ(s.AddFile("A:SETUP.EXE")->Source(), "A:\\");
    EXPECT_EQ(s.FindFile("none"), nullptr);

    EXPECT_EQ(s.GetDisk(0), nullptr);
    EXPECT_EQ(s.GetDisk(1), s.Disks()[0]);
    EXPECT_EQ(s.GetDisk(2), nullptr);
    TNimboDisk* second = s.AddDisk("");
    EXPECT_EQ(second->Number(), 2);
    EXPECT_EQ(second->Description(), "");
    EXPECT_EQ(s.GetDisk(2), second);

    // Page-bound entries: stored names, last match, delete.
    TNimboChoiceData* cd = s.AddChoiceData("suOptions");
    EXPECT_EQ(s.AddChoiceData("suOptions"), cd);
    TNimboChoiceData stranger;
    EXPECT_FALSE(s.DeleteChoiceData(&stranger));
    EXPECT_FALSE(s.DeleteChoiceData(nullptr));
    EXPECT_TRUE(s.DeleteChoiceData(cd));
    EXPECT_EQ(s.FindChoiceData("suOptions"), nullptr);
    TNimboWinGroups* g1 = s.AddWinGroup("suGroups");
    s.AddWinGroup("suMore");
    EXPECT_TRUE(s.DeleteWinGroup(g1));
    EXPECT_FALSE(s.DeleteWinGroup(g1));
    EXPECT_EQ(s.WinGroups()[0]->Name(), "suMore");
    s.ClearWinGroups();
    EXPECT_TRUE(s.WinGroups().Empty());
}

TEST(ScriptQueries, FileNamesCompareWithTheLettersOfTheCodePage)
{
    TNimboData s;
    TNimboFile* cafe = s.AddFile("C:\\SRC\\caf\xe9.txt");
    TNimboFile* oeuvre = s.AddFile("\x9c"
                                   "uvre.doc");
    EXPECT_EQ(s.FindFile("CAF\xc9.TXT"), cafe);
    EXPECT_EQ(s.FindFile("\x8c"
                         "UVRE.DOC"),
              oeuvre);
    EXPECT_EQ(s.FindFile("CAFE.TXT"), nullptr);
    // Letters only: the division sign and sharp s have no capital here.
    EXPECT_EQ(AnsiUpperCase("\xe0\xfe\xff\x9a\x9e\xf7\xdf"
                            "az"),
              "\xc0\xde\x9f\x8a\x8e\xf7\xdf"
              "AZ");
}

TEST(ScriptQueries, DirectoryParentsNeverFormACycle)
{
    TNimboData s;
    TNimboDir* a = s.AddDir("A", "A", nullptr);
    TNimboDir* b = s.AddDir("B", "B", a);
    TNimboDir* c = s.AddDir("C", "C", b);
    a->SetParent(c);
    EXPECT_EQ(a->Parent(), nullptr);
    a->SetParent(a);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(c->GetPath(), "A\\B\\C\\");
    // Re-parenting that closes no cycle is kept.
    c->SetParent(a);
    EXPECT_EQ(c->GetPath(), "A\\C\\");
}

TEST(ScriptQueries, FileListMembershipAndDiskCapacity)
{
    TNimboData s;
    TNimboFile* f1 = s.AddFile("A");
    TNimboFile* f2 = s.AddFile("B");
    TNimboFile* f3 = s.AddFile("C");
    TNimboDir* dir = s.FindDir("Install");
    EXPECT_TRUE(dir->AddFile(f1));
    EXPECT_TRUE(dir->AddFile(f2));
    EXPECT_TRUE(dir->AddFile(f3));
    EXPECT_FALSE(dir->AddFile(f1));
    EXPECT_FALSE(dir->AddFile(nullptr));
    EXPECT_TRUE(dir->RemoveFile(f2));
    EXPECT_FALSE(dir->RemoveFile(f2));
    TStringList lines{"stale"};
    dir->ListFiles(lines);
    EXPECT_EQ(Names(lines), (std::vector<String>{"A", "C"}));
    EXPECT_EQ(lines.Objects(1), f3);
    EXPECT_TRUE(dir->AddFile(f2));
    dir->ListFiles(lines);
    EXPECT_EQ(Names(lines), (std::vector<String>{"A", "C", "B"}));

    TNimboDisk* disk = s.GetDisk(1);
    f1->SetCompressedSize(100);
    f2->SetCompressedSize(101);
    f3->SetCompressedSize(900);
    EXPECT_TRUE(disk->AddFile(f3));  // Size 0: unlimited
    disk->SetSize(1000);
    EXPECT_FALSE(disk->AddFile(f2));
    EXPECT_EQ(disk->Used(), 900);
    EXPECT_EQ(disk->Files().Count(), 1);
    EXPECT_TRUE(disk->AddFile(f1));
    EXPECT_EQ(disk->Used(), 1000);
    EXPECT_FALSE(disk->AddFile(f1));
    EXPECT_TRUE(disk->RemoveFile(f3));
    EXPECT_EQ(disk->Used(), 100);
    EXPECT_FALSE(disk->RemoveFile(f3));
    EXPECT_EQ(disk->Used(), 100);
    // Huge sizes on an unlimited disk wrap instead of overflowing.
    disk->SetSize(0);
    f2->SetCompressedSize(0x7FFFFFFF);
    EXPECT_TRUE(disk->AddFile(f2));
}

TEST(ScriptQueries, FileGroupsSelectAndDeselectPerDirectory)
{
    TNimboData s;
    TNimboFile* f = s.AddFile("F");
    TNimboFile* lost = s.AddFile("LOST");
    TNimboDir* install = s.FindDir("Install");
    TNimboDir* windows = s.FindDir("Windows");
    install->AddFile(f);
    windows->AddFile(f);

    TNimboFileGroup* g = s.AddFileGroup("G");
    EXPECT_TRUE(g->AddFile(f, nullptr, true));
    ASSERT_EQ(g->Dirs().Count(), 1);
    EXPECT_EQ(g->Dirs()[0], windows) << "the later directory holding the file";
    EXPECT_EQ(g->FileLists(0)->Script(), &s);
    EXPECT_FALSE(g->AddFile(lost, nullptr, true));
    EXPECT_EQ(g->Dirs().Count(), 1);
    EXPECT_FALSE(g->AddFile(f, install, false));
    EXPECT_FALSE(g->AddFile(f, windows, true));
    EXPECT_TRUE(g->AddFile(f, install, true));
    EXPECT_TRUE(g->Contains(f, install));
    EXPECT_FALSE(g->RemoveFile(f, s.FindDir("Windows System")));
    EXPECT_TRUE(g->RemoveFile(f, install));
    EXPECT_FALSE(g->Contains(f, install));
    EXPECT_EQ(g->Dirs().Count(), 2) << "the emptied pair stays";
    EXPECT_EQ(g->FileListCount(), 2);

    // Stand-alone, as the controller's selection.
    TNimboFileGroup selected;
    EXPECT_FALSE(selected.AddFile(f, nullptr, true));
    EXPECT_TRUE(selected.AddFile(f, install, true));
    EXPECT_TRUE(selected.AddFile(lost, install, false));
    TStringList lines;
    selected.ListFiles(install, lines);
    EXPECT_EQ(Names(lines), (std::vector<String>{"F", "LOST"}));
    selected.ListFiles(windows, lines);
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_THROW(selected.FileLists(1), EListError);
}

TEST(ScriptQueries, ChoiceItemsShareTheScriptAndCopyTheirText)
{
    TNimboData s;
    TNimboChoiceItem* item = s.AddChoiceItem("Full");
    EXPECT_EQ(item->Add()->Script(), &s);
    EXPECT_EQ(item->Remove()->Script(), &s);
    EXPECT_EQ(item->FileGroupLists(1), item->Remove());
    EXPECT_EQ(item->FileGroupLists(7), item->Add());
    TStringList text{"one", "two"};
    item->SetDescription(text);
    text.Clear();
    EXPECT_EQ(item->Description().Count(), 2);
    EXPECT_EQ(s.AddWinGroup("suGroups")->Title(), "New Application");
}

TEST(ProductVersion, ComparesNumberByNumberWithMissingOnesZero)
{
    const struct {
        const char *a, *b;
        int order;
    } cases[] = {
        {"2.1", "2.1.0", 0}, {"2.10", "2.9", 1}, {"1", "1.0.0.1", -1}, {"0.9", "1.0", -1}, {"65535.0", "9.9.9.9", 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(CompareProductVersions(c.a, c.b), c.order) << c.a << " " << c.b;
        EXPECT_EQ(CompareProductVersions(c.b, c.a), -c.order) << c.b << " " << c.a;
    }
    for (const char* bad : {"", ".1", "1.", "1..2", "1.2.3.4.5", "65536", "v2", "1,2"})
        EXPECT_FALSE(IsProductVersion(bad)) << bad;
}
