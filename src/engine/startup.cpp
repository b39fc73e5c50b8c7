// The controller's start-up (single instance, hand-overs from a restarted
// copy, the floppy and uninstall restarts, system directories, directory
// selection) and its end-of-run work.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include "engine/nimbo_info.h"
#include "engine/deferred_delete.h"
#include "engine/messages.h"
#include "engine/profile.h"
#include "engine/run_switches.h"
#include "engine/wizard/pages_form.h"
#include "engine/file_routines.h"
#include "engine/install_scope.h"
#include "engine/message_dialog.h"
#include "engine/path_routines.h"
#include "engine/run_folders.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/process.h"
#include "framework/win32/system_error.h"

namespace {
// The profile file that hands a run over to its restarted copy: in the
// Windows folder (the platform's place for a bare name) for a machine-wide
// run, in the user's own data for a per-user one.
String HandOverFile()
{
    if (!PerUserRun()) return AddBackslash(WindowsDir()) + "TNIMBO.INI";
    return RunStateFolder() + "TNIMBO.INI";
}
constexpr const char* kMultiDiskSection = "MultiDisk Install";
constexpr const char* kUnInstallSection = "UnInstall";
// Set in a hand-over section when the writer made the file (and the
// folder) for it: the reader then takes away what is left of them empty.
constexpr const char* kMadeFileKey = "Made File";
constexpr const char* kMadeFolderKey = "Made Folder";

// Before a hand-over is written: makes the per-user state folder, and says
// in the section what was made for it.
void PrepareHandOver(const char* section)
{
    const String file = HandOverFile();
    const bool madeFolder = PerUserRun() && CreateDirectoryA(RemoveBackslash(ExtractFileDir(file)).c_str(), nullptr);
    const bool madeFile = !FileExists(file);
    EraseProfileSection(file, section);
    if (madeFile) WriteProfileString(file, section, kMadeFileKey, "1");
    if (madeFolder) WriteProfileString(file, section, kMadeFolderKey, "1");
}

// Takes a section away (reading a file that is not there makes none), and
// with it the file and folder its writer made, when nothing else is left.
void EraseHandOver(const char* section)
{
    const String file = HandOverFile();
    if (!FileExists(file)) return;
    const bool madeFile = ReadProfileString(file, section, kMadeFileKey) == "1";
    const bool madeFolder = ReadProfileString(file, section, kMadeFolderKey) == "1";
    EraseProfileSection(file, section);
    char names[4] = "";
    if (madeFile && GetPrivateProfileSectionNamesA(names, sizeof names, file.c_str()) == 0) DeleteFileA(file.c_str());
    if (madeFolder) RemoveDirectoryA(RemoveBackslash(ExtractFileDir(file)).c_str());
}

TSystemDirectories PlatformSystemDirectories()
{
    TSystemDirectories d;
    d.windows = WindowsDir();
    d.system = SystemDir();
    return d;
}

TSystemDirectoriesSource gSystemDirectories = PlatformSystemDirectories;

// The temporary directory a restart copies the program to.
String TemporaryDirectory()
{
    String t = GetEnvValue("temp");
    if (t.empty()) t = GetEnvValue("tmp");
    if (t.empty()) t = "C:\\";
    return AddBackslash(t);
}

void ChangeDirectory(const String& dir)
{
    if (!SetCurrentDirectoryA(ChDirPath(dir).c_str())) {
        const DWORD error = GetLastError();
        throw InOutError("Unable to change the current directory to " + dir + ".", error);
    }
}

// Starts a program in a normal window, in its own directory; an empty
// handle when the platform refuses.
TKernelHandle StartProgram(const String& path, const String& arguments = String())
{
    const String cmd = "\"" + path + "\"" + (arguments.empty() ? String() : " " + arguments);
    return StartProcess(cmd, SW_SHOWNORMAL, 0, ExtractFileDir(path), path);
}

// The wizard dialog as the restarts show it: the "please wait" page.
void ShowRestartDialog(TNimboInfo* info)
{
    if (!NimboPagesForm) NimboPagesForm = CreateNimboPagesForm();
    TNimboPagesForm* f = NimboPagesForm;
    f->SetCaption(info->GetMessageText(msgTempCopying));
    f->lblMDIIntent->SetCaption(info->GetMessageText(msgTempWait));
    if (!info->Picture()->Empty()) f->imSetup->Picture()->Assign(info->Picture());
    f->nbPage->SetPageIndex(wpMultiDisk);
    f->btnPrev->SetEnabled(false);
    f->btnNext->SetEnabled(false);
    f->btnCancel->SetEnabled(false);
    f->Show();
    Application->ProcessMessages();
}

// This process ends as the restarted copy it waited for did; the copy's
// section of the log says how, this one's says so.
[[noreturn]] void EndAsCopy(HANDLE copy)
{
    const DWORD code = ProcessExitCode(copy, exitFailed);
    RunLog("Exit code " + IntToStr(static_cast<long long>(code)) + ", that of the restarted copy.");
    ExitProcess(code);
}

[[noreturn]] void EndProcessNow()
{
    FreeNimboPagesForm();
    Application->Terminate();
    ExitProcess(static_cast<UINT>(FinalExitCode()));
}
}  // namespace

