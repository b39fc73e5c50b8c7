// The setup controller: one per form. It owns the setup script, links every
// setup component of its form, keeps the page history and the message
// catalogue of the current language.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "base/string_list.h"
#include "engine/installed_product.h"
#include "engine/message_ids.h"
#include "engine/nimbo_component.h"
#include "engine/run_scope.h"
#include "engine/setup_payload.h"
#include "framework/win32/handles.h"
#include "script/nimbo_groups.h"

class TNimboPage;
class TNimboInfo;
class TRunJournal;
struct TRunSwitches;
struct TProfileSection;

// Whose an install log is, by the seal its writer puts last: this
// application's, another product's (or no install log at all), or one
// whose entries changed since it was written (or that has no seal).
enum class TLogSeal { missing, ours, foreign, changed };

// A component of the form that the controller links when it joins (the
// background; the language page, which takes the current language as its
// default).
class INimboControllerClient {
public:
    virtual ~INimboControllerClient() = default;
    virtual void LinkController(TNimboInfo* controller) = 0;
};

// The form that holds the controller and registers the uninstall: the
// name the registration shows (and, for a setup that gives the product no
// identity of its own, its key).
class INimboProductHost {
public:
    virtual ~INimboProductHost() = default;
    virtual String RegistrationName() const = 0;
};

