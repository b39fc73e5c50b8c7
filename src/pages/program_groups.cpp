#include "pages/program_groups.h"

#include <algorithm>
#include <cstring>

#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/run_switches.h"
#include "engine/run_journal.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "pages/progman.h"
#include "pages/program_folders.h"
#include "pages/shell_group_folders.h"

NIMBO_DEFINE_CLASS(TNimboGroups, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboGroups)
                       .Bool("MinimizeProgMan", &TNimboGroups::SetMinimizeProgMan)
                       .Lines("Text", &TNimboGroups::Text))

namespace {

// The path of an item's program file: its directory's full path, then the
// file's name.
String ItemPath(const TNimboWinItem* item)
{
    if (!item->Dir() || !item->ItemFile()) return String();
    return AddBackslash(item->Dir()->GetPath()) + item->ItemFile()->Name();
}

// Whether an item can be made as the script has it: its name as a link
// file, its program as the quoted start of AddItem's first argument, and
// its arguments as the rest, which nothing may end early (a quote, a
// bracket, a comma).
bool CanMakeItem(const TNimboWinItem* item, const String& path)
{
    auto holdsAny = [](const String& text, const char* stops) {
        return std::any_of(text.begin(), text.end(), [stops](char c) {
            return static_cast<unsigned char>(c) < 32 || std::strchr(stops, c) != nullptr;
        });
    };
    const String& arguments = item->CommandLine();
    return IsProgManName(item->Name()) && !holdsAny(path, "\"") && !holdsAny(arguments, "") &&
           std::count(arguments.begin(), arguments.end(), '"') % 2 == 0;
}

// Arguments a Program Manager command can carry: its own syntax ends at a
// quote, a bracket or a comma, so items with them are made as links.
bool CommandCarries(const TNimboWinItem* item) { return item->CommandLine().find_first_of("\"()[],") == String::npos; }

// An item's link: started in its own folder, with its own icon, as
// Program Manager makes an item.
TShellLinkData ItemLink(const TNimboWinItem* item, const String& path)
{
    return TShellLinkData{path, item->CommandLine(), item->Name(), ExtractFileDir(path), path, 0};
}

// How long the page waits for the folder windows its commands open.
constexpr DWORD kFolderWindowWaitMs = 15000;
// How many of the minimize timer's one-second ticks follow a Next.
constexpr int kMinimizeTicks = 10;
}  // namespace

TNimboGroups::TNimboGroups() = default;

TNimboWinGroups* TNimboGroups::Groups() const { return script_ ? script_->FindWinGroup(Name()) : nullptr; }

void TNimboGroups::RegisterScriptEntry()
{
    if (script_) script_->AddWinGroup(Name());
}

void TNimboGroups::UnregisterScriptEntry()
{
    if (script_) script_->DeleteWinGroup(script_->FindWinGroup(Name()));
}

void TNimboGroups::RenameScriptEntry(const String& from, const String& to) { script_->RenameWinGroup(from, to); }

int TNimboGroups::ProgramFileCount() const
{
    const TNimboWinGroups* groups = Groups();
    if (!groups) return 0;
    int count = 0;
    for (const TNimboWinItem* item : groups->Items()) {
        if (!item->Dir() || !item->ItemFile()) continue;
        if (FileExists(item->Dir()->GetPath() + item->ItemFile()->Name())) ++count;
    }
    return count;
}

String TNimboGroups::RefusedSwitch() const
{
    // The name a user could type on the page, and no other.
    const String& group = RunSwitches().group;
    if (group.empty() || IsProgManName(group)) return String();
    return Format(NimboMessageText(controller_, msgGroupNameRefused), group);
}

bool TNimboGroups::Skipped() const { return RunSwitches().noIcons || ProgramFileCount() == 0; }

void TNimboGroups::ShowPage()
{
    TNimboPage::ShowPage();
    // Nothing to show of a page that makes no group.
    if (!controller_ || Skipped()) return;
    TNimboPagesForm* f = NimboPagesForm;
    String text;
    if (text_.Count() > 0) {
        for (int i = 0; i < text_.Count(); ++i) text += text_[i] + "\r\n";
    } else {
        text = NimboMessageText(controller_, msgGroupsIntent) + "\r\n\r\n" +
               NimboMessageText(controller_, msgGroupsChoose) + "\r\n\r\n" +
               NimboMessageText(controller_, msgGroupsAccept);
    }
    f->meCWGActions->Lines()->Clear();
    f->meCWGActions->Lines()->Add(text);
    f->SetCaption(NimboMessageText(controller_, msgGroupsCaption));
    f->nbPage->SetPageIndex(wpGroups);
    FillGroupList();
}

