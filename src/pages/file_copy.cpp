#include "pages/file_copy.h"

#include <algorithm>
#include <cmath>

#include "base/date_time.h"
#include "engine/nimbo_info.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "engine/file_routines.h"
#include "engine/files_in_use.h"
#include "engine/message_dialog.h"
#include "engine/path_routines.h"
#include "engine/run_switches.h"
#include "engine/run_journal.h"
#include "framework/win32/progress_bar.h"
#include "framework/win32/system_error.h"

const TEnumInfo& OverWriteNames()
{
    static const TEnumInfo i{{"swNever", "swAlways", "swAsk", "swOlder"}};
    return i;
}

NIMBO_DEFINE_CLASS(TNimboFileCopy, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboFileCopy)
                       .Bool("CreateEmptyDirs", &TNimboFileCopy::SetCreateEmptyDirs)
                       .Enum("OverWrite", &TNimboFileCopy::SetOverWrite, OverWriteNames()))

namespace {
// The library's entry point of that name, as its type.
template <typename T> T Entry(HMODULE library, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// A copy list entry: "disk::name::target folder".
const char* const kEntrySeparator = "::";

// An entry of the copy list, read.
struct TCopyEntry {
    int disk;
    String name, dir;
};

TCopyEntry ParseEntry(String entry)
{
    const int disk = std::atoi(SplitToken(entry, kEntrySeparator).c_str());
    const String name = SplitToken(entry, kEntrySeparator);
    return {disk, name, entry};
}
constexpr int kFirstDisk = 1;
// The disk an error about a target names: it is on none.
constexpr int kNoDisk = 0;

// Thrown from the progress of a plain copy when the user confirmed Cancel:
// the copy routine then removes what it wrote, and the page cancels.
struct TCopyStopped {};

int ClampToInt(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < 0 ? 0 : static_cast<int>(v); }

TFreeSpaceSource gFreeSpace = FreeDiskSpace;

// A drive's root ("C:\") is this long; a path no longer than it is one.
constexpr size_t kDriveRootLength = 3;

// The directories above `path` that are not there yet, deepest first.
std::vector<String> MissingAncestors(const String& path)
{
    std::vector<String> ancestors;
    for (String p = path;;) {
        const String parent = ExtractFilePath(RemoveBackslash(p));
        if (parent.size() <= kDriveRootLength || DirectoryExists(RemoveBackslash(parent))) break;
        ancestors.push_back(parent);
        p = parent;
    }
    return ancestors;
}

}  // namespace

TFreeSpaceSource SetFreeSpaceSource(TFreeSpaceSource source)
{
    TFreeSpaceSource old = gFreeSpace;
    gFreeSpace = source ? source : FreeDiskSpace;
    return old;
}

TNimboFileCopy::TNimboFileCopy() = default;

TNimboFileCopy::~TNimboFileCopy() { UnloadLibrary(); }

void TNimboFileCopy::Create(TComponent* owner)
{
    TNimboPage::Create(owner);
    buttons_ = NimboButton(btCancel);
    createEmptyDirs_ = false;
    overWrite_ = swAsk;
}

String TNimboFileCopy::Text(unsigned n) const { return NimboMessageText(controller_, n); }

void TNimboFileCopy::ShowPage()
{
    TNimboPage::ShowPage();
    TNimboPagesForm* f = NimboPagesForm;
    f->meFCActions->Lines()->Clear();
    f->meFCActions->Lines()->Add(Text(msgCopyWait) + "\r\n\r\n" + Text(msgDirMayHalt));
    f->SetCaption(Text(msgCopyCaption));
    f->btnPrev->Hide();
    f->btnPrev->SetEnabled(false);
    f->btnNext->Hide();
    f->btnNext->SetEnabled(false);
    f->laFCFileInfo->SetCaption(Text(msgCopyFilesLeft));
    f->laFC1->SetCaption(Text(msgCopyCopying));
    f->laFC2->SetCaption(Text(msgCopyTo));
    f->laFCFile->SetCaption(Text(msgCopyFile));
    f->laFCTotal->SetCaption(Text(msgCopyTotal));
    // Each bar a little taller than its label and right of the wider one.
    const int overhang = f->ScaleDesign(2);
    f->pbrFCFile->SetBounds(f->pbrFCFile->Left(), f->laFCFile->Top() - overhang, f->pbrFCFile->Width(),
                            f->laFCFile->Height() + 2 * overhang);
    f->pbrFCProgress->SetBounds(f->pbrFCProgress->Left(), f->laFCTotal->Top() - overhang, f->pbrFCProgress->Width(),
                                f->laFCTotal->Height() + 2 * overhang);
    const int a = std::max(f->laFCFile->Width(), f->laFCTotal->Width());
    const int width = f->nbPage->Width() - a - f->laFCTotal->Left() - f->ScaleDesign(30);
    f->pbrFCProgress->SetBounds(a + f->ScaleDesign(20), f->pbrFCProgress->Top(), width, f->pbrFCProgress->Height());
    f->pbrFCFile->SetBounds(a + f->ScaleDesign(20), f->pbrFCFile->Top(), width, f->pbrFCFile->Height());
    f->nbPage->SetPageIndex(wpFileCopy);
}

void TNimboFileCopy::PageActive() { lastResult_ = Run(); }

int TNimboFileCopy::Run()
{
    // The program's own folder, or the one a multi-disk restart came from.
    sourceDir_ = controller_->SourceDir();
    aborted_ = false;
    cancelDone_ = false;
    if (!CheckFreeSpace()) {
        // As for a directory it cannot make: an unattended run ends here,
        // undone, rather than going on as if its files were installed.
        if (Unattended()) DoCancel();
        return kNotEnoughSpace;
    }
    LoadLibrary();
    struct Unload {
        TNimboFileCopy* page;
        ~Unload()
        {
            page->workFolders_.RemoveAll();
            page->UnloadLibrary();
        }
    } unload{this};

    CreateDirectories();
    if (aborted_) {
        // Nobody is there to choose between Cancel and Next: an unattended
        // run that gave up on a directory ends as cancelled, not as Next
        // would take it on without the files.
        if (Unattended()) DoCancel();
        return kAbortedAtDirectories;
    }
    OpenSolidArchive();
    NotePresentFiles();
    TStringList list;
    std::vector<TNimboFile*> offDisk;
    BuildCopyList(list, offDisk);
    FollowArchiveOrder(list);
    PlanAsides(list);
    StartTotalProgress(list);
    ReportOffDisk(offDisk);
    CopyList(list);
    // Before the pages that follow, which run from here.
    solid_.reset();
    workFolders_.RemoveAll();
    if (aborted_ || NimboPagesForm->ModalResult() == mrCancel)
        DoCancel();
    else
        DoNext();
    return state_;
}

void TNimboFileCopy::NotePresentFiles()
{
    // What a killed earlier run left in the folders this run installs into;
    // the rest of what they hold tells which targets are there already.
    present_.clear();
    for (int i = 0; i < dirList_.Count(); ++i) {
        std::vector<String> names;
        RemoveSetupLeftovers(dirList_[i], &names);
        for (const String& name : names) present_.insert(AnsiUpperCase(dirList_[i] + name));
    }
}

void TNimboFileCopy::PlanAsides(const TStringList& list)
{
    // One flush of the journal for all the files the copy may replace,
    // rather than one as each is set aside.
    std::vector<String> present;
    for (int i = 0; i < list.Count(); ++i) {
        const TCopyEntry e = ParseEntry(list[i]);
        if (present_.count(AnsiUpperCase(e.dir + e.name))) present.push_back(e.dir + e.name);
    }
    controller_->Journal().PlanAsides(present);
}

void TNimboFileCopy::StartTotalProgress(const TStringList& list)
{
    int64_t total = 0;
    for (int i = 0; i < list.Count(); ++i) total += static_cast<TNimboFile*>(list.Objects(i))->Size();
    NimboPagesForm->pbrFCProgress->SetMaxValue(ClampToInt(total));
    NimboPagesForm->pbrFCProgress->SetProgress(0);
}

void TNimboFileCopy::CopyList(TStringList& list)
{
    TNimboPagesForm* f = NimboPagesForm;
    int currentDisk = kFirstDisk;
    while (list.Count() > 0 && !aborted_ && f->ModalResult() != mrCancel) {
        f->laFCFilesLeft->SetCaption(IntToStr(list.Count()));
        const auto [disk, name, targetDir] = ParseEntry(list[0]);
        if (disk != currentDisk) {
            PromptForDisk(disk);
            if (aborted_) break;
        }
        currentDisk = disk;
        auto* file = static_cast<TNimboFile*>(list.Objects(0));
        const String source =
            controller_->Test() ? file->Source() + name : sourceDir_ + SetupSubFolder(file->Source()) + name;
        CopyOneFile(source, targetDir + name, file, disk);
        list.Delete(0);
    }
}

bool TNimboFileCopy::CheckFreeSpace()
{
    std::vector<std::pair<char, int64_t>> drives;
    auto drive = [&drives](const String& path) -> int64_t& {
        const char letter = path.empty() ? '?' : UpperCase(path.substr(0, 1))[0];
        auto it = std::find_if(drives.begin(), drives.end(), [letter](const auto& d) { return d.first == letter; });
        if (it != drives.end()) return it->second;
        drives.emplace_back(letter, 0);
        return drives.back().second;
    };
    TNimboFileGroup* selected = controller_->SelectedFiles();
    for (int i = 0; i < selected->Dirs().Count(); ++i) {
        TNimboDir* dir = selected->Dirs()[i];
        int64_t& needed = drive(dir->GetPath());
        if (!controller_->IsDirSelected(dir)) continue;
        if (TNimboFileList* files = selected->FileLists(i))
            for (TNimboFile* file : files->Files()) needed += file->Size();
    }
    // The program that later removes the installation goes into the log's
    // folder as well.
    if (const TNimboDir* logDir = script_->LogFileDir()) {
        int64_t& needed = drive(logDir->GetPath());
        for (const TProgramFile& file : UnInstallProgramFiles(controller_->Payload())) needed += file.Size();
    }
    bool ok = true;
    for (const auto& [letter, needed] : drives) {
        const int64_t available = gFreeSpace(String(1, letter) + ":\\");
        if (needed <= available) continue;
        ok = false;
        SetRunExitCode(exitDiskSpace);
        RunLog(Format("Error: not enough space on drive %s:", String(1, letter)));
        if (OnDriveTooSmall) {
            OnDriveTooSmall(this, letter, needed, available);
        } else {
            // In the run's language, caption and button too.
            ShowMessageDialog(controller_,
                              Format(Text(msgSpaceNotEnough), String(1, letter)) + "\r\n" +
                                  Format(Text(msgSpaceAvailable), available) + "\r\n" +
                                  Format(Text(msgSpaceRequired), needed) + "\r\n" +
                                  Format(Text(msgSpaceMissing), needed - available),
                              mtWarning, NimboDialogButton(mbOK));
        }
    }
    return ok;
}

void TNimboFileCopy::LoadLibrary()
{
    // A single-file setup carries the library it needs (or none, when it
    // holds no compressed file).
    compLib_ = controller_->Payload() ? carriedLib_.Load(kCompLibraryResource, kCompLibraryName, controller_->Journal())
                                      : ::LoadLibraryA(kCompLibraryName);
    if (reinterpret_cast<UINT_PTR>(compLib_) < 32) {
        compLib_ = nullptr;
        return;
    }
    compress_ = GetProcAddress(compLib_, kCompCompressEntry);
    deCompress_ = Entry<TDeCompress>(compLib_, kCompDeCompressEntry);
    deCompressNew_ = Entry<TDeCompress>(compLib_, kCompDeCompressNewEntry);
    deCompressPart_ = Entry<TDeCompressPart>(compLib_, kCompDeCompressPartEntry);
    isCompressed_ = Entry<TIsCompressed>(compLib_, kCompIsCompressedEntry);
    timeStamp_ = Entry<TTimeStamp>(compLib_, kCompTimeStampEntry);
    streamEntries_.open = Entry<TCompOpenStreamEntry>(compLib_, kCompOpenStreamEntry);
    streamEntries_.read = Entry<TCompReadStreamEntry>(compLib_, kCompReadStreamEntry);
    streamEntries_.close = Entry<TCompCloseStreamEntry>(compLib_, kCompCloseStreamEntry);
}

void TNimboFileCopy::UnloadLibrary()
{
    // Its stream runs in the library.
    solid_.reset();
    streamEntries_ = TCompStreamEntries{};
    if (compLib_ && !carriedLib_.Holds(compLib_)) FreeLibrary(compLib_);
    carriedLib_.Unload();
    compLib_ = nullptr;
    deCompressPart_ = nullptr;
    compress_ = nullptr;
    deCompress_ = nullptr;
    deCompressNew_ = nullptr;
    isCompressed_ = nullptr;
    timeStamp_ = nullptr;
}

void TNimboFileCopy::ListTargetDirs()
{
    TNimboFileGroup* selected = controller_->SelectedFiles();
    for (int i = 0; i < selected->Dirs().Count(); ++i) {
        TNimboDir* dir = selected->Dirs()[i];
        const String path = dir->GetPath();
        bool listed = false;
        for (int k = 0; k < dirList_.Count() && !listed; ++k) listed = AnsiCompareText(dirList_[k], path) == 0;
        TNimboFileList* files = selected->FileLists(i);
        const bool hasFiles = files && files->Files().Count() > 0;
        if (!listed && controller_->IsDirSelected(dir) && (hasFiles || createEmptyDirs_)) dirList_.AddObject(path, dir);
    }
    // In the user's order of names.
    dirList_.CustomSort(AnsiCompareText);
}

void TNimboFileCopy::CreateDirectories()
{
    ListTargetDirs();
    for (int i = 0; i < dirList_.Count(); ++i) {
        auto* dir = static_cast<TNimboDir*>(dirList_.Objects(i));
        const String full = dir->GetPath();
        const String path = RemoveBackslash(full);
        controller_->Journal().Destination(full);
        if (DirectoryExists(path)) continue;
        const std::vector<String> ancestors = MissingAncestors(path);
        DWORD error = 0;
        if (MakeDirectory(path, error)) {
            // Outermost first, so an uninstall removes the deepest first.
            for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) controller_->AddCreatedDir(*it);
            if (dir->Name() != "Windows" && dir->Name() != "Windows System") controller_->AddCreatedDir(full);
            continue;
        }
        UndoPartialDirs(path, ancestors);
        DropDirsUnder(path);
        --i;  // the line that now follows takes this place
        if (Ask(WithSystemError(Format(Text(msgCopyNoDirectory), full), error) + " " + Text(msgCopyAbort), mtWarning,
                NimboDialogButton(mbYes) | NimboDialogButton(mbNo)) == mrYes)
            aborted_ = true;
    }
    SetCurrentDirectoryA(ChDirPath(ExtractFileDir(ProgramPath())).c_str());
}

