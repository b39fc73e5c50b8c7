#include "folder_scan.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "base/date_time.h"
#include "base/exceptions.h"
#include "base/setup_files.h"
#include "base/temp_names.h"
#include "framework/win32/handles.h"

namespace {

// Names that the setup folder holds for the setup itself.
constexpr const char* kReservedNames[] = {kSetupProgramName, kLanguageLibraryName, kCompLibraryName, kSolidArchiveName};

// The ANSI form of a name the system gives in UTF-16, or an error when a
// character has no place in the code page.
String Ansi(const std::wstring& wide, const String& where)
{
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, &lossy);
    String out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, &lossy);
    if (lossy || n == 0) {
        throw ENimboError(Format("%s%s: the name has a character that the setup script cannot hold (code page %d)",
                                 where, out, static_cast<int>(GetACP())));
    }
    return out;
}

class TScanner {
public:
    std::vector<TScannedFile> files;

    void Walk(const std::wstring& dir, const String& ansiDir, const String& subDir)
    {
        // A link back to a folder above would be read without end.
        const auto [self, entered] = open_.insert(FolderId(dir, ansiDir));
        if (!entered)
            throw ENimboError(
                Format("%s: a link back to a folder that holds it; the folder would be read without end", subDir));
        struct Leave {
            std::set<std::tuple<DWORD, DWORD, DWORD>>& open;
            std::set<std::tuple<DWORD, DWORD, DWORD>>::iterator at;
            ~Leave() { open.erase(at); }
        } leave{open_, self};
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) throw ENimboError(Format("%s: cannot read the folder", ansiDir));
        std::vector<WIN32_FIND_DATAW> found;
        do {
            if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) found.push_back(fd);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        const String where = subDir.empty() ? String() : subDir + "\\";
        std::map<String, String> dirsHere;
        for (const WIN32_FIND_DATAW& e : found) {
            const String name = Ansi(e.cFileName, where);
            if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                const auto [it, fresh] = dirsHere.emplace(AnsiUpperCase(name), name);
                if (!fresh)
                    throw ENimboError(Format("%s%s and %s%s: folder names differ only in letter case", where,
                                             it->second, where, name));
                Walk(dir + L"\\" + e.cFileName, ansiDir + "\\" + name, where + name);
            } else {
                AddFile(ansiDir + "\\" + name, subDir, name);
            }
        }
    }

private:
    void AddFile(const String& path, const String& subDir, const String& name)
    {
        const String shown = subDir.empty() ? name : subDir + "\\" + name;
        for (const char* reserved : kReservedNames)
            if (subDir.empty() && SameText(name, reserved))
                throw ENimboError(Format("%s: the setup folder needs this name for itself", shown));
        // A later setup run would take it for a killed run's temporary file
        // and remove it from the folder it was installed in.
        uint32_t writer = 0;
        if (ParseSetupTempName(name, writer))
            throw ENimboError(Format("%s: the setup names its temporary files so; rename the file", shown));
        // The setup folder mirrors the folder, and the script finds files by
        // name ignoring case.
        const auto [it, fresh] = byPath_.emplace(AnsiUpperCase(shown), shown);
        if (!fresh && it->second == shown)
            throw ENimboError(Format("%s: the file system lists this name twice", shown));
        if (!fresh) throw ENimboError(Format("%s and %s: the names differ only in letter case", it->second, shown));
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            throw ENimboError(Format("%s: cannot read the file (error %d)", shown, static_cast<int>(GetLastError())));
        LARGE_INTEGER size{};
        FILETIME written{};
        const bool ok = GetFileSizeEx(h, &size) && GetFileTime(h, nullptr, nullptr, &written);
        CloseHandle(h);
        if (!ok)
            throw ENimboError(Format("%s: cannot read the file (error %d)", shown, static_cast<int>(GetLastError())));
        if (size.QuadPart > 0x7FFFFFFF)
            throw ENimboError(Format("%s: larger than the setup script's 2 GiB limit", shown));
        TScannedFile f;
        f.path = path;
        f.file.subDir = subDir;
        f.file.name = name;
        f.file.size = static_cast<int32_t>(size.QuadPart);
        // The script keeps local time, as the file system shows it.
        const uint64_t fileTime = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
        if (const uint32_t stamp = LocalDosStamp(fileTime)) {
            try {
                f.file.dateTime = FileDateToDateTime(static_cast<int32_t>(stamp));
            } catch (const Exception&) {
                f.file.dateTime = 0;  // a year the script cannot hold
            }
        }
        files.push_back(std::move(f));
    }

    std::map<String, String> byPath_;
    std::set<std::tuple<DWORD, DWORD, DWORD>> open_;  // the folders being walked, by identity

    // The folder's volume and file number, which a link to it shares.
    static std::tuple<DWORD, DWORD, DWORD> FolderId(const std::wstring& dir, const String& ansiDir)
    {
        TKernelHandle h(CreateFileW(dir.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!h || !GetFileInformationByHandle(h.Get(), &info))
            throw ENimboError(
                Format("%s: cannot read the folder (error %d)", ansiDir, static_cast<int>(GetLastError())));
        return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    }
};

}  // namespace

std::vector<TScannedFile> ScanFolder(const String& folder)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide.data(), n);
    const DWORD attr = GetFileAttributesW(wide.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY))
        throw ENimboError(Format("%s: no such folder", folder));
    TScanner scan;
    scan.Walk(wide, folder, String());
    std::stable_sort(scan.files.begin(), scan.files.end(), [](const TScannedFile& a, const TScannedFile& b) {
        const int bySub = CompareText(a.file.subDir, b.file.subDir);
        return bySub != 0 ? bySub < 0 : CompareText(a.file.name, b.file.name) < 0;
    });
    return scan.files;
}
