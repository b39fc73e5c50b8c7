#include "pages/shell_group_folders.h"

#include <algorithm>

#include "engine/file_routines.h"
#include "engine/nimbo_info.h"
#include "engine/run_journal.h"
#include "pages/program_folders.h"

TShellGroupFolders::TShellGroupFolders(const String& group)
{
    for (bool common : {ScopeGroupsCommon(), false}) {
        const String folder = GroupFolder(ProgramsFolder(common), group);
        const bool listed = std::any_of(folders_.begin(), folders_.end(),
                                        [&folder](const TCandidate& c) { return SameText(c.path, folder); });
        if (!folder.empty() && !listed) folders_.push_back({folder, DirectoryExists(folder)});
    }
}

void TShellGroupFolders::WriteDown(TRunJournal& journal) const
{
    for (const TCandidate& c : folders_) {
        journal.Destination(c.path);
        if (!c.existed) journal.DirsToBeMade(c.path);
    }
}

bool TShellGroupFolders::Settle(TNimboInfo& controller) const
{
    bool made = false;
    for (const TCandidate& c : folders_) {
        if (c.existed) continue;
        if (DirectoryExists(c.path)) {
            controller.AddGroupFolder(c.path);
            made = true;
        } else {
            controller.Journal().NotMade(c.path);
        }
    }
    return made;
}

std::vector<String> TShellGroupFolders::Present() const
{
    std::vector<String> present;
    for (const TCandidate& c : folders_)
        if (DirectoryExists(c.path)) present.push_back(c.path);
    return present;
}
