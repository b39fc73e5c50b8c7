// The uninstall's removal of the Program Manager groups and items that the
// install log lists, done on the Start menu's folders: Program Manager's
// commands open folder windows, and its DeleteGroup takes a group's folder
// with everything in it, the user's entries too.
#pragma once

class TNimboInfo;

// Works through the controller's log lists (`GroupNames`, `GroupItems`: an
// empty item stands for a group this installation created; `GroupFolders`:
// where it made them). An item's link goes from its group's folder, in the
// user's and (unless the uninstall is per-user) everybody's program folder,
// when it starts a file this installation installed; a group's folder goes
// when the lists say this installation made it there (lists that name no
// group folders, as an earlier version's, put them in the user's program
// folder) and nothing else is left in it.
// Names that fail IsProgManName (an edited log) are left alone. What
// stays, and why, goes to the /LOG file.
void RemoveLoggedGroups(const TNimboInfo& controller);
