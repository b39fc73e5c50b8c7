// Copying scripts and single entries, with the guarded per-object copy.
#include <gtest/gtest.h>

#include <algorithm>

#include "script_test_util.h"

TEST(ScriptCopy, CopyOntoASecondScriptMapsEveryReferenceIntoIt)
{
    TNimboData source;
    BuildRichScript(source);
    TNimboData dest;
    dest.AddFile("OLD.TXT");
    dest.AddChoiceData("suStale");
    ErrorRecorder errors;
    dest.Assign(&source);
    EXPECT_TRUE(errors.texts.empty()) << errors.texts.front();
    // Describe() prints positions and flags any entry of another script.
    EXPECT_EQ(Describe(dest), Describe(source));
    EXPECT_EQ(Describe(dest).find("FOREIGN"), String::npos);
    EXPECT_EQ(dest.LogFileDir(), dest.FindDir("Help"));
    EXPECT_EQ(dest.FindDir("Help")->Parent(), dest.FindDir("Install"));
    EXPECT_EQ(dest.FindWinItem("Run A")->ItemFile(), dest.Files()[0]);
    EXPECT_EQ(dest.FindChoiceItem("Full")->Add()->Groups()[0], dest.FindFileGroup("Libs"));
    EXPECT_EQ(dest.FindChoiceItem("Full")->Add()->Dirs()[0], dest.FindDir("Install"));
    EXPECT_EQ(dest.FindChoiceItem("Small")->Remove()->Name(), "minus");
}

TEST(ScriptCopy, CopyOntoItselfChangesNothing)
{
    TNimboData s;
    BuildRichScript(s);
    const String before = Describe(s);
    ErrorRecorder errors;
    s.Assign(&s);
    for (TNimboDir* d : s.Dirs()) d->Assign(d);
    s.FileGroups()[0]->Assign(s.FileGroups()[0]);
    s.ChoiceItems()[0]->Assign(s.ChoiceItems()[0]);
    s.WinGroups()[0]->Assign(s.WinGroups()[0]);
    EXPECT_EQ(Describe(s), before);
    EXPECT_TRUE(errors.texts.empty());
}

TEST(ScriptCopy, EmptyReferencesStayEmptyWithoutReport)
{
    TNimboData source;
    TNimboWinItem* w = source.AddWinItem("Orphan");
    w->SetCommandLine("-q");
    TNimboData dest;
    ErrorRecorder errors;
    dest.Assign(&source);
    EXPECT_TRUE(errors.texts.empty());
    ASSERT_EQ(dest.WinItems().Count(), 1);
    EXPECT_EQ(dest.WinItems()[0]->Dir(), nullptr);
    EXPECT_EQ(dest.WinItems()[0]->ItemFile(), nullptr);
    EXPECT_EQ(dest.WinItems()[0]->CommandLine(), "-q");
}

TEST(ScriptCopy, FailedObjectCopiesAreReportedAndTheCopyGoesOn)
{
    // Entries of one script copied onto entries of a script that lacks the
    // positions they refer to.
    TNimboData source;
    BuildRichScript(source);
    TNimboData small;  // no files, default directories only
    ErrorRecorder errors;

    TNimboDisk* disk = small.GetDisk(1);
    disk->Assign(source.GetDisk(1));
    ASSERT_EQ(errors.texts.size(), 1u);
    EXPECT_EQ(errors.texts[0], "TNimbo data structure error: TNimboFileList: List index out of bounds (0)");
    // The disk's own fields after the file list are still copied; Used
    // matches the files it really holds.
    EXPECT_EQ(disk->Description(), source.GetDisk(1)->Description());
    EXPECT_EQ(disk->Size(), 200000);
    EXPECT_EQ(disk->Used(), 0);

    errors.texts.clear();
    TNimboWinItem* w = small.AddWinItem("W");
    w->Assign(source.FindWinItem("Run A"));
    TNimboWinGroups* wg = small.AddWinGroup("G");
    wg->Assign(source.FindWinGroup("suGroups"));
    TNimboChoiceData* cd = small.AddChoiceData("C");
    cd->Assign(source.FindChoiceData("suType"));
    TNimboFileGroup* g = small.AddFileGroup("FG");
    g->Assign(source.FindFileGroup("Docs"));
    TNimboChoiceItem* item = small.AddChoiceItem("I");
    item->Assign(source.FindChoiceItem("Full"));
    EXPECT_EQ(errors.texts, (std::vector<String>{
                                "TNimbo data structure error: TNimboWinItem: List index out of bounds (0)",
                                "TNimbo data structure error: TNimboWinGroup: List index out of bounds (1)",
                                "TNimbo data structure error: TNimboChoiceData: List index out of bounds (1)",
                                "TNimbo data structure error: TNimboFileGroup: List index out of bounds (3)",
                                "TNimbo data structure error: TNimboFileGroupList: List index out of bounds (1)",
                            }));
    // What came before the failing step was copied.
    EXPECT_EQ(w->CommandLine(), "/x");
    EXPECT_EQ(w->Dir(), small.FindDir("Install"));
    EXPECT_EQ(wg->Title(), "Rich Group");
    EXPECT_EQ(item->Title(), "Full install");
    EXPECT_EQ(item->Description().Count(), 2);

    // A file list without a script cannot map its files.
    errors.texts.clear();
    TNimboFileList loose;
    loose.Assign(source.FindDir("Install"));
    EXPECT_EQ(errors.texts,
              (std::vector<String>{"TNimbo data structure error: TNimboFileList: The entry belongs to no script"}));
}

