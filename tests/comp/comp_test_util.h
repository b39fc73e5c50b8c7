// In-memory sources and sinks, and payloads that look like real ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "comp_format.h"

using Bytes = std::vector<uint8_t>;

class MemorySource : public TCompSource {
public:
    explicit MemorySource(const Bytes& data, size_t failAt = SIZE_MAX) : data_(data), failAt_(failAt) {}
    int64_t Read(void* buffer, size_t size) override;

private:
    const Bytes& data_;
    size_t pos_ = 0;
    size_t failAt_;  // a read that reaches this offset fails, as a bad sector would
};

class MemorySink : public TCompSink {
public:
    explicit MemorySink(size_t room = SIZE_MAX) : room_(room) {}
    bool Write(const void* data, size_t size) override;
    Bytes data;

private:
    size_t room_;  // a write past this fails, as a full disk would
};

// Text, machine code-like records, zero runs and random bytes, reproducibly.
Bytes MixedData(size_t size, uint32_t seed);
Bytes RandomData(size_t size, uint32_t seed);
// A program image for x86 as far as its headers go, then code that calls a
// few hundred functions by relative address, as compiled code does.
Bytes ProgramImage(size_t size, uint32_t seed);

// A whole compressed file in memory.
Bytes Pack(const Bytes& data, uint64_t fileTime = 0, int level = 9, TCompMethod method = kCompMethodDeflate);
// One LZMA stream over the whole file (version 4), behind these filters.
Bytes PackOneStream(const Bytes& data, uint8_t filters = 0, int level = 9);
// The same as the first version of the format wrote it: one zlib stream.
Bytes PackVersion1(const Bytes& data, uint64_t fileTime = 0);

void WriteBytes(const std::string& path, const Bytes& data);
Bytes ReadBytes(const std::string& path);

// A fresh folder under the system's temporary folder, removed afterwards
// even when a test left a read-only file in it.
class TempDir {
public:
    explicit TempDir(const std::string& name);
    ~TempDir();
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::string Name() const { return dir_.string(); }
    // What the folder holds, or one folder in it (nothing when it is not there).
    std::set<std::string> Names(const std::string& sub = {}) const;

private:
    std::filesystem::path dir_;
};
