#include "pages/dir_choice.h"

#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/run_switches.h"
#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboDirChoice, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboDirChoice)
                       .Bool("AllowDirChange", &TNimboDirChoice::SetAllowDirChange)
                       .Bool("DoInvisible", &TNimboDirChoice::SetDoInvisible)
                       .Str("InstallDir", &TNimboDirChoice::SetInstallDir)
                       .Int("PreserveTrailing", &TNimboDirChoice::SetPreserveTrailing)
                       .Lines("SelectText", &TNimboDirChoice::SelectText)
                       .Lines("Text", &TNimboDirChoice::Text)
                       .Str("TargetDir", &TNimboDirChoice::SetTargetDir))

namespace {
bool IsDriveRoot(const String& path) { return path.size() >= 2 && path.size() <= 3 && path[1] == ':'; }

// A drive letter that names no drive of this machine ("Q:").
bool DriveMissing(const String& path)
{
    if (path.size() < 2 || path[1] != ':') return false;
    return GetDriveTypeA((path.substr(0, 2) + "\\").c_str()) == DRIVE_NO_ROOT_DIR;
}

}  // namespace

TNimboDirChoice::TNimboDirChoice() = default;

TNimboDir* TNimboDirChoice::InstallDirEntry() const
{
    if (!script_ || installDir_.empty() || installDir_ == "(none)") return nullptr;
    return script_->FindDir(installDir_);
}

String TNimboDirChoice::TargetDir() const
{
    const TNimboDir* dir = InstallDirEntry();
    return dir ? dir->Dir() : String();
}

void TNimboDirChoice::SetTargetDir(const String& v)
{
    String p = v;
    if (!controller_ || installDir_.empty() || NormaliseTargetPath(p) != TTargetPathCheck::tpOk) return;
    // A name that designates no script directory has nowhere to keep it.
    if (TNimboDir* dir = InstallDirEntry()) dir->SetDir(p);
}

unsigned TNimboDirChoice::TypedPathRefusal(String& typed) const
{
    switch (NormaliseTargetPath(typed)) {
    case TTargetPathCheck::tpNetwork:
        return msgNetworkPath;
    case TTargetPathCheck::tpNotFull:
        return msgPathNotFull;
    case TTargetPathCheck::tpOk:
        break;
    }
    return TargetRefusal(typed);
}

unsigned TNimboDirChoice::TargetRefusal(const String& target) const
{
    if (DriveMissing(target)) return msgDriveMissing;
    return IsDriveRoot(target) ? msgDriveRoot : 0;
}

void TNimboDirChoice::RefuseTarget(const String& text)
{
    ShowMessageDialog(controller_, text, mtWarning, NimboDialogButton(mbOK));
    if (!Unattended()) {
        state_ = psWaiting;
        return;
    }
    // Nobody can choose another: the run ends here, with the reason.
    RunLog("Error: " + text);
    SetRunExitCode(RunSwitches().dir.empty() ? exitFailed : exitBadCommandLine);
    state_ = psCancelled;
}

String TNimboDirChoice::RefusalText(unsigned message, const String& path) const
{
    const String text = NimboMessageText(controller_, message);
    if (message == msgDriveMissing) return Format(text, path.substr(0, 2));
    return message == msgPathNotFull || message == msgDriveRoot ? Format(text, path) : text;
}

uint8_t TNimboDirChoice::Execute()
{
    if (!script_) {
        state_ = psCancelled;
        return psCancelled;
    }
    if (!ApplyDirSwitch()) {
        state_ = psCancelled;
        return psCancelled;
    }
    if (!doInvisible_) return TNimboPage::Execute();
    if (controller_) controller_->SelectDir(InstallDirEntry(), false);
    state_ = psDone;
    DoNext();
    // A refused target ends the run here: nothing can be installed.
    return state_ == psDone ? psDone : psCancelled;
}

