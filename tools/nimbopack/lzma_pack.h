// Compresses a program image for the packer with the system's liblzma, as
// raw LZMA data the stub's decoder expands.
#pragma once

#include <cstdint>
#include <vector>

struct TLzmaPacked {
    std::vector<uint8_t> data;
    uint32_t properties = 0;  // lc, lp and pb in the LZMA format's one byte
};

// The smallest of a few settings that suit machine code; checked by
// expanding it again with the stub's own decoder. Throws ENimboError.
TLzmaPacked LzmaPack(const std::vector<uint8_t>& image);