TSystemDirectoriesSource SetSystemDirectoriesSource(TSystemDirectoriesSource source)
{
    TSystemDirectoriesSource old = gSystemDirectories;
    gSystemDirectories = source ? source : PlatformSystemDirectories;
    return old;
}

String ProgramPath()
{
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return String(buf, n);
}

std::vector<TProgramFile> UnInstallProgramFiles(const TSetupPayload* payload)
{
    const String program = ProgramPath();
    const String library = AddBackslash(ExtractFileDir(program)) + kLanguageLibraryName;
    std::vector<TProgramFile> files{{program, TFilePart{}}};
    if (payload) files[0].part.size = payload->ProgramSize();
    if (FileExists(library)) files.push_back({library, TFilePart{}});
    return files;
}

int64_t TProgramFile::Size() const
{
    if (part.size != TFilePart::kWholeFile) return static_cast<int64_t>(part.size);
    return std::max<int64_t>(FileSizeOf(path), 0);
}

String ProgramArgument(int index)
{
    if (index == 0) return ProgramPath();
    return index < __argc && __argv[index] ? String(__argv[index]) : String();
}

void TNimboInfo::Loaded()
{
    TNimboComponent::Loaded();
    const bool run = !HasState(csDesigning);
    if (run) LogProduct();
    if (run) CheckSingleInstance();
    LoadLanguage(language_);
    if (!RunSwitches().lang.empty()) SetLanguage(RunSwitches().lang);
    if (run) {
        const String refusal = CommandLineRefusal();
        if (!refusal.empty()) RefuseCommandLine(refusal);
        // Before the scope's question or a restart with rights: a setup
        // that cannot run here says so first.
        if (!RunSwitches().unInstall) CheckWindowsVersion();
        CheckRunningProgram();
    }
    // The journal of a killed run lies where its scope keeps it.
    if (run) DecideRunScope();
    if (run && !RecoverInterruptedRun()) EndProcessNow();
    if (run) {
        TakeMultiDiskHandOver();
        const char first = ProgramPath().empty() ? '\0' : ProgramPath()[0];
        if ((first == 'A' || first == 'B' || first == 'a' || first == 'b') && script_->Disks().Count() > 1)
            FloppyRestart();
        TakeUnInstallHandOver();
        if (RunSwitches().unInstall) UnInstallRestart();
        LogRunScope();
        // The uninstall's copy of the program carries no payload.
        if (!unInstallMode_) OpenPayload();
    }
    ResolveSystemDirectories();
    for (TNimboDir* d : script_->Dirs()) SelectDir(d, true);
    RegisterPages();
    if (run && installed_.found) FollowEarlierInstall();
    if (run) TakeCommandLineChoices();
    ReportState();
    // Only now, with start-up done, may messages go through: the one that
    // starts the wizard may be waiting already, and the whole run would go
    // by inside this dispatch (with directories not yet chosen, their files
    // silently not installed).
    Application->ProcessMessages();
}

