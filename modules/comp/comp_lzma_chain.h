// The filter chain of an LZMA file of ours, as the packer writes it and
// both readers expect it: the x86 branch filter where the file's filters
// say so, then LZMA2 with the options given.
#pragma once

#include <lzma.h>

#include <cstddef>
#include <cstdint>

#include "comp_format.h"

struct TCompLzmaChain {
    TCompLzmaChain(uint8_t fileFilters, lzma_options_lzma* options)
    {
        size_t n = 0;
        if (fileFilters & kCompFilterX86) filters[n++] = {LZMA_FILTER_X86, nullptr};
        filters[n++] = {LZMA_FILTER_LZMA2, options};
        filters[n] = {LZMA_VLI_UNKNOWN, nullptr};
    }
    lzma_filter filters[3];
};
