#include "comp_file.h"

#include <cstring>

int32_t ReadCompFileHeader(const char* path, TCompHeader& header)
{
    TCompInFile in;
    if (!path || !in.Open(path)) return kCompCannotOpen;
    int32_t r = ReadCompHeader(in, header);
    if (r != kCompOk) return r;
    int64_t size = in.Size();
    if (size < 0) return kCompCannotOpen;
    if (!CompLengthAgrees(static_cast<uint64_t>(size), header)) return kCompCorrupt;
    return kCompOk;
}

namespace {

// Where the compressed file lies in its source: all of it unless whole is false.
struct TCompRange {
    bool whole = true;
    uint64_t offset = 0;
    uint64_t size = 0;
};

int32_t ExpandInto(TCompOutFile& out, const char* source, const TCompRange& range, const char* target,
                   const TCompProgress& progress, TCompHeader& header, bool newOnly)
{
    TCompInFile in;
    if (!source || !in.Open(source)) return kCompCannotOpen;
    int64_t size = in.Size();
    if (!range.whole) {
        if (size < 0 || range.offset > static_cast<uint64_t>(size) ||
            range.size > static_cast<uint64_t>(size) - range.offset || !in.Seek(range.offset))
            return kCompCorrupt;
        size = static_cast<int64_t>(range.size);
    }
    TCompWindow window(in, size < 0 ? ~uint64_t(0) : static_cast<uint64_t>(size));
    int32_t r = ExpandCompStream(window, out, progress, &header, [&](const TCompHeader& read) {
        // A truncated or extended file is known before anything is written.
        if (size >= 0 && !CompLengthAgrees(static_cast<uint64_t>(size), read)) return kCompCorrupt;
        return target && out.Create(target) ? kCompOk : kCompCannotWrite;
    });
    if (r != kCompOk) return r;
    // The source may be the target itself; let go of it before the rename.
    in.Close();
    return out.Commit(header.fileTime, newOnly) ? kCompOk : kCompCannotWrite;
}

int32_t Expand(const char* source, const TCompRange& range, const char* target, const TCompProgress& progress,
               TCompHeader* header, bool newOnly)
{
    TCompOutFile out;
    TCompHeader h;
    const int32_t r = ExpandInto(out, source, range, target, progress, h, newOnly);
    if (r == kCompOk) {
        if (header) *header = h;
        return kCompOk;
    }
    // A caller that asked for a new file hears that the target is there,
    // whatever failed first; only a failure pays for the look-up.
    if (newOnly && r != kCompCancelled && (out.TargetExisted() || (target && CompPathExists(target))))
        return kCompTargetExists;
    return r;
}

}  // namespace

int32_t ExpandCompFile(const char* source, const char* target, const TCompProgress& progress, TCompHeader* header,
                       bool newOnly)
{
    return Expand(source, TCompRange{}, target, progress, header, newOnly);
}

int32_t ExpandCompFilePart(const char* source, uint64_t offset, uint64_t size, const char* target,
                           const TCompProgress& progress, TCompHeader* header, bool newOnly)
{
    return Expand(source, TCompRange{false, offset, size}, target, progress, header, newOnly);
}

int32_t CompressCompFile(const char* source, const char* target, int level, TCompMethod method)
{
    TCompInFile in;
    if (!source || !in.Open(source)) return kCompCannotOpen;
    const int64_t size = in.Size();
    if (size < 0) return kCompCannotOpen;
    TCompOutFile out;
    if (!target || !out.Create(target)) return kCompCannotWrite;
    // Room for the header, filled in once the stream's CRC and size are
    // known; its stream size takes as many bytes as the largest stream could.
    TCompHeader h;
    h.method = method;
    h.expandedSize = static_cast<uint64_t>(size);
    h.streamSize = CompStreamBound(h.expandedSize, method);
    uint8_t raw[kCompMaxHeaderSize] = {};
    const size_t streamSizeBytes = CompVarintSize(h.streamSize);
    const size_t headerSize = EncodeCompHeader(h, raw);
    std::memset(raw, 0, sizeof raw);
    if (!out.Write(raw, headerSize)) return kCompCannotWrite;
    int32_t r = CompressCompBody(in, h.expandedSize, out, level, h, method);
    if (r != kCompOk) return r;
    h.fileTime = in.LastWriteTime();
    in.Close();
    if (EncodeCompHeader(h, raw, streamSizeBytes) != headerSize) return kCompCannotWrite;
    if (!out.WriteAt(0, raw, headerSize)) return kCompCannotWrite;
    if (!out.Commit(h.fileTime)) return kCompCannotWrite;
    return kCompOk;
}