void TNimboGroups::FillGroupList()
{
    TComboBox* combo = NimboPagesForm->cbCWGGroups;
    TStringList groups;
    // Unattended, nothing may start Program Manager (a window); and where
    // no Program Manager answers, the groups are those the page makes its
    // group among: the program folder of the run's scope.
    if (!Unattended() && OpenProgMan()) {
        groups.SetText(ProgManGroups());
        CloseProgMan();
    } else {
        ListGroupFolders(groups, ScopeGroupsCommon());
    }
    for (int i = groups.Count() - 1; i >= 0; --i)
        if (groups[i].empty()) groups.Delete(i);
    existingGroups_.Assign(groups);
    const TNimboWinGroups* record = Groups();
    const String title = !RunSwitches().group.empty() ? RunSwitches().group : record ? record->Title() : String();
    bool listed = false;
    for (int i = 0; i < groups.Count() && !listed; ++i) listed = SameText(groups[i], title);
    if (!listed && !title.empty()) groups.Add(title);
    combo->Items()->Assign(groups);
    combo->SetText(title);
}

void TNimboGroups::PageActive()
{
    if (Skipped()) DoNext();
}

bool TNimboGroups::GroupExists(const String& group) const
{
    // The shell keeps "Tools." as the folder "Tools": that group is there.
    const String stored = StoredFileName(group);
    for (int i = 0; i < existingGroups_.Count(); ++i)
        if (SameText(StoredFileName(existingGroups_[i]), stored)) return true;
    return GroupFolderExists(group, ScopeGroupsCommon());
}

void TNimboGroups::GroupFailed(const String& group)
{
    ShowMessageDialog(controller_, Format(NimboMessageText(controller_, msgGroupNotCreated), group), mtError,
                      NimboDialogButton(mbOK));
}

void TNimboGroups::CreateItems(const String& group,
                               const std::function<bool(const TNimboWinItem*, const String&)>& make)
{
    const TNimboWinGroups* record = Groups();
    if (!record) return;
    for (const TNimboWinItem* item : record->Items()) {
        const String path = ItemPath(item);
        if (path.empty() || !controller_->IsFileSelected(item->ItemFile(), item->Dir()) || !FileExists(path)) continue;
        const bool possible = CanMakeItem(item, path);
        // Recorded first: an item whose making failed may still exist.
        if (possible) controller_->AddGroupEntry(item->Name(), group);
        if (possible && make(item, path))
            RunLog("Program item made: " + item->Name() + " in " + group + ", starting " + path);
        else
            ShowMessageDialog(controller_, Format(NimboMessageText(controller_, msgGroupItemNotCreated), item->Name()),
                              mtError, NimboDialogButton(mbOK));
    }
}

bool TNimboGroups::SendCommands(const String& group, bool existing)
{
    TGroupWindowWatch windows;
    if (!OpenProgMan()) {
        RunLog("No Program Manager answers: the group is made in the Start menu.");
        return false;
    }
    windows.Start(ProgManProcess());
    if (!existing) controller_->AddGroupEntry("", group);
    // The shell keeps the group as a folder and its items as links in it,
    // which it makes on these commands: they are written down first.
    const TShellGroupFolders folders(group);
    folders.WriteDown(controller_->Journal());
    // Everybody's group for a machine-wide run, the user's for a per-user
    // one: said both ways, since without the flag a shell makes an
    // administrator's group everybody's. Waited for, to see where it is.
    const String common = ScopeGroupsCommon() ? "1" : "0";
    const bool made = ProgManExecute("[CreateGroup(" + ProgManArg(group) + "," + common + ")]", true);
    if (folders.Settle(*controller_)) controller_->AddGroupEntry("", group);
    CloseProgMan();
    if (made) RunLog("Program group made by Program Manager: " + group);
    if (!made) {
        // Refused (a shell that may not write to everybody's Start menu,
        // where this run may): the page makes the group itself.
        RunLog("Program Manager did not make the group: it is made in the Start menu.");
        return false;
    }
    OpenProgMan();
    const std::vector<String> present = folders.Present();
    CreateItems(group, [this, &present](const TNimboWinItem* item, const String& path) {
        return AddItem(present, item, path);
    });
    CloseProgMan();
    // Waited for: once it is carried out, so is every command before it,
    // and the shell has started the windows that show the group.
    if (OpenProgMan()) ProgManExecute("[ShowGroup(" + ProgManArg(group) + ", 7)]", true);
    CloseProgMan();
    windows.CloseOpened(group, kFolderWindowWaitMs);
    return true;
}

bool TNimboGroups::AddItem(const std::vector<String>& folders, const TNimboWinItem* item, const String& path)
{
    for (const String& folder : folders)
        if (!KeptInJournal(ItemLinkPath(folder, item->Name()))) return false;
    // Waited for and looked at: a shell may refuse an item (Wine's takes
    // nothing behind a quoted path) or not answer at all.
    ShowProgress(item->Name());
    if (!CommandCarries(item)) {
        if (folders.empty()) return false;
        RunLog("The arguments of the item " + item->Name() +
               " cannot go through Program Manager: it is made as a "
               "shell link.");
        return WriteShellLink(ItemLinkPath(folders.front(), item->Name()), ItemLink(item, path));
    }
    const String command = Format("[AddItem(\"%s\" %s,%s)]", path, item->CommandLine(), ProgManArg(item->Name()));
    const bool carried = ProgManExecute(command, true);
    // A Program Manager that keeps no folder for the group: its answer is
    // all there is to go by.
    if (folders.empty()) return carried;
    for (const String& folder : folders)
        if (carried && FileExists(ItemLinkPath(folder, item->Name()))) return true;
    RunLog("Program Manager did not make the item " + item->Name() + ": it is made as a shell link.");
    return WriteShellLink(ItemLinkPath(folders.front(), item->Name()), ItemLink(item, path));
}

