#include "engine/run_folders.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shlobj.h>

#include "engine/entry_lines.h"
#include "engine/file_routines.h"
#include "engine/path_routines.h"
#include "engine/run_scope.h"
#include "script/nimbo_data.h"

namespace {
String ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)) || !path[0]) return String();
    return path;
}

// A per-user run keeps the author's destination only in the user's own folders.
bool UserOwnFolder(const String& dir)
{
    const String first = LeadingConstant(dir);
    return first == "localappdata" || first == "appdata";
}
}  // namespace

String RunFolder(const String& name, const TRunFolders& folders)
{
    const bool perUser = PerUserRun();
    if (name == "app") return folders.app;
    if (name == "src") return folders.src;
    if (name == "win") return WindowsDir();
    if (name == "sys") return SystemDir();
    if (name == "pf") {
        // A 32-bit program's folder: Program Files (x86) where there is one.
        const String x86 = ShellFolder(CSIDL_PROGRAM_FILESX86);
        return x86.empty() ? ShellFolder(CSIDL_PROGRAM_FILES) : x86;
    }
    if (name == "localappdata") return ShellFolder(CSIDL_LOCAL_APPDATA);
    if (name == "appdata") return ShellFolder(CSIDL_APPDATA);
    if (name == "commonappdata") return ShellFolder(CSIDL_COMMON_APPDATA);
    if (name == "desktop") return ShellFolder(perUser ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_DESKTOPDIRECTORY);
    return String();
}

bool ExpandRunFolders(const String& text, const TRunFolders& folders, String& out, String& failed)
{
    return ExpandFolderConstants(
        text, [&folders](const String& name) { return RunFolder(name, folders); }, out, failed);
}

String DefaultDestination(bool perUser, const String& application)
{
    if (!IsValidFileName(application)) return String();
    return (perUser ? "{localappdata}\\Programs\\" : "{pf}\\") + StoredFileName(application);
}

String ResolveScriptFolders(TNimboData& script, const String& application, const String& sourceDir, bool install)
{
    TNimboDir* main = script.FindDir("Install");
    if (install && main && !main->Parent()) {
        const String own = DefaultDestination(PerUserRun(), application);
        const String dir = main->Dir();
        if (!own.empty() && (dir.empty() || (PerUserRun() && !UserOwnFolder(dir)))) main->SetDir(own);
    }
    for (TNimboDir* d : script.Dirs()) {
        if (d->Parent() || d->Dir().find('{') == String::npos) continue;
        String path, failed;
        // {app} is the destination, which no top directory may stand on.
        if (!ExpandRunFolders(d->Dir(), TRunFolders{String(), sourceDir}, path, failed))
            return "The folder " + failed + " of the directory " + d->Name() + " (" + d->Dir() +
                   ") is not known on this computer.";
        if (NormaliseTargetPath(path) != TTargetPathCheck::tpOk || path.size() <= 3)
            return "The directory " + d->Name() + " (" + d->Dir() + ") is " + path + ", which is no folder on a drive.";
        d->SetDir(path);
    }
    return String();
}
