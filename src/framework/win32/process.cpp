#include "framework/win32/process.h"

#include "framework/win32/forms.h"

TKernelHandle StartProcess(const String& commandLine, WORD show, DWORD flags, const String& directory,
                           const String& program)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    PROCESS_INFORMATION pi{};
    BOOL started = FALSE;
    DWORD error = 0;
    {
        // The platform may write into the command line.
        String cmd = commandLine;
        started = CreateProcessA(program.empty() ? nullptr : program.c_str(), cmd.data(), nullptr, nullptr, FALSE,
                                 flags, nullptr, directory.empty() ? nullptr : directory.c_str(), &si, &pi);
        if (!started) error = GetLastError();
    }
    if (!started) {
        // Set again once the copy is freed, so the caller reads the reason.
        SetLastError(error);
        return TKernelHandle();
    }
    TKernelHandle thread(pi.hThread);
    return TKernelHandle(pi.hProcess);
}

bool ProcessEnded(HANDLE process, DWORD timeoutMs) { return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0; }

DWORD ProcessExitCode(HANDLE process, DWORD fallback)
{
    DWORD code = fallback;
    return GetExitCodeProcess(process, &code) ? code : fallback;
}

namespace {
bool IsInputMessage(UINT m)
{
    return (m >= WM_KEYFIRST && m <= WM_KEYLAST) || (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) ||
           (m >= WM_NCMOUSEMOVE && m <= WM_NCXBUTTONDBLCLK);
}
}  // namespace

void WaitForProcessEnd(HANDLE process) { WaitForProcessesEnd({process}, INFINITE); }

bool WaitForProcessesEnd(std::vector<HANDLE> processes, DWORD timeoutMs, const std::function<void()>& poll)
{
    // As under a modal window: the thread's windows are disabled, and what
    // input still arrives is dropped; paint, timers and posted work go on.
    const HWND active = GetActiveWindow();
    const std::vector<HWND> disabled = EnabledThreadWindows();
    for (HWND h : disabled) EnableWindow(h, FALSE);
    bool quit = false;
    WPARAM quitCode = 0;
    constexpr DWORD kPollMs = 100;
    const DWORD start = GetTickCount();
    DWORD polled = start - kPollMs;
    while (!processes.empty()) {
        const DWORD now = GetTickCount();
        if (timeoutMs != INFINITE && now - start >= timeoutMs) break;
        if (poll && now - polled >= kPollMs) {
            poll();
            polled = now;
        }
        const DWORD slice = poll ? kPollMs : timeoutMs == INFINITE ? INFINITE : timeoutMs - (now - start);
        const DWORD count = static_cast<DWORD>(processes.size());
        const DWORD r = MsgWaitForMultipleObjects(count, processes.data(), FALSE, slice, QS_ALLINPUT);
        if (r < WAIT_OBJECT_0 + count) {
            processes.erase(processes.begin() + (r - WAIT_OBJECT_0));
            continue;
        }
        if (r == WAIT_TIMEOUT) continue;
        if (r != WAIT_OBJECT_0 + count) break;  // a handle is unusable
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
    return processes.empty();
}

void WaitForProcessEndIdle(HANDLE process)
{
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1) break;
        // Looking delivers the sent messages; nothing posted is taken.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
