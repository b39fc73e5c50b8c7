// The program groups page run for real in the wizard dialog: against Wine's
// own Program Manager server, and against a server of the test's own that
// records the exact commands.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "dde_recorder.h"
#include "engine/file_routines.h"
#include "engine/run_scope.h"
#include "engine/run_switches.h"
#include "page_fixture.h"
#include "pages/message_page.h"
#include "pages/group_removal.h"
#include "pages/progman.h"
#include "pages/program_folders.h"
#include "pages/program_groups.h"
#include "test_files.h"

namespace {

// A folder window of the shell that shows the group, of any process.
bool FolderWindowShown(const String& title)
{
    return FindWindowA("ExplorerWClass", title.c_str()) || FindWindowA("CabinetWClass", title.c_str());
}

class ProgramGroups : public TPageFixture {
protected:
    void SetUp() override
    {
        folder = FreshTempFolder("nimbo_groups");
        TPageFixture::SetUp();
        first = AddPage<TNimboMessage>("first", kNextCancel);
        groups = AddPage<TNimboGroups>("suGroups");
        groups->SetMinimizeProgMan(false);
        last = AddPage<TNimboMessage>("last");
        Chain({first, groups, last});

        TNimboData* s = info->Script();
        apps = s->AddDir("Apps", folder, nullptr);
        tools = s->AddDir("Tools", "tools\\", apps);
        record = s->FindWinGroup("suGroups");
        record->SetTitle("Nimbo Tools");
    }
    void TearDown() override
    {
        SetRunSwitches(TRunSwitches{});
        SetRunScope(TRunScope::machine);
        SetProgManService(oldService);
        TPageFixture::TearDown();
        RemoveTree(folder);
    }
    // A program file of the script in `dir`, on disk unless `missing`,
    // selected, with a program item named `name`.
    TNimboWinItem* AddItem(const String& name, const String& file, TNimboDir* dir, const String& commandLine = "",
                           bool missing = false)
    {
        TNimboData* s = info->Script();
        TNimboFile* f = s->AddFile(file);
        dir->AddFile(f);
        info->SelectFile(f, dir);
        if (!missing) {
            CreateDirectoryA(dir->GetPath().c_str(), nullptr);
            WriteAll(dir->GetPath() + file, "x");
        }
        TNimboWinItem* item = s->AddWinItem(name);
        item->SetDir(dir);
        item->SetItemFile(f);
        item->SetCommandLine(commandLine);
        record->AddItem(item);
        return item;
    }
    void UseRecorder(const String& groupsAnswer)
    {
        recorder = std::make_unique<TDdeRecorder>("NimboProgmanTest", groupsAnswer);
        ASSERT_TRUE(recorder->Ready());
        oldService = SetProgManService("NimboProgmanTest");
    }
    // Runs the chain: Next on the first page, `onGroups` on the groups page,
    // then Next on the last page (when the chain gets there).
    void Run(std::function<void(TGuiScript&)> onGroups)
    {
        TGuiScript g;
        g.WaitForPage([this] { return first; }).Then([this] {
            // Without a server, none is to be started either.
            if (!startServer) NimboPagesForm->DDEClient->SetServiceApplication("");
            return true;
        });
        g.ClickNext();
        onGroups(g);
        g.WaitForPage([this] { return last; }).ClickNext();
        EXPECT_EQ(first->Execute(), psDone);
        EXPECT_TRUE(g.Finished()) << "the chain ended before the script did";
    }
    // On the groups page: types each name and answers the warning it gets,
    // whose text goes to `warnings`; then Next with the name left.
    void TypeRefused(TGuiScript& g, const std::vector<String>& names, std::vector<String>& warnings)
    {
        for (const String& name : names) {
            g.WaitForPage([this] { return groups; }).Then([name] {
                NimboPagesForm->cbCWGGroups->SetText(name);
                return true;
            });
            g.ClickNext().Answer("Warning", "OK", warnings);
        }
    }
    std::vector<std::pair<String, String>> Entries() const
    {
        std::vector<std::pair<String, String>> e;
        for (int i = 0; i < info->GroupNames().Count(); ++i)
            e.emplace_back(info->GroupNames()[i], info->GroupItems()[i]);
        return e;
    }

