// Whole compressed files. An expansion or compression writes a temporary
// file beside the target and moves it over the target only when it is
// complete and verified, so a failure leaves the target as it was.
#pragma once

#include <cstdint>
#include <cstring>

#include "comp_format.h"

// A path on the C heap (see TCompBuffer): Assign and Append are false when
// there is no memory.
class TCompPath {
public:
    bool Assign(const char* text, size_t size)
    {
        size_ = 0;
        return Append(text, size);
    }
    bool Assign(const char* text) { return Assign(text, std::strlen(text)); }
    bool Append(const char* text, size_t size)
    {
        if (!buffer_.Reserve(size_ + size + 1)) return false;
        std::memcpy(buffer_.Data() + size_, text, size);
        size_ += size;
        buffer_.Data()[size_] = 0;
        return true;
    }
    const char* c_str() const { return buffer_.Data() ? reinterpret_cast<const char*>(buffer_.Data()) : ""; }
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }

private:
    TCompBuffer buffer_;
    size_t size_ = 0;
};

// The file operations the library needs; comp_platform_posix.cpp and
// comp_platform_win32.cpp implement them.
class TCompInFile : public TCompSource {
public:
    TCompInFile() = default;
    TCompInFile(const TCompInFile&) = delete;
    TCompInFile& operator=(const TCompInFile&) = delete;
    ~TCompInFile() override { Close(); }

    bool Open(const char* path);  // a regular file, for reading
    int64_t Read(void* buffer, size_t size) override;
    int64_t Size();             // -1 when unknown
    uint64_t LastWriteTime();   // 100 ns units since 1601 UTC; 0 when unknown
    void Close();

private:
    intptr_t handle_ = -1;
};

// Where an expanded or compressed file is written: the target itself when it
// is new, otherwise a temporary file that replaces the target on Commit.
class TCompOutFile : public TCompSink {
public:
    TCompOutFile() = default;
    TCompOutFile(const TCompOutFile&) = delete;
    TCompOutFile& operator=(const TCompOutFile&) = delete;
    // Closes and deletes the file unless Commit completed it.
    ~TCompOutFile() override;

    // The file the data goes into: the target itself when there is none yet
    // (nothing of the user's is at stake, and the move is saved), otherwise
    // a new file in the target's directory.
    // With newOnly, only the target itself: false, with TargetExisted(), when
    // it is there.
    bool Create(const char* target, bool newOnly = false);
    bool TargetExisted() const { return targetExisted_; }
    bool Write(const void* data, size_t size) override;
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Sets the last-write time (unless 0), closes, and replaces the target
    // (unless the data went into the target itself).
    bool Commit(uint64_t fileTime);

private:
    void Close();

    intptr_t handle_ = -1;
    TCompPath path_;
    TCompPath target_;
    bool inPlace_ = false;
    bool targetExisted_ = false;
    bool committed_ = false;
};

// Expands source into target. On success the target is complete, carries
// the original's time stamp, and header (when given) holds the file's header.
// With newOnly an existing target is left as it is (kCompTargetExists) and
// the source is not read.
int32_t ExpandCompFile(const char* source, const char* target, const TCompProgress& progress,
                       TCompHeader* header = nullptr, bool newOnly = false);

// Compresses source into target with the source's last-write time in the
// header; the target also gets that time, so "is the source newer" checks
// on the compressed file answer as they would for the original.
int32_t CompressCompFile(const char* source, const char* target, int level = 9);

// The header of a file of ours whose length agrees with it; otherwise the
// reason it is not one (kCompCannotOpen, kCompForeign, kCompCorrupt).
int32_t ReadCompFileHeader(const char* path, TCompHeader& header);
