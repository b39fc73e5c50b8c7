#include "engine/profile.h"

#include <windows.h>

#include <algorithm>

#include "base/exceptions.h"
#include "engine/file_routines.h"
#include "framework/win32/handles.h"
#include "framework/win32/system_error.h"

namespace {
// A list of null-terminated strings ending in an empty one, as the profile
// services answer for key lists and sections; `fill` is asked again with a
// bigger buffer until the whole answer fits.
template <class Fill> std::vector<String> ReadStringList(Fill fill)
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
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str())) {
        const DWORD error = GetLastError();
        throw InOutError("Unable to write " + file + ".", error);
    }
}

void EraseProfileSection(const String& file, const String& section)
{
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str());
}

std::vector<std::pair<String, String>> ReadProfileSection(const String& file, const String& section)
{
    std::vector<std::pair<String, String>> lines;
    for (const String& line : ReadStringList([&](char*buf, DWORD size) {
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

namespace {

// A section of an existing file as it stands: its header line (empty for
// the lines before the first header) and its other lines, unchanged.
struct TRawSection {
    String header;
    String name;  // trimmed, for comparisons
    std::vector<String> lines;
};

// The old file's text in code page bytes; a UTF-16 file is converted.
String ReadProfileText(const String& file)
{
    String text;
    const TKernelHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h) return text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h.Get(), &size) && size.QuadPart < (1LL << 30)) {
        text.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(h.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) got = 0;
        text.resize(got);
    }
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        const auto* wide = reinterpret_cast<const wchar_t*>(text.data() + 2);
        const int n = static_cast<int>((text.size() - 2) / 2);
        const int len = WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0, nullptr, nullptr);
        String ansi(static_cast<size_t>(len), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide, n, ansi.data(), len, nullptr, nullptr);
        return ansi;
    }
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    return text;
}

std::vector<TRawSection> SplitSections(const String& text)
{
    std::vector<TRawSection> sections(1);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == String::npos) end = text.size();
        String line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        const String trimmed = Trim(line);
        const size_t close = trimmed.rfind(']');
        if (!trimmed.empty() && trimmed[0] == '[' && close != String::npos) {
            sections.push_back({line, Trim(trimmed.substr(1, close - 1)), {}});
            continue;
        }
        sections.back().lines.push_back(std::move(line));
    }
    return sections;
}

String KeyOf(const String& line)
{
    const size_t eq = line.find('=');
    return Trim(eq == String::npos ? line : line.substr(0, eq));
}

void AppendLine(String& out, const String& line)
{
    out += line;
    out += "\r\n";
}

void AppendSection(String& out, const TProfileSection& s)
{
    AppendLine(out, "[" + s.name + "]");
    for (const auto& [key, value] : s.lines) AppendLine(out, key + "=" + value);
}

// Writes the text into the (empty) temporary file, then gives it the
// file's name; 0, or the platform's reason why a step failed.
DWORD WriteInPlaceOf(const char* temp, const String& file, const String& text)
{
    TKernelHandle h(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return GetLastError();
    DWORD put = 0;
    if (!WriteFile(h.Get(), text.data(), static_cast<DWORD>(text.size()), &put, nullptr)) return GetLastError();
    // A disk file takes all or fails, but for want of space.
    if (put != text.size()) return ERROR_DISK_FULL;
    // Closing flushes: a write refused late shows here.
    if (!h.Close()) return GetLastError();
    return MoveFileExA(temp, file.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : GetLastError();
}

}  // namespace

void RewriteProfile(const String& file, const std::vector<String>& erase, const std::vector<TProfileSection>& append,
                    const std::vector<TProfileSection>& set)
{
    const String failed = "Unable to write " + file + ".";
    const DWORD attr = GetFileAttributesA(file.c_str());
    // What writing it would answer.
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw InOutError(failed, ERROR_ACCESS_DENIED);
    std::vector<TRawSection> old = SplitSections(attr == INVALID_FILE_ATTRIBUTES ? String() : ReadProfileText(file));
    std::vector<TProfileSection> extra;  // sections of `set` the old file lacks
    for (const TProfileSection& s : set) {
        auto it =
            std::find_if(old.begin() + 1, old.end(), [&](const TRawSection& r) { return SameText(r.name, s.name); });
        const bool erased =
            std::any_of(erase.begin(), erase.end(), [&](const String& e) { return SameText(e, s.name); });
        if (it == old.end() || erased) {
            extra.push_back(s);
            continue;
        }
        for (const auto& [key, value] : s.lines) {
            auto line = std::find_if(it->lines.begin(), it->lines.end(), [&](const String& l) {
                return l.find('=') != String::npos && SameText(KeyOf(l), key);
            });
            if (line != it->lines.end())
                *line = KeyOf(*line) + "=" + value;  // the key keeps its spelling
            else
                it->lines.push_back(key + "=" + value);
        }
    }

    String text;
    for (size_t i = 0; i < old.size(); ++i) {
        if (i > 0 && std::any_of(erase.begin(), erase.end(), [&](const String& e) { return SameText(e, old[i].name); }))
            continue;
        if (i > 0) AppendLine(text, old[i].header);
        for (const String& line : old[i].lines) AppendLine(text, line);
    }
    for (const TProfileSection& s : append) AppendSection(text, s);
    for (const TProfileSection& s : extra) AppendSection(text, s);

    String dir = file.substr(0, file.find_last_of('\\') + 1);
    if (dir.empty()) dir = ".\\";
    String temp;
    TKernelHandle made;
    if (const DWORD error = CreateSetupTempFile(dir, temp, made)) throw InOutError(failed, error);
    made.Close();
    if (const DWORD error = WriteInPlaceOf(temp.c_str(), file, text)) {
        DeleteFileA(temp.c_str());
        throw InOutError(failed, error);
    }
    // The profile services keep files they read in a cache that trusts the
    // time stamp, which two writes within one clock tick share: drop it, so
    // the next read sees the new file.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
}