bool TNimboDirChoice::ApplyDirSwitch()
{
    // The command line's destination, taken once, checked as a typed one.
    const String& wanted = RunSwitches().dir;
    if (wanted.empty() || dirSwitchTaken_ || !controller_) return true;
    dirSwitchTaken_ = true;
    SetTargetDir(wanted);
    if (SameText(TargetDir(), AddBackslash(wanted))) return true;
    RunLog("Error: the destination " + wanted + " is not a full path on a drive.");
    SetRunExitCode(exitBadCommandLine);
    if (!Unattended())
        ShowMessageDialog(controller_, "The destination " + wanted + " is not a full path on a drive.", mtError,
                          NimboDialogButton(mbOK));
    return !Unattended();
}

void TNimboDirChoice::ShowPage()
{
    TNimboPage::ShowPage();
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    TMemo* memo = f->meCDLIntent;
    memo->SetScrollBars(ssNone);
    memo->SetBorderStyle(bsNoBorder);
    memo->SetReadOnly(true);
    memo->SetEnabled(true);
    const String text = PageText("Text", text_.Count() > 0 ? text_.Text() : String());
    if (!text.empty())
        memo->Lines()->SetText(text);
    else
        memo->Lines()->SetText(Format(NimboMessageText(controller_, msgDirIntent), AppName()));
    if (controller_->Installed().found && SameText(TargetDir(), controller_->Installed().folder))
        memo->Lines()->Add(Format(NimboMessageText(controller_, msgInstalledHere), controller_->ProductName()));
    String second = "\r\n";
    if (allowDirChange_) second += NimboMessageText(controller_, msgDirMayChange) + "  ";
    second += NimboMessageText(controller_, msgDirAccept) + "\r\n\r\n" + NimboMessageText(controller_, msgDirMayHalt);
    memo->Lines()->Add(second);
    const int lineHeight = f->Canvas().TextHeight("X");
    if (lineHeight * memo->DisplayLineCount() > memo->Height()) {
        memo->SetScrollBars(ssVertical);
        memo->SetBorderStyle(bsSingleBorder);
    }
    f->SetCaption(NimboMessageText(controller_, msgDirCaption));
    f->btnCDLBrowse->SetEnabled(allowDirChange_);
    f->btnCDLBrowse->SetCaption(NimboMessageText(controller_, msgDirBrowse));
    f->gbCDLDestination->SetCaption(NimboMessageText(controller_, msgDirLabel));
    f->laCDLDirectory->SetCaption(ShortenPath(TargetDir(), f->laCDLDirectory->Width(), f));
    f->nbPage->SetPageIndex(wpDirChoice);
}

void TNimboDirChoice::ButtonClick(TObject* sender)
{
    if (NimboPagesForm && sender == NimboPagesForm->btnCDLBrowse) RunSelectionView();
}

void TNimboDirChoice::PointTreeAtTarget()
{
    TDirectoryListBox* tree = NimboPagesForm->lsbSDDirs;
    String t = TargetDir();
    // Up from a directory that does not exist (yet) to the nearest one that
    // does; a path has fewer levels than this bound.
    for (int level = 0; level < MAX_PATH && !t.empty(); ++level) {
        try {
            tree->SetDirectory(t);
            return;
        } catch (const EInOutError&) {
        }
        if (IsDriveRoot(t)) break;
        const String s = RemoveBackslash(t);
        const size_t p = s.find_last_of("\\:");
        if (p == String::npos) break;
        t = s.substr(0, p + 1);
    }
    // Not even the drive exists: the current drive's root.
    const String current = CurrentDirectory();
    if (current.size() < 2 || current[1] != ':') return;
    try {
        tree->SetDirectory(current.substr(0, 2) + "\\");
    } catch (const EInOutError&) {
        // The tree keeps what it shows; the path field still gets the target.
    }
}

