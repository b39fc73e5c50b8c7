// The script's stream: the version-5 layout written and read, and the
// layouts of versions 1 to 4 read. Damaged input stops with the reader's
// "Invalid property value" or the date conversion error; positions and
// names that designate nothing are skipped.
#include <unordered_map>
#include <utility>

#include "script/nimbo_data.h"

namespace {

constexpr int kCurrentVersion = 5;

// A packed stamp of 0 is what the writer emits for dates it cannot pack.
TDateTime StampToDateTime(int32_t stamp) { return stamp == 0 ? 0.0 : FileDateToDateTime(stamp); }

template <class T>
T* AtPosition(const TNimboData* script, const TNimboList<T>& (TNimboData::*list)() const, int32_t position)
{
    if (!script) return nullptr;
    const TNimboList<T>& l = (script->*list)();
    return position >= 0 && position < l.Count() ? l[position] : nullptr;
}

template <class T>
int PositionIn(const TNimboData* script, const TNimboList<T>& (TNimboData::*list)() const, const T* entry)
{
    return script ? (script->*list)().IndexOf(entry) : -1;
}

// Writes the positions of the entries that the script's list holds.
template <class T>
void WriteIndexes(TWriter& w, const TNimboData* script, const TNimboList<T>& (TNimboData::*list)() const,
                  const TNimboList<T>& entries)
{
    w.WriteListBegin();
    for (const T* e : entries) {
        const int i = PositionIn(script, list, e);
        if (i >= 0) w.WriteInteger(i);
    }
    w.WriteListEnd();
}

// Calls `add` with every entry an index list designates.
template <class T, class F>
void ReadIndexes(TReader& r, const TNimboData* script, const TNimboList<T>& (TNimboData::*list)() const, F&& add)
{
    r.ReadListBegin();
    while (!r.EndOfList())
        if (T* e = AtPosition(script, list, r.ReadInteger())) add(e);
    r.ReadListEnd();
}

template <class F> void ReadStrings(TReader& r, F&& each)
{
    r.ReadListBegin();
    while (!r.EndOfList()) each(r.ReadString());
    r.ReadListEnd();
}

}  // namespace

struct TNimboData::TReadIndex {
    explicit TReadIndex(size_t streamSize) : nameBudget(streamSize * 8 + 65536) {}

    std::unordered_map<String, TNimboDir*> dirs;  // the last directory of each name
    bool filesIndexed = false;
    std::unordered_map<String, TNimboFile*> files;  // upper-cased; the first file of each name
    std::unordered_map<String, TNimboChoiceItem*> choiceItems;
    std::unordered_map<String, TNimboWinItem*> winItems;
    bool dirsOfFilesIndexed = false;
    std::unordered_map<const TNimboFile*, TNimboDir*> dirOfFile;  // the last directory holding the file
    // Old layouts build names from two stream strings; a long prefix repeated
    // for many items must not turn a small stream into a huge script.
    size_t nameBudget;

    void Spend(size_t bytes)
    {
        if (bytes > nameBudget) TValueReader::Fail();
        nameBudget -= bytes;
    }
};

// ---- lookups while reading ----

TNimboFile* TNimboData::ReadFindFile(const String& name)
{
    if (!reading_) return FindFile(name);
    if (!reading_->filesIndexed) {
        for (TNimboFile* f : files_) reading_->files.emplace(AnsiUpperCase(f->Name()), f);
        reading_->filesIndexed = true;
    }
    const auto it = reading_->files.find(AnsiUpperCase(name));
    return it == reading_->files.end() ? nullptr : it->second;
}

TNimboDir* TNimboData::ReadFindDir(const String& name) const
{
    if (!reading_) return FindDir(name);
    const auto it = reading_->dirs.find(name);
    return it == reading_->dirs.end() ? nullptr : it->second;
}

void TNimboData::ReadNameDir(TNimboDir* dir)
{
    if (reading_) reading_->dirs[dir->Name()] = dir;
}

TNimboDir* TNimboData::ReadDirOfFile(const TNimboFile* file)
{
    if (!reading_) {
        for (int i = dirs_.Count() - 1; i >= 0; --i)
            if (dirs_[i]->Contains(file)) return dirs_[i];
        return nullptr;
    }
    if (!reading_->dirsOfFilesIndexed) {
        for (TNimboDir* d : dirs_)
            for (const TNimboFile* f : d->Files()) reading_->dirOfFile[f] = d;
        reading_->dirsOfFilesIndexed = true;
    }
    const auto it = reading_->dirOfFile.find(file);
    return it == reading_->dirOfFile.end() ? nullptr : it->second;
}