void TNimboInfo::CheckSingleInstance()
{
    // The platform refuses backslashes in object names; a name made of the
    // whole path, upper-cased, still tells one program file from another.
    String name = UpperCase(ProgramPath());
    for (char& c : name)
        if (c == '\\') c = '/';
    TKernelHandle h(CreateMutexA(nullptr, TRUE, name.c_str()));
    if (!h) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        h.Close();
        instanceMutex_.Reset();
        if (OnMultiInstance) OnMultiInstance(this);
        SetRunExitCode(exitAlreadyRunning);
        if (multiException_) throw ENimboError("Only one instance of the setup program allowed.");
        ExitProcess(0);
    }
    instanceMutex_ = std::move(h);
}

void TNimboInfo::DecideRunScope()
{
    const TRunSwitches& switches = RunSwitches();
    const bool machineOnly = PagesWriteMachineWide();
    if (machineOnly && installScope_ != isMachine && !switches.unInstall)
        RunLog("This setup installs for all users: one of its pages writes to what they share.");
    bool contradicted = false;
    const TScopeSwitch given = InstalledScope(switches, contradicted);
    // Nobody is asked whom for where no question may be.
    const bool quiet = FixedAnswers();
    TScopeDecision d = DecideScope(installScope_, scopeSwitch_, given, quiet, switches.unInstall, machineOnly);
    if (d.refused && switches.scope == TScopeSwitch::none)
        d = DecideScope(installScope_, scopeSwitch_, switches.scope, quiet, switches.unInstall, machineOnly);
    if (d.refused || contradicted) RefuseCommandLine(Format(GetMessageText(msgScopeSwitchRefused), AppName()));
    TRunScope scope = d.scope;
    if (d.ask) {
        const int answer =
            ShowMessageDialog(this, Format(GetMessageText(msgScopeQuestion), AppName()), mtConfirmation,
                              NimboDialogButton(mbYes) | NimboDialogButton(mbNo) | NimboDialogButton(mbCancel));
        if (answer != mrYes && answer != mrNo) {
            SetRunExitCode(exitCancelled);
            EndProcessNow();
        }
        scope = answer == mrYes ? TRunScope::machine : TRunScope::user;
    }
    SetRunScope(scope);
    // An install in the other scope is another installation.
    if (installed_.found && installed_.scope != scope) installed_ = TInstalledProduct{};
    if (installed_.found && DowngradeRefused()) EndProcessNow();
    // A restarted copy (with rights, from the temporary folder) goes on
    // with this scope instead of deciding again.
    SetForwardedScope(scope == TRunScope::user ? TScopeSwitch::currentUser : TScopeSwitch::allUsers);
    if (scope == TRunScope::machine && !RunsElevated()) ElevatedRestart();
    // The destination and the script's other folders in this scope (a
    // per-user install goes to the user's program folder unless the author
    // names one of the user's own); the product's next release goes where
    // the last one went.
    const String fault = ResolveScriptFolders(*script_, ProductName(), sourceDir_, !switches.unInstall);
    if (!fault.empty() && !switches.unInstall) {
        RunLog("Error: " + fault);
        SetRunExitCode(exitFailed);
        ShowMessageDialog(this, fault, mtError, NimboDialogButton(mbOK));
        EndProcessNow();
    }
    TNimboDir* install = script_->FindDir("Install");
    if (installed_.found && install && !install->Parent()) install->SetDir(installed_.folder);
}