void TNimboDirChoice::RunSelectionView()
{
    TNimboPagesForm* f = NimboPagesForm;
    f->SetCaption(NimboMessageText(controller_, msgSelectDirCaption));
    f->lblSDPathLabel->SetCaption(NimboMessageText(controller_, msgSelectDirPath));
    TMemo* memo = f->memSDIntent;
    memo->SetReadOnly(true);
    memo->SetEnabled(true);
    memo->Lines()->Clear();
    if (selectText_.Count() > 0)
        memo->Lines()->Assign(selectText_);
    else
        memo->Lines()->Add(Format(NimboMessageText(controller_, msgSelectDirIntent), AppName()));
    PointTreeAtTarget();
    f->edtSDPath->SetText(TargetDir());

    const bool prevEnabled = f->btnPrev->Enabled(), nextEnabled = f->btnNext->Enabled(),
               cancelEnabled = f->btnCancel->Enabled();
    auto restore = [&] {
        f->btnPrev->SetEnabled(prevEnabled);
        f->btnNext->SetEnabled(nextEnabled);
        f->btnCancel->SetEnabled(cancelEnabled);
        f->nbPage->SetPageIndex(wpDirChoice);
        // The main view again, under its own caption.
        f->SetCaption(NimboMessageText(controller_, msgDirCaption));
    };
    f->btnPrev->SetEnabled(true);
    f->btnNext->SetEnabled(true);
    f->btnCancel->SetEnabled(true);
    f->nbPage->SetPageIndex(wpSelectDirectory);
    try {
        for (;;) {
            state_ = psWaiting;
            WaitForState();
            if (state_ != psNext) break;
            // A path that cannot be used is refused with the reason, and
            // the view stays for the user to correct it.
            String typed = f->edtSDPath->Text();
            const unsigned refusal = TypedPathRefusal(typed);
            if (refusal == 0) {
                SetTargetDir(typed);
                f->laCDLDirectory->SetCaption(TargetDir());
                break;
            }
            ShowMessageDialog(controller_, RefusalText(refusal, typed), mtWarning, NimboDialogButton(mbOK));
        }
        if (state_ == psPrevious) state_ = psWaiting;
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TNimboDirChoice::DoNext()
{
    if (!controller_ || !script_) return;
    // The directory as the user saw it; an invisible page showed nothing.
    const String shown = doInvisible_ || !NimboPagesForm ? TargetDir() : NimboPagesForm->laCDLDirectory->Caption();
    if (!shown.empty()) {
        const char drive = static_cast<char>(toupper(static_cast<unsigned char>(shown[0])));
        if (drive == 'A' || drive == 'B') {
            RefuseTarget(NimboMessageText(controller_, msgDirNoFloppy));
            return;
        }
    }
    const String target = TargetDir();
    if (const unsigned refusal = TargetRefusal(target)) {
        RefuseTarget(RefusalText(refusal, target));
        return;
    }
    if (doInvisible_ || DirectoryExists(RemoveBackslash(target))) {
        controller_->SelectDir(InstallDirEntry(), false);
    } else {
        const int answer = ShowMessageDialog(controller_, Format(NimboMessageText(controller_, msgDirCreate), target),
                                             mtConfirmation, NimboDialogButton(mbYes) | NimboDialogButton(mbNo));
        if (answer == mrNo) {
            state_ = psPrevious;
            return;
        }
        if (answer != mrYes) {
            // Closed without an answer: nothing was decided, stay here.
            state_ = psWaiting;
            return;
        }
        controller_->SelectDir(InstallDirEntry(), false);
    }
    state_ = psDone;
    NextOfChain();
}

void TNimboDirChoice::NextOfChain()
{
    if (NimboPagesForm) {
        TNimboPage::DoNext();
        return;
    }
    // An invisible first page: no dialog yet, so no Next button to ask;
    // the next page opens the dialog and its result is the run's.
    if (OnNextPage) OnNextPage(this);
    if (nextPage_ && state_ == psDone && nextPage_->Execute() == psCancelled) state_ = psCancelled;
}

void TNimboDirChoice::DoPrevious()
{
    if (controller_) controller_->UnselectDir(InstallDirEntry());
    TNimboPage::DoPrevious();
}