class TNimboInfo : public TNimboComponent {
    NIMBO_CLASS()

public:
    TNimboInfo();
    ~TNimboInfo() override;
    void Create(TComponent* owner) override;
    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler& filer) override;
    // Start-up, once the whole form has been read: single instance, language,
    // the hand-overs of a restarted copy, the restarts, system directories
    // and the selection of every script directory.
    void Loaded() override;
    // End-of-run work that can fail (the install log): run before the
    // objects are destroyed; errors propagate to the caller.
    void EndOfRun();
    void RegisterPages();

    // Page history: pages whose Execute is running, oldest first.
    void PushPage(TNimboPage* page);
    void PopPage();
    TNimboPage* PreviousPage() const;
    const std::vector<TNimboPage*>& PageHistory() const { return pageHistory_; }

    // Messages and languages.
    String GetMessageText(unsigned n) const;
    void BuildLanguageList();
    // Takes the name by value: it is compared with the language it ends
    // up loading, and callers pass the controller's own Language.
    void LoadLanguage(String name);
    const String& Language() const { return language_; }
    void SetLanguage(const String& name);
    TStringList* Languages() { return &languages_; }
    HMODULE LanguageModule() const { return languageModule_; }
    int MessageBase() const { return messageBase_; }

    // Directories and files chosen for this installation.
    void SelectDir(TNimboDir* dir, bool withFiles);
    void UnselectDir(TNimboDir* dir);
    bool SelectFile(TNimboFile* file, TNimboDir* dir);
    bool UnselectFile(TNimboFile* file, TNimboDir* dir);
    bool IsFileSelected(const TNimboFile* file, const TNimboDir* dir) const;
    const std::vector<TNimboDir*>& SelectedDirs() const { return selectedDirs_; }
    bool IsDirSelected(const TNimboDir* dir) const;
    TNimboFileGroup* SelectedFiles() { return &selectedFiles_; }

    TPicture* Picture() { return &picture_; }
    void SetPicture(const TPicture* p) { picture_.Assign(p); }

    bool MultiException() const { return multiException_; }
    void SetMultiException(bool v) { multiException_ = v; }
    bool Test() const { return test_; }
    void SetTest(bool v) { test_ = v; }
    // Whether a cancelled run undoes what it changed; a failed run always
    // does, and so does the next start after a killed one.
    bool RollBackOnCancel() const { return rollBackOnCancel_; }
    void SetRollBackOnCancel(bool v) { rollBackOnCancel_ = v; }
    // What this run changed on the machine, written down before each
    // change; made with the first.
    TRunJournal& Journal();
    // At the end of a run that did not complete: whether it is undone.
    bool RollsBack() const;
    // Whom the setup installs for (machine-wide, per-user or asked), and
    // whether /ALLUSERS and /CURRENTUSER may change that.
    TNimboScope InstallScope() const { return installScope_; }
    void SetInstallScope(TNimboScope v) { installScope_ = v; }
    bool ScopeSwitch() const { return scopeSwitch_; }
    void SetScopeSwitch(bool v) { scopeSwitch_ = v; }
    // The product across its releases: its identity (the registration's
    // key and the log's seal), version, maker and web page.
    void SetAppId(const String& v) { appId_ = v; }
    void SetVersion(const String& v) { version_ = v; }
    void SetPublisher(const String& v) { publisher_ = v; }
    void SetURL(const String& v) { url_ = v; }
    const String& Version() const { return version_; }
    const String& Publisher() const { return publisher_; }
    const String& URL() const { return url_; }
    // The AppId, else (a setup that gives none) the registration's name.
    String ProductId() const;
    // The product's name: the registration's, else the title.
    String ProductName() const;
    // The same product installed before, found at start (in either scope).
    const TInstalledProduct& Installed() const { return installed_; }
    // Whether the product's earlier install put that file there: the run
    // replaces it without a question (an update, a repair).
    bool InstalledBefore(const String& path) const;
    // Each choice page's chosen items, by page, as the registration keeps
    // them for the next release to preselect.
    std::vector<std::pair<String, String>> ChoiceStates() const;
    bool MultiDisk() const { return multiDisk_; }
    const String& SourceDir() const { return sourceDir_; }
    // The files a single-file setup carries, checked at start; none for a
    // setup folder and in the uninstall.
    const TSetupPayload* Payload() const { return payload_.get(); }
    TStringList* MultiDiskFiles() { return &multiDiskFiles_; }
    // Assigning the whole list keeps only names of script files.
    void SetMultiDiskFiles(const TStringList& files);
    // Copies the names that are script files into `into`, each once; each
    // other name is reported.
    void KeepScriptFiles(const TStringList& names, TStringList& into) const;
    bool UnInstallMode() const { return unInstallMode_; }
    // Set while start-up hands the run over to a restarted copy: this
    // process only copies, starts and waits, and runs no page of its own.
    bool HandingOver() const { return handingOver_; }
    bool UnInstallDone() const { return unInstallDone_; }
    void SetUnInstallDone(bool v) { unInstallDone_ = v; }
    const String& LogFile() const { return logFile_; }
    // What an uninstall must tell before it removes anything (a log that
    // was changed since it was written); empty when all is well.
    const String& LogWarning() const { return logWarning_; }
    void SetLogFile(const String& v) { logFile_ = v; }
    HANDLE InstanceMutex() const { return instanceMutex_.Get(); }
    // The install log (written at the end of a run, read by an uninstall);
    // ReadLog tells whether it read one. With `merge` the entries join the
    // current lists; without, they replace them and the directories take
    // the paths the setup resolved.
    bool ReadLog(const String& fileName, bool merge);
    // Whether a file holds one of the sections that every log written by
    // WriteLog has: only such a file may be deleted as a log.
    static bool IsInstallLog(const String& fileName);
    static TLogSeal CheckLogSeal(const String& fileName, const String& application);
    // Whose the log is for this product: by the identity its seal names,
    // or (a log of a release that sealed none) by the application's name
    // or an earlier release's registration name.
    TLogSeal CheckOwnLog(const String& fileName) const;
    // Whether a log of another product in the file's folder lists it (two
    // products installed into one folder keep their own programs).
    bool AnotherProductsFile(const String& path) const;
    // What the logs of other products in the folder list, upper-cased: a
    // file two products installed stays until the last of them goes.
    std::set<String> OtherProductsFiles(const String& dir) const;
    // The log of this application in a folder: for writing, where the log
    // goes (ours to merge with, else a free name, another program's log
    // kept); for an uninstall, the one to read, empty when there is none.
    String LogFileFor(const String& dir, bool forWriting) const;
    void WriteLog();
    // What this installation created, for the log.
    void AddCreatedDir(const String& path);
    void AddInstalledFile(const String& path);
    // Files of the selection that this run did not install although the user
    // went on (a copy error ignored, a directory that could not be made):
    // the closing message tells how many and names them.
    // A file the run did not install, by the name the closing message gives.
    void AddNotInstalled(const String& file) { notInstalled_.push_back(file); }
    int NotInstalled() const { return static_cast<int>(notInstalled_.size()); }
    const std::vector<String>& NotInstalledFiles() const { return notInstalled_; }
    // Files in use that are replaced when the computer restarts: the run
    // is finished only then.
    void SetRestartNeeded() { restartNeeded_ = true; }
    bool RestartNeeded() const { return restartNeeded_; }
    void AddGroupEntry(const String& item, const String& group);
    // A group's folder (in the user's or everybody's program folder) that
    // this installation made, for the log.
    void AddGroupFolder(const String& folder);
    void SetBDEType(uint8_t type) { loggedBDEType_ = type; }
    uint8_t LoggedBDEType() const { return loggedBDEType_; }
    void ClearLogLists();
    // What the uninstall could not remove while a program it belongs to
    // still runs: removed once this process has ended.
    void DeferDelete(const String& file) { deferredFiles_.push_back(file); }
    void DeferRemoveDir(const String& dir) { deferredDirs_.push_back(dir); }
    // Whether a file or folder is left for after this process.
    bool IsDeferred(const String& path) const;
    const TStringList& CreatedDirs() const { return createdDirs_; }
    const TStringList& InstalledFiles() const;
    const TStringList& GroupNames() const { return groupNames_; }
    const TStringList& GroupItems() const { return groupItems_; }
    const TStringList& GroupFolders() const { return groupFolders_; }
    // Whether the lists name the folders of the groups made: those of a
    // run that made a group folder, and of a log read back (an earlier
    // version's made its groups in the user's program folder, and reads so).
    bool GroupFoldersLogged() const { return groupFoldersLogged_; }

    // Checked at start, before anything changes: a mutex the product's
    // running program holds (its name, empty for none; the run asks the
    // user to close the program, an unattended one ends with 8) and the
    // oldest Windows the setup runs on ("6.1"; an older one ends the run,
    // unattended with 9).
    const String& AppMutex() const { return appMutex_; }
    void SetAppMutex(const String& v) { appMutex_ = v; }
    const String& MinWindows() const { return minWindows_; }
    void SetMinWindows(const String& v) { minWindows_ = v; }
    // The icons this installation made on the desktop, for the log.
    void AddDesktopIcon(const String& link);
    const TStringList& DesktopIcons() const { return desktopIcons_; }

    TNotifyEvent OnMultiInstance;

