// The compressed file of TNComp32.DLL: a header of ours, then the packed
// data. The code here knows nothing of files or windows; it reads from a
// source and writes to a sink, so the DLL, the host compressor, the tests
// and the bench share it.
//
// Version 3, written for LZMA. Integers little-endian; a varint is 7 bits a
// byte, low bits first, the top bit set on every byte but the last (it may
// be padded with such bytes):
//   0  signature "TNCZ\r\n\x1a\n" (the CR LF and ^Z catch text-mode transfers)
//   8  uint16 format version (3)
//  10  uint8 method: 0 deflate, 1 LZMA (LZMA2 raw streams)
//  11  uint8 filters: bit 0, the x86 branch filter ran before LZMA (LZMA
//      only); no other bit is defined
//  12  varint expanded size
//      varint size of the stream that follows the header (the file ends with it)
//      uint32 CRC-32 of the expanded bytes
//      uint64 last-write time of the original, 100 ns units since 1601 UTC (0: unknown)
//      uint16 CRC-16 (CCITT) of the header's bytes before it
// The stream is the expanded bytes cut into pieces (the last one shorter),
// each packed on its own, so pieces expand side by side, two at a time.
// Every piece but the last is preceded by its varint size. Deflate pieces
// are 1 MiB raw deflate streams. LZMA pieces are 8 MiB, each an LZMA2
// stream whose dictionary is the piece: measured on programs, text and
// many small text files, 8 MiB pieces came within 0.5% of one stream over
// the whole file (1 MiB pieces lost 3 to 6%), and two of them under way
// take about 50 MiB.
//
// Version 4, written for the stream of a solid archive, where one
// dictionary over every member is what makes many files small: version 3's
// header with a uint32 dictionary size after the filters byte, then ONE
// raw LZMA2 stream of the whole file (method 1 only), expanded a block at a
// time on one thread. Measured on the bench's text and program files, one
// stream with a 16 MiB dictionary came out a third smaller than 8 MiB
// pieces, since a member's words and code repeat those of the members
// before it. The reader gives the dictionary up to 64 MiB of memory.
//
// Version 2, written for deflate (so libraries that know no other method
// still read those files): version 3 without the method and filter bytes;
// its pieces are deflate.
//
// Version 1, still read: a 44-byte header (signature, uint16 1, uint16
// method 8, uint32 CRC-32, uint64 expanded size, uint64 stream size,
// uint64 time, uint32 CRC-32 of bytes 0 to 39), then one zlib stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

#include "tncomp32.h"

constexpr size_t kCompSignatureSize = 8;
constexpr size_t kCompHeaderSizeV1 = 44;
constexpr size_t kCompMaxHeaderSize = 12 + 4 + 10 + 10 + 4 + 8 + 2;
constexpr uint16_t kCompVersionDeflate = 2;
constexpr uint16_t kCompVersionMethod = 3;
constexpr uint16_t kCompVersionOneStream = 4;
// A one-stream file's dictionary: written at most, read at most.
constexpr uint32_t kCompOneStreamDict = 16u << 20;
constexpr uint32_t kCompMaxDict = 64u << 20;
constexpr unsigned kCompPieceShift = 20;      // deflate pieces of 1 MiB
constexpr unsigned kCompLzmaPieceShift = 23;  // LZMA pieces of 8 MiB
// Unit of reading and writing (and of progress reports in version 1).
constexpr size_t kCompBlockSize = 64 * 1024;

enum TCompMethod : uint8_t { kCompMethodDeflate, kCompMethodLzma };
constexpr uint8_t kCompFilterX86 = 1;

// Bytes of a piece packed with method.
constexpr size_t CompPieceSize(TCompMethod method)
{
    return size_t{1} << (method == kCompMethodLzma ? kCompLzmaPieceShift : kCompPieceShift);
}

struct TCompHeader {
    // Version 2 is written for deflate without filters, version 4 when it
    // says so, version 3 otherwise.
    uint16_t version = kCompVersionDeflate;
    TCompMethod method = kCompMethodDeflate;
    uint8_t filters = 0;    // kCompFilterX86
    uint32_t dictSize = 0;  // version 4: the LZMA2 dictionary's bytes
    uint32_t size = 0;      // bytes of the header itself
    uint32_t crc = 0;
    uint64_t expandedSize = 0;
    uint64_t streamSize = 0;
    uint64_t fileTime = 0;
};

// Writes a version 4 header (version 4), a version 2 header (deflate, no
// filters, version not 3) or a version 3 header and returns its size (at most
// kCompMaxHeaderSize); the stream size takes at least streamSizeBytes
// bytes, so a header written before the stream is known keeps its length.
size_t EncodeCompHeader(const TCompHeader& header, uint8_t* out, size_t streamSizeBytes = 0);
// kCompForeign when the bytes do not start with our signature and a version
// we read, or name a method or filter we do not know; kCompCorrupt when
// they do but the header is short, damaged or contradicts itself.
int32_t DecodeCompHeader(const uint8_t* data, size_t size, TCompHeader& header);
// The most the stream of expandedSize bytes can take, compressed.
uint64_t CompStreamBound(uint64_t expandedSize, TCompMethod method = kCompMethodDeflate);
// The most one piece of pieceSize bytes can take, compressed, by either
// method: deflate's stored blocks add 5 bytes a 16 KiB, LZMA2's 3 a 64 KiB.
constexpr size_t CompPieceBound(size_t pieceSize) { return pieceSize + (pieceSize >> 8) + 64; }
// Bytes of a number written as a varint.
size_t CompVarintSize(uint64_t value);

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