    String folder;
    TNimboMessage *first = nullptr, *last = nullptr;
    TNimboGroups* groups = nullptr;
    TNimboDir *apps = nullptr, *tools = nullptr;
    TNimboWinGroups* record = nullptr;
    std::unique_ptr<TDdeRecorder> recorder;
    String oldService = "Progman";
    bool startServer = true;
};

using Pairs = std::vector<std::pair<String, String>>;

TEST_F(ProgramGroups, RecordFollowsThePageName)
{
    TNimboData* s = info->Script();
    ASSERT_EQ(s->WinGroups().Count(), 1);
    groups->SetName("suIcons");
    EXPECT_EQ(s->FindWinGroup("suIcons"), record) << "re-keyed";
    EXPECT_FALSE(s->FindWinGroup("suGroups"));
    // A record already under the new name wins; the page's old one goes.
    TNimboWinGroups* other = s->AddWinGroup("suOther");
    groups->SetName("suOther");
    EXPECT_EQ(s->WinGroups().Count(), 1);
    EXPECT_EQ(s->FindWinGroup("suOther"), other);
    // A second page makes a record of its own; removing it removes that.
    auto* second = NewComponent<TNimboGroups>(form);
    second->SetName("suMore");
    EXPECT_TRUE(s->FindWinGroup("suMore"));
    second->Free();
    EXPECT_FALSE(s->FindWinGroup("suMore"));
    EXPECT_EQ(s->WinGroups().Count(), 1);
    record = nullptr;
}

TEST_F(ProgramGroups, CommandsSentToProgramManager)
{
    UseRecorder("Accessories\r\n\r\nNIMBO TOOLS\r\nGames\r\n");
    AddItem("Editor", "edit.exe", apps);
    AddItem("Tool Box", "toolbox.exe", tools, "/quiet");
    AddItem("Gone", "gone.exe", apps, "", true);  // selected, but not on disk: skipped
    // Long enough that the command passes 255 characters.
    const String longName(240, 'n');
    AddItem(longName, "long.exe", apps, "-x");
    String comboText;
    std::vector<String> entries;
    Run([&](TGuiScript& g) {
        g.WaitForPage([this] { return groups; }).Then([&] {
            comboText = NimboPagesForm->cbCWGGroups->Text();
            for (int i = 0; i < NimboPagesForm->cbCWGGroups->Items()->Count(); ++i)
                entries.push_back((*NimboPagesForm->cbCWGGroups->Items())[i]);
            EXPECT_EQ(NimboPagesForm->Caption(), "Create Program Groups");
            EXPECT_EQ(Trimmed(NimboPagesForm->meCWGActions->Lines()->Text()),
                      "Please choose a program groups to place the icons in.\r\n\r\n"
                      "You can select a current group, the default one, or rename the one displayed.\r\n\r\n"
                      "Click on Next to accept, or click Cancel to abort the install.");
            // Typed with other letter case than the existing group.
            NimboPagesForm->cbCWGGroups->SetText("Nimbo TOOLS");
            return true;
        });
        g.ClickNext();
    });
    // The default name is listed already (other case): not added again.
    EXPECT_EQ(comboText, "Nimbo Tools");
    EXPECT_EQ(entries, (std::vector<String>{"Accessories", "Games", "NIMBO TOOLS"}));
    EXPECT_EQ(groups->ExistingGroups().Count(), 3);

    ASSERT_TRUE(recorder->WaitForCommands(5));
    const std::vector<String> c = recorder->Commands();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0], "[CreateGroup(\"Nimbo TOOLS\",1)]\r\n") << "everybody's group for a machine-wide run";
    EXPECT_EQ(c[1], "[AddItem(\"" + folder + "edit.exe\" ,\"Editor\")]\r\n")
        << "empty command line: blank before the comma";
    EXPECT_EQ(c[2], "[AddItem(\"" + folder + "tools\\toolbox.exe\" /quiet,\"Tool Box\")]\r\n");
    EXPECT_EQ(c[3], "[AddItem(\"" + folder + "long.exe\" -x,\"" + longName + "\")]\r\n") << "sent whole";
    EXPECT_GT(c[3].size(), 255u);
    EXPECT_EQ(c[4], "[ShowGroup(\"Nimbo TOOLS\", 7)]\r\n");
    // The group existed: only the items are recorded, under the typed name.
    EXPECT_EQ(Entries(), (Pairs{{"Nimbo TOOLS", "Editor"}, {"Nimbo TOOLS", "Tool Box"}, {"Nimbo TOOLS", longName}}));
}

