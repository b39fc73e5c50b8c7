#include "engine/entry_lines.h"

#include <cctype>
#include <cstdlib>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

String Trimmed(const String& s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::vector<String> Split(const String& s, char separator)
{
    std::vector<String> parts;
    size_t from = 0;
    for (;;) {
        const size_t to = s.find(separator, from);
        parts.push_back(s.substr(from, to == String::npos ? String::npos : to - from));
        if (to == String::npos) return parts;
        from = to + 1;
    }
}

// A path entry as compared: upper-cased, without trailing backslashes.
String PathKey(const String& entry)
{
    String e = Trimmed(entry);
    while (e.size() > 3 && e.back() == '\\') e.pop_back();
    return UpperCase(e);
}

constexpr size_t kMaxKeyPart = 255;
constexpr size_t kMaxKeyPath = 512;
constexpr size_t kMaxValueName = 255;

}  // namespace

const std::vector<String>& FolderConstantNames()
{
    static const std::vector<String> names = {"app",     "pf",  "localappdata", "appdata", "commonappdata",
                                              "desktop", "win", "sys",          "src"};
    return names;
}

bool IsMachineFolderConstant(const String& name)
{
    for (const char* n : {"pf", "commonappdata", "win", "sys"})
        if (SameText(name, n)) return true;
    return false;
}

TConstantFault FolderConstantFault(const String& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '{') continue;
        if (i + 1 < text.size() && text[i + 1] == '{') {
            ++i;
            continue;
        }
        const size_t end = text.find('}', i);
        if (end == String::npos) return {i, "{"};
        const String name = text.substr(i + 1, end - i - 1);
        bool known = false;
        for (const String& n : FolderConstantNames()) known = known || SameText(n, name);
        if (!known) return {i, text.substr(i, end - i + 1)};
        i = end;
    }
    return {};
}

bool ExpandFolderConstants(const String& text, const std::function<String(const String&)>& folder, String& out,
                           String& failed)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '{') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            out += '{';
            ++i;
            continue;
        }
        const size_t end = text.find('}', i);
        const String name = end == String::npos ? String() : LowerCase(text.substr(i + 1, end - i - 1));
        bool known = false;
        for (const String& n : FolderConstantNames()) known = known || n == name;
        String path = known ? folder(name) : String();
        while (path.size() > 3 && path.back() == '\\') path.pop_back();
        if (path.empty()) {
            failed = end == String::npos ? text.substr(i) : text.substr(i, end - i + 1);
            return false;
        }
        out += path;
        i = end;
    }
    return true;
}

String LeadingConstant(const String& text)
{
    if (text.size() < 3 || text[0] != '{' || text[1] == '{') return String();
    const size_t end = text.find('}');
    return end == String::npos ? String() : LowerCase(text.substr(1, end - 1));
}

const std::vector<String>& RegistryRootNames()
{
    static const std::vector<String> names = {"HKLM", "HKCU", "HKCR"};
    return names;
}

String RegistryKeyFault(const String& key, size_t& at)
{
    at = 0;
    if (key.empty()) return "expected a key below the root, as in HKCU\\Software\\Maker\\Writer\\Value";
    if (key.size() > kMaxKeyPath) return Format("a key path of at most %d characters", static_cast<int>(kMaxKeyPath));
    size_t from = 0;
    for (const String& part : Split(key, '\\')) {
        at = from;
        if (part.empty()) return "a key path without empty parts (no '\\\\', no '\\' at either end)";
        if (part == "." || part == "..") return "a key path without '.' or '..' parts";
        if (part.size() > kMaxKeyPart)
            return Format("key names of at most %d characters", static_cast<int>(kMaxKeyPart));
        for (char c : part)
            if (static_cast<unsigned char>(c) < 32) return "key names without control characters";
        if (Trimmed(part) != part) return "key names without blanks at either end";
        from += part.size() + 1;
    }
    return String();
}

String SplitRegistryPlace(const String& place, TRegistryLine& out, size_t& at)
{
    at = 0;
    const size_t first = place.find('\\');
    out.root = UpperCase(place.substr(0, first));
    bool known = false;
    for (const String& r : RegistryRootNames()) known = known || r == out.root;
    if (!known) return "expected HKLM, HKCU or HKCR before the key";
    const size_t last = place.rfind('\\');
    if (first == String::npos || last == first) {
        at = first == String::npos ? place.size() : first + 1;
        return "expected 'ROOT\\key path\\value name' (@ for the key's default value)";
    }
    out.key = place.substr(first + 1, last - first - 1);
    out.name = place.substr(last + 1);
    if (const String fault = RegistryKeyFault(out.key, at); !fault.empty()) {
        at += first + 1;
        return "expected " + fault;
    }
    at = last + 1;
    if (out.name.empty()) return "expected a value name after the key ('@' for the key's default value)";
    if (out.name.size() > kMaxValueName)
        return Format("expected a value name of at most %d characters", static_cast<int>(kMaxValueName));
    if (out.name == "@") out.name.clear();
    return String();
}

