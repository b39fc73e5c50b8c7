// The controller in-process: system directories, the selection of
// directories and files, languages and the language library.
#include <gtest/gtest.h>

#include "engine/messages.h"
#include "page_fixture.h"
#include "test_files.h"
#include "pages/message_page.h"
#include "script/nimbo_data.h"

namespace {

TSystemDirectories gDirs;
TSystemDirectories FakeDirectories() { return gDirs; }

class Controller : public TPageFixture {
protected:
    Controller() : TPageFixture(TStartUp::ByTest) {}
    void TearDown() override
    {
        TPageFixture::TearDown();
        SetSystemDirectoriesSource(nullptr);
        DeleteFileA((ProgramFolder() + "TNLANG32.DLL").c_str());
    }
    // The language library beside the program, where the platform finds it.
    void InstallLanguageLibrary()
    {
        ASSERT_TRUE(CopyFileA(BuildPath(NIMBO_LANG_DLL).c_str(), (ProgramFolder() + "TNLANG32.DLL").c_str(), FALSE));
    }
    TNimboDir* Dir(const char* name) { return info->Script()->FindDir(name); }
};

TEST_F(Controller, WindowsSystemStaysBelowWindowsOnlyWhenItLiesThere)
{
    gDirs = {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"};
    SetSystemDirectoriesSource(FakeDirectories);
    info->Loaded();
    EXPECT_EQ(Dir("Windows")->Dir(), "C:\\WINDOWS\\");
    EXPECT_EQ(Dir("Windows System")->Parent(), Dir("Windows"));
    EXPECT_EQ(Dir("Windows System")->Dir(), "SYSTEM\\");
    EXPECT_EQ(Dir("Windows System")->GetPath(), "C:\\WINDOWS\\SYSTEM\\");

    NewForm();
    gDirs = {"C:\\WINDOWS", "D:\\SYS32"};
    info->Loaded();
    EXPECT_EQ(Dir("Windows System")->Parent(), nullptr);
    EXPECT_EQ(Dir("Windows System")->Dir(), "D:\\SYS32\\");
}

TEST_F(Controller, StartUpSelectsEveryDirectoryWithItsFiles)
{
    TNimboData* s = info->Script();
    TNimboFile* f = s->AddFile("a.txt");
    Dir("Install")->AddFile(f);
    info->Loaded();
    for (TNimboDir* d : s->Dirs()) EXPECT_TRUE(info->IsDirSelected(d)) << d->Name();
    EXPECT_TRUE(info->IsFileSelected(f, Dir("Install")));
    EXPECT_FALSE(info->IsFileSelected(f, Dir("Windows")));
}

TEST_F(Controller, UnselectingADirectoryUnselectsItsChildrenButKeepsTheFiles)
{
    TNimboData* s = info->Script();
    TNimboDir* sub = s->AddDir("Sub", "SUB\\", Dir("Install"));
    TNimboDir* subsub = s->AddDir("SubSub", "DEEP\\", sub);
    TNimboFile* f = s->AddFile("b.txt");
    sub->AddFile(f);
    info->SelectDir(Dir("Install"), true);
    EXPECT_TRUE(info->IsDirSelected(sub));
    EXPECT_TRUE(info->IsDirSelected(subsub));
    EXPECT_TRUE(info->IsFileSelected(f, sub));
    EXPECT_FALSE(info->SelectFile(f, sub)) << "a file is selected once";
    info->UnselectDir(Dir("Install"));
    EXPECT_FALSE(info->IsDirSelected(Dir("Install")));
    EXPECT_FALSE(info->IsDirSelected(sub));
    EXPECT_FALSE(info->IsDirSelected(subsub));
    EXPECT_TRUE(info->IsFileSelected(f, sub));
    EXPECT_TRUE(info->UnselectFile(f, sub));
    EXPECT_FALSE(info->IsFileSelected(f, sub));
    EXPECT_NE(info->SelectedFiles()->FileListOf(sub), nullptr) << "the directory's entry stays";
    info->SelectDir(nullptr, true);
    EXPECT_FALSE(info->SelectFile(nullptr, sub));
}

TEST_F(Controller, WithoutTheLibraryOnlyEnglishIsOffered)
{
    EXPECT_EQ(info->Languages()->Lines(), (std::vector<String>{"English"}));
    info->Loaded();
    EXPECT_EQ(info->Language(), "English");
    EXPECT_EQ(info->MessageBase(), 5000);
}

TEST_F(Controller, TheLibraryAddsItsLanguagesAndItsTexts)
{
    InstallLanguageLibrary();
    NewForm();
    EXPECT_EQ(info->Languages()->Lines(), (std::vector<String>{"English",
                                                               "Fran\xe7"
                                                               "ais",
                                                               "Deutsch"}));
    info->Loaded();
    info->SetLanguage("Deutsch");
    EXPECT_EQ(info->Language(), "Deutsch");
    EXPECT_EQ(info->MessageBase(), 1000);
    EXPECT_EQ(info->GetMessageText(9), "&Weiter");

    // The wizard shows the library's texts.
    info->SetLanguage("Fran\xe7"
                      "ais");
    auto* page = Add<TNimboMessage>();
    String next;
    TGuiScript g;
    g.WaitForPage([&] { return page; })
        .Then([&] {
            next = NimboPagesForm->btnNext->Caption();
            return true;
        })
        .ClickNext();
    page->Execute();
    EXPECT_EQ(next, "&Suivant");

    info->SetLanguage("English");
    EXPECT_EQ(info->GetMessageText(9), "&Next");
    EXPECT_EQ(info->MessageBase(), 5000);
}

TEST_F(Controller, AnUnknownLanguageIsReportedAndTheLanguageStays)
{
    info->Loaded();
    String text;
    TGuiScript g;
    g.Answer("Information", "OK", &text);
    info->SetLanguage("Klingon");
    EXPECT_EQ(text, "The language Klingon is not in the list of available languages.\r\n"
                    "Switching to the default language.");
    EXPECT_EQ(info->Language(), "English");
    EXPECT_EQ(info->GetMessageText(9), "&Next");
}

TEST_F(Controller, AListedLanguageTheLibraryCannotGiveFallsBackToEnglishWithAWarning)
{
    info->Loaded();
    info->Languages()->Add("Deutsch");  // listed, but no library beside the program
    // Directly, and through the Language setter, which passes the
    // controller's own Language.
    for (auto load :
         {+[](TNimboInfo* i) { i->LoadLanguage("Deutsch"); }, +[](TNimboInfo* i) { i->SetLanguage("Deutsch"); }}) {
        String shown;
        TGuiScript g;
        g.Answer("Warning", "OK", &shown);
        load(info);
        EXPECT_TRUE(g.Finished());
        EXPECT_EQ(info->Language(), "English");
        EXPECT_EQ(shown, "\r\nUnable to load language DLL.  Reverting to the default language.\r\n");
    }
}

TEST_F(Controller, MultiDiskFilesKeepOnlyScriptFiles)
{
    info->Script()->AddFile("setup.dat");
    String warned;
    TGuiScript g;
    g.Answer("Warning", "OK", &warned);
    info->SetMultiDiskFiles(TStringList{"SETUP.DAT", "", "missing.txt", "setup.dat"});
    EXPECT_EQ(info->MultiDiskFiles()->Lines(), (std::vector<String>{"SETUP.DAT"}));
    EXPECT_EQ(warned, "Unable to locate file missing.txt in the installed files.");
}

}  // namespace
