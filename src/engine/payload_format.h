// The payload of a single-file setup: a fixed header, a directory of the
// files it carries, then their bytes back to back in directory order (a
// file packed in our compressed format when that made it smaller). It lies
// behind the program's image, and the program carries a copy of the header
// as a resource, so a file cut anywhere is told from a setup that ships
// as a folder. Every number in it is read as coming from outside: a
// directory is taken only when its checksum, its names and its sizes all
// hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/nstring.h"

struct TPayloadHeader {
    uint32_t fileCount = 0;
    uint32_t directorySize = 0;
    uint32_t directoryCrc = 0;
    uint64_t dataSize = 0;
};

struct TPayloadEntry {
    String name;              // a plain file name, as the script names it
    bool compressed = false;  // in our compressed format
    uint64_t offset = 0;      // from the start of the data
    uint64_t storedSize = 0;  // bytes in the payload
    uint64_t size = 0;        // bytes of the installed file
    uint64_t fileTime = 0;    // last-write time, 100 ns units since 1601 UTC
    uint32_t crc = 0;         // CRC-32C of the stored bytes
};

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

// The header of the directory, with the data's size, as the payload holds it.
void EncodePayloadHeader(const TPayloadHeader& header, uint8_t out[kPayloadHeaderSize]);
// False unless the bytes are a header of ours whose own checksum holds and
// whose sizes are in range.
bool DecodePayloadHeader(const uint8_t* in, size_t size, TPayloadHeader& header);

// The directory of the entries (their offsets are set here, in order) and
// the header that describes it.
std::vector<uint8_t> EncodePayloadDirectory(std::vector<TPayloadEntry>& entries, TPayloadHeader& header);
// False unless the directory matches the header's size, count and
// checksum, every name is a valid file name, no two differ only in letter
// case, every size is in range, and the files fill the data exactly.
bool DecodePayloadDirectory(const TPayloadHeader& header, const uint8_t* in, size_t size,
                            std::vector<TPayloadEntry>& entries);
