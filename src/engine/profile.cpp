#include "engine/profile.h"

#include <windows.h>

#include "base/exceptions.h"

namespace {
// A list of null-terminated strings ending in an empty one, as the profile
// services answer for key lists and sections; `fill` is asked again with a
// bigger buffer until the whole answer fits.
template <class Fill>
std::vector<String> ReadStringList(Fill fill)
{
    std::vector<char> buf(8192);
    DWORD n = 0;
    for (;;) {
        n = fill(buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size() - 2) break;
        buf.resize(buf.size() * 4);
    }
    std::vector<String> items;
    for (DWORD i = 0; i < n;) {
        String item(buf.data() + i);
        if (item.empty()) break;
        i += static_cast<DWORD>(item.size()) + 1;
        items.push_back(std::move(item));
    }
    return items;
}
}  // namespace

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
    return ReadStringList([&](char* buf, DWORD size) {
        return GetPrivateProfileStringA(section.c_str(), nullptr, "", buf, size, file.c_str());
    });
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

std::vector<std::pair<String, String>> ReadProfileSection(const String& file, const String& section)
{
    std::vector<std::pair<String, String>> lines;
    for (const String& line : ReadStringList([&](char* buf, DWORD size) {
             return GetPrivateProfileSectionA(section.c_str(), buf, size, file.c_str());
         })) {
        const size_t eq = line.find('=');
        if (eq == String::npos)
            lines.emplace_back(Trim(line), String());
        else
            lines.emplace_back(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }
    return lines;
}

void WriteProfileSection(const String& file, const String& section, const std::vector<std::pair<String, String>>& lines)
{
    String block;
    for (const auto& [k, v] : lines) {
        block += k;
        block += '=';
        block += v;
        block += '\0';
    }
    block += '\0';
    if (!WritePrivateProfileSectionA(section.c_str(), block.data(), file.c_str()))
        throw EInOutError("Unable to write " + file + ".");
}
