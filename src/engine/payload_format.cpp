#include "engine/payload_format.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "base/crc32c.h"
#include "engine/path_routines.h"

namespace {

constexpr char kMagic[8] = {'N', 'I', 'M', 'B', 'O', 'P', 'A', 'Y'};
constexpr char kSolidMagic[8] = {'N', 'I', 'M', 'B', 'O', 'S', 'L', 'D'};
constexpr uint32_t kVersion = 1;
// Name length, flags, offset, stored size, size, time, CRC.
constexpr size_t kEntryFixedSize = 2 + 1 + 8 * 4 + 4;
constexpr uint8_t kCompressedFlag = 1;
constexpr uint8_t kSolidFlag = 2;

const char* MagicOf(TPayloadKind kind) { return kind == TPayloadKind::solid ? kSolidMagic : kMagic; }

void Put(std::vector<uint8_t>& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint64_t Get(const uint8_t* p, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Reads the directory's bytes in order, refusing to run past their end.
class TCursor {
public:
    TCursor(const uint8_t* p, size_t size) : p_(p), left_(size) {}
    bool Take(size_t n, const uint8_t*& at)
    {
        if (n > left_) return false;
        at = p_;
        p_ += n;
        left_ -= n;
        return true;
    }
    bool AtEnd() const { return left_ == 0; }

private:
    const uint8_t* p_;
    size_t left_;
};

bool ReadEntry(TCursor& in, TPayloadEntry& e, TPayloadKind kind)
{
    const uint8_t* p = nullptr;
    if (!in.Take(2, p)) return false;
    const size_t nameLength = static_cast<size_t>(Get(p, 2));
    if (!in.Take(nameLength, p)) return false;
    e.name.assign(reinterpret_cast<const char*>(p), nameLength);
    if (!in.Take(kEntryFixedSize - 2, p)) return false;
    // A solid archive's members are plain; a payload's solid entry is not
    // also compressed.
    const uint8_t allowed = kind == TPayloadKind::solid ? 0 : kCompressedFlag | kSolidFlag;
    if ((p[0] & ~allowed) || p[0] == (kCompressedFlag | kSolidFlag)) return false;
    e.compressed = p[0] & kCompressedFlag;
    e.solid = p[0] & kSolidFlag;
    e.offset = Get(p + 1, 8);
    e.storedSize = Get(p + 9, 8);
    e.size = Get(p + 17, 8);
    e.fileTime = Get(p + 25, 8);
    e.crc = static_cast<uint32_t>(Get(p + 33, 4));
    const uint64_t largest = kind == TPayloadKind::solid ? kSolidMaxMemberSize : kPayloadMaxFileSize;
    return IsValidFileName(e.name) && e.storedSize <= largest && e.size <= largest &&
           (e.compressed || e.size == e.storedSize);
}

String Folded(const String& name)
{
    String s = name;
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

void EncodePayloadHeader(const TPayloadHeader& h, uint8_t out[kPayloadHeaderSize], TPayloadKind kind)
{
    std::vector<uint8_t> b(MagicOf(kind), MagicOf(kind) + sizeof kMagic);
    Put(b, kVersion, 4);
    Put(b, h.fileCount, 4);
    Put(b, h.directorySize, 4);
    Put(b, h.directoryCrc, 4);
    Put(b, h.dataSize, 8);
    Put(b, Crc32c(0, b.data(), b.size()), 4);
    Put(b, 0, 4);
    std::memcpy(out, b.data(), kPayloadHeaderSize);
}

bool DecodePayloadHeader(const uint8_t* in, size_t size, TPayloadHeader& h, TPayloadKind kind)
{
    if (size < kPayloadHeaderSize || std::memcmp(in, MagicOf(kind), sizeof kMagic) != 0) return false;
    if (Get(in + 8, 4) != kVersion || Get(in + 32, 4) != Crc32c(0, in, 32) || Get(in + 36, 4) != 0) return false;
    h.fileCount = static_cast<uint32_t>(Get(in + 12, 4));
    h.directorySize = static_cast<uint32_t>(Get(in + 16, 4));
    h.directoryCrc = static_cast<uint32_t>(Get(in + 20, 4));
    h.dataSize = Get(in + 24, 8);
    return h.directorySize <= kPayloadMaxDirectorySize && h.fileCount <= h.directorySize / kEntryFixedSize &&
           h.dataSize <= static_cast<uint64_t>(h.fileCount) * kPayloadMaxFileSize;
}

std::vector<uint8_t> EncodePayloadDirectory(std::vector<TPayloadEntry>& entries, TPayloadHeader& header)
{
    std::vector<uint8_t> out;
    uint64_t offset = 0;
    for (TPayloadEntry& e : entries) {
        e.offset = offset;
        offset += e.storedSize;
        Put(out, e.name.size(), 2);
        out.insert(out.end(), e.name.begin(), e.name.end());
        Put(out, (e.compressed ? kCompressedFlag : 0) | (e.solid ? kSolidFlag : 0), 1);
        for (uint64_t v : {e.offset, e.storedSize, e.size, e.fileTime}) Put(out, v, 8);
        Put(out, e.crc, 4);
    }
    header.fileCount = static_cast<uint32_t>(entries.size());
    header.directorySize = static_cast<uint32_t>(out.size());
    header.directoryCrc = Crc32c(0, out.data(), out.size());
    header.dataSize = offset;
    return out;
}

bool DecodePayloadDirectory(const TPayloadHeader& header, const uint8_t* in, size_t size,
                            std::vector<TPayloadEntry>& entries, TPayloadKind kind)
{
    entries.clear();
    if (size != header.directorySize || Crc32c(0, in, size) != header.directoryCrc) return false;
    TCursor cursor(in, size);
    std::set<String> names;
    uint64_t end = 0;
    bool solidSeen = false;
    for (uint32_t i = 0; i < header.fileCount; ++i) {
        TPayloadEntry e;
        // Back to back in directory order: no gaps, no overlaps, no wrap.
        if (!ReadEntry(cursor, e, kind) || e.offset != end || !names.insert(Folded(e.name)).second) return false;
        if (e.solid && std::exchange(solidSeen, true)) return false;
        end += e.storedSize;
        if (end > header.dataSize) return false;
        entries.push_back(std::move(e));
    }
    return cursor.AtEnd() && end == header.dataSize;
}
