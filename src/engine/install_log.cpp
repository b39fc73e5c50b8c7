// The install log: what an installation created (directories, files,
// program groups, the database engine type, the language), written as a
// profile file at the end of a setup and read back by the uninstall.
#include <windows.h>

#include <algorithm>
#include <set>
#include <cstdlib>

#include "engine/machine_entries.h"
#include "engine/nimbo_info.h"
#include "engine/run_journal.h"
#include "engine/profile.h"
#include "engine/file_routines.h"
#include "engine/path_routines.h"
#include "engine/run_switches.h"
#include "engine/start_menu.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/handles.h"
#include "framework/win32/system_error.h"

namespace {
constexpr const char* kDirectories = "Directories";
constexpr const char* kCreatedDirs = "Created Dirs";
constexpr const char* kFiles = "Files";
constexpr const char* kProgramGroups = "Program Groups";
// Where the groups this installation made are: one folder a line.
constexpr const char* kGroupFolders = "Group Folders";
constexpr const char* kBDEFiles = "BDE Files";
constexpr const char* kLanguage = "Language";
// Written last: which application the log belongs to and a checksum over
// everything the uninstall reads from it.
constexpr const char* kSeal = "Nimbo Setup";
constexpr const char* kSealApplication = "Application";
constexpr const char* kSealChecksum = "Checksum";
// The product's identity, which stays when its title changes; a log of a
// release that had none is the product's by name.
constexpr const char* kSealAppId = "AppId";
// The group folders have a checksum of their own: "Checksum" stays what
// uninstalls that know no group folders compute, and its absence marks a
// log of theirs, whose created groups are in the user's program folder.
constexpr const char* kSealGroupFolders = "Group Folders";
// The registry values, keys, associations and PATH entries, likewise.
constexpr const char* kSealEntries = "Entries";
// The desktop icons this installation made, one link a line, with a
// checksum of their own in the seal as the group folders have.
constexpr const char* kDesktopIcons = "Desktop Icons";
constexpr const char* kSealDesktopIcons = "Desktop Icons";
constexpr const char* kLogSections[] = {kDirectories, kCreatedDirs, kFiles, kProgramGroups, kBDEFiles, kLanguage};

// Decimal, or hexadecimal after "0x"; text that is no number gives 0.
long ParseLogInteger(const String& text)
{
    const String t = Trim(text);
    char* end = nullptr;
    long v = 0;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        v = std::strtol(t.c_str() + 2, &end, 16);
    else
        v = std::strtol(t.c_str(), &end, 10);
    return (end && *end == '\0' && !t.empty()) ? v : 0;
}
}  // namespace

void TNimboInfo::AddCreatedDir(const String& path) { createdDirs_.Add(path); }

// An installation records thousands of files, in the order it copies them:
// inserting each into the sorted list would move half the list every time.
void TNimboInfo::AddInstalledFile(const String& path) { pendingFiles_.push_back(path); }

const TStringList& TNimboInfo::InstalledFiles() const
{
    if (pendingFiles_.empty()) return installedFiles_;
    auto less = [](const String& a, const String& b) { return CompareText(a, b) < 0; };
    // Stable: of entries equal but for case, the first recorded stays.
    std::stable_sort(pendingFiles_.begin(), pendingFiles_.end(), less);
    std::vector<String> merged;
    merged.reserve(static_cast<size_t>(installedFiles_.Count()) + pendingFiles_.size());
    int i = 0;
    for (const String& p : pendingFiles_) {
        while (i < installedFiles_.Count() && less(installedFiles_[i], p)) merged.push_back(installedFiles_[i++]);
        const bool known = (i < installedFiles_.Count() && SameText(installedFiles_[i], p)) ||
                           (!merged.empty() && SameText(merged.back(), p));
        if (!known) merged.push_back(p);
    }
    while (i < installedFiles_.Count()) merged.push_back(installedFiles_[i++]);
    pendingFiles_.clear();
    installedFiles_.Clear();
    for (const String& f : merged) installedFiles_.Add(f);  // in order: each goes to the end
    return installedFiles_;
}

