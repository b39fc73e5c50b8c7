// The install log: what an installation created (directories, files,
// program groups, the database engine type, the language), written as a
// profile file at the end of a setup and read back by the uninstall.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "engine/nimbo_info.h"
#include "engine/profile.h"
#include "engine/file_routines.h"
#include "engine/path_routines.h"

namespace {
constexpr const char* kDirectories = "Directories";
constexpr const char* kCreatedDirs = "Created Dirs";
constexpr const char* kFiles = "Files";
constexpr const char* kProgramGroups = "Program Groups";
constexpr const char* kBDEFiles = "BDE Files";
constexpr const char* kLanguage = "Language";
constexpr const char* kSeparator = ":~:";

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

void TNimboInfo::ClearLogLists()
{
    createdDirs_.Clear();
    installedFiles_.Clear();
    pendingFiles_.clear();
    groupNames_.Clear();
    groupItems_.Clear();
}

bool TNimboInfo::IsInstallLog(const String& fileName)
{
    if (!FileExists(fileName)) return false;
    for (const char* section : {kDirectories, kCreatedDirs, kFiles, kProgramGroups, kBDEFiles, kLanguage})
        if (!ReadProfileSection(fileName, section).empty()) return true;
    return false;
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
    for (const auto& [key, value] : ReadProfileSection(fileName, kProgramGroups)) {
        if (value.empty()) continue;
        const size_t p = value.find(kSeparator);
        const String group = p == String::npos ? value : value.substr(0, p);
        const String item = p == String::npos ? value : value.substr(p + 3);
        if (!group.empty()) AddGroupEntry(item, group);
    }
    loggedBDEType_ = static_cast<uint8_t>(ParseLogInteger(ReadProfileString(fileName, kBDEFiles, "BDE Type", "0")));
    const String language = ReadProfileString(fileName, kLanguage, "Language");
    if (!language.empty()) SetLanguage(language);
    return true;
}

void TNimboInfo::WriteLog()
{
    TNimboDir* logDir = script_->LogFileDir();
    if (!logDir) return;
    const String dir = ResolveDirMacro(logDir->Name(), this, script_);
    if (dir.empty() || !DirectoryExists(RemoveBackslash(dir))) {
        // A run that installed nothing (cancelled before the copy) has
        // nothing to record; only a log that would lose entries is an error.
        const bool nothingDone = createdDirs_.Count() == 0 && InstalledFiles().Count() == 0 &&
                                 groupNames_.Count() == 0 && loggedBDEType_ == 0;
        if (nothingDone) return;
        throw ENimboError("NO LOG DIR");
    }
    const String file = dir + script_->LogFileName();
    if (FileExists(file)) {
        logFile_ = file;
        ReadLog(file, true);
    }
    // The log is composed here and written in one piece: through the profile
    // services each line would search its section again, which grows with
    // the square of the number of files.
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
        groups.lines.emplace_back(IntToStr(i), groupNames_[i] + kSeparator + groupItems_[i]);
    sections.push_back(std::move(groups));

    if (loggedBDEType_ != 0) sections.push_back({kBDEFiles, {{"BDE Type", IntToStr(loggedBDEType_)}}});
    // A section without lines is not written, as the profile services do.
    sections.erase(std::remove_if(sections.begin(), sections.end(), [](const TProfileSection& s) { return s.lines.empty(); }),
                   sections.end());
    // "Language" is overwritten in place, not erased.
    RewriteProfile(file, {kDirectories, kCreatedDirs, kFiles, kProgramGroups, kBDEFiles}, sections,
                   {{kLanguage, {{"Language", language_}}}});
    logFile_ = file;
}
