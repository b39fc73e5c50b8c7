// A small decoder of raw deflate data (RFC 1951), for data the program
// carries itself, such as a packed form. It favours size over speed: a few
// kilobytes of code against zlib's tens, at tens of megabytes a second.
#pragma once

#include <cstddef>
#include <cstdint>

// Expands the deflate data in `in` into exactly outSize bytes at `out`.
// False when the data is damaged, ends early, gives more or fewer bytes
// than outSize, or is followed by anything but the padding of its last
// byte; it never reads or writes outside the two buffers.
bool InflateRaw(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);
