#include "pages/path_routines.h"

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