void TNimboGroups::ShowProgress(const String& what)
{
    // The commands may take a while (a shell starting its folder windows):
    // the page says what it is doing meanwhile.
    TNimboPagesForm* f = NimboPagesForm;
    f->meCWGActions->Lines()->Clear();
    f->meCWGActions->Lines()->Add(Format(NimboMessageText(controller_, msgGroupsWorking), what));
    RedrawWindow(f->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TNimboGroups::MakeFolders(const String& group, bool existing)
{
    if (!existing) controller_->AddGroupEntry("", group);
    // In the Start menu of the run's scope: everybody's for a machine-wide
    // run, the user's for a per-user one. Made through the journal;
    // MakeGroupFolder then finds it there. Only a folder that was not
    // there is this installation's.
    const bool common = ScopeGroupsCommon();
    const String planned = GroupFolder(ProgramsFolder(common), group);
    const bool fresh = !planned.empty() && !DirectoryExists(planned);
    if (!planned.empty()) controller_->Journal().Destination(planned);
    if (fresh) controller_->Journal().MakeDirs(planned);
    const String folder = MakeGroupFolder(group, common);
    if (!folder.empty()) RunLog(String(fresh ? "Program group made: " : "Program group used: ") + folder);
    if (folder.empty()) {
        GroupFailed(group);
    } else if (fresh) {
        controller_->AddGroupEntry("", group);
        controller_->AddGroupFolder(folder);
    }
    CreateItems(group, [this, &folder](const TNimboWinItem* item, const String& path) {
        if (folder.empty()) return false;
        const String link = ItemLinkPath(folder, item->Name());
        return KeptInJournal(link) && WriteShellLink(link, ItemLink(item, path));
    });
}

bool TNimboGroups::KeptInJournal(const String& link)
{
    // A link that cannot be written down first is not made: the item is
    // reported as not created.
    try {
        controller_->Journal().Destination(ExtractFileDir(link));
        controller_->Journal().PrepareTarget(link);
        return true;
    } catch (const EInOutError&) {
        return false;
    }
}

void TNimboGroups::DoNext()
{
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    if (Skipped()) {
        if (RunSwitches().noIcons) RunLog("No program group: /NOICONS.");
        state_ = psDone;
        TNimboPage::DoNext();
        return;
    }
    const String group = f->cbCWGGroups->Text();
    if (group.empty() || !IsProgManName(group)) {
        const String text = group.empty() ? NimboMessageText(controller_, msgGroupBlank)
                                          : Format(NimboMessageText(controller_, msgGroupNameRefused), group);
        ShowMessageDialog(controller_, text, mtWarning, NimboDialogButton(mbOK));
        // Unattended, the page would take the same name again: the run ends.
        state_ = Unattended() ? psCancelled : psPrevious;
        return;
    }
    // Looked at before anything is made: a group that is there already
    // (the user's) is never recorded as this installation's.
    const bool existing = GroupExists(group);
    madeGroup_ = true;
    if (Unattended()) {
        MakeFolders(group, existing);
    } else {
        progMan_ = FindWindowA("progman", nullptr);
        if (!minimizeTimer_) {
            minimizeTimer_ = NewComponent<TTimer>(this);
            minimizeTimer_->SetEnabled(false);
            minimizeTimer_->SetInterval(1000);
            minimizeTimer_->SetOnTimer([this](TObject* sender) { MinimizeTick(sender); });
        }
        shownGroup_ = group;
        ShowProgress(group);
        if (!SendCommands(group, existing)) MakeFolders(group, existing);
        ShowWindow(f->Handle(), SW_SHOWNORMAL);
        minimizeTicks_ = 0;
        minimizeTimer_->SetEnabled(true);
    }
    state_ = psDone;
    TNimboPage::DoNext();
}

void TNimboGroups::MinimizeTick(TObject*)
{
    // The shell shows the group late, but not this late: after that the
    // windows in front are the user's business, not the page's.
    if (++minimizeTicks_ >= kMinimizeTicks) minimizeTimer_->SetEnabled(false);
    // A shell that shows the group in a window of its own process, late.
    CloseGroupWindows(shownGroup_);
    if (!minimizeProgMan_) return;
    // The window in front, whichever process owns it: the active window of
    // this thread is never Program Manager's.
    const HWND front = GetForegroundWindow();
    if (front && front == progMan_)
        ShowWindow(front, SW_MINIMIZE);
    else if (front && front != GetDesktopWindow() && !IsGroupWindow(front, shownGroup_))
        return;
    // Nothing is in front once the shell's window went down or away (a
    // window manager then gives the front to the desktop): ours
    // comes back, the one waiting for an answer, which is the only one
    // enabled while a box or dialog is up (the thread's windows are listed
    // top first).
    const std::vector<HWND> ours = EnabledThreadWindows();
    if (!ours.empty()) SetForegroundWindow(ours.front());
}
