#include "pages/prog_exec.h"

#include <vector>

#include "engine/file_routines.h"
#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboProgExec, TNimboComponent, true,
                   p.Str("CommandLine", &TNimboProgExec::SetCommandLine)
                       .Str("ProgDir", &TNimboProgExec::SetProgDir)
                       .Str("ProgName", &TNimboProgExec::SetProgName)
                       .Bool("WaitForDone", &TNimboProgExec::SetWaitForDone)
                       .Enum("WindowState", &TNimboProgExec::SetWindowState, WindowStateNames()))

namespace {
BOOL CALLBACK CollectEnabledWindow(HWND h, LPARAM list)
{
    if (IsWindowVisible(h) && IsWindowEnabled(h)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

bool IsInputMessage(UINT m)
{
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK);
}
}  // namespace

void WaitForProcessEnd(HANDLE process)
{
    // As under a modal window: the thread's windows are disabled, and what
    // input still arrives is dropped; paint, timers and posted work go on.
    const HWND active = GetActiveWindow();
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    for (HWND h : disabled)
        EnableWindow(h, FALSE);
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) break;  // ended, or the handle is unusable
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Kept for the message loop that waits for it, after the wait.
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            if (IsInputMessage(msg.message)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    for (auto it = disabled.rbegin(); it != disabled.rend(); ++it)
        if (IsWindow(*it)) EnableWindow(*it, TRUE);
    if (active && IsWindow(active)) {
        SetForegroundWindow(active);
        SetActiveWindow(active);
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

String TNimboProgExec::ProgramPath() const
{
    return ResolveDirMacro(progDir_, controller_, script_) + progName_;
}

String TNimboProgExec::ProgramCommandLine() const
{
    // A path with a blank is one argument only when quoted; the caller's
    // arguments go as given.
    const String program = ProgramPath();
    const bool quote = program.find(' ') != String::npos && program.front() != '"';
    return (quote ? "\"" + program + "\"" : program) + " " + commandLine_;
}

String TNimboProgExec::WorkingDir() const
{
    const String program = ProgramPath();
    const size_t p = program.find_last_of("\\:");
    return p == String::npos ? String() : program.substr(0, p + 1);
}

uint8_t TNimboProgExec::Execute()
{
    TNimboComponent::Execute();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                     : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                   : SW_SHOWNORMAL;
    String cmd = ProgramCommandLine();
    const String dir = WorkingDir();
    PROCESS_INFORMATION pi{};
    // A bare program name has no directory of its own: it starts in ours.
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                        nullptr, dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return 2;
    CloseHandle(pi.hThread);
    if (waitForDone_) WaitForProcessEnd(pi.hProcess);
    CloseHandle(pi.hProcess);
    return 1;
}