bool TNimboFileCopy::MakeDirectory(const String& path, DWORD& error)
{
    // The directory is made when it can be entered as itself. `error` tells
    // why not in the platform's word for the first directory of the chain it
    // refused, else for entering it (0 when it gave none).
    error = 0;
    try {
        error = controller_->Journal().MakeDirs(path);
        if (SetCurrentDirectoryA(ChDirPath(path).c_str()))
            return SameText(AddBackslash(path), AddBackslash(CurrentDirectory()));
        if (!error) error = GetLastError();
    } catch (const EInOutError& e) {
        error = e.ErrorCode();
    }
    return false;
}

void TNimboFileCopy::DropDirsUnder(const String& path)
{
    TNimboFileGroup* selected = controller_->SelectedFiles();
    for (int k = dirList_.Count() - 1; k >= 0; --k)
        if (dirList_[k].size() >= path.size() && SameText(dirList_[k].substr(0, path.size()), path)) {
            // Its files are not installed; the closing message counts them.
            auto* dropped = static_cast<TNimboDir*>(dirList_.Objects(k));
            if (TNimboFileList* files = controller_->IsDirSelected(dropped) ? selected->FileListOf(dropped) : nullptr) {
                for (const TNimboFile* file : files->Files()) {
                    controller_->AddNotInstalled(dirList_[k] + file->Name());
                    RunLog("Skipped: " + dirList_[k] + file->Name() + " (its directory could not be made)");
                }
            }
            dirList_.Delete(k);
        }
}

