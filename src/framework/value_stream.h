// The typed value stream shared by form resources and the setup script:
// each value is a tag byte followed by its payload, numbers little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/nstring.h"

enum class TValueType : uint8_t {
    vaNull = 0,  // end of list
    vaList = 1,  // list begin; values follow up to vaNull
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaString = 6,  // length byte, bytes
    vaIdent = 7,   // length byte, bytes (enumeration value, reference, event)
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,   // 4-byte length, bytes
    vaSet = 11,      // short strings, ended by an empty one
    vaLString = 12,  // 4-byte length, bytes
    vaNil = 13,
};

// Reads typed values from a byte buffer (not owned; it must outlive the
// reader). Every malformed input raises EReadError; nothing reads past the
// buffer and nesting is bounded.
class TValueReader {
public:
    static constexpr const char* kInvalidValue = "Invalid property value";
    static constexpr int kMaxDepth = 64;

    TValueReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit TValueReader(const std::vector<uint8_t>& bytes) : data_(bytes.data()), size_(bytes.size()) {}
    // A temporary buffer would be gone before the first read.
    explicit TValueReader(std::vector<uint8_t>&&) = delete;
    virtual ~TValueReader() = default;

    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    bool AtEnd() const { return pos_ >= size_; }

    TValueType ReadValue();        // consumes a tag
    TValueType NextValue() const;  // peeks at the next tag
    bool EndOfList() const { return NextValue() == TValueType::vaNull; }

    void ReadListBegin();
    void ReadListEnd();
    int32_t ReadInteger();
    String ReadString();
    // One tag: vaTrue is true, any other tag false (its payload stays unread).
    bool ReadBoolean();
    String ReadIdent();
    std::vector<String> ReadSet();
    std::vector<uint8_t> ReadBinary();
    // Skips one whole value of any tag, lists included.
    void SkipValue();

    // Raw pieces of the form object stream (no tag).
    uint8_t ReadByte();
    String ReadShortString();
    void ReadBytes(void* dst, size_t n);

    [[noreturn]] static void Fail(const char* what = kInvalidValue);

private:
    void Need(size_t n) const;
    uint32_t ReadU32();
    String ReadChars(size_t n);
    void SkipValueAt(int depth);

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    int depth_ = 0;
};

// Writes typed values with the smallest tag that holds them.
class TValueWriter {
public:
    virtual ~TValueWriter() = default;

    void WriteListBegin() { WriteTag(TValueType::vaList); }
    void WriteListEnd() { WriteTag(TValueType::vaNull); }
    void WriteInteger(int32_t v);
    void WriteString(std::string_view s);
    void WriteBoolean(bool v) { WriteTag(v ? TValueType::vaTrue : TValueType::vaFalse); }
    void WriteIdent(std::string_view s);
    void WriteSet(const std::vector<String>& members);
    void WriteBinary(const std::vector<uint8_t>& bytes);
    void WriteNil() { WriteTag(TValueType::vaNil); }

    void WriteTag(TValueType t) { buf_.push_back(static_cast<uint8_t>(t)); }
    void WriteByte(uint8_t b) { buf_.push_back(b); }
    void WriteShortString(std::string_view s);  // length byte + bytes; longer than 255 is an error
    void WriteBytes(const void* p, size_t n);

    const std::vector<uint8_t>& Data() const { return buf_; }
    std::vector<uint8_t> TakeData() { return std::move(buf_); }

private:
    void WriteU32(uint32_t v);
    std::vector<uint8_t> buf_;
};

// The names the script stream uses for the framework's reader and writer.
using TReader = TValueReader;
using TWriter = TValueWriter;
