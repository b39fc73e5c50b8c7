// Files and folders for the tests that work on real files under Wine.
#pragma once

#include <vector>

#include "base/nstring.h"

String ReadAll(const String& path);
void WriteAll(const String& path, const String& data);
// The names in a folder (with trailing backslash), sorted ignoring case.
std::vector<String> Entries(const String& dir);
// Removes a folder (with trailing backslash) and all it holds, read-only files too.
void RemoveTree(const String& dir);
// An empty folder of that name under the temporary directory, with a
// trailing backslash (whatever was there before is removed).
String FreshTempFolder(const String& name);
// A build-tree path (Unix, as CMake writes it) as a Windows program sees it.
String BuildPath(String unixPath);
// The text without leading and trailing line breaks and blanks.
String Trimmed(const String& s);
std::vector<String> Trimmed(const std::vector<String>& texts);
// The folder of this test program, with a trailing backslash: where the
// platform finds the libraries a test places beside it.
String ProgramFolder();
// A name of this test process's own, so runs never meet.
String Unique(const String& name);
// The arguments a command line gives a program (after its name), as the
// platform splits them.
std::vector<String> SplitCommandLine(const String& line);