void TNimboInfo::RefuseCommandLine(const String& why)
{
    RunLog("Bad command line: " + why);
    SetRunExitCode(exitBadCommandLine);
    ShowMessageDialog(this, why, mtError, NimboDialogButton(mbOK));
    EndProcessNow();
}

TScopeSwitch TNimboInfo::InstalledScope(const TRunSwitches& switches, bool& contradicted)
{
    auto switchOf = [](TRunScope s) {
        return s == TRunScope::user ? TScopeSwitch::currentUser : TScopeSwitch::allUsers;
    };
    // An install of the product goes on in its scope unless the command
    // line says otherwise and where the author lets it.
    if (!switches.unInstall) {
        FindEarlierInstall();
        return switches.scope == TScopeSwitch::none && installed_.found ? switchOf(installed_.scope) : switches.scope;
    }
    // An uninstall removes the install whose registration runs this very
    // program, in that install's scope: a switch that says otherwise would
    // remove the other scope's registration.
    const String own = LongPathName(ExtractFilePath(ProgramPath()));
    for (TRunScope scope : {TRunScope::user, TRunScope::machine}) {
        const TInstalledProduct p = FindInstalledProductIn(ProductId(), ProductName(), scope);
        if (!p.found || !SameText(LongPathName(p.folder), own)) continue;
        contradicted = switches.scope != TScopeSwitch::none && switches.scope != switchOf(scope);
        return switchOf(scope);
    }
    return switches.scope;
}

void TNimboInfo::LogRunScope() const
{
    const char* forUser[] = {"Installing for the current user.", "Uninstalling for the current user."};
    const char* forAll[] = {"Installing for all users.", "Uninstalling for all users."};
    RunLog((PerUserRun() ? forUser : forAll)[unInstallMode_ ? 1 : 0]);
}

bool TNimboInfo::PagesWriteMachineWide() const
{
    const TComponent* form = Owner();
    if (!form) return false;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (const auto* page = dynamic_cast<const TNimboPage*>(form->Components(i)); page && page->WritesMachineWide())
            return true;
    return false;
}

void TNimboInfo::ElevatedRestart()
{
    handingOver_ = true;
    // The copy with rights checks for a second setup itself.
    instanceMutex_.Close();
    const String program = ProgramPath();
    const String arguments = (RunSwitches().unInstall ? "UNINSTALL " : "") + ForwardedSwitches();
    const String directory = CurrentDirectory();
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "runas";
    info.lpFile = program.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    RunLog("Starting again with administrator rights.");
    if (!ShellExecuteExA(&info) || !info.hProcess) {
        const DWORD error = GetLastError();
        String text = Format(GetMessageText(msgElevationRefused), AppName());
        // Refused by the user needs no more words; anything else does.
        if (error != ERROR_CANCELLED) text = WithSystemError(text, error);
        RunLog("Error: " + text);
        SetRunExitCode(exitFailed);
        ShowMessageDialog(this, text, mtError, NimboDialogButton(mbOK));
        EndProcessNow();
    }
    const TKernelHandle copy(info.hProcess);
    // The copy with rights is the run: this process ends as it does.
    FreeNimboPagesForm();
    WaitForProcessEndIdle(copy.Get());
    EndAsCopy(copy.Get());
}

void TNimboInfo::TakeMultiDiskHandOver()
{
    const String source = AddBackslash(ReadProfileString(HandOverFile(), kMultiDiskSection, "Source Dir"));
    if (!source.empty()) {
        sourceDir_ = source;
        multiDisk_ = true;
    }
    EraseHandOver(kMultiDiskSection);
    if (!source.empty()) ChangeDirectory(sourceDir_);
    ChangeDirectory(RemoveBackslash(ExtractFileDir(ProgramPath())));
}

