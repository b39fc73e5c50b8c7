#include "comp_format.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint8_t kSignature[kCompSignatureSize] = {'T', 'N', 'C', 'Z', '\r', '\n', 0x1a, '\n'};
constexpr size_t kHeaderCrcOffset = 40;

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(uint8_t* p, uint64_t v)
{
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Get32(const uint8_t* p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

uint64_t Get64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

uint32_t Crc(uint32_t crc, const uint8_t* data, size_t size)
{
    // zlib's crc32 takes a 32-bit length; our blocks are far below that.
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
}

// Fills the buffer unless the source ends first; a short count means the end.
int64_t ReadFull(TCompSource& in, uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        int64_t n = in.Read(buffer + done, size - done);
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

struct TInflater {
    z_stream s{};
    bool live = false;
    ~TInflater()
    {
        if (live) inflateEnd(&s);
    }
};

struct TDeflater {
    z_stream s{};
    bool live = false;
    ~TDeflater()
    {
        if (live) deflateEnd(&s);
    }
};

int32_t ExpandBody(TCompSource& in, const TCompHeader& header, TCompSink& out, const TCompProgress& progress)
{
    TInflater z;
    int init = inflateInit(&z.s);
    if (init != Z_OK) return init == Z_MEM_ERROR ? kCompNoMemory : kCompCorrupt;
    z.live = true;
    auto inBuf = std::make_unique<uint8_t[]>(kCompBlockSize);
    auto outBuf = std::make_unique<uint8_t[]>(kCompBlockSize);

    uint64_t remaining = header.streamSize;
    uint64_t produced = 0;
    uint32_t crc = Crc(0, nullptr, 0);
    uint32_t headerBytes = kCompHeaderSize;
    bool ended = false;
    while (remaining > 0) {
        int64_t got = ReadFull(in, inBuf.get(), static_cast<size_t>(std::min<uint64_t>(remaining, kCompBlockSize)));
        if (got < 0) return kCompCannotOpen;
        if (got == 0 || ended) return kCompCorrupt;  // file shorter than stated, or stream ended early
        remaining -= static_cast<uint64_t>(got);
        z.s.next_in = inBuf.get();
        z.s.avail_in = static_cast<uInt>(got);
        // Reported per output block as well: one well-packed input block
        // can expand to tens of megabytes, and the caller's window lives on
        // these reports.
        uint32_t reported = 0;
        do {
            z.s.next_out = outBuf.get();
            z.s.avail_out = kCompBlockSize;
            int ret = inflate(&z.s, Z_NO_FLUSH);
            if (ret == Z_MEM_ERROR) return kCompNoMemory;
            if (ret != Z_OK && ret != Z_STREAM_END && ret != Z_BUF_ERROR) return kCompCorrupt;
            size_t have = kCompBlockSize - z.s.avail_out;
            // More than the header promises: damage, and no reason to fill the disk.
            if (have > header.expandedSize - produced) return kCompCorrupt;
            produced += have;
            crc = Crc(crc, outBuf.get(), have);
            if (have > 0 && !out.Write(outBuf.get(), have)) return kCompCannotWrite;
            const uint32_t consumed = static_cast<uint32_t>(got) - z.s.avail_in;
            if (progress && consumed > reported) {
                progress(consumed - reported + headerBytes);
                headerBytes = 0;
                reported = consumed;
            }
            if (ret == Z_STREAM_END) {
                ended = true;
                break;
            }
        } while (z.s.avail_out == 0);
        if (ended && z.s.avail_in > 0) return kCompCorrupt;
        if (progress && static_cast<uint32_t>(got) + headerBytes > reported)
            progress(static_cast<uint32_t>(got) - reported + headerBytes);
        headerBytes = 0;
    }
    if (!ended) return kCompCorrupt;
    uint8_t extra;
    int64_t n = in.Read(&extra, 1);
    if (n < 0) return kCompCannotOpen;
    if (n > 0) return kCompCorrupt;  // something follows the stream
    if (produced != header.expandedSize || crc != header.crc) return kCompCorrupt;
    return kCompOk;
}

int32_t CompressBody(TCompSource& in, TCompSink& out, int level, TCompHeader& header)
{
    TDeflater z;
    int init = deflateInit(&z.s, std::clamp(level, 0, 9));
    if (init != Z_OK) return kCompNoMemory;
    z.live = true;
    auto inBuf = std::make_unique<uint8_t[]>(kCompBlockSize);
    auto outBuf = std::make_unique<uint8_t[]>(kCompBlockSize);

    header.crc = Crc(0, nullptr, 0);
    header.expandedSize = 0;
    header.streamSize = 0;
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        int64_t got = ReadFull(in, inBuf.get(), kCompBlockSize);
        if (got < 0) return kCompCannotOpen;
        if (static_cast<size_t>(got) < kCompBlockSize) flush = Z_FINISH;
        header.crc = Crc(header.crc, inBuf.get(), static_cast<size_t>(got));
        header.expandedSize += static_cast<uint64_t>(got);
        z.s.next_in = inBuf.get();
        z.s.avail_in = static_cast<uInt>(got);
        do {
            z.s.next_out = outBuf.get();
            z.s.avail_out = kCompBlockSize;
            int ret = deflate(&z.s, flush);
            if (ret == Z_STREAM_ERROR) return kCompNoMemory;
            size_t have = kCompBlockSize - z.s.avail_out;
            header.streamSize += have;
            if (have > 0 && !out.Write(outBuf.get(), have)) return kCompCannotWrite;
        } while (z.s.avail_out == 0);
    }
    return kCompOk;
}

}  // namespace

void EncodeCompHeader(const TCompHeader& header, uint8_t out[kCompHeaderSize])
{
    std::memcpy(out, kSignature, kCompSignatureSize);
    Put16(out + 8, kCompVersion);
    Put16(out + 10, kCompMethodDeflate);
    Put32(out + 12, header.crc);
    Put64(out + 16, header.expandedSize);
    Put64(out + 24, header.streamSize);
    Put64(out + 32, header.fileTime);
    Put32(out + kHeaderCrcOffset, Crc(Crc(0, nullptr, 0), out, kHeaderCrcOffset));
}

int32_t DecodeCompHeader(const uint8_t* data, size_t size, TCompHeader& header)
{
    if (size < kCompSignatureSize || std::memcmp(data, kSignature, kCompSignatureSize) != 0) return kCompForeign;
    if (size < kCompHeaderSize) return kCompCorrupt;
    // Another version may lay out its header differently: not ours to read.
    if (Get16(data + 8) != kCompVersion) return kCompForeign;
    if (Get32(data + kHeaderCrcOffset) != Crc(Crc(0, nullptr, 0), data, kHeaderCrcOffset)) return kCompCorrupt;
    if (Get16(data + 10) != kCompMethodDeflate) return kCompForeign;
    header.crc = Get32(data + 12);
    header.expandedSize = Get64(data + 16);
    header.streamSize = Get64(data + 24);
    header.fileTime = Get64(data + 32);
    return kCompOk;
}

int32_t ReadCompHeader(TCompSource& in, TCompHeader& header)
{
    uint8_t raw[kCompHeaderSize];
    int64_t got = ReadFull(in, raw, kCompHeaderSize);
    if (got < 0) return kCompCannotOpen;
    return DecodeCompHeader(raw, static_cast<size_t>(got), header);
}

int32_t ExpandCompBody(TCompSource& in, const TCompHeader& header, TCompSink& out, const TCompProgress& progress)
{
    try {
        return ExpandBody(in, header, out, progress);
    } catch (const std::bad_alloc&) {
        return kCompNoMemory;
    }
}

int32_t ExpandCompStream(TCompSource& in, TCompSink& out, const TCompProgress& progress, TCompHeader* header)
{
    TCompHeader h;
    int32_t r = ReadCompHeader(in, h);
    if (r == kCompOk) r = ExpandCompBody(in, h, out, progress);
    if (header) *header = h;
    return r;
}

int32_t CompressCompBody(TCompSource& in, TCompSink& out, int level, TCompHeader& header)
{
    try {
        return CompressBody(in, out, level, header);
    } catch (const std::bad_alloc&) {
        return kCompNoMemory;
    }
}

int32_t CompClampSize(uint64_t size)
{
    return size > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
}

double CompFileTimeToDateTime(uint64_t fileTime)
{
    constexpr uint64_t kPerDay = 864000000000ULL;  // 100 ns units
    constexpr int64_t kDays1601To1899 = 109205;    // 1 January 1601 to 30 December 1899
    int64_t days = static_cast<int64_t>(fileTime / kPerDay) - kDays1601To1899;
    double time = static_cast<double>(fileTime % kPerDay) / static_cast<double>(kPerDay);
    // Before 1899 the whole days count down but the time of day still counts up.
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}
