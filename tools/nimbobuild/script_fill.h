// Fills a setup script's files from a folder: one script file per file,
// subfolders as script directories below the install directory, everything
// on the first disk. The script's other parts (application name, groups,
// choices, log, ...) stay as the form source has them.
#pragma once

#include <vector>

#include "base/date_time.h"
#include "base/nstring.h"

class TNimboData;
class TNimboDir;
class TNimboFile;

struct TPayloadFile {
    String subDir;  // relative folder with backslashes, empty for the top
    String name;    // file name, in the ANSI code page
    int32_t size = 0;
    TDateTime dateTime = 0;
    bool compressed = false;
    int32_t compressedSize = 0;

    // Where it ships: in the same subfolder of the setup folder, or under
    // that path in an archive or single file.
    String Path() const { return subDir.empty() ? name : subDir + "\\" + name; }
};

inline constexpr const char* kInstallDirName = "Install";

// The script's entry of each file (none where the script names none): the
// entry recorded with the file's subfolder, else one of the file's name
// that records no subfolder (a form's own) and is not taken yet.
std::vector<TNimboFile*> ScriptEntries(const TNimboData& script, const std::vector<TPayloadFile>& files);

// Raises ENimboError, naming what is wrong, when the script has no
// "Install" directory or names a file that the folder does not hold (its
// groups and choices would lose that file).
void CheckScriptAgainstFolder(const TNimboData& script, const std::vector<TPayloadFile>& files);

// Puts the files into the script: size, time stamp, packing, the disk, and
// where the setup reads each from: with a source (the folder as the setup
// author's tools see it, for a setup in test mode) the file's folder
// there, else its subfolder of the setup folder. With placeByFolder each
// file goes to the directory of its folder (FolderDir below "Install");
// otherwise the files keep the directories the script gives them.
void FillScript(TNimboData& script, const std::vector<TPayloadFile>& files, const String& source, bool placeByFolder);

// The script directory of subDir (folders with backslashes) below top, made
// one level at a time as needed, each named after its parent:
// "Install\sub\dir".
TNimboDir* FolderDir(TNimboData& script, TNimboDir* top, const String& subDir);