private:
    String appMutex_, minWindows_;
    TStringList desktopIcons_;
    // The start-up checks above; each ends the run when it refuses.
    void CheckRunningProgram();
    void CheckWindowsVersion();
    bool unInstallMode_ = false;
    bool handingOver_ = false;
    std::vector<TNimboPage*> pageHistory_;
    std::vector<TNimboDir*> selectedDirs_;
    TNimboFileGroup selectedFiles_;
    String language_ = "English";
    TStringList languages_;
    HMODULE languageModule_ = nullptr;
    int messageBase_ = 0;
    bool multiDisk_ = false;
    TStringList multiDiskFiles_;
    bool multiException_ = true;
    TPicture picture_;
    String sourceDir_;
    bool test_ = false;
    TNimboData ownScript_;
    String logFile_;
    String logWarning_;
    bool unInstallDone_ = false;
    uint8_t loggedBDEType_ = 0;
    TStringList createdDirs_;
    std::vector<String> notInstalled_;
    bool restartNeeded_ = false;
    // Files recorded since installedFiles_ was last read: sorted into it in
    // one pass when it is read, not one insertion at a time.
    mutable TStringList installedFiles_;
    mutable std::vector<String> pendingFiles_;
    TStringList groupNames_;
    TStringList groupItems_;
    TStringList groupFolders_;
    bool groupFoldersLogged_ = false;
    TKernelHandle instanceMutex_;
    std::vector<String> deferredFiles_, deferredDirs_;
    UINT savedErrorMode_ = 0;
    bool endOfRunDone_ = false;
    bool rollBackOnCancel_ = false;
    TNimboScope installScope_ = isMachine;
    bool scopeSwitch_ = true;
    std::unique_ptr<TRunJournal> journal_;
    std::unique_ptr<TSetupPayload> payload_;
    String appId_, version_, publisher_, url_;
    TInstalledProduct installed_;

    // The product's earlier install: where and for whom it went, refused
    // when it is newer than this setup (unless the command line allows).
    void FindEarlierInstall();
    // Says so and answers true when the earlier install is newer.
    bool DowngradeRefused();
    // Goes into the earlier install's folder and preselects its choices.
    void FollowEarlierInstall();
    // Files the earlier release installed that this one no longer ships:
    // set aside through the journal, so a run that does not complete puts
    // them back.
    std::vector<String> RemoveDroppedFiles();
    std::map<String, String> earlierFiles_;  // from the earlier install's log, by the upper-cased name

    void CheckSingleInstance();
    // The product, its version and AppId, at the head of the run's log.
    void LogProduct() const;
    // Why the install type, options, tasks or program group the command
    // line names are refused (names none of the form's pages offers, say);
    // empty when they are not.
    String CommandLineRefusal() const;
    // Ends a run whose command line is refused, with 1 and the reason.
    [[noreturn]] void RefuseCommandLine(const String& why);
    // Preselects the install type and options the command line names, over
    // an earlier install's.
    void TakeCommandLineChoices();
    // Decides whom this run installs for (asking when the author lets the
    // user choose), before anything that depends on it; a machine-wide run
    // without rights starts itself again with them and ends.
    void DecideRunScope();
    // The scope of the product's install, as a switch: an install's earlier
    // one, an uninstall's own (contradicted: the command line names the
    // other); else the command line's.
    TScopeSwitch InstalledScope(const TRunSwitches& switches, bool& contradicted);
    // Says in the run's log whom it installs (or uninstalls) for: once, by
    // the process that does the work, not by one that hands it over.
    void LogRunScope() const;
    // Whether a page of the form writes machine-wide in any scope.
    bool PagesWriteMachineWide() const;
    [[noreturn]] void ElevatedRestart();
    // The log's program groups and the folders of those it made.
    void ReadGroups(const String& fileName);
    // The log's sections of this installation, as WriteLog writes them.
    std::vector<TProfileSection> LogSections() const;
    // Undoes what a killed earlier run of this application changed, asking
    // first in an attended run; false when the user said no: nothing may
    // change before that run is undone, so this one ends.
    bool RecoverInterruptedRun();
    // Reports a killed run's journal that is not obeyed; the run fails.
    void RefuseJournal(const String& problem);
    void RollBackRun();
    // The end of an install: undone, or its log written and its journal
    // closed as done.
    void FinishInstall();
    void TakeMultiDiskHandOver();
    void TakeUnInstallHandOver();
    // A single-file setup whose file is damaged or cut ends here, before
    // it changes anything.
    void OpenPayload();
    // Keeps of the log's files and folders those inside the installation
    // (all of a log of ours, else only the log's own folder); the others
    // are listed in the run's log. A log with nothing inside is refused.
    void ConfineLogEntries(bool sealed);
    // Ends an uninstall that cannot go on, as failed, with nothing removed.
    [[noreturn]] void AbortUnInstall(const String& why);
    [[noreturn]] void FloppyRestart();
    [[noreturn]] void UnInstallRestart();
    // Whether the uninstall program's folder holds nothing but the program
    // (and its language library), with no registration left.
    bool OnlyProgramLeft(const String& own) const;
    [[noreturn]] void RemoveLeftProgram(const String& own);
    void ResolveSystemDirectories();
    void ReportState() const;
};

// Where the Windows and system directories come from (a seam for tests).
struct TSystemDirectories {
    String windows;
    String system;
};
using TSystemDirectoriesSource = TSystemDirectories (*)();
TSystemDirectoriesSource SetSystemDirectoriesSource(TSystemDirectoriesSource source);

// The program's own path (argument 0) and its command-line arguments.
String ProgramPath();
String ProgramArgument(int index);
// What is copied beside the install log so that the installation can be
// removed: the program itself (of a single-file setup, only its image: the
// uninstall needs none of the payload) and, when it is there, its language
// library.
struct TProgramFile {
    String path;
    TFilePart part;
    int64_t Size() const;
};
std::vector<TProgramFile> UnInstallProgramFiles(const TSetupPayload* payload);

// Runs the end-of-run step of every controller on the forms the
// application owns; an error goes to the application's default handler.
void NimboEndOfRun();
