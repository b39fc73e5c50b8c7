#include "engine/registry.h"

#include <vector>

#include "engine/run_journal.h"
#include "engine/run_log.h"
#include "framework/win32/handles.h"
#include "framework/win32/system_error.h"

namespace {
// The platform deletes only keys without subkeys: empty the tree first.
bool DeleteTree(HKEY parent, const String& name)
{
    TRegKey key;
    LONG r = RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, key.Put());
    if (r == ERROR_FILE_NOT_FOUND) return true;
    if (r != ERROR_SUCCESS) return false;
    std::vector<String> children;
    char buf[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof buf;
        if (RegEnumKeyExA(key.Get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.emplace_back(buf, len);
    }
    bool ok = true;
    for (const String& child : children) ok = DeleteTree(key.Get(), child) && ok;
    key.Reset();  // closed before its deletion
    r = RegDeleteKeyA(parent, name.c_str());
    return ok && (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND);
}

String RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_CLASSES_ROOT";
}

// The registry services answer with their error code, not the last error:
// made the last error, so callers read a failure's reason in one way.
bool Succeeded(LONG result)
{
    if (result == ERROR_SUCCESS) return true;
    SetLastError(static_cast<DWORD>(result));
    return false;
}
}  // namespace

bool TRegistryKey::Create(HKEY root, const String& path, TRunJournal* journal)
{
    Close();
    journal_ = journal;
    root_ = root;
    path_ = path;
    if (journal_) journal_->RegistryKey(root, path);
    if (Succeeded(RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                  nullptr, key_.Put(), nullptr)))
        return true;
    key_.Reset();
    return false;
}

bool TRegistryKey::Open(HKEY root, const String& path, bool forWriting)
{
    Close();
    const REGSAM access = forWriting ? KEY_READ | KEY_WRITE : KEY_READ;
    if (RegOpenKeyExA(root, path.c_str(), 0, access, key_.Put()) == ERROR_SUCCESS) return true;
    key_.Reset();
    return false;
}

void TRegistryKey::Close()
{
    key_.Reset();
    journal_ = nullptr;
}

bool TRegistryKey::WriteString(const String& name, const String& value)
{
    if (!key_) return Succeeded(ERROR_INVALID_HANDLE);
    if (journal_) journal_->RegistryValue(root_, path_, name);
    return Logged(
        name, "\"" + value + "\"",
        Succeeded(RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1))));
}

bool TRegistryKey::Logged(const String& name, const String& value, bool written) const
{
    // What a run writes (through its journal) goes into its log.
    if (!journal_) return written;
    const DWORD error = GetLastError();
    const String where = RootName(root_) + "\\" + path_ + "\\" + name;
    RunLog(written ? "Registry value: " + where + " = " + value
                   : WithSystemError("Error: could not write the registry value " + where + ".", error));
    SetLastError(error);
    return written;
}

std::vector<String> TRegistryKey::ValueNames() const
{
    std::vector<String> names;
    char buf[16384];
    for (DWORD i = 0; key_; ++i) {
        DWORD len = sizeof buf;
        if (RegEnumValueA(key_.Get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, len);
    }
    return names;
}

bool TRegistryKey::WriteInteger(const String& name, uint32_t value)
{
    const DWORD v = value;
    if (!key_) return Succeeded(ERROR_INVALID_HANDLE);
    if (journal_) journal_->RegistryValue(root_, path_, name);
    return Logged(
        name, IntToStr(static_cast<long long>(value)),
        Succeeded(RegSetValueExA(key_.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v)));
}

String TRegistryKey::ReadString(const String& name) const
{
    if (!key_) return String();
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return String();
    if (type != REG_SZ && type != REG_EXPAND_SZ) return String();
    std::vector<char> buf(size + 1, '\0');
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size) !=
        ERROR_SUCCESS)
        return String();
    return String(buf.data());  // stored with or without its terminating zero
}

bool TRegistryKey::DeleteSubKey(const String& name) { return key_ && !name.empty() && DeleteTree(key_.Get(), name); }

bool DeleteRegistryKey(HKEY root, const String& path) { return !path.empty() && DeleteTree(root, path); }
