#include "engine/profile.h"

#include <windows.h>

#include "base/exceptions.h"

String ReadProfileString(const String& file, const String& section, const String& key, const String& def)
{
    std::vector<char> buf(1024);
    for (;;) {
        const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(),
                                                 static_cast<DWORD>(buf.size()), file.c_str());
        // A full buffer means the value may have been cut: try a bigger one.
        if (n < buf.size() - 1) return String(buf.data(), n);
        buf.resize(buf.size() * 4);
    }
}

std::vector<String> ReadProfileKeys(const String& file, const String& section)
{
    std::vector<char> buf(8192);
    DWORD n = 0;
    for (;;) {
        n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(), static_cast<DWORD>(buf.size()),
                                     file.c_str());
        if (n < buf.size() - 2) break;
        buf.resize(buf.size() * 4);
    }
    std::vector<String> keys;
    for (DWORD i = 0; i < n;) {
        const String k(buf.data() + i);
        if (k.empty()) break;
        keys.push_back(k);
        i += static_cast<DWORD>(k.size()) + 1;
    }
    return keys;
}

void WriteProfileString(const String& file, const String& section, const String& key, const String& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()))
        throw EInOutError("Unable to write " + file + ".");
}

void EraseProfileSection(const String& file, const String& section)
{
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str());
}