void TNimboFileCopy::UndoPartialDirs(const String& path, const std::vector<String>& ancestors)
{
    // A path that fails part way (too long, a name the file system refuses)
    // may have left some of its directories made. Only those this pass made
    // are removed, deepest first; one that cannot be removed is logged, so
    // that an uninstall removes it.
    SetCurrentDirectoryA(ChDirPath(ExtractFileDir(ProgramPath())).c_str());
    std::vector<String> made{AddBackslash(path)};
    made.insert(made.end(), ancestors.begin(), ancestors.end());
    std::vector<String> kept;
    for (const String& dir : made)
        if (DirectoryExists(RemoveBackslash(dir)) && !RemoveDirectoryA(RemoveBackslash(dir).c_str()))
            kept.push_back(dir);
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) controller_->AddCreatedDir(*it);
}

void TNimboFileCopy::BuildCopyList(TStringList& list, std::vector<TNimboFile*>& offDisk)
{
    TNimboFileGroup* selected = controller_->SelectedFiles();
    const auto& disks = script_->Disks();
    for (int i = 0; i < dirList_.Count(); ++i) {
        auto* dir = static_cast<TNimboDir*>(dirList_.Objects(i));
        if (!controller_->IsDirSelected(dir)) continue;
        TNimboFileList* files = selected->FileListOf(dir);
        if (!files) continue;
        for (TNimboFile* file : files->Files()) {
            bool onDisk = false;
            for (int d = 0; d < disks.Count(); ++d)
                if (disks[d]->Contains(file)) {
                    const String disk = IntToStr(d + kFirstDisk);
                    list.AddObject(disk + kEntrySeparator + file->Name() + kEntrySeparator + dirList_[i], file);
                    onDisk = true;
                }
            if (!onDisk) offDisk.push_back(file);
            KeepAlive();
        }
    }
    list.CustomSort(AnsiCompareText);
}

