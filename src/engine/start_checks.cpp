// What start-up checks before anything changes, for a setup whose author
// asks: that the product's program is not running (it holds the mutex the
// author names) and that Windows is not older than the setup needs.
#include <windows.h>

#include "engine/message_dialog.h"
#include "engine/message_ids.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "engine/wizard/pages_form.h"

namespace {

[[noreturn]] void EndRefused(int code)
{
    SetRunExitCode(code);
    FreeNimboPagesForm();
    ExitProcess(static_cast<UINT>(FinalExitCode()));
}

// The system's version as the kernel tells it (GetVersionEx answers what the
// program's manifest asks for); false when it cannot be learnt.
bool SystemVersion(DWORD& major, DWORD& minor)
{
    using TGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    const auto get = reinterpret_cast<TGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (get && get(&v) == 0) {
        major = v.dwMajorVersion, minor = v.dwMinorVersion;
        return true;
    }
    OSVERSIONINFOA a{};
    a.dwOSVersionInfoSize = sizeof a;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&a)) return false;
#pragma GCC diagnostic pop
    major = a.dwMajorVersion, minor = a.dwMinorVersion;
    return true;
}

// "major.minor" as the builder checked it; false for anything else (a form
// source's value that the builder did not see).
bool ParseMajorMinor(const String& text, DWORD& major, DWORD& minor)
{
    const size_t dot = text.find('.');
    if (dot == String::npos || dot == 0 || dot > 2 || text.size() - dot - 1 < 1 || text.size() - dot - 1 > 2)
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != dot && (text[i] < '0' || text[i] > '9')) return false;
    major = static_cast<DWORD>(std::stoul(text.substr(0, dot)));
    minor = static_cast<DWORD>(std::stoul(text.substr(dot + 1)));
    return true;
}

// Whether a program holds the mutex; a name the platform refuses is held
// by nobody.
bool MutexHeld(const String& name)
{
    const HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (h) CloseHandle(h);
    // A mutex of another user's session may refuse us access: it is there.
    return h || GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace

void TNimboInfo::CheckWindowsVersion()
{
    DWORD needMajor = 0, needMinor = 0, major = 0, minor = 0;
    if (minWindows_.empty()) return;
    if (!ParseMajorMinor(minWindows_, needMajor, needMinor)) {
        RunLog("MinWindows '" + minWindows_ + "' is no version (major.minor); it is not checked.");
        return;
    }
    if (!SystemVersion(major, minor) || major > needMajor || (major == needMajor && minor >= needMinor)) return;
    const String have = IntToStr(static_cast<long long>(major)) + "." + IntToStr(static_cast<long long>(minor));
    const String text = Format(GetMessageText(msgWindowsTooOld), ProductName(), minWindows_, have);
    RunLog("Error: " + text);
    ShowMessageDialog(this, text, mtError, NimboDialogButton(mbOK));
    EndRefused(exitWindowsTooOld);
}

void TNimboInfo::CheckRunningProgram()
{
    if (appMutex_.empty()) return;
    while (MutexHeld(appMutex_)) {
        const String text = Format(GetMessageText(msgCloseProgram), ProductName());
        RunLog("The mutex " + appMutex_ + " is held: " + ProductName() + " is running.");
        const int answer =
            ShowMessageDialog(this, text, mtWarning, NimboDialogButton(mbRetry) | NimboDialogButton(mbCancel));
        if (answer == mrRetry) continue;
        RunLog("Error: " + ProductName() + " is running; nothing was changed.");
        EndRefused(exitProgramRunning);
    }
}