void TNimboInfo::TakeUnInstallHandOver()
{
    const String log = ReadProfileString(HandOverFile(), kUnInstallSection, "Log File");
    const String copy = ReadProfileString(HandOverFile(), kUnInstallSection, "Program");
    // The section belongs to the temporary copy that the uninstall restart
    // started; left over by a crashed run or another program, it is stale.
    const bool ours = !copy.empty() && SameText(LongPathName(copy), LongPathName(ProgramPath()));
    if (!ours) {
        EraseHandOver(kUnInstallSection);
        return;
    }
    TStringList& files = script_->UnInstallFiles();
    files.Clear();
    for (int i = 0;; ++i) {
        const String v = ReadProfileString(HandOverFile(), kUnInstallSection, IntToStr(i));
        if (v.empty()) break;
        if (IsPlainFileName(v)) files.Add(UpperCase(v));
    }
    EraseHandOver(kUnInstallSection);
    if (log.empty()) return;
    unInstallMode_ = true;
    logFile_ = log;
    // The log stays until everything it lists is gone: an uninstall that is
    // cancelled or killed can be run again.
    const TLogSeal seal = CheckOwnLog(logFile_);
    if (seal == TLogSeal::missing || seal == TLogSeal::foreign || !ReadLog(logFile_, false))
        AbortUnInstall(GetMessageText(msgNoLogFile) + "\r\n" + logFile_);
    ConfineLogEntries(seal == TLogSeal::ours);
}

void TNimboInfo::OpenPayload()
{
    if (TSetupPayload::Open(ProgramPath(), payload_) != TPayloadState::damaged) return;
    const String text = GetMessageText(msgSetupDamaged);
    RunLog("Error: " + text);
    SetRunExitCode(exitFailed);
    ShowMessageDialog(this, text, mtError, NimboDialogButton(mbOK));
    EndProcessNow();
}

void TNimboInfo::ConfineLogEntries(bool sealed)
{
    const String logDir = AddBackslash(ExtractFileDir(logFile_));
    // A log of ours says where it was written: moved since by hand, its
    // entries name nothing that is there, and removing the log and the
    // registration would leave the application for good.
    const TNimboDir* d = script_->LogFileDir();
    const bool logged = d && !ReadProfileString(logFile_, "Directories", d->Name()).empty();
    if (sealed && logged && !SameText(LongPathName(d->GetPath()), LongPathName(logDir)))
        AbortUnInstall(Format(GetMessageText(msgInstallMoved), d->GetPath(), logDir));
    TInstallScope scope;
    scope.AddRoot(logDir);
    // The folders made on the way to the log's own go when they are empty.
    for (int i = 0; i < createdDirs_.Count(); ++i) {
        const String dir = NormaliseLogPath(createdDirs_[i], true);
        if (!dir.empty() && logDir.size() > dir.size() && SameText(logDir.substr(0, dir.size()), dir))
            scope.AddParent(dir);
    }
    if (sealed) {
        // A log of ours: its other destinations count too.
        for (TNimboDir* d : script_->Dirs()) scope.AddRoot(d->GetPath());
    } else {
        // Shown on the uninstall page, before anything is removed.
        logWarning_ = Format(GetMessageText(msgLogChanged), logDir);
        RunLog("Warning: " + logWarning_);
    }
    TStringList files, dirs;
    int listed = 0;
    auto keep = [&listed](const TStringList& from, TStringList& to, auto inScope) {
        for (int i = 0; i < from.Count(); ++i, ++listed) {
            const String name = inScope(from[i]);
            if (name.empty())
                RunLog("Skipped, outside the installation: " + from[i]);
            else
                to.Add(name);
        }
    };
    keep(InstalledFiles(), files, [&scope](const String& e) { return scope.File(e); });
    keep(createdDirs_, dirs, [&scope](const String& e) { return scope.Folder(e); });
    if (listed > 0 && files.Count() == 0 && dirs.Count() == 0)
        AbortUnInstall(Format(GetMessageText(msgLogNothingInside), logFile_, logDir));
    installedFiles_.Assign(files);
    createdDirs_.Assign(dirs);
}

