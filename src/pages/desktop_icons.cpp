#include "pages/desktop_icons.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shlobj.h>

#include "engine/file_routines.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/run_journal.h"
#include "engine/run_switches.h"
#include "engine/start_menu.h"
#include "framework/properties.h"
#include "pages/message_page.h"
#include "pages/program_folders.h"

NIMBO_DEFINE_CLASS(TNimboDesktopIcons, TNimboComponent, true,
                   p.Lines("Icons", &TNimboDesktopIcons::Icons).Ref("CheckPage", &TNimboDesktopIcons::SetCheckPage))

String ScopeDesktopFolder()
{
    char path[MAX_PATH] = "";
    const int csidl = ScopeGroupsCommon() ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY;
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) || !path[0]) return String();
    return AddBackslash(path);
}

void TNimboDesktopIcons::SetCheckPage(TNimboMessage* page)
{
    checkPage_ = page;
    if (page) FreeNotification(page);
}

void TNimboDesktopIcons::Notification(TComponent* component, TOperation operation)
{
    TNimboComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == checkPage_) checkPage_ = nullptr;
}

uint8_t TNimboDesktopIcons::Execute()
{
    TNimboComponent::Execute();
    if (!controller_ || icons_.Count() == 0) return 1;
    if (RunSwitches().noIcons) {
        RunLog("No desktop icons: /NOICONS.");
        return 1;
    }
    if (checkPage_ && !checkPage_->Checked()) {
        RunLog("No desktop icons: not chosen.");
        return 1;
    }
    const String desktop = ScopeDesktopFolder();
    if (desktop.empty()) {
        RunLog("Error: no desktop folder; no desktop icons are made.");
        return 2;
    }
    bool all = true;
    for (int i = 0; i < icons_.Count(); ++i) all = MakeIcon(desktop, icons_[i]) && all;
    return all ? 1 : 2;
}

namespace {
// The line's fields; the arguments are the rest, '|' and all.
bool SplitIcon(const String& line, String& title, String& dir, String& file, String& arguments)
{
    const size_t a = line.find('|');
    const size_t b = a == String::npos ? a : line.find('|', a + 1);
    const size_t c = b == String::npos ? b : line.find('|', b + 1);
    if (c == String::npos) return false;
    title = line.substr(0, a), dir = line.substr(a + 1, b - a - 1), file = line.substr(b + 1, c - b - 1);
    arguments = line.substr(c + 1);
    return IsStartMenuName(title) && IsValidFileName(file);
}
}  // namespace

bool TNimboDesktopIcons::MakeIcon(const String& desktop, const String& line)
{
    String title, dir, file, arguments;
    if (!SplitIcon(line, title, dir, file, arguments)) {
        RunLog("Error: a desktop icon the setup cannot make: " + line);
        return false;
    }
    const String target = ResolveDirMacro(dir, controller_, script_) + file;
    if (!FileExists(target)) {
        RunLog("No desktop icon " + title + ": " + target + " is not installed.");
        return true;
    }
    const String link = desktop + StoredFileName(title) + ".lnk";
    if (FileExists(link) || DirectoryExists(link)) {
        // One the user (or another program) made stays as it is; one that
        // starts this very program is an earlier install's, and stays ours.
        if (!SameText(ShellLinkTarget(link), target)) {
            RunLog("Desktop icon kept: " + link + " was there before and is not this setup's; no icon is made.");
            return true;
        }
        RunLog("Desktop icon used: " + link + ", starting " + target);
        controller_->AddDesktopIcon(link);
        return true;
    }
    controller_->Journal().FileMade(link);
    if (!WriteShellLink(link, TShellLinkData{target, arguments, title, ExtractFileDir(target), target, 0})) {
        RunLog("Error: the desktop icon " + link + " could not be made.");
        return false;
    }
    RunLog("Desktop icon made: " + link + ", starting " + target);
    controller_->AddDesktopIcon(link);
    return true;
}

void RemoveLoggedDesktopIcons(TNimboInfo& controller)
{
    const String desktop = ScopeDesktopFolder();
    const TStringList& files = controller.InstalledFiles();
    const TStringList& icons = controller.DesktopIcons();
    for (int i = 0; i < icons.Count(); ++i) {
        const String link = icons[i];
        const bool onDesktop = !desktop.empty() && SameText(ExtractFilePath(link), desktop) && link.size() > 4 &&
                               SameText(link.substr(link.size() - 4), ".lnk");
        if (!FileExists(link)) continue;
        // Only a link of ours: on the desktop, starting a file the
        // installation put there.
        const String target = onDesktop ? ShellLinkTarget(link) : String();
        if (target.empty() || files.IndexOf(target) < 0) {
            RunLog("Desktop icon kept: " + link + " (not a link on the desktop to a file of the installation).");
            continue;
        }
        if (DeleteFileA(link.c_str()))
            RunLog("Desktop icon removed: " + link);
        else
            RunLog("Error: the desktop icon " + link + " could not be removed.");
    }
}