TEST_F(ProgramGroups, BlankNameKeepsThePageAndANewGroupIsRecordedOnce)
{
    UseRecorder("");
    AddItem("Editor", "edit.exe", apps);
    String warning;
    Run([&](TGuiScript& g) {
        g.WaitForPage([this] { return groups; }).Then([] {
            NimboPagesForm->cbCWGGroups->SetText("");
            return true;
        });
        g.ClickNext().Answer("Warning", "OK", &warning);
        // Shown again, with the default name back.
        g.WaitForPage([this] { return groups; }).Then([] {
            return NimboPagesForm->cbCWGGroups->Text() == "Nimbo Tools";
        });
        g.ClickNext();
    });
    EXPECT_EQ(Trimmed(warning), "Group name cannot be blank.");
    ASSERT_TRUE(recorder->WaitForCommands(3));
    EXPECT_EQ(recorder->Commands()[0], "[CreateGroup(\"Nimbo Tools\",1)]\r\n");
    EXPECT_EQ(Entries(), (Pairs{{"Nimbo Tools", ""}, {"Nimbo Tools", "Editor"}}));
}

TEST_F(ProgramGroups, UnreachableServerReportsTheGroupThenEachItemAndGoesOn)
{
    oldService = SetProgManService("NimboNoSuchServer");
    startServer = false;
    AddItem("Editor", "edit.exe", apps);
    AddItem("Viewer", "view.exe", apps);
    // Nor can the group be made in everybody's Start menu (the run is
    // machine-wide): a file holds its name.
    const String blocker = ProgramsFolder(true) + "Nimbo Tools";
    ASSERT_FALSE(FileExists(blocker) || DirectoryExists(blocker));
    WriteAll(blocker, "not a folder");
    std::vector<String> errors;
    Run([&](TGuiScript& g) {
        g.WaitForPage([this] { return groups; }).ClickNext();
        for (int i = 0; i < 3; ++i) g.Answer("Error", "OK", errors);
    });
    EXPECT_EQ(Trimmed(errors), (std::vector<String>{"Unable to create program group: Nimbo Tools.",
                                                    "Unable to create program group item: Editor.",
                                                    "Unable to create program group item: Viewer."}));
    // Recorded all the same: the uninstall removes whatever did get made.
    EXPECT_EQ(Entries(), (Pairs{{"Nimbo Tools", ""}, {"Nimbo Tools", "Editor"}, {"Nimbo Tools", "Viewer"}}));
    DeleteFileA(blocker.c_str());
}

