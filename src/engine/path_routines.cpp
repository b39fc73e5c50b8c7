#include "engine/path_routines.h"

#include <algorithm>
#include <cctype>
#include <vector>

String AddBackslash(std::string_view path)
{
    String r(path);
    if (!r.empty() && r.back() != '\\') r += '\\';
    return r;
}

String RemoveBackslash(std::string_view path)
{
    String r(path);
    if (!r.empty() && r.back() == '\\') r.pop_back();
    return r;
}

String ChDirPath(std::string_view path)
{
    String r = RemoveBackslash(path);
    if (r.size() == 2) r = AddBackslash(r);
    return r;
}

String SplitToken(String& s, std::string_view sep)
{
    const size_t p = sep.empty() ? String::npos : s.find(sep);
    if (p == String::npos) return s;
    String head = s.substr(0, p);
    s.erase(0, p + sep.size());
    return head;
}

String ComposeBrowsePath(std::string_view browsed, std::string_view targetDir, int preserveTrailing)
{
    String suffix;
    String t(targetDir);
    for (int i = 0; i < preserveTrailing; ++i) {
        if (t.size() <= 3) continue;
        t = RemoveBackslash(t);
        suffix = AddBackslash(ExtractFileName(t)) + suffix;
        t = AddBackslash(ExtractFileDir(t));
    }
    return AddBackslash(browsed) + suffix;
}

String ShortenPathToWidth(std::string_view path, int maxWidth, const std::function<int(std::string_view)>& textWidth)
{
    if (maxWidth >= textWidth(path)) return String(path);
    const bool endsWithBackslash = !path.empty() && path.back() == '\\';
    String work = AddBackslash(path);
    // Whether `work` holds our own "...\" after the first directory; a real
    // directory of that name must not be taken for it.
    bool elided = false;
    for (;;) {
        const String prev = work;
        String head = work.substr(0, 3);
        work.erase(0, std::min<size_t>(3, work.size()));
        size_t p = work.find('\\');
        if (p == String::npos) {
            work = prev;
            break;
        }
        head += work.substr(0, p + 1);
        work.erase(0, p + 1);
        if (elided) work.erase(0, 4);
        p = work.find('\\');
        if (p == String::npos) {
            work = prev;
            break;
        }
        work.erase(0, p + 1);
        if (work.find('\\') == String::npos) {
            work = prev;
            break;
        }
        work = head + "...\\" + work;
        elided = true;
        if (maxWidth >= textWidth(work)) break;
    }
    return endsWithBackslash ? AddBackslash(work) : work;
}

String ResolveDirName(const String& name, const TDirMacroSources& sources)
{
    if (name == "(none)") return String();
    String r;
    if (name == "Source Dir")
        r = sources.multiDisk ? sources.sourceDir : sources.programDir;
    else if (name == "Windows")
        r = sources.windowsDir;
    else if (name == "Windows System")
        r = sources.systemDir;
    if (r.empty() && sources.scriptDirPath) r = sources.scriptDirPath(name);
    return AddBackslash(r);
}

bool IsPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of("\\/:") == std::string_view::npos;
}

String StoredFileName(std::string_view name)
{
    const size_t end = name.find_last_not_of(". ");
    return String(end == std::string_view::npos ? std::string_view() : name.substr(0, end + 1));
}

bool IsValidPathBelow(std::string_view path)
{
    for (;;) {
        const size_t cut = path.find('\\');
        if (!IsValidFileName(path.substr(0, cut))) return false;
        if (cut == std::string_view::npos) return true;
        path.remove_prefix(cut + 1);
    }
}

namespace {

// Relative to the setup folder; a Source of an older form is empty or a
// full path, never this.
constexpr std::string_view kSubFolderMark = ".\\";

}  // namespace

String SetupSubFolder(std::string_view source)
{
    if (source.substr(0, kSubFolderMark.size()) != kSubFolderMark) return String();
    std::string_view folder = source.substr(kSubFolderMark.size());
    if (!folder.empty() && folder.back() == '\\') folder.remove_suffix(1);
    return IsValidPathBelow(folder) ? String(folder) + "\\" : String();
}

String SetupSubFolderSource(std::string_view subDir)
{
    return subDir.empty() ? String() : String(kSubFolderMark) + String(subDir) + "\\";
}

bool IsValidFileName(std::string_view name)
{
    if (name.empty() || name.size() > 255) return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32 || String("\\/:*?\"<>|").find(c) != String::npos) return false;
    const String stored = StoredFileName(name);
    if (stored.empty()) return false;
    // The part before the first dot names the device, blanks after it aside.
    String base = stored.substr(0, stored.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (base == device) return false;
    // COM0 to COM9 and LPT0 to LPT9, also with the superscript digits 1 to 3.
    return !(base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
             String("0123456789\xB9\xB2\xB3").find(base[3]) != String::npos);
}

TTargetPathCheck NormaliseTargetPath(String& path)
{
    String p = Trim(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return TTargetPathCheck::tpNetwork;
    const char drive = p.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
    if (p.size() < 3 || drive < 'A' || drive > 'Z' || p[1] != ':' || p[2] != '\\') return TTargetPathCheck::tpNotFull;
    std::vector<String> parts;
    String rest = p.substr(3);
    while (!rest.empty()) {
        const size_t q = rest.find('\\');
        const String part = rest.substr(0, q);
        rest = q == String::npos ? String() : rest.substr(q + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return TTargetPathCheck::tpNotFull;
            parts.pop_back();
            continue;
        }
        for (char c : part)
            if (static_cast<unsigned char>(c) < 32 || String("<>:\"|?*").find(c) != String::npos)
                return TTargetPathCheck::tpNotFull;
        parts.push_back(part);
    }
    String r = p.substr(0, 3);
    for (const String& part : parts) r += part + "\\";
    path = r;
    return TTargetPathCheck::tpOk;
}
