#include "pages/bde_install.h"

#include <cctype>

#include "engine/file_routines.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/profile.h"
#include "engine/registry.h"
#include "engine/run_switches.h"
#include "engine/run_scope.h"
#include "engine/run_journal.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/process.h"
#include "framework/win32/system_error.h"
#include "pages/prog_exec.h"

const TEnumInfo& BDEInstallTypeNames()
{
    static const TEnumInfo i{{"bdeNone", "bde16Borland", "bde16Integrated", "bde32Integrated"}};
    return i;
}

NIMBO_DEFINE_CLASS(TNimboBDEInstall, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboBDEInstall)
                       .Bool("AllowUnInstall", &TNimboBDEInstall::SetAllowUnInstall)
                       .Str("BDEDir", &TNimboBDEInstall::SetBDEDir)
                       .Enum("BDEType", &TNimboBDEInstall::SetBDEType, BDEInstallTypeNames())
                       .Str("DefaultDir", &TNimboBDEInstall::SetDefaultDir)
                       .Str("InstallProgram", &TNimboBDEInstall::SetInstallProgram)
                       .Lines("Text", &TNimboBDEInstall::Text))

namespace {
constexpr const char* kWinIni = "WIN.INI";
constexpr const char* kIdapi = "IDAPI";
constexpr const char* kLanguageDrivers = "Borland Language Drivers";
constexpr const char* kEngineKey = "SOFTWARE\\Borland\\Database Engine";
constexpr const char* kFloppyEngineDir = "C:\\IDAPI\\";

// A path on the first or second floppy drive.
bool OnFloppy(const String& path)
{
    if (path.size() < 2 || path[1] != ':') return false;
    const char drive = static_cast<char>(toupper(static_cast<unsigned char>(path[0])));
    return drive == 'A' || drive == 'B';
}

// Characters that no directory path holds; a colon only after the drive.
bool IsDirectoryText(const String& path)
{
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 32 || String("<>\"|*?").find(static_cast<char>(c)) != String::npos) return false;
        if (c == ':' && i != 1) return false;
    }
    return true;
}

// Deletes every file of the directory; subdirectories and files that
// refuse (protected ones) stay, without a report.
void DeleteAllFiles(const String& dir)
{
    const String base = AddBackslash(dir);
    for (const TFolderEntry& e : TFolderWalk(base, "*.*")) DeleteFileA((base + e.name).c_str());
}

// Whether `dir` is, or holds, `other` (both with a trailing backslash).
bool Contains(const String& dir, const String& other)
{
    return !other.empty() && other.size() >= dir.size() && SameText(other.substr(0, dir.size()), dir);
}
}  // namespace

bool IsEngineInstalled16()
{
    return !ReadProfileString(kWinIni, kIdapi, "DLLPATH").empty() &&
           !ReadProfileString(kWinIni, kIdapi, "CONFIGFILE01").empty();
}

bool IsEngineInstalled32()
{
    TRegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, kEngineKey) && !key.ReadString("DLLPath").empty();
}

TNimboBDEInstall::TNimboBDEInstall() = default;

void TNimboBDEInstall::Create(TComponent* owner)
{
    if (dynamic_cast<TForm*>(owner))
        for (int i = 0; i < owner->ComponentCount(); ++i)
            if (owner->Components(i) != this && dynamic_cast<TNimboBDEInstall*>(owner->Components(i)))
                throw ENimboError("Only allowed one TNimboBDEInstall per application.");
    TNimboPage::Create(owner);
}

void TNimboBDEInstall::DefineProperties(TFiler& filer)
{
    TNimboPage::DefineProperties(filer);
    filer.DefineProperty(
        "ExtraData",
        [this](TReader& r) {
            TStringList lines;
            r.ReadListBegin();
            while (!r.EndOfList()) lines.Add(r.ReadString());
            r.ReadListEnd();
            extraData_.Assign(lines);
        },
        [this](TWriter& w) {
            w.WriteListBegin();
            for (int i = 0; i < extraData_.Count(); ++i) w.WriteString(extraData_[i]);
            w.WriteListEnd();
        },
        true);
}

