#include "app/nimbo_form.h"

#include "engine/file_routines.h"
#include "engine/machine_entries.h"
#include "engine/run_switches.h"
#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboForm, TForm, false,
                   p.Str("UnInstallName", &TNimboForm::SetUnInstallName)
                       .Str("ReadMe", &TNimboForm::SetReadMe)
                       .Ref("RunAfter", &TNimboForm::SetRunAfter)
                       .Ref("DesktopIcons", &TNimboForm::SetDesktopIcons)
                       .Method("FormCreate", &TNimboForm::FormCreate)
                       .Method("suGroupsNextPage", &TNimboForm::suGroupsNextPage)
                       .Method("FinishNextPage", &TNimboForm::FinishNextPage)
                       .Method("suUnInstallCleanup", &TNimboForm::suUnInstallCleanup)
                       .Method("suInstallTypeNextPage", &TNimboForm::suInstallTypeNextPage))

namespace {
template <class T> T* Find(TForm* form, const char* name) { return dynamic_cast<T*>(form->FindComponent(name)); }
}  // namespace

void TNimboForm::Loaded()
{
    TForm::Loaded();
    suInfo = Find<TNimboInfo>(this, "suInfo");
    suDir = Find<TNimboDirChoice>(this, "suDir");
    suWelcome = Find<TNimboMessage>(this, "suWelcome");
    suPreFileCopy = Find<TNimboMessage>(this, "suPreFileCopy");
    suCopy = Find<TNimboFileCopy>(this, "suCopy");
    suGroups = Find<TNimboGroups>(this, "suGroups");
    suProg = Find<TNimboProgExec>(this, "suProg");
    suUnInstall = Find<TNimboUnInstall>(this, "suUnInstall");
    NimboBackground1 = Find<TNimboBackground>(this, "NimboBackground1");
    suInstallType = Find<TNimboRadioChoice>(this, "suInstallType");
    suOptions = Find<TNimboCheckBoxChoice>(this, "suOptions");
    if (!suInfo) throw EReadError("The setup form's resource has no suInfo");
}

void TNimboForm::FormCreate(TObject*)
{
    SetCaption(suInfo->AppName() + " Setup Program");
    Application->SetTitle(Caption());
}

void TNimboForm::Notification(TComponent* component, TOperation operation)
{
    TForm::Notification(component, operation);
    if (operation == TOperation::opRemove && component == runAfter_) runAfter_ = nullptr;
    if (operation == TOperation::opRemove && component == desktopIcons_) desktopIcons_ = nullptr;
}

String TNimboForm::RegistrationName() const
{
    return !unInstallName_.empty() || !suInfo ? unInstallName_ : suInfo->AppName();
}

void TNimboForm::suGroupsNextPage(TObject*)
{
    if (suDir && suProg && !readMe_.empty()) {
        const String readMe = suDir->TargetDir() + readMe_;
        if (FileExists(readMe) && MessageDlg(Format("Would you like to read the %s file?", readMe_), mtConfirmation,
                                             (1u << mbYes) | (1u << mbNo)) == mrYes) {
            // Quoted: the target directory may hold blanks.
            suProg->SetCommandLine("\"" + readMe + "\"");
            suProg->Execute();
        }
    }
    // The registry values, associations and PATH entries; one that cannot
    // be made fails the run, which is then undone, registration and all.
    if (TNimboEntries* entries = FormEntries(this); entries && entries->Execute() != psDone) return;
    if (suUnInstall) suUnInstall->RegisterUnInstall(RegistrationName());
}

void TNimboForm::FinishNextPage(TObject* sender)
{
    if (desktopIcons_) desktopIcons_->Execute();
    suGroupsNextPage(sender);
    // Only a person at the screen wants the program now; an unattended run starts no window.
    if (runAfter_ && !Unattended()) runAfter_->Execute();
    if (runAfter_ && Unattended()) RunLog("Not started, as in every unattended run: " + runAfter_->ProgName());
}

void TNimboForm::suUnInstallCleanup(TObject*)
{
    if (suUnInstall) suUnInstall->UnregisterUnInstall(RegistrationName());
}

void TNimboForm::suInstallTypeNextPage(TObject*)
{
    // Runs inside the install type's Next, before the page after it.
    if (suInstallType && suOptions && suInstallType->GetSelected(3)) suOptions->Execute();
}
