#include "base/pe_image.h"

#include "base/le_bytes.h"

namespace {

constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kSectionSize = 40;
constexpr uint32_t kCertificateDirectory = 4;

}  // namespace

bool ReadPeLayout(const uint8_t* head, size_t size, TPeLayout& layout)
{
    layout = TPeLayout{};
    if (size < 0x40 || head[0] != 'M' || head[1] != 'Z') return false;
    const uint64_t pe = GetLE32(head + 0x3C);
    if (pe + 4 + kFileHeaderSize > size || GetLE32(head + pe) != 0x4550) return false;
    const uint8_t* file = head + pe + 4;
    const uint32_t sections = GetLE16(file + 2);
    const uint32_t optionalSize = GetLE16(file + 16);
    const uint64_t optional = pe + 4 + kFileHeaderSize;
    const uint64_t table = optional + optionalSize;
    if (table + static_cast<uint64_t>(sections) * kSectionSize > size || optionalSize < 2) return false;
    const uint32_t magic = GetLE16(head + optional);
    if (magic != 0x10B && magic != 0x20B) return false;
    // The data directories follow the fields of PE32 or PE32+.
    const uint64_t counts = optional + (magic == 0x10B ? 92 : 108);
    if (counts + 4 > table || optional + 64 > table) return false;
    layout.imageEnd = GetLE32(head + optional + 60);  // the headers
    const uint64_t entry = counts + 4 + 8 * kCertificateDirectory;
    if (GetLE32(head + counts) > kCertificateDirectory && entry + 8 <= table) {
        layout.certificateEntry = static_cast<uint32_t>(entry);
        layout.certificateOffset = GetLE32(head + entry);
        layout.certificateSize = GetLE32(head + entry + 4);
    }
    for (uint32_t i = 0; i < sections; ++i) {
        const uint8_t* s = head + table + static_cast<uint64_t>(i) * kSectionSize;
        const uint64_t rawSize = GetLE32(s + 16);
        const uint64_t rawStart = GetLE32(s + 20);
        if (rawSize > 0 && rawStart + rawSize > layout.imageEnd) layout.imageEnd = rawStart + rawSize;
    }
    return true;
}
