#include "pack_image.h"

#include <cstring>
#include <set>

#include "base/exceptions.h"
#include "call_filter.h"
#include "lzma_pack.h"
#include "pack_params.h"
#include "stub_image.h"

namespace {

constexpr uint32_t kPage = 0x1000;
constexpr uint32_t kScnCode = 0x20, kScnUninitialized = 0x80, kScnInitialized = 0x40;
constexpr uint32_t kScnExecute = 0x20000000, kScnRead = 0x40000000, kScnWrite = 0x80000000;
constexpr uint32_t kSectionEntrySize = 40;

[[noreturn]] void Refuse(const char* why) { throw ENimboError(Format("cannot pack this program: %s", why)); }

uint32_t Align(uint32_t v, uint32_t a) { return (v + a - 1) & ~(a - 1); }

uint32_t Protection(uint32_t characteristics)
{
    const bool exec = characteristics & kScnExecute, write = characteristics & kScnWrite;
    if (exec) return write ? 0x40 : 0x20;  // PAGE_EXECUTE_READWRITE, PAGE_EXECUTE_READ
    return write ? 0x04 : 0x02;            // PAGE_READWRITE, PAGE_READONLY
}

void CheckPackable(const TPeFile& p)
{
    if (p.Characteristics() & 0x2000) Refuse("it is a library");
    if (p.SectionAlignment() != kPage) Refuse("its sections are not aligned to pages");
    if (p.Directory(kDirSecurity).size) Refuse("it is signed (sign the packed file instead)");
    if (p.Directory(kDirRelocation).size)
        Refuse("it has relocations (link it without: the packed program loads at its own base)");
    if (p.Directory(kDirClr).size || p.Directory(kDirBoundImport).size || p.Directory(kDirLoadConfig).size)
        Refuse("it has a runtime header, bound imports or a load configuration");
    if (p.Bytes().size() > Align(p.ImageEnd(), p.FileAlignment())) Refuse("data follows its image");
    const auto& sections = p.Sections();
    if (sections.size() < 2 || sections.size() - 1 > kPackMaxSections) Refuse("it has too few or too many sections");
    const TPeSection& rsrc = sections.back();
    if (p.Directory(kDirResource).rva != rsrc.rva || p.Directory(kDirResource).size > rsrc.virtualSize)
        Refuse("its resources are not its last section");
    if (!p.Directory(kDirImport).size || p.Directory(kDirImport).rva >= rsrc.rva) Refuse("it imports nothing");
    if (p.EntryRva() < sections.front().rva || p.EntryRva() >= rsrc.rva) Refuse("its entry lies outside its code");
}

// The expanded part: every section but the resources, from the first.
struct TBody {
    uint32_t rva = 0;
    std::vector<uint8_t> bytes;
    uint32_t codeRva = 0, codeEnd = 0;
};

TBody ReadBody(const TPeFile& p, const std::vector<uint8_t>& image)
{
    TBody body;
    body.rva = p.Sections().front().rva;
    const uint32_t end = p.Sections().back().rva;
    body.bytes.assign(image.begin() + body.rva, image.begin() + end);
    for (size_t i = 0; i + 1 < p.Sections().size(); ++i) {
        const TPeSection& s = p.Sections()[i];
        if (!(s.characteristics & kScnCode)) continue;
        if (!body.codeEnd) body.codeRva = s.rva;
        body.codeEnd = s.rva + s.virtualSize;
    }
    if (body.codeEnd)
        CallFilter(body.bytes.data() + (body.codeRva - body.rva), body.codeEnd - body.codeRva, body.codeRva, true);
    return body;
}

void FillSections(const TPeFile& p, TPackParams& params)
{
    params.sectionCount = static_cast<uint32_t>(p.Sections().size() - 1);
    for (uint32_t i = 0; i < params.sectionCount; ++i) {
        const TPeSection& s = p.Sections()[i];
        params.sections[i] = {s.rva, Align(s.virtualSize, kPage), Protection(s.characteristics)};
    }
}

// The program's TLS directory becomes the stub's: the same index and
// template (a copy of it in the stub's section), the stub's callback,
// which hands each call on to the program's callbacks once they are there.
void FillTls(const TPeFile& p, const std::vector<uint8_t>& image, uint32_t paramsVa, uint32_t callbackVa,
             std::vector<uint8_t>& section, uint32_t sectionVa, TPackParams& params)
{
    const TPeDirectory dir = p.Directory(kDirTls);
    const uint32_t base = p.ImageBase(), bodyEnd = base + p.Sections().back().rva;
    if (dir.rva + 24ull > p.Sections().back().rva) Refuse("its TLS directory lies outside its data");
    const uint8_t* t = &image[dir.rva];
    const uint32_t start = GetLE32(t), end = GetLE32(t + 4), index = GetLE32(t + 8), callbacks = GetLE32(t + 12);
    if (start > end || start < base || end > bodyEnd || index < base || index + 4 > bodyEnd ||
        (callbacks && (callbacks < base || callbacks >= bodyEnd)))
        Refuse("its TLS directory points outside its image");
    const uint32_t copy = static_cast<uint32_t>(section.size());
    section.insert(section.end(), image.begin() + (start - base), image.begin() + (end - base));
    params.tlsIndexRva = index - base;
    params.tlsCallbacksRva = callbacks ? callbacks - base : 0;
    params.tls = {sectionVa + copy,
                  sectionVa + copy + (end - start),
                  index,
                  paramsVa + static_cast<uint32_t>(offsetof(TPackParams, tls.callbacks)),
                  GetLE32(t + 16),
                  GetLE32(t + 20),
                  {callbackVa, 0}};
}

}  // namespace

