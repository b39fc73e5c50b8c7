// Reads the folder a setup is built from: every file below it, with the
// checks that keep the script and the setup folder, which mirrors it,
// sound.
#pragma once

#include <vector>

#include "script_fill.h"

struct TScannedFile {
    TPayloadFile file;
    String path;  // full path to read it from, in the ANSI code page
};

// Raises ENimboError naming the first problem: a name the ANSI code page
// (the script's 8-bit texts) cannot hold, two names of one folder that
// differ only in letter case (the script finds files by name ignoring
// case), a name the top of the setup folder needs for itself, a file too
// large for the script, or a file that cannot be read. Files come sorted
// by folder, then name.
std::vector<TScannedFile> ScanFolder(const String& folder);
