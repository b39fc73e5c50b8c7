// Source files of a setup script and the file lists that hold them: the
// plain list, the setup disk (with capacity accounting) and the symbolic
// target directory.
#pragma once

#include <cstdint>

#include "base/date_time.h"
#include "base/string_list.h"
#include "framework/persistent.h"
#include "script/nimbo_list.h"

class TNimboData;

// Appends "\" to a non-empty path that lacks it.
String NimboWithBackslash(const String& path);

// One source file of the installation.
class TNimboFile : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboFile() = default;

    bool Compressed() const { return compressed_; }
    void SetCompressed(bool v) { compressed_ = v; }
    int32_t CompressedSize() const { return compressedSize_; }
    void SetCompressedSize(int32_t v) { compressedSize_ = v; }
    TDateTime DateTime() const { return dateTime_; }
    void SetDateTime(TDateTime v) { dateTime_ = v; }
    const String& Name() const { return name_; }
    void SetName(const String& v) { name_ = v; }
    TNimboData* Script() const { return script_; }
    void SetScript(TNimboData* v) { script_ = v; }
    int32_t Size() const { return size_; }
    void SetSize(int32_t v) { size_ = v; }
    const String& Source() const { return source_; }
    void SetSource(const String& v) { source_ = NimboWithBackslash(v); }

    void Assign(const TPersistent* source) override;
    // One record in the layout of the given stream version.
    void ReadData(int version, TReader& reader);
    void WriteData(TWriter& writer) const;

private:
    bool compressed_ = false;
    int32_t compressedSize_ = 0;
    TDateTime dateTime_ = 0;
    String name_;
    TNimboData* script_ = nullptr;
    int32_t size_ = 0;
    String source_;
};

// An ordered set of files of one script.
class TNimboFileList : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboFileList() = default;
    explicit TNimboFileList(TNimboData* script) : script_(script) {}

    const TNimboList<TNimboFile>& Files() const { return files_; }
    TNimboData* Script() const { return script_; }
    void SetScript(TNimboData* v) { script_ = v; }

    // False for none or a file already listed.
    virtual bool AddFile(TNimboFile* file);
    // False when the file is not listed.
    virtual bool RemoveFile(TNimboFile* file);
    bool Contains(const TNimboFile* file) const { return files_.Contains(file); }
    // Empties Files (a disk also resets Used).
    virtual void Clear() { files_.Clear(); }
    // Clears Lines, then one line per file: its name, the file attached.
    void ListFiles(TStringList& lines) const;

    void Assign(const TPersistent* source) override;
    virtual void ReadData(int version, TReader& reader);
    virtual void WriteData(TWriter& writer) const;

protected:
    // The list part of a copy: files are mapped by their position in the
    // source's script. Guarded: a failure is reported with the file-list label.
    void CopyFileListFrom(const TNimboFileList& source);
    // Reads an index list into Files, each position through AddFile.
    void ReadFileIndexes(TReader& reader);
    void WriteFileIndexes(TWriter& writer) const;

    TNimboList<TNimboFile> files_;

private:
    TNimboData* script_ = nullptr;
};

// A setup disk: its Files are the source files that lie on it.
class TNimboDisk : public TNimboFileList {
    NIMBO_CLASS()

public:
    TNimboDisk() = default;
    explicit TNimboDisk(TNimboData* script) : TNimboFileList(script) {}

    const String& Description() const { return description_; }
    void SetDescription(const String& v) { description_ = v; }
    uint16_t Number() const { return number_; }
    void SetNumber(uint16_t v) { number_ = v; }
    // Capacity in bytes; 0 is unlimited.
    int32_t Size() const { return size_; }
    void SetSize(int32_t v) { size_ = v; }
    // Sum of the compressed sizes of the disk's files.
    int32_t Used() const { return used_; }
    void SetUsed(int32_t v) { used_ = v; }

    // Refuses a file that would take Used beyond a non-zero Size.
    bool AddFile(TNimboFile* file) override;
    bool RemoveFile(TNimboFile* file) override;
    void Clear() override;

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader) override;
    void WriteData(TWriter& writer) const override;

private:
    friend class TNimboFile;  // old layouts put a file on its disk before its size is known
    void AddUsed(int32_t bytes);

    String description_ = "New Disk";
    uint16_t number_ = 0;
    int32_t size_ = 0;
    int32_t used_ = 0;
};

// A symbolic target directory: its Files are installed into it.
class TNimboDir : public TNimboFileList {
    NIMBO_CLASS()

public:
    TNimboDir() = default;
    explicit TNimboDir(TNimboData* script) : TNimboFileList(script) {}

    TNimboDir* Parent() const { return parent_; }
    // A parent that is this directory or lies below it would make a cycle:
    // the directory then gets no parent.
    void SetParent(TNimboDir* v);
    const String& Dir() const { return dir_; }
    void SetDir(const String& v) { dir_ = NimboWithBackslash(v); }
    const String& Name() const { return name_; }
    // Ignored when another directory of the script has this name.
    void SetName(const String& v);

    // Dir preceded by the parent's path.
    String GetPath() const;

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader) override;
    void WriteData(TWriter& writer) const override;

private:
    TNimboDir* parent_ = nullptr;
    String dir_;
    String name_ = "New Dir";
};
