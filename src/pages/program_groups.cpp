#include "pages/program_groups.h"

#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "pages/progman.h"

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
}  // namespace

TNimboGroups::TNimboGroups() = default;

TNimboWinGroups* TNimboGroups::Groups() const
{
    return script_ ? script_->FindWinGroup(Name()) : nullptr;
}

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

void TNimboGroups::ShowPage()
{
    TNimboPage::ShowPage();
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    String text;
    if (text_.Count() > 0) {
        for (int i = 0; i < text_.Count(); ++i)
            text += text_[i] + "\r\n";
    } else {
        text = NimboMessageText(controller_, 59) + "\r\n\r\n" + NimboMessageText(controller_, 60) + "\r\n\r\n" +
               NimboMessageText(controller_, 61);
    }
    f->meCWGActions->Lines()->Clear();
    f->meCWGActions->Lines()->Add(text);
    f->SetCaption(NimboMessageText(controller_, 58));
    f->nbPage->SetPageIndex(2);
    FillGroupList();
}

void TNimboGroups::FillGroupList()
{
    TComboBox* combo = NimboPagesForm->cbCWGGroups;
    TStringList groups;
    OpenProgMan();
    groups.SetText(ProgManGroups());
    CloseProgMan();
    for (int i = groups.Count() - 1; i >= 0; --i)
        if (groups[i].empty()) groups.Delete(i);
    existingGroups_.Assign(groups);
    const TNimboWinGroups* record = Groups();
    const String title = record ? record->Title() : String();
    bool listed = false;
    for (int i = 0; i < groups.Count() && !listed; ++i)
        listed = SameText(groups[i], title);
    if (!listed && !title.empty()) groups.Add(title);
    combo->Items()->Assign(groups);
    combo->SetText(title);
}

void TNimboGroups::PageActive()
{
    if (ProgramFileCount() == 0) DoNext();
}

void TNimboGroups::CreateGroup(const String& group)
{
    OpenProgMan();
    bool existing = false;
    for (int i = 0; i < existingGroups_.Count() && !existing; ++i)
        existing = SameText(existingGroups_[i], group);
    if (!existing) controller_->AddGroupEntry("", group);
    if (!ProgManExecute(Format("[CreateGroup(%s)]", group)))
        ShowMessageDialog(controller_, Format(NimboMessageText(controller_, 63), group), mtError,
                          NimboDialogButton(mbOK));
    CloseProgMan();
}

void TNimboGroups::CreateItems(const String& group)
{
    const TNimboWinGroups* record = Groups();
    if (!record) return;
    OpenProgMan();
    for (const TNimboWinItem* item : record->Items()) {
        const String path = ItemPath(item);
        if (path.empty() || !controller_->IsFileSelected(item->ItemFile(), item->Dir()) || !FileExists(path)) continue;
        // Recorded first: an item whose command failed may still exist.
        controller_->AddGroupEntry(item->Name(), group);
        if (!ProgManExecute(Format("[AddItem(\"%s\" %s,%s)]", path, item->CommandLine(), item->Name())))
            ShowMessageDialog(controller_, Format(NimboMessageText(controller_, 64), item->Name()), mtError,
                              NimboDialogButton(mbOK));
    }
    CloseProgMan();
}

void TNimboGroups::DoNext()
{
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    if (ProgramFileCount() == 0) {
        state_ = psDone;
        TNimboPage::DoNext();
        return;
    }
    const String group = f->cbCWGGroups->Text();
    if (group.empty()) {
        ShowMessageDialog(controller_, NimboMessageText(controller_, 62), mtWarning, NimboDialogButton(mbOK));
        state_ = psPrevious;
        return;
    }
    progMan_ = FindWindowA("progman", nullptr);
    if (!minimizeTimer_) {
        minimizeTimer_ = NewComponent<TTimer>(this);
        minimizeTimer_->SetEnabled(false);
        minimizeTimer_->SetInterval(1000);
        minimizeTimer_->SetOnTimer([this](TObject* sender) { MinimizeTick(sender); });
    }
    CreateGroup(group);
    CreateItems(group);
    shownGroup_ = group;
    if (OpenProgMan()) ProgManExecute(Format("[ShowGroup(%s, 7)]", group));
    CloseProgMan();
    ShowWindow(f->Handle(), SW_SHOWNORMAL);
    if (minimizeProgMan_) minimizeTimer_->SetEnabled(true);
    state_ = psDone;
    TNimboPage::DoNext();
}

bool TNimboGroups::IsProgManWindow(HWND h) const
{
    if (!h) return false;
    if (h == progMan_) return true;
    // Today's shells answer ShowGroup with the group's folder window.
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == GetCurrentProcessId() || shownGroup_.empty()) return false;
    char cls[64] = "", title[256] = "";
    GetClassNameA(h, cls, sizeof cls);
    GetWindowTextA(h, title, sizeof title);
    return (SameText(cls, "CabinetWClass") || SameText(cls, "ExplorerWClass")) && SameText(title, shownGroup_);
}

void TNimboGroups::MinimizeTick(TObject*)
{
    // The window in front, whichever process owns it: the active window of
    // this thread is never Program Manager's.
    const HWND front = GetForegroundWindow();
    if (!minimizeProgMan_) return;
    if (IsProgManWindow(front))
        ShowWindow(front, SW_MINIMIZE);
    else if (front)
        return;
    // Nothing is in front once the shell's window went down or away (its
    // folder window can appear late, after our next box): ours comes back,
    // the one waiting for an answer, which is the only one enabled while a
    // box or dialog is up (the thread's windows are listed top first).
    const std::vector<HWND> ours = EnabledThreadWindows();
    if (!ours.empty()) SetForegroundWindow(ours.front());
}
