#include "base/pe_image.h"

namespace {

uint32_t Get(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

constexpr uint32_t kFileHeaderSize = 20;
constexpr uint32_t kSectionSize = 40;
constexpr uint32_t kCertificateDirectory = 4;

}  // namespace

bool ReadPeLayout(const uint8_t* head, size_t size, TPeLayout& layout)
{
    layout = TPeLayout{};
    if (size < 0x40 || head[0] != 'M' || head[1] != 'Z') return false;
    const uint64_t pe = Get(head + 0x3C, 4);
    if (pe + 4 + kFileHeaderSize > size || Get(head + pe, 4) != 0x4550) return false;
    const uint8_t* file = head + pe + 4;
    const uint32_t sections = Get(file + 2, 2);
    const uint32_t optionalSize = Get(file + 16, 2);
    const uint64_t optional = pe + 4 + kFileHeaderSize;
    const uint64_t table = optional + optionalSize;
    if (table + static_cast<uint64_t>(sections) * kSectionSize > size || optionalSize < 2) return false;
    const uint32_t magic = Get(head + optional, 2);
    if (magic != 0x10B && magic != 0x20B) return false;
    // The data directories follow the fields of PE32 or PE32+.
    const uint64_t counts = optional + (magic == 0x10B ? 92 : 108);
    if (counts + 4 > table || optional + 64 > table) return false;
    layout.imageEnd = Get(head + optional + 60, 4);  // the headers
    const uint64_t entry = counts + 4 + 8 * kCertificateDirectory;
    if (Get(head + counts, 4) > kCertificateDirectory && entry + 8 <= table) {
        layout.certificateEntry = static_cast<uint32_t>(entry);
        layout.certificateOffset = Get(head + entry, 4);
        layout.certificateSize = Get(head + entry + 4, 4);
    }
    for (uint32_t i = 0; i < sections; ++i) {
        const uint8_t* s = head + table + static_cast<uint64_t>(i) * kSectionSize;
        const uint64_t rawSize = Get(s + 16, 4);
        const uint64_t rawStart = Get(s + 20, 4);
        if (rawSize > 0 && rawStart + rawSize > layout.imageEnd) layout.imageEnd = rawStart + rawSize;
    }
    return true;
}
