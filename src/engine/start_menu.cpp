#include "engine/start_menu.h"

#include <windows.h>

#include <shlobj.h>

#include "engine/file_routines.h"
#include "engine/path_routines.h"

bool IsStartMenuName(std::string_view name)
{
    return IsValidFileName(name) && name.find_first_of("[]") == std::string_view::npos;
}

String ProgramsFolder(bool common)
{
    char path[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, path, common ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, !common))
        return String();
    return AddBackslash(path);
}

String GroupFolder(const String& programs, const String& group)
{
    if (programs.empty() || !IsStartMenuName(group)) return String();
    return programs + StoredFileName(group);
}
