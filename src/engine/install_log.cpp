// The install log: what an installation created (directories, files,
// program groups, the database engine type, the language), written as a
// profile file at the end of a setup and read back by the uninstall.
#include <windows.h>

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

void TNimboInfo::AddInstalledFile(const String& path) { installedFiles_.Add(path); }

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
    groupNames_.Clear();
    groupItems_.Clear();
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
        const bool nothingDone = createdDirs_.Count() == 0 && installedFiles_.Count() == 0 &&
                                 groupNames_.Count() == 0 && loggedBDEType_ == 0;
        if (nothingDone) return;
        throw ENimboError("NO LOG DIR");
    }
    const String file = dir + script_->LogFileName();
    if (FileExists(file)) {
        logFile_ = file;
        ReadLog(file, true);
    }
    for (const char* section : {kDirectories, kCreatedDirs, kFiles, kProgramGroups, kBDEFiles})
        EraseProfileSection(file, section);

    std::vector<std::pair<String, String>> lines;
    const auto& dirs = script_->Dirs();
    for (int i = dirs.Count() - 1; i >= 0; --i)
        if (DirectoryExists(RemoveBackslash(dirs[i]->GetPath()))) lines.emplace_back(dirs[i]->Name(), dirs[i]->Dir());
    if (!lines.empty()) WriteProfileSection(file, kDirectories, lines);

    lines.clear();
    for (int i = 0; i < createdDirs_.Count(); ++i) lines.emplace_back(createdDirs_[i], String());
    if (!lines.empty()) WriteProfileSection(file, kCreatedDirs, lines);

    lines.clear();
    for (int i = 0; i < installedFiles_.Count(); ++i) lines.emplace_back(installedFiles_[i], String());
    if (!lines.empty()) WriteProfileSection(file, kFiles, lines);

    lines.clear();
    for (int i = 0; i < groupNames_.Count(); ++i)
        lines.emplace_back(IntToStr(i), groupNames_[i] + kSeparator + groupItems_[i]);
    if (!lines.empty()) WriteProfileSection(file, kProgramGroups, lines);

    if (loggedBDEType_ != 0) WriteProfileString(file, kBDEFiles, "BDE Type", IntToStr(loggedBDEType_));
    WriteProfileString(file, kLanguage, "Language", language_);
    logFile_ = file;
}
