#include "engine/wizard/pages_form.h"

#include "engine/nimbo_component.h"
#include "engine/nimbo_info.h"
#include "framework/properties.h"
#include "engine/message_dialog.h"
#include "engine/path_routines.h"
#include "engine/run_switches.h"
#include "framework/win32/progress_bar.h"

TNimboPagesForm* NimboPagesForm = nullptr;
TNimboPage* KickOffPage = nullptr;
std::exception_ptr KickOffError;
String CancelPrompt;
TNimboInfo* PromptController = nullptr;

NIMBO_DEFINE_CLASS(TNimboPagesForm, TForm, false,
                   p.Method("FormCreate", &TNimboPagesForm::FormCreate)
                       .Method("btnCDLBrowseClick", &TNimboPagesForm::btnCDLBrowseClick)
                       .Method("btnNextClick", &TNimboPagesForm::btnNextClick)
                       .Method("btnPrevClick", &TNimboPagesForm::btnPrevClick)
                       .Method("btnCancelClick", &TNimboPagesForm::btnCancelClick)
                       .Method("btnBDEReinstallClick", &TNimboPagesForm::btnBDEReinstallClick)
                       .Method("lsbSDDirsChange", &TNimboPagesForm::lsbSDDirsChange)
                       .Method("timKickOffTimer", &TNimboPagesForm::timKickOffTimer)
                       .Method("FormShow", &TNimboPagesForm::FormShow))

namespace {
template <class T> void Bind(TForm* form, T*& field, const char* name)
{
    field = dynamic_cast<T*>(form->FindComponent(name));
    if (!field) throw EReadError(String("The wizard dialog's resource has no ") + name);
}
}  // namespace

void TNimboPagesForm::Loaded()
{
    TForm::Loaded();
    Bind(this, bvlHorizontal, "bvlHorizontal");
    Bind(this, btnPrev, "btnPrev");
    Bind(this, btnNext, "btnNext");
    Bind(this, btnCancel, "btnCancel");
    Bind(this, nbPage, "nbPage");
    Bind(this, pnBitmap, "pnBitmap");
    Bind(this, imSetup, "imSetup");
    Bind(this, meCDLIntent, "meCDLIntent");
    Bind(this, gbCDLDestination, "gbCDLDestination");
    Bind(this, laCDLDirectory, "laCDLDirectory");
    Bind(this, btnCDLBrowse, "btnCDLBrowse");
    Bind(this, laFCFileInfo, "laFCFileInfo");
    Bind(this, laFCFilesLeft, "laFCFilesLeft");
    Bind(this, laFCSource, "laFCSource");
    Bind(this, laFC1, "laFC1");
    Bind(this, laFC2, "laFC2");
    Bind(this, laFCTarget, "laFCTarget");
    Bind(this, meFCActions, "meFCActions");
    Bind(this, meCWGActions, "meCWGActions");
    Bind(this, cbCWGGroups, "cbCWGGroups");
    Bind(this, DDEClient, "DDEClient");
    Bind(this, paObscure, "paObscure");
    Bind(this, meBDEIntent, "meBDEIntent");
    Bind(this, btnBDEReinstall, "btnBDEReinstall");
    Bind(this, meUNIIntent, "meUNIIntent");
    Bind(this, meMSGIntent, "meMSGIntent");
    Bind(this, lblMDIIntent, "lblMDIIntent");
    Bind(this, laFCFile, "laFCFile");
    Bind(this, laFCTotal, "laFCTotal");
    Bind(this, lsbSDDirs, "lsbSDDirs");
    Bind(this, dcbSDDrive, "dcbSDDrive");
    Bind(this, lblSDPathLabel, "lblSDPathLabel");
    Bind(this, memSDIntent, "memSDIntent");
    Bind(this, edtSDPath, "edtSDPath");
    Bind(this, rdgLSLanguage, "rdgLSLanguage");
    Bind(this, cbMSGCheck, "cbMSGCheck");
    Bind(this, meLICText, "meLICText");
    Bind(this, rbLICAccept, "rbLICAccept");
    Bind(this, rbLICDecline, "rbLICDecline");
    Bind(this, pbrFCFile, "pbrFCFile");
    Bind(this, pbrFCProgress, "pbrFCProgress");
    Bind(this, timKickOff, "timKickOff");
}

