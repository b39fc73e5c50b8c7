// The payload of a single-file setup as the running program finds it:
// behind its own image in its own file, checked whole (the directory's and
// every file's checksum) before the setup changes anything, so a damaged
// or cut download is refused up front. A signature appended behind the
// payload does not disturb it.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "base/nstring.h"
#include "engine/file_routines.h"
#include "engine/payload_format.h"

enum class TPayloadState { none, sound, damaged };

class TSetupPayload {
public:
    // none: the program carries no payload (a setup folder); damaged: the
    // file does not hold the payload the program was built with.
    static TPayloadState Open(const String& program, std::unique_ptr<TSetupPayload>& payload);

    const String& Path() const { return path_; }
    // Bytes of the program image, which is all the uninstall needs.
    uint64_t ProgramSize() const { return imageEnd_; }
    // The file of that name, compared without regard to case; none when
    // the payload has no such file.
    const TPayloadEntry* Find(const String& name) const;
    // The solid archive of the small files; none when the payload has none.
    const TPayloadEntry* SolidArchive() const { return solid_; }
    // Where the entry's bytes lie in the program file.
    TFilePart PartOf(const TPayloadEntry& entry) const;
    // A copy of the program image alone would still name the signature of
    // the whole file, which it does not hold: the copy's entry is cleared.
    // False when the copy cannot be written.
    bool DropSignature(const String& copy) const;

private:
    TPayloadState Read(const uint8_t* expectedHeader);

    String path_;
    uint64_t imageEnd_ = 0;
    uint64_t dataStart_ = 0;
    uint32_t certificateEntry_ = 0;  // 0 for an unsigned file
    std::vector<TPayloadEntry> entries_;
    const TPayloadEntry* solid_ = nullptr;
    // Upper-cased name to entry: a payload of thousands of files is looked
    // up once a file.
    std::unordered_map<String, size_t> index_;
};
