#include "pages/uninstall.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "engine/file_routines.h"
#include "engine/machine_entries.h"
#include "engine/message_dialog.h"
#include "engine/messages.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/registry.h"
#include "engine/run_scope.h"
#include "engine/run_journal.h"
#include "engine/run_switches.h"
#include "base/setup_files.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/system_error.h"
#include "pages/bde_install.h"
#include "pages/desktop_icons.h"
#include "pages/group_removal.h"
#include "script/product_version.h"

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

bool TNimboUnInstall::AttemptUnInstall() const { return controller_ && controller_->UnInstallMode(); }

String TNimboUnInstall::LogDir() const
{
    const TNimboDir* dir = script_ ? script_->LogFileDir() : nullptr;
    return dir ? dir->Name() : String("(none)");
}

void TNimboUnInstall::SetLogDir(const String& name)
{
    if (script_) script_->SetLogFileDir(script_->FindDir(name));
}

String TNimboUnInstall::LogFile() const { return controller_ ? controller_->LogFile() : String(); }

String TNimboUnInstall::LogFileName() const { return script_ ? script_->LogFileName() : String(); }

void TNimboUnInstall::SetLogFileName(const String& v)
{
    if (script_) script_->SetLogFileName(v);
}

TStringList* TNimboUnInstall::UnInstallFiles() { return script_ ? &script_->UnInstallFiles() : &noFiles_; }

void TNimboUnInstall::SetUnInstallFiles(const TStringList& files)
{
    if (controller_) controller_->KeepScriptFiles(files, script_->UnInstallFiles());
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
        memo->Lines()->Add(Format(NimboMessageText(controller_, msgUnInstallIntent), AppName()) + "  " +
                           NimboMessageText(controller_, msgUnInstallSure) + "\r\n\r\n" +
                           NimboMessageText(controller_, msgUnInstallContinue));
    }
    if (!controller_->LogWarning().empty()) memo->Lines()->Add("\r\n" + controller_->LogWarning());
    f->SetCaption(Format(NimboMessageText(controller_, msgUnInstallCaption), AppName()));
    f->nbPage->SetPageIndex(wpUnInstall);
}

