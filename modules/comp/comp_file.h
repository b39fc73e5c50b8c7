// Whole compressed files. An expansion or compression writes a temporary
// file and gives it the target's name only when it is complete and
// verified: a failure, or a kill, leaves the target as it was, and a new
// target is either complete or not there.
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
    bool Seek(uint64_t offset);
    int64_t Size();            // -1 when unknown
    uint64_t LastWriteTime();  // 100 ns units since 1601 UTC; 0 when unknown
    void Close();

private:
    intptr_t handle_ = -1;
};

// Whether a file of fileSize bytes ends where its header says its stream does.
inline bool CompLengthAgrees(uint64_t fileSize, const TCompHeader& header)
{
    return fileSize - header.size == header.streamSize;
}

// The bytes of a part of a file, and nothing behind them.
class TCompWindow : public TCompSource {
public:
    TCompWindow(TCompInFile& in, uint64_t size) : in_(in), left_(size) {}
    int64_t Read(void* buffer, size_t size) override
    {
        if (size > left_) size = static_cast<size_t>(left_);
        const int64_t n = size ? in_.Read(buffer, size) : 0;
        if (n > 0) left_ -= static_cast<uint64_t>(n);
        return n;
    }

private:
    TCompInFile& in_;
    uint64_t left_;
};

// Where an expanded or compressed file is written: a temporary file that
// takes the target's name on Commit. It lies in the setup's work folder
// beside the target when there is one (see SetupWorkFolderName: a new file
// then costs one look-up of a missing name, the target's own), otherwise
// beside the target.
class TCompOutFile : public TCompSink {
public:
    TCompOutFile() = default;
    TCompOutFile(const TCompOutFile&) = delete;
    TCompOutFile& operator=(const TCompOutFile&) = delete;
    // Closes and deletes the file unless Commit gave it the target's name.
    ~TCompOutFile() override;

    bool Create(const char* target);
    bool Write(const void* data, size_t size) override;
    bool WriteAt(uint64_t offset, const void* data, size_t size);
    // Sets the last-write time (unless 0), closes, and gives the file the
    // target's name: with newOnly only where nothing has that name (false,
    // with TargetExisted(), when something has), otherwise in place of what
    // is there, unless that is read-only or a folder.
    bool Commit(uint64_t fileTime, bool newOnly = false);
    bool TargetExisted() const { return targetExisted_; }

private:
    void Close();

    intptr_t handle_ = -1;
    TCompPath path_;
    TCompPath target_;
    bool targetExisted_ = false;
    bool committed_ = false;
};

// Whether anything (a file or a folder) is at path.
bool CompPathExists(const char* path);

// Expands source into target. On success the target is complete, carries
// the original's time stamp, and header (when given) holds the file's header.
// With newOnly an existing target is left as it is and the result is
// kCompTargetExists, whatever else fails; it is found when the expanded file
// is to take its name, so a caller that knows the target is there expands
// without newOnly. A stop asked for by progress gives kCompCancelled.
int32_t ExpandCompFile(const char* source, const char* target, const TCompProgress& progress,
                       TCompHeader* header = nullptr, bool newOnly = false);

// The same for a compressed file that lies at offset in source and is size
// bytes long (a file of a single-file setup's payload). Nothing outside
// those bytes is read.
int32_t ExpandCompFilePart(const char* source, uint64_t offset, uint64_t size, const char* target,
                           const TCompProgress& progress, TCompHeader* header = nullptr, bool newOnly = false);

// Compresses source into target with the source's last-write time in the
// header; the target also gets that time, so "is the source newer" checks
// on the compressed file answer as they would for the original.
int32_t CompressCompFile(const char* source, const char* target, int level = 9,
                         TCompMethod method = kCompMethodDeflate);

// The header of a file of ours whose length agrees with it; otherwise the
// reason it is not one (kCompCannotOpen, kCompForeign, kCompCorrupt).
int32_t ReadCompFileHeader(const char* path, TCompHeader& header);
