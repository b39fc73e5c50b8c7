#include "pe_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "base/exceptions.h"

namespace {

constexpr uint32_t kSectionEntrySize = 40;

[[noreturn]] void Refuse(const char* why)
{
    throw ENimboError(Format("not a 32-bit PE program the packer understands: %s", why));
}

}  // namespace

TPeFile::TPeFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes))
{
    const uint64_t size = bytes_.size();
    if (size < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z') Refuse("no MZ header");
    pe_ = GetLE32(&bytes_[0x3C]);
    if (static_cast<uint64_t>(pe_) + 24 + 96 > size || GetLE32(&bytes_[pe_]) != 0x4550) Refuse("no PE header");
    if (GetLE16(&bytes_[pe_ + 4]) != 0x14C) Refuse("not for i386");
    optionalSize_ = GetLE16(&bytes_[pe_ + 20]);
    if (optionalSize_ < 96 + 8 * kDirCount || GetLE16(&bytes_[OptionalOffset()]) != 0x10B)
        Refuse("not a PE32 optional header with 16 data directories");
    if (Optional32(92) < kDirCount) Refuse("fewer than 16 data directories");
    if (static_cast<uint64_t>(SectionTableOffset()) + GetLE16(&bytes_[pe_ + 6]) * kSectionEntrySize > SizeOfHeaders() ||
        SizeOfHeaders() > size || SizeOfHeaders() > 0x1000 || SizeOfHeaders() == 0)
        Refuse("the section table lies outside the headers");
    const uint32_t sectionAlignment = Optional32(32), fileAlignment = FileAlignment();
    if (sectionAlignment < 0x200 || sectionAlignment > 0x1000 || (sectionAlignment & (sectionAlignment - 1)) ||
        fileAlignment < 0x200 || fileAlignment > sectionAlignment || (fileAlignment & (fileAlignment - 1)))
        Refuse("unusual alignments");
    for (uint32_t i = 0; i < kDirCount; ++i) {
        dirs_[i].rva = Optional32(96 + 8 * i);
        dirs_[i].size = Optional32(100 + 8 * i);
    }
    ReadSections();
}

void TPeFile::ReadSections()
{
    const uint32_t count = GetLE16(&bytes_[pe_ + 6]);
    const uint32_t mask = SectionAlignment() - 1;
    uint32_t next = (SizeOfHeaders() + mask) & ~mask;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* s = &bytes_[SectionTableOffset() + i * kSectionEntrySize];
        TPeSection section;
        section.name.assign(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
        section.virtualSize = GetLE32(s + 8);
        section.rva = GetLE32(s + 12);
        section.rawSize = GetLE32(s + 16);
        section.rawOffset = section.rawSize ? GetLE32(s + 20) : 0;
        section.characteristics = GetLE32(s + 36);
        if (section.virtualSize == 0) section.virtualSize = section.rawSize;
        if (section.rva != next) Refuse("the sections do not follow each other");
        if (static_cast<uint64_t>(section.rawOffset) + section.rawSize > bytes_.size())
            Refuse("a section lies beyond the file's end");
        next = section.rva + ((section.virtualSize + mask) & ~mask);
        sections_.push_back(section);
    }
    if (sections_.empty() || next != SizeOfImage()) Refuse("the sections do not fill the image");
}

uint32_t TPeFile::ImageEnd() const
{
    uint32_t end = SizeOfHeaders();
    for (const TPeSection& s : sections_)
        if (s.rawSize && s.rawOffset + s.rawSize > end) end = s.rawOffset + s.rawSize;
    return end;
}

std::vector<uint8_t> TPeFile::Map() const
{
    std::vector<uint8_t> image(SizeOfImage());
    std::memcpy(image.data(), bytes_.data(), SizeOfHeaders());
    for (const TPeSection& s : sections_) {
        const uint32_t n = s.rawSize < s.virtualSize ? s.rawSize : s.virtualSize;
        std::memcpy(&image[s.rva], &bytes_[s.rawOffset], n);
    }
    return image;
}

std::vector<uint8_t> ReadWholeFile(const String& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ENimboError(Format("%s: cannot open", path));
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ENimboError(Format("%s: cannot read", path));
    return bytes;
}

void WriteWholeFile(const String& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ENimboError(Format("%s: cannot write", path));
}
