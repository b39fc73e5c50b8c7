// A target another program holds open, for real: a second process holds
// the file; the copy question names it, Retry replaces it once the holder
// lets go, Ignore keeps it, and Yes has it replaced at the next restart,
// which `wineboot -r` then performs in the test's own prefix.
#include <gtest/gtest.h>

#include <algorithm>

#include "copy_fixture.h"
#include "engine/run_journal.h"
#include "engine/run_switches.h"
#include "pending_renames.h"
#include "test_files.h"

namespace {

// Runs a program of the prefix to its end; its exit code.
DWORD RunToEnd(String command)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 255;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 255;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// Another process that holds a file open, sharing nothing, until Release.
class THolder {
public:
    THolder(const String& file, const String& marker) : marker_(marker)
    {
        String command = "\"" + BuildPath(NIMBO_FILE_HOLDER) + "\" \"" + file + "\" \"" + marker + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) return;
        // Holding once the marker is there; a holder that ended never will.
        while (GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES &&
               WaitForSingleObject(pi_.hProcess, 10) == WAIT_TIMEOUT) {}
    }
    ~THolder() { Release(); }
    bool Holding() const { return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    // Lets go of the file, and waits until the holder has closed it.
    void Release()
    {
        if (!pi_.hProcess) return;
        DeleteFileA(marker_.c_str());
        WaitForSingleObject(pi_.hProcess, 10000);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
        pi_ = {};
    }

private:
    String marker_;
    PROCESS_INFORMATION pi_{};
};

class FilesInUse : public TCopyFixture {
protected:
    void SetUp() override
    {
        TCopyFixture::SetUp();
        AddFile("app.dll", "the new app.dll");
        Existing("app.dll", "the old app.dll");
        page->SetOverWrite(swAlways);
        holder = std::make_unique<THolder>(dst + "app.dll", root + "held");
        ASSERT_TRUE(holder->Holding());
    }
    void TearDown() override
    {
        holder.reset();
        DropPendingRenamesIn(dst);
        TCopyFixture::TearDown();
    }
    // Runs the page, answering the in-use question with `answer`; gives
    // the question's text.
    String RunAnswering(const String& answer, bool releaseFirst = false)
    {
        TGuiScript g;
        String asked;
        g.Then([&] {
             HWND dlg = FindTopWindow("Warning");
             if (!dlg) return false;
             asked = DialogMessage(dlg);
             if (releaseFirst) holder->Release();
             return true;
         }).Answer("Warning", answer);
        EXPECT_EQ(Run(), psDone);
        EXPECT_TRUE(g.Finished());
        return asked;
    }
    // The files beside app.dll that wait for the restart.
    std::vector<String> Waiting()
    {
        std::vector<String> names = Entries(dst);
        names.erase(std::remove(names.begin(), names.end(), String("app.dll")), names.end());
        return names;
    }
    std::unique_ptr<THolder> holder;
};

TEST_F(FilesInUse, TheQuestionNamesTheFileAndRetryReplacesItOnceTheProgramLetsGo)
{
    const String asked = RunAnswering("Retry", true);
    EXPECT_EQ(asked, "\r\nThe file " + dst +
                         "app.dll is in use by another program, so Setup cannot replace it now. Close that program "
                         "and choose Retry, or choose Ignore to keep the file as it is.\r\nChoose Yes to have Setup "
                         "replace it when the computer restarts.\r\n");
    EXPECT_EQ(ReadAll(dst + "app.dll"), "the new app.dll");
    info->Journal().Commit();  // the old file set aside goes
    EXPECT_EQ(Entries(dst), (std::vector<String>{"app.dll"}));
    EXPECT_EQ(info->NotInstalled(), 0);
    EXPECT_FALSE(info->RestartNeeded());
}

TEST_F(FilesInUse, IgnoreKeepsTheFileAsItWas)
{
    RunAnswering("Ignore");
    holder->Release();
    EXPECT_EQ(ReadAll(dst + "app.dll"), "the old app.dll");
    EXPECT_EQ(Entries(dst), (std::vector<String>{"app.dll"}));
    EXPECT_EQ(info->NotInstalled(), 1);
    EXPECT_FALSE(info->RestartNeeded());
}

// Yes: the new file waits beside the old one, which stays in use, and the
// platform's list of moves at the next restart has the pair; the restart
// puts the new file in place.
TEST_F(FilesInUse, YesReplacesTheFileAtTheNextRestart)
{
    RunAnswering("Yes");
    EXPECT_TRUE(info->RestartNeeded());
    EXPECT_EQ(info->NotInstalled(), 0);
    const std::vector<String> waiting = Waiting();
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0].substr(0, 7), "~nimbo-");
    EXPECT_EQ(waiting[0].substr(waiting[0].size() - 4), ".new");
    const std::vector<String> pending = PendingRenames();
    const auto at = std::find(pending.begin(), pending.end(), "\\??\\" + dst + waiting[0]);
    ASSERT_NE(at, pending.end()) << "the move is in the list";
    ASSERT_LT(at - pending.begin() + 1, static_cast<long>(pending.size()));
    EXPECT_EQ(*(at + 1), "!\\??\\" + dst + "app.dll") << "replacing the target";
    holder->Release();
    EXPECT_EQ(ReadAll(dst + "app.dll"), "the old app.dll");
    EXPECT_EQ(ReadAll(dst + waiting[0]), "the new app.dll");
    info->Journal().Commit();
    EXPECT_EQ(RunToEnd("wineboot.exe -r"), 0u);
    EXPECT_EQ(ReadAll(dst + "app.dll"), "the new app.dll");
    EXPECT_EQ(Entries(dst), (std::vector<String>{"app.dll"}));
}

// A run undone after Yes takes its waiting file away: the move at the
// restart finds nothing (Wine skips it), and the old file stays.
TEST_F(FilesInUse, AnUndoneRunLeavesNothingForTheRestart)
{
    RunAnswering("Yes");
    ASSERT_EQ(Waiting().size(), 1u);
    EXPECT_TRUE(info->Journal().RollBack().empty());
    EXPECT_EQ(Waiting(), std::vector<String>{});
    holder->Release();
    EXPECT_EQ(RunToEnd("wineboot.exe -r"), 0u);
    EXPECT_EQ(ReadAll(dst + "app.dll"), "the old app.dll");
    EXPECT_EQ(Entries(dst), (std::vector<String>{"app.dll"}));
}

// Unattended, nobody is asked: an administrator's run has the file
// replaced at the restart.
TEST_F(FilesInUse, AnUnattendedRunReplacesAtTheRestart)
{
    TRunSwitches quiet;
    quiet.mode = TRunMode::verySilent;
    SetRunSwitches(quiet);
    const uint8_t result = Run();
    SetRunSwitches({});
    EXPECT_EQ(result, psDone);
    EXPECT_TRUE(info->RestartNeeded());
    EXPECT_EQ(Waiting().size(), 1u);
}

}  // namespace
