#include "pages/uninstall.h"

#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/messages.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/registry.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "pages/bde_install.h"
#include "pages/progman.h"

NIMBO_DEFINE_CLASS(TNimboUnInstall, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboUnInstall)
                       .Str("LogDir", &TNimboUnInstall::SetLogDir)
                       .Str("LogFileName", &TNimboUnInstall::SetLogFileName)
                       .Event("OnCleanup", &TNimboUnInstall::OnCleanup)
                       .Lines("Text", &TNimboUnInstall::Text)
                       .Lines("UnInstallFiles", &TNimboUnInstall::UnInstallFiles))

TNimboUnInstall::TNimboUnInstall() = default;

void TNimboUnInstall::Create(TComponent* owner)
{
    if (auto* form = dynamic_cast<TForm*>(owner))
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (dynamic_cast<TNimboUnInstall*>(form->Components(i)))
                throw ENimboError("Only allowed one TNimboUnInstall per form.");
    TNimboPage::Create(owner);
    text_.Clear();
}

bool TNimboUnInstall::AttemptUnInstall() const
{
    return controller_ && controller_->UnInstallMode();
}

String TNimboUnInstall::LogDir() const
{
    const TNimboDir* dir = script_ ? script_->LogFileDir() : nullptr;
    return dir ? dir->Name() : String("(none)");
}

void TNimboUnInstall::SetLogDir(const String& name)
{
    if (script_) script_->SetLogFileDir(script_->FindDir(name));
}

String TNimboUnInstall::LogFile() const
{
    return controller_ ? controller_->LogFile() : String();
}

String TNimboUnInstall::LogFileName() const
{
    return script_ ? script_->LogFileName() : String();
}

void TNimboUnInstall::SetLogFileName(const String& v)
{
    if (script_) script_->SetLogFileName(v);
}

TStringList* TNimboUnInstall::UnInstallFiles()
{
    return script_ ? &script_->UnInstallFiles() : &noFiles_;
}

void TNimboUnInstall::SetUnInstallFiles(const TStringList& files)
{
    if (!script_) return;
    TStringList& list = script_->UnInstallFiles();
    list.Clear();
    for (int i = 0; i < files.Count(); ++i) {
        const String& entry = files[i];
        if (entry.empty() || list.IndexOf(entry) >= 0) continue;
        if (script_->FindFile(entry))
            list.Add(entry);
        else
            MessageDlg("Unable to locate file " + entry + " in the installed files.", mtWarning, 1u << mbOK);
    }
}

void TNimboUnInstall::ShowPage()
{
    TNimboPage::ShowPage();
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    TMemo* memo = f->meUNIIntent;
    memo->Lines()->Clear();
    if (text_.Count() > 0) {
        memo->Lines()->Assign(text_);
    } else {
        memo->Lines()->Add(Format(NimboMessageText(controller_, 85), AppName()) + "  " +
                           NimboMessageText(controller_, 86) + "\r\n\r\n" + NimboMessageText(controller_, 87));
    }
    f->SetCaption(Format(NimboMessageText(controller_, 84), AppName()));
    f->nbPage->SetPageIndex(5);
}

void TNimboUnInstall::RemoveGroupItems()
{
    const TStringList& groups = controller_->GroupNames();
    const TStringList& items = controller_->GroupItems();
    if (groups.Count() == 0) return;
    OpenProgMan();
    String last;
    for (int i = 0; i < groups.Count(); ++i) {
        if (items[i].empty()) continue;
        if (groups[i] != last) {
            last = groups[i];
            ProgManExecute(Format("[ShowGroup(%s, 7)]", last));
        }
        ProgManExecute(Format("[DeleteItem(%s)]", items[i]));
    }
    CloseProgMan();
}

void TNimboUnInstall::RemoveGroups()
{
    const TStringList& groups = controller_->GroupNames();
    const TStringList& items = controller_->GroupItems();
    if (groups.Count() == 0) return;
    OpenProgMan();
    for (int i = 0; i < groups.Count(); ++i)
        if (items[i].empty()) ProgManExecute(Format("[DeleteGroup(%s)]", groups[i]));
    CloseProgMan();
}