void TNimboBDEInstall::Notification(TComponent* component, TOperation operation)
{
    TNimboPage::Notification(component, operation);
    // Without a controller there is nothing to install into.
    if (operation == TOperation::opRemove && dynamic_cast<TNimboInfo*>(component)) bdeType_ = bdeNone;
}

void TNimboBDEInstall::SetDefaultDir(const String& value)
{
    const String v = AddBackslash(value);
    if (AddBackslash(ExtractFilePath(v)) != v || !IsDirectoryText(v)) {
        MessageDlg("This is not a valid directory string.", mtWarning, 1u << mbOK);
        return;
    }
    defaultDir_ = v;
}

bool TNimboBDEInstall::EngineInstalled() const
{
    return bdeType_ == bde32Integrated ? IsEngineInstalled32() : IsEngineInstalled16();
}

uint8_t TNimboBDEInstall::Execute()
{
    if (bdeType_ != bdeNone) return TNimboPage::Execute();
    state_ = psDone;
    // Skipped: the chain goes on without this page, and a run that starts
    // here ends as its next page does (a cancelled setup is no success).
    return nextPage_ ? nextPage_->Execute() : static_cast<uint8_t>(psDone);
}

void TNimboBDEInstall::ShowPage()
{
    TNimboPage::ShowPage();
    if (!controller_) return;
    TNimboPagesForm* f = NimboPagesForm;
    TStringList* lines = f->meBDEIntent->Lines();
    lines->Clear();
    if (text_.Count() > 0) {
        lines->Assign(text_);
    } else {
        lines->Add(NimboMessageText(controller_, msgEngineIntent));
        lines->Add("");
        lines->Add(NimboMessageText(controller_, msgEngineLegal) + "  " +
                   NimboMessageText(controller_, msgEngineChanges));
        lines->Add("");
        lines->Add(NimboMessageText(controller_, msgEngineSkipped) + "  " +
                   NimboMessageText(controller_, msgEngineMayReinstall));
    }
    f->SetCaption(NimboMessageText(controller_, msgEngineCaption));
    f->btnBDEReinstall->SetCaption(NimboMessageText(controller_, msgEngineReinstall));
    const bool found = EngineInstalled();
    f->btnBDEReinstall->SetEnabled(found);
    if (found) installed_ = true;
    f->nbPage->SetPageIndex(wpEngine);
}

void TNimboBDEInstall::DoNext()
{
    if (EngineInstalled())
        installed_ = true;
    else
        InstallEngine();
    state_ = installed_ ? psDone : psCancelled;
    TNimboPage::DoNext();
}

void TNimboBDEInstall::ButtonClick(TObject* sender)
{
    auto* button = dynamic_cast<TComponent*>(sender);
    if (button && button->Name() == "btnBDEReinstall") InstallEngine();
    // The page's own loop goes on from here, as after Next or a confirmed
    // Cancel: Cancel then travels back through the chain once.
    state_ = installed_ ? psNext : psCancelled;
}

void TNimboBDEInstall::InstallEngine()
{
    // Every way of installing writes machine-wide; a setup with this page
    // is decided machine-wide at start, so only a type set since then can
    // meet a per-user run, which writes nothing machine-wide.
    if (PerUserRun() && bdeType_ != bdeNone) {
        RunLog("Database engine not installed: a per-user install writes nothing for every user of the computer.");
        installed_ = false;
        ShowMessageDialog(controller_, NimboMessageText(controller_, msgEngineFailed), mtWarning,
                          NimboDialogButton(mbOK));
        return;
    }
    switch (bdeType_) {
    case bde16Borland:
        RunEngineSetup();
        break;
    case bde16Integrated:
    case bde32Integrated:
        IntegratedInstall();
        break;
    default:
        break;
    }
}

