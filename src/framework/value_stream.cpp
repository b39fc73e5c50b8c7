#include "framework/value_stream.h"

#include <cstring>

#include "base/exceptions.h"
#include "base/le_bytes.h"

void TValueReader::Fail(const char* what) { throw EReadError(what); }

void TValueReader::Need(size_t n) const
{
    if (n > size_ - pos_) Fail();
}

uint8_t TValueReader::ReadByte()
{
    Need(1);
    return data_[pos_++];
}

void TValueReader::ReadBytes(void* dst, size_t n)
{
    Need(n);
    if (n) std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
}

uint32_t TValueReader::ReadU32()
{
    uint8_t b[4];
    ReadBytes(b, 4);
    return GetLE32(b);
}

String TValueReader::ReadChars(size_t n)
{
    Need(n);  // an absurd length fails here, before any allocation
    String s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
}

String TValueReader::ReadShortString() { return ReadChars(ReadByte()); }

TValueType TValueReader::ReadValue()
{
    const uint8_t t = ReadByte();
    if (t > static_cast<uint8_t>(TValueType::vaNil) || t == 5) Fail();
    return static_cast<TValueType>(t);
}

TValueType TValueReader::NextValue() const
{
    Need(1);
    return static_cast<TValueType>(data_[pos_]);
}

void TValueReader::ReadListBegin()
{
    if (ReadValue() != TValueType::vaList) Fail();
    if (++depth_ > kMaxDepth) Fail();
}

void TValueReader::ReadListEnd()
{
    if (ReadValue() != TValueType::vaNull) Fail();
    if (depth_ > 0) --depth_;
}

int32_t TValueReader::ReadInteger()
{
    switch (ReadValue()) {
    case TValueType::vaInt8:
        return static_cast<int8_t>(ReadByte());
    case TValueType::vaInt16: {
        uint8_t b[2];
        ReadBytes(b, 2);
        return static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
    }
    case TValueType::vaInt32:
        return static_cast<int32_t>(ReadU32());
    default:
        Fail();
    }
}

String TValueReader::ReadString()
{
    switch (ReadValue()) {
    case TValueType::vaString:
        return ReadChars(ReadByte());
    case TValueType::vaLString:
        return ReadChars(ReadU32());
    default:
        Fail();
    }
}

bool TValueReader::ReadBoolean() { return ReadValue() == TValueType::vaTrue; }

String TValueReader::ReadIdent()
{
    switch (ReadValue()) {
    case TValueType::vaIdent:
        return ReadChars(ReadByte());
    case TValueType::vaFalse:
        return "False";
    case TValueType::vaTrue:
        return "True";
    case TValueType::vaNil:
        return "nil";
    case TValueType::vaNull:
        return "Null";
    default:
        Fail();
    }
}

std::vector<String> TValueReader::ReadSet()
{
    if (ReadValue() != TValueType::vaSet) Fail();
    std::vector<String> r;
    for (;;) {
        String s = ReadShortString();
        if (s.empty()) break;
        if (r.size() >= 256) Fail();
        r.push_back(std::move(s));
    }
    return r;
}

std::vector<uint8_t> TValueReader::ReadBinary()
{
    if (ReadValue() != TValueType::vaBinary) Fail();
    const uint32_t n = ReadU32();
    Need(n);
    std::vector<uint8_t> r(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return r;
}

void TValueReader::SkipValue() { SkipValueAt(0); }

void TValueReader::SkipValueAt(int depth)
{
    if (depth > kMaxDepth) Fail();
    switch (ReadValue()) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
        return;
    case TValueType::vaList:
        while (NextValue() != TValueType::vaNull) SkipValueAt(depth + 1);
        ++pos_;
        return;
    case TValueType::vaInt8:
        Need(1);
        pos_ += 1;
        return;
    case TValueType::vaInt16:
        Need(2);
        pos_ += 2;
        return;
    case TValueType::vaInt32:
        Need(4);
        pos_ += 4;
        return;
    case TValueType::vaString:
    case TValueType::vaIdent: {
        const size_t n = ReadByte();
        Need(n);
        pos_ += n;
        return;
    }
    case TValueType::vaBinary:
    case TValueType::vaLString: {
        const size_t n = ReadU32();
        Need(n);
        pos_ += n;
        return;
    }
    case TValueType::vaSet:
        while (!ReadShortString().empty()) {}
        return;
    }
    Fail();
}

void TValueWriter::WriteU32(uint32_t v)
{
    for (int i = 0; i < 4; ++i) buf_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void TValueWriter::WriteBytes(const void* p, size_t n)
{
    const auto* b = static_cast<const uint8_t*>(p);
    buf_.insert(buf_.end(), b, b + n);
}

void TValueWriter::WriteInteger(int32_t v)
{
    if (v >= -128 && v <= 127) {
        WriteTag(TValueType::vaInt8);
        buf_.push_back(static_cast<uint8_t>(static_cast<int8_t>(v)));
    } else if (v >= -32768 && v <= 32767) {
        WriteTag(TValueType::vaInt16);
        const auto u = static_cast<uint16_t>(static_cast<int16_t>(v));
        buf_.push_back(static_cast<uint8_t>(u));
        buf_.push_back(static_cast<uint8_t>(u >> 8));
    } else {
        WriteTag(TValueType::vaInt32);
        WriteU32(static_cast<uint32_t>(v));
    }
}

void TValueWriter::WriteString(std::string_view s)
{
    if (s.size() < 256) {
        WriteTag(TValueType::vaString);
        buf_.push_back(static_cast<uint8_t>(s.size()));
    } else {
        WriteTag(TValueType::vaLString);
        WriteU32(static_cast<uint32_t>(s.size()));
    }
    WriteBytes(s.data(), s.size());
}

void TValueWriter::WriteShortString(std::string_view s)
{
    if (s.size() > 255) throw EReadError("Identifier too long: " + String(s.substr(0, 40)));
    buf_.push_back(static_cast<uint8_t>(s.size()));
    WriteBytes(s.data(), s.size());
}

void TValueWriter::WriteIdent(std::string_view s)
{
    WriteTag(TValueType::vaIdent);
    WriteShortString(s);
}

void TValueWriter::WriteSet(const std::vector<String>& members)
{
    WriteTag(TValueType::vaSet);
    for (const auto& m : members) WriteShortString(m);
    buf_.push_back(0);
}

void TValueWriter::WriteBinary(const std::vector<uint8_t>& bytes)
{
    WriteTag(TValueType::vaBinary);
    WriteU32(static_cast<uint32_t>(bytes.size()));
    WriteBytes(bytes.data(), bytes.size());
}
