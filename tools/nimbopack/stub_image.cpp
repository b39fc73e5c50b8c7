#include "stub_image.h"

#include <cstring>

#include "base/exceptions.h"
#include "pack_params.h"

namespace {

constexpr uint32_t kImportDescriptorSize = 20;

[[noreturn]] void Refuse(const char* why) { throw ENimboError(Format("the packer's stub is not usable: %s", why)); }

uint8_t* At(std::vector<uint8_t>& image, uint64_t rva, uint64_t size)
{
    if (rva + size > image.size()) Refuse("an address lies outside its image");
    return image.data() + rva;
}

void ApplyRelocations(std::vector<uint8_t>& image, TPeDirectory dir, uint32_t delta)
{
    for (uint32_t at = dir.rva; at + 8 <= dir.rva + dir.size;) {
        const uint8_t* block = At(image, at, 8);
        const uint32_t page = GetLE32(block), blockSize = GetLE32(block + 4);
        if (blockSize < 8 || blockSize & 1) Refuse("a damaged relocation block");
        for (uint32_t e = 8; e < blockSize; e += 2) {
            const uint16_t entry = GetLE16(At(image, at + e, 2));
            if (entry >> 12 == 0) continue;
            if (entry >> 12 != 3) Refuse("a relocation other than a 32-bit address");
            uint8_t* p = At(image, page + (entry & 0xFFFu), 4);
            PutLE32(p, GetLE32(p) + delta);
        }
        at += blockSize;
    }
}

void ShiftThunks(std::vector<uint8_t>& image, uint32_t rva, uint32_t shift)
{
    for (;; rva += 4) {
        uint8_t* p = At(image, rva, 4);
        const uint32_t v = GetLE32(p);
        if (!v) return;
        if (!(v & 0x80000000u)) PutLE32(p, v + shift);
    }
}

void ShiftImports(std::vector<uint8_t>& image, uint32_t importRva, uint32_t shift)
{
    for (uint32_t at = importRva;; at += kImportDescriptorSize) {
        uint8_t* d = At(image, at, kImportDescriptorSize);
        if (!GetLE32(d + 12)) return;
        const uint32_t names = GetLE32(d), slots = GetLE32(d + 16);
        if (names) ShiftThunks(image, names, shift);
        if (slots != names) ShiftThunks(image, slots, shift);
        if (names) PutLE32(d, names + shift);
        PutLE32(d + 12, GetLE32(d + 12) + shift);
        PutLE32(d + 16, slots + shift);
    }
}

uint32_t FindParams(const std::vector<uint8_t>& bytes)
{
    uint32_t found = 0, count = 0;
    for (uint32_t i = 0; i + sizeof(TPackParams) + 4 <= bytes.size(); i += 4)
        if (GetLE32(&bytes[i]) == kPackSignature0 && GetLE32(&bytes[i + 4]) == kPackSignature1) {
            found = i;
            ++count;
        }
    if (count != 1) Refuse("its parameter block is not found once");
    return found;
}

}  // namespace

TPlacedStub PlaceStub(const TPeFile& stub, uint32_t imageBase, uint32_t rva)
{
    const TPeDirectory relocations = stub.Directory(kDirRelocation);
    if (!relocations.size) Refuse("it has no relocations");
    if (stub.Directory(kDirTls).size || stub.Directory(kDirResource).size) Refuse("it has TLS or resources");
    std::vector<uint8_t> image = stub.Map();
    const uint32_t first = stub.Sections().front().rva;
    const uint32_t shift = rva - first;
    ApplyRelocations(image, relocations, imageBase + shift - stub.ImageBase());
    TPlacedStub placed;
    placed.imports = stub.Directory(kDirImport);
    placed.iat = stub.Directory(kDirIat);
    if (!placed.imports.size) Refuse("it imports nothing");
    ShiftImports(image, placed.imports.rva, shift);
    placed.imports.rva += shift;
    if (placed.iat.size) placed.iat.rva += shift;
    placed.entryRva = stub.EntryRva() + shift;
    placed.bytes.assign(image.begin() + first, image.end());
    placed.paramsOffset = FindParams(placed.bytes);
    placed.callbackVa = GetLE32(&placed.bytes[placed.paramsOffset + sizeof(TPackParams)]);
    return placed;
}
