#include "screenshot.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace robot {

namespace {

// Wine's exports between DOS and Unix names; absent on real Windows.
using ToUnixFn = char*(CDECL*)(LPCWSTR);
using ToDosFn = WCHAR*(CDECL*)(LPCSTR);

template <typename Fn> Fn WineExport(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

std::string UnixPath(const std::string& windowsPath)
{
    const auto toUnix = WineExport<ToUnixFn>("wine_get_unix_file_name");
    if (!toUnix) return {};
    std::wstring wide(windowsPath.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    if (n <= 0) return {};
    char* unix = toUnix(wide.c_str());
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// For a single-quoted sh word.
std::string ShQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

std::string ToWindowsPath(const std::string& path)
{
    if (!path.empty() && path[0] == '/') {
        if (const auto toDos = WineExport<ToDosFn>("wine_get_dos_file_name")) {
            if (WCHAR* dos = toDos(path.c_str())) {
                char buf[MAX_PATH * 2];
                const int n = WideCharToMultiByte(CP_ACP, 0, dos, -1, buf, sizeof buf, nullptr, nullptr);
                HeapFree(GetProcessHeap(), 0, dos);
                if (n > 0) return buf;
            }
        }
    }
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : path;
}

std::string TakeScreenshot(const std::string& file, double timeoutSeconds)
{
    const std::string target = ToWindowsPath(file);
    const std::string unix = UnixPath(target);
    if (unix.empty()) return "no Unix path for " + target + " (not running under Wine?)";
    const std::string tmp = target + ".part", err = target + ".err", rc = target + ".rc";
    for (const auto& f : {tmp, err, rc, rc + ".part"}) DeleteFileA(f.c_str());

    const std::string script = "import -window root png:" + ShQuote(unix + ".part") + " 2>" + ShQuote(unix + ".err") +
                               "; echo $? >" + ShQuote(unix + ".rc.part") + "; mv " + ShQuote(unix + ".rc.part") + " " +
                               ShQuote(unix + ".rc");
    std::string cmd = "/bin/sh -c \"" + script + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "cannot start /bin/sh (error " + std::to_string(GetLastError()) + ")";
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);

    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutSeconds * 1000);
    while (GetFileAttributesA(rc.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) {
            return "import did not finish within " + std::to_string(static_cast<int>(timeoutSeconds)) + " s";
        }
        Sleep(50);
    }
    const std::string code = ReadFile(rc);
    const std::string message = ReadFile(err);
    DeleteFileA(rc.c_str());
    DeleteFileA(err.c_str());
    if (code.empty() || std::atoi(code.c_str()) != 0) {
        DeleteFileA(tmp.c_str());
        return "import failed (exit " + code.substr(0, code.find('\n')) + "): " + message;
    }
    if (!MoveFileExA(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return "cannot rename " + tmp + " (error " + std::to_string(GetLastError()) + ")";
    return {};
}

}  // namespace robot