void TNimboInfo::AddGroupEntry(const String& item, const String& group)
{
    for (int i = 0; i < groupNames_.Count(); ++i)
        if (SameText(groupNames_[i], group) && SameText(groupItems_[i], item)) return;
    groupItems_.Add(item);
    groupNames_.Add(group);
}

void TNimboInfo::AddDesktopIcon(const String& link)
{
    for (int i = 0; i < desktopIcons_.Count(); ++i)
        if (SameText(desktopIcons_[i], link)) return;
    desktopIcons_.Add(link);
}

void TNimboInfo::AddGroupFolder(const String& folder)
{
    for (int i = 0; i < groupFolders_.Count(); ++i)
        if (SameText(groupFolders_[i], folder)) return;
    groupFolders_.Add(folder);
    groupFoldersLogged_ = true;
}

void TNimboInfo::ClearLogLists()
{
    createdDirs_.Clear();
    groupFolders_.Clear();
    groupFoldersLogged_ = false;
    desktopIcons_.Clear();
    installedFiles_.Clear();
    pendingFiles_.clear();
    groupNames_.Clear();
    groupItems_.Clear();
}

bool TNimboInfo::IsInstallLog(const String& fileName)
{
    if (!FileExists(fileName)) return false;
    for (const char* section : kLogSections)
        if (!ReadProfileSection(fileName, section).empty()) return true;
    return false;
}

namespace {
// FNV-1a over the entries as the profile services read them back (letter
// case kept), so the writer and the reader count the same text. It tells
// an edited log from ours; it is no lock against someone who can also
// replace the uninstall program beside the log.
class TLogHash {
public:
    void Add(const String& text)
    {
        for (char c : text) {
            h_ ^= static_cast<unsigned char>(c);
            h_ *= 16777619u;
        }
        h_ ^= 0x0A;
        h_ *= 16777619u;
    }
    void AddSection(const String& fileName, const char* section)
    {
        Add(String("[") + section + "]");
        for (const auto& [key, value] : ReadProfileSection(fileName, section)) Add(key + "=" + value);
    }
    String Text() const
    {
        static const char digits[] = "0123456789ABCDEF";
        String text(8, '0');
        uint32_t h = h_;
        for (int i = 7; i >= 0; --i, h >>= 4) text[static_cast<size_t>(i)] = digits[h & 15];
        return text;
    }

private:
    uint32_t h_ = 2166136261u;
};

String LogChecksum(const String& fileName, const String& application)
{
    TLogHash h;
    h.Add(application);
    // Exactly what ReadLog takes: lines an editor adds beside them (a
    // comment, a key or section of its own) change nothing of the removal.
    for (const char* section : {kDirectories, kCreatedDirs, kFiles, kProgramGroups}) h.AddSection(fileName, section);
    h.Add(ReadProfileString(fileName, kBDEFiles, "BDE Type"));
    h.Add(ReadProfileString(fileName, kLanguage, "Language"));
    return h.Text();
}

String SectionChecksum(const String& fileName, const String& application, const char* section)
{
    TLogHash h;
    h.Add(application);
    h.AddSection(fileName, section);
    return h.Text();
}

String GroupFoldersChecksum(const String& fileName, const String& application)
{
    return SectionChecksum(fileName, application, kGroupFolders);
}
}  // namespace

String EntriesChecksum(const String& fileName, const String& application)
{
    TLogHash h;
    h.Add(application);
    for (const char* section : kEntryLogSections) h.AddSection(fileName, section);
    return h.Text();
}

