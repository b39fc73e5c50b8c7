#include "script_fill.h"

#include <map>
#include <set>

#include "base/exceptions.h"
#include "engine/path_routines.h"
#include "script/nimbo_data.h"

std::vector<TNimboFile*> ScriptEntries(const TNimboData& script, const std::vector<TPayloadFile>& files)
{
    std::map<String, TNimboFile*> byPath, byName;
    for (TNimboFile* f : script.Files()) {
        const String sub = SetupSubFolder(f->Source());
        byPath.emplace(AnsiUpperCase(sub + f->Name()), f);
        if (sub.empty()) byName.emplace(AnsiUpperCase(f->Name()), f);
    }
    std::vector<TNimboFile*> entries(files.size());
    std::set<const TNimboFile*> taken;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto it = byPath.find(AnsiUpperCase(files[i].Path()));
        if (it != byPath.end() && taken.insert(it->second).second) entries[i] = it->second;
    }
    // A form names its files without their folders: the first of a name
    // (the top folder's, then by folder) keeps the form's entry.
    for (size_t i = 0; i < files.size(); ++i) {
        const auto it = byName.find(AnsiUpperCase(files[i].name));
        if (!entries[i] && it != byName.end() && taken.insert(it->second).second) entries[i] = it->second;
    }
    return entries;
}

void CheckScriptAgainstFolder(const TNimboData& script, const std::vector<TPayloadFile>& files)
{
    if (!script.FindDir(kInstallDirName))
        throw ENimboError(Format("the form's script has no directory named \"%s\"", kInstallDirName));
    // Names find directories: of two with one name, the run would use one
    // and never install the other's files.
    std::set<String> names;
    for (const TNimboDir* d : script.Dirs())
        if (!names.insert(d->Name()).second)
            throw ENimboError(Format("the form's script has two directories named \"%s\"", d->Name()));
    const std::vector<TNimboFile*> entries = ScriptEntries(script, files);
    const std::set<const TNimboFile*> found(entries.begin(), entries.end());
    for (const TNimboFile* f : script.Files())
        if (!found.count(f))
            throw ENimboError(Format("the form's script names the file \"%s%s\", which the folder does not hold",
                                     SetupSubFolder(f->Source()), f->Name()));
}

TNimboDir* FolderDir(TNimboData& script, TNimboDir* top, const String& subDir)
{
    TNimboDir* dir = top;
    size_t from = 0;
    while (from < subDir.size()) {
        size_t to = subDir.find('\\', from);
        if (to == String::npos) to = subDir.size();
        const String name = dir->Name() + "\\" + subDir.substr(from, to - from);
        TNimboDir* d = script.FindDir(name);
        if (!d) {
            d = script.AddDir(name, String(), nullptr);
            d->SetParent(dir);
            d->SetDir(subDir.substr(from, to - from));
        }
        dir = d;
        from = to + 1;
    }
    return dir;
}

void FillScript(TNimboData& script, const std::vector<TPayloadFile>& files, const String& source, bool placeByFolder)
{
    TNimboDir* install = script.FindDir(kInstallDirName);
    if (!install) throw ENimboError(Format("the form's script has no directory named \"%s\"", kInstallDirName));
    // Files the form already names keep their entries, so its groups and
    // choices keep pointing at them.
    const std::vector<TNimboFile*> entries = ScriptEntries(script, files);
    if (placeByFolder)
        for (TNimboDir* d : script.Dirs()) d->Clear();

    String description = "Setup Disk";
    int32_t diskSize = 0;
    if (TNimboDisk* first = script.GetDisk(1)) {
        description = first->Description();
        diskSize = first->Size();
    }
    int64_t total = 0;
    for (const TPayloadFile& f : files) total += f.compressed ? f.compressedSize : f.size;
    script.ClearDisks();
    TNimboDisk* disk = script.AddDisk(description);
    // One disk holds everything; a floppy-sized limit from the form would
    // leave files off it, and a file on no disk is never installed.
    disk->SetSize(total > diskSize ? 0 : diskSize);

    for (size_t i = 0; i < files.size(); ++i) {
        const TPayloadFile& pf = files[i];
        TNimboFile* file = entries[i] ? entries[i] : script.AddFile(pf.name);
        file->SetName(pf.name);
        if (source.empty())
            file->SetSource(SetupSubFolderSource(pf.subDir));
        else
            file->SetSource(pf.subDir.empty() ? source : source + "\\" + pf.subDir);
        file->SetSize(pf.size);
        file->SetDateTime(pf.dateTime);
        file->SetCompressed(pf.compressed);
        file->SetCompressedSize(pf.compressed ? pf.compressedSize : pf.size);
        if (placeByFolder) FolderDir(script, install, pf.subDir)->AddFile(file);
        disk->AddFile(file);
    }
}
