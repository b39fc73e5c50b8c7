#include "script/nimbo_data.h"

#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboData, TPersistent, false,
                   p.Str("AppName", &TNimboData::SetAppName).Str("LogFileName", &TNimboData::SetLogFileName))

namespace {

template <class T> void FreeAll(TNimboList<T>& list)
{
    // Taken out first, so nothing reaches a freed entry through the list.
    std::vector<T*> entries(list.begin(), list.end());
    list.Clear();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) delete *it;
}

template <class T> T* FindLast(const TNimboList<T>& list, const String& name)
{
    for (int i = list.Count() - 1; i >= 0; --i)
        if (list[i]->Name() == name) return list[i];
    return nullptr;
}

// A new entry is named before it joins the script, so naming it costs no
// uniqueness scan.
template <class T> T* NewEntry(TNimboData* script, TNimboList<T>& list, const String& name)
{
    auto* e = new T();
    e->SetName(name);
    e->SetScript(script);
    list.Add(e);
    return e;
}

// The last entry of that name, or a new one.
template <class T> T* FindOrNewEntry(TNimboData* script, TNimboList<T>& list, const String& name)
{
    if (T* found = FindLast(list, name)) return found;
    return NewEntry(script, list, name);
}

template <class T> bool DeleteEntry(TNimboList<T>& list, T* entry)
{
    if (!list.Remove(entry)) return false;
    delete entry;
    return true;
}

template <class T> bool RenameEntry(TNimboList<T>& list, const String& from, const String& to)
{
    T* entry = FindLast(list, from);
    if (!entry) return false;
    if (from == to) return true;
    if (FindLast(list, to))
        DeleteEntry(list, entry);
    else
        entry->SetName(to);
    return true;
}

}  // namespace

TNimboData::TNimboData()
    : bdeFiles_(std::make_unique<TNimboFileList>(this)), bdeLDFiles_(std::make_unique<TNimboFileList>(this)),
      bdeWSFiles_(std::make_unique<TNimboFileList>(this)), unInstallFiles_(std::make_unique<TStringList>())
{
    AddDisk("Setup Disk");
    AddDir("Install", "C:\\NewApps\\", nullptr);
    TNimboDir* windows = AddDir("Windows", "C:\\WINDOWS\\", nullptr);
    AddDir("Windows System", "SYSTEM\\", windows);
}

TNimboData::~TNimboData()
{
    bdeFiles_.reset();
    bdeLDFiles_.reset();
    bdeWSFiles_.reset();
    logFileDir_ = nullptr;
    ClearFileGroups();
    ClearFiles();
    ClearDisks();
    ClearDirs();
    ClearChoiceItems();
    ClearChoiceData();
    ClearWinItems();
    ClearWinGroups();
    unInstallFiles_.reset();
}

TNimboFile* TNimboData::NewFile() { return NewEntry(this, files_, String()); }

TNimboFile* TNimboData::AddFile(const String& path)
{
    TNimboFile* f = NewFile();
    f->SetName(ExtractFileName(path));
    f->SetSource(ExtractFilePath(path));
    return f;
}

TNimboFile* TNimboData::FindFile(const String& name) const
{
    const String wanted = AnsiUpperCase(name);
    for (TNimboFile* f : files_)
        if (AnsiUpperCase(f->Name()) == wanted) return f;
    return nullptr;
}

void TNimboData::ClearFiles() { FreeAll(files_); }

TNimboDisk* TNimboData::AddDisk(const String& description)
{
    auto* d = new TNimboDisk(this);
    d->SetDescription(description);
    disks_.Add(d);
    d->SetNumber(static_cast<uint16_t>(disks_.Count()));
    return d;
}

TNimboDisk* TNimboData::GetDisk(int number) const
{
    if (number <= 0 || number > disks_.Count()) return nullptr;
    return disks_[number - 1];
}

void TNimboData::ClearDisks() { FreeAll(disks_); }

TNimboDir* TNimboData::NewDir()
{
    TNimboDir* d = NewEntry(this, dirs_, String());
    IndexDir(d);
    return d;
}

TNimboDir* TNimboData::AddDir(const String& name, const String& dir, TNimboDir* parent)
{
    if (TNimboDir* found = FindDir(name)) return found;
    auto* d = new TNimboDir();
    if (parent) d->SetParent(parent);
    d->SetDir(dir);
    d->SetName(name);
    d->SetScript(this);
    dirs_.Add(d);
    IndexDir(d);
    return d;
}

TNimboDir* TNimboData::FindDir(const String& name) const
{
    if (!dirIndex_.valid) {
        dirIndex_ = TDirIndex{};
        dirIndex_.valid = true;
        for (TNimboDir* d : dirs_) IndexDir(d);
    }
    const auto it = dirIndex_.last.find(name);
    return it == dirIndex_.last.end() ? nullptr : it->second;
}

