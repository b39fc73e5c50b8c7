#include "engine/setup_payload.h"

#include <windows.h>

#include <cstring>

#include "base/crc32c.h"
#include "base/pe_image.h"
#include "framework/win32/handles.h"

namespace {

// The program's own copy of the payload header; none for a setup folder's.
const uint8_t* ExpectedHeader()
{
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC r = FindResourceA(self, kPayloadResource, MAKEINTRESOURCEA(10));
    if (!r || SizeofResource(self, r) != kPayloadHeaderSize) return nullptr;
    HGLOBAL g = LoadResource(self, r);
    return g ? static_cast<const uint8_t*>(LockResource(g)) : nullptr;
}

// Checks the files' checksums as their bytes go by: they lie back to back.
class TChecksums {
public:
    explicit TChecksums(const std::vector<TPayloadEntry>& entries) : entries_(entries) { NextFile(); }
    bool Take(const uint8_t* p, size_t n)
    {
        while (n > 0) {
            if (k_ == entries_.size()) return false;
            const size_t take = static_cast<size_t>(std::min<uint64_t>(n, entries_[k_].storedSize - done_));
            crc_ = Crc32c(crc_, p, take);
            p += take;
            n -= take;
            done_ += take;
            if (done_ == entries_[k_].storedSize && !NextFile()) return false;
        }
        return true;
    }
    bool AllSound() const { return sound_ && k_ == entries_.size(); }

private:
    // Closes the file that is complete (and every empty one after it).
    bool NextFile()
    {
        for (;;) {
            if (k_ < entries_.size() && done_ == entries_[k_].storedSize) {
                sound_ = sound_ && crc_ == entries_[k_].crc;
                ++k_;
                crc_ = 0;
                done_ = 0;
                continue;
            }
            return sound_;
        }
    }

    const std::vector<TPayloadEntry>& entries_;
    size_t k_ = 0;
    uint64_t done_ = 0;
    uint32_t crc_ = 0;
    bool sound_ = true;
};

// Every file's bytes against its checksum, in one pass of large reads.
bool FilesSound(HANDLE file, uint64_t dataStart, uint64_t dataSize, const std::vector<TPayloadEntry>& entries)
{
    constexpr size_t kBlock = 1u << 20;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kBlock]);
    TChecksums checksums(entries);
    for (uint64_t at = 0; at < dataSize;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(dataSize - at, kBlock));
        if (!ReadFileAt(file, dataStart + at, buffer.get(), n) || !checksums.Take(buffer.get(), n)) return false;
        at += n;
    }
    return checksums.AllSound();
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
    if (!ReadFileAt(file.Get(), 0, head, headSize) || !ReadPeLayout(head, headSize, layout))
        return TPayloadState::damaged;
    imageEnd_ = layout.imageEnd;
    if (layout.certificateOffset != 0) certificateEntry_ = layout.certificateEntry;
    // The header behind the image must be the one the program was built with.
    uint8_t header[kPayloadHeaderSize];
    TPayloadHeader h;
    if (imageEnd_ > fileSize || fileSize - imageEnd_ < kPayloadHeaderSize ||
        !ReadFileAt(file.Get(), imageEnd_, header, kPayloadHeaderSize) ||
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
    if (!ReadFileAt(file.Get(), directoryStart, directory.data(), directory.size()) ||
        !DecodePayloadDirectory(h, directory.data(), directory.size(), entries_) ||
        !FilesSound(file.Get(), dataStart_, h.dataSize, entries_))
        return TPayloadState::damaged;
    for (size_t i = 0; i < entries_.size(); ++i) {
        // The solid archive is no file of the script's, whatever its name.
        if (entries_[i].solid)
            solid_ = &entries_[i];
        else
            index_.emplace(AnsiUpperCase(entries_[i].name), i);
    }
    return TPayloadState::sound;
}

const TPayloadEntry* TSetupPayload::Find(const String& name) const
{
    const auto it = index_.find(AnsiUpperCase(name));
    return it == index_.end() ? nullptr : &entries_[it->second];
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