void TNimboBDEInstall::RunEngineSetup()
{
    const String program = ResolveDirMacro(bdeDir_, controller_, script_) + installProgram_;
    installed_ = false;
    if (OnFloppy(program)) {
        const String marker = program.substr(0, 2) + "\\DISK1.DSK";
        do {
            if (ShowMessageDialog(controller_, NimboMessageText(controller_, msgEngineInsertDisk), mtConfirmation,
                                  NimboDialogButton(mbOK) | NimboDialogButton(mbCancel)) != mrOk)
                return;
        } while (!FileExists(marker));
    }
    if (FileExists(program)) {
        const TKernelHandle process =
            StartProcess(program, SW_SHOWNORMAL, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS | CREATE_SEPARATE_WOW_VDM,
                         ExtractFilePath(program), program);
        if (process) {
            installed_ = true;
            // The engine's settings exist only once its setup has ended.
            WaitForProcessEnd(process.Get());
        } else {
            const DWORD error = GetLastError();
            ShowMessageDialog(controller_,
                              WithSystemError(Format(NimboMessageText(controller_, msgEngineNotRun), error), error),
                              mtWarning, NimboDialogButton(mbOK));
        }
    } else {
        ShowMessageDialog(controller_, NimboMessageText(controller_, msgEngineNotFound), mtWarning,
                          NimboDialogButton(mbOK));
    }
    if (!installed_ || !IsEngineInstalled16()) {
        ShowMessageDialog(controller_, NimboMessageText(controller_, msgEngineFailed), mtWarning,
                          NimboDialogButton(mbOK));
        installed_ = false;
    }
}

String TNimboBDEInstall::EngineDir() const
{
    String d = ResolveDirMacro(bdeDir_, controller_, script_);
    if (d.empty() || d == "\\") d = defaultDir_;
    // The engine cannot run from a floppy; nor is an empty directory one.
    if (d.empty() || OnFloppy(d)) d = kFloppyEngineDir;
    return d;
}

void TNimboBDEInstall::IntegratedInstall()
{
    if (!script_ || !controller_) return;
    const String d = EngineDir();
    TNimboDir* engine = script_->AddDir("$$$BDE$$$", d, nullptr);
    controller_->SelectDir(engine, true);
    for (TNimboFile* f : script_->BDEFiles()->Files()) controller_->SelectFile(f, engine);
    TNimboDir* drivers = script_->AddDir("$$$BDELD$$$", "LANGDRV\\", engine);
    controller_->SelectDir(drivers, true);
    for (TNimboFile* f : script_->BDELDFiles()->Files()) controller_->SelectFile(f, drivers);
    TNimboDir* system = script_->FindDir("Windows System");
    for (TNimboFile* f : script_->BDEWSFiles()->Files()) controller_->SelectFile(f, system);

    if (bdeType_ == bde16Integrated) {
        // Each old value is written down first, so an undone run restores it.
        const String winIni = AddBackslash(WindowsDir()) + kWinIni;
        auto write = [this, &winIni](const char* section, const char* key, const String& value) {
            controller_->Journal().ProfileValue(winIni, section, key);
            WriteProfileString(kWinIni, section, key, value);
            RunLog("Profile entry: " + winIni + " [" + section + "] " + key + " = " + value);
        };
        write(kIdapi, "DLLPATH", RemoveBackslash(d));
        write(kIdapi, "CONFIGFILE01", d + "IDAPI.CFG");
        write(kLanguageDrivers, "LDPath", d + "LANGDRV");
    } else if (bdeType_ == bde32Integrated) {
        for (int i = 0; i < extraData_.Count(); ++i) {
            String rest = extraData_[i];
            const String key = SplitToken(rest, kFieldSeparator);
            // A line without its second separator lacks the data.
            if (rest.find(kFieldSeparator) == String::npos) continue;
            const String name = SplitToken(rest, kFieldSeparator);
            String data = rest;
            if (key.empty() || name.empty() || data.empty()) continue;
            const String upper = UpperCase(name);
            if (upper == "BLAPIPATH" || upper == "DLLPATH")
                data = RemoveBackslash(d);
            else if (upper.rfind("LOCALE_LIB", 0) == 0 || upper.rfind("CONFIGFILE", 0) == 0)
                data = AddBackslash(d) + ExtractFileName(data);
            TRegistryKey k;
            if (!k.Create(HKEY_LOCAL_MACHINE, key, &controller_->Journal()) || !k.WriteString(name, data)) {
                const DWORD error = GetLastError();
                throw InOutError("Unable to write " + name + " to HKEY_LOCAL_MACHINE\\" + key + ".", error);
            }
        }
    }
    controller_->SetBDEType(bdeType_);
    installed_ = true;
}

