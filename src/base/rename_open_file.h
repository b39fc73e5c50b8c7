// Renaming a file through the handle it is being written with (Windows
// only). A new file that takes its name this way costs one request to the
// system; MoveFileEx after closing it opens it again by name, asks for its
// attributes and closes it once more, which under Wine makes a file of a few
// kilobytes noticeably dearer. Shared by the setup and its compression
// library, which needs no C++ runtime: plain Win32 calls only.
#pragma once

#include <windows.h>

// Gives the file open in `file` (with DELETE access) the name `target` on
// its volume, in place of a file of that name when `replace`; otherwise a
// name that is taken fails with ERROR_ALREADY_EXISTS. Before Windows Vista
// the call is not there: false with ERROR_CALL_NOT_IMPLEMENTED, and the
// caller closes the file and renames it by name.
inline bool RenameOpenFile(HANDLE file, const char* target, bool replace)
{
    // FILE_RENAME_INFO, which the headers for Windows XP leave out.
    struct {
        BOOLEAN replaceIfExists;
        HANDLE rootDirectory;
        DWORD fileNameLength;
        WCHAR fileName[MAX_PATH];
    } info{};
    using TSetInformation = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
    const auto set = reinterpret_cast<TSetInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    if (!set) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    const int length = MultiByteToWideChar(CP_ACP, 0, target, -1, info.fileName, MAX_PATH);
    if (length <= 0) return false;
    info.replaceIfExists = replace ? TRUE : FALSE;
    info.fileNameLength = static_cast<DWORD>(length - 1) * sizeof(WCHAR);
    constexpr int kFileRenameInfo = 3;
    return set(file, kFileRenameInfo, &info, sizeof info) != 0;
}
