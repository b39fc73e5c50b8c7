#include "script_fill.h"

#include <map>

#include "base/exceptions.h"
#include "script/nimbo_data.h"

void CheckScriptAgainstFolder(const TNimboData& script, const std::vector<TPayloadFile>& files)
{
    if (!script.FindDir(kInstallDirName))
        throw ENimboError(Format("the form's script has no directory named \"%s\"", kInstallDirName));
    std::map<String, bool> names;
    for (const TPayloadFile& f : files) names[AnsiUpperCase(f.name)] = true;
    for (const TNimboFile* f : script.Files())
        if (!names.count(AnsiUpperCase(f->Name())))
            throw ENimboError(
                Format("the form's script names the file \"%s\", which the folder does not hold", f->Name()));
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
    std::map<String, TNimboFile*> known;
    for (TNimboFile* f : script.Files()) known[AnsiUpperCase(f->Name())] = f;
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

    for (const TPayloadFile& pf : files) {
        TNimboFile*& file = known[AnsiUpperCase(pf.name)];
        if (!file) file = script.AddFile(pf.name);
        file->SetName(pf.name);
        file->SetSource(pf.subDir.empty() ? source : source + "\\" + pf.subDir);
        file->SetSize(pf.size);
        file->SetDateTime(pf.dateTime);
        file->SetCompressed(pf.compressed);
        file->SetCompressedSize(pf.compressed ? pf.compressedSize : pf.size);
        if (placeByFolder) FolderDir(script, install, pf.subDir)->AddFile(file);
        disk->AddFile(file);
    }
}