void TNimboUnInstall::RemoveFiles()
{
    const TStringList& files = controller_->InstalledFiles();
    // A file still in use (the program that started this uninstall and
    // waits for it) goes once this run has ended.
    for (int i = 0; i < files.Count(); ++i)
        if (FileExists(files[i]) && !DeleteFileA(files[i].c_str()) && FileExists(files[i]))
            controller_->DeferDelete(files[i]);
    if (!LogFile().empty() && FileExists(LogFile())) DeleteFileA(LogFile().c_str());
}

bool TNimboUnInstall::HoldsOnlyDeferred(const String& dir) const
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((AddBackslash(dir) + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool only = true, any = false;
    do {
        const String n = fd.cFileName;
        if (n == "." || n == "..") continue;
        any = true;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !controller_->IsDeferred(AddBackslash(dir) + n))
            only = false;
    } while (only && FindNextFileA(h, &fd));
    FindClose(h);
    return only && any;
}

void TNimboUnInstall::RemoveDirectories()
{
    const String own = RemoveBackslash(ExtractFileDir(ProgramPath()));
    if (!SetCurrentDirectoryA(ChDirPath(own).c_str()))
        throw EInOutError("Unable to change the current directory to " + own + ".");
    // Sorted, so a directory's subdirectories come after it: last first.
    const TStringList& dirs = controller_->CreatedDirs();
    for (int i = dirs.Count() - 1; i >= 0; --i) {
        const String dir = ChDirPath(RemoveBackslash(dirs[i]));
        // One already gone (removed by hand) needs no word; one that holds
        // only files still in use goes with them.
        if (!RemoveDirectoryA(dir.c_str()) && DirectoryExists(dir)) {
            if (HoldsOnlyDeferred(dirs[i]))
                controller_->DeferRemoveDir(dirs[i]);
            else
                MessageDlg(Format(NimboMessageText(controller_, 92), dirs[i]), mtWarning, 1u << mbOK);
        }
    }
}

void TNimboUnInstall::DoNext()
{
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    f->btnNext->SetEnabled(false);
    if (OnCleanup) OnCleanup(this);
    RemoveGroupItems();
    RemoveFiles();
    RemoveDirectories();
    RemoveGroups();
    const auto engine = static_cast<TNimboBDEInstallTypes>(controller_->LoggedBDEType());
    if (TComponent* form = Owner())
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* page = dynamic_cast<TNimboBDEInstall*>(form->Components(i))) page->RemoveEngine(engine);
    controller_->SetUnInstallDone(true);
    f->btnNext->SetEnabled(true);
    TNimboPage::DoNext();
}

void TNimboUnInstall::PlaceProgram(const String& dir)
{
    const String program = ProgramPath();
    const String own = AddBackslash(ExtractFileDir(program));
    if (SameText(own, dir)) return;
    std::vector<String> names{ExtractFileName(program)};
    if (FileExists(own + kLanguageLibraryName)) names.push_back(kLanguageLibraryName);
    for (const String& name : names) {
        CopyFileWithProgress(own + name, dir + name);
        controller_->AddInstalledFile(dir + name);
    }
}

void TNimboUnInstall::RegisterUnInstall(const String& displayName)
{
    if (displayName.empty()) return;
    const String dir = ResolveDirMacro(LogDir(), controller_, script_);
    if (dir == "\\") return;
    // Without a copy of the program in the log directory, Add/Remove
    // Programs would point at nothing and the application stay for good.
    if (controller_ && !dir.empty()) PlaceProgram(dir);
    TRegistryKey key;
    key.Create(HKEY_LOCAL_MACHINE, String(kUnInstallKey) + "\\" + displayName);
    // Quoted when it holds a blank, so the path cannot be read as a shorter one.
    String command = dir + ExtractFileName(ProgramPath());
    if (command.find(' ') != String::npos) command = "\"" + command + "\"";
    for (const auto& [name, value] : {std::pair<String, String>{"DisplayName", displayName},
                                      std::pair<String, String>{"UnInstallString", command + " UNINSTALL"}})
        if (!key.IsOpen() || !key.WriteString(name, value)) throw ENimboError("Failed to set data for '" + name + "'");
}

void TNimboUnInstall::UnregisterUnInstall(const String& displayName)
{
    if (displayName.empty()) return;
    TRegistryKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kUnInstallKey)) key.DeleteSubKey(displayName);
}
