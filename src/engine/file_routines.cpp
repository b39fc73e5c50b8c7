#include "engine/file_routines.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/exceptions.h"
#include "base/rename_open_file.h"
#include "base/temp_names.h"
#include "engine/nimbo_info.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/forms.h"
#include "framework/win32/handles.h"
#include "framework/win32/process.h"
#include "framework/win32/system_error.h"
#include "script/nimbo_data.h"

bool FileExists(const String& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const String& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

String WindowsDir()
{
    char buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buf, MAX_PATH);
    return n < MAX_PATH ? String(buf, n) : String();
}

String SystemDir()
{
    char buf[MAX_PATH];
    const UINT n = GetSystemDirectoryA(buf, MAX_PATH);
    return n < MAX_PATH ? String(buf, n) : String();
}

namespace {

}  // namespace

unsigned long ForceDirs(const String& path)
{
    const String dir = RemoveBackslash(path);
    if (dir.size() <= 2 || DirectoryExists(dir)) return 0;
    const size_t p = dir.rfind('\\');
    DWORD error = p != String::npos ? ForceDirs(dir.substr(0, p + 1)) : 0;
    if (!CreateDirectoryA(dir.c_str(), nullptr) && !error) error = GetLastError();
    return error;
}

void RemoveDirChain(const String& path)
{
    // Out of the chain, so the current directory does not keep one alive.
    if (!SetCurrentDirectoryA("\\")) {
        const DWORD error = GetLastError();
        throw InOutError("Unable to change to directory \\.", error);
    }
    // A directory in the suite's form (trailing backslash) names the same
    // directory; without this it would be removed twice.
    String p = RemoveBackslash(path);
    do {
        const String dir = RemoveBackslash(p);
        if (!RemoveDirectoryA(dir.c_str())) {
            const DWORD error = GetLastError();
            throw InOutError("Unable to remove directory " + dir + ".", error);
        }
        while (!p.empty() && p.back() != '\\' && p.size() != 3) p.pop_back();
        if (!p.empty()) p.pop_back();
    } while (p.size() > 3);
}

int64_t FileSizeOf(const String& name)
{
    TKernelHandle f(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.Valid()) return -1;
    LARGE_INTEGER size;
    if (GetFileSizeEx(f.Get(), &size)) return size.QuadPart;
    // Kept past the close, for the caller.
    const DWORD error = GetLastError();
    f.Close();
    SetLastError(error);
    return -1;
}

bool LastWriteTime(const String& path, uint64_t& fileTime)
{
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return false;
    fileTime = (static_cast<uint64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) | d.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool ReadFileAt(void* file, uint64_t offset, void* buffer, size_t size)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
    auto* p = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!ReadFile(file, p, want, &got, nullptr) || got == 0) return false;
        p += got;
        size -= got;
    }
    return true;
}

String CurrentDirectory()
{
    char buf[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    return String(buf, n < MAX_PATH ? n : 0);
}

int64_t FreeDiskSpace(const String& root)
{
    ULARGE_INTEGER free{};
    return GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr) ? static_cast<int64_t>(free.QuadPart) : -1;
}

String GetEnvValue(const String& name)
{
    // Sized to the value: a long TEMP path must not come back cut short.
    String value(512, '\0');
    for (;;) {
        const DWORD n = GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) return String();
        if (n < value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);
    }
}

String ResolveDirMacro(const String& name, TNimboInfo* controller, TNimboData* script)
{
    if (!controller) return String();
    TDirMacroSources s;
    s.multiDisk = controller->MultiDisk();
    s.sourceDir = controller->SourceDir();
    s.programDir = ExtractFilePath(ProgramPath());
    s.windowsDir = WindowsDir();
    s.systemDir = SystemDir();
    s.scriptDirPath = [script](const String& dirName) {
        TNimboDir* d = script ? script->FindDir(dirName) : nullptr;
        return d ? d->GetPath() : String();
    };
    return ResolveDirName(name, s);
}

String ShortenPath(const String& path, int maxWidth, TForm* form)
{
    if (!form) return path;
    TCanvas& canvas = form->Canvas();
    return ShortenPathToWidth(path, maxWidth, [&canvas](std::string_view t) { return canvas.TextWidth(t); });
}

