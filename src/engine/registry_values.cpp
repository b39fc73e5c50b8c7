#include "engine/registry_values.h"

#include "framework/win32/handles.h"

HKEY RegistryRoot(const String& root) { return root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

String RegistryKeyName(const String& root, const String& key)
{
    return (root == "HKLM" ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + key;
}

String RegistryPlaceName(const String& root, const String& key, const String& name)
{
    return RegistryKeyName(root, key) + "\\" + (name.empty() ? String("(default)") : name);
}

bool RegistryKeyExists(HKEY root, const String& key)
{
    TRegKey h;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, h.Put()) == ERROR_SUCCESS;
}

String ParentKey(const String& key)
{
    const size_t cut = key.rfind('\\');
    return cut == String::npos ? String() : key.substr(0, cut);
}

bool ReadRegistryBytes(HKEY root, const String& key, const String& name, DWORD& type, String& data)
{
    TRegKey h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, h.Put()) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool found = RegQueryValueExA(h.Get(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        data.assign(size, '\0');
        found = RegQueryValueExA(h.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
                ERROR_SUCCESS;
        data.resize(size);
    }
    return found;
}

LONG WriteRegistryBytes(HKEY root, const String& key, const String& name, DWORD type, const String& data)
{
    TRegKey h;
    const LONG r = RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                   h.Put(), nullptr);
    if (r != ERROR_SUCCESS) return r;
    return RegSetValueExA(h.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG DeleteRegistryValue(HKEY root, const String& key, const String& name)
{
    TRegKey h;
    const LONG r = RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, h.Put());
    return r != ERROR_SUCCESS ? r : RegDeleteValueA(h.Get(), name.c_str());
}

bool DeleteEmptyRegistryKey(HKEY root, const String& key)
{
    TRegKey h;
    if (key.empty() || RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, h.Put()) != ERROR_SUCCESS) return false;
    DWORD keys = 0, values = 0;
    const bool empty = RegQueryInfoKeyA(h.Get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr,
                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                       keys == 0 && values == 0;
    h.Reset();  // closed before its deletion
    return empty && RegDeleteKeyA(root, key.c_str()) == ERROR_SUCCESS;
}

String RegistryText(const String& data) { return data.substr(0, data.find('\0')); }

String EnvironmentKey(bool perUser)
{
    return perUser ? "Environment" : "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
}

void BroadcastEnvironmentChange()
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"), SMTO_ABORTIFHUNG,
                        2000, &result);
}
