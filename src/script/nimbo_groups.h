// File groups: files paired with the directory each goes to. Named groups
// belong to a script; the controller keeps a stand-alone one (no script) as
// its set of selected files.
#pragma once

#include <memory>
#include <vector>

#include "script/nimbo_files.h"

class TNimboFileGroup : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboFileGroup() = default;
    explicit TNimboFileGroup(TNimboData* script) : script_(script) {}
    ~TNimboFileGroup() override;

    // Dirs and FileLists run in parallel: FileLists(i) holds the files for Dirs()[i].
    const TNimboList<TNimboDir>& Dirs() const { return dirs_; }
    int FileListCount() const { return static_cast<int>(fileLists_.size()); }
    TNimboFileList* FileLists(int index) const;
    // The file list paired with the directory, none when the group lacks it.
    TNimboFileList* FileListOf(const TNimboDir* dir) const;

    const String& Name() const { return name_; }
    // Ignored when another file group of the script has this name.
    void SetName(const String& v);
    TNimboData* Script() const { return script_; }
    // Also given to the group's file lists.
    void SetScript(TNimboData* v);

    // Adds File under Dir; Dir none means the last script directory holding
    // the file. CreateDir adds Dir to the group when it is missing.
    bool AddFile(TNimboFile* file, TNimboDir* dir, bool createDir);
    // The pair stays even when its file list becomes empty.
    bool RemoveFile(TNimboFile* file, const TNimboDir* dir);
    bool Contains(const TNimboFile* file, const TNimboDir* dir) const;
    void ListFiles(const TNimboDir* dir, TStringList& lines) const;
    // Empties Dirs and frees the file lists.
    void Clear();

    void Assign(const TPersistent* source) override;
    virtual void ReadData(int version, TReader& reader);
    virtual void WriteData(TWriter& writer) const;

protected:
    // The group part of a copy, guarded with the file-group label.
    void CopyGroupFrom(const TNimboFileGroup& source);
    // Appends a directory with a new empty file list; none when already there.
    TNimboFileList* AppendDir(TNimboDir* dir);

private:
    TNimboList<TNimboDir> dirs_;
    std::vector<std::unique_ptr<TNimboFileList>> fileLists_;
    String name_;
    TNimboData* script_ = nullptr;
};

// What an install type or option adds or removes: its own directories and
// files, plus the named groups of the script it refers to.
class TNimboFileGroupList : public TNimboFileGroup {
    NIMBO_CLASS()

public:
    TNimboFileGroupList() = default;
    explicit TNimboFileGroupList(TNimboData* script) : TNimboFileGroup(script) {}

    const TNimboList<TNimboFileGroup>& Groups() const { return groups_; }
    // False for none or a group already listed.
    bool AddGroup(TNimboFileGroup* group) { return groups_.Add(group); }

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader) override;
    void WriteData(TWriter& writer) const override;

private:
    TNimboList<TNimboFileGroup> groups_;
};
