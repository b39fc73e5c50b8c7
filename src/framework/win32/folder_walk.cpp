#include "framework/win32/folder_walk.h"

#include <cstring>

TFolderWalk::TFolderWalk(const String& folder, const String& pattern)
{
    String spec = folder;
    if (!spec.empty() && spec.back() != '\\') spec += '\\';
    find_.Reset(FindFirstFileA((spec + pattern).c_str(), &found_));
    fresh_ = find_.Valid();
}

bool TFolderWalk::Advance()
{
    for (;;) {
        if (fresh_) {
            fresh_ = false;
        } else if (!find_.Valid() || !FindNextFileA(find_.Get(), &found_)) {
            // The search ends here, not when the walk goes.
            find_.Close();
            return false;
        }
        if (std::strcmp(found_.cFileName, ".") == 0 || std::strcmp(found_.cFileName, "..") == 0) continue;
        entry_.name = found_.cFileName;
        entry_.shortName = found_.cAlternateFileName;
        entry_.attributes = found_.dwFileAttributes;
        return true;
    }
}
