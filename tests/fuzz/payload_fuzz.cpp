// A single-file setup's payload directory, a solid archive's directory and
// program headers: any bytes are refused, or read as files that fill the
// data exactly, in order, with plain names (an archive's small and plain); program headers give an image end or are
// refused. The checksums are set right first (half the runs), so the fuzzer gets past them to the numbers and names a
// hostile file could hold.
#include <cstdlib>
#include <cstring>

#include "base/crc32c.h"
#include "base/pe_image.h"
#include "engine/path_routines.h"
#include "engine/payload_format.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void CheckDecoded(const std::vector<uint8_t>& b, TPayloadKind kind)
{
    TPayloadHeader header;
    if (!DecodePayloadHeader(b.data(), b.size(), header, kind)) return;
    std::vector<TPayloadEntry> entries;
    if (!DecodePayloadDirectory(header, b.data() + kPayloadHeaderSize, b.size() - kPayloadHeaderSize, entries, kind))
        return;
    const uint64_t largest = kind == TPayloadKind::solid ? kSolidMaxMemberSize : kPayloadMaxFileSize;
    uint64_t end = 0;
    int solid = 0;
    for (const TPayloadEntry& e : entries) {
        if (e.offset != end || !IsValidFileName(e.name) || e.storedSize > largest) std::abort();
        // An archive's members are plain bytes; a payload holds one archive at most.
        if (kind == TPayloadKind::solid && (e.compressed || e.solid || e.size != e.storedSize)) std::abort();
        solid += e.solid;
        end += e.storedSize;
    }
    if (end != header.dataSize || entries.size() != header.fileCount || solid > 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TPeLayout layout;
    ReadPeLayout(data, size, layout);
    std::vector<uint8_t> b(data, data + size);
    // The second bit picks a solid archive's header over a payload's.
    const TPayloadKind kind = size > 0 && (data[0] & 2) ? TPayloadKind::solid : TPayloadKind::files;
    if (size >= kPayloadHeaderSize && (data[0] & 1)) {
        const char* magic = kind == TPayloadKind::solid ? "NIMBOSLD" : "NIMBOPAY";
        std::memcpy(b.data(), magic, 8);
        // A packed directory (version 2) keeps its expanded size.
        const bool packed = b[8] == 2;
        Put32(b, 8, packed ? 2 : 1);
        Put32(b, 16, static_cast<uint32_t>(size - kPayloadHeaderSize));
        Put32(b, 20, Crc32c(0, b.data() + kPayloadHeaderSize, size - kPayloadHeaderSize));
        Put32(b, 32, Crc32c(0, b.data(), 32));
        if (!packed) Put32(b, 36, 0);
    }
    CheckDecoded(b, kind);
    return 0;
}
