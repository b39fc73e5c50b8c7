#include "engine/solid_archive.h"

#include <windows.h>

#include <algorithm>

#include "base/crc32c.h"
#include "framework/win32/handles.h"

TSolidState TSolidArchive::Open(const String& path, const TFilePart& part, std::unique_ptr<TSolidArchive>& archive)
{
    archive.reset();
    TKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? TSolidState::none : TSolidState::damaged;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) return TSolidState::damaged;
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    const uint64_t partSize = part.size == TFilePart::kWholeFile ? fileSize : part.size;
    uint8_t header[kPayloadHeaderSize];
    TPayloadHeader h;
    if (part.offset > fileSize || partSize > fileSize - part.offset || partSize < kPayloadHeaderSize ||
        !ReadFileAt(file.Get(), part.offset, header, sizeof header) ||
        !DecodePayloadHeader(header, sizeof header, h, TPayloadKind::solid) ||
        h.directorySize > partSize - kPayloadHeaderSize)
        return TSolidState::damaged;
    std::vector<uint8_t> directory(h.directorySize);
    auto a = std::make_unique<TSolidArchive>();
    if (!ReadFileAt(file.Get(), part.offset + kPayloadHeaderSize, directory.data(), directory.size()) ||
        !DecodePayloadDirectory(h, directory.data(), directory.size(), a->members_, TPayloadKind::solid))
        return TSolidState::damaged;
    a->path_ = path;
    // The compressed stream takes the rest of the part.
    a->streamOffset_ = part.offset + kPayloadHeaderSize + h.directorySize;
    a->streamSize_ = partSize - kPayloadHeaderSize - h.directorySize;
    for (size_t i = 0; i < a->members_.size(); ++i) a->index_.emplace(AnsiUpperCase(a->members_[i].name), i);
    archive = std::move(a);
    return TSolidState::sound;
}

const TPayloadEntry* TSolidArchive::Find(const String& name) const
{
    const auto it = index_.find(AnsiUpperCase(name));
    return it == index_.end() ? nullptr : &members_[it->second];
}

bool TSolidArchive::Read(const TPayloadEntry& member, const TCompStreamEntries& library, std::vector<uint8_t>& bytes)
{
    if (failed_) return false;
    if (member.offset < position_) Close();
    failed_ = true;  // until the member is there whole
    if (!stream_ && !Start(library)) return false;
    // What lies before the member (files this run leaves out) goes by unwritten.
    uint8_t skipped[64 * 1024];
    while (position_ < member.offset)
        if (!Take(skipped, std::min<uint64_t>(member.offset - position_, sizeof skipped))) return false;
    bytes.resize(static_cast<size_t>(member.size));
    if (!Take(bytes.data(), member.size) || Crc32c(0, bytes.data(), bytes.size()) != member.crc) return false;
    failed_ = false;
    return true;
}

bool TSolidArchive::Start(const TCompStreamEntries& library)
{
    if (!library.open || !library.read || !library.close) return false;
    library_ = library;
    const TCompPart part{streamOffset_, streamSize_};
    TCompStreamHandle stream = nullptr;
    if (library.open(path_.c_str(), &part, &stream) != kCompOk || !stream) return false;
    stream_ = stream;
    position_ = 0;
    return true;
}

bool TSolidArchive::Take(void* buffer, uint64_t size)
{
    auto* p = static_cast<uint8_t*>(buffer);
    while (size > 0) {
        const int32_t want = static_cast<int32_t>(std::min<uint64_t>(size, 1u << 30));
        const int32_t n = library_.read(stream_, p, want);
        if (n <= 0) return false;  // cut short, damaged, or the library failed
        p += n;
        size -= static_cast<uint64_t>(n);
        position_ += static_cast<uint64_t>(n);
    }
    return true;
}

void TSolidArchive::Restart()
{
    Close();
    failed_ = false;
}

void TSolidArchive::Close()
{
    if (stream_) library_.close(stream_);
    stream_ = nullptr;
    position_ = 0;
}
