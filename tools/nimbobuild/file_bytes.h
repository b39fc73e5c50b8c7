// Small file reads of the builder.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"

// Size of the file, -1 when it cannot be read.
int64_t FileBytes(const String& path);
// The last-write time as a file time, 0 when it cannot be read.
uint64_t FileWriteTime(const String& path);
// The whole of a small file (a library); raises ENimboError when it cannot.
std::vector<uint8_t> ReadWholeFile(const String& path);
