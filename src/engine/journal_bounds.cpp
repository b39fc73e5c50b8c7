#include "engine/journal_bounds.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shlobj.h>

#include "engine/file_routines.h"
#include "engine/install_scope.h"
#include "engine/path_routines.h"

namespace {

bool StartsWith(const String& text, const String& head) { return text.compare(0, head.size(), head) == 0; }

// The platform's folder, as BoundsPath gives it; empty when it has none.
String ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path)) || !path[0]) return String();
    return BoundsPath(path, true);
}

// Folders a run installs into, but never as themselves.
const int kPlatformFolders[] = {CSIDL_PROFILE,          CSIDL_PERSONAL,
                                CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA,
                                CSIDL_LOCAL_APPDATA,    CSIDL_PROGRAMS,
                                CSIDL_STARTMENU,        CSIDL_COMMON_PROGRAMS,
                                CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DOCUMENTS,
                                CSIDL_COMMON_APPDATA,   CSIDL_COMMON_DESKTOPDIRECTORY,
                                CSIDL_PROGRAM_FILES,    CSIDL_PROGRAM_FILES_COMMON,
                                CSIDL_PROGRAM_FILESX86};
// What everybody shares: nothing of a per-user run lies there.
const int kMachineFolders[] = {CSIDL_PROGRAM_FILES,   CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA,
                               CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY,
                               CSIDL_COMMON_DOCUMENTS};

// The registry keys of the platform, and the one kind of them a run writes.
const char* const kPlatformKeys[] = {"SOFTWARE\\CLASSES\\", "SOFTWARE\\POLICIES\\", "SOFTWARE\\WOW6432NODE\\",
                                     "SOFTWARE\\MICROSOFT\\"};
const char kRegistrations[] = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL\\";

}  // namespace

String BoundsPath(const String& path, bool folder)
{
    const String plain = RemoveBackslash(NormaliseLogPath(RemoveBackslash(path), false));
    if (plain.size() < 3) return String();
    // The long form of the part that is there: "C:\WINDOW~1" is the
    // Windows folder.
    String head = plain, tail;
    char longer[MAX_PATH];
    while (head.size() > 3) {
        const DWORD n = GetLongPathNameA(head.c_str(), longer, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            head.assign(longer, n);
            break;
        }
        tail = "\\" + ExtractFileName(head) + tail;
        head = ExtractFileDir(head);
    }
    // A folder link on the way could lead anywhere.
    for (size_t start = 3; start != String::npos && start <= head.size();) {
        const size_t end = head.find('\\', start);
        const DWORD a = GetFileAttributesA(head.substr(0, end).c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return String();
        start = end == String::npos ? end : end + 1;
    }
    const String full = AnsiUpperCase(head + tail);
    return folder ? AddBackslash(full) : full;
}

TJournalBounds::TJournalBounds(const TJournalContent& content, TRunScope scope,
                               const std::vector<TJournalKey>& scriptKeys)
    : scope_(scope)
{
    for (const TJournalKey& k : scriptKeys)
        if (k.root == (scope == TRunScope::user ? "HKCU" : "HKLM")) scriptKeys_.push_back(UpperCase(k.key));
    windows_ = BoundsPath(WindowsDir(), true);
    closed_ = {windows_, BoundsPath(RunStateFolder(), true)};
    for (int csidl : kPlatformFolders) platform_.push_back(ShellFolder(csidl));
    // The folder of everybody's profiles, and the temporary folder.
    platform_.push_back(AddBackslash(ExtractFileDir(RemoveBackslash(ShellFolder(CSIDL_PROFILE)))));
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n > 0 && n < MAX_PATH) platform_.push_back(BoundsPath(String(temp, n), true));
    if (scope == TRunScope::user)
        for (int csidl : kMachineFolders)
            if (const String f = ShellFolder(csidl); !f.empty()) closed_.push_back(f);
    desktop_ = ShellFolder(scope == TRunScope::user ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_DESKTOPDIRECTORY);
    for (const TJournalRecord& r : content.records) {
        if (r.kind != TJournalKind::Destination) continue;
        const String dir = BoundsPath(r.fields[0], true);
        if (!dir.empty() && Allowed(dir)) destinations_.push_back(dir);
    }
}

bool TJournalBounds::Allowed(const String& dir) const
{
    if (dir.size() <= 3 || windows_.empty()) return false;
    for (const String& p : platform_)
        if (dir == p) return false;
    for (const String& c : closed_)
        if (!c.empty() && StartsWith(dir, c)) return false;
    return true;
}

bool TJournalBounds::File(const String& path) const
{
    const String p = BoundsPath(path, true);
    if (p.empty()) return false;
    for (const String& d : destinations_)
        if (StartsWith(p, d)) return true;
    // "<desktop>\name.LNK\", nothing between.
    const size_t name = desktop_.size();
    return !desktop_.empty() && p.size() > name + 5 && StartsWith(p, desktop_) && p.find('\\', name) == p.size() - 1 &&
           p.compare(p.size() - 5, 5, ".LNK\\") == 0;
}

bool TJournalBounds::Folder(const String& dir) const
{
    const String p = BoundsPath(dir, true);
    if (p.empty()) return false;
    for (const String& d : destinations_)
        if (StartsWith(p, d) || (StartsWith(d, p) && Allowed(p))) return true;
    return false;
}

bool TJournalBounds::Key(const String& root, const String& key) const
{
    if (root != (scope_ == TRunScope::user ? "HKCU" : "HKLM")) return false;
    for (const String& named : scriptKeys_)
        if (UpperCase(key) == named) return true;
    const String k = UpperCase(key) + "\\";
    // An empty part ("a\\b", a leading or trailing backslash) may read as
    // another key.
    if (!StartsWith(k, "SOFTWARE\\") || k.size() <= 9 || k.find("\\\\") != String::npos) return false;
    if (StartsWith(k, kRegistrations)) return k.size() > sizeof kRegistrations - 1;
    for (const char* platform : kPlatformKeys)
        if (StartsWith(k, platform)) return false;
    return true;
}

bool TJournalBounds::Profile(const String& file, const String& section) const
{
    const bool engine = SameText(section, "IDAPI") || SameText(section, "Borland Language Drivers");
    if (scope_ == TRunScope::machine && engine && BoundsPath(file, false) == windows_ + "WIN.INI") return true;
    return File(file);
}
