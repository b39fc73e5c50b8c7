#include "pages/program_folders.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>

#include "engine/file_routines.h"
#include "engine/run_scope.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/forms.h"
#include "framework/win32/handles.h"
#include "framework/win32/process.h"
#include "pages/progman.h"

bool ScopeGroupsCommon() { return !PerUserRun(); }

bool GroupFolderExists(const String& group, bool common)
{
    const String folder = GroupFolder(ProgramsFolder(common), group);
    return !folder.empty() && DirectoryExists(folder);
}

void ListGroupFolders(TStringList& groups, bool common)
{
    groups.Clear();
    const String programs = ProgramsFolder(common);
    if (programs.empty()) return;
    for (const TFolderEntry& e : TFolderWalk(programs))
        if (e.IsDirectory()) groups.Add(e.name);
}

String MakeGroupFolder(const String& group, bool common)
{
    const String folder = GroupFolder(ProgramsFolder(common), group);
    if (folder.empty()) return String();
    return CreateDirectoryA(folder.c_str(), nullptr) || DirectoryExists(folder) ? folder : String();
}

String ItemLinkPath(const String& folder, const String& item) { return AddBackslash(folder) + item + ".lnk"; }

namespace {
std::wstring Wide(const String& s)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
}

// COM for the calls of one routine: the thread may have it already.
class TComScope {
public:
    TComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~TComScope()
    {
        if (ok_) CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool ok_;
};
}  // namespace

namespace {
// The shell's link object, its class spelled here: the platform's library
// of identifiers would bring its whole table of them into the program.
constexpr CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

IShellLinkA* NewShellLink()
{
    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkA),
                                reinterpret_cast<void**>(&shellLink))))
        return nullptr;
    return shellLink;
}
}  // namespace

bool WriteShellLink(const String& link, const TShellLinkData& data)
{
    TComScope com;
    IShellLinkA* shellLink = NewShellLink();
    if (!shellLink) return false;
    bool saved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->SetPath(data.target.c_str())) &&
        SUCCEEDED(shellLink->SetArguments(data.arguments.c_str())) &&
        SUCCEEDED(shellLink->SetDescription(data.description.c_str())) &&
        (data.workingDir.empty() || SUCCEEDED(shellLink->SetWorkingDirectory(data.workingDir.c_str()))) &&
        (data.iconFile.empty() || SUCCEEDED(shellLink->SetIconLocation(data.iconFile.c_str(), data.iconIndex))) &&
        SUCCEEDED(shellLink->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file)))) {
        saved = SUCCEEDED(file->Save(Wide(link).c_str(), TRUE));
        file->Release();
    }
    shellLink->Release();
    return saved;
}

namespace {
bool ReadLinkFields(IShellLinkA* shellLink, TShellLinkData& data)
{
    char target[MAX_PATH] = "", arguments[1024] = "", description[1024] = "", dir[MAX_PATH] = "", icon[MAX_PATH] = "";
    int index = 0;
    if (FAILED(shellLink->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH)) ||
        FAILED(shellLink->GetArguments(arguments, sizeof arguments)) ||
        FAILED(shellLink->GetDescription(description, sizeof description)) ||
        FAILED(shellLink->GetWorkingDirectory(dir, sizeof dir)) ||
        FAILED(shellLink->GetIconLocation(icon, sizeof icon, &index)))
        return false;
    data = TShellLinkData{target, arguments, description, dir, icon, index};
    return true;
}
}  // namespace

bool ReadShellLink(const String& link, TShellLinkData& data)
{
    data = TShellLinkData{};
    TComScope com;
    IShellLinkA* shellLink = NewShellLink();
    if (!shellLink) return false;
    bool read = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file)))) {
        read = SUCCEEDED(file->Load(Wide(link).c_str(), STGM_READ)) && ReadLinkFields(shellLink, data);
        file->Release();
    }
    shellLink->Release();
    if (!read) data = TShellLinkData{};
    return read;
}

String ShellLinkTarget(const String& link)
{
    TShellLinkData data;
    return ReadShellLink(link, data) ? data.target : String();
}

bool IsGroupWindow(HWND h, const String& group)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (!h || pid == GetCurrentProcessId() || group.empty()) return false;
    char cls[64] = "", title[MAX_PATH] = "";
    GetClassNameA(h, cls, sizeof cls);
    if (!SameText(cls, "CabinetWClass") && !SameText(cls, "ExplorerWClass")) return false;
    GetWindowTextA(h, title, sizeof title);
    return SameText(title, StoredFileName(group));
}

namespace {
BOOL CALLBACK CloseIfGroupWindow(HWND h, LPARAM p)
{
    if (IsGroupWindow(h, *reinterpret_cast<const String*>(p))) PostMessageA(h, WM_CLOSE, 0, 0);
    return TRUE;
}

// The folder windows' processes that `parent` has started (the shell starts
// others too, such as its menu builder for each new link).
std::vector<DWORD> FolderProcessesOf(DWORD parent)
{
    std::vector<DWORD> ids;
    if (!parent) return ids;
    const TKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent &&
            SameText(ExtractFileName(entry.szExeFile), "explorer.exe"))
            ids.push_back(entry.th32ProcessID);
    return ids;
}
}  // namespace

void CloseGroupWindows(const String& group) { EnumWindows(CloseIfGroupWindow, reinterpret_cast<LPARAM>(&group)); }

void TGroupWindowWatch::Start(DWORD server)
{
    server_ = server;
    before_ = FolderProcessesOf(server);
}

void TGroupWindowWatch::CloseOpened(const String& group, DWORD timeoutMs)
{
    std::vector<TKernelHandle> opened;
    std::vector<HANDLE> waited;
    for (DWORD id : FolderProcessesOf(server_))
        if (std::find(before_.begin(), before_.end(), id) == before_.end())
            if (TKernelHandle h(OpenProcess(SYNCHRONIZE, FALSE, id)); h) {
                waited.push_back(h.Get());
                opened.push_back(std::move(h));
            }
    if (!waited.empty()) WaitForProcessesEnd(waited, timeoutMs, [&group] { CloseGroupWindows(group); });
    // A shell that shows folders in its own process: whatever is up by now.
    CloseGroupWindows(group);
}
