#include "pages/group_removal.h"

#include <windows.h>

#include <vector>

#include "engine/file_routines.h"
#include "engine/nimbo_info.h"
#include "engine/run_scope.h"
#include "engine/run_switches.h"
#include "pages/progman.h"
#include "pages/program_folders.h"

namespace {
// One group as the shell keeps it: the log may name it in several spellings
// ("Tools", "tools", "Tools.") that are all the same folder.
struct TLoggedGroup {
    String name;  // as the log first names it
    bool created = false;
    std::vector<String> items;
};

std::vector<TLoggedGroup> GroupsOf(const TStringList& groups, const TStringList& items)
{
    std::vector<TLoggedGroup> found;
    for (int i = 0; i < groups.Count() && i < items.Count(); ++i) {
        if (!IsProgManName(groups[i])) {
            RunLog("Program group left alone: \"" + groups[i] + "\" is no group name.");
            continue;
        }
        TLoggedGroup* group = nullptr;
        for (TLoggedGroup& g : found)
            if (SameText(StoredFileName(g.name), StoredFileName(groups[i]))) group = &g;
        if (!group) {
            found.push_back({groups[i], false, {}});
            group = &found.back();
        }
        if (items[i].empty())
            group->created = true;
        else if (IsProgManName(items[i]))
            group->items.push_back(items[i]);
        else
            RunLog("Program item left alone: \"" + items[i] + "\" is no item name.");
    }
    return found;
}

bool Listed(const TStringList& list, const String& entry)
{
    for (int i = 0; i < list.Count(); ++i)
        if (SameText(list[i], entry)) return true;
    return false;
}

// A folder, not a link to one elsewhere.
bool IsPlainFolder(const String& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether this installation made the group's folder there: a log that
// names its group folders says where; an earlier version's log made every
// group it created in the user's program folder.
bool MadeHere(const TNimboInfo& controller, const String& folder, bool common)
{
    if (!controller.GroupFoldersLogged()) return !common;
    return Listed(controller.GroupFolders(), folder);
}

void RemoveItems(const String& folder, const TLoggedGroup& group, const TStringList& installed)
{
    for (const String& item : group.items) {
        const String link = ItemLinkPath(folder, item);
        if (!FileExists(link)) continue;
        // A link of the same name that starts something else is the user's.
        if (!Listed(installed, ShellLinkTarget(link)))
            RunLog("Program item kept: " + link + " starts no file this installation installed.");
        else if (!DeleteFileA(link.c_str()))
            RunLog("Program item left: " + link + " could not be deleted.");
    }
}
}  // namespace

void RemoveLoggedGroups(const TNimboInfo& controller)
{
    const TStringList& installed = controller.InstalledFiles();
    // A per-user uninstall changes nothing that every user shares.
    const std::vector<bool> places = PerUserRun() ? std::vector<bool>{false} : std::vector<bool>{false, true};
    for (const TLoggedGroup& group : GroupsOf(controller.GroupNames(), controller.GroupItems())) {
        for (bool common : places) {
            const String folder = GroupFolder(ProgramsFolder(common), group.name);
            if (folder.empty() || !IsPlainFolder(folder)) continue;
            RemoveItems(folder, group, installed);
            if (!group.created) continue;
            if (!MadeHere(controller, folder, common))
                RunLog("Program group kept: " + folder + " is not the folder this installation made.");
            else if (RemoveDirectoryA(folder.c_str()) || !DirectoryExists(folder))
                RunLog("Program group removed: " + group.name);
            else
                RunLog("Program group kept: " + group.name + " holds entries this installation did not make.");
        }
    }
}
