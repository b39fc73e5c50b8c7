#include "engine/files_in_use.h"

#include "base/temp_names.h"
#include "engine/run_scope.h"
#include "framework/win32/handles.h"

bool InUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

bool HeldByAnotherProgram(const String& file)
{
    // Opened as a replacement needs it, sharing everything: only what
    // another program denies refuses it.
    const TKernelHandle probe(CreateFileA(file.c_str(), GENERIC_WRITE | DELETE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !probe && InUseError(GetLastError());
}

bool MayReplaceAtRestart()
{
    // The list is the machine's: a per-user run writes nothing there.
    if (PerUserRun()) return false;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return false;
    // A member only when the group is enabled in the token: a restricted
    // token of an administrator does not count.
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

String RestartFileName(const String& target)
{
    const String dir = ExtractFilePath(target);
    static uint32_t counter = 0;
    String name;
    do {
        name = dir + SetupNameWithExtension(GetCurrentProcessId(), SetupTempNumber(GetTickCount() + ++counter), ".new");
    } while (GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES);
    return name;
}

DWORD ReplaceAtRestart(const String& file, const String& target)
{
    if (MoveFileExA(file.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) return 0;
    return GetLastError();
}
