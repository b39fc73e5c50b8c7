// The wizard page that installs the selected files: free space, target
// directories, the copy disk by disk with the overwrite policy, expansion
// of compressed files (and of the small files' solid archive, read in one
// pass as the copy goes), and both progress bars.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "base/setup_files.h"
#include "comp/tncomp32.h"
#include "engine/carried_library.h"
#include "engine/file_routines.h"
#include "engine/nimbo_component.h"
#include "engine/payload_format.h"
#include "engine/solid_archive.h"

class TNimboDir;
class TNimboFile;

enum TNimboOverWriteOptions { swNever, swAlways, swAsk, swOlder };
const TEnumInfo& OverWriteNames();

// Byte counts are 64-bit: drives of 2 GiB and more are common.
using TDriveSizeEvent = std::function<void(TObject* sender, char drive, int64_t needed, int64_t available)>;

// Free bytes on a drive ("C:\\"), -1 when unknown; a seam for tests.
using TFreeSpaceSource = int64_t (*)(const String& root);
TFreeSpaceSource SetFreeSpaceSource(TFreeSpaceSource source);

class TNimboFileCopy : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboFileCopy();
    ~TNimboFileCopy() override;
    void Create(TComponent* owner) override;

    void ShowPage() override;
    void PageActive() override;
    void DoNext() override;
    void DoCancel() override;
    bool BlocksPrevious() const override { return true; }

    bool CreateEmptyDirs() const { return createEmptyDirs_; }
    void SetCreateEmptyDirs(bool v) { createEmptyDirs_ = v; }
    TNimboOverWriteOptions OverWrite() const { return overWrite_; }
    void SetOverWrite(TNimboOverWriteOptions v) { overWrite_ = v; }
    bool Aborted() const { return aborted_; }
    TStringList* DirList() { return &dirList_; }

    TDriveSizeEvent OnDriveTooSmall;

    // What the last run returned: kNotEnoughSpace, kAbortedAtDirectories,
    // else the page's state.
    static constexpr int kNotEnoughSpace = 4;
    static constexpr int kAbortedAtDirectories = 2;
    int LastResult() const { return lastResult_; }