// A call the library makes back while it works: a function object of the
// caller's, referred to, never copied. It must outlive the call it is passed
// to. (The library is built without the C++ runtime's exceptions and
// allocations, so it takes no std::function.)
template <typename Signature> class TCompCall;
template <typename R, typename... Args> class TCompCall<R(Args...)> {
public:
    TCompCall() = default;
    TCompCall(std::nullptr_t) {}
    template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TCompCall>>>
    TCompCall(F&& f)
        : object_(const_cast<void*>(static_cast<const void*>(&f))), call_([](void* object, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(args...);
          })
    {
    }
    explicit operator bool() const { return call_ != nullptr; }
    R operator()(Args... args) const { return call_(object_, args...); }

private:
    void* object_ = nullptr;
    R (*call_)(void*, Args...) = nullptr;
};

// Called after each piece's expanded bytes are written, with the compressed
// bytes that piece consumed; true stops the expansion (kCompCancelled).
using TCompProgress = TCompCall<bool(uint32_t consumed)>;

// Bytes from the C heap: a failed allocation is a result (kCompNoMemory),
// not an exception.
class TCompBuffer {
public:
    TCompBuffer() = default;
    TCompBuffer(const TCompBuffer&) = delete;
    TCompBuffer& operator=(const TCompBuffer&) = delete;
    ~TCompBuffer() { std::free(data_); }
    // Room for at least size bytes, the contents kept; false (and the
    // buffer as it was) when there is no memory.
    bool Reserve(size_t size)
    {
        if (size <= room_ && data_) return true;
        void* grown = std::realloc(data_, size ? size : 1);
        if (!grown) return false;
        data_ = static_cast<uint8_t*>(grown);
        room_ = size;
        return true;
    }
    uint8_t* Data() const { return data_; }

private:
    uint8_t* data_ = nullptr;
    size_t room_ = 0;
};

// Reads the header from the start of the source (and perhaps some bytes after it).
int32_t ReadCompHeader(TCompSource& in, TCompHeader& header);

// Called with the header once it is read, before anything is written; a
// result other than kCompOk ends the expansion with that result.
using TCompHeaderCheck = TCompCall<int32_t(const TCompHeader&)>;

// Reads the header and expands the stream, verifying sizes, CRC and that
// the source ends with the stream. The header's bytes count with the first
// report, so on success the reports add up to the file size. Pieces expand
// on two processors when there are two; a stop asked for in a report ends
// the expansion there, once the second processor's piece is done.
int32_t ExpandCompStream(TCompSource& in, TCompSink& out, const TCompProgress& progress, TCompHeader* header = nullptr,
                         const TCompHeaderCheck& check = {});

// Writes the stream of exactly expandedSize bytes of the source to the sink
// (no header) and fills the header's version, method, filters, CRC and
// sizes; the caller places the header in front. A source that ends early,
// or goes on, cannot be read as it was sized. LZMA runs program images
// through the x86 branch filter. A method this build cannot write gives
// kCompForeign.
int32_t CompressCompBody(TCompSource& in, uint64_t expandedSize, TCompSink& out, int level, TCompHeader& header,
                         TCompMethod method = kCompMethodDeflate);

// The same for a file that is one LZMA stream (version 4), the dictionary
// as large as the file up to kCompOneStreamDict, behind the filters given
// (CompFilters tells them for a file's first bytes). Only a build that
// writes LZMA writes it.
int32_t CompressCompOneStream(TCompSource& in, uint64_t expandedSize, TCompSink& out, int level, uint8_t filters,
                              TCompHeader& header);
// The filters method would run a file that starts with these bytes
// through (0 where this build does not write the method).
uint8_t CompFilters(TCompMethod method, const uint8_t* first, size_t size);

// A second thread that runs one job at a time: the pieces of a stream
// expand on it beside the caller's thread. comp_platform_*.cpp implement it.
class TCompHelperThread {
public:
    TCompHelperThread() = default;
    TCompHelperThread(const TCompHelperThread&) = delete;
    TCompHelperThread& operator=(const TCompHelperThread&) = delete;
    ~TCompHelperThread();
    // False with one processor, or when no thread can be had: the caller
    // then does every job itself.
    bool Start();
    void Post(void (*job)(void*), void* argument);
    // Until the posted job is done.
    void Wait();

private:
    void* impl_ = nullptr;
};

// Sizes past 2 GiB - 1 read as 2 GiB - 1: the callers take a 32-bit signed
// size and compare or show it; a clamped size still reads as "large".
int32_t CompClampSize(uint64_t size);

// A file time (100 ns units since 1601, already in the wanted time zone) as
// a date-time: days since 30 December 1899, the fraction being the time.
double CompFileTimeToDateTime(uint64_t fileTime);