void TNimboInfo::AbortUnInstall(const String& why)
{
    const String text = why + "  " + GetMessageText(msgUnInstallAborted);
    RunLog("Error: " + text);
    SetRunExitCode(exitFailed);
    ShowMessageDialog(this, text, mtError, NimboDialogButton(mbOK));
    // Nothing was removed; a temporary copy still takes itself away.
    if (unInstallMode_) EndOfRun();
    EndProcessNow();
}

void TNimboInfo::FloppyRestart()
{
    handingOver_ = true;
    const String temp = TemporaryDirectory();
    const String program = ProgramPath();
    const String name = ExtractFileName(program);
    const String source = AddBackslash(ExtractFileDir(program));
    try {
        ShowRestartDialog(this);
        try {
            CopyFileWithProgress(program, temp + name);
            for (int i = 0; i < multiDiskFiles_.Count(); ++i)
                CopyFileWithProgress(source + multiDiskFiles_[i], temp + multiDiskFiles_[i]);
        } catch (const EInOutError& e) {
            ShowMessageDialog(this,
                              WithSystemError(GetMessageText(msgTempNotCopied), e.ErrorCode()) + "\r\n" +
                                  GetMessageText(msgInstallAborted),
                              mtError, NimboDialogButton(mbOK));
            throw EInOutError(GetMessageText(msgTempNotCopied));
        }
        PrepareHandOver(kMultiDiskSection);
        WriteProfileString(HandOverFile(), kMultiDiskSection, "Source Dir", source);
        // The copy goes on as this run was asked to, for whom it decided.
        if (!StartProgram(temp + name, ForwardedSwitches())) {
            const DWORD error = GetLastError();
            ShowMessageDialog(this,
                              WithSystemError(GetMessageText(msgSetupNotExecuted), error) + "\r\n" +
                                  GetMessageText(msgInstallAborted),
                              mtError, NimboDialogButton(mbOK));
            throw EInOutError(GetMessageText(msgInstallAborted));
        }
    } catch (const EInOutError&) {
        // Reported above; the process ends either way.
        SetRunExitCode(exitFailed);
    }
    EndProcessNow();
}

void TNimboInfo::UnInstallRestart()
{
    handingOver_ = true;
    const String temp = TemporaryDirectory();
    const String program = ProgramPath();
    const String name = ExtractFileName(program);
    const String own = AddBackslash(ExtractFileDir(program));
    // Without the log there is nothing to go by: the registration stays,
    // and the run ends as failed.
    if (!script_->LogFileDir()) AbortUnInstall(GetMessageText(msgNoLogDir));
    try {
        logFile_ = LogFileFor(own, false);
    } catch (const EInOutError& e) {
        AbortUnInstall(e.Message());
    }
    if (logFile_.empty() && OnlyProgramLeft(own)) RemoveLeftProgram(own);
    if (logFile_.empty()) AbortUnInstall(GetMessageText(msgNoLogFile) + "\r\n" + own + script_->LogFileName());
    ShowRestartDialog(this);
    std::vector<String> files;
    const TStringList& list = script_->UnInstallFiles();
    // The copy deletes these beside itself at its end: plain names only.
    for (int i = 0; i < list.Count(); ++i)
        if (!SameText(list[i], name) && IsPlainFileName(list[i])) files.push_back(list[i]);
    // The copy speaks the installation's language only with the library.
    bool listed = false;
    for (const String& f : files) listed = listed || SameText(f, kLanguageLibraryName);
    if (!listed && FileExists(own + kLanguageLibraryName)) files.push_back(kLanguageLibraryName);
    try {
        CopyFileWithProgress(program, temp + name);
        for (const String& f : files) CopyFileWithProgress(own + f, temp + f);
    } catch (const EInOutError& e) {
        AbortUnInstall(WithSystemError(GetMessageText(msgUnInstallNotCopied), e.ErrorCode()));
    }
    // A fresh section, named for the copy it is meant for.
    PrepareHandOver(kUnInstallSection);
    WriteProfileString(HandOverFile(), kUnInstallSection, "Program", temp + name);
    if (!logFile_.empty() && script_->LogFileDir())
        WriteProfileString(HandOverFile(), kUnInstallSection, "Log File", logFile_);
    for (size_t i = 0; i < files.size(); ++i)
        WriteProfileString(HandOverFile(), kUnInstallSection, IntToStr(static_cast<long long>(i)), files[i]);
    // The copy runs as this one was asked to: silently, say.
    const TKernelHandle copy = StartProgram(temp + name, ForwardedSwitches());
    if (!copy) {
        const DWORD error = GetLastError();
        AbortUnInstall(WithSystemError(GetMessageText(msgUnInstallNotLaunched), error));
    }
    if (Unattended()) {
        // A script that started the uninstall learns when it is over, and
        // how it went: this process waits for the copy and ends with its
        // code. (This program file goes once this process has ended.)
        FreeNimboPagesForm();
        // Only waiting: the copy's broadcasts (DDE with Program Manager)
        // reach this process's windows and are answered, but nothing of
        // this run's own (the background's start timer) goes on.
        WaitForProcessEndIdle(copy.Get());
        EndAsCopy(copy.Get());
    }
    RunLog("The uninstall goes on in " + temp + name + ", which writes on in this log.");
    EndProcessNow();
}

