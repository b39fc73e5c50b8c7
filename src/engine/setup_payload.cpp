#include "engine/setup_payload.h"

#include <windows.h>

#include <cstring>

#include "base/crc32c.h"
#include "base/pe_image.h"
#include "framework/win32/handles.h"

namespace {

// Reads exactly size bytes at offset; false for a short file or an error.
bool ReadAt(HANDLE file, uint64_t offset, void* buffer, size_t size)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
    auto* p = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        if (!ReadFile(file, p, want, &got, nullptr) || got == 0) return false;
        p += got;
        size -= got;
    }
    return true;
}

// The program's own copy of the payload header; none for a setup folder's.
const uint8_t* ExpectedHeader()
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC r = FindResourceA(self, kPayloadResource, MAKEINTRESOURCEA(10));
    if (!r || SizeofResource(self, r) != kPayloadHeaderSize) return nullptr;
    HGLOBAL g = LoadResource(self, r);
    return g ? static_cast<const uint8_t*>(LockResource(g)) : nullptr;
}

// Every file's bytes against its checksum, in one pass over the data.
bool FilesSound(HANDLE file, uint64_t dataStart, const std::vector<TPayloadEntry>& entries)
{
    constexpr size_t kBlock = 1u << 20;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kBlock]);
    for (const TPayloadEntry& e : entries) {
        uint32_t crc = 0;
        uint64_t at = dataStart + e.offset;
        for (uint64_t left = e.storedSize; left > 0;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(left, kBlock));
            if (!ReadAt(file, at, buffer.get(), n)) return false;
            crc = Crc32c(crc, buffer.get(), n);
            at += n;
            left -= n;
        }
        if (crc != e.crc) return false;
    }
    return true;
}

}  // namespace

TPayloadState TSetupPayload::Open(const String& program, std::unique_ptr<TSetupPayload>& payload)
{
    payload.reset();
    const uint8_t* expected = ExpectedHeader();
    if (!expected) return TPayloadState::none;
    auto p = std::make_unique<TSetupPayload>();
    p->path_ = program;
    const TPayloadState state = p->Read(expected);
    if (state == TPayloadState::sound) payload = std::move(p);
    return state;
}

TPayloadState TSetupPayload::Read(const uint8_t* expectedHeader)
{
    TKernelHandle file(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size)) return TPayloadState::damaged;
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    uint8_t head[kPeHeadBytes] = {};
    const size_t headSize = static_cast<size_t>(std::min<uint64_t>(fileSize, kPeHeadBytes));
    TPeLayout layout;
    if (!ReadAt(file.Get(), 0, head, headSize) || !ReadPeLayout(head, headSize, layout)) return TPayloadState::damaged;
    imageEnd_ = layout.imageEnd;
    if (layout.certificateOffset != 0) certificateEntry_ = layout.certificateEntry;
    // The header behind the image must be the one the program was built with.
    uint8_t header[kPayloadHeaderSize];
    TPayloadHeader h;
    if (imageEnd_ > fileSize || fileSize - imageEnd_ < kPayloadHeaderSize ||
        !ReadAt(file.Get(), imageEnd_, header, kPayloadHeaderSize) ||
        std::memcmp(header, expectedHeader, kPayloadHeaderSize) != 0 ||
        !DecodePayloadHeader(header, kPayloadHeaderSize, h))
        return TPayloadState::damaged;
    const uint64_t directoryStart = imageEnd_ + kPayloadHeaderSize;
    dataStart_ = directoryStart + h.directorySize;
    const uint64_t end = dataStart_ + h.dataSize;  // no wrap: both are bounded
    // A signature, when there is one, lies behind the payload.
    if (end > fileSize || (layout.certificateOffset != 0 && layout.certificateOffset < end))
        return TPayloadState::damaged;
    std::vector<uint8_t> directory(h.directorySize);
    if (!ReadAt(file.Get(), directoryStart, directory.data(), directory.size()) ||
        !DecodePayloadDirectory(h, directory.data(), directory.size(), entries_) ||
        !FilesSound(file.Get(), dataStart_, entries_))
        return TPayloadState::damaged;
    return TPayloadState::sound;
}

const TPayloadEntry* TSetupPayload::Find(const String& name) const
{
    for (const TPayloadEntry& e : entries_)
        if (SameText(e.name, name)) return &e;
    return nullptr;
}

TFilePart TSetupPayload::PartOf(const TPayloadEntry& entry) const
{
    TFilePart part;
    part.offset = dataStart_ + entry.offset;
    part.size = entry.storedSize;
    part.fileTime = entry.fileTime;
    return part;
}

bool TSetupPayload::DropSignature(const String& copy) const
{
    if (!certificateEntry_) return true;
    TKernelHandle file(CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = certificateEntry_;
    const uint8_t none[8] = {};
    DWORD put = 0;
    return file && SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) &&
           WriteFile(file.Get(), none, sizeof none, &put, nullptr) && put == sizeof none && file.Close();
}
