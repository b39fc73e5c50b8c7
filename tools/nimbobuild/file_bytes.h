// Small file reads of the builder.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"
#include "framework/win32/handles.h"

// Size of the file, -1 when it cannot be read.
int64_t FileBytes(const String& path);
// The last-write time as a file time, 0 when it cannot be read.
uint64_t FileWriteTime(const String& path);
// The whole of a small file (a library); raises ENimboError when it cannot.
std::vector<uint8_t> ReadWholeFile(const String& path);

// The unit the builder reads files in.
constexpr uint32_t kFileBlock = 1u << 20;
// Raises ENimboError "path: what (error n)" with the platform's last error.
[[noreturn]] void FileFailed(const String& what, const String& path);
// The file opened for reading; raises ENimboError when it cannot be.
TKernelHandle OpenRead(const String& path);
// Reads the file's next piece, at most kFileBlock of the `left` bytes; its
// size must not have changed since it was measured (ENimboError otherwise).
uint32_t ReadPiece(HANDLE in, const String& path, uint8_t* buffer, uint64_t left);
// The CRC-32C of the file's first size bytes, which must be there.
uint32_t ChecksumOf(const String& path, uint64_t size);
