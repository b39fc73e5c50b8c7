// Registry keys through the platform's registry services: a key handle that
// closes itself, and the few operations the setup needs (the database
// engine's settings, the uninstall registration).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/nstring.h"
#include "framework/win32/handles.h"

class TRunJournal;

class TRegistryKey {
public:
    TRegistryKey() = default;
    ~TRegistryKey() { Close(); }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;

    // Opens root\path, creating the keys that are missing; false when
    // refused, with the platform's reason as the last error. With a
    // journal, the keys it makes and each value written through this key
    // are written down first.
    bool Create(HKEY root, const String& path, TRunJournal* journal = nullptr);
    // Opens root\path only when it exists; reading only, unless asked.
    bool Open(HKEY root, const String& path, bool forWriting = false);
    bool IsOpen() const { return static_cast<bool>(key_); }
    void Close();

    // False when the platform refuses the write, with its reason as the
    // last error.
    bool WriteString(const String& name, const String& value);
    bool WriteInteger(const String& name, uint32_t value);
    // The string value; empty when it is missing or holds no string.
    String ReadString(const String& name) const;
    // The names of the key's values.
    std::vector<String> ValueNames() const;
    // Deletes the subkey with everything below it; true when it is gone
    // afterwards (also when there was none).
    bool DeleteSubKey(const String& name);

private:
    // Names the value written in the run's log (or why it could not be);
    // gives `written` back, the last error kept.
    bool Logged(const String& name, const String& value, bool written) const;
    TRegKey key_;
    TRunJournal* journal_ = nullptr;
    HKEY root_ = nullptr;
    String path_;
};

// Deletes root\path with all its subkeys and values; true when it is gone.
bool DeleteRegistryKey(HKEY root, const String& path);