void TNimboFileCopy::ReportOffDisk(const std::vector<TNimboFile*>& files)
{
    // A file the script selects but puts on no disk (one larger than its
    // disk, say) cannot be installed: a copy error the user hears of before
    // anything is copied, and may abort on.
    for (TNimboFile* file : files) {
        if (aborted_) return;
        controller_->AddNotInstalled(file->Name());
        RunLog("Skipped: " + file->Name() + " (on none of the setup's disks)");
        if (Ask(Format(Text(msgFileOnNoDisk), file->Name()), mtWarning,
                NimboDialogButton(mbAbort) | NimboDialogButton(mbIgnore)) == mrAbort)
            ConfirmAbort();
    }
}

void TNimboFileCopy::PromptForDisk(int disk)
{
    const char first = sourceDir_.empty() ? '\0' : UpperCase(sourceDir_.substr(0, 1))[0];
    if (first != 'A' && first != 'B' && controller_->Test()) return;
    TNimboDisk* d = script_->GetDisk(disk);
    const String label = d ? d->Description() : String();
    if (Ask(Format(Text(msgInsertDisk), disk, label), mtInformation,
            NimboDialogButton(mbOK) | NimboDialogButton(mbCancel)) == mrCancel)
        aborted_ = true;
}

// Letting messages through costs a round trip to the window system even
// when none are waiting; after every small file that would be most of the
// copy's time. Every few tens of milliseconds keeps the window painted and
// Cancel answered just as well.
constexpr DWORD kKeepAliveGap = 25;

void TNimboFileCopy::KeepAlive()
{
    if (!answered_ && GetTickCount() - lastKeepAlive_ < kKeepAliveGap) return;
    answered_ = false;
    Application->ProcessMessages();
    lastKeepAlive_ = GetTickCount();
}