// No Program Manager answers: the page makes the group as a folder of the
// Start menu and each item as a shell link that starts the program with its
// arguments, in its folder, with its icon; the uninstall takes them away.
TEST_F(ProgramGroups, WithoutProgramManagerTheGroupBecomesLinksTheUninstallRemoves)
{
    oldService = SetProgManService("NimboNoSuchServer");
    startServer = false;
    const String title = Unique("Nimbo Links");
    record->SetTitle(title);
    AddItem("Editor", "edit.exe", apps, "/x file.txt /y");
    AddItem("Tool Box", "toolbox.exe", tools);
    Run([&](TGuiScript& g) { g.WaitForPage([this] { return groups; }).ClickNext(); });

    // Everybody's Start menu: the run is machine-wide.
    const String group = ProgramsFolder(true) + title + "\\";
    EXPECT_FALSE(DirectoryExists(ProgramsFolder(false) + title));
    EXPECT_EQ(info->GroupFolders().Lines(), (std::vector<String>{RemoveBackslash(group)}));
    TShellLinkData editor, toolBox;
    ASSERT_TRUE(ReadShellLink(group + "Editor.lnk", editor));
    EXPECT_EQ(editor.target, folder + "edit.exe");
    EXPECT_EQ(editor.arguments, "/x file.txt /y");
    EXPECT_EQ(editor.workingDir, RemoveBackslash(folder));
    EXPECT_EQ(editor.iconFile, folder + "edit.exe");
    ASSERT_TRUE(ReadShellLink(group + "Tool Box.lnk", toolBox));
    EXPECT_EQ(toolBox.target, folder + "tools\\toolbox.exe");
    EXPECT_EQ(toolBox.arguments, "");
    EXPECT_EQ(toolBox.workingDir, folder + "tools");
    EXPECT_EQ(Entries(), (Pairs{{title, ""}, {title, "Editor"}, {title, "Tool Box"}}));

    // A link of the user's in the same group stays, and keeps the group.
    ASSERT_TRUE(WriteShellLink(group + "Mine.lnk", {folder + "mine.exe", "", "Mine", "", "", 0}));
    info->AddInstalledFile(folder + "edit.exe");
    info->AddInstalledFile(folder + "tools\\toolbox.exe");
    RemoveLoggedGroups(*info);
    EXPECT_FALSE(FileExists(group + "Editor.lnk"));
    EXPECT_FALSE(FileExists(group + "Tool Box.lnk"));
    EXPECT_TRUE(FileExists(group + "Mine.lnk"));
    DeleteFileA((group + "Mine.lnk").c_str());
    RemoveLoggedGroups(*info);
    EXPECT_FALSE(DirectoryExists(group)) << "the group this run made goes once it is empty";
    RemoveTree(group);
}

// A shell that refuses the group (one that may not write to everybody's
// Start menu, where the setup may) leaves it to the page: made as a folder
// and links of the scope's Start menu, no item sent, no error shown.
TEST_F(ProgramGroups, AGroupTheShellRefusesIsMadeByThePage)
{
    UseRecorder("");
    recorder->Refuse("[CreateGroup(");
    const String title = Unique("Nimbo Refused");
    record->SetTitle(title);
    AddItem("Editor", "edit.exe", apps, "/x");
    Run([&](TGuiScript& g) { g.WaitForPage([this] { return groups; }).ClickNext(); });
    const String group = ProgramsFolder(true) + title;
    EXPECT_EQ(ShellLinkTarget(group + "\\Editor.lnk"), folder + "edit.exe");
    EXPECT_EQ(Entries(), (Pairs{{title, ""}, {title, "Editor"}}));
    EXPECT_EQ(info->GroupFolders().Lines(), (std::vector<String>{group}));
    Sleep(200);
    EXPECT_EQ(recorder->Commands(), (std::vector<String>{"[CreateGroup(\"" + title + "\",1)]\r\n"}));
    RemoveTree(group + "\\");
}

TEST_F(ProgramGroups, WithoutAProgramFileThePageMovesOnByItself)
{
    UseRecorder("");
    AddItem("Gone", "gone.exe", apps, "", true);
    // On disk but not selected for this installation: not a program file here.
    TNimboWinItem* unselected = AddItem("Other", "other.exe", apps);
    info->UnselectFile(unselected->ItemFile(), apps);
    EXPECT_EQ(groups->ProgramFileCount(), 1);
    DeleteFileA((folder + "other.exe").c_str());
    EXPECT_EQ(groups->ProgramFileCount(), 0);
    Run([](TGuiScript&) {});
    Sleep(200);
    EXPECT_TRUE(recorder->Commands().empty());
    EXPECT_TRUE(Entries().empty());
}