TLogSeal TNimboInfo::CheckLogSeal(const String& fileName, const String& application)
{
    if (!FileExists(fileName)) return TLogSeal::missing;
    const String owner = ReadProfileString(fileName, kSeal, kSealApplication);
    const String sum = ReadProfileString(fileName, kSeal, kSealChecksum);
    if (owner.empty() && sum.empty()) return IsInstallLog(fileName) ? TLogSeal::changed : TLogSeal::foreign;
    if (!SameText(sum, LogChecksum(fileName, owner))) return TLogSeal::changed;
    const String folders = ReadProfileString(fileName, kSeal, kSealGroupFolders);
    if (!folders.empty() && !SameText(folders, GroupFoldersChecksum(fileName, owner))) return TLogSeal::changed;
    const String entries = ReadProfileString(fileName, kSeal, kSealEntries);
    if (!entries.empty() && !SameText(entries, EntriesChecksum(fileName, owner))) return TLogSeal::changed;
    const String icons = ReadProfileString(fileName, kSeal, kSealDesktopIcons);
    if (!icons.empty() && !SameText(icons, SectionChecksum(fileName, owner, kDesktopIcons))) return TLogSeal::changed;
    return SameText(owner, application) ? TLogSeal::ours : TLogSeal::foreign;
}

TLogSeal TNimboInfo::CheckOwnLog(const String& fileName) const
{
    const TLogSeal seal = CheckLogSeal(fileName, AppName());
    if (seal == TLogSeal::missing || seal == TLogSeal::changed) return seal;
    const String id = ReadProfileString(fileName, kSeal, kSealAppId);
    if (!id.empty()) return SameText(id, ProductId()) ? TLogSeal::ours : TLogSeal::foreign;
    if (seal == TLogSeal::ours || !IsInstallLog(fileName)) return seal;
    const String owner = ReadProfileString(fileName, kSeal, kSealApplication);
    if (SameText(owner, ProductName()) || (installed_.found && SameText(owner, installed_.displayName)))
        return TLogSeal::ours;
    // The log an earlier release wrote under its own title: it lists the
    // uninstall program this product's registration runs.
    if (!installed_.found || installed_.program.empty()) return TLogSeal::foreign;
    for (const String& file : ReadProfileKeys(fileName, kFiles))
        if (SameText(file, installed_.program)) return TLogSeal::ours;
    return TLogSeal::foreign;
}

std::set<String> TNimboInfo::OtherProductsFiles(const String& dir) const
{
    std::set<String> files;
    for (const TFolderEntry& e : TFolderWalk(dir, "*.LOG")) {
        const String log = AddBackslash(dir) + e.name;
        // Only a log another product sealed: ours, even one edited since, is not.
        if (e.IsDirectory() || SameText(log, logFile_) || CheckOwnLog(log) != TLogSeal::foreign || !IsInstallLog(log))
            continue;
        for (const String& file : ReadProfileKeys(log, kFiles)) files.insert(UpperCase(file));
    }
    return files;
}

bool TNimboInfo::AnotherProductsFile(const String& path) const
{
    return OtherProductsFiles(ExtractFilePath(path)).count(UpperCase(path)) > 0;
}

