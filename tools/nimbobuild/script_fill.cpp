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

void FillScript(TNimboData& script, const std::vector<TPayloadFile>& files, const String& source)
{
    TNimboDir* install = script.FindDir(kInstallDirName);
    if (!install) throw ENimboError(Format("the form's script has no directory named \"%s\"", kInstallDirName));
    // Files the form already names keep their entries, so its groups and
    // choices keep pointing at them.
    std::map<String, TNimboFile*> known;
    for (TNimboFile* f : script.Files()) known[AnsiUpperCase(f->Name())] = f;
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

    std::map<String, TNimboDir*> dirs;
    for (const TPayloadFile& pf : files) {
        TNimboDir* dir = install;
        if (!pf.subDir.empty()) {
            // One script directory per folder level, each below its parent.
            size_t from = 0;
            while (from <= pf.subDir.size()) {
                size_t to = pf.subDir.find('\\', from);
                if (to == String::npos) to = pf.subDir.size();
                const String rel = pf.subDir.substr(0, to);
                TNimboDir*& d = dirs[AnsiUpperCase(rel)];
                if (!d) {
                    d = script.AddDir(String(kInstallDirName) + "\\" + rel, String(), nullptr);
                    d->SetParent(dir);
                    d->SetDir(pf.subDir.substr(from, to - from));
                }
                dir = d;
                from = to + 1;
            }
        }
        TNimboFile*& file = known[AnsiUpperCase(pf.name)];
        if (!file) file = script.AddFile(pf.name);
        file->SetName(pf.name);
        file->SetSource(pf.subDir.empty() ? source : source + "\\" + pf.subDir);
        file->SetSize(pf.size);
        file->SetDateTime(pf.dateTime);
        file->SetCompressed(pf.compressed);
        file->SetCompressedSize(pf.compressed ? pf.compressedSize : pf.size);
        dir->AddFile(file);
        disk->AddFile(file);
    }
}
