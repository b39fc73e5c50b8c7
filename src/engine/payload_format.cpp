#include "engine/payload_format.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "base/crc32c.h"
#include "base/raw_inflate.h"
#include "engine/path_routines.h"

namespace {

constexpr char kMagic[8] = {'N', 'I', 'M', 'B', 'O', 'P', 'A', 'Y'};
constexpr char kSolidMagic[8] = {'N', 'I', 'M', 'B', 'O', 'S', 'L', 'D'};
// Version 1: the directory as it is; version 2: packed, the header's last
// field its expanded size, its entries without their offsets.
constexpr uint32_t kVersion = 1;
constexpr uint32_t kVersionPacked = 2;
// Name length, flags, offset, stored size, size, time, CRC.
constexpr size_t kEntryFixedSize = 2 + 1 + 8 * 4 + 4;
constexpr size_t kPackedEntryFixedSize = kEntryFixedSize - 8 + 1;  // no offset; the shared length
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

// The flags and sizes of an entry as read: a solid archive's members are
// plain; a payload's solid entry is not also compressed.
bool EntryHolds(TPayloadEntry& e, uint8_t flags, TPayloadKind kind)
{
    const uint8_t allowed = kind == TPayloadKind::solid ? 0 : kCompressedFlag | kSolidFlag;
    if ((flags & ~allowed) || flags == (kCompressedFlag | kSolidFlag)) return false;
    e.compressed = flags & kCompressedFlag;
    e.solid = flags & kSolidFlag;
    const uint64_t largest = kind == TPayloadKind::solid ? kSolidMaxMemberSize : kPayloadMaxFileSize;
    return IsValidPathBelow(e.name) && e.storedSize <= largest && e.size <= largest &&
           (e.compressed || e.size == e.storedSize);
}

bool ReadName(TCursor& in, TPayloadEntry& e)
{
    const uint8_t* p = nullptr;
    if (!in.Take(2, p)) return false;
    const size_t nameLength = static_cast<size_t>(Get(p, 2));
    if (!in.Take(nameLength, p)) return false;
    e.name.assign(reinterpret_cast<const char*>(p), nameLength);
    return true;
}

// Version 1: an entry after the other, each with its offset.
bool ReadRow(TCursor& in, TPayloadEntry& e, TPayloadKind kind)
{
    const uint8_t* p = nullptr;
    if (!ReadName(in, e) || !in.Take(kEntryFixedSize - 2, p)) return false;
    e.offset = Get(p + 1, 8);
    e.storedSize = Get(p + 9, 8);
    e.size = Get(p + 17, 8);
    e.fileTime = Get(p + 25, 8);
    e.crc = static_cast<uint32_t>(Get(p + 33, 4));
    return EntryHolds(e, p[0], kind);
}

// A name of the packed directory: how many leading bytes it shares with
// the name before it (one byte), then the rest as a name is kept.
bool ReadFrontCodedName(TCursor& in, const String& before, TPayloadEntry& e)
{
    const uint8_t* p = nullptr;
    if (!in.Take(1, p) || p[0] > before.size() || !ReadName(in, e)) return false;
    e.name.insert(0, before, 0, p[0]);
    return true;
}

// Version 2: a column after the other (the names, the flags, the stored
// sizes, the sizes, the times, the checksums), which packs far better;
// each entry lies where the one before ended.
bool ReadColumns(TCursor& in, uint32_t count, TPayloadKind kind, std::vector<TPayloadEntry>& entries)
{
    entries.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        if (!ReadFrontCodedName(in, i ? entries[i - 1].name : String(), entries[i])) return false;
    const uint8_t *flags = nullptr, *stored = nullptr, *sizes = nullptr, *times = nullptr, *crcs = nullptr;
    if (!in.Take(count, flags) || !in.Take(size_t{8} * count, stored) || !in.Take(size_t{8} * count, sizes) ||
        !in.Take(size_t{8} * count, times) || !in.Take(size_t{4} * count, crcs))
        return false;
    uint64_t end = 0;
    for (uint32_t i = 0; i < count; ++i) {
        TPayloadEntry& e = entries[i];
        e.offset = end;
        e.storedSize = Get(stored + 8 * i, 8);
        e.size = Get(sizes + 8 * i, 8);
        e.fileTime = Get(times + 8 * i, 8);
        e.crc = static_cast<uint32_t>(Get(crcs + 4 * i, 4));
        if (!EntryHolds(e, flags[i], kind) || e.storedSize > kPayloadMaxFileSize) return false;
        end += e.storedSize;
    }
    return true;
}

uint8_t FlagsOf(const TPayloadEntry& e) { return (e.compressed ? kCompressedFlag : 0) | (e.solid ? kSolidFlag : 0); }

std::vector<uint8_t> RowBytes(const std::vector<TPayloadEntry>& entries)
{
    std::vector<uint8_t> out;
    for (const TPayloadEntry& e : entries) {
        Put(out, e.name.size(), 2);
        out.insert(out.end(), e.name.begin(), e.name.end());
        Put(out, FlagsOf(e), 1);
        for (uint64_t v : {e.offset, e.storedSize, e.size, e.fileTime}) Put(out, v, 8);
        Put(out, e.crc, 4);
    }
    return out;
}

std::vector<uint8_t> ColumnBytes(const std::vector<TPayloadEntry>& entries)
{
    std::vector<uint8_t> out;
    const String* before = nullptr;
    for (const TPayloadEntry& e : entries) {
        size_t shared = 0;
        while (before && shared < 255 && shared < e.name.size() && shared < before->size() &&
               e.name[shared] == (*before)[shared])
            ++shared;
        Put(out, shared, 1);
        Put(out, e.name.size() - shared, 2);
        out.insert(out.end(), e.name.begin() + static_cast<std::ptrdiff_t>(shared), e.name.end());
        before = &e.name;
    }
    for (const TPayloadEntry& e : entries) Put(out, FlagsOf(e), 1);
    for (const TPayloadEntry& e : entries) Put(out, e.storedSize, 8);
    for (const TPayloadEntry& e : entries) Put(out, e.size, 8);
    for (const TPayloadEntry& e : entries) Put(out, e.fileTime, 8);
    for (const TPayloadEntry& e : entries) Put(out, e.crc, 4);
    return out;
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
    Put(b, h.expandedDirectorySize ? kVersionPacked : kVersion, 4);
    Put(b, h.fileCount, 4);
    Put(b, h.directorySize, 4);
    Put(b, h.directoryCrc, 4);
    Put(b, h.dataSize, 8);
    Put(b, Crc32c(0, b.data(), b.size()), 4);
    Put(b, h.expandedDirectorySize, 4);
    std::memcpy(out, b.data(), kPayloadHeaderSize);
}

bool DecodePayloadHeader(const uint8_t* in, size_t size, TPayloadHeader& h, TPayloadKind kind)
{
    if (size < kPayloadHeaderSize || std::memcmp(in, MagicOf(kind), sizeof kMagic) != 0) return false;
    const uint64_t version = Get(in + 8, 4);
    if ((version != kVersion && version != kVersionPacked) || Get(in + 32, 4) != Crc32c(0, in, 32)) return false;
    // (The expanded size lies outside the header's checksum: a packed
    // directory must expand to exactly that many bytes, or it is refused.)
    h.expandedDirectorySize = static_cast<uint32_t>(Get(in + 36, 4));
    if ((version == kVersionPacked) != (h.expandedDirectorySize != 0)) return false;
    h.fileCount = static_cast<uint32_t>(Get(in + 12, 4));
    h.directorySize = static_cast<uint32_t>(Get(in + 16, 4));
    h.directoryCrc = static_cast<uint32_t>(Get(in + 20, 4));
    h.dataSize = Get(in + 24, 8);
    const uint32_t entriesSize = h.expandedDirectorySize ? h.expandedDirectorySize : h.directorySize;
    const size_t entrySize = h.expandedDirectorySize ? kPackedEntryFixedSize : kEntryFixedSize;
    return h.directorySize <= kPayloadMaxDirectorySize && entriesSize <= kPayloadMaxDirectorySize &&
           h.fileCount <= entriesSize / entrySize &&
           h.dataSize <= static_cast<uint64_t>(h.fileCount) * kPayloadMaxFileSize;
}

std::vector<uint8_t> EncodePayloadDirectory(std::vector<TPayloadEntry>& entries, TPayloadHeader& header,
                                            TDirectoryPacker pack)
{
    uint64_t offset = 0;
    for (TPayloadEntry& e : entries) {
        e.offset = offset;
        offset += e.storedSize;
    }
    header.expandedDirectorySize = 0;
    header.fileCount = static_cast<uint32_t>(entries.size());
    header.dataSize = offset;
    std::vector<uint8_t> out = RowBytes(entries);
    std::vector<uint8_t> packed;
    if (pack) {
        const std::vector<uint8_t> compact = ColumnBytes(entries);
        if (pack(compact, packed) && !packed.empty() && packed.size() < out.size()) {
            header.expandedDirectorySize = static_cast<uint32_t>(compact.size());
            out = std::move(packed);
        }
    }
    header.directorySize = static_cast<uint32_t>(out.size());
    header.directoryCrc = Crc32c(0, out.data(), out.size());
    return out;
}

bool DecodePayloadDirectory(const TPayloadHeader& header, const uint8_t* in, size_t size,
                            std::vector<TPayloadEntry>& entries, TPayloadKind kind)
{
    entries.clear();
    if (size != header.directorySize || Crc32c(0, in, size) != header.directoryCrc) return false;
    const bool packed = header.expandedDirectorySize != 0;
    std::vector<uint8_t> expanded;
    if (packed) {
        if (header.expandedDirectorySize > kPayloadMaxDirectorySize) return false;
        expanded.resize(header.expandedDirectorySize);
        if (!InflateRaw(in, size, expanded.data(), expanded.size())) return false;
        in = expanded.data();
        size = expanded.size();
    }
    // (Each entry takes at least its fixed bytes: the count is bounded before anything is made of it.)
    if (header.fileCount > size / (packed ? kPackedEntryFixedSize : kEntryFixedSize)) return false;
    TCursor cursor(in, size);
    std::vector<TPayloadEntry> read;
    if (packed) {
        if (!ReadColumns(cursor, header.fileCount, kind, read)) return false;
    } else {
        read.resize(header.fileCount);
        for (TPayloadEntry& e : read)
            if (!ReadRow(cursor, e, kind)) return false;
    }
    std::set<String> names;
    uint64_t end = 0;
    bool solidSeen = false;
    for (TPayloadEntry& e : read) {
        // Back to back in directory order: no gaps, no overlaps, no wrap.
        if (e.offset != end || !names.insert(Folded(e.name)).second) return false;
        if (e.solid && std::exchange(solidSeen, true)) return false;
        end += e.storedSize;
        if (end > header.dataSize) return false;
    }
    if (!cursor.AtEnd() || end != header.dataSize) return false;
    entries = std::move(read);
    return true;
}