TEST(ScriptCopy, DirectoryLabelAndUnmappedSourceFilesSkipped)
{
    TNimboData source;
    TNimboDir* d = source.FindDir("Install");
    TNimboData other;
    TNimboFile* foreign = other.AddFile("X");  // not in the source's Files
    d->AddFile(foreign);
    d->AddFile(source.AddFile("Y"));
    TNimboData dest;
    dest.AddFile("Z");
    ErrorRecorder errors;
    TNimboDir* target = dest.FindDir("Windows");
    target->Assign(d);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(target->Name(), "Install") << "copied without the name check";
    ASSERT_EQ(target->Files().Count(), 1);
    EXPECT_EQ(target->Files()[0], dest.Files()[0]);

    // A directory whose parent cannot be looked up: no script.
    TNimboDir loose;
    loose.Assign(source.FindDir("Windows System"));
    EXPECT_EQ(errors.texts,
              (std::vector<String>{"TNimbo data structure error: TNimboDir: The entry belongs to no script"}));
}

TEST(ScriptCopy, UnnamedParentIsNotMistakenForTheCopiedDirectory)
{
    // The directory being copied has no name yet; a parent without a name
    // must still be the one before it, never the directory itself.
    TNimboData source;
    TNimboDir* unnamed = source.AddDir("", "ROOT", nullptr);
    source.AddDir("Child", "CHILD", unnamed);
    TNimboData dest;
    dest.Assign(&source);
    TNimboDir* child = dest.FindDir("Child");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Parent(), dest.Dirs()[3]);
    EXPECT_EQ(child->GetPath(), "ROOT\\CHILD\\");
}

TEST(ScriptCopy, WrongClassesAreRefused)
{
    TNimboData s;
    TNimboFile f;
    EXPECT_THROW(s.Assign(&f), EConvertError);
    EXPECT_THROW(f.Assign(nullptr), EConvertError);
    EXPECT_THROW(s.FindDir("Install")->Assign(&f), EConvertError);
}

// A damaged or hand-made stream may name two directories (or choice items)
// alike: the copy keeps each reference on the entry it points at.
TEST(ScriptCopy, ReferencesSurviveACopyWhenNamesRepeat)
{
    TNimboData built;
    TNimboDir* first = built.AddDir("DataA", "A", built.FindDir("Install"));
    TNimboDir* second = built.AddDir("DataB", "B", built.FindDir("Windows"));
    built.AddDir("Sub", "S", second);
    built.AddWinItem("Run")->SetDir(second);
    built.SetLogFileDir(second);
    first->AddFile(built.AddFile("F"));
    TNimboChoiceData* choices = built.AddChoiceData("suType");
    choices->AddItem(built.AddChoiceItem("ItemA"));
    TNimboChoiceItem* common = built.AddChoiceItem("ItemB");
    choices->AddItem(common);
    choices->SetCommon(common);
    std::vector<uint8_t> bytes = WriteScript(built);
    for (const char* from : {"DataB", "ItemB"}) {
        const String to = String(from).substr(0, 4) + "A";
        for (auto it = bytes.begin(); (it = std::search(it, bytes.end(), from, from + 5)) != bytes.end();)
            it = std::copy(to.begin(), to.end(), it);
    }
    TNimboData read;
    ReadScript(read, bytes);
    ASSERT_EQ(read.Dirs()[3]->Name(), read.Dirs()[4]->Name());
    ASSERT_EQ(read.LogFileDir(), read.Dirs()[4]);

    ErrorRecorder errors;
    TNimboData copy;
    copy.Assign(&read);
    EXPECT_TRUE(errors.texts.empty());
    EXPECT_EQ(Describe(copy), Describe(read));
    EXPECT_EQ(copy.LogFileDir(), copy.Dirs()[4]);
    EXPECT_EQ(copy.WinItems()[0]->Dir(), copy.Dirs()[4]);
    EXPECT_EQ(copy.Dirs()[5]->Parent(), copy.Dirs()[4]);
    EXPECT_EQ(copy.ChoiceData()[0]->Common(), copy.ChoiceItems()[1]);
    EXPECT_EQ(WriteScript(copy), WriteScript(read));
}