int TNimboFileCopy::Ask(const String& text, TMsgDlgType kind, unsigned buttons)
{
    // What the user did right after answering (Cancel, say) is seen before
    // the next file.
    answered_ = true;
    return ShowMessageDialog(controller_, text, kind, buttons);
}

void TNimboFileCopy::AdvanceProgressLater(int64_t bytes)
{
    pendingProgress_ += bytes;
    if (GetTickCount() - lastProgress_ >= kKeepAliveGap) {
        FlushProgress();
        // A large file keeps the window alive while it is copied, and a
        // Cancel confirmed meanwhile ends it there.
        KeepAlive();
        if (NimboPagesForm->ModalResult() == mrCancel) throw TCopyStopped();
    }
}

void TNimboFileCopy::FlushProgress()
{
    const int64_t bytes = pendingProgress_;
    pendingProgress_ = 0;
    lastProgress_ = GetTickCount();
    if (bytes) AdvanceProgress(bytes);
}

void TNimboFileCopy::AdvanceProgress(int64_t bytes)
{
    TNimboPagesForm* f = NimboPagesForm;
    for (TQuenProgressBar* bar : {f->pbrFCFile, f->pbrFCProgress})
        bar->SetProgress(ClampToInt(std::min<int64_t>(bar->MaxValue(), static_cast<int64_t>(bar->Progress()) + bytes)));
}

void TNimboFileCopy::ShowCopyNames(const String& source, const String& target)
{
    TNimboPagesForm* f = NimboPagesForm;
    f->laFCSource->SetCaption(RemoveBackslash(ShortenPath(source, f->laFCSource->Width(), f)));
    f->laFCTarget->SetCaption(RemoveBackslash(ShortenPath(target, f->laFCSource->Width(), f)));
}

void TNimboFileCopy::CopyOneFile(const String& source, const String& target, TNimboFile* file, int disk)
{
    ShowCopyNames(source, target);
    KeepAlive();
    if (source == target) {
        RunLog("Skipped: " + target + " (the source itself)");
        Ask(Text(msgCopySameFile) + ":" + source, mtInformation, NimboDialogButton(mbOK));
        AdvanceProgress(file->Size());
        return;
    }
    // Whether the target is there comes from its folder's listing (each
    // look-up of a name that is not there may read the whole folder). One
    // that is not is written as a new file, which takes its name when
    // complete and only if the name is still free; one that is goes through
    // the overwrite policy first. Both are written in the work folder.
    TCopyJob job;
    job.source = source;
    job.target = target;
    job.file = file;
    job.disk = disk;
    job.expand = file->Compressed() && !controller_->Test();
    FindStorage(job);
    job.existed = present_.count(AnsiUpperCase(target)) != 0;
    // An older library without the new-only expansion: the policy looks first.
    job.asNew = !job.existed && (!job.expand || deCompressNew_);
    if (!job.asNew && KeptByPolicy(job)) return;
    job.work = workFolders_.In(ExtractFilePath(target));
    while (!TryCopy(job)) {}
}

bool TNimboFileCopy::TryCopy(TCopyJob& job)
{
    TNimboPagesForm* f = NimboPagesForm;
    job.compressionError = false;
    f->pbrFCFile->SetProgress(0);
    job.totalBefore = f->pbrFCProgress->Progress();
    try {
        if (WriteTarget(job))
            RecordInstalled(job);
        else
            PutBack(job);
    } catch (const TCopyStopped&) {
        // Cancel confirmed during the file: the run ends as cancelled.
        PutBack(job);
    } catch (const EInOutError& e) {
        PutBack(job);
        if (InUseError(e.ErrorCode()) && HeldByAnotherProgram(job.target)) return !RetryWhenInUse(job);
        return !RetryAfterCopyError(job, e.ErrorCode());
    }
    return true;
}

void TNimboFileCopy::PutBack(TCopyJob& job)
{
    // The old file is back in place whatever the user answers next: a run
    // that goes on without this file, or ends without a rollback, keeps it.
    if (!job.setAside) return;
    controller_->Journal().PutBack(job.target);
    job.setAside = false;
    job.asNew = false;
}

void TNimboFileCopy::JournalTarget(TCopyJob& job)
{
    TRunJournal& journal = controller_->Journal();
    if (job.asNew) {
        journal.FileMade(job.target);
        return;
    }
    if (job.setAside) return;  // on an earlier try
    if (!FileExists(job.target)) {
        journal.FileMade(job.target);
        return;
    }
    // Moved aside, the old file leaves its name free: the copy then takes
    // it as a new file's. A read-only, hidden or system file is copied
    // aside instead, so it stays where it is and refuses the copy as it
    // would without the journal. A file that cannot be kept is not replaced.
    const DWORD attributes = GetFileAttributesA(job.target.c_str());
    const bool protectedFile = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (!journal.SetAside(job.target, protectedFile))
        throw InOutError(job.target, GetLastError());  // the copy question says why
    job.setAside = true;
    job.asNew = !FileExists(job.target) && (!job.expand || deCompressNew_);
}

