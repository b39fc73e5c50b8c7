// A small decoder of raw LZMA data (the range-coded stream without the
// .lzma or .xz wrapping), for the start-up stub of a packed program: about
// two kilobytes of code and no library, so it also builds without one.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The probability table the decoder needs, in 16-bit entries, for the
// properties byte `properties` (lc, lp and pb); 0 for an invalid byte.
uint32_t LzmaProbabilityCount(uint32_t properties);

// Expands the LZMA data in `in` into exactly outSize bytes at `out`, using
// `probs` (LzmaProbabilityCount entries) as its work space. False when the
// data is damaged or ends early; it never reads or writes outside the
// buffers. What follows the last byte (an end marker) is not looked at.
bool LzmaExpand(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, uint32_t properties, uint16_t* probs);