TNimboChoiceItem* TNimboData::ReadChoiceItem(const String& name)
{
    if (!reading_) return AddChoiceItem(name);
    reading_->Spend(name.size());
    TNimboChoiceItem*& item = reading_->choiceItems[name];
    if (!item) item = NewChoiceItem(name);
    return item;
}

TNimboWinItem* TNimboData::ReadWinItem(const String& name)
{
    if (!reading_) return AddWinItem(name);
    reading_->Spend(name.size());
    TNimboWinItem*& item = reading_->winItems[name];
    if (!item) item = NewWinItem(name);
    return item;
}

// ---- records ----

void TNimboFile::ReadData(int version, TReader& reader)
{
    name_ = reader.ReadString();
    source_ = reader.ReadString();
    dateTime_ = StampToDateTime(reader.ReadInteger());
    size_ = reader.ReadInteger();
    if (version >= kCurrentVersion) {
        compressed_ = reader.ReadBoolean();
        compressedSize_ = reader.ReadInteger();
        if (compressedSize_ == 0) compressedSize_ = size_;
        return;
    }
    TNimboDisk* disk = script_ ? script_->GetDisk(reader.ReadInteger()) : (reader.ReadInteger(), nullptr);
    reader.ReadBoolean();  // stored by old versions, no longer used
    // Old scripts put every file on its disk whatever the disk's size; the
    // compressed size, known only later, still counts towards Used.
    const bool onDisk = disk && disk->files_.Add(this);
    if (version >= 4) {
        compressed_ = reader.ReadBoolean();
        compressedSize_ = reader.ReadInteger();
        if (compressedSize_ == 0) compressedSize_ = size_;
        if (onDisk) disk->AddUsed(compressedSize_);
    }
}

void TNimboFile::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteString(source_);
    writer.WriteInteger(DateTimeToFileDate(dateTime_));
    writer.WriteInteger(size_);
    writer.WriteBoolean(compressed_);
    writer.WriteInteger(compressedSize_);
}

void TNimboFileList::ReadFileIndexes(TReader& reader)
{
    ReadIndexes(reader, script_, &TNimboData::Files, [this](TNimboFile* f) { AddFile(f); });
}

void TNimboFileList::WriteFileIndexes(TWriter& writer) const
{
    WriteIndexes(writer, script_, &TNimboData::Files, files_);
}

void TNimboFileList::ReadData(int, TReader& reader) { ReadFileIndexes(reader); }

void TNimboFileList::WriteData(TWriter& writer) const { WriteFileIndexes(writer); }

void TNimboDisk::ReadData(int version, TReader& reader)
{
    description_ = reader.ReadString();
    if (version >= kCurrentVersion) {
        size_ = reader.ReadInteger();
        ReadFileIndexes(reader);  // through AddFile: the disk's size is enforced
    } else if (version >= 3) {
        size_ = reader.ReadInteger();
    }
}

void TNimboDisk::WriteData(TWriter& writer) const
{
    writer.WriteString(description_);
    writer.WriteInteger(size_);
    WriteFileIndexes(writer);
}

void TNimboDir::ReadData(int version, TReader& reader)
{
    TNimboData* script = Script();
    const String from = std::exchange(name_, reader.ReadString());
    dir_ = reader.ReadString();
    if (script) {
        script->DirRenamed(this, from);
        script->ReadNameDir(this);
    }
    const String parentName = version >= 2 ? reader.ReadString() : String();
    TNimboDir* parent = parentName.empty() || !script ? nullptr : script->ReadFindDir(parentName);
    if (script && script->reading_) {
        // Only directories read before this one are found, so no cycle can
        // form except through the directory's own name.
        parent_ = parent == this ? nullptr : parent;
    } else {
        SetParent(parent);
    }
    if (version >= kCurrentVersion) {
        ReadFileIndexes(reader);
        return;
    }
    ReadStrings(reader, [&](const String& fileName) {
        if (TNimboFile* f = script ? script->ReadFindFile(fileName) : nullptr) AddFile(f);
    });
}

void TNimboDir::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteString(dir_);
    writer.WriteString(parent_ ? parent_->Name() : String());
    WriteFileIndexes(writer);
}

