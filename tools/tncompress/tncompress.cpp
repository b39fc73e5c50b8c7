// tncompress: prepares compressed payload files for the setup program.
//   tncompress [--compress=lzma|zlib] <in> <out>
//                              compress (LZMA unless zlib is asked for),
//                              keeping <in>'s last-write time
//   tncompress -d <in> <out>   expand, verifying size and CRC
//   tncompress -l <file>       print the header
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "comp_file.h"
#include "comp_method_names.h"

namespace {

const char* Reason(int32_t r)
{
    switch (r) {
    case kCompCannotOpen:
        return "cannot read the source";
    case kCompForeign:
        return "not a compressed file of ours";
    case kCompCorrupt:
        return "damaged or truncated";
    case kCompCannotWrite:
        return "cannot write the target";
    case kCompNoMemory:
        return "out of memory";
    default:
        return "failed";
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: tncompress [--compress=lzma|zlib] <in> <out>\n"
                         "       tncompress -d <in> <out>\n"
                         "       tncompress -l <file>\n");
    return 2;
}

int Fail(const char* what, int32_t r)
{
    std::fprintf(stderr, "tncompress: %s: %s (%d)\n", what, Reason(r), static_cast<int>(r));
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "-l") == 0) {
        TCompHeader h;
        int32_t r = ReadCompFileHeader(argv[2], h);
        if (r != kCompOk) return Fail(argv[2], r);
        std::printf("version %u\nmethod %s%s\nexpanded %" PRIu64 "\ncompressed %" PRIu64 "\ncrc32 %08" PRIx32
                    "\ndatetime %.6f\n",
                    h.version, CompMethodName(h.method), h.filters & kCompFilterX86 ? " x86" : "", h.expandedSize,
                    h.streamSize + h.size, h.crc, CompFileTimeToDateTime(h.fileTime));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "-d") == 0) {
        int32_t r = ExpandCompFile(argv[2], argv[3], nullptr);
        return r == kCompOk ? 0 : Fail(argv[2], r);
    }
    TCompMethod method = kCompMethodLzma;
    int first = 1;
    if (argc == 4 && std::strncmp(argv[1], "--compress=", 11) == 0) {
        if (!CompMethodFromName(argv[1] + 11, method)) return Usage();
        first = 2;
    }
    if (argc != first + 2 || argv[first][0] == '-') return Usage();
    int32_t r = CompressCompFile(argv[first], argv[first + 1], 9, method);
    return r == kCompOk ? 0 : Fail(argv[first], r);
}