// A page that made a group cannot be gone back to (a second Next would make
// a second group); one timer minimizes Program Manager whenever it becomes
// active in the seconds after Next. A page that made nothing lets the user
// back as usual, and starts from the default name again.
TEST_F(ProgramGroups, MadeGroupBlocksPreviousWithOneMinimizeTimer)
{
    UseRecorder("");
    groups->SetMinimizeProgMan(true);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Progman";
    RegisterClassA(&wc);
    HWND progMan = nullptr;
    String shownAgain;
    bool backAfterGroup = true;
    TGuiScript g;
    g.WaitForPage([this] { return first; }).ClickNext();
    // No program file yet: the page moves on by itself, having made nothing.
    g.WaitForPage([this] { return last; }).Then([&] {
        AddItem("Editor", "edit.exe", apps);
        return true;
    });
    g.ClickPrev().WaitForPage([this] { return first; }).ClickNext();
    g.WaitForPage([this] { return groups; }).Then([&] {
        shownAgain = NimboPagesForm->cbCWGGroups->Text();
        NimboPagesForm->cbCWGGroups->SetText("Custom");
        // A stand-in for Program Manager's window, there when Next looks.
        progMan = CreateWindowExA(0, "Progman", "Program Manager", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        return true;
    });
    g.ClickNext().WaitForPage([this] { return last; }).Then([&] {
        backAfterGroup = NimboPagesForm->btnPrev->Enabled();
        SetActiveWindow(progMan);
        return true;
    });
    g.Then([&] { return IsIconic(progMan) != FALSE; }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished()) << "Program Manager was not minimized";
    DestroyWindow(progMan);
    UnregisterClassA("Progman", wc.hInstance);

    EXPECT_EQ(shownAgain, "Nimbo Tools");
    EXPECT_FALSE(backAfterGroup) << "Previous leads back to a page that has made its group";
    ASSERT_TRUE(recorder->WaitForCommands(3));
    const std::vector<String> c = recorder->Commands();
    EXPECT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0], "[CreateGroup(\"Custom\",1)]\r\n");
    EXPECT_EQ(c[2], "[ShowGroup(\"Custom\", 7)]\r\n");
    EXPECT_EQ(Entries(), (Pairs{{"Custom", ""}, {"Custom", "Editor"}}));
    int timers = 0;
    for (int i = 0; i < groups->ComponentCount(); ++i)
        timers += dynamic_cast<TTimer*>(groups->Components(i)) != nullptr;
    EXPECT_EQ(timers, 1);
}

// Names that would end a command early, or that no folder can have, are
// refused on the page with a warning and never reach Program Manager; an
// item the script names so is skipped with its error and not recorded, and
// arguments no command can carry never go to it either (a shell that keeps
// folders gets the item as a link; this one keeps none, so it is an error).
TEST_F(ProgramGroups, RefusedNamesAndItemsNeverReachProgramManager)
{
    UseRecorder("");
    AddItem("Editor", "edit.exe", apps);
    AddItem("a/b", "ab.exe", apps);
    AddItem("Bracket", "bracket.exe", apps, "x)][DeleteGroup(\"Victim\")][y");
    const std::vector<String> refused = {
        "X)][DeleteGroup(Victim)][CreateGroup(Y", "..", "say \"hi\"", "CON", "a\\b", ". ."};
    std::vector<String> warnings, errors;
    Run([&](TGuiScript& g) {
        TypeRefused(g, refused, warnings);
        // Shown again with the default name, which goes.
        g.WaitForPage([this] { return groups; }).Then([] {
            return NimboPagesForm->cbCWGGroups->Text() == "Nimbo Tools";
        });
        g.ClickNext();
        for (int i = 0; i < 2; ++i) g.Answer("Error", "OK", errors);
    });
    ASSERT_EQ(warnings.size(), refused.size());
    for (size_t i = 0; i < refused.size(); ++i)
        EXPECT_EQ(Trimmed(warnings[i]), refused[i] +
                                            " cannot be a program group name. A group name may not contain \\ / : * ? "
                                            "\" < > [ ] |, consist of dots and spaces only, or be a device name such "
                                            "as CON or NUL.");
    EXPECT_EQ(Trimmed(errors), (std::vector<String>{"Unable to create program group item: a/b.",
                                                    "Unable to create program group item: Bracket."}));
    ASSERT_TRUE(recorder->WaitForCommands(3));
    Sleep(200);
    EXPECT_EQ(recorder->Commands(), (std::vector<String>{"[CreateGroup(\"Nimbo Tools\",1)]\r\n",
                                                         "[AddItem(\"" + folder + "edit.exe\" ,\"Editor\")]\r\n",
                                                         "[ShowGroup(\"Nimbo Tools\", 7)]\r\n"}));
    EXPECT_EQ(Entries(), (Pairs{{"Nimbo Tools", ""}, {"Nimbo Tools", "Editor"}, {"Nimbo Tools", "Bracket"}}));
}