bool TNimboFileCopy::ExpandFile(TCopyJob& job)
{
    TNimboPagesForm* f = NimboPagesForm;
    f->pbrFCFile->SetMaxValue(job.file->CompressedSize());
    JournalTarget(job);
    // The library's progress messages keep the window alive during a long
    // expansion, and their answer stops it once a Cancel is confirmed.
    struct Hook {
        TNimboPagesForm* form;
        ~Hook() { form->OnExpandProgress = nullptr; }
    } hook{f};
    f->OnExpandProgress = [this, f] {
        KeepAlive();
        return f->ModalResult() == mrCancel;
    };
    int32_t expanded = -1;
    if (job.asNew) {
        expanded = Expand(job, true);
        if (expanded == kCompTargetExists && KeptAfterNameTaken(job)) return false;
    }
    if (!job.asNew) expanded = Expand(job, false);
    if (expanded == kCompCancelled) throw TCopyStopped();
    if (expanded < 0) {
        job.compressionError = true;
        throw EInOutError(Text(msgCompressionError));
    }
    // The library counts packed bytes, the total bar expanded ones: the
    // file's whole share, so the bar ends full.
    f->pbrFCProgress->SetProgress(
        ClampToInt(std::min<int64_t>(f->pbrFCProgress->MaxValue(), job.totalBefore + job.file->Size())));
    return true;
}

int32_t TNimboFileCopy::Expand(const TCopyJob& job, bool newOnly)
{
    const HWND window = NimboPagesForm->Handle();
    if (!job.fromPayload) {
        const TDeCompress entry = newOnly ? deCompressNew_ : deCompress_;
        return entry ? entry(job.source.c_str(), job.target.c_str(), window, WM_NIMBO_PROGRESS) : kCompCannotOpen;
    }
    if (!job.part || !deCompressPart_) return kCompCannotOpen;
    const TFilePart where = controller_->Payload()->PartOf(*job.part);
    const TCompPart part{where.offset, where.size};
    return deCompressPart_(controller_->Payload()->Path().c_str(), &part, job.target.c_str(), window, WM_NIMBO_PROGRESS,
                           newOnly);
}

bool TNimboFileCopy::CopyPlainFile(TCopyJob& job)
{
    NimboPagesForm->pbrFCFile->SetMaxValue(job.file->Size());
    const TCopyProgress progress = [this](int, int bytes) { AdvanceProgressLater(bytes); };
    // A single-file setup's file is its part of the program file.
    if (job.fromPayload && !job.part) throw InOutError("Source file doesn't exist.", ERROR_FILE_NOT_FOUND);
    const String& from = job.fromPayload ? controller_->Payload()->Path() : job.source;
    const TFilePart part = job.part ? controller_->Payload()->PartOf(*job.part) : TFilePart{};
    return PlaceTarget(job, [&](bool newOnly) {
        if (newOnly) return CopyNewPartWithProgress(from, part, job.target, progress, job.work);
        CopyPartWithProgress(from, part, job.target, progress, job.work);
        return true;
    });
}

bool TNimboFileCopy::PlaceTarget(TCopyJob& job, const TPlace& place)
{
    JournalTarget(job);
    try {
        if (job.asNew && !place(true) && KeptAfterNameTaken(job)) return false;
        if (!job.asNew) place(false);
    } catch (...) {
        FlushProgress();
        throw;
    }
    FlushProgress();
    return true;
}

bool TNimboFileCopy::KeptByPolicy(TCopyJob& job)
{
    // The overwrite policy for a target that is there: a file it keeps is
    // skipped, with its share of the bar.
    if (ConfirmOverwrite(job.source, job.target, job.disk, job.existed)) return false;
    RunLog("Kept: " + job.target + " (" + overwriteReason_ + ")");
    AdvanceProgress(job.file->Size());
    return true;
}

bool TNimboFileCopy::KeptAfterNameTaken(TCopyJob& job)
{
    // A new file whose name was taken meanwhile: its progress is undone and
    // the policy decides. The file there is not this run's.
    controller_->Journal().NotMade(job.target);
    job.asNew = false;
    pendingProgress_ = 0;
    NimboPagesForm->pbrFCFile->SetProgress(0);
    NimboPagesForm->pbrFCProgress->SetProgress(ClampToInt(job.totalBefore));
    return KeptByPolicy(job);
}

void TNimboFileCopy::RecordInstalled(const TCopyJob& job, const char* how)
{
    if (how)
        RunLog(how + job.target);
    else
        RunLog(job.existed ? "Replaced: " + job.target + " (" + overwriteReason_ + ")" : "Copied: " + job.target);
    if (!job.existed) controller_->AddInstalledFile(job.target);
    // A second entry for this target (a file on two disks) finds it there.
    present_.insert(AnsiUpperCase(job.target));
    KeepAlive();
}

