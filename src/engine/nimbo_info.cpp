#include "engine/nimbo_info.h"

#include <algorithm>

#include "framework/properties.h"
#include "engine/path_routines.h"
#include "engine/run_journal.h"
#include "script/data_error.h"

NIMBO_DEFINE_CLASS(TNimboInfo, TNimboComponent, true,
                   p.Str("Language", &TNimboInfo::SetLanguage)
                       .Lines("MultiDiskFiles", &TNimboInfo::MultiDiskFiles)
                       .Bool("MultiException", &TNimboInfo::SetMultiException)
                       .Event("OnMultiInstance", &TNimboInfo::OnMultiInstance)
                       .Bool("RollBackOnCancel", &TNimboInfo::SetRollBackOnCancel)
                       .Enum("InstallScope", &TNimboInfo::SetInstallScope, NimboScopeNames())
                       .Bool("ScopeSwitch", &TNimboInfo::SetScopeSwitch)
                       .Object("Picture", &TNimboInfo::Picture)
                       .Bool("Test", &TNimboInfo::SetTest)
                       .Str("AppId", &TNimboInfo::SetAppId)
                       .Str("Version", &TNimboInfo::SetVersion)
                       .Str("Publisher", &TNimboInfo::SetPublisher)
                       .Str("URL", &TNimboInfo::SetURL)
                       .Str("AppMutex", &TNimboInfo::SetAppMutex)
                       .Str("MinWindows", &TNimboInfo::SetMinWindows)
                       // Forms may name the uninstall page; nothing needs it.
                       .Ignore("UnInstall"))

TNimboInfo::TNimboInfo()
{
    // Kept sorted, case-insensitively; an entry equal but for case is not added.
    createdDirs_.SetSorted(true);
    installedFiles_.SetSorted(true);
}

TNimboInfo::~TNimboInfo()
{
    // The end-of-run step normally ran already; what is left cannot fail.
    // Without it (a controller of a test, of a form being designed) what
    // was done stays done.
    if (journal_) try {
            journal_->Commit();
        } catch (const EInOutError&) {
        }
    if (languageModule_ && languageModule_ != GetModuleHandleA(nullptr)) FreeLibrary(languageModule_);
    SetErrorMode(savedErrorMode_);
}

void TNimboInfo::Create(TComponent* owner)
{
    if (auto* form = dynamic_cast<TForm*>(owner)) {
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (dynamic_cast<TNimboInfo*>(form->Components(i)))
                throw ENimboError("Only allowed one TNimboInfo per application.");
    }
    savedErrorMode_ = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    multiException_ = true;
    instanceMutex_.Reset();
    // A failed copy of script entries is shown in the framework's box.
    SetNimboDataErrorHandler([](const String& text) { MessageDlg(text, mtError, 1u << mbOK); });
    script_ = &ownScript_;
    TNimboComponent::Create(owner);
    unInstallMode_ = false;
    pageHistory_.clear();
    language_ = "English";
    messageBase_ = 0;
    languageModule_ = nullptr;
    test_ = false;
    multiDisk_ = false;
    sourceDir_ = AddBackslash(ExtractFileDir(ProgramPath()));
    unInstallDone_ = false;
    BuildLanguageList();
    RegisterPages();
}

void TNimboInfo::Notification(TComponent* component, TOperation operation)
{
    TNimboComponent::Notification(component, operation);
    if (component == this) return;
    if (operation == TOperation::opInsert) {
        if (auto* c = dynamic_cast<TNimboComponent*>(component)) {
            c->controller_ = this;
            c->script_ = script_;
        }
        if (auto* c = dynamic_cast<TNimboComponent*>(component)) c->RegisterScriptEntry();
        if (auto* client = dynamic_cast<INimboControllerClient*>(component)) client->LinkController(this);
    } else {
        if (auto* c = dynamic_cast<TNimboComponent*>(component)) c->UnregisterScriptEntry();
        if (auto* page = dynamic_cast<TNimboPage*>(component))
            pageHistory_.erase(std::remove(pageHistory_.begin(), pageHistory_.end(), page), pageHistory_.end());
    }
}

void TNimboInfo::DefineProperties(TFiler& filer)
{
    TNimboComponent::DefineProperties(filer);
    filer.DefineProperty(
        "SetupData", [this](TReader& r) { script_->ReadData(r); }, [this](TWriter& w) { script_->WriteData(w); }, true);
}

String TNimboInfo::ProductName() const
{
    const auto* host = dynamic_cast<const INimboProductHost*>(Owner());
    const String name = host ? host->RegistrationName() : String();
    return name.empty() ? AppName() : name;
}

String TNimboInfo::ProductId() const { return appId_.empty() ? ProductName() : appId_; }

std::vector<std::pair<String, String>> TNimboInfo::ChoiceStates() const
{
    std::vector<std::pair<String, String>> states;
    const TComponent* form = Owner();
    for (int i = 0; form && i < form->ComponentCount(); ++i)
        if (const auto* page = dynamic_cast<const TNimboPage*>(form->Components(i)); page && page->ChoiceKept())
            states.emplace_back(page->Name(), page->ChoiceState());
    return states;
}

void TNimboInfo::PushPage(TNimboPage* page) { pageHistory_.push_back(page); }

void TNimboInfo::PopPage()
{
    if (!pageHistory_.empty()) pageHistory_.pop_back();
}

TNimboPage* TNimboInfo::PreviousPage() const
{
    return pageHistory_.size() < 2 ? nullptr : pageHistory_[pageHistory_.size() - 2];
}

void TNimboInfo::SelectDir(TNimboDir* dir, bool withFiles)
{
    if (!dir) return;
    if (!IsDirSelected(dir)) selectedDirs_.push_back(dir);
    for (TNimboDir* d : script_->Dirs())
        if (d->Parent() == dir && d != dir) SelectDir(d, withFiles);
    if (withFiles)
        for (TNimboFile* f : dir->Files()) SelectFile(f, dir);
}

void TNimboInfo::UnselectDir(TNimboDir* dir)
{
    auto it = std::find(selectedDirs_.begin(), selectedDirs_.end(), dir);
    if (it == selectedDirs_.end()) return;
    // Children first; the list changes under us, so look again after each.
    for (bool again = true; again;) {
        again = false;
        for (TNimboDir* d : selectedDirs_)
            if (d->Parent() == dir && d != dir) {
                UnselectDir(d);
                again = true;
                break;
            }
    }
    selectedDirs_.erase(std::remove(selectedDirs_.begin(), selectedDirs_.end(), dir), selectedDirs_.end());
}

bool TNimboInfo::IsDirSelected(const TNimboDir* dir) const
{
    return std::find(selectedDirs_.begin(), selectedDirs_.end(), dir) != selectedDirs_.end();
}

bool TNimboInfo::SelectFile(TNimboFile* file, TNimboDir* dir)
{
    if (!file || !dir) return false;
    return selectedFiles_.AddFile(file, dir, true);
}

bool TNimboInfo::UnselectFile(TNimboFile* file, TNimboDir* dir)
{
    if (!file || !dir) return false;
    return selectedFiles_.RemoveFile(file, dir);
}

bool TNimboInfo::IsFileSelected(const TNimboFile* file, const TNimboDir* dir) const
{
    return file && dir && selectedFiles_.Contains(file, dir);
}
