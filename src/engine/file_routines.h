// File and directory routines the setup components share. Failed file work
// raises EInOutError, which the page that started the work catches.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "base/nstring.h"
#include "engine/path_routines.h"
#include "framework/win32/handles.h"

class TForm;
class TNimboInfo;
class TNimboData;

// Whether a file (not a directory), or a directory, is at the path.
bool FileExists(const String& path);
bool DirectoryExists(const String& path);

// Creates the directory and its missing parents. Callers find out whether
// it is there by entering it; the result, 0 or the platform's reason why
// the first missing one could not be made, tells them why not.
unsigned long ForceDirs(const String& path);
// Removes the directory, then each parent up to the drive's root; the first
// directory that cannot be removed (one that is not empty, say) ends the
// chain with EInOutError.
void RemoveDirChain(const String& path);
// Size of the file in bytes, or -1 when it cannot be opened or measured,
// with the platform's reason left as the last error.
int64_t FileSizeOf(const String& name);
// The last-write time of a file or directory as a file time (100 ns units
// since 1601, UTC); false, and `fileTime` as it was, when it cannot be read.
bool LastWriteTime(const String& path, uint64_t& fileTime);
// Reads exactly size bytes at offset of the open file; false for a short
// file or an error.
bool ReadFileAt(void* file, uint64_t offset, void* buffer, size_t size);
// The process's current directory, without a trailing backslash unless it
// is a root; empty when it cannot be read.
String CurrentDirectory();
// Free bytes this user may take on a drive ("C:\\"), -1 when unknown.
int64_t FreeDiskSpace(const String& root);
// The platform's Windows and system folders, without a trailing
// backslash; empty when the platform gives none.
String WindowsDir();
String SystemDir();
// The environment variable's value, empty when it is not set.
String GetEnvValue(const String& name);
// A directory name of a component property ("(none)", "Source Dir",
// "Windows", "Windows System" or a script directory) as a full path with a
// trailing backslash; empty for "(none)", without a controller, and for a
// name that is neither.
String ResolveDirMacro(const String& name, TNimboInfo* controller, TNimboData* script);
// The path shortened to `maxWidth` pixels of the form's font (see
// ShortenPathToWidth).
String ShortenPath(const String& path, int maxWidth, TForm* form);

// Called for each 2048 bytes copied with (0, 2048), and at the end with
// (0, the bytes of the last short piece), which is 0 when the size is a
// multiple of 2048.
using TCopyProgress = std::function<void(int, int)>;
// Where a copy's bytes lie in its source file: by default the whole file.
// A single-file setup's files lie in its program file, each with the time
// stamp its directory gives (0: the source file's own).
struct TFilePart {
    static constexpr uint64_t kWholeFile = ~uint64_t(0);
    uint64_t offset = 0;
    uint64_t size = kWholeFile;
    uint64_t fileTime = 0;
};
// Copies `source` to `target` (in large blocks; the progress comes per 2048
// bytes) and gives the target the source's last-write time. The copy is
// written to a temporary file, in `workDir` when one is given (a folder of
// this setup beside the target, see TWorkFolders) and otherwise beside the
// target, and takes the target's name only when it is complete: a failure,
// a Cancel or a kill leaves an existing target untouched and no cut file
// under a new target's name. An existing target that could not be
// rewritten (read-only, a folder, held open) is refused before any work.
void CopyFileWithProgress(const String& source, const String& target, const TCopyProgress& callback = {},
                          const String& workDir = {});
// The same for a target not known to be there, which is not looked up: the
// copy takes the name only where nothing has it, and otherwise the result
// is false, with the target untouched and nothing of the copy left. A new
// file so costs one look-up of its missing name, the rename's (under Wine
// each such look-up may read the whole folder).
bool CopyNewFileWithProgress(const String& source, const String& target, const TCopyProgress& callback = {},
                             const String& workDir = {});
// The same two for the bytes of `part` in `source`: a source that ends
// before them fails the copy.
void CopyPartWithProgress(const String& source, const TFilePart& part, const String& target,
                          const TCopyProgress& callback = {}, const String& workDir = {});
bool CopyNewPartWithProgress(const String& source, const TFilePart& part, const String& target,
                             const TCopyProgress& callback = {}, const String& workDir = {});

// The same two for bytes in memory (a solid archive's member), which the
// target gets with their time stamp (0: the time of writing).
struct TFileBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint64_t fileTime = 0;
};
void CopyBytesWithProgress(const TFileBytes& bytes, const String& target, const TCopyProgress& callback = {},
                           const String& workDir = {});
bool CopyNewBytesWithProgress(const TFileBytes& bytes, const String& target, const TCopyProgress& callback = {},
                              const String& workDir = {});

// This setup's work folders (see SetupWorkFolderName): one in each folder it
// installs new files into, made on first use; the compression library finds
// them by their name. Removed again when this goes.
class TWorkFolders {
public:
    TWorkFolders() = default;
    ~TWorkFolders() { RemoveAll(); }
    TWorkFolders(const TWorkFolders&) = delete;
    TWorkFolders& operator=(const TWorkFolders&) = delete;
    // The work folder in `dir` (with its trailing backslash), with a
    // trailing backslash; empty when none can be made there.
    String In(const String& dir);
    // Each is empty by then; one that is not stays for a later run to clean.
    void RemoveAll();

private:
    std::vector<std::pair<String, String>> folders_;  // the folder it is in, and its path or empty
};

// Removes the temporary files and work folders a killed run of the setup
// (or of its compression library) left in `dir`: only those of the setup's
// own naming whose writing process no longer runs. Returns how many it
// removed. `others`, when given, gets the names of everything else in the
// folder (short names too): one read of the folder tells which targets are
// there.
int RemoveSetupLeftovers(const String& dir, std::vector<String>* others = nullptr);

// Removes a file, read-only or not; true when it is gone afterwards.
bool RemoveFile(const String& path);

// Makes a new empty file under one of the setup's temporary names in `dir`
// (ending in a backslash), open for writing and deleting only by this
// process; a later run removes it if this one is killed before it is gone.
// 0, or the platform's reason why no file could be made.
DWORD CreateSetupTempFile(const String& dir, String& name, TKernelHandle& file);

// A path in its full, long form, so that two spellings of one file compare
// equal; the path as given when the platform cannot tell.
String LongPathName(const String& path);