bool TNimboFileCopy::RetryAfterCopyError(const TCopyJob& job, DWORD error)
{
    // A failed expansion says so; the other failures say why in the
    // platform's words.
    String text = WithSystemError(Format(Text(msgCopyError), ExtractFileName(job.source), job.disk), error);
    if (job.compressionError) text += "\r\n" + Text(msgCompressionError);
    const int answer =
        Ask(text, mtWarning, NimboDialogButton(mbAbort) | NimboDialogButton(mbRetry) | NimboDialogButton(mbIgnore));
    if (answer == mrRetry) return true;
    RunLog("Skipped: " + job.target + " (" + text + ")");
    LeaveFile(job, answer);
    return false;
}

void TNimboFileCopy::LeaveFile(const TCopyJob& job, int answer)
{
    // Ignore, or Abort whatever the answer to the question after it.
    controller_->AddNotInstalled(job.target);
    if (answer == mrIgnore)
        AdvanceProgress(job.file->Size());
    else if (answer == mrAbort)
        ConfirmAbort();
}

bool TNimboFileCopy::RetryWhenInUse(TCopyJob& job)
{
    String text = Format(Text(msgFileInUse), job.target);
    unsigned buttons = NimboDialogButton(mbAbort) | NimboDialogButton(mbRetry) | NimboDialogButton(mbIgnore);
    if (MayReplaceAtRestart()) {
        text += "\r\n" + Text(msgReplaceAtRestart);
        buttons |= NimboDialogButton(mbYes);
        // Nobody to close the program: an unattended run has the file
        // replaced at the restart rather than ending.
        if (FixedAnswers()) buttons &= ~NimboDialogButton(mbAbort);
    }
    const int answer = Ask(text, mtWarning, buttons);
    if (answer == mrRetry) return true;
    if (answer != mrYes) {
        RunLog("Skipped: " + job.target + " (in use by another program)");
        LeaveFile(job, answer);
        return false;
    }
    const DWORD error = ReplaceAtNextRestart(job);
    if (error == ERROR_CANCELLED) return false;  // a Cancel confirmed during the file
    if (!error) {
        controller_->SetRestartNeeded();
        RecordInstalled(job, "In use, replaced when the computer restarts: ");
        return false;
    }
    return RetryAfterCopyError(job, error);
}

DWORD TNimboFileCopy::ReplaceAtNextRestart(const TCopyJob& job)
{
    // The new file is a new file of this run under a name of its own: the
    // journal has it removed when the run is undone, and the move at the
    // restart then finds nothing to move.
    TCopyJob beside = job;
    beside.target = RestartFileName(job.target);
    beside.existed = false;
    beside.setAside = false;
    beside.asNew = !job.expand || deCompressNew_;
    // What the attempt that failed counted is counted again now.
    NimboPagesForm->pbrFCProgress->SetProgress(ClampToInt(job.totalBefore));
    NimboPagesForm->pbrFCFile->SetProgress(0);
    try {
        // The name was free a moment ago: one taken meanwhile is not ours.
        if (!WriteTarget(beside)) return ERROR_FILE_EXISTS;
    } catch (const TCopyStopped&) {
        return ERROR_CANCELLED;
    } catch (const EInOutError& e) {
        return e.ErrorCode() ? e.ErrorCode() : ERROR_WRITE_FAULT;
    }
    const DWORD error = ReplaceAtRestart(beside.target, job.target);
    if (error) DeleteFileA(beside.target.c_str());
    return error;
}

bool TNimboFileCopy::ConfirmAbort()
{
    if (Ask(Text(msgCopyAbort), mtConfirmation, NimboDialogButton(mbYes) | NimboDialogButton(mbNo)) != mrYes)
        return false;
    aborted_ = true;
    return true;
}

bool TNimboFileCopy::ConfirmOverwrite(const String& source, const String& target, int disk, bool& existed)
{
    existed = FileExists(target);
    // Why the file there is replaced or kept, for the run's log.
    overwriteReason_ = overWrite_ == swNever ? "the setup never replaces a file" : "the setup replaces every file";
    if (overWrite_ == swAlways || !existed) return true;
    if (overWrite_ == swNever) return false;
    // The product's own file from its earlier install: an update replaces
    // it, a repair puts it back, without a question.
    overwriteReason_ = "a file of the product's earlier install";
    if (overWrite_ == swAsk && controller_ && controller_->InstalledBefore(target)) return true;
    TOverwriteFacts facts;
    // Nobody to ask: a newer source replaces the target, nothing else does.
    if (overWrite_ == swOlder || (overWrite_ == swAsk && FixedAnswers())) {
        if (!PayloadFacts(source, facts)) LastWriteTime(source, facts.sourceTime);
        LastWriteTime(target, facts.targetTime);
        const bool newer = LocalDosStamp(facts.sourceTime) > LocalDosStamp(facts.targetTime);
        overwriteReason_ = newer ? "the setup's file is newer" : "it is as new as the setup's file, or newer";
        return newer;
    }
    overwriteReason_ = "as the user answered";
    for (;;) {
        ReadOverwriteFacts(source, target, facts);
        const TOverwriteAnswer answer = facts.sourceSize == -1 || facts.targetSize == -1
                                            ? AnswerUnreadable(source, target, disk, facts)
                                            : AskToReplace(target, facts);
        if (answer != TOverwriteAnswer::AskAgain) return answer == TOverwriteAnswer::Replace;
    }
}