void TNimboPagesForm::Notification(TComponent* component, TOperation operation)
{
    TForm::Notification(component, operation);
    if (operation == TOperation::opRemove && component == CurrentPage) CurrentPage = nullptr;
}

void TNimboPagesForm::FormCreate(TObject*) {}

void TNimboPagesForm::FormShow(TObject*) { timKickOff->SetEnabled(true); }

void TNimboPagesForm::timKickOffTimer(TObject*)
{
    if (timKickOff->Tag() == 1) return;
    timKickOff->SetTag(1);
    timKickOff->SetEnabled(false);
    // The whole chain runs inside this call; the dialog closes when it
    // ends, also when a page raised, so the modal run always returns. An
    // error goes on to the page that opened the dialog, which ends the run.
    try {
        if (KickOffPage) KickOffPage->Execute();
    } catch (...) {
        KickOffError = std::current_exception();
    }
    Close();
}

// A click that arrives for a disabled button (a posted BM_CLICK, say) is
// not a user's click: the page offers no such way out.
void TNimboPagesForm::btnNextClick(TObject*)
{
    if (CurrentPage && btnNext->Enabled()) CurrentPage->SetState(psNext);
}

void TNimboPagesForm::btnPrevClick(TObject*)
{
    if (CurrentPage && btnPrev->Enabled()) CurrentPage->SetState(psPrevious);
}

void TNimboPagesForm::btnCancelClick(TObject*)
{
    if (!btnCancel->Enabled()) return;
    const int answer = ShowMessageDialog(PromptController, CancelPrompt, mtConfirmation,
                                         NimboDialogButton(mbYes) | NimboDialogButton(mbNo));
    if (answer == mrNo) {
        SetModalResult(mrNone);
        return;
    }
    SetModalResult(mrCancel);
    // The user's own choice, in every mode: the run ends with "cancelled",
    // whatever it then says of the pages it leaves.
    RunLog("Cancelled by the user.");
    SetRunExitCode(exitCancelled);
    if (CurrentPage) CurrentPage->SetState(psCancelled);
}

void TNimboPagesForm::btnCDLBrowseClick(TObject* sender)
{
    if (CurrentPage) CurrentPage->ButtonClick(sender);
}

void TNimboPagesForm::btnBDEReinstallClick(TObject* sender)
{
    if (CurrentPage) CurrentPage->ButtonClick(sender);
}

void TNimboPagesForm::lsbSDDirsChange(TObject*)
{
    auto* target = dynamic_cast<INimboBrowseTarget*>(CurrentPage);
    if (!target) throw EInvalidCast();
    edtSDPath->SetText(
        ComposeBrowsePath(lsbSDDirs->Directory(), target->BrowseTargetDir(), target->BrowsePreserveTrailing()));
}

bool TNimboPagesForm::HandleUserMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (msg != WM_NIMBO_PROGRESS) return false;
    pbrFCFile->AddProgress(static_cast<int>(lParam));
    pbrFCProgress->AddProgress(static_cast<int>(lParam));
    result = OnExpandProgress && OnExpandProgress() ? 1 : 0;
    return true;
}

LRESULT TNimboPagesForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // Closing the dialog from the system menu or Alt+F4 is a Cancel, with
    // its confirmation; the kick-off ends the modal run itself.
    if (msg == WM_CLOSE) {
        if (CurrentPage && btnCancel->Enabled() && btnCancel->Visible()) btnCancelClick(btnCancel);
        return 0;
    }
    return TForm::WndProc(msg, wParam, lParam);
}

TNimboPagesForm* CreateNimboPagesForm()
{
    auto* f = NewComponent<TNimboPagesForm>(Application);
    try {
        f->ReadFormResource("TNIMBOPAGESFORM");
    } catch (...) {
        f->Free();
        throw;
    }
    return f;
}

void FreeNimboPagesForm()
{
    if (!NimboPagesForm) return;
    TNimboPagesForm* f = NimboPagesForm;
    NimboPagesForm = nullptr;
    f->Free();
}
