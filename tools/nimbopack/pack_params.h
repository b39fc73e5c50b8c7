// What the packer tells the start-up stub of a packed program: written by
// the packer into the stub's own data, found there by its signature. Every
// address is relative to the image base, which never changes: a packed
// program carries no relocations and loads where it was linked.
#pragma once

#include <stdint.h>

constexpr uint32_t kPackSignature0 = 0x4b50494e;  // "NIPK"
constexpr uint32_t kPackSignature1 = 0x31425453;  // "STB1"
constexpr uint32_t kPackMaxSections = 16;

struct TPackSection {
    uint32_t rva;
    uint32_t size;
    uint32_t protect;  // PAGE_... the section gets once the image is in place
};

// The layout of the TLS directory of a 32-bit image, with the callbacks the
// loader calls: the stub's own, which hands on to the program's.
struct TPackTls {
    uint32_t startOfData;
    uint32_t endOfData;
    uint32_t indexAddress;
    uint32_t callbacksAddress;
    uint32_t zeroFill;
    uint32_t characteristics;
    uint32_t callbacks[2];
};

struct TPackParams {
    uint32_t signature[2];
    uint32_t imageBase;
    uint32_t packedRva;  // the compressed image
    uint32_t packedSize;
    uint32_t imageRva;  // where it expands to
    uint32_t imageSize;
    uint32_t lzmaProperties;  // lc, lp and pb in one byte, as the LZMA format has them
    uint32_t checksum;        // of the expanded image; see PackChecksum
    uint32_t codeRva;         // the range the call filter was run over
    uint32_t codeSize;
    uint32_t entryRva;
    uint32_t importRva;        // the program's import directory
    uint32_t tlsIndexRva;      // 0: the program has no TLS directory
    uint32_t tlsCallbacksRva;  // the program's callback list; 0 without
    uint32_t sectionCount;
    TPackSection sections[kPackMaxSections];
    TPackTls tls;  // the packed program's TLS directory
};

// A checksum of the expanded image, so that a damaged file ends before
// any of its code runs.
inline uint32_t PackChecksum(const uint8_t* p, uint32_t size)
{
    uint32_t a = 1, b = 0;
    for (uint32_t i = 0; i < size; ++i) {
        a += p[i];
        if (a >= 65521) a -= 65521;
        b += a;
        if (b >= 65521) b -= 65521;
    }
    return (b << 16) | a;
}