namespace {

// The stub's section: the placed stub with its parameters filled in, the
// compressed image, and the TLS template's copy.
struct TStubSection {
    std::vector<uint8_t> bytes;
    uint32_t entryRva = 0;
    TPeDirectory imports, iat, tls;
};

TStubSection BuildStubSection(const TPeFile& p, const TPeFile& stub)
{
    const std::vector<uint8_t> image = p.Map();
    const TBody body = ReadBody(p, image);
    const TLzmaPacked packed = LzmaPack(body.bytes);
    const uint32_t rva = p.Sections().back().rva, base = p.ImageBase();
    TPlacedStub placed = PlaceStub(stub, base, rva);
    TStubSection s{std::move(placed.bytes), placed.entryRva, placed.imports, placed.iat, {}};
    s.bytes.resize(Align(static_cast<uint32_t>(s.bytes.size()), 16));
    TPackParams params;
    std::memcpy(&params, &s.bytes[placed.paramsOffset], sizeof params);
    params.imageBase = base;
    params.packedRva = rva + static_cast<uint32_t>(s.bytes.size());
    params.packedSize = static_cast<uint32_t>(packed.data.size());
    params.imageRva = body.rva;
    params.imageSize = static_cast<uint32_t>(body.bytes.size());
    params.lzmaProperties = packed.properties;
    params.checksum = PackChecksum(body.bytes.data(), params.imageSize);
    params.codeRva = body.codeRva;
    params.codeSize = body.codeEnd - body.codeRva;
    params.entryRva = p.EntryRva();
    params.importRva = p.Directory(kDirImport).rva;
    FillSections(p, params);
    s.bytes.insert(s.bytes.end(), packed.data.begin(), packed.data.end());
    if (p.Directory(kDirTls).size) {
        const uint32_t paramsVa = base + rva + placed.paramsOffset;
        FillTls(p, image, paramsVa, placed.callbackVa, s.bytes, base + rva, params);
        s.tls = {rva + placed.paramsOffset + static_cast<uint32_t>(offsetof(TPackParams, tls)), 24};
    }
    std::memcpy(&s.bytes[placed.paramsOffset], &params, sizeof params);
    return s;
}

void PutSection(uint8_t* entry, const char* name, uint32_t rva, uint32_t virtualSize, uint32_t rawOffset,
                uint32_t rawSize, uint32_t characteristics)
{
    std::memset(entry, 0, kSectionEntrySize);
    std::memcpy(entry, name, std::strlen(name));
    PutLE32(entry + 8, virtualSize);
    PutLE32(entry + 12, rva);
    PutLE32(entry + 16, rawSize);
    PutLE32(entry + 20, rawSize ? rawOffset : 0);
    PutLE32(entry + 36, characteristics);
}

struct TLayout {
    uint32_t stubRva, stubSize, stubRaw, stubRawSize;
    uint32_t rsrcRva, rsrcRaw;
};

void WriteHeaders(const TPeFile& p, const TStubSection& s, const TLayout& l, std::vector<uint8_t>& file)
{
    const TPeSection& rsrc = p.Sections().back();
    const uint32_t bodyRva = p.Sections().front().rva;
    std::memcpy(file.data(), p.Bytes().data(), p.SizeOfHeaders());
    uint8_t* table = &file[p.SectionTableOffset()];
    std::memset(table, 0, p.SizeOfHeaders() - p.SectionTableOffset());
    PutSection(table, ".image", bodyRva, rsrc.rva - bodyRva, 0, 0,
               kScnUninitialized | kScnExecute | kScnRead | kScnWrite);
    PutSection(table + kSectionEntrySize, ".stub", l.stubRva, l.stubSize, l.stubRaw, l.stubRawSize,
               kScnCode | kScnInitialized | kScnExecute | kScnRead | kScnWrite);
    PutSection(table + 2 * kSectionEntrySize, ".rsrc", l.rsrcRva, rsrc.virtualSize, l.rsrcRaw,
               Align(rsrc.rawSize, p.FileAlignment()), rsrc.characteristics);
    PutLE16(&file[p.HeaderOffset() + 6], 3);
    PutLE16(&file[p.HeaderOffset() + 22], static_cast<uint16_t>(p.Characteristics() | 1));  // relocations stripped
    uint8_t* o = &file[p.OptionalOffset()];
    PutLE32(o + 4, l.stubRawSize);                                           // SizeOfCode
    PutLE32(o + 8, l.stubRawSize + Align(rsrc.rawSize, p.FileAlignment()));  // SizeOfInitializedData
    PutLE32(o + 12, rsrc.rva - bodyRva);                                     // SizeOfUninitializedData
    PutLE32(o + 16, s.entryRva);
    PutLE32(o + 20, bodyRva);    // BaseOfCode
    PutLE32(o + 24, l.stubRva);  // BaseOfData
    PutLE32(o + 56, l.rsrcRva + Align(rsrc.virtualSize, kPage));
    PutLE16(o + 70, static_cast<uint16_t>(GetLE16(o + 70) & ~0x40));  // no dynamic base
    const TPeDirectory keep[kDirCount] = {p.Directory(0),
                                          s.imports,
                                          {l.rsrcRva, p.Directory(kDirResource).size},
                                          {},
                                          {},
                                          {},
                                          {},
                                          {},
                                          {},
                                          s.tls,
                                          {},
                                          {},
                                          s.iat,
                                          p.Directory(13),
                                          {},
                                          {}};
    for (uint32_t i = 0; i < kDirCount; ++i) {
        PutLE32(o + 96 + 8 * i, keep[i].rva);
        PutLE32(o + 100 + 8 * i, keep[i].size);
    }
}

}  // namespace

