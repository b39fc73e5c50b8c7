#include "setup_folder.h"

#include <windows.h>

#include <algorithm>

#include "base/exceptions.h"
#include "base/setup_files.h"
#include "comp_file.h"
#include "file_bytes.h"
#include "program_resources.h"

TSetupFolder::TSetupFolder(const String& path, const String& templates) : path_(path), templates_(templates)
{
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        throw ENimboError(Format("%s: exists already; the builder makes a new setup folder", path));
    if (!CreateDirectoryA(path.c_str(), nullptr))
        throw ENimboError(Format("%s: cannot make the folder (error %d)", path, static_cast<int>(GetLastError())));
}

TSetupFolder::~TSetupFolder()
{
    if (keep_) return;
    for (const String& name : written_) DeleteFileA(Target(name).c_str());
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) RemoveDirectoryA(Target(*it).c_str());
    RemoveDirectoryA(path_.c_str());
}

void TSetupFolder::MakeFolders(const String& name)
{
    for (size_t cut = name.find('\\'); cut != String::npos; cut = name.find('\\', cut + 1)) {
        const String folder = name.substr(0, cut);
        if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end()) continue;
        if (!CreateDirectoryA(Target(folder).c_str(), nullptr))
            throw ENimboError(
                Format("%s: cannot make the folder (error %d)", Target(folder), static_cast<int>(GetLastError())));
        folders_.push_back(folder);
    }
}

void TSetupFolder::Copy(const String& source, const String& name)
{
    MakeFolders(name);
    written_.push_back(name);
    // CopyFile keeps the last-write time, which the installed file inherits.
    if (!CopyFileA(source.c_str(), Target(name).c_str(), TRUE))
        throw ENimboError(
            Format("%s: cannot copy to %s (error %d)", source, Target(name), static_cast<int>(GetLastError())));
}

void TSetupFolder::AddProgram(bool compressed)
{
    for (const char* name : {kSetupProgramName, kLanguageLibraryName}) Copy(templates_ + "\\" + name, name);
    if (compressed) Copy(templates_ + "\\" + kCompLibraryName, kCompLibraryName);
}

void TSetupFolder::CopyIn(const String& source, const String& name) { Copy(source, name); }

bool TSetupFolder::CompressIn(const String& source, const String& name, int32_t size, int32_t& shippedSize,
                              TCompMethod method)
{
    MakeFolders(name);
    written_.push_back(name);
    const int32_t r = CompressCompFile(source.c_str(), Target(name).c_str(), 9, method);
    if (r != kCompOk) throw ENimboError(Format("%s: cannot compress (result %d)", source, r));
    const int64_t packed = FileBytes(Target(name));
    // Data that does not shrink ships plain: smaller, and copied faster.
    if (packed >= 0 && packed < size) {
        shippedSize = static_cast<int32_t>(packed);
        return true;
    }
    written_.pop_back();
    DeleteFileA(Target(name).c_str());
    Copy(source, name);
    shippedSize = size;
    return false;
}

void TSetupFolder::AddSolid(const std::vector<TSolidMember>& members, TCompMethod method)
{
    written_.push_back(kSolidArchiveName);
    WriteSolidArchive(members, Target(kSolidArchiveName), method);
}

void TSetupFolder::SetForm(const std::vector<uint8_t>& form, bool pack, const std::vector<uint8_t>& version)
{
    TProgramResources resources(Target(kSetupProgramName));
    resources.SetForm(form, pack);
    resources.SetVersion(version);
    resources.Commit();
}

int64_t TSetupFolder::Size() const
{
    int64_t total = 0;
    for (const String& name : written_) total += FileBytes(Target(name));
    return total;
}
