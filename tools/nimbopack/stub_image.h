// The start-up stub, a small program of its own, moved to where it lives
// in a packed program: its relocations applied and its import table's
// addresses shifted, so the loader finds its imports there.
#pragma once

#include <cstdint>
#include <vector>

#include "pe_file.h"

struct TPlacedStub {
    std::vector<uint8_t> bytes;  // the stub's image from its first section on
    uint32_t entryRva = 0;       // these in the packed program's addresses
    TPeDirectory imports;
    TPeDirectory iat;
    uint32_t paramsOffset = 0;  // of its TPackParams in `bytes`
    uint32_t callbackVa = 0;    // its TLS callback
};

// Places `stub` at `rva` of an image based at imageBase. Throws
// ENimboError when the stub is not as the packer expects.
TPlacedStub PlaceStub(const TPeFile& stub, uint32_t imageBase, uint32_t rva);
