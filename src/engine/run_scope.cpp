#include "engine/run_scope.h"

#include <shlobj.h>

#include "engine/file_routines.h"
#include "engine/run_folders.h"
#include "engine/path_routines.h"

namespace {
TRunScope gScope = TRunScope::machine;

TRunScope ScopeOf(TScopeSwitch s) { return s == TScopeSwitch::currentUser ? TRunScope::user : TRunScope::machine; }

}  // namespace

const TEnumInfo& NimboScopeNames()
{
    static const TEnumInfo i{{"isMachine", "isUser", "isAsk"}};
    return i;
}

TScopeDecision DecideScope(TNimboScope author, bool switchAllowed, TScopeSwitch given, bool unattended, bool unInstall,
                           bool machineOnly)
{
    // The uninstall still takes its registration's switch: an install of
    // an earlier version may have been per-user.
    if (machineOnly && !unInstall) {
        author = isMachine;
        switchAllowed = false;
    }
    TScopeDecision d;
    const TRunScope fixed = author == isUser ? TRunScope::user : TRunScope::machine;
    if (given != TScopeSwitch::none) {
        d.scope = ScopeOf(given);
        d.refused = !unInstall && author != isAsk && !switchAllowed && d.scope != fixed;
        return d;
    }
    d.scope = fixed;
    if (author == isAsk && !unInstall) {
        if (unattended)
            d.scope = TRunScope::user;
        else
            d.ask = true;
    }
    return d;
}

TRunScope RunScope() { return gScope; }

void SetRunScope(TRunScope scope) { gScope = scope; }

HKEY RegistrationRoot() { return PerUserRun() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

String UserDataFolder()
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path)) || !path[0])
        return String();
    return AddBackslash(path);
}

String UserProgramsDestination(const String& application)
{
    // The script's own default, as a per-user run of it would expand it.
    String path, failed;
    const String own = DefaultDestination(true, application);
    if (own.empty() || UserDataFolder().empty() || !ExpandRunFolders(own, TRunFolders{}, path, failed)) return String();
    return AddBackslash(path);
}

String RunStateFolder()
{
    const String base = PerUserRun() ? UserDataFolder() : AddBackslash(WindowsDir());
    return base + "Nimbo Setup\\";
}

bool RunsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return !known || elevation.TokenIsElevated != 0;
}
