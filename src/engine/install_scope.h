// What an uninstall may remove. The install log names the files and
// folders, but anyone can edit it, and another program's log can sit in
// the same folder: a name is taken only in its full, normalised form and
// only inside the folders the installation owns.
#pragma once

#include <vector>

#include "base/nstring.h"

// A name of the install log in its full form ("X:\dir\file", a folder
// with a trailing backslash), with "." and ".." resolved; empty when it is
// relative, a network path, climbs above its drive, or holds a component
// the platform would read as another name (trailing dots or blanks).
String NormaliseLogPath(const String& entry, bool folder);

class TInstallScope {
public:
    // A folder whose content the installation owns: the log's own folder,
    // and the other destinations of a log that is known to be ours.
    void AddRoot(const String& dir);
    // A folder the installation made on its way to a root (a parent of the
    // destination): it may go when empty, but nothing inside it is ours.
    void AddParent(const String& dir);
    bool HasRoots() const { return !roots_.empty(); }

    // The normalised file name when it lies inside a root, else empty.
    String File(const String& entry) const;
    // The normalised folder name when it is a root, lies inside one or is
    // a listed parent, else empty.
    String Folder(const String& entry) const;

private:
    std::vector<String> roots_;
    std::vector<String> parents_;
    bool Inside(const String& path) const;
};
