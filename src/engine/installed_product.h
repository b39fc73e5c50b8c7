// The product as an earlier setup installed it: found by the uninstall
// registration under its identity (or, for a release that had none, under
// its registration's name), in everybody's list or the user's.
#pragma once

#include <windows.h>

#include <vector>

#include "base/nstring.h"
#include "engine/run_scope.h"

// The registry key that lists installed programs, below HKEY_LOCAL_MACHINE
// for everybody and below HKEY_CURRENT_USER for one user (RegistrationRoot).
inline constexpr const char* kUnInstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall";
// The registration's values for the next release: the folder and the
// choice each choice page made ("Choice " + the page's name).
inline constexpr const char* kInstallLocationValue = "InstallLocation";
inline constexpr const char* kChoiceValuePrefix = "Choice ";

struct TInstalledProduct {
    bool found = false;
    TRunScope scope = TRunScope::machine;
    String key;                                      // below kUnInstallKey
    String displayName;                              // as Add/Remove Programs shows it
    String folder;                                   // with a trailing backslash; a full path on a drive
    String version;                                  // empty for a release that recorded none
    String program;                                  // the uninstall program its command runs
    std::vector<std::pair<String, String>> choices;  // page name, chosen items
};

// Looks for the registration under `id`, then under `legacyName`, in the
// scope `preferred` first, then in the other. A registration whose folder
// is no full path on a drive is none.
TInstalledProduct FindInstalledProduct(const String& id, const String& legacyName, TRunScope preferred);
// The same in one scope only.
TInstalledProduct FindInstalledProductIn(const String& id, const String& legacyName, TRunScope scope);