private:
    using TDeCompress = TCompDeCompressEntry;
    using TIsCompressed = TCompIsCompressedEntry;
    using TTimeStamp = TCompTimeStampEntry;
    using TDeCompressPart = TCompDeCompressPartEntry;

    // One file of the copy list: where from and to, and what its attempts
    // share.
    struct TCopyJob {
        String source;
        String target;
        TNimboFile* file = nullptr;
        int disk = 0;
        bool expand = false;      // a compressed file, expanded by the library
        bool existed = false;     // the target was there before this run wrote it
        bool asNew = false;       // written only where the name is still free
        bool setAside = false;    // the file that was there is in the journal's keeping
        String work;              // the work folder beside the target
        int64_t totalBefore = 0;  // the total bar when the attempt began
        bool compressionError = false;
        bool fromPayload = false;               // a single-file setup's file
        const TPayloadEntry* part = nullptr;    // where it lies; none when the payload lacks it
        const TPayloadEntry* member = nullptr;  // its member of the solid archive
        bool archiveDamaged = false;            // not in the folder, and the archive cannot be read
        bool readTried = false;                 // the archive was read for it (a retry starts it over)
        std::vector<uint8_t> bytes;             // the member's bytes, once read
        bool haveBytes = false;
    };
    // Writes the job's target: place(true) as a new file, false when its
    // name was taken meanwhile; place(false) over what is there.
    using TPlace = std::function<bool(bool newOnly)>;
    // What an overwrite question shows; the times keep what was last read.
    struct TOverwriteFacts {
        int64_t sourceSize = -1;
        String sourceWhen;
        int64_t targetSize = -1;
        uint64_t sourceTime = 0;  // file times
        uint64_t targetTime = 0;
        DWORD sourceError = 0, targetError = 0;  // why a size is -1
    };
    enum class TOverwriteAnswer { Replace, Keep, AskAgain };

    int Run();
    bool CheckFreeSpace();
    void LoadLibrary();
    void UnloadLibrary();
    // The selected directories with files (or all, with CreateEmptyDirs),
    // each once.
    void ListTargetDirs();
    void CreateDirectories();
    bool MakeDirectory(const String& path, DWORD& error);
    // A directory that could not be made goes from the list with those
    // below it.
    void DropDirsUnder(const String& path);
    // Removes what a failed directory path made, or logs what stays.
    void UndoPartialDirs(const String& path, const std::vector<String>& ancestors);
    // Files that lie on no disk go to `offDisk`.
    void BuildCopyList(TStringList& list, std::vector<TNimboFile*>& offDisk);
    // Notes what the target folders hold, and removes what a killed earlier
    // run left there.
    void NotePresentFiles();
    // Writes down the aside names of the targets that are there already.
    void PlanAsides(const TStringList& list);
    void StartTotalProgress(const TStringList& list);
    void ReportOffDisk(const std::vector<TNimboFile*>& files);
    // Copies the list's entries in order, asking for each disk in turn.
    void CopyList(TStringList& list);
    void PromptForDisk(int disk);
    void ShowCopyNames(const String& source, const String& target);
    void CopyOneFile(const String& source, const String& target, TNimboFile* file, int disk);
    // False when the user asked to try the file again.
    bool TryCopy(TCopyJob& job);
    // Each false when the policy kept the target after all (see
    // KeptAfterNameTaken).
    bool ExpandFile(TCopyJob& job);
    bool CopyPlainFile(TCopyJob& job);
    bool CopyMember(TCopyJob& job);
    bool PlaceTarget(TCopyJob& job, const TPlace& place);
    // ExpandFile, CopyPlainFile or CopyMember, as the job's file is stored.
    bool WriteTarget(TCopyJob& job);
    // The member's bytes from the archive, or EInOutError with the
    // compression error.
    void ReadMember(TCopyJob& job);
    // The setup folder's solid archive, or the single file's.
    void OpenSolidArchive();
    // The archive's members in its order among each disk's entries.
    void FollowArchiveOrder(TStringList& list) const;
    // Where the job's file is stored: a member, a damaged archive's, or
    // as the script and payload say.
    void FindStorage(TCopyJob& job) const;
    // The library's result for the job's file.
    int32_t Expand(const TCopyJob& job, bool newOnly);
    void JournalTarget(TCopyJob& job);
    // A target set aside for an attempt that did not write it goes back.
    void PutBack(TCopyJob& job);
    bool KeptByPolicy(TCopyJob& job);
    bool KeptAfterNameTaken(TCopyJob& job);
    // The file is in place: recorded, and named in the run's log (`how`
    // says how, else copied or replaced with the reason).
    void RecordInstalled(const TCopyJob& job, const char* how = nullptr);
    // True for Retry; Ignore and Abort leave the file.
    bool RetryAfterCopyError(const TCopyJob& job, DWORD error);
    // The same for a target another program holds, which may also be
    // replaced at the next restart.
    bool RetryWhenInUse(TCopyJob& job);
    // Writes the new file beside the target and has it take the target's
    // place at the next restart; 0, or the platform's reason why not.
    DWORD ReplaceAtNextRestart(const TCopyJob& job);
    // An answer other than Retry: the file is left.
    void LeaveFile(const TCopyJob& job, int answer);
    // "Abort file copy?": true, and the run aborted, on Yes.
    bool ConfirmAbort();
    bool ConfirmOverwrite(const String& source, const String& target, int disk, bool& existed);
    void ReadOverwriteFacts(const String& source, const String& target, TOverwriteFacts& facts);
    // The source's facts from a single-file setup's directory; false in a
    // setup folder.
    bool PayloadFacts(const String& source, TOverwriteFacts& facts) const;
    TOverwriteAnswer AnswerUnreadable(const String& source, const String& target, int disk,
                                      const TOverwriteFacts& facts);
    TOverwriteAnswer AskToReplace(const String& target, const TOverwriteFacts& facts);
    void AdvanceProgress(int64_t bytes);
    // The block callback of a copy: the bars follow at most every few
    // milliseconds (a repaint per block is most of a copy's time), and
    // FlushProgress brings them up to date when the file ends.
    void AdvanceProgressLater(int64_t bytes);
    void FlushProgress();
    // Lets pending window messages through, at most every few tens of
    // milliseconds, and at once after a question.
    void KeepAlive();
    // The suite's message dialog for the page's questions.
    int Ask(const String& text, TMsgDlgType kind, unsigned buttons);
    String Text(unsigned n) const;

    TStringList dirList_;
    bool createEmptyDirs_ = false;
    HMODULE compLib_ = nullptr;
    FARPROC compress_ = nullptr;
    TDeCompress deCompress_ = nullptr;
    TDeCompress deCompressNew_ = nullptr;  // into a new file only; may be missing
    TDeCompressPart deCompressPart_ = nullptr;
    TCarriedLibrary carriedLib_;
    TIsCompressed isCompressed_ = nullptr;
    TTimeStamp timeStamp_ = nullptr;
    TCompStreamEntries streamEntries_;
    std::unique_ptr<TSolidArchive> solid_;  // while the copy runs
    bool solidDamaged_ = false;
    TNimboOverWriteOptions overWrite_ = swAsk;
    bool aborted_ = false;
    String sourceDir_;
    String overwriteReason_;  // why ConfirmOverwrite answered as it did
    int lastResult_ = 0;
    bool cancelDone_ = false;  // DoCancel ran for this run already
    int64_t pendingProgress_ = 0;
    DWORD lastProgress_ = 0;
    DWORD lastKeepAlive_ = 0;
    bool answered_ = false;  // a question was answered since messages last went through
    // The upper-cased paths of what the target folders held when the copy
    // began, and of what it installed since.
    std::unordered_set<String> present_;
    TWorkFolders workFolders_;
};
