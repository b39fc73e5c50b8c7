// CRC-32C (Castagnoli), the checksum of a single-file setup's payload: the
// processor's own instruction where it has one (a setup checks its whole
// payload before it starts, so this is on every install's path), a table
// otherwise. Both give the same values.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues `crc` (0 to start) over the bytes.
uint32_t Crc32c(uint32_t crc, const void* data, size_t size);
// The same by table alone, as on a processor without the instruction.
uint32_t Crc32cByTable(uint32_t crc, const void* data, size_t size);