void TNimboFileCopy::ReadOverwriteFacts(const String& source, const String& target, TOverwriteFacts& facts)
{
    // A compressed source tells its expanded size and time itself.
    const bool listed = PayloadFacts(source, facts);
    const int32_t expanded = isCompressed_ && !listed ? isCompressed_(source.c_str()) : -1;
    if (listed) {
        // As the directory gives them.
    } else if (compLib_ && expanded != -1) {
        facts.sourceSize = expanded;
        facts.sourceWhen = FormatLocalDateTime(timeStamp_ ? timeStamp_(source.c_str()) : 0);
    } else {
        facts.sourceSize = FileSizeOf(source);
        if (facts.sourceSize == -1) facts.sourceError = GetLastError();
        LastWriteTime(source, facts.sourceTime);
        facts.sourceWhen = FormatFileTime(facts.sourceTime);
    }
    facts.targetSize = FileSizeOf(target);
    if (facts.targetSize == -1) facts.targetError = GetLastError();
    LastWriteTime(target, facts.targetTime);
}

bool TNimboFileCopy::PayloadFacts(const String& source, TOverwriteFacts& facts) const
{
    // A single-file setup's directory, or the solid archive's, tells a
    // file's size and time.
    if (controller_->Test()) return false;
    // Outside test mode a source is the setup folder and the file's place in it.
    const String name = source.substr(std::min(source.size(), sourceDir_.size()));
    const TPayloadEntry* e = solid_ ? solid_->Find(name) : nullptr;
    if (!e && !controller_->Payload()) return false;
    if (!e) e = controller_->Payload()->Find(name);
    facts.sourceSize = e ? static_cast<int64_t>(e->size) : -1;
    facts.sourceError = e ? 0 : ERROR_FILE_NOT_FOUND;
    facts.sourceTime = e ? e->fileTime : 0;
    facts.sourceWhen = FormatFileTime(facts.sourceTime);
    return true;
}

TNimboFileCopy::TOverwriteAnswer TNimboFileCopy::AnswerUnreadable(const String& source, const String& target, int disk,
                                                                  const TOverwriteFacts& facts)
{
    const String text =
        (facts.sourceSize == -1 ? WithSystemError(Format(Text(msgCopyError), source, disk), facts.sourceError)
                                : WithSystemError(Format(Text(msgCopyError), target, kNoDisk), facts.targetError)) +
        "\r\n" + Text(msgCopySkip);
    const int answer =
        Ask(text, mtWarning, NimboDialogButton(mbYes) | NimboDialogButton(mbAbort) | NimboDialogButton(mbRetry));
    if (answer == mrYes) {
        controller_->AddNotInstalled(target);
        overwriteReason_ = "unreadable: " + text;
        return TOverwriteAnswer::Keep;
    }
    if (answer == mrAbort) {
        aborted_ = true;
        return TOverwriteAnswer::Keep;
    }
    if (answer == mrRetry) return TOverwriteAnswer::AskAgain;
    return TOverwriteAnswer::Keep;  // closed some other way: leave the file
}

TNimboFileCopy::TOverwriteAnswer TNimboFileCopy::AskToReplace(const String& target, const TOverwriteFacts& facts)
{
    const String name = ExtractFileName(target);
    const String text =
        Format(Text(msgOverwriteFile) + "\r\n" + "%s " + Text(msgOverwriteBytes) + "\r\n" + Text(msgOverwriteWith) +
                   "\r\n" + "%s " + Text(msgOverwriteBytes),
               name, FormatFileTime(facts.targetTime), facts.targetSize, name, facts.sourceWhen, facts.sourceSize);
    const int answer =
        Ask(text, mtConfirmation,
            NimboDialogButton(mbYes) | NimboDialogButton(mbNo) | NimboDialogButton(mbAbort) | NimboDialogButton(mbAll));
    if (answer == mrYes) return TOverwriteAnswer::Replace;
    if (answer == mrNo) return TOverwriteAnswer::Keep;
    if (answer == mrAll) {
        overWrite_ = swAlways;
        return TOverwriteAnswer::Replace;
    }
    // Abort needs a Yes to "abort file copy"; without one the user has not
    // agreed to replace the file, and is asked again, as after the box was
    // closed some other way.
    if (answer == mrAbort && ConfirmAbort()) return TOverwriteAnswer::Keep;
    return TOverwriteAnswer::AskAgain;
}

void TNimboFileCopy::DoNext()
{
    if (OnNextPage) OnNextPage(this);
    state_ = psDone;
    if (nextPage_) nextPage_->Execute();
}

void TNimboFileCopy::DoCancel()
{
    // The copy cancels from inside its run; the page's loop then asks
    // again, and the cancellation must not be reported twice.
    if (cancelDone_) return;
    cancelDone_ = true;
    if (OnCancel) OnCancel(this);
    state_ = psCancelled;
    aborted_ = true;
    if (TNimboPage* previous = controller_ ? controller_->PreviousPage() : nullptr) previous->SetState(psCancelled);
}