String ParseRegistryValue(const String& value, TRegistryLine& out, size_t& at)
{
    at = 0;
    out.dword = value.size() >= 6 && SameText(value.substr(0, 6), "dword:");
    if (!out.dword) {
        out.text = value;
        return String();
    }
    const String digits = Trimmed(value.substr(6));
    at = 6;
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const String body = hex ? digits.substr(2) : digits;
    const String allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
    const bool number =
        !body.empty() && body.size() <= (hex ? 8u : 10u) && body.find_first_not_of(allowed) == String::npos;
    const unsigned long long n = number ? std::strtoull(body.c_str(), nullptr, hex ? 16 : 10) : 0;
    if (!number || n > 0xFFFFFFFFull)
        return "expected a number from 0 to 4294967295 (or 0x0 to 0xFFFFFFFF) after dword:";
    out.number = static_cast<uint32_t>(n);
    return String();
}

String FormatRegistryLine(const TRegistryLine& line)
{
    const String place = line.root + "\\" + line.key + "\\" + (line.name.empty() ? String("@") : line.name);
    return place + "=" + (line.dword ? "dword:" + IntToStr(static_cast<long long>(line.number)) : "sz:" + line.text);
}

bool ParseRegistryLine(const String& line, TRegistryLine& out)
{
    // The value name may not hold '=': the first one ends the place.
    const size_t eq = line.find('=');
    if (eq == String::npos) return false;
    size_t at = 0;
    out = TRegistryLine{};
    if (!SplitRegistryPlace(line.substr(0, eq), out, at).empty()) return false;
    const String value = line.substr(eq + 1);
    if (value.size() >= 3 && value.compare(0, 3, "sz:") == 0) {
        out.text = value.substr(3);
        return FolderConstantFault(out.text).at == String::npos;
    }
    return value.size() >= 6 && value.compare(0, 6, "dword:") == 0 && ParseRegistryValue(value, out, at).empty();
}

String ExtensionFault(const String& extension)
{
    if (extension.size() < 2 || extension.size() > 33 || extension[0] != '.')
        return "expected an extension: a dot and up to 32 letters or digits, as in .txt";
    for (char c : extension.substr(1))
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            return "expected an extension of letters, digits, '_' or '-' after the dot, as in .txt";
    return String();
}

String AssociationProgId(const String& appId, const String& extension)
{
    String id;
    for (char c : appId)
        if (std::isalnum(static_cast<unsigned char>(c)) && id.size() < 32) id += c;
    if (id.empty() || std::isdigit(static_cast<unsigned char>(id[0]))) id = "Product" + id.substr(0, 25);
    return id + "." + LowerCase(extension.substr(1));
}

String AssociationCommand(const String& program, const String& arguments)
{
    const String command = "\"" + program + "\"";
    if (arguments.find("%1") != String::npos) return command + " " + arguments;
    return command + (arguments.empty() ? String() : " " + arguments) + " \"%1\"";
}

String FormatAssociationLine(const TAssociationLine& line)
{
    return line.extension + "=" + line.dir + "|" + line.file + "|" + line.description + "|" + line.arguments;
}

bool ParseAssociationLine(const String& line, TAssociationLine& out)
{
    const size_t eq = line.find('=');
    if (eq == String::npos) return false;
    const std::vector<String> parts = Split(line.substr(eq + 1), '|');
    if (parts.size() != 4) return false;
    out = {line.substr(0, eq), parts[0], parts[1], parts[2], parts[3]};
    for (const String& p : parts)
        for (char c : p)
            if (static_cast<unsigned char>(c) < 32) return false;
    return ExtensionFault(out.extension).empty() && !out.dir.empty() && !out.file.empty() &&
           out.file.find_first_of("\\/:*?\"<>|") == String::npos;
}

bool ParsePathLine(const String& line, String& folder)
{
    const size_t eq = line.find('=');
    if (eq == String::npos || !SameText(Trimmed(line.substr(0, eq)), "Path")) return false;
    folder = line.substr(eq + 1);
    return !folder.empty() && folder.find(';') == String::npos && FolderConstantFault(folder).at == String::npos;
}

std::vector<String> SplitPathList(const String& path)
{
    std::vector<String> entries;
    for (const String& e : Split(path, ';'))
        if (!Trimmed(e).empty()) entries.push_back(e);
    return entries;
}

bool PathListHolds(const String& path, const String& folder)
{
    for (const String& e : SplitPathList(path))
        if (PathKey(e) == PathKey(folder)) return true;
    return false;
}

String PathListWithout(const String& path, const String& folder)
{
    // Every other part stays as it was, empty ones and blanks too.
    String out;
    bool first = true;
    for (const String& e : Split(path, ';')) {
        if (!Trimmed(e).empty() && PathKey(e) == PathKey(folder)) continue;
        out += (first ? "" : ";") + e;
        first = false;
    }
    return out;
}

String EscapeLogField(const String& field)
{
    static const char digits[] = "0123456789ABCDEF";
    String out;
    for (size_t i = 0; i < field.size(); ++i) {
        const auto b = static_cast<unsigned char>(field[i]);
        const bool edge = (i == 0 || i + 1 == field.size()) && IsBlank(field[i]);
        if (b < 32 || b == '%' || b == '|' || b == '"' || edge) {
            out += '%';
            out += digits[b >> 4];
            out += digits[b & 15];
        } else {
            out += field[i];
        }
    }
    return out;
}

bool UnescapeLogField(const String& field, String& out)
{
    out.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        if (i + 2 >= field.size() || !std::isxdigit(static_cast<unsigned char>(field[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(field[i + 2])))
            return false;
        out += static_cast<char>(std::strtoul(field.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
    }
    return true;
}
