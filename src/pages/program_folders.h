// The Start menu's program folders, where the shell keeps a Program Manager
// group as a folder and each of its items as a link file in it. Runs that
// must open no window make and remove groups here directly, and the
// program groups page learns here which groups exist and closes the folder
// windows that the shell opens for its commands.
#pragma once

#include <windows.h>

#include <vector>

#include "base/string_list.h"
#include "engine/start_menu.h"

// Whether the run's groups belong in everybody's program folder: a
// machine-wide run's do, a per-user run's go to the user's.
bool ScopeGroupsCommon();
// Whether the group is a folder in the user's or everybody's program folder.
bool GroupFolderExists(const String& group, bool common);
// The groups of the user's or everybody's program folder, as Program
// Manager lists them.
void ListGroupFolders(TStringList& groups, bool common = false);
// Makes the group's folder in the user's or everybody's program folder (or
// finds it there); its path, or empty on failure.
String MakeGroupFolder(const String& group, bool common = false);
// An item's link file in a group's folder.
String ItemLinkPath(const String& folder, const String& item);

// What a shell link starts, and how.
struct TShellLinkData {
    String target;
    String arguments;
    String description;
    String workingDir;  // none when empty
    String iconFile;    // the target's own icon when empty
    int iconIndex = 0;
};
// Writes a shell link; false when it could not be written.
bool WriteShellLink(const String& link, const TShellLinkData& data);
// A shell link as written; false (and `data` empty) when it is no link.
bool ReadShellLink(const String& link, TShellLinkData& data);
// The program a shell link starts; empty when it is no link.
String ShellLinkTarget(const String& link);

// Whether `h` is a shell folder window (CabinetWClass, ExplorerWClass) of
// another process that shows the group (its title is the group's folder).
bool IsGroupWindow(HWND h, const String& group);
// Asks every such window to close.
void CloseGroupWindows(const String& group);

// The folder windows that Program Manager's commands open. The shell of
// Wine starts an explorer process of its own for each window (on
// CreateGroup and on ShowGroup), so those the server starts while the
// commands run are the windows to wait for.
class TGroupWindowWatch {
public:
    // Before the commands: the folder processes `server` has started so far.
    void Start(DWORD server);
    // Once the commands are carried out: waits (for at most `timeoutMs`,
    // the page's windows painting but taking no input) until the folder
    // processes started since have ended, closing the group's windows
    // meanwhile.
    void CloseOpened(const String& group, DWORD timeoutMs);

private:
    DWORD server_ = 0;
    std::vector<DWORD> before_;
};