bool TNimboBDEInstall::IsRemovableEngineDir(const String& dir) const
{
    const String p = AddBackslash(dir);
    if (p.find_first_of("*?") != String::npos) return false;
    // Only a full path in its plain form: "C:\IDAPI\..\" or "IDAPI\" might
    // stand for anything.
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(p.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH || !SameText(AddBackslash(String(full, n)), p)) return false;
    size_t root = 0;
    if (p.size() >= 3 && isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\') {
        root = 3;
    } else if (p.rfind("\\\\", 0) == 0 && p[2] != '?' && p[2] != '.') {
        const size_t server = p.find('\\', 2);
        const size_t share = server == String::npos ? String::npos : p.find('\\', server + 1);
        if (share == String::npos || server == 2 || share == server + 1) return false;
        root = share + 1;
    } else {
        return false;
    }
    if (p.size() <= root) return false;
    // Nor the Windows directories, nor a directory that holds them.
    for (const char* name : {"Windows", "Windows System"})
        if (Contains(p, ResolveDirMacro(name, controller_, script_))) return false;
    return true;
}

void TNimboBDEInstall::RemoveEngineDir(const String& dir) const
{
    // What WIN.INI or the registry name now may be no engine directory of
    // ours: a root emptied here would take the files of other programs.
    if (!IsRemovableEngineDir(dir)) return;
    const String d = RemoveBackslash(dir);
    // The uninstall has removed the engine's directories with the others
    // it created: nothing is left to do.
    if (!DirectoryExists(d)) return;
    DeleteAllFiles(d);
    SetCurrentDirectoryA("\\");
    if (!RemoveDirectoryA(d.c_str())) {
        const DWORD error = GetLastError();
        throw InOutError("Unable to remove directory " + d + ".", error);
    }
}

void TNimboBDEInstall::RemoveEngine(TNimboBDEInstallTypes type)
{
    if (!allowUnInstall_) return;
    // A per-user uninstall (of an install by an earlier version, which let
    // a per-user run install the engine) changes nothing machine-wide.
    if (PerUserRun() && type != bdeNone) {
        RunLog("Database engine kept: a per-user uninstall changes nothing for every user of the computer.");
        return;
    }
    if (type == bde16Integrated) {
        const String p = ReadProfileString(kWinIni, kIdapi, "DLLPATH");
        const String q = ReadProfileString(kWinIni, kLanguageDrivers, "LDPath");
        EraseProfileSection(kWinIni, kIdapi);
        EraseProfileSection(kWinIni, kLanguageDrivers);
        if (!q.empty()) RemoveEngineDir(q);
        if (!p.empty()) RemoveEngineDir(p);
    } else if (type == bde32Integrated) {
        String p;
        TRegistryKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kEngineKey)) p = key.ReadString("DLLPATH");
        key.Close();
        if (p.empty()) return;
        RemoveEngineDir(AddBackslash(p));
        TRegistryKey borland;
        if (borland.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Borland", true)) {
            borland.DeleteSubKey("Database Engine");
            borland.DeleteSubKey("BLW32");
        }
    }
}
