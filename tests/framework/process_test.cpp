// Starting programs and waiting for them: what the start is given reaches
// the program, a refusal keeps the platform's reason, and each wait lets
// through what it promises and nothing more.
#include <gtest/gtest.h>

#include <thread>

#include "framework/win32/process.h"
#include "test_files.h"

namespace {

String Cmd(const String& arguments)
{
    char dir[MAX_PATH];
    const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    return "\"" + String(dir, n) + "\\cmd.exe\" /c " + arguments;
}

// A started program that never runs on its own (its thread waits to be
// resumed): the waits see it alive until the test ends it. Never left
// behind, whatever the test's outcome.
class TIdleChild {
public:
    TIdleChild() : process_(StartProcess(Cmd("exit 0"), SW_HIDE, CREATE_SUSPENDED)) {}
    ~TIdleChild() { End(0); }
    HANDLE Get() const { return process_.Get(); }
    void End(UINT code) const
    {
        if (process_ && !ProcessEnded(process_.Get())) TerminateProcess(process_.Get(), code);
    }

private:
    TKernelHandle process_;
};

TEST(Process, TheProgramRunsWithTheCommandLineAndDirectoryGivenAndItsExitCodeIsRead)
{
    const TKernelHandle plain = StartProcess(Cmd("exit 7"), SW_HIDE);
    ASSERT_TRUE(plain.Valid()) << GetLastError();
    EXPECT_TRUE(ProcessEnded(plain.Get(), INFINITE));
    EXPECT_EQ(ProcessExitCode(plain.Get(), 99), 7u);

    const String dir = FreshTempFolder(Unique("nimbo-process"));
    WriteAll(dir + "marker.txt", "here");
    const String probe = Cmd("if exist marker.txt (exit 3) else exit 4");
    const TKernelHandle inDir = StartProcess(probe, SW_HIDE, 0, dir);
    const TKernelHandle inOurs = StartProcess(probe, SW_HIDE);
    ASSERT_TRUE(inDir && inOurs);
    ProcessEnded(inDir.Get(), INFINITE);
    ProcessEnded(inOurs.Get(), INFINITE);
    EXPECT_EQ(ProcessExitCode(inDir.Get(), 99), 3u);
    EXPECT_EQ(ProcessExitCode(inOurs.Get(), 99), 4u);
    RemoveTree(dir);

    // The program file named apart: the command line is only its arguments.
    char system[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    const TKernelHandle named = StartProcess("shell /c exit 5", SW_HIDE, 0, {}, String(system, n) + "\\cmd.exe");
    ASSERT_TRUE(named);
    ProcessEnded(named.Get(), INFINITE);
    EXPECT_EQ(ProcessExitCode(named.Get(), 99), 5u);
}

TEST(Process, ARefusedStartGivesNoHandleAndLeavesThePlatformsReason)
{
    SetLastError(0);
    const TKernelHandle none = StartProcess("\"C:\\no such folder\\program.exe\"", SW_HIDE);
    const DWORD error = GetLastError();
    EXPECT_FALSE(none.Valid());
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
}

TEST(Process, APlainWaitEndsWithTheProcessOrItsTime)
{
    const TIdleChild child;
    ASSERT_TRUE(child.Get());
    EXPECT_FALSE(ProcessEnded(child.Get()));
    EXPECT_FALSE(ProcessEnded(child.Get(), 50));
    child.End(9);
    EXPECT_TRUE(ProcessEnded(child.Get(), INFINITE));
    EXPECT_EQ(ProcessExitCode(child.Get(), 99), 9u);
}

HANDLE gToEnd = nullptr;

void CALLBACK EndWaitedProcess(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    TerminateProcess(gToEnd, 6);
}

TEST(Process, TheWaitOfAPageRunsTheThreadsTimersAndPollsUntilTheEndOrItsTime)
{
    const TIdleChild a, b;
    ASSERT_TRUE(a.Get() && b.Get());
    int polls = 0;
    EXPECT_FALSE(WaitForProcessesEnd({a.Get(), b.Get()}, 300, [&polls] { ++polls; }));
    EXPECT_GE(polls, 2);

    // Only a timer of this thread, run by the wait itself, ends the one
    // process left.
    a.End(0);
    gToEnd = b.Get();
    SetTimer(nullptr, 0, 10, EndWaitedProcess);
    EXPECT_TRUE(WaitForProcessesEnd({a.Get(), b.Get()}, 10000));
    EXPECT_EQ(ProcessExitCode(b.Get(), 99), 6u);
}

// A window that counts what reaches it: sent messages are answered,
// posted ones counted.
int gPosted = 0;

LRESULT CALLBACK CountingProc(HWND h, UINT msg, WPARAM w, LPARAM l)
{
    if (msg == WM_USER) return 42;
    if (msg == WM_USER + 1) ++gPosted;
    return DefWindowProcA(h, msg, w, l);
}

TEST(Process, TheIdleWaitAnswersWhatOthersSendAndLeavesWhatIsPosted)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "NimboIdleWaitProbe";
    RegisterClassA(&wc);
    HWND window =
        CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(window);
    gPosted = 0;
    PostMessageA(window, WM_USER + 1, 0, 0);

    const TIdleChild child;
    ASSERT_TRUE(child.Get());
    DWORD_PTR answer = 0;
    // The process ends once the message sent from another thread has its
    // answer; bounded, so a wait that never answers fails instead of hanging.
    std::thread sender([&] {
        SendMessageTimeoutA(window, WM_USER, 0, 0, SMTO_NORMAL, 10000, &answer);
        child.End(0);
    });
    WaitForProcessEndIdle(child.Get());
    sender.join();
    EXPECT_EQ(answer, 42u);
    EXPECT_EQ(gPosted, 0) << "the idle wait dispatched a posted message";

    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(gPosted, 1);
    DestroyWindow(window);
}

}  // namespace