std::vector<uint8_t> PackProgram(const TPeFile& p, const TPeFile& stub)
{
    CheckPackable(p);
    const TStubSection s = BuildStubSection(p, stub);
    const TPeSection& rsrc = p.Sections().back();
    TLayout l{};
    l.stubRva = rsrc.rva;
    l.stubSize = static_cast<uint32_t>(s.bytes.size());
    l.stubRaw = Align(p.SizeOfHeaders(), p.FileAlignment());
    l.stubRawSize = Align(l.stubSize, p.FileAlignment());
    l.rsrcRva = l.stubRva + Align(l.stubSize, kPage);
    l.rsrcRaw = l.stubRaw + l.stubRawSize;
    std::vector<uint8_t> file(l.rsrcRaw + Align(rsrc.rawSize, p.FileAlignment()));
    WriteHeaders(p, s, l, file);
    std::memcpy(&file[l.stubRaw], s.bytes.data(), s.bytes.size());
    std::vector<uint8_t> resources(p.Bytes().begin() + rsrc.rawOffset,
                                   p.Bytes().begin() + rsrc.rawOffset + rsrc.rawSize);
    RelocateResources(resources, rsrc.rva, rsrc.virtualSize, l.rsrcRva - rsrc.rva);
    std::memcpy(&file[l.rsrcRaw], resources.data(), resources.size());
    const uint32_t checksumOffset = p.OptionalOffset() + 64;
    PutLE32(&file[checksumOffset], PeChecksum(file, checksumOffset));
    return file;
}

uint32_t PeChecksum(const std::vector<uint8_t>& file, uint32_t checksumOffset)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2) continue;
        sum += file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + file.size());
}

namespace {

struct TResourceWalk {
    std::vector<uint8_t>& section;
    uint32_t rva, size, delta;
    std::set<uint32_t> moved;

    void Directory(uint32_t offset, int depth)
    {
        if (depth > 3 || offset + 16ull > section.size()) Refuse("its resource directory is damaged");
        const uint32_t count = GetLE16(&section[offset + 12]) + GetLE16(&section[offset + 14]);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = offset + 16ull + 8ull * i;
            if (entry + 8 > section.size()) Refuse("its resource directory is damaged");
            const uint32_t target = GetLE32(&section[entry + 4]);
            if (target & 0x80000000u)
                Directory(target & 0x7FFFFFFFu, depth + 1);
            else
                Data(target);
        }
    }
    void Data(uint32_t offset)
    {
        if (offset + 16ull > section.size()) Refuse("its resource directory is damaged");
        if (!moved.insert(offset).second) return;
        const uint32_t at = GetLE32(&section[offset]), length = GetLE32(&section[offset + 4]);
        if (at < rva || static_cast<uint64_t>(at) + length > static_cast<uint64_t>(rva) + size)
            Refuse("a resource lies outside the resource section");
        PutLE32(&section[offset], at + delta);
    }
};

}  // namespace

void RelocateResources(std::vector<uint8_t>& section, uint32_t rva, uint32_t size, uint32_t delta)
{
    TResourceWalk walk{section, rva, size, delta, {}};
    walk.Directory(0, 0);
}