void TNimboFileGroup::ReadData(int, TReader& reader)
{
    name_ = reader.ReadString();
    Clear();
    reader.ReadListBegin();
    std::vector<TNimboDir*> dirs;
    reader.ReadListBegin();
    while (!reader.EndOfList()) dirs.push_back(AtPosition(script_, &TNimboData::Dirs, reader.ReadInteger()));
    reader.ReadListEnd();
    // A file list whose directory was dropped (unknown or repeated) is
    // dropped with it, so Dirs and FileLists stay paired.
    size_t k = 0;
    while (!reader.EndOfList()) {
        auto list = std::make_unique<TNimboFileList>(script_);
        list->ReadData(kCurrentVersion, reader);
        TNimboDir* dir = k < dirs.size() ? dirs[k] : nullptr;
        ++k;
        if (dir && dirs_.Add(dir)) fileLists_.push_back(std::move(list));
    }
    reader.ReadListEnd();
    for (; k < dirs.size(); ++k)
        if (dirs[k]) AppendDir(dirs[k]);
}

void TNimboFileGroup::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteListBegin();
    std::vector<bool> written(fileLists_.size());
    writer.WriteListBegin();
    for (int i = 0; i < dirs_.Count(); ++i) {
        const int position = PositionIn(script_, &TNimboData::Dirs, dirs_[i]);
        written[static_cast<size_t>(i)] = position >= 0;
        if (position >= 0) writer.WriteInteger(position);
    }
    writer.WriteListEnd();
    // A directory left out takes its file list along, or the pairs would shift.
    for (size_t i = 0; i < fileLists_.size(); ++i)
        if (written[i]) fileLists_[i]->WriteData(writer);
    writer.WriteListEnd();
}

void TNimboFileGroupList::ReadData(int version, TReader& reader)
{
    TNimboFileGroup::ReadData(version, reader);
    groups_.Clear();
    ReadIndexes(reader, Script(), &TNimboData::FileGroups, [this](TNimboFileGroup* g) { AddGroup(g); });
}

void TNimboFileGroupList::WriteData(TWriter& writer) const
{
    TNimboFileGroup::WriteData(writer);
    WriteIndexes(writer, Script(), &TNimboData::FileGroups, groups_);
}

void TNimboChoiceItem::ReadData(int version, TReader& reader)
{
    name_ = reader.ReadString();
    title_ = reader.ReadString();
    description_->Clear();
    ReadStrings(reader, [this](const String& line) { description_->Add(line); });
    add_->ReadData(version, reader);
    remove_->ReadData(version, reader);
}

void TNimboChoiceItem::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteString(title_);
    writer.WriteListBegin();
    for (int i = 0; i < description_->Count(); ++i) writer.WriteString((*description_)[i]);
    writer.WriteListEnd();
    add_->WriteData(writer);
    remove_->WriteData(writer);
}

void TNimboChoiceData::ReadData(int version, TReader& reader)
{
    name_ = reader.ReadString();
    if (version >= kCurrentVersion) {
        common_ = AtPosition(script_, &TNimboData::ChoiceItems, reader.ReadInteger());
        ReadIndexes(reader, script_, &TNimboData::ChoiceItems, [this](TNimboChoiceItem* c) { AddItem(c); });
        return;
    }
    // Old layouts held the items inline; they become script items named
    // "<page>:<key>" whose files go under the directory holding each file.
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const String key = reader.ReadString();
        TNimboChoiceItem* item = script_ ? script_->ReadChoiceItem(name_ + ":" + key) : nullptr;
        if (item) item->Description().Add(key);
        for (int side = 0; side < 2; ++side) {
            ReadStrings(reader, [&](const String& fileName) {
                if (!item) return;
                TNimboFile* f = script_->ReadFindFile(fileName);
                if (f) item->FileGroupLists(side)->AddFile(f, script_->ReadDirOfFile(f), true);
            });
        }
        if (!item) continue;
        if (key == "Common Files")
            common_ = item;
        else
            AddItem(item);
    }
    reader.ReadListEnd();
}

void TNimboChoiceData::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteInteger(PositionIn(script_, &TNimboData::ChoiceItems, common_));
    WriteIndexes(writer, script_, &TNimboData::ChoiceItems, items_);
}

void TNimboWinItem::ReadData(int, TReader& reader)
{
    name_ = reader.ReadString();
    commandLine_ = reader.ReadString();
    dir_ = AtPosition(script_, &TNimboData::Dirs, reader.ReadInteger());
    itemFile_ = AtPosition(script_, &TNimboData::Files, reader.ReadInteger());
}