void TNimboData::IndexDir(TNimboDir* dir) const
{
    if (!dirIndex_.valid) return;
    ++dirIndex_.count[dir->Name()];
    dirIndex_.last[dir->Name()] = dir;  // the list's newest, so its last
}

void TNimboData::DirRenamed(TNimboDir* dir, const String& from)
{
    if (!dirIndex_.valid || from == dir->Name() || !dirs_.Contains(dir)) return;
    const auto n = dirIndex_.count.find(from);
    if (n != dirIndex_.count.end() && --n->second == 0) {
        dirIndex_.count.erase(n);
        dirIndex_.last.erase(from);
    } else if (dirIndex_.last[from] == dir) {
        // An earlier directory of the old name is its last now.
        dirIndex_.valid = false;
        return;
    }
    ++dirIndex_.count[dir->Name()];
    TNimboDir*& last = dirIndex_.last[dir->Name()];
    if (!last || dirs_.IndexOf(last) < dirs_.IndexOf(dir)) last = dir;
}

void TNimboData::ListDirs(TStringList& lines) const
{
    lines.Clear();
    for (TNimboDir* d : dirs_) lines.AddObject(d->Name(), d);
}

void TNimboData::ClearDirs()
{
    FreeAll(dirs_);
    dirIndex_.valid = false;
}

TNimboFileGroup* TNimboData::NewFileGroup(const String& name) { return NewEntry(this, fileGroups_, name); }

TNimboFileGroup* TNimboData::AddFileGroup(const String& name) { return FindOrNewEntry(this, fileGroups_, name); }

TNimboFileGroup* TNimboData::FindFileGroup(const String& name) const { return FindLast(fileGroups_, name); }

void TNimboData::ClearFileGroups() { FreeAll(fileGroups_); }

TNimboChoiceItem* TNimboData::NewChoiceItem(const String& name) { return NewEntry(this, choiceItems_, name); }

TNimboChoiceItem* TNimboData::AddChoiceItem(const String& name) { return FindOrNewEntry(this, choiceItems_, name); }

TNimboChoiceItem* TNimboData::FindChoiceItem(const String& name) const { return FindLast(choiceItems_, name); }

void TNimboData::ClearChoiceItems() { FreeAll(choiceItems_); }

TNimboChoiceData* TNimboData::NewChoiceData(const String& name) { return NewEntry(this, choiceData_, name); }

TNimboChoiceData* TNimboData::AddChoiceData(const String& name) { return FindOrNewEntry(this, choiceData_, name); }

TNimboChoiceData* TNimboData::FindChoiceData(const String& name) const { return FindLast(choiceData_, name); }

bool TNimboData::DeleteChoiceData(TNimboChoiceData* entry) { return DeleteEntry(choiceData_, entry); }

bool TNimboData::RenameChoiceData(const String& from, const String& to) { return RenameEntry(choiceData_, from, to); }

void TNimboData::ClearChoiceData() { FreeAll(choiceData_); }

TNimboWinItem* TNimboData::NewWinItem(const String& name) { return NewEntry(this, winItems_, name); }

TNimboWinItem* TNimboData::AddWinItem(const String& name) { return FindOrNewEntry(this, winItems_, name); }

TNimboWinItem* TNimboData::FindWinItem(const String& name) const { return FindLast(winItems_, name); }

void TNimboData::ClearWinItems() { FreeAll(winItems_); }

TNimboWinGroups* TNimboData::NewWinGroup(const String& name) { return NewEntry(this, winGroups_, name); }

TNimboWinGroups* TNimboData::AddWinGroup(const String& name) { return FindOrNewEntry(this, winGroups_, name); }

TNimboWinGroups* TNimboData::FindWinGroup(const String& name) const { return FindLast(winGroups_, name); }

bool TNimboData::DeleteWinGroup(TNimboWinGroups* entry) { return DeleteEntry(winGroups_, entry); }

bool TNimboData::RenameWinGroup(const String& from, const String& to) { return RenameEntry(winGroups_, from, to); }

void TNimboData::ClearWinGroups() { FreeAll(winGroups_); }

void TNimboData::ClearEntries()
{
    // Every list goes at once, with every reference into them, so no link
    // is left pointing at a freed entry.
    logFileDir_ = nullptr;
    bdeFiles_->Clear();
    bdeLDFiles_->Clear();
    bdeWSFiles_->Clear();
    ClearDisks();
    ClearFiles();
    ClearFileGroups();
    ClearDirs();
    ClearChoiceItems();
    ClearChoiceData();
    ClearWinItems();
    ClearWinGroups();
}
