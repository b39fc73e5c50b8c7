#include "engine/installed_product.h"

#include "engine/path_routines.h"
#include "engine/registry.h"

namespace {
HKEY RootOf(TRunScope scope) { return scope == TRunScope::user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// A drive path "C:\..." below the drive's root, with a trailing backslash;
// empty for anything else (a share, a relative path, a root).
String CheckedFolder(const String& text)
{
    String folder = text;
    if (NormaliseTargetPath(folder) != TTargetPathCheck::tpOk || folder.size() <= 3) return String();
    return AddBackslash(folder);
}

// The program of a registered command: its first word, or what its quotes hold.
String CommandProgram(const String& command)
{
    if (!command.empty() && command[0] == '"') {
        const size_t end = command.find('"', 1);
        return end == String::npos ? String() : command.substr(1, end - 1);
    }
    return command.substr(0, command.find(' '));
}

bool ReadRegistration(TRunScope scope, const String& name, TInstalledProduct& out)
{
    if (name.empty() || name.find('\\') != String::npos) return false;
    TRegistryKey key;
    if (!key.Open(RootOf(scope), String(kUnInstallKey) + "\\" + name)) return false;
    out.folder = CheckedFolder(key.ReadString(kInstallLocationValue));
    if (out.folder.empty()) return false;
    out.found = true;
    out.scope = scope;
    out.key = name;
    out.displayName = key.ReadString("DisplayName");
    out.version = key.ReadString("DisplayVersion");
    out.program = CommandProgram(key.ReadString("UnInstallString"));
    for (const String& value : key.ValueNames())
        if (const size_t n = String(kChoiceValuePrefix).size();
            value.size() > n && SameText(value.substr(0, n), kChoiceValuePrefix))
            out.choices.emplace_back(value.substr(n), key.ReadString(value));
    return true;
}
}  // namespace

TInstalledProduct FindInstalledProductIn(const String& id, const String& legacyName, TRunScope scope)
{
    TInstalledProduct found;
    for (const String& name : {id, legacyName})
        if (ReadRegistration(scope, name, found)) return found;
    return TInstalledProduct{};
}

TInstalledProduct FindInstalledProduct(const String& id, const String& legacyName, TRunScope preferred)
{
    const TRunScope other = preferred == TRunScope::user ? TRunScope::machine : TRunScope::user;
    for (TRunScope scope : {preferred, other})
        if (TInstalledProduct found = FindInstalledProductIn(id, legacyName, scope); found.found) return found;
    return TInstalledProduct{};
}
