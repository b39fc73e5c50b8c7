// Fills a setup script's files from a folder: one script file per file,
// subfolders as script directories below the install directory, everything
// on the first disk. The script's other parts (application name, groups,
// choices, log, ...) stay as the form source has them.
#pragma once

#include <vector>

#include "base/date_time.h"
#include "base/nstring.h"

class TNimboData;

struct TPayloadFile {
    String subDir;  // relative folder with backslashes, empty for the top
    String name;    // file name, in the ANSI code page
    int32_t size = 0;
    TDateTime dateTime = 0;
    bool compressed = false;
    int32_t compressedSize = 0;
};

inline constexpr const char* kInstallDirName = "Install";

// Raises ENimboError, naming what is wrong, when the script has no
// "Install" directory or names a file that the folder does not hold (its
// groups and choices would lose that file).
void CheckScriptAgainstFolder(const TNimboData& script, const std::vector<TPayloadFile>& files);

// Puts the files into the script; source is the folder as the setup
// author's tools see it (the files' Source).
void FillScript(TNimboData& script, const std::vector<TPayloadFile>& files, const String& source);
