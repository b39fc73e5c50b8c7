// File and directory routines the setup components share. Failed file work
// raises EInOutError, which the page that started the work catches.
#pragma once

#include <cstdint>
#include <functional>

#include "base/nstring.h"
#include "engine/path_routines.h"

class TForm;
class TNimboInfo;
class TNimboData;

// Whether a file (not a directory), or a directory, is at the path.
bool FileExists(const String& path);
bool DirectoryExists(const String& path);

// Creates the directory and its missing parents. Failures are not reported:
// callers find out by entering the directory.
void ForceDirs(const String& path);
// Removes the directory, then each parent up to the drive's root; the first
// directory that cannot be removed (one that is not empty, say) ends the
// chain with EInOutError.
void RemoveDirChain(const String& path);
// Size of the file in bytes, or -1 when it cannot be opened.
int64_t FileSizeOf(const String& name);
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
// Copies `source` to `target` (in large blocks; the progress comes per 2048
// bytes) and gives the target the source's last-write time. A new target is
// written in place and deleted again when the copy fails; an existing one is
// replaced only by a complete copy, written to a temporary file beside it:
// a failure leaves it untouched.
// A file made only where nothing was yet, for CopyFileWithProgress to
// fill: it is deleted again unless a copy into it completes. Making the
// target this way first spares a new file the look-up of its name (which
// under Wine reads the whole folder when the name is missing).
class TNewFile {
public:
    TNewFile() = default;
    ~TNewFile() { Discard(); }
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;
    // False, with nothing done, when something is at the path already or
    // the file cannot be made there.
    bool Create(const String& path);
    bool Valid() const { return !name_.empty(); }
    void* Handle() const { return handle_; }
    // Closing flushes; a write the disk refuses late still fails here.
    bool Finish();
    void Discard();
    // Takes over the other's file, leaving it empty.
    void Take(TNewFile& other);

private:
    String name_;
    void* handle_ = nullptr;
};
// `created`, when valid, is the target made by TNewFile::Create: the copy
// writes into it (and deletes it if the copy fails).
void CopyFileWithProgress(const String& source, const String& target, const TCopyProgress& callback = {},
                          TNewFile* created = nullptr);

// Removes the temporary files a killed run of the setup (or of its
// compression library) left in `dir`: only files of the setup's own naming
// whose writing process no longer runs. Returns how many it removed.
int RemoveSetupLeftovers(const String& dir);
