// The directory page run for real in the wizard dialog, with the real
// directories of the test's Windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "page_fixture.h"
#include "test_files.h"
#include "pages/dir_choice.h"
#include "pages/message_page.h"
#include "engine/path_routines.h"

namespace {

std::vector<String> SplitLines(const String& text)
{
    std::vector<String> lines;
    size_t pos = 0;
    for (;;) {
        const size_t p = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, p == String::npos ? String::npos : p - pos));
        if (p == String::npos) return lines;
        pos = p + 2;
    }
}

// A fresh folder under the temporary directory, with a trailing backslash.
String TempFolder(const String& name)
{
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    const String path = String(buf) + "nimbo_dirpage\\" + name + "\\";
    CreateDirectoryA((String(buf) + "nimbo_dirpage").c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

class DirChoice : public TPageFixture {
protected:
    void SetUp() override
    {
        TPageFixture::SetUp();
        first = AddPage<TNimboMessage>("first", kNextCancel);
        first->SetCaption("First");
        dir = AddPage<TNimboDirChoice>("suDir");
        dir->SetInstallDir("Install");
        last = AddPage<TNimboMessage>("last");
        last->SetCaption("Last");
        Chain({first, dir, last});
        install = info->Script()->FindDir("Install");
        info->UnselectDir(install);
        existing = TempFolder("Existing");
        missing = existing + "Missing\\";
        RemoveDirectoryA(missing.c_str());
    }
    void TearDown() override
    {
        TPageFixture::TearDown();
        RemoveTree(existing.substr(0, existing.size() - String("Existing\\").size()));
    }
    TNimboPagesForm* F() const { return NimboPagesForm; }
    // Steps: from the first page to the directory page.
    TGuiScript& ToDirPage(TGuiScript& g)
    {
        return g.WaitForPage([this] { return first; }).ClickNext().WaitForPage([this] { return dir; });
    }
    TGuiScript& Step(TGuiScript& g, std::function<void()> f)
    {
        return g.Then([f] {
            f();
            return true;
        });
    }

    TNimboMessage *first = nullptr, *last = nullptr;
    TNimboDirChoice* dir = nullptr;
    TNimboDir* install = nullptr;
    String existing, missing;
};

TEST_F(DirChoice, TargetDirTakesDriveLetterPathsInTheirPlainForm)
{
    dir->SetTargetDir("d:\\tools");
    EXPECT_EQ(dir->TargetDir(), "d:\\tools\\") << "letter case kept, backslash added";
    EXPECT_EQ(install->Dir(), "d:\\tools\\");
    dir->SetTargetDir("d:/tools//x/./y/..");
    EXPECT_EQ(dir->TargetDir(), "d:\\tools\\x\\") << "slashes, doubled separators and dot components normalised";
    dir->SetTargetDir("d:\\tools");
    for (const char* refused : {"\\\\server\\share", "//server/share", "D:tools", "tools", "\\tools", "1:\\x", "",
                                ":\\x", "D:\\..\\x", "D:\\a?b"}) {
        dir->SetTargetDir(refused);
        EXPECT_EQ(dir->TargetDir(), "d:\\tools\\") << refused;
    }
    dir->SetTargetDir("E:\\");
    EXPECT_EQ(dir->TargetDir(), "E:\\");

    // No script directory of that name: nothing to read, nothing written.
    dir->SetInstallDir("(none)");
    EXPECT_EQ(dir->TargetDir(), "");
    dir->SetTargetDir("F:\\x");
    dir->SetInstallDir("Nowhere");
    dir->SetTargetDir("F:\\x");
    EXPECT_EQ(dir->TargetDir(), "");
    dir->SetInstallDir("");
    dir->SetTargetDir("F:\\x");
    EXPECT_EQ(install->Dir(), "E:\\");
}

TEST_F(DirChoice, MainViewStatesTheIntentAndTheDirectory)
{
    info->Script()->SetAppName("Demo App");
    dir->SetTargetDir(existing);
    std::vector<String> lines, lines2;
    String caption, label, group, browse, shortened;
    const String longTarget = "C:\\Program Files\\" + String(60, 'x') + "\\" + String(60, 'y') + "\\Corvane\\";
    bool browseEnabled = false, browseEnabled2 = true, prevEnabled = true;
    TGuiScript g;
    ToDirPage(g);
    Step(g,
         [&] {
             lines = SplitLines(robot::WindowCaption(F()->meCDLIntent->Handle()));
             caption = F()->Caption();
             label = F()->laCDLDirectory->Caption();
             group = F()->gbCDLDestination->Caption();
             browse = F()->btnCDLBrowse->Caption();
             browseEnabled = F()->btnCDLBrowse->Enabled();
             prevEnabled = F()->btnPrev->Enabled();
             // Shown again with other settings.
             dir->SetAllowDirChange(false);
             dir->Text()->Add("Pick a place.");
             dir->SetTargetDir(longTarget);
             dir->ShowPage();
             shortened = F()->laCDLDirectory->Caption();
             lines2 = SplitLines(robot::WindowCaption(F()->meCDLIntent->Handle()));
             browseEnabled2 = F()->btnCDLBrowse->Enabled();
         })
        .ClickCancel()
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(lines, (std::vector<String>{
                         "Setup will install Demo App into the following directory.", "",
                         "You may change this directory by clicking the Browse button.  To accept the directory, just "
                         "click the Next button.",
                         "", "You may halt the installation at any time by clicking on Cancel."}));
    EXPECT_EQ(caption, "Choose Destination Directory");
    EXPECT_EQ(label, existing);
    EXPECT_EQ(group, "Destination Directory");
    EXPECT_EQ(browse, "&Browse");
    EXPECT_TRUE(browseEnabled);
    EXPECT_TRUE(prevEnabled);
    EXPECT_EQ(lines2, (std::vector<String>{"Pick a place.", "", "To accept the directory, just click the Next button.",
                                           "", "You may halt the installation at any time by clicking on Cancel."}));
    EXPECT_FALSE(browseEnabled2);
    EXPECT_EQ(shortened, "C:\\Program Files\\...\\Corvane\\") << "cut to the label's width";
}

TEST_F(DirChoice, NextOnAnExistingDirectoryMarksItAndGoesOn)
{
    dir->SetTargetDir(existing);
    bool markedOnLast = false;
    TGuiScript g;
    ToDirPage(g).ClickNext().WaitForPage([&] { return last; });
    Step(g, [&] { markedOnLast = info->IsDirSelected(install); }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(markedOnLast);
}

TEST_F(DirChoice, AMissingDirectoryIsAskedAboutAndOnlyYesGoesOn)
{
    dir->SetTargetDir(missing);
    String question;
    bool markedAfterNo = true, markedAfterClose = true;
    int shows = 0;
    TGuiScript g;
    ToDirPage(g).ClickNext();
    g.Answer("Confirmation", "No", &question).WaitForPage([&] { return dir; });
    Step(g, [&] { markedAfterNo = info->IsDirSelected(install); }).ClickNext();
    // Closed without an answer: the page stays.
    g.Then([] {
        HWND dlg = FindTopWindow("Confirmation");
        if (!dlg) return false;
        PostMessageA(dlg, WM_CLOSE, 0, 0);
        return true;
    });
    g.WaitForPage([&] { return dir; });
    Step(g, [&] {
        markedAfterClose = info->IsDirSelected(install);
        shows = 1;
    }).ClickNext();
    g.Answer("Confirmation", "Yes").WaitForPage([&] { return last; }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(Trimmed(question), "The directory " + missing + " does not exist. Create it?");
    EXPECT_FALSE(markedAfterNo);
    EXPECT_FALSE(markedAfterClose);
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(info->IsDirSelected(install));
    EXPECT_EQ(GetFileAttributesA(missing.c_str()), INVALID_FILE_ATTRIBUTES) << "created later, by the file copy";
}

TEST_F(DirChoice, TheCreateQuestionIsAnsweredByKey)
{
    dir->SetTargetDir(missing);
    auto next = [this]() -> TWinControl* { return F() ? F()->btnNext : nullptr; };
    auto question = [] { return FindTopWindow("Confirmation"); };
    bool markedAfterNo = true;
    TGuiScript g;
    ToDirPage(g).Key(next, Chord(VK_RETURN)).Key(question, Chord('N'));
    g.WaitForPage([&] { return dir; }).Key(next, Chord(VK_RETURN)).Key(question, Chord(VK_ESCAPE));
    g.WaitForPage([&] { return dir; });
    Step(g, [&] { markedAfterNo = info->IsDirSelected(install); });
    g.Key(next, Chord(VK_RETURN)).Key(question, Chord('Y', false, true));
    g.WaitForPage([&] { return last; }).Key(next, Chord(VK_RETURN));
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_FALSE(markedAfterNo);
    EXPECT_TRUE(info->IsDirSelected(install));
}

TEST_F(DirChoice, AFloppyDriveIsRefused)
{
    dir->SetTargetDir("a:\\apps");
    String warning;
    TGuiScript g;
    ToDirPage(g).ClickNext();
    g.Answer("Warning", "OK", &warning).WaitForPage([&] { return dir; }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(Trimmed(warning), "Not allowed to install to a floppy drive.");
    EXPECT_FALSE(info->IsDirSelected(install));
}

TEST_F(DirChoice, OnlyPreviousOnTheDirectoryPageGivesTheDirectoryBack)
{
    dir->SetTargetDir(existing);
    bool markedBackOnDir = false, markedBackOnFirst = true;
    TGuiScript g;
    ToDirPage(g).ClickNext().WaitForPage([&] { return last; }).ClickPrev().WaitForPage([&] { return dir; });
    Step(g, [&] { markedBackOnDir = info->IsDirSelected(install); }).ClickPrev().WaitForPage([&] { return first; });
    Step(g, [&] { markedBackOnFirst = info->IsDirSelected(install); });
    g.ClickNext().WaitForPage([&] { return dir; }).ClickNext().WaitForPage([&] { return last; }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(markedBackOnDir);
    EXPECT_FALSE(markedBackOnFirst);
    EXPECT_TRUE(info->IsDirSelected(install));
    EXPECT_EQ(std::count(info->SelectedDirs().begin(), info->SelectedDirs().end(), install), 1);
}

TEST_F(DirChoice, SelectionViewBrowsesAndNextTakesThePathField)
{
    info->Script()->SetAppName("Demo App");
    dir->SetButtons(NimboButton(btNext) | NimboButton(btCancel));
    dir->SetTargetDir(missing);
    const String apps = TempFolder("Apps");
    const String typed = apps + "New";
    String caption, pathLabel, intent, field, tree, captionBack, labelBack, browsed, question;
    bool allEnabled = false, prevBack = true, onSelectPage = false;
    TGuiScript g;
    ToDirPage(g).Click([this] { return F()->btnCDLBrowse; });
    g.Then([&] { return F()->nbPage->PageIndex() == 8; });
    Step(g, [&] {
        caption = F()->Caption();
        pathLabel = F()->lblSDPathLabel->Caption();
        intent = robot::WindowCaption(F()->memSDIntent->Handle());
        field = F()->edtSDPath->Text();
        tree = F()->lsbSDDirs->Directory();
        allEnabled = F()->btnPrev->Enabled() && F()->btnNext->Enabled() && F()->btnCancel->Enabled();
    }).ClickPrev();
    g.Then([&] { return F()->nbPage->PageIndex() == 0; });
    Step(g, [&] {
        captionBack = F()->Caption();
        labelBack = F()->laCDLDirectory->Caption();
        prevBack = F()->btnPrev->Enabled();
    }).Click([this] { return F()->btnCDLBrowse; });
    g.Then([&] { return F()->nbPage->PageIndex() == 8; });
    Step(g, [&] {
        F()->lsbSDDirs->SetDirectory(apps);  // as a double click on it does
        browsed = F()->edtSDPath->Text();
        SetWindowTextA(F()->edtSDPath->Handle(), typed.c_str());
    }).ClickNext();
    g.Answer("Confirmation", "Yes", &question).WaitForPage([&] { return last; });
    Step(g, [&] { onSelectPage = F()->nbPage->PageIndex() == 8; }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(caption, "Select Directory");
    EXPECT_EQ(pathLabel, "Path");
    EXPECT_EQ(Trimmed(intent), "Please select a directory for Demo App to be installed to.");
    EXPECT_EQ(field, missing) << "the path field shows the whole target";
    EXPECT_TRUE(SameText(AddBackslash(tree), existing)) << "the tree shows the nearest existing directory: " << tree;
    EXPECT_TRUE(allEnabled);
    EXPECT_EQ(captionBack, "Choose Destination Directory");
    EXPECT_EQ(labelBack, missing) << "Previous in the view changes nothing";
    EXPECT_FALSE(prevBack) << "the buttons are as the page had them";
    EXPECT_EQ(browsed, RemoveBackslash(apps) + "\\");
    EXPECT_EQ(Trimmed(question), "The directory " + typed + "\\ does not exist. Create it?");
    EXPECT_EQ(dir->TargetDir(), typed + "\\");
    EXPECT_TRUE(info->IsDirSelected(install));
}

// What cannot be installed to is refused with its reason and the page
// stays; what only looks odd is put in its plain form and taken.
TEST_F(DirChoice, UnusableDestinationsAreRefusedWithTheReason)
{
    dir->SetButtons(NimboButton(btNext) | NimboButton(btCancel));
    dir->SetTargetDir("Q:\\Corvane");  // a drive the system does not have
    String odd = existing;
    std::replace(odd.begin(), odd.end(), '\\', '/');
    odd.insert(3, "/./");
    std::vector<String> texts(5);
    int viewAfterRefusals = -1;
    auto type = [&](const String& t) { return [&, t] { SetWindowTextA(F()->edtSDPath->Handle(), t.c_str()); }; };
    TGuiScript g;
    ToDirPage(g).ClickNext();
    g.Answer("Warning", "OK", &texts[0]).WaitForPage([this] { return dir; }).Click([this] {
        return F()->btnCDLBrowse;
    });
    g.Then([&] { return F()->nbPage->PageIndex() == 8; });
    const char* typed[] = {"\\\\server\\share\\apps", "apps\\new", "Q:\\x", "C:\\"};
    for (int i = 0; i < 4; ++i) {
        Step(g, type(typed[i])).ClickNext();
        g.Answer("Warning", "OK", &texts[static_cast<size_t>(i) + 1]);
    }
    Step(g, [&] { viewAfterRefusals = F()->nbPage->PageIndex(); });
    Step(g, type(odd)).ClickNext().WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(Trimmed(texts[0]), "Drive Q: does not exist. Please choose a directory on another drive.");
    EXPECT_EQ(Trimmed(texts[1]), "Network paths are not allowed. Please choose a directory on a local drive.");
    EXPECT_EQ(Trimmed(texts[2]),
              "apps\\new is not a full directory path. Please enter a path that begins with a drive letter and "
              "a backslash.");
    EXPECT_EQ(texts[3], texts[0]);
    EXPECT_EQ(Trimmed(texts[4]), "C:\\ is the root folder of a drive. Please choose a directory on the drive.")
        << "a whole drive is never one application's";
    EXPECT_EQ(viewAfterRefusals, 8) << "the selection view stays after a refusal";
    EXPECT_EQ(dir->TargetDir(), existing) << "the odd spelling of an existing directory is taken in its plain form";
    EXPECT_TRUE(info->IsDirSelected(install));
}

TEST_F(DirChoice, ThePathFieldKeepsTheLastComponentsOfTheTarget)
{
    const String apps = TempFolder("Apps");
    struct Case {
        const char* target;
        int keep;
        String expected;
    };
    const Case cases[] = {
        {"C:\\Corvane\\", 1, apps + "Corvane\\"},
        {"C:\\Corvane\\Data\\", 2, apps + "Corvane\\Data\\"},
        {"C:\\Corvane\\Data\\", 0, apps},
        {"C:\\A\\", 3, apps + "A\\"},
    };
    std::vector<String> seen;
    TGuiScript g;
    ToDirPage(g);
    for (const Case& c : cases) {
        Step(g, [this, c] {
            dir->SetTargetDir(c.target);
            dir->SetPreserveTrailing(c.keep);
        }).Click([this] { return F()->btnCDLBrowse; });
        g.Then([this] { return F()->nbPage->PageIndex() == 8; });
        Step(g, [&, this] {
            F()->lsbSDDirs->SetDirectory(apps);
            seen.push_back(F()->edtSDPath->Text());
        }).ClickPrev();
        g.Then([this] { return F()->nbPage->PageIndex() == 0; });
    }
    g.ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    ASSERT_EQ(seen.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(seen[i], cases[i].expected) << cases[i].target << " " << cases[i].keep;
}

TEST_F(DirChoice, TheTreeWalksUpToAnExistingDirectoryOrTheCurrentDrive)
{
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const String currentRoot = String(cwd, 2) + "\\";
    std::vector<String> trees, fields;
    auto browse = [&](TGuiScript& g, std::function<void()> set) {
        Step(g, set).Click([this] { return F()->btnCDLBrowse; });
        g.Then([this] { return F()->nbPage->PageIndex() == 8; });
        Step(g, [&, this] {
            trees.push_back(F()->lsbSDDirs->Directory());
            fields.push_back(F()->edtSDPath->Text());
        }).ClickPrev();
        g.Then([this] { return F()->nbPage->PageIndex() == 0; });
    };
    TGuiScript g;
    ToDirPage(g);
    browse(g, [&] { dir->SetTargetDir(missing + "Deeper\\Still"); });
    browse(g, [&] {
        F()->lsbSDDirs->SetDirectory(existing);
        dir->SetTargetDir("Q:\\No\\Such\\Drive");  // a drive the system does not have
    });
    browse(g, [&] {
        F()->lsbSDDirs->SetDirectory(existing);
        dir->SetInstallDir("(none)");  // no target at all
    });
    g.ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    ASSERT_EQ(trees.size(), 3u);
    EXPECT_TRUE(SameText(AddBackslash(trees[0]), existing)) << trees[0];
    EXPECT_EQ(fields[0], missing + "Deeper\\Still\\");
    EXPECT_TRUE(SameText(trees[1], currentRoot)) << trees[1];
    EXPECT_EQ(fields[1], "Q:\\No\\Such\\Drive\\");
    EXPECT_TRUE(SameText(trees[2], currentRoot)) << trees[2];
    EXPECT_EQ(fields[2], "");
}

TEST_F(DirChoice, InvisibleModeAcceptsThePresetDirectoryWithoutAsking)
{
    // First page of the run: the page after it opens the dialog.
    dir->SetDoInvisible(true);
    dir->SetTargetDir(missing);
    TGuiScript g;
    g.WaitForPage([&] { return last; }).ClickNext();
    EXPECT_EQ(dir->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(info->IsDirSelected(install));
    EXPECT_EQ(NimboPagesForm->laCDLDirectory->Caption(), "") << "the page was never shown";
}

TEST_F(DirChoice, InvisibleModeChecksTheTargetForAFloppyAndEndsTheRun)
{
    dir->SetDoInvisible(true);
    dir->SetTargetDir("B:\\data");
    String warning;
    TGuiScript g;
    g.Answer("Warning", "OK", &warning);
    EXPECT_EQ(dir->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(Trimmed(warning), "Not allowed to install to a floppy drive.");
    EXPECT_EQ(NimboPagesForm, nullptr) << "nothing was shown";
}

TEST_F(DirChoice, InvisibleModeCarriesTheCancelOfTheFollowingPages)
{
    dir->SetDoInvisible(true);
    dir->SetTargetDir(existing);
    TGuiScript g;
    g.WaitForPage([&] { return last; }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(dir->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
}

TEST(DirChoiceWithoutController, DoesNotRunAndIgnoresTargets)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    auto* page = NewComponent<TNimboDirChoice>(form);
    page->SetInstallDir("Install");
    page->SetTargetDir("C:\\x");
    EXPECT_EQ(page->TargetDir(), "");
    EXPECT_EQ(page->Execute(), psCancelled);
    EXPECT_EQ(NimboPagesForm, nullptr);
    form->Free();
}

}  // namespace
