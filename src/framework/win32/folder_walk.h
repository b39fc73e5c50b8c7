// The entries of a folder, as the platform lists them:
//   for (const TFolderEntry& e : TFolderWalk(dir)) ...
// "." and ".." are left out; a folder that cannot be read has no entries.
#pragma once

#include <windows.h>

#include "base/nstring.h"
#include "framework/win32/handles.h"

struct TFolderEntry {
    String name;
    String shortName;  // the 8.3 alias; empty when the name is one
    DWORD attributes = 0;
    bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// One pass over the entries of `folder` (with or without its trailing
// backslash) whose names match `pattern`. Entries may be deleted on the way.
class TFolderWalk {
public:
    explicit TFolderWalk(const String& folder, const String& pattern = "*");
    TFolderWalk(const TFolderWalk&) = delete;
    TFolderWalk& operator=(const TFolderWalk&) = delete;

    class TIterator {
    public:
        const TFolderEntry& operator*() const { return walk_->entry_; }
        const TFolderEntry* operator->() const { return &walk_->entry_; }
        TIterator& operator++()
        {
            if (!walk_->Advance()) walk_ = nullptr;
            return *this;
        }
        bool operator!=(const TIterator& other) const { return walk_ != other.walk_; }

    private:
        friend class TFolderWalk;
        explicit TIterator(TFolderWalk* walk) : walk_(walk) {}
        TFolderWalk* walk_;
    };
    TIterator begin() { return TIterator(Advance() ? this : nullptr); }
    TIterator end() { return TIterator(nullptr); }

private:
    // Moves to the next entry; false at the end.
    bool Advance();

    WIN32_FIND_DATAA found_;
    TFindHandle find_;
    bool fresh_ = false;  // found_ holds the search's first entry, not yet given
    TFolderEntry entry_;
};
