#include "pending_renames.h"

#include <windows.h>

#include <algorithm>

#include "engine/path_routines.h"

namespace {
const char* const kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
}  // namespace

std::vector<String> PendingRenames()
{
    std::vector<String> out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        String data(size, '\0');
        RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size);
        data.resize(size);
        for (size_t at = 0; at < data.size();) {
            const size_t end = std::min(data.find('\0', at), data.size());
            out.push_back(data.substr(at, end - at));
            at = end + 1;
        }
        // The list ends with an empty string; a deletion's target is one too.
        while (!out.empty() && out.back().empty() && out.size() % 2) out.pop_back();
    }
    RegCloseKey(key);
    return out;
}

void DropPendingRenamesIn(const String& dir)
{
    const std::vector<String> pairs = PendingRenames();
    String kept;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        if (pairs[i].find(RemoveBackslash(dir)) == String::npos) kept += pairs[i] + '\0' + pairs[i + 1] + '\0';
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    if (kept.empty())
        RegDeleteValueA(key, "PendingFileRenameOperations");
    else
        RegSetValueExA(key, "PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() + 1));
    RegCloseKey(key);
}
