// The uninstall page run for real: what the log lists is removed in order,
// the program groups from the Start menu's folders (with no word to Program
// Manager), and the registration is written and deleted in the real
// registry.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

#include "base/setup_files.h"
#include "dde_recorder.h"
#include "engine/file_routines.h"
#include "engine/registry.h"
#include "engine/run_switches.h"
#include "page_fixture.h"
#include "pages/group_removal.h"
#include "pages/message_page.h"
#include "pages/progman.h"
#include "pages/program_folders.h"
#include "pages/uninstall.h"
#include "test_files.h"

namespace {

// A folder with links named after the items, each starting `target`.
void MakeGroup(const String& dir, const std::vector<String>& items, const String& target)
{
    CreateDirectoryA(dir.c_str(), nullptr);
    for (const String& item : items)
        ASSERT_TRUE(WriteShellLink(dir + item + ".lnk", {target, "", item, "", "", 0})) << dir + item;
}

class UnInstall : public TPageFixture {
protected:
    void SetUp() override
    {
        folder = FreshTempFolder("nimbo_uninstall");
        TPageFixture::SetUp();
        info->Script()->SetAppName("Nimbo Test");
        page = AddPage<TNimboUnInstall>("suUnInstall", kNextCancel);
        install = info->Script()->AddDir("Install", folder, nullptr);
    }
    void TearDown() override
    {
        SetRunSwitches(TRunSwitches{});
        SetProgManService(oldService);
        TPageFixture::TearDown();
        RemoveTree(folder);
        DeleteRegistryKey(HKEY_LOCAL_MACHINE, String(kUnInstallKey) + "\\Nimbo Test");
    }
    String folder;
    TNimboUnInstall* page = nullptr;
    TNimboDir* install = nullptr;
    String oldService = "Progman";
};

TEST_F(UnInstall, PropertiesAndOnePerForm)
{
    page->SetLogDir("Install");
    EXPECT_EQ(page->LogDir(), "Install");
    page->SetLogDir("Nowhere");
    EXPECT_EQ(page->LogDir(), "(none)");
    EXPECT_FALSE(page->AttemptUnInstall());
    EXPECT_THROW(NewComponent<TNimboUnInstall>(form), ENimboError);
}

// Next removes what the log lists: the items' links and the groups it
// created (through the file system: Program Manager is told nothing), the
// files and the log, the created directories deepest first (one still
// holding a file of the user's is reported and kept).
TEST_F(UnInstall, NextRemovesWhatTheLogLists)
{
    TDdeRecorder recorder("NimboProgmanTest", "");
    ASSERT_TRUE(recorder.Ready());
    oldService = SetProgManService("NimboProgmanTest");
    const String a = folder + "A\\", b = a + "B\\", kept = folder + "Kept\\";
    for (const String& d : {a, b, kept}) CreateDirectoryA(d.c_str(), nullptr);
    WriteAll(b + "one.txt", "1");
    WriteAll(a + "two.txt", "2");
    WriteAll(kept + "mine.txt", "the user's own");
    WriteAll(folder + "INSTALL.LOG", "[Files]");
    for (const String& f : {b + "one.txt", a + "two.txt", folder + "gone.txt"}) info->AddInstalledFile(f);
    for (const String& d : {a, b, kept}) info->AddCreatedDir(d);
    const String linker = Unique("Nimbo Linker"), second = Unique("Nimbo Second");
    const String linkerDir = ProgramsFolder(false) + linker + "\\", secondDir = ProgramsFolder(false) + second + "\\";
    MakeGroup(linkerDir, {"order.txt", "ReadMe.txt"}, b + "one.txt");
    MakeGroup(secondDir, {"Other"}, a + "two.txt");
    WriteAll(secondDir + "mine.txt", "the user's own");
    info->AddGroupEntry("", linker);
    info->AddGroupEntry("order.txt", linker);
    info->AddGroupEntry("ReadMe.txt", linker);
    info->AddGroupEntry("Other", second);
    info->SetLogFile(folder + "INSTALL.LOG");
    bool filesThereAtCleanup = false;
    page->OnCleanup = [&](TObject*) { filesThereAtCleanup = FileExists(b + "one.txt"); };

    String intent, caption, warning;
    TGuiScript g;
    g.WaitForPage([this] { return page; }).Then([&] {
        intent = Trimmed(NimboPagesForm->meUNIIntent->Lines()->Text());
        caption = NimboPagesForm->Caption();
        return true;
    });
    g.ClickNext().Answer("Warning", "OK", &warning);
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_TRUE(g.Finished());

    EXPECT_EQ(intent, "This UnInstall will attempt to delete all files for Nimbo Test.  Are you sure you want to do "
                      "this?\r\n\r\nClick Next (or Finish) if you would like to continue, or click Cancel to quit.");
    EXPECT_EQ(caption, "UnInstall Nimbo Test");
    EXPECT_TRUE(filesThereAtCleanup) << "OnCleanup comes before anything is removed";
    EXPECT_FALSE(FileExists(b + "one.txt") || FileExists(a + "two.txt") || FileExists(folder + "INSTALL.LOG"));
    EXPECT_FALSE(DirectoryExists(RemoveBackslash(b)) || DirectoryExists(RemoveBackslash(a)));
    EXPECT_TRUE(FileExists(kept + "mine.txt"));
    EXPECT_EQ(warning, "Unable to delete directory " + kept + ". (145: Directory is not empty.)");
    EXPECT_TRUE(info->UnInstallDone());
    EXPECT_FALSE(DirectoryExists(RemoveBackslash(linkerDir))) << "the group it created, emptied";
    EXPECT_FALSE(FileExists(secondDir + "Other.lnk"));
    EXPECT_TRUE(FileExists(secondDir + "mine.txt")) << "a group it did not create keeps the rest";
    Sleep(200);
    EXPECT_TRUE(recorder.Commands().empty());
    RemoveTree(secondDir);
}

// What an edited log names is checked before any path is made of it: names
// that lead out of the program folder, or that Program Manager could not
// have made, remove nothing; a group it did not create, or one holding
// entries of the user's, stays with them; a link of a logged name that
// starts none of the installed files is the user's and stays too.
TEST_F(UnInstall, AnEditedLogRemovesNothingOfTheUsers)
{
    const String installed = folder + "app.exe";
    WriteAll(installed, "x");
    info->AddInstalledFile(installed);
    const String startMenu = ProgramsFolder(false) + "..\\", windows = ProgramsFolder(false) + "..\\..\\";
    const String outside1 = startMenu + Unique("nimbo") + ".lnk", outside2 = windows + Unique("nimbo") + ".lnk";
    ASSERT_TRUE(WriteShellLink(outside1, {installed, "", "x", "", "", 0}));
    ASSERT_TRUE(WriteShellLink(outside2, {installed, "", "x", "", "", 0}));
    const String users = Unique("Nimbo Users"), claimed = Unique("Nimbo Claimed");
    const String usersDir = ProgramsFolder(false) + users + "\\", claimedDir = ProgramsFolder(false) + claimed + "\\";
    MakeGroup(usersDir, {"Notes"}, "C:\\windows\\notepad.exe");
    MakeGroup(claimedDir, {"App"}, installed);
    WriteAll(claimedDir + "mine.txt", "the user's own");
    for (const String& hostile : {String(".."), String("..\\.."), String("[" + users + "]")}) {
        info->AddGroupEntry("", hostile);
        info->AddGroupEntry(Unique("nimbo"), hostile);
    }
    info->AddGroupEntry("..\\..\\" + Unique("nimbo"), users);
    info->AddGroupEntry("Notes", users);
    info->AddGroupEntry("", claimed + ".");
    info->AddGroupEntry("App", claimed);
    TRunSwitches switches;
    switches.log = folder + "run.log";
    SetRunSwitches(switches);

    RemoveLoggedGroups(*info);

    EXPECT_TRUE(FileExists(outside1));
    EXPECT_TRUE(FileExists(outside2));
    EXPECT_TRUE(FileExists(usersDir + "Notes.lnk")) << "it starts no file of this installation";
    EXPECT_FALSE(FileExists(claimedDir + "App.lnk"));
    EXPECT_TRUE(FileExists(claimedDir + "mine.txt"));
    std::ifstream log(folder + "run.log");
    const String record((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(record.find("Program group kept: " + claimed + ". holds entries this installation did not make."),
              String::npos)
        << record;
    EXPECT_NE(record.find("Program group left alone: \"..\\..\" is no group name."), String::npos) << record;
    DeleteFileA(outside1.c_str());
    DeleteFileA(outside2.c_str());
    RemoveTree(usersDir);
    RemoveTree(claimedDir);
}

TEST_F(UnInstall, CancelRemovesNothing)
{
    WriteAll(folder + "one.txt", "1");
    info->AddInstalledFile(folder + "one.txt");
    bool cleaned = false;
    page->OnCleanup = [&](TObject*) { cleaned = true; };
    TGuiScript g;
    g.WaitForPage([this] { return page; }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(page->Execute(), psCancelled);
    EXPECT_FALSE(cleaned);
    EXPECT_TRUE(FileExists(folder + "one.txt"));
    EXPECT_FALSE(info->UnInstallDone());
}

// The registration points at a copy of the program in the log directory,
// named setup.exe whatever the running program is called, recorded as
// installed so that the uninstall removes it too.
TEST_F(UnInstall, RegistrationPointsAtAProgramThatIsThere)
{
    const String key = String(kUnInstallKey) + "\\Nimbo Test";
    page->RegisterUnInstall("");
    TRegistryKey none;
    EXPECT_FALSE(none.Open(HKEY_LOCAL_MACHINE, key));

    const String dir = folder + "with blank\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    install->SetDir(dir);
    page->SetLogDir("Install");
    page->RegisterUnInstall("Nimbo Test");
    const String program = kSetupProgramName;
    EXPECT_TRUE(FileExists(dir + program));
    EXPECT_GE(info->InstalledFiles().IndexOf(dir + program), 0);
    TRegistryKey k;
    ASSERT_TRUE(k.Open(HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(k.ReadString("DisplayName"), "Nimbo Test");
    EXPECT_EQ(k.ReadString("UnInstallString"), "\"" + dir + program + "\" UNINSTALL");
    // What Add/Remove Programs and administrators' tools read besides.
    EXPECT_EQ(k.ReadString("QuietUninstallString"), "\"" + dir + program + "\" UNINSTALL /VERYSILENT");
    EXPECT_EQ(k.ReadString("InstallLocation"), dir);
    EXPECT_EQ(k.ReadString("DisplayIcon"), dir + program);
    k.Close();
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
    DWORD size = 0, type = 0, bytes = sizeof size;
    EXPECT_EQ(RegQueryValueExA(raw, "EstimatedSize", nullptr, &type, reinterpret_cast<BYTE*>(&size), &bytes),
              ERROR_SUCCESS);
    RegCloseKey(raw);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    int64_t placed = 0;
    for (const TProgramFile& f : UnInstallProgramFiles(nullptr))
        placed += FileSizeOf(dir + (f.path == ProgramPath() ? program : ExtractFileName(f.path)));
    EXPECT_EQ(size, static_cast<DWORD>((placed + 1023) / 1024)) << "kilobytes of what was installed, rounded up";

    page->UnregisterUnInstall("Nimbo Test");
    EXPECT_FALSE(k.Open(HKEY_LOCAL_MACHINE, key));
}

TEST_F(UnInstall, ALogFolderNothingWasInstalledToIsMadeForTheProgramAndRecorded)
{
    const String dir = folder + "new\\deeper\\";
    install->SetDir(dir);
    page->SetLogDir("Install");
    page->RegisterUnInstall("Nimbo Test");
    const String program = kSetupProgramName;
    EXPECT_TRUE(FileExists(dir + program));
    EXPECT_EQ(info->CreatedDirs().Lines(), (std::vector<String>{folder + "new\\", dir}))
        << "so the uninstall removes them";
    TRegistryKey k;
    EXPECT_TRUE(k.Open(HKEY_LOCAL_MACHINE, String(kUnInstallKey) + "\\Nimbo Test"));
}

TEST_F(UnInstall, NoRegistrationNamesAProgramThatCouldNotBePlaced)
{
    // A file where the log's folder should be: the folder cannot be made.
    WriteAll(folder + "blocked", "x");
    install->SetDir(folder + "blocked\\inside\\");
    page->SetLogDir("Install");
    TGuiScript g;
    String text;
    g.Answer("Error", "OK", &text);
    page->RegisterUnInstall("Nimbo Test");
    EXPECT_TRUE(g.Finished());
    EXPECT_NE(text.find("Unable to place the uninstall program in " + folder + "blocked\\inside\\."), String::npos)
        << text;
    TRegistryKey k;
    EXPECT_FALSE(k.Open(HKEY_LOCAL_MACHINE, String(kUnInstallKey) + "\\Nimbo Test"));
    EXPECT_EQ(RunExitCode(), 0) << "the user was told; the run goes on";

    // Unattended, the run fails instead of ending as done with nothing to
    // remove it.
    TRunSwitches quiet;
    quiet.mode = TRunMode::verySilent;
    SetRunSwitches(quiet);
    page->RegisterUnInstall("Nimbo Test");
    EXPECT_EQ(RunExitCode(), static_cast<int>(exitFailed));
    EXPECT_FALSE(k.Open(HKEY_LOCAL_MACHINE, String(kUnInstallKey) + "\\Nimbo Test"));
    SetRunSwitches(TRunSwitches{});
    ResetRunExitCode();
}

}  // namespace
