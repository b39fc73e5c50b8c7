// The setup script: the root that owns every entry list, the queries and
// operations on it, and its stream as the controller's "SetupData".
#pragma once

#include <memory>
#include <unordered_map>

#include "script/nimbo_choices.h"
#include "script/nimbo_groups.h"
#include "script/nimbo_win_items.h"

class TNimboData : public TPersistent {
    NIMBO_CLASS()

public:
    // The default script: one disk, the directories "Install", "Windows"
    // and "Windows System".
    TNimboData();
    ~TNimboData() override;

    const String& AppName() const { return appName_; }
    void SetAppName(const String& v) { appName_ = v; }
    // Database engine files: engine directory, its "LANGDRV\", Windows system.
    TNimboFileList* BDEFiles() const { return bdeFiles_.get(); }
    TNimboFileList* BDELDFiles() const { return bdeLDFiles_.get(); }
    TNimboFileList* BDEWSFiles() const { return bdeWSFiles_.get(); }
    const TNimboList<TNimboChoiceData>& ChoiceData() const { return choiceData_; }
    const TNimboList<TNimboChoiceItem>& ChoiceItems() const { return choiceItems_; }
    const TNimboList<TNimboDir>& Dirs() const { return dirs_; }
    const TNimboList<TNimboDisk>& Disks() const { return disks_; }
    const TNimboList<TNimboFileGroup>& FileGroups() const { return fileGroups_; }
    const TNimboList<TNimboFile>& Files() const { return files_; }
    // Directory of the install log; none means no log.
    TNimboDir* LogFileDir() const { return logFileDir_; }
    void SetLogFileDir(TNimboDir* v) { logFileDir_ = v; }
    const String& LogFileName() const { return logFileName_; }
    void SetLogFileName(const String& v) { logFileName_ = v; }
    TStringList& UnInstallFiles() { return *unInstallFiles_; }
    const TStringList& UnInstallFiles() const { return *unInstallFiles_; }
    const TNimboList<TNimboWinItem>& WinItems() const { return winItems_; }
    const TNimboList<TNimboWinGroups>& WinGroups() const { return winGroups_; }

    // Name finds compare exactly and give the last match; FindFile ignores
    // case and gives the first. Add operations other than AddFile and
    // AddDisk find an entry by name before creating one.
    TNimboFile* AddFile(const String& path);
    TNimboFile* FindFile(const String& name) const;
    void ClearFiles();
    TNimboDisk* AddDisk(const String& description);
    // The disk numbered Number (from 1), none outside the list.
    TNimboDisk* GetDisk(int number) const;
    void ClearDisks();
    TNimboDir* AddDir(const String& name, const String& dir, TNimboDir* parent);
    TNimboDir* FindDir(const String& name) const;
    void ListDirs(TStringList& lines) const;
    void ClearDirs();
    TNimboFileGroup* AddFileGroup(const String& name);
    TNimboFileGroup* FindFileGroup(const String& name) const;
    void ClearFileGroups();
    TNimboChoiceItem* AddChoiceItem(const String& name);
    TNimboChoiceItem* FindChoiceItem(const String& name) const;
    void ClearChoiceItems();
    TNimboChoiceData* AddChoiceData(const String& name);
    TNimboChoiceData* FindChoiceData(const String& name) const;
    bool DeleteChoiceData(TNimboChoiceData* entry);
    // Re-keys the entry named `from`; when one named `to` exists already,
    // that one wins and `from` is deleted. False when there is no `from`.
    bool RenameChoiceData(const String& from, const String& to);
    void ClearChoiceData();
    TNimboWinItem* AddWinItem(const String& name);
    TNimboWinItem* FindWinItem(const String& name) const;
    void ClearWinItems();
    TNimboWinGroups* AddWinGroup(const String& name);
    TNimboWinGroups* FindWinGroup(const String& name) const;
    bool DeleteWinGroup(TNimboWinGroups* entry);
    bool RenameWinGroup(const String& from, const String& to);
    void ClearWinGroups();

    // Copies a whole script; entries are rebuilt and references mapped.
    void Assign(const TPersistent* source) override;
    // Replaces the content with the stream's (versions 1 to 5 and later).
    void ReadData(TReader& reader);
    // Always the version-5 layout.
    void WriteData(TWriter& writer) const;

private:
    friend class TNimboFile;
    friend class TNimboDir;
    friend class TNimboChoiceData;
    friend class TNimboWinGroups;
    struct TReadIndex;

    // Reading and copying create entries unconditionally, so two entries
    // whose names stay empty never merge into one.
    TNimboFile* NewFile();
    TNimboDir* NewDir();
    TNimboFileGroup* NewFileGroup(const String& name = String());
    TNimboChoiceItem* NewChoiceItem(const String& name = String());
    TNimboChoiceData* NewChoiceData(const String& name = String());
    TNimboWinItem* NewWinItem(const String& name = String());
    TNimboWinGroups* NewWinGroup(const String& name = String());
    void ClearEntries();

    // Name lookups while a stream is read: indexed, so old layouts that
    // refer to everything by name stay linear.
    TNimboFile* ReadFindFile(const String& name);
    TNimboDir* ReadFindDir(const String& name) const;
    void ReadNameDir(TNimboDir* dir);
    TNimboChoiceItem* ReadChoiceItem(const String& name);
    TNimboWinItem* ReadWinItem(const String& name);
    TNimboDir* ReadDirOfFile(const TNimboFile* file);
    // The directory index follows every directory that joins the list and
    // every rename; anything else that changes the list drops it, and the
    // next find rebuilds it.
    void IndexDir(TNimboDir* dir) const;
    void DirRenamed(TNimboDir* dir, const String& from);

    String appName_ = "New Application.";
    std::unique_ptr<TNimboFileList> bdeFiles_;
    std::unique_ptr<TNimboFileList> bdeLDFiles_;
    std::unique_ptr<TNimboFileList> bdeWSFiles_;
    TNimboList<TNimboChoiceData> choiceData_;
    TNimboList<TNimboChoiceItem> choiceItems_;
    TNimboList<TNimboDir> dirs_;
    TNimboList<TNimboDisk> disks_;
    TNimboList<TNimboFileGroup> fileGroups_;
    TNimboList<TNimboFile> files_;
    TNimboDir* logFileDir_ = nullptr;
    String logFileName_ = "INSTALL.LOG";
    std::unique_ptr<TStringList> unInstallFiles_;
    TNimboList<TNimboWinItem> winItems_;
    TNimboList<TNimboWinGroups> winGroups_;
    TReadIndex* reading_ = nullptr;  // only while ReadData runs
    // Directory names: the last directory of each name and how many have
    // it, so finding and naming one costs no scan of tens of thousands.
    struct TDirIndex {
        std::unordered_map<String, TNimboDir*> last;
        std::unordered_map<String, int> count;
        bool valid = false;
    };
    mutable TDirIndex dirIndex_;
};
