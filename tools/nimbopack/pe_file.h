// A 32-bit PE program file as the packer reads it: headers, sections and
// data directories, with every offset checked against the file. What it
// does not understand it refuses with a reason.
#pragma once

#include <cstdint>
#include <vector>

#include "base/le_bytes.h"
#include "base/nstring.h"

struct TPeSection {
    String name;
    uint32_t rva = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
    uint32_t characteristics = 0;
};

struct TPeDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

enum EPeDirectory : uint32_t {
    kDirImport = 1,
    kDirResource = 2,
    kDirSecurity = 4,
    kDirRelocation = 5,
    kDirDebug = 6,
    kDirTls = 9,
    kDirLoadConfig = 10,
    kDirBoundImport = 11,
    kDirIat = 12,
    kDirClr = 14,
    kDirCount = 16
};

class TPeFile {
public:
    // Throws ENimboError for anything but a well-formed PE32 i386 file.
    explicit TPeFile(std::vector<uint8_t> bytes);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    uint32_t HeaderOffset() const { return pe_; }         // the "PE" signature
    uint32_t OptionalOffset() const { return pe_ + 24; }  // the optional header
    uint32_t SectionTableOffset() const { return pe_ + 24 + optionalSize_; }
    uint16_t Characteristics() const { return GetLE16(&bytes_[pe_ + 22]); }
    uint32_t Optional32(uint32_t field) const { return GetLE32(&bytes_[OptionalOffset() + field]); }
    uint32_t ImageBase() const { return Optional32(28); }
    uint32_t EntryRva() const { return Optional32(16); }
    uint32_t SizeOfImage() const { return Optional32(56); }
    uint32_t SizeOfHeaders() const { return Optional32(60); }
    uint32_t SectionAlignment() const { return Optional32(32); }
    uint32_t FileAlignment() const { return Optional32(36); }
    const std::vector<TPeSection>& Sections() const { return sections_; }
    TPeDirectory Directory(uint32_t index) const { return dirs_[index]; }
    uint32_t ImageEnd() const;  // end of the headers and of the last section's raw data

    // The image as the loader lays it out: SizeOfImage bytes, each section
    // at its address, what the file lacks zero.
    std::vector<uint8_t> Map() const;

private:
    void ReadSections();

    std::vector<uint8_t> bytes_;
    uint32_t pe_ = 0;
    uint32_t optionalSize_ = 0;
    TPeDirectory dirs_[kDirCount];
    std::vector<TPeSection> sections_;
};

// Reads a whole file; throws ENimboError when it cannot.
std::vector<uint8_t> ReadWholeFile(const String& path);
void WriteWholeFile(const String& path, const std::vector<uint8_t>& bytes);