bool TNimboInfo::OnlyProgramLeft(const String& own) const
{
    // The registration goes before the log: one still there belongs to an
    // installation whose log was lost some other way.
    if (FindInstalledProductIn(ProductId(), ProductName(), RunScope()).found) return false;
    for (const TFolderEntry& e : TFolderWalk(own))
        if (e.IsDirectory() ||
            !(SameText(e.name, ExtractFileName(ProgramPath())) || SameText(e.name, kLanguageLibraryName)))
            return false;
    return true;
}

void TNimboInfo::RemoveLeftProgram(const String& own)
{
    // An uninstall stopped after its log and registration were gone left
    // only its program: this run finishes it.
    RunLog("Only the uninstall program is left in " + own + ": it is removed with its folder.");
    std::vector<String> files;
    for (const TFolderEntry& e : TFolderWalk(own)) files.push_back(own + e.name);
    if (!DeleteAfterExit(files, {own}, TemporaryDirectory())) {
        const DWORD error = GetLastError();
        AbortUnInstall(WithSystemError("Unable to start the removal of " + own + ".", error));
    }
    RunLog("Done.");
    EndProcessNow();
}

void TNimboInfo::ResolveSystemDirectories()
{
    TNimboDir* windows = script_->FindDir("Windows");
    TNimboDir* system = script_->FindDir("Windows System");
    if (!windows || !system) return;  // a damaged script; nothing to resolve
    const TSystemDirectories dirs = gSystemDirectories();
    windows->SetDir(AddBackslash(dirs.windows));
    String sys = dirs.system;
    if (!windows->Dir().empty() && sys.compare(0, windows->Dir().size(), windows->Dir()) == 0) {
        sys.erase(0, windows->Dir().size());
    } else {
        system->SetParent(nullptr);
    }
    system->SetDir(AddBackslash(sys));
}

bool TNimboInfo::IsDeferred(const String& path) const
{
    for (const String& f : deferredFiles_)
        if (SameText(f, path)) return true;
    for (const String& d : deferredDirs_)
        if (SameText(RemoveBackslash(d), RemoveBackslash(path))) return true;
    return false;
}

void TNimboInfo::RegisterPages()
{
    TComponent* owner = Owner();
    if (!owner) return;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<TNimboComponent*>(owner->Components(i))) c->RegisterScriptEntry();
}

