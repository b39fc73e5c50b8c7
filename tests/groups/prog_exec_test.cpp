// Program execution with a program of our own that reports how it was
// started: command line, working directory, show command, and whether the
// wait outlasts it.
#include <gtest/gtest.h>

#include "engine/file_routines.h"
#include "page_fixture.h"
#include "pages/prog_exec.h"
#include "test_files.h"

namespace {

// The reported lines, key=value, as a map of the first occurrences.
std::map<String, String> Report(const String& path)
{
    std::map<String, String> r;
    TStringList lines;
    lines.SetText(ReadAll(path));
    for (int i = 0; i < lines.Count(); ++i) {
        const size_t eq = lines[i].find('=');
        const String key = eq == String::npos ? lines[i] : lines[i].substr(0, eq);
        if (!r.count(key)) r[key] = eq == String::npos ? String() : lines[i].substr(eq + 1);
    }
    return r;
}

class ProgExec : public TPageFixture {
protected:
    void SetUp() override
    {
        folder = FreshTempFolder("nimbo_progexec");
        out = folder + "echo.out";
        SetEnvironmentVariableA("NIMBO_ECHO_OUT", out.c_str());
        SetEnvironmentVariableA("NIMBO_ECHO_SLEEP", nullptr);
        TPageFixture::SetUp();
        exec = Add<TNimboProgExec>();
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("NIMBO_ECHO_OUT", nullptr);
        SetEnvironmentVariableA("NIMBO_ECHO_SLEEP", nullptr);
        TPageFixture::TearDown();
        RemoveTree(folder);
    }
    // The test program copied to `dir`.
    void Place(const String& dir)
    {
        CreateDirectoryA(dir.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(BuildPath(NIMBO_ECHO_EXE).c_str(), (dir + "nimbo_echo.exe").c_str(), FALSE));
    }
    String folder, out;
    TNimboProgExec* exec = nullptr;
};

TEST_F(ProgExec, ProgramFromTheCurrentDirectoryWithoutADirectory)
{
    Place(folder);
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(folder.c_str());
    exec->SetProgName("nimbo_echo.exe");
    exec->SetCommandLine("a b");
    EXPECT_EQ(exec->ProgramCommandLine(), "nimbo_echo.exe a b");
    EXPECT_EQ(exec->WorkingDir(), "");
    EXPECT_EQ(exec->Execute(), 1);
    SetCurrentDirectoryA(saved);
    auto r = Report(out);
    EXPECT_EQ(r["cmd"], "nimbo_echo.exe a b");
    EXPECT_EQ(AddBackslash(r["cwd"]), folder) << "started in ours";
    EXPECT_EQ(r["show"], "1");
    EXPECT_TRUE(r.count("end"));
}

TEST_F(ProgExec, ScriptDirectoryWithAParentMaximized)
{
    TNimboData* s = info->Script();
    TNimboDir* base = s->AddDir("Base", folder, nullptr);
    s->AddDir("Tools", "tools\\", base);
    Place(folder + "tools\\");
    exec->SetProgDir("Tools");
    exec->SetProgName("nimbo_echo.exe");
    exec->SetWindowState(wsMaximized);
    EXPECT_EQ(exec->Execute(), 1);
    auto r = Report(out);
    EXPECT_EQ(r["cmd"], folder + "tools\\nimbo_echo.exe ") << "one blank before the empty arguments";
    EXPECT_EQ(AddBackslash(r["cwd"]), folder + "tools\\");
    EXPECT_EQ(r["show"], "3");

    exec->SetWindowState(wsMinimized);
    DeleteFileA(out.c_str());
    EXPECT_EQ(exec->Execute(), 1);
    EXPECT_EQ(Report(out)["show"], "2");
}

TEST_F(ProgExec, PathWithBlanksIsQuotedAndArgumentsPassAsGiven)
{
    const String dir = folder + "with blank\\";
    Place(dir);
    TNimboData* s = info->Script();
    s->AddDir("Blank", dir, nullptr);
    exec->SetProgDir("Blank");
    exec->SetProgName("nimbo_echo.exe");
    exec->SetCommandLine("\"C:\\Read Me\\README.TXT\" /x");
    EXPECT_EQ(exec->Execute(), 1);
    EXPECT_EQ(Report(out)["cmd"], "\"" + dir + "nimbo_echo.exe\" \"C:\\Read Me\\README.TXT\" /x");
}

TEST_F(ProgExec, MissingProgramReturnsTwoAndNoControllerRaises)
{
    exec->SetProgDir("(none)");
    exec->SetProgName(folder + "nothing.exe");
    EXPECT_EQ(exec->Execute(), 2);
    auto* orphan = NewComponent<TNimboProgExec>(form);
    info->Free();
    info = nullptr;
    EXPECT_THROW(orphan->Execute(), ENimboError);
}

// The wait lasts until the program has ended; meanwhile the windows paint
// and the timers run, but take no input.
TEST_F(ProgExec, WaitOutlastsTheProgramWhileWindowsPaint)
{
    Place(folder);
    SetEnvironmentVariableA("NIMBO_ECHO_SLEEP", "1500");
    exec->SetProgName(folder + "nimbo_echo.exe");
    auto* window = NewComponent<TTestHostForm>(Application);
    window->SetCaption("Waiting form");
    window->Show();
    Application->ProcessMessages();
    int ticks = 0;
    bool invalidated = false, repainted = false, disabledMeanwhile = false;
    TGuiScript g(20000);
    g.Then([&] {
        ++ticks;
        disabledMeanwhile = !IsWindowEnabled(window->Handle());
        InvalidateRect(window->Handle(), nullptr, TRUE);
        invalidated = true;
        return true;
    });
    g.Then([&] {
        RECT r;
        repainted = !GetUpdateRect(window->Handle(), &r, FALSE);
        return true;
    });
    const DWORD start = GetTickCount();
    EXPECT_EQ(exec->Execute(), 1);
    EXPECT_GE(GetTickCount() - start, 1400u);
    EXPECT_TRUE(Report(out).count("end")) << "returned before the program ended";
    EXPECT_TRUE(invalidated && repainted) << "no paint while waiting";
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(window->Handle())) << "input back after the wait";
    EXPECT_EQ(ticks, 1);
    window->Free();

    // Without WaitForDone it returns once the program has started.
    DeleteFileA(out.c_str());
    exec->SetWaitForDone(false);
    EXPECT_EQ(exec->Execute(), 1);
    EXPECT_FALSE(Report(out).count("end"));
    for (int i = 0; i < 100 && !Report(out).count("end"); ++i) Sleep(50);
    EXPECT_TRUE(Report(out).count("end"));
}

}  // namespace