namespace {

// Progress is reported per 2048 bytes; the disk is read and written in
// blocks of up to 256 KiB.
constexpr DWORD kProgressBlock = 2048;
constexpr DWORD kMaxBlock = 256 * 1024;

// The copy's error, for the platform call that just failed.
[[noreturn]] void CopyFailed(DWORD error) { throw InOutError("Error during file copy.", error); }

// Copies the source's part into the open target, calls `callback` for each
// 2048 bytes and for the last short piece (0 bytes when the size is a
// multiple of 2048), and gives the target the part's time stamp, or else
// the source's last-write time.
void CopyContents(HANDLE in, const TFilePart& part, HANDLE out, const TCopyProgress& callback)
{
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(in, &fileSize)) CopyFailed(GetLastError());
    const uint64_t available = static_cast<uint64_t>(fileSize.QuadPart);
    if (part.offset > available) CopyFailed(ERROR_HANDLE_EOF);
    const uint64_t size = part.size == TFilePart::kWholeFile ? available - part.offset : part.size;
    if (size > available - part.offset) CopyFailed(ERROR_HANDLE_EOF);
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(part.offset);
    if (part.offset && !SetFilePointerEx(in, at, nullptr, FILE_BEGIN)) CopyFailed(GetLastError());
    // One block more than the part, so a small file is read in one call.
    const uint64_t wanted = (size / kProgressBlock + 1) * kProgressBlock;
    const DWORD block = static_cast<DWORD>(std::min<uint64_t>(wanted, kMaxBlock));
    std::unique_ptr<char[]> buffer(new char[block]);
    for (uint64_t left = size;;) {
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, block));
        DWORD got = 0;
        if (want > 0 && !ReadFile(in, buffer.get(), want, &got, nullptr)) CopyFailed(GetLastError());
        // The file was cut since it was measured.
        if (got != want) CopyFailed(ERROR_HANDLE_EOF);
        left -= got;
        DWORD put = 0;
        if (got > 0 && !WriteFile(out, buffer.get(), got, &put, nullptr)) CopyFailed(GetLastError());
        // A disk file takes all or fails, but for want of space.
        if (put != got) CopyFailed(ERROR_DISK_FULL);
        DWORD reported = 0;
        for (; got - reported >= kProgressBlock; reported += kProgressBlock)
            if (callback) callback(0, static_cast<int>(kProgressBlock));
        if (got < block || left == 0) {
            if (callback) callback(0, static_cast<int>(got - reported));
            if (left == 0) break;
        }
    }
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(part.fileTime);
    written.dwHighDateTime = static_cast<DWORD>(part.fileTime >> 32);
    if ((!part.fileTime && !GetFileTime(in, nullptr, nullptr, &written)) ||
        !SetFileTime(out, nullptr, nullptr, &written))
        CopyFailed(GetLastError());
}

// The source opened for the copy, or the reason it cannot be.
TKernelHandle OpenSource(const String& source)
{
    TKernelHandle in(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (in) return in;
    const DWORD error = GetLastError();
    // Only now tell a missing source (or a directory) from one that cannot
    // be opened: a look-up less for every file that opens.
    const DWORD attr = GetFileAttributesA(source.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY))
        throw InOutError("Source file doesn't exist.", error);
    throw InOutError("Error opening source file.", error);
}

constexpr const char* kTargetRefused = "Error opening target file.";

