// Path helpers in the platform's drive-letter form; a directory path ends
// with a backslash by the suite's convention.
#pragma once

#include "base/nstring.h"

String AddBackslash(std::string_view path);
String RemoveBackslash(std::string_view path);
// A directory as a platform call wants it: no trailing backslash, except a
// bare drive, which keeps its root ("C:\").
String ChDirPath(std::string_view path);
// The text before the first separator, removed from `s` with the separator;
// all of `s` (left in place) when there is none.
String SplitToken(String& s, std::string_view sep);
// The path field of the directory browser: the browsed directory followed by
// the last `preserveTrailing` components of the target directory.
String ComposeBrowsePath(std::string_view browsed, std::string_view targetDir, int preserveTrailing);
