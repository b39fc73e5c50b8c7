// A solid archive as the file copy reads it (see payload_format.h): its
// directory checked when it is opened, its members taken in the stream's
// order from one pass, which the compression library expands ahead on a
// thread of its own while the copy writes. A member is handed over whole
// and only once its checksum holds, so a damaged or cut stream never
// leaves a file written from it.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "base/nstring.h"
#include "comp/tncomp32.h"
#include "engine/file_routines.h"
#include "engine/payload_format.h"

// The library's stream entries; any may be missing (an older library).
struct TCompStreamEntries {
    TCompOpenStreamEntry open = nullptr;
    TCompReadStreamEntry read = nullptr;
    TCompCloseStreamEntry close = nullptr;
};

enum class TSolidState { none, sound, damaged };

class TSolidArchive {
public:
    // The archive in `part` of `path`: none when there is no file at path;
    // damaged when its header or directory does not hold.
    static TSolidState Open(const String& path, const TFilePart& part, std::unique_ptr<TSolidArchive>& archive);
    TSolidArchive() = default;
    TSolidArchive(const TSolidArchive&) = delete;
    TSolidArchive& operator=(const TSolidArchive&) = delete;
    ~TSolidArchive() { Close(); }

    // The member of that name, compared without regard to case; none when
    // the archive has no such member.
    const TPayloadEntry* Find(const String& name) const;
    // The member's bytes, read on from where the last one ended (a member
    // behind that starts the stream over). False when the stream is damaged
    // or cut there, or the library cannot read it: the archive then refuses
    // every read until Restart.
    bool Read(const TPayloadEntry& member, const TCompStreamEntries& library, std::vector<uint8_t>& bytes);
    // Forgets a failure: the next read starts the stream over.
    void Restart();
    // Stops the expansion; a later read starts over.
    void Close();

private:
    bool ReadHead(const uint8_t* header, const std::vector<uint8_t>& directory);
    bool Start(const TCompStreamEntries& library);
    // Exactly size bytes of the stream, or false.
    bool Take(void* buffer, uint64_t size);

    String path_;
    uint64_t streamOffset_ = 0;
    uint64_t streamSize_ = 0;
    std::vector<TPayloadEntry> members_;
    std::unordered_map<String, size_t> index_;  // upper-cased name to member
    TCompStreamHandle stream_ = nullptr;
    TCompStreamEntries library_;
    uint64_t position_ = 0;  // expanded bytes read so far
    bool failed_ = false;
};