namespace {
// A log another program holds open cannot be read: it would pass for none,
// or for another product's. Waited for a moment, then refused.
void WaitUntilReadable(const String& file)
{
    DWORD error = 0;
    for (int i = 0; i < 30; ++i) {
        const TKernelHandle h(CreateFileA(file.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        error = GetLastError();
        if (h.Valid() || error != ERROR_SHARING_VIOLATION) return;
        Sleep(100);
    }
    throw InOutError("The install log " + file + " is held open by another program.", error);
}
}  // namespace

String TNimboInfo::LogFileFor(const String& dir, bool forWriting) const
{
    // Another program's log keeps its name; ours goes beside it as
    // INSTALL-1.LOG and so on, which the uninstall looks for as well.
    const String name = script_->LogFileName();
    const size_t dot = name.rfind('.');
    const String stem = dot == String::npos ? name : name.substr(0, dot);
    const String ext = dot == String::npos ? String() : name.substr(dot);
    String firstLog;
    for (int n = 0; n < 100; ++n) {
        const String file = dir + (n == 0 ? name : stem + "-" + IntToStr(n) + ext);
        if (FileExists(file)) WaitUntilReadable(file);
        const TLogSeal seal = CheckOwnLog(file);
        if (seal == TLogSeal::ours) return file;
        if (seal == TLogSeal::missing) return forWriting ? file : firstLog;
        // Without a log of ours, an uninstall takes the first one it finds
        // that is not another product's, and trusts it only within limits.
        if (seal == TLogSeal::changed && firstLog.empty()) firstLog = file;
    }
    return forWriting ? String() : firstLog;
}

bool TNimboInfo::ReadLog(const String& fileName, bool merge)
{
    if (!FileExists(fileName)) return false;
    if (!merge) {
        ClearLogLists();
        for (const auto& [name, dir] : ReadProfileSection(fileName, kDirectories)) {
            if (dir.empty()) continue;
            if (TNimboDir* d = script_->FindDir(name)) d->SetDir(dir);
        }
    }
    for (const String& key : ReadProfileKeys(fileName, kCreatedDirs)) AddCreatedDir(key);
    for (const String& key : ReadProfileKeys(fileName, kFiles)) AddInstalledFile(key);
    ReadGroups(fileName);
    // Only a log that seals them has desktop icons.
    if (!ReadProfileString(fileName, kSeal, kSealDesktopIcons).empty())
        for (const auto& [key, value] : ReadProfileSection(fileName, kDesktopIcons))
            if (!value.empty()) AddDesktopIcon(value);
    loggedBDEType_ = static_cast<uint8_t>(ParseLogInteger(ReadProfileString(fileName, kBDEFiles, "BDE Type", "0")));
    const String language = ReadProfileString(fileName, kLanguage, "Language");
    if (!language.empty()) SetLanguage(language);
    return true;
}

void TNimboInfo::ReadGroups(const String& fileName)
{
    // Only a log that seals its group folders has them; another (an earlier
    // version's, or one an earlier version wrote again) made the groups it
    // created in the user's program folder, which is what its groups keep,
    // in the log too when this one is merged into it.
    const bool foldersLogged = !ReadProfileString(fileName, kSeal, kSealGroupFolders).empty();
    groupFoldersLogged_ = groupFoldersLogged_ || foldersLogged;
    for (const auto& [key, value] : ReadProfileSection(fileName, kProgramGroups)) {
        if (value.empty()) continue;
        const size_t p = value.find(kFieldSeparator);
        const String group = p == String::npos ? value : value.substr(0, p);
        const String item = p == String::npos ? value : value.substr(p + 3);
        if (group.empty()) continue;
        AddGroupEntry(item, group);
        const String earlier = item.empty() && !foldersLogged ? GroupFolder(ProgramsFolder(false), group) : String();
        if (!earlier.empty()) AddGroupFolder(earlier);
    }
    if (foldersLogged)
        for (const auto& [key, value] : ReadProfileSection(fileName, kGroupFolders))
            if (!value.empty()) AddGroupFolder(value);
}

// The log is composed here and written in one piece: through the profile
// services each line would search its section again, which grows with the
// square of the number of files.
std::vector<TProfileSection> TNimboInfo::LogSections() const
{
    std::vector<TProfileSection> sections;
    TProfileSection directories{kDirectories, {}};
    const auto& dirs = script_->Dirs();
    for (int i = dirs.Count() - 1; i >= 0; --i)
        if (DirectoryExists(RemoveBackslash(dirs[i]->GetPath())))
            directories.lines.emplace_back(dirs[i]->Name(), dirs[i]->Dir());
    sections.push_back(std::move(directories));

    TProfileSection created{kCreatedDirs, {}};
    for (int i = 0; i < createdDirs_.Count(); ++i) created.lines.emplace_back(createdDirs_[i], String());
    sections.push_back(std::move(created));

    TProfileSection files{kFiles, {}};
    const TStringList& installed = InstalledFiles();
    files.lines.reserve(static_cast<size_t>(installed.Count()));
    for (int i = 0; i < installed.Count(); ++i) files.lines.emplace_back(installed[i], String());
    sections.push_back(std::move(files));

    TProfileSection groups{kProgramGroups, {}};
    for (int i = 0; i < groupNames_.Count(); ++i)
        groups.lines.emplace_back(IntToStr(i), groupNames_[i] + kFieldSeparator + groupItems_[i]);
    sections.push_back(std::move(groups));

    TProfileSection folders{kGroupFolders, {}};
    for (int i = 0; i < groupFolders_.Count(); ++i) folders.lines.emplace_back(IntToStr(i), groupFolders_[i]);
    sections.push_back(std::move(folders));

    TProfileSection icons{kDesktopIcons, {}};
    for (int i = 0; i < desktopIcons_.Count(); ++i) icons.lines.emplace_back(IntToStr(i), desktopIcons_[i]);
    sections.push_back(std::move(icons));

    if (loggedBDEType_ != 0) sections.push_back({kBDEFiles, {{"BDE Type", IntToStr(loggedBDEType_)}}});
    // A section without lines is not written, as the profile services do.
    sections.erase(
        std::remove_if(sections.begin(), sections.end(), [](const TProfileSection& s) { return s.lines.empty(); }),
        sections.end());
    return sections;
}

void TNimboInfo::WriteLog()
{
    TNimboDir* logDir = script_->LogFileDir();
    if (!logDir) return;
    const String dir = ResolveDirMacro(logDir->Name(), this, script_);
    // A run that installed nothing and did not complete (cancelled before
    // the copy, a destination refused) leaves no file behind, not even in a
    // folder that is there; only a log that would lose entries is an error.
    const bool nothingDone = createdDirs_.Count() == 0 && InstalledFiles().Count() == 0 && groupNames_.Count() == 0 &&
                             loggedBDEType_ == 0 && desktopIcons_.Count() == 0;
    const bool missing = dir.empty() || !DirectoryExists(RemoveBackslash(dir));
    if (nothingDone && (missing || RunExitCode() != exitDone)) return;
    if (missing) throw ENimboError("NO LOG DIR");
    const String file = LogFileFor(dir, true);
    if (file.empty()) throw ENimboError("Unable to find a free name for the install log in " + dir + ".");
    if (!SameText(file, dir + script_->LogFileName()))
        RunLog("The folder " + dir +
               " holds an install log that is not this installation's; it is kept, and this "
               "installation's log is " +
               ExtractFileName(file) + ".");
    TMadeEntries earlierEntries;
    if (FileExists(file)) {
        earlierEntries = ReadEntriesLog(file);
        logFile_ = file;
        // The earlier release's files this one dropped go, and so do
        // their entries: the log keeps what is installed.
        const std::vector<String> dropped = RemoveDroppedFiles();
        ReadLog(file, true);
        InstalledFiles();
        for (const String& path : dropped)
            if (const int i = installedFiles_.IndexOf(path); i >= 0) installedFiles_.Delete(i);
    }
    // The log of an earlier install is merged with, so kept as it was.
    Journal().Destination(dir);
    Journal().PrepareTarget(file);
    std::vector<TProfileSection> sections = LogSections();
    for (TProfileSection& s : EntriesLogSections(EntriesForLog(*this, earlierEntries)))
        sections.push_back(std::move(s));
    std::vector<String> erase{kDirectories,  kCreatedDirs,  kFiles,    kProgramGroups,
                              kGroupFolders, kDesktopIcons, kBDEFiles, kSeal};
    erase.insert(erase.end(), std::begin(kEntryLogSections), std::end(kEntryLogSections));
    // "Language" is overwritten in place, not erased.
    RewriteProfile(file, erase, sections, {{kLanguage, {{"Language", language_}}}});
    // The seal, computed over what was written as it reads back.
    WriteProfileString(file, kSeal, kSealApplication, AppName());
    WriteProfileString(file, kSeal, kSealChecksum, LogChecksum(file, AppName()));
    WriteProfileString(file, kSeal, kSealGroupFolders, GroupFoldersChecksum(file, AppName()));
    WriteProfileString(file, kSeal, kSealEntries, EntriesChecksum(file, AppName()));
    if (desktopIcons_.Count() > 0)
        WriteProfileString(file, kSeal, kSealDesktopIcons, SectionChecksum(file, AppName(), kDesktopIcons));
    WriteProfileString(file, kSeal, kSealAppId, ProductId());
    logFile_ = file;
}