void TNimboWinItem::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteString(commandLine_);
    writer.WriteInteger(PositionIn(script_, &TNimboData::Dirs, dir_));
    writer.WriteInteger(PositionIn(script_, &TNimboData::Files, itemFile_));
}

void TNimboWinGroups::ReadData(int version, TReader& reader)
{
    name_ = reader.ReadString();
    title_ = reader.ReadString();
    if (version >= kCurrentVersion) {
        ReadIndexes(reader, script_, &TNimboData::WinItems, [this](TNimboWinItem* w) { AddItem(w); });
        return;
    }
    // Old layouts held the items inline; they become script items named
    // "<group title>:<key>".
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const String key = reader.ReadString();
        const String commandLine = reader.ReadString();
        const String dirName = reader.ReadString();
        const String fileName = reader.ReadString();
        if (!script_) continue;
        TNimboWinItem* item = script_->ReadWinItem(title_ + ":" + key);
        item->SetCommandLine(commandLine);
        item->SetDir(script_->ReadFindDir(dirName));
        item->SetItemFile(script_->ReadFindFile(fileName));
        AddItem(item);
    }
    reader.ReadListEnd();
}

void TNimboWinGroups::WriteData(TWriter& writer) const
{
    writer.WriteString(name_);
    writer.WriteString(title_);
    WriteIndexes(writer, script_, &TNimboData::WinItems, items_);
}

// ---- the script ----

namespace {

template <class F> void ReadRecords(TReader& reader, F&& readOne)
{
    reader.ReadListBegin();
    while (!reader.EndOfList()) readOne();
    reader.ReadListEnd();
}

template <class T> void WriteRecords(TWriter& writer, const TNimboList<T>& entries)
{
    writer.WriteListBegin();
    for (const T* e : entries) e->WriteData(writer);
    writer.WriteListEnd();
}

}  // namespace

void TNimboData::ReadData(TReader& reader)
{
    reader.ReadListBegin();
    const int version = reader.ReadInteger();
    if (version < 1) TValueReader::Fail();
    appName_ = reader.ReadString();
    ClearEntries();

    TReadIndex index(reader.Size());
    struct Scope {
        TReadIndex*& slot;
        ~Scope() { slot = nullptr; }
    } scope{reading_};
    reading_ = &index;

    if (version >= kCurrentVersion) {
        ReadRecords(reader, [&] { NewFile()->ReadData(version, reader); });
        ReadRecords(reader, [&] { AddDisk(String())->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewDir()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewFileGroup()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewChoiceItem()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewChoiceData()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewWinItem()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewWinGroup()->ReadData(version, reader); });
        bdeFiles_->ReadData(version, reader);
        bdeLDFiles_->ReadData(version, reader);
        bdeWSFiles_->ReadData(version, reader);
        reader.ReadListBegin();
        const String logDir = reader.ReadString();
        logFileName_ = reader.ReadString();
        reader.ReadListEnd();
        logFileDir_ = logDir.empty() ? nullptr : ReadFindDir(logDir);
        unInstallFiles_->Clear();
        ReadStrings(reader, [this](const String& line) { unInstallFiles_->Add(line); });
    } else {
        ReadRecords(reader, [&] { AddDisk(String())->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewFile()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewDir()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewChoiceData()->ReadData(version, reader); });
        ReadRecords(reader, [&] { NewWinGroup()->ReadData(version, reader); });
    }
    reader.ReadListEnd();
}

void TNimboData::WriteData(TWriter& writer) const
{
    writer.WriteListBegin();
    writer.WriteInteger(kCurrentVersion);
    writer.WriteString(appName_);
    WriteRecords(writer, files_);
    WriteRecords(writer, disks_);
    WriteRecords(writer, dirs_);
    WriteRecords(writer, fileGroups_);
    WriteRecords(writer, choiceItems_);
    WriteRecords(writer, choiceData_);
    WriteRecords(writer, winItems_);
    WriteRecords(writer, winGroups_);
    bdeFiles_->WriteData(writer);
    bdeLDFiles_->WriteData(writer);
    bdeWSFiles_->WriteData(writer);
    writer.WriteListBegin();
    writer.WriteString(logFileDir_ ? logFileDir_->Name() : String());
    writer.WriteString(logFileName_);
    writer.WriteListEnd();
    writer.WriteListBegin();
    for (int i = 0; i < unInstallFiles_->Count(); ++i) writer.WriteString((*unInstallFiles_)[i]);
    writer.WriteListEnd();
    writer.WriteListEnd();
}
