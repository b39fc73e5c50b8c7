// The compressed file of TNComp32.DLL: a header of ours, then one zlib
// (deflate) stream. The code here knows nothing of files or windows; it reads
// from a source and writes to a sink, so the DLL, the host compressor, the
// tests and the bench share it.
//
// Header, 44 bytes, little-endian:
//   0  signature "TNCZ\r\n\x1a\n" (the CR LF and ^Z catch text-mode transfers)
//   8  uint16 format version (1), uint16 method (8 = deflate in a zlib wrapper)
//  12  uint32 CRC-32 of the expanded bytes
//  16  uint64 expanded size
//  24  uint64 size of the zlib stream that follows (the file ends with it)
//  32  uint64 last-write time of the original, 100 ns units since 1601 UTC (0: unknown)
//  40  uint32 CRC-32 of bytes 0 to 39
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Results of the library's calls; the entry points return them as they are.
constexpr int32_t kCompOk = 0;
constexpr int32_t kCompCannotOpen = -1;   // source missing, unreadable, or a read failed
constexpr int32_t kCompForeign = -2;      // not a compressed file of ours
constexpr int32_t kCompCorrupt = -3;      // damaged or truncated; size or CRC mismatch
constexpr int32_t kCompCannotWrite = -4;  // the target or its temporary file cannot be written
constexpr int32_t kCompNoMemory = -5;     // zlib or the library ran out of memory
constexpr int32_t kCompTargetExists = -6; // a new target was asked for, and a file of that name is there

constexpr size_t kCompHeaderSize = 44;
constexpr size_t kCompSignatureSize = 8;
constexpr uint16_t kCompVersion = 1;
constexpr uint16_t kCompMethodDeflate = 8;
// Unit of reading, writing and progress reports.
constexpr size_t kCompBlockSize = 64 * 1024;

struct TCompHeader {
    uint32_t crc = 0;
    uint64_t expandedSize = 0;
    uint64_t streamSize = 0;
    uint64_t fileTime = 0;
};

void EncodeCompHeader(const TCompHeader& header, uint8_t out[kCompHeaderSize]);
// kCompForeign when the bytes do not start with our signature and version;
// kCompCorrupt when they do but the header is short or damaged.
int32_t DecodeCompHeader(const uint8_t* data, size_t size, TCompHeader& header);

class TCompSource {
public:
    virtual ~TCompSource() = default;
    // Up to size bytes; 0 at the end; negative on a read error.
    virtual int64_t Read(void* buffer, size_t size) = 0;
};

class TCompSink {
public:
    virtual ~TCompSink() = default;
    virtual bool Write(const void* data, size_t size) = 0;
};

// Called after each block's expanded bytes are written, with the compressed
// bytes that block consumed.
using TCompProgress = std::function<void(uint32_t consumed)>;

// Reads exactly the header from the start of the source.
int32_t ReadCompHeader(TCompSource& in, TCompHeader& header);

// Expands the stream that follows a header already read, verifying size,
// CRC and that the source ends with the stream. The header's bytes count
// with the first block, so on success the reports add up to the file size.
int32_t ExpandCompBody(TCompSource& in, const TCompHeader& header, TCompSink& out, const TCompProgress& progress);

// Header and body in one call.
int32_t ExpandCompStream(TCompSource& in, TCompSink& out, const TCompProgress& progress,
                         TCompHeader* header = nullptr);

// Writes the zlib stream of the whole source to the sink (no header) and
// fills the header's CRC and sizes; the caller places the header in front.
int32_t CompressCompBody(TCompSource& in, TCompSink& out, int level, TCompHeader& header);

// Sizes past 2 GiB - 1 read as 2 GiB - 1: the callers take a 32-bit signed
// size and compare or show it; a clamped size still reads as "large".
int32_t CompClampSize(uint64_t size);

// A file time (100 ns units since 1601, already in the wanted time zone) as
// a date-time: days since 30 December 1899, the fraction being the time.
double CompFileTimeToDateTime(uint64_t fileTime);