void TNimboInfo::SetMultiDiskFiles(const TStringList& files) { KeepScriptFiles(files, multiDiskFiles_); }

void TNimboInfo::KeepScriptFiles(const TStringList& names, TStringList& into) const
{
    into.Clear();
    for (int i = 0; i < names.Count(); ++i) {
        const String& entry = names[i];
        if (entry.empty() || into.IndexOf(entry) >= 0) continue;
        if (script_->FindFile(entry))
            into.Add(entry);
        else
            MessageDlg(Format(GetMessageText(msgFileNotInScript), entry), mtWarning, 1u << mbOK);
    }
}

void TNimboInfo::EndOfRun()
{
    if (endOfRunDone_) return;
    endOfRunDone_ = true;
    instanceMutex_.Close();
    // An uninstall that did not finish leaves the log as it found it.
    if (!HasState(csDesigning) && !unInstallDone_ && !unInstallMode_) FinishInstall();
    if (languageModule_ && languageModule_ != GetModuleHandleA(nullptr)) {
        FreeLibrary(languageModule_);
        languageModule_ = GetModuleHandleA(nullptr);
    }
    // A temporary copy removes itself and what it brought along; what
    // cannot go while this process runs goes once it has ended.
    const String program = ProgramPath();
    std::vector<String> left;
    auto remove = [&left](const String& path) {
        if (!DeleteFileA(path.c_str()) && FileExists(path)) left.push_back(path);
    };
    // Cancelled or done, the uninstall copy is temporary all the same.
    if (unInstallDone_ || unInstallMode_) {
        const String dir = AddBackslash(ExtractFileDir(program));
        const TStringList& files = script_->UnInstallFiles();
        for (int i = 0; i < files.Count(); ++i)
            if (IsPlainFileName(files[i])) remove(dir + files[i]);
        remove(program);
    }
    if (!HasState(csDesigning) && multiDisk_) {
        const String dir = AddBackslash(ExtractFileDir(program));
        for (int i = 0; i < multiDiskFiles_.Count(); ++i) remove(dir + multiDiskFiles_[i]);
        remove(program);
    }
    left.insert(left.end(), deferredFiles_.begin(), deferredFiles_.end());
    if (!left.empty() || !deferredDirs_.empty())
        DeleteAfterExit(left, deferredDirs_, AddBackslash(ExtractFileDir(program)));
}

// Tests of the restarts watch a restarted copy from outside: when
// NIMBO_STATE_FILE names a file, start-up writes what it decided there.
void TNimboInfo::ReportState() const
{
    const String file = GetEnvValue("NIMBO_STATE_FILE");
    if (file.empty()) return;
    // Text built here and written once: the C library's formatted output
    // would bring its whole printf into the program.
    String text = "Program=" + ProgramPath() + "\nSourceDir=" + sourceDir_ + "\nMultiDisk=" + (multiDisk_ ? "1" : "0") +
                  "\nUnInstallMode=" + (unInstallMode_ ? "1" : "0") + "\nLogFile=" + logFile_ + "\n";
    const TStringList& files = script_->UnInstallFiles();
    for (int i = 0; i < files.Count(); ++i) text += "UnInstallFile=" + files[i] + "\n";
    for (TNimboDir* d : script_->Dirs())
        text += "Dir=" + d->Name() + "|" + d->GetPath() + "|" + (IsDirSelected(d) ? "selected" : "") + "\n";
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

void NimboEndOfRun()
{
    if (!Application) return;
    for (int i = 0; i < Application->ComponentCount(); ++i) {
        TComponent* form = Application->Components(i);
        for (int k = 0; k < form->ComponentCount(); ++k)
            if (auto* info = dynamic_cast<TNimboInfo*>(form->Components(k))) {
                try {
                    info->EndOfRun();
                } catch (const std::exception& e) {
                    Application->HandleException(e);
                    SetRunExitCode(exitFailed);
                }
            }
    }
}
