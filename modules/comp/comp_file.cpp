#include "comp_file.h"

int32_t ReadCompFileHeader(const char* path, TCompHeader& header)
{
    TCompInFile in;
    if (!path || !in.Open(path)) return kCompCannotOpen;
    int32_t r = ReadCompHeader(in, header);
    if (r != kCompOk) return r;
    int64_t size = in.Size();
    if (size < 0) return kCompCannotOpen;
    if (static_cast<uint64_t>(size) - kCompHeaderSize != header.streamSize) return kCompCorrupt;
    return kCompOk;
}

int32_t ExpandCompFile(const char* source, const char* target, const TCompProgress& progress, TCompHeader* header,
                       bool newOnly)
{
    TCompOutFile out;
    // A new target is made before anything else, so an existing one is
    // known without reading the source.
    if (newOnly && (!target || !out.Create(target, true)))
        return out.TargetExisted() ? kCompTargetExists : kCompCannotWrite;
    TCompInFile in;
    if (!source || !in.Open(source)) return kCompCannotOpen;
    TCompHeader h;
    int32_t r = ReadCompHeader(in, h);
    if (r != kCompOk) return r;
    // A truncated or extended file is known before anything is written.
    int64_t size = in.Size();
    if (size >= 0 && static_cast<uint64_t>(size) - kCompHeaderSize != h.streamSize) return kCompCorrupt;

    if (!newOnly && (!target || !out.Create(target))) return kCompCannotWrite;
    r = ExpandCompBody(in, h, out, progress);
    if (r != kCompOk) return r;
    // The source may be the target itself; let go of it before the move.
    in.Close();
    if (!out.Commit(h.fileTime)) return kCompCannotWrite;
    if (header) *header = h;
    return kCompOk;
}

int32_t CompressCompFile(const char* source, const char* target, int level)
{
    TCompInFile in;
    if (!source || !in.Open(source)) return kCompCannotOpen;
    TCompOutFile out;
    if (!target || !out.Create(target)) return kCompCannotWrite;
    // Room for the header, filled in once the stream's CRC and sizes are known.
    uint8_t raw[kCompHeaderSize] = {};
    if (!out.Write(raw, sizeof raw)) return kCompCannotWrite;
    TCompHeader h;
    int32_t r = CompressCompBody(in, out, level, h);
    if (r != kCompOk) return r;
    h.fileTime = in.LastWriteTime();
    in.Close();
    EncodeCompHeader(h, raw);
    if (!out.WriteAt(0, raw, sizeof raw)) return kCompCannotWrite;
    if (!out.Commit(h.fileTime)) return kCompCannotWrite;
    return kCompOk;
}