// A target that could not be rewritten in place is refused, as it would be
// by opening it for writing: read-only, a directory, or held open by
// another program.
void CheckReplaceable(const String& target)
{
    const DWORD targetAttr = GetFileAttributesA(target.c_str());
    if (targetAttr == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        throw InOutError(kTargetRefused, error);
    }
    // What opening it for writing would answer.
    if (targetAttr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        throw InOutError(kTargetRefused, ERROR_ACCESS_DENIED);
    TKernelHandle probe(CreateFileA(target.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe) {
        const DWORD error = GetLastError();
        throw InOutError(kTargetRefused, error);
    }
}

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

// A copy on its way to the target: a temporary file in the work folder, or
// else beside the target, named so that a later run removes it if this
// process is killed before it is gone. Deleted unless it became the target.
class TStagedCopy {
public:
    TStagedCopy(const String& target, const String& workDir) : target_(target)
    {
        DWORD error = 0;
        if (!workDir.empty()) error = Create(workDir);
        if (!out_) error = Create(ExtractFilePath(target));
        if (!out_) throw InOutError(kTargetRefused, error);
    }
    ~TStagedCopy()
    {
        out_.Close();
        if (!name_.empty()) DeleteFileA(name_.c_str());
    }
    TStagedCopy(const TStagedCopy&) = delete;
    TStagedCopy& operator=(const TStagedCopy&) = delete;
    HANDLE Handle() const { return out_.Get(); }

    // Gives the complete copy the target's name where nothing has it:
    // false, with the copy still here, when something has.
    bool TakeFreeName()
    {
        if (RenameOpenFile(out_.Get(), target_.c_str(), false)) {
            name_.clear();
            // A write refused when the file is closed: the new file goes again.
            if (out_.Close()) return true;
            const DWORD error = GetLastError();
            DeleteFileA(target_.c_str());
            CopyFailed(error);
        }
        if (NameTaken(GetLastError())) return false;
        Close();
        if (MoveFileExA(name_.c_str(), target_.c_str(), 0)) {
            name_.clear();
            return true;
        }
        const DWORD error = GetLastError();
        if (NameTaken(error)) return false;
        CopyFailed(error);
    }
    // Takes the place of the target that is there.
    void Replace()
    {
        Close();
        if (!MoveFileExA(name_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) CopyFailed(GetLastError());
        name_.clear();
    }

private:
    // 0, or the platform's reason why no file could be made in `dir`.
    DWORD Create(const String& dir) { return CreateSetupTempFile(dir, name_, out_); }
    // Closing flushes; a write the disk refuses late still fails here.
    void Close()
    {
        if (!out_.Close()) CopyFailed(GetLastError());
    }

    String target_;
    String name_;
    TKernelHandle out_;
};

// Writes a copy's contents into the staged file.
using TFill = std::function<void(HANDLE out)>;

void PlaceCopy(const String& target, const String& workDir, const TFill& fill)
{
    const bool existed = GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (existed) CheckReplaceable(target);
    TStagedCopy copy(target, workDir);
    fill(copy.Handle());
    if (!existed && copy.TakeFreeName()) return;
    // One made meanwhile by someone else is replaced as one that was there.
    if (!existed) CheckReplaceable(target);
    copy.Replace();
}

bool PlaceNewCopy(const String& target, const String& workDir, const TFill& fill)
{
    TStagedCopy copy(target, workDir);
    fill(copy.Handle());
    return copy.TakeFreeName();
}

// Writes the bytes in large blocks, reports them per 2048, and gives the
// file their time stamp.
void WriteContents(const TFileBytes& bytes, HANDLE out, const TCopyProgress& callback)
{
    for (size_t done = 0; done < bytes.size;) {
        const DWORD n = static_cast<DWORD>(std::min<size_t>(bytes.size - done, kMaxBlock));
        DWORD put = 0;
        if (!WriteFile(out, bytes.data + done, n, &put, nullptr)) CopyFailed(GetLastError());
        if (put != n) CopyFailed(ERROR_DISK_FULL);
        done += n;
        for (DWORD r = 0; callback && r < n; r += kProgressBlock)
            callback(0, static_cast<int>(std::min(kProgressBlock, n - r)));
    }
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(bytes.fileTime);
    written.dwHighDateTime = static_cast<DWORD>(bytes.fileTime >> 32);
    if (bytes.fileTime && !SetFileTime(out, nullptr, nullptr, &written)) CopyFailed(GetLastError());
}

}  // namespace

void CopyPartWithProgress(const String& source, const TFilePart& part, const String& target,
                          const TCopyProgress& callback, const String& workDir)
{
    const TKernelHandle in = OpenSource(source);
    PlaceCopy(target, workDir, [&](HANDLE out) { CopyContents(in.Get(), part, out, callback); });
}

bool CopyNewPartWithProgress(const String& source, const TFilePart& part, const String& target,
                             const TCopyProgress& callback, const String& workDir)
{
    const TKernelHandle in = OpenSource(source);
    return PlaceNewCopy(target, workDir, [&](HANDLE out) { CopyContents(in.Get(), part, out, callback); });
}

void CopyBytesWithProgress(const TFileBytes& bytes, const String& target, const TCopyProgress& callback,
                           const String& workDir)
{
    PlaceCopy(target, workDir, [&](HANDLE out) { WriteContents(bytes, out, callback); });
}

bool CopyNewBytesWithProgress(const TFileBytes& bytes, const String& target, const TCopyProgress& callback,
                              const String& workDir)
{
    return PlaceNewCopy(target, workDir, [&](HANDLE out) { WriteContents(bytes, out, callback); });
}

void CopyFileWithProgress(const String& source, const String& target, const TCopyProgress& callback,
                          const String& workDir)
{
    CopyPartWithProgress(source, TFilePart{}, target, callback, workDir);
}

bool CopyNewFileWithProgress(const String& source, const String& target, const TCopyProgress& callback,
                             const String& workDir)
{
    return CopyNewPartWithProgress(source, TFilePart{}, target, callback, workDir);
}

DWORD CreateSetupTempFile(const String& dir, String& name, TKernelHandle& file)
{
    static uint32_t counter = 0;
    DWORD error = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const String candidate =
            dir + SetupTempName(GetCurrentProcessId(), SetupTempNumber(GetTickCount() + ++counter));
        HANDLE h = CreateFileA(candidate.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            name = candidate;
            file.Reset(h);
            return 0;
        }
        error = GetLastError();
        if (!NameTaken(error)) break;
    }
    return error;
}

String TWorkFolders::In(const String& dir)
{
    for (const auto& [where, folder] : folders_)
        if (where == dir) return folder;
    String folder = dir + SetupWorkFolderName(GetCurrentProcessId());
    // One there already is a killed run's of the same process id: still ours to use.
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) folder.clear();
    folders_.emplace_back(dir, folder.empty() ? folder : folder + "\\");
    return folders_.back().second;
}