// A group is there already when the shell keeps a folder of its name in
// the Start menu of the run's scope, whatever Program Manager listed and
// however the name is spelt ("Tools." is the folder "Tools"): never
// recorded as this installation's, so the uninstall never takes it. A
// folder of that name in the other Start menu is no group of this run's;
// the group made then (here by a server that makes no folder) has no
// folder of this installation's.
TEST_F(ProgramGroups, GroupsThatExistAsFoldersAreNotRecordedAsCreated)
{
    UseRecorder("");
    AddItem("Editor", "edit.exe", apps);
    const String common = Unique("Nimbo Common"), mine = Unique("Nimbo Mine");
    // Names reuse the process number: an earlier run's folders go first.
    RemoveTree(ProgramsFolder(true) + common + "\\");
    RemoveTree(ProgramsFolder(false) + mine + "\\");
    ASSERT_TRUE(CreateDirectoryA((ProgramsFolder(true) + common).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((ProgramsFolder(false) + mine).c_str(), nullptr));
    struct TCase {
        TRunScope scope;
        String typed;
        bool created;
    };
    const TCase cases[] = {{TRunScope::machine, common, false},
                           {TRunScope::machine, mine, true},
                           {TRunScope::user, mine + ".", false},
                           {TRunScope::user, mine + " . ", false},
                           {TRunScope::user, common, true}};
    for (const TCase& c : cases) {
        ResetWizard();
        info->ClearLogLists();
        SetRunScope(c.scope);
        record->SetTitle(c.typed);
        Run([&](TGuiScript& g) { g.WaitForPage([this] { return groups; }).ClickNext(); });
        const Pairs expected = c.created ? Pairs{{c.typed, ""}, {c.typed, "Editor"}} : Pairs{{c.typed, "Editor"}};
        EXPECT_EQ(Entries(), expected) << c.typed;
        EXPECT_EQ(info->GroupFolders().Count(), 0) << c.typed;
    }
    SetRunScope(TRunScope::machine);
    ASSERT_TRUE(recorder->WaitForCommands(15));
    EXPECT_EQ(recorder->Commands()[3], "[CreateGroup(\"" + mine + "\",1)]\r\n");
    EXPECT_EQ(recorder->Commands()[6], "[CreateGroup(\"" + mine + ".\",0)]\r\n") << "the user's own group";
    // The existing folders got the items the recorder did not make.
    RemoveTree(ProgramsFolder(true) + common + "\\");
    RemoveTree(ProgramsFolder(false) + mine + "\\");
}

// An unattended run makes its group in the Start menu of its scope, where
// a group of the same name in the other one is the user's; the uninstall
// removes the group this run made and never the other, nor, per-user,
// anything in everybody's Start menu.
TEST_F(ProgramGroups, EachScopeMakesItsGroupInItsOwnStartMenu)
{
    UseRecorder("");
    AddItem("Editor", "edit.exe", apps, "/x");
    TRunSwitches quiet;
    quiet.mode = TRunMode::verySilent;
    SetRunSwitches(quiet);
    for (const TRunScope scope : {TRunScope::machine, TRunScope::user}) {
        const bool common = scope == TRunScope::machine;
        const String title = Unique("Nimbo Scope");
        const String own = ProgramsFolder(common) + title, other = ProgramsFolder(!common) + title;
        // The user's own group of that name in the other Start menu, empty.
        ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
        ResetWizard();
        info->ClearLogLists();
        info->AddInstalledFile(folder + "edit.exe");
        SetRunScope(scope);
        record->SetTitle(title);
        EXPECT_EQ(first->Execute(), psDone);
        TShellLinkData link;
        ASSERT_TRUE(ReadShellLink(own + "\\Editor.lnk", link)) << own;
        EXPECT_EQ(link.target, folder + "edit.exe");
        EXPECT_EQ(link.arguments, "/x");
        EXPECT_FALSE(FileExists(other + "\\Editor.lnk"));
        EXPECT_EQ(Entries(), (Pairs{{title, ""}, {title, "Editor"}}));
        EXPECT_EQ(info->GroupFolders().Lines(), (std::vector<String>{own}));
        // A link of the user's that starts the installed program, in the
        // other group (per-user, in everybody's Start menu): only a
        // machine-wide uninstall takes it, and neither takes its group.
        ASSERT_TRUE(WriteShellLink(other + "\\Editor.lnk", {folder + "edit.exe", "", "Editor", "", "", 0}));
        RemoveLoggedGroups(*info);
        EXPECT_FALSE(DirectoryExists(own)) << "the group this run made";
        EXPECT_TRUE(DirectoryExists(other)) << "the user's own group";
        EXPECT_EQ(FileExists(other + "\\Editor.lnk"), !common);
        RemoveTree(other + "\\");
        RemoveTree(own + "\\");
    }
    SetRunScope(TRunScope::machine);
    Sleep(200);
    EXPECT_TRUE(recorder->Commands().empty());
}

// An earlier version's log names no group folders: it made its groups in
// the user's Start menu, and only there does the uninstall take them,
// machine-wide too; a group of that name in everybody's stays.
TEST_F(ProgramGroups, AnEarlierVersionsGroupGoesFromTheUsersStartMenu)
{
    const String title = Unique("Nimbo Earlier");
    const String mine = ProgramsFolder(false) + title, common = ProgramsFolder(true) + title;
    ASSERT_TRUE(CreateDirectoryA(mine.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(common.c_str(), nullptr));
    info->AddGroupEntry("", title);
    ASSERT_FALSE(info->GroupFoldersLogged());
    RemoveLoggedGroups(*info);
    EXPECT_FALSE(DirectoryExists(mine));
    EXPECT_TRUE(DirectoryExists(common));
    RemoveDirectoryA(common.c_str());
}

// Unattended, the group and its items are made in the Start menu directly,
// with no Program Manager command (its shell would open windows), and
// recorded as the commands would have been.
TEST_F(ProgramGroups, UnattendedRunMakesFolderAndLinksWithoutProgramManager)
{
    UseRecorder("");
    const String title = Unique("Nimbo Quiet");
    record->SetTitle(title);
    AddItem("Editor", "edit.exe", apps, "/x file.txt");
    AddItem("Tool Box", "toolbox.exe", tools);
    TRunSwitches quiet;
    quiet.mode = TRunMode::verySilent;
    SetRunSwitches(quiet);
    EXPECT_EQ(first->Execute(), psDone);

    const String group = ProgramsFolder(true) + title + "\\";
    EXPECT_EQ(ShellLinkTarget(group + "Editor.lnk"), folder + "edit.exe");
    EXPECT_EQ(ShellLinkTarget(group + "Tool Box.lnk"), folder + "tools\\toolbox.exe");
    IShellLinkA* link = nullptr;
    CoInitialize(nullptr);
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const std::wstring wide(group.begin(), group.end());
    ASSERT_TRUE(SUCCEEDED(file->Load((wide + L"Editor.lnk").c_str(), STGM_READ)));
    char text[MAX_PATH] = "";
    link->GetArguments(text, sizeof text);
    EXPECT_STREQ(text, "/x file.txt");
    link->GetDescription(text, sizeof text);
    EXPECT_STREQ(text, "Editor");
    file->Release();
    link->Release();
    CoUninitialize();

    EXPECT_EQ(Entries(), (Pairs{{title, ""}, {title, "Editor"}, {title, "Tool Box"}}));
    Sleep(200);
    EXPECT_TRUE(recorder->Commands().empty());
    EXPECT_FALSE(FolderWindowShown(title));
    RemoveTree(group);
}

// A run cancelled after its group was made, that rolls back, takes the
// group back from where the shell made it (Wine's: the user's Start
// menu, though the run asked for everybody's), and nothing of the folder
// of that name that someone made in everybody's Start menu meanwhile.
TEST_F(ProgramGroups, ACancelledRunTakesBackTheGroupWhereTheShellMadeIt)
{
    const String title = Unique("Nimbo Rollback");
    record->SetTitle(title);
    AddItem("Editor", "edit.exe", apps);
    info->SetRollBackOnCancel(true);
    const String made = ProgramsFolder(false) + title, other = ProgramsFolder(true) + title;
    TGuiScript g;
    g.WaitForPage([this] { return first; }).ClickNext();
    g.WaitForPage([this] { return groups; }).ClickNext();
    g.WaitForPage([this] { return last; }).Then([&] { return FileExists(made + "\\Editor.lnk"); });
    g.Then([&] { return CreateDirectoryA(other.c_str(), nullptr) != FALSE; });
    g.ClickCancel().Answer("Confirmation", "Yes").Answer("Information", "OK");
    EXPECT_EQ(first->Execute(), psCancelled);
    SetRunExitCode(exitCancelled);  // as the background does for a cancelled run
    info->EndOfRun();
    ResetRunExitCode();
    EXPECT_TRUE(g.Finished());
    EXPECT_FALSE(DirectoryExists(made)) << "the group and its link are taken back";
    EXPECT_TRUE(DirectoryExists(other)) << "a folder this run did not make stays";
    RemoveDirectoryA(other.c_str());
    RemoveTree(made + "\\");
}

// Wine's own Program Manager server: the group becomes a folder of the
// Start menu with one link per item, and the group list names it.
TEST_F(ProgramGroups, WineProgramManagerCreatesTheGroupAndItsLinks)
{
    const String title = Format("Nimbo Test %d", static_cast<int>(GetCurrentProcessId()));
    record->SetTitle(title);
    AddItem("Editor", "edit.exe", apps);
    // Wine's server reads no arguments after a quoted path; the exact form
    // of such commands is checked against the recording server above.
    AddItem("Tool Box", "toolbox.exe", tools);
    Run([&](TGuiScript& g) { g.WaitForPage([this] { return groups; }).ClickNext(); });

    char programs[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE));
    const String groupDir = String(programs) + "\\" + title + "\\";
    bool made = false;
    for (int i = 0; i < 100 && !made; ++i, Sleep(100))
        made = FileExists(groupDir + "Editor.lnk") && FileExists(groupDir + "Tool Box.lnk");
    EXPECT_TRUE(made) << groupDir;
    // Asked for everybody's group, Wine's shell makes the user's: the run
    // records the folder where the group appeared, and only that one.
    EXPECT_EQ(info->GroupFolders().Lines(), (std::vector<String>{RemoveBackslash(groupDir)}));
    EXPECT_FALSE(DirectoryExists(ProgramsFolder(true) + title));

    TDdeClientConv dde;
    dde.SetConnectMode(ddeManual);
    dde.SetLink("Progman", "Progman");
    ASSERT_TRUE(dde.OpenLink());
    TStringList listed;
    listed.SetText(dde.RequestData("Groups"));
    EXPECT_GE(listed.IndexOf(title), 0) << listed.Text();
    dde.CloseLink();
    // The shell opened a folder window for CreateGroup and for ShowGroup;
    // the page closed them before it moved on.
    EXPECT_FALSE(FolderWindowShown(title));
    RemoveTree(groupDir);
}

}  // namespace
