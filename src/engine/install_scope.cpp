#include "engine/install_scope.h"

#include <algorithm>

#include "engine/path_routines.h"

namespace {
// "X:\" alone: a whole drive is never one installation's.
bool IsDriveRoot(const String& dir) { return dir.size() <= 3; }

bool StartsWithText(const String& s, const String& prefix)
{
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}
}  // namespace

String NormaliseLogPath(const String& entry, bool folder)
{
    // Components the platform would shorten ("a." is "a", "a " is "a")
    // could name something else than they seem to; ours never have them.
    String raw = entry;
    for (char& c : raw)
        if (c == '/') c = '\\';
    size_t start = 0;
    while (start <= raw.size()) {
        const size_t end = std::min(raw.find('\\', start), raw.size());
        const String part = raw.substr(start, end - start);
        if (!part.empty() && part != "." && part != ".." && (part.back() == '.' || part.back() == ' ')) return String();
        start = end + 1;
    }
    String path = raw;
    if (NormaliseTargetPath(path) != TTargetPathCheck::tpOk) return String();
    if (folder) return path;
    if (IsDriveRoot(path) || (!raw.empty() && raw.back() == '\\')) return String();
    return RemoveBackslash(path);
}

void TInstallScope::AddRoot(const String& dir)
{
    const String d = NormaliseLogPath(dir, true);
    if (!d.empty() && !IsDriveRoot(d)) roots_.push_back(d);
}

void TInstallScope::AddParent(const String& dir)
{
    const String d = NormaliseLogPath(dir, true);
    if (!d.empty() && !IsDriveRoot(d)) parents_.push_back(d);
}

bool TInstallScope::Inside(const String& path) const
{
    for (const String& root : roots_)
        if (path.size() > root.size() && StartsWithText(path, root)) return true;
    return false;
}

String TInstallScope::File(const String& entry) const
{
    const String f = NormaliseLogPath(entry, false);
    return !f.empty() && Inside(f) ? f : String();
}

String TInstallScope::Folder(const String& entry) const
{
    const String d = NormaliseLogPath(entry, true);
    if (d.empty()) return String();
    if (Inside(d)) return d;
    for (const String& r : roots_)
        if (SameText(r, d)) return d;
    for (const String& p : parents_)
        if (SameText(p, d)) return d;
    return String();
}
