// Path helpers in the platform's drive-letter form; a directory path ends
// with a backslash by the suite's convention.
#pragma once

#include <functional>

#include "base/nstring.h"

String AddBackslash(std::string_view path);
String RemoveBackslash(std::string_view path);
// A directory as a platform call wants it: no trailing backslash, except a
// bare drive, which keeps its root ("C:\").
String ChDirPath(std::string_view path);
// The separator of the fields that the suite keeps in one text (a group and
// its item in the install log, a key and its value in the engine's list).
inline constexpr const char* kFieldSeparator = ":~:";
// The text before the first separator, removed from `s` with the separator;
// all of `s` (left in place) when there is none.
String SplitToken(String& s, std::string_view sep);
// The path field of the directory browser: the browsed directory followed by
// the last `preserveTrailing` components of the target directory.
String ComposeBrowsePath(std::string_view browsed, std::string_view targetDir, int preserveTrailing);

// Shortens a path for display by replacing inner directories with "...\",
// keeping the drive, the first directory and the last component. A path
// that fits comes back unchanged; a shortened one ends with a backslash.
// `textWidth` measures a text in pixels.
String ShortenPathToWidth(std::string_view path, int maxWidth, const std::function<int(std::string_view)>& textWidth);

// What the built-in directory names stand for in this run; the caller
// gathers them from the controller and the platform.
struct TDirMacroSources {
    bool multiDisk = false;
    String sourceDir;   // where a multi-disk run reads its files from
    String programDir;  // the running program's own directory
    String windowsDir;
    String systemDir;
    // Full path of the script directory of that name, empty when none.
    std::function<String(const String&)> scriptDirPath;
};
// A directory name of a component property as a full path with a trailing
// backslash: "(none)" and unknown names give the empty string.
String ResolveDirName(const String& name, const TDirMacroSources& sources);

// A bare file name that stays inside the folder it is taken relative to:
// no drive, no separator, not "." or "..". Names handed over between
// processes are deleted relative to a folder, so nothing else may pass.
bool IsPlainFileName(std::string_view name);

// A name the platform can hold as one file or folder name: at most 255
// characters, none of \ / : * ? " < > | or a control character, not only
// dots and blanks, and no device name (CON, NUL, COM1, ...), with or
// without an extension. Names that reach a shell or a path from outside
// (typed, read from a log) must pass before they are used.
bool IsValidFileName(std::string_view name);
// The name the file system keeps for a file or folder made under `name`:
// trailing dots and blanks go ("Tools." is the folder "Tools").
String StoredFileName(std::string_view name);
// A file's place below the folder a setup ships in, "sub\dir\name": valid
// file names joined by single backslashes, so it never leads outside that
// folder (no drive, no root, no "." or "..").
bool IsValidPathBelow(std::string_view path);

// The subfolder of the setup folder a file is read from, as the builder
// records it in the file's Source: ".\sub\dir\" gives "sub\dir\". Any other
// Source gives "": none (the setup folder itself), the full path of a test
// mode setup, and one that would lead outside the setup folder, which came
// from no builder of ours.
String SetupSubFolder(std::string_view source);
// The Source the builder records for a file of the subfolder ("" for the top).
String SetupSubFolderSource(std::string_view subDir);

// How a typed destination directory was taken.
enum class TTargetPathCheck { tpOk, tpNotFull, tpNetwork };
// A typed destination as the suite keeps it, "X:\dir\...\": forward slashes
// become backslashes, repeated backslashes one, "." components go and ".."
// takes its parent away. A network path, a path without drive and root
// ("dir", "D:dir", "\dir"), ".." above the root and characters that file
// names cannot hold are refused; `path` is then left unchanged.
TTargetPathCheck NormaliseTargetPath(String& path);
