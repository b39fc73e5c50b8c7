// The payload of a single-file setup: a fixed header, a directory of the
// files it carries (packed since version 2), then their bytes back to back
// in directory order (a file packed in our compressed format when that made
// it smaller). It lies behind the program's image, and the program
// carries a copy of the header as a resource, so a file cut anywhere is
// told from a setup that ships as a folder. Every number in it is read as
// coming from outside: a directory is taken only when its checksum, its
// names and its sizes all hold.
//
// A solid archive is laid out the same way: the header (with a signature of
// its own), a directory of its members, then ONE compressed file of ours
// whose expanded bytes are the members back to back, in the order the file
// copy takes them. Many small files so cost one stream instead of a header,
// a piece and an open each. A setup folder carries it beside setup.exe
// (kSolidArchiveName); a single-file setup carries its bytes as one entry
// of the payload, marked solid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/nstring.h"

struct TPayloadHeader {
    uint32_t fileCount = 0;
    uint32_t directorySize = 0;          // bytes of the directory as stored
    uint32_t expandedDirectorySize = 0;  // 0: stored plain; else packed, its bytes expanded
    uint32_t directoryCrc = 0;
    uint64_t dataSize = 0;
};

struct TPayloadEntry {
    String name;              // as the script names it, behind its subfolder of the setup folder (sub\name)
    bool compressed = false;  // in our compressed format
    uint64_t offset = 0;      // from the start of the data
    uint64_t storedSize = 0;  // bytes in the payload
    uint64_t size = 0;        // bytes of the installed file
    uint64_t fileTime = 0;    // last-write time, 100 ns units since 1601 UTC
    uint32_t crc = 0;         // CRC-32C of the stored bytes
    bool solid = false;       // the bytes are a solid archive (a payload's entry only)
};

// What the header and directory describe: a payload's files, or the
// members of a solid archive (plain, each at most kSolidMaxMemberSize, their
// offsets in the expanded stream).
enum class TPayloadKind { files, solid };

// What the program of a single-file setup carries as RCDATA resources: a
// copy of the payload's header, and the compression library's file when
// the payload holds compressed files.
constexpr const char* kPayloadResource = "TNIMBOPAYLOAD";
constexpr const char* kCompLibraryResource = "TNCOMP32";

constexpr size_t kPayloadHeaderSize = 40;
// Files of 2 GiB or more are refused by the builder; a directory larger
// than this is no directory of ours.
constexpr uint64_t kPayloadMaxFileSize = 0x7FFFFFFF;
constexpr uint32_t kPayloadMaxDirectorySize = 64u << 20;
// The file copy holds a member whole before it writes it: the builder packs
// files solid up to this size, and an archive that says otherwise is refused.
constexpr uint64_t kSolidMaxMemberSize = 16u << 20;

// The header of the directory, with the data's size, as the payload holds it.
void EncodePayloadHeader(const TPayloadHeader& header, uint8_t out[kPayloadHeaderSize],
                         TPayloadKind kind = TPayloadKind::files);
// False unless the bytes are a header of ours of that kind whose own
// checksum holds and whose sizes are in range.
bool DecodePayloadHeader(const uint8_t* in, size_t size, TPayloadHeader& header,
                         TPayloadKind kind = TPayloadKind::files);

// Packs a directory's bytes as raw deflate; false when it cannot. The
// builder supplies it: the program only ever expands a directory.
using TDirectoryPacker = bool (*)(const std::vector<uint8_t>& plain, std::vector<uint8_t>& packed);

// The directory of the entries (their offsets are set here, in order) and
// the header that describes it. With a packer it is packed (version 2, the
// offsets left out: the entries lie back to back) when that makes it
// smaller; a file list repeats its sizes, times and the stems of its names.
std::vector<uint8_t> EncodePayloadDirectory(std::vector<TPayloadEntry>& entries, TPayloadHeader& header,
                                            TDirectoryPacker pack = nullptr);
// False unless the directory matches the header's size, count and
// checksum, every name is a valid file name or path below the setup
// folder, no two differ only in letter case, every size is in range, and
// the files fill the data exactly; in a payload at most one entry is a
// solid archive, in an archive none is compressed or solid.
bool DecodePayloadDirectory(const TPayloadHeader& header, const uint8_t* in, size_t size,
                            std::vector<TPayloadEntry>& entries, TPayloadKind kind = TPayloadKind::files);