void TWorkFolders::RemoveAll()
{
    for (const auto& entry : folders_)
        if (!entry.second.empty()) RemoveDirectoryA(RemoveBackslash(entry.second).c_str());
    folders_.clear();
}

namespace {

bool ProcessRuns(uint32_t id)
{
    const TKernelHandle h(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (!h) return GetLastError() == ERROR_ACCESS_DENIED;
    return !ProcessEnded(h.Get());
}

// A killed run's work folder: the temporary files in it go, then the folder
// unless something else is in it.
bool RemoveWorkFolder(const String& folder)
{
    for (const TFolderEntry& e : TFolderWalk(folder, SetupTempPattern())) {
        uint32_t writer = 0;
        if (!e.IsDirectory() && ParseSetupTempName(e.name, writer)) RemoveFile(folder + e.name);
    }
    return RemoveDirectoryA(RemoveBackslash(folder).c_str()) != 0;
}

}  // namespace

bool RemoveFile(const String& path)
{
    // A killed run's temporary copy of a read-only file is read-only too.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) || !FileExists(path);
}

int RemoveSetupLeftovers(const String& dir, std::vector<String>* others)
{
    const String folder = AddBackslash(dir);
    int removed = 0;
    for (const TFolderEntry& e : TFolderWalk(folder)) {
        uint32_t writer = 0;
        // Another setup may be writing it right now.
        if (ParseSetupTempName(e.name, writer) && writer != GetCurrentProcessId() && !ProcessRuns(writer) &&
            (e.IsDirectory() ? RemoveWorkFolder(folder + e.name + "\\") : RemoveFile(folder + e.name))) {
            ++removed;
            continue;
        }
        if (others) {
            others->push_back(e.name);
            if (!e.shortName.empty()) others->push_back(e.shortName);
        }
    }
    return removed;
}

String LongPathName(const String& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return path;
    char longer[MAX_PATH];
    n = GetLongPathNameA(full, longer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? String(full) : String(longer, n);
}