namespace {
// A folder on the way that is a link (a junction put there after the
// install) would lead the removal out of the installation.
bool PassesThroughLink(const String& path)
{
    for (size_t p = path.find('\\', 3); p != String::npos; p = path.find('\\', p + 1)) {
        const DWORD a = GetFileAttributesA(path.substr(0, p).c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    return false;
}
}  // namespace

bool TNimboUnInstall::IsProgramFile(const String& file) const
{
    const String folder = ExtractFilePath(LogFile());
    const String name = ExtractFileName(file);
    return !folder.empty() && SameText(ExtractFilePath(file), folder) &&
           (SameText(name, ExtractFileName(ProgramPath())) || SameText(name, kLanguageLibraryName));
}

bool TNimboUnInstall::OnWayToLog(const String& dir) const
{
    const String folder = ExtractFilePath(LogFile());
    const String d = AddBackslash(dir);
    return !folder.empty() && folder.size() >= d.size() && SameText(folder.substr(0, d.size()), d);
}

std::vector<String> TNimboUnInstall::RemoveFiles(bool program)
{
    std::vector<String> refused;
    const TStringList& files = controller_->InstalledFiles();
    const String logDir = ExtractFilePath(LogFile());
    const std::set<String> shared = logDir.empty() ? std::set<String>() : controller_->OtherProductsFiles(logDir);
    // A file still in use (the program that started this uninstall and
    // waits for it) goes once this run has ended.
    for (int i = 0; i < files.Count(); ++i) {
        if (!FileExists(files[i]) || IsProgramFile(files[i]) != program) continue;
        if (PassesThroughLink(files[i])) {
            RunLog("Skipped, behind a folder link: " + files[i]);
            continue;
        }
        if (shared.count(UpperCase(files[i]))) {
            RunLog("Kept, another product in the folder installed it too: " + files[i]);
            continue;
        }
        if (DeleteFileA(files[i].c_str()) || !FileExists(files[i])) continue;
        const DWORD error = GetLastError();
        // The program and its library are in use by the program that waits
        // for this run; any other file another program holds is a failure.
        if (program)
            controller_->DeferDelete(files[i]);
        else
            refused.push_back(
                WithSystemError(Format(NimboMessageText(controller_, msgFileNotRemoved), files[i]), error));
    }
    return refused;
}

bool TNimboUnInstall::RefusedFiles(const std::vector<String>& refused)
{
    if (refused.empty()) return false;
    String text;
    for (const String& line : refused) {
        RunLog("Error: " + line);
        text += line + "\r\n";
    }
    // Its log and registration stay: once the files are free it can be run again.
    ShowMessageDialog(controller_, text + NimboMessageText(controller_, msgUnInstallAborted), mtError,
                      NimboDialogButton(mbOK));
    SetRunExitCode(exitFailed);
    return true;
}

bool TNimboUnInstall::HoldsOnlyDeferred(const String& dir) const
{
    bool any = false;
    for (const TFolderEntry& e : TFolderWalk(dir)) {
        any = true;
        // A folder made on the way to the installation holds only the
        // installation's folder, itself left for later.
        if (!controller_->IsDeferred(AddBackslash(dir) + e.name)) return false;
    }
    return any;
}

void TNimboUnInstall::RemoveDirectories(bool logFolders)
{
    const String own = RemoveBackslash(ExtractFileDir(ProgramPath()));
    if (!SetCurrentDirectoryA(ChDirPath(own).c_str())) {
        const DWORD error = GetLastError();
        throw InOutError("Unable to change the current directory to " + own + ".", error);
    }
    // Sorted, so a directory's subdirectories come after it: last first.
    const TStringList& dirs = controller_->CreatedDirs();
    for (int i = dirs.Count() - 1; i >= 0; --i) {
        if (OnWayToLog(dirs[i]) != logFolders) continue;
        const String dir = ChDirPath(RemoveBackslash(dirs[i]));
        if (RemoveDirectoryA(dir.c_str())) continue;
        const DWORD error = GetLastError();
        // One already gone (removed by hand) needs no word; one that holds
        // only files still in use goes with them.
        if (!DirectoryExists(dir)) continue;
        if (HoldsOnlyDeferred(dirs[i])) {
            controller_->DeferRemoveDir(dirs[i]);
            continue;
        }
        // The platform may answer a folder that still holds the user's own
        // files with a sharing violation: what keeps it is that it is not empty.
        TFolderWalk walk(dirs[i]);
        const bool holdsFiles = walk.begin() != walk.end();
        MessageDlg(WithSystemError(Format(NimboMessageText(controller_, msgDirNotDeleted), dirs[i]),
                                   holdsFiles ? ERROR_DIR_NOT_EMPTY : error),
                   mtWarning, 1u << mbOK);
    }
}

void TNimboUnInstall::DoNext()
{
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    f->btnNext->SetEnabled(false);
    removing_ = true;
    if (OnCleanup) OnCleanup(this);
    removing_ = false;
    RemoveLoggedGroups(*controller_);
    RemoveLoggedDesktopIcons(*controller_);
    // Whenever this is stopped, what is left can be run again to the end:
    // first all the log lists but the program beside it, then the
    // registration, then the log, and last the program and its folders.
    // With the log gone, so is the registration, and a program alone in
    // its folder removes itself when run again.
    if (RefusedFiles(RemoveFiles(false))) {
        f->btnNext->SetEnabled(true);
        state_ = psCancelled;
        return;
    }
    RemoveDirectories(false);
    // The registry values, associations and PATH entries of a log of ours.
    if (!LogFile().empty()) RemoveLoggedEntries(LogFile(), controller_->CheckOwnLog(LogFile()) == TLogSeal::ours);
    for (const String& name : unregister_) RemoveRegistration(name);
    unregister_.clear();
    if (!LogFile().empty() && FileExists(LogFile())) DeleteFileA(LogFile().c_str());
    RemoveFiles(true);
    RemoveDirectories(true);
    const auto engine = static_cast<TNimboBDEInstallTypes>(controller_->LoggedBDEType());
    if (TComponent* form = Owner())
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* page = dynamic_cast<TNimboBDEInstall*>(form->Components(i))) page->RemoveEngine(engine);
    controller_->SetUnInstallDone(true);
    f->btnNext->SetEnabled(true);
    TNimboPage::DoNext();
}

void TNimboUnInstall::MakeLogDir(const String& dir)
{
    // Nothing may have been installed there: the folders made for the
    // program are the installation's, outermost first.
    std::vector<String> made;
    for (String p = AddBackslash(dir); p.size() > 3 && !DirectoryExists(RemoveBackslash(p));
         p = ExtractFilePath(RemoveBackslash(p)))
        made.push_back(p);
    if (made.empty()) return;
    controller_->Journal().MakeDirs(dir);
    for (auto it = made.rbegin(); it != made.rend(); ++it) controller_->AddCreatedDir(*it);
}

String TNimboUnInstall::ProgramNameIn(const String& dir) const
{
    // setup.exe, unless another product installed into the same folder
    // has it: then the first of setup-1.exe, setup-2.exe, ... that is free
    // or this product's own.
    for (int n = 0; n < 100; ++n) {
        const String name = n == 0 ? String(kSetupProgramName) : "setup-" + IntToStr(n) + ".exe";
        if (!controller_ || !FileExists(dir + name) || !controller_->AnotherProductsFile(dir + name)) return name;
    }
    return kSetupProgramName;
}

void TNimboUnInstall::PlaceProgram(const String& dir)
{
    try {
        controller_->Journal().Destination(dir);
        MakeLogDir(dir);
        for (const TProgramFile& file : UnInstallProgramFiles(controller_->Payload())) {
            // One name per product, whatever the downloaded file was called:
            // each release replaces the last one's program.
            const bool program = file.path == ProgramPath();
            const String target = dir + (program ? ProgramNameIn(dir) : ExtractFileName(file.path));
            if (SameText(LongPathName(file.path), LongPathName(target))) {  // run from there
                controller_->AddInstalledFile(target);
                continue;
            }
            controller_->Journal().PrepareTarget(target);
            CopyPartWithProgress(file.path, file.part, target);
            RunLog("Copied: " + target + " (removes the installation)");
            controller_->AddInstalledFile(target);
            const TSetupPayload* payload = controller_->Payload();
            if (payload && program && !payload->DropSignature(target)) throw InOutError(target, GetLastError());
        }
    } catch (const EInOutError& e) {
        ShowMessageDialog(controller_,
                          Format(NimboMessageText(controller_, msgUnInstallNotPlaced), dir) + "\r\n" + e.Message(),
                          mtError, NimboDialogButton(mbOK));
        // Nobody reads the message of an unattended run: an installation
        // that no uninstall could remove is a failure, and is undone.
        if (Unattended()) SetRunExitCode(exitFailed);
    }
}

namespace {
// The command Add/Remove Programs runs, quoted when it holds a blank so
// the path cannot be read as a shorter one. It says whom the install was
// for where the setup's own choice would say otherwise: the uninstall of a
// per-user install needs no rights and must not ask for them, that of a
// machine-wide one removes the machine's registration.
String UnInstallCommand(const String& program, const TNimboInfo* controller)
{
    String command = program.find(' ') != String::npos ? "\"" + program + "\"" : program;
    command += " UNINSTALL";
    if (PerUserRun())
        command += " /CURRENTUSER";
    else if (controller && controller->InstallScope() == isUser)
        command += " /ALLUSERS";
    return command;
}
}  // namespace

void TNimboUnInstall::RegisterUnInstall(const String& displayName)
{
    if (displayName.empty()) return;
    const String dir = ResolveDirMacro(LogDir(), controller_, script_);
    if (dir == "\\") return;
    // Without a copy of the program in the log directory, Add/Remove
    // Programs would point at nothing and the application stay for good.
    if (controller_ && !dir.empty()) PlaceProgram(dir);
    // A registration that names no program would leave the application
    // in the list for good, with nothing to remove it.
    const String program = dir + ProgramNameIn(dir);
    if (!FileExists(program)) return;
    const String id = controller_ ? controller_->ProductId() : displayName;
    TRegistryKey key;
    key.Create(RegistrationRoot(), String(kUnInstallKey) + "\\" + id, controller_ ? &controller_->Journal() : nullptr);
    const String command = UnInstallCommand(program, controller_);
    // Besides the two the uninstall needs, what Add/Remove Programs and
    // administrators' tools show and use, and what the next release reads.
    std::vector<std::pair<String, String>> values{{"DisplayName", displayName},
                                                  {"UnInstallString", command},
                                                  {"QuietUninstallString", command + " /VERYSILENT"},
                                                  {kInstallLocationValue, dir},
                                                  {"DisplayIcon", program}};
    if (controller_) AddProductValues(values);
    for (const auto& [name, value] : values)
        if (!key.IsOpen() || !key.WriteString(name, value)) throw ENimboError("Failed to set data for '" + name + "'");
    if (!controller_) return;
    const auto numbers = ProductVersionNumbers(controller_->Version());
    std::vector<std::pair<String, uint32_t>> integers{{"EstimatedSize", InstalledKilobytes()}};
    if (!controller_->Version().empty()) {
        integers.emplace_back("VersionMajor", numbers[0]);
        integers.emplace_back("VersionMinor", numbers[1]);
    }
    for (const auto& [name, value] : integers)
        if (!key.WriteInteger(name, value)) throw ENimboError("Failed to set data for '" + name + "'");
}

void TNimboUnInstall::AddProductValues(std::vector<std::pair<String, String>>& values) const
{
    const std::pair<const char*, String> product[] = {{"DisplayVersion", controller_->Version()},
                                                      {"Publisher", controller_->Publisher()},
                                                      {"URLInfoAbout", controller_->URL()}};
    for (const auto& [name, value] : product)
        if (!value.empty()) values.emplace_back(name, value);
    for (const auto& [page, state] : controller_->ChoiceStates()) values.emplace_back(kChoiceValuePrefix + page, state);
}

uint32_t TNimboUnInstall::InstalledKilobytes() const
{
    int64_t bytes = 0;
    const TStringList& files = controller_->InstalledFiles();
    for (int i = 0; i < files.Count(); ++i) bytes += std::max<int64_t>(FileSizeOf(files[i]), 0);
    return static_cast<uint32_t>((bytes + 1023) / 1024);
}

void TNimboUnInstall::UnregisterUnInstall(const String& displayName)
{
    if (removing_)
        unregister_.push_back(displayName);
    else
        RemoveRegistration(displayName);
}

void TNimboUnInstall::RemoveRegistration(const String& displayName)
{
    if (displayName.empty()) return;
    const String id = controller_ ? controller_->ProductId() : displayName;
    // The registration of another install of the product (in another
    // folder, made since) is that install's: it stays.
    TRegistryKey entry;
    const String logDir = controller_ ? ExtractFilePath(controller_->LogFile()) : String();
    if (!logDir.empty() && entry.Open(RegistrationRoot(), String(kUnInstallKey) + "\\" + id)) {
        const String location = entry.ReadString(kInstallLocationValue);
        if (!location.empty() && !SameText(LongPathName(AddBackslash(location)), LongPathName(logDir))) {
            RunLog("Kept the registration " + id + ": it is that of the installation in " + location + ".");
            return;
        }
        entry.Close();
    }
    TRegistryKey key;
    // Opened, not made: a user's registry without the list gets none.
    if (key.Open(RegistrationRoot(), kUnInstallKey, true) && key.DeleteSubKey(id))
        RunLog("Registration removed: " + id);
}
