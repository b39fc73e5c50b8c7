#include "solid_writer.h"

#include <windows.h>

#include <algorithm>
#include <map>

#include "base/crc32c.h"
#include "base/exceptions.h"
#include "comp_file.h"
#include "engine/path_routines.h"
#include "engine/payload_format.h"
#include "file_bytes.h"
#include "form_pack.h"
#include "framework/win32/handles.h"
#include "script/nimbo_data.h"

namespace {

// The members' bytes back to back, each checked against the size it was
// scanned with and summed up for the directory as it goes by.
class TMemberSource : public TCompSource {
public:
    // The members' checksums were taken before: a member whose bytes sum
    // up differently now has changed since.
    TMemberSource(const std::vector<TSolidMember>& members, const std::vector<TPayloadEntry>& entries)
        : members_(members), entries_(entries)
    {
    }
    int64_t Read(void* buffer, size_t size) override
    {
        while (k_ < members_.size() && done_ == members_[k_].size) Next();
        if (k_ == members_.size() || !error_.empty()) return 0;
        if (!in_ && !Open()) return -1;
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(size, members_[k_].size - done_));
        DWORD got = 0;
        if (!ReadFile(in_.Get(), buffer, want, &got, nullptr) || got != want) {
            error_ = Format("%s: changed while the setup was built", members_[k_].path);
            return -1;
        }
        crcs_[k_] = Crc32c(crcs_[k_], buffer, got);
        done_ += got;
        return got;
    }
    const String& Error() const { return error_; }

private:
    bool Open()
    {
        in_.Reset(CreateFileA(members_[k_].path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!in_) error_ = Format("%s: cannot read (error %d)", members_[k_].path, static_cast<int>(GetLastError()));
        return static_cast<bool>(in_);
    }
    void Next()
    {
        // Nothing may follow the bytes it was scanned with.
        char extra;
        DWORD got = 0;
        if ((in_ && ReadFile(in_.Get(), &extra, 1, &got, nullptr) && got != 0) || crcs_[k_] != entries_[k_].crc)
            error_ = Format("%s: changed while the setup was built", members_[k_].path);
        in_.Close();
        ++k_;
        done_ = 0;
    }

    const std::vector<TSolidMember>& members_;
    const std::vector<TPayloadEntry>& entries_;
    std::vector<uint32_t> crcs_ = std::vector<uint32_t>(members_.size(), 0);
    size_t k_ = 0;
    uint64_t done_ = 0;
    TKernelHandle in_;
    String error_;
};

std::vector<TPayloadEntry> EntriesOf(const std::vector<TSolidMember>& members)
{
    std::vector<TPayloadEntry> entries;
    for (const TSolidMember& m : members) {
        TPayloadEntry e;
        e.name = m.name;
        e.size = e.storedSize = m.size;
        e.fileTime = FileWriteTime(m.path);
        e.crc = ChecksumOf(m.path, m.size);
        entries.push_back(std::move(e));
    }
    return entries;
}

// The branch filter serves the whole stream when any member is a program
// for x86: it turns the calls of code into repeats and leaves text and
// data nearly as they were (measured on the bench's payload, 1% smaller).
uint8_t FiltersOf(const std::vector<TSolidMember>& members, TCompMethod method)
{
    uint8_t filters = 0;
    std::vector<uint8_t> head(4096);
    for (const TSolidMember& m : members) {
        TKernelHandle in(
            CreateFileA(m.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD got = 0;
        if (in && ReadFile(in.Get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr))
            filters |= CompFilters(method, head.data(), got);
    }
    return filters;
}

[[noreturn]] void WriteFailed(const String& target, int32_t result)
{
    throw ENimboError(Format("%s: cannot write the solid archive (result %d)", target, static_cast<int>(result)));
}

}  // namespace

void SortInCopyOrder(std::vector<TSolidMember>& members, const TNimboData& script)
{
    std::map<String, String> dirOf;  // upper-cased place in the setup folder to the target directory
    for (const TNimboDir* d : script.Dirs())
        for (const TNimboFile* f : d->Files())
            dirOf[AnsiUpperCase(SetupSubFolder(f->Source()) + f->Name())] = d->GetPath();
    std::vector<std::pair<String, TSolidMember>> keyed;
    for (TSolidMember& m : members)
        keyed.emplace_back("1::" + ExtractFileName(m.name) + "::" + dirOf[AnsiUpperCase(m.name)], m);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
    for (size_t i = 0; i < members.size(); ++i) members[i] = std::move(keyed[i].second);
}

void WriteSolidArchive(const std::vector<TSolidMember>& members, const String& target, TCompMethod method)
{
    // The members' checksums first, so the directory, packed, goes in
    // front at once; the stream header follows it once the stream's size
    // is known, its size field as long as the largest stream could need.
    std::vector<TPayloadEntry> entries = EntriesOf(members);
    TPayloadHeader head;
    const std::vector<uint8_t> directory = EncodePayloadDirectory(entries, head, DeflateRaw);
    uint8_t header[kPayloadHeaderSize];
    EncodePayloadHeader(head, header, TPayloadKind::solid);
    TCompHeader stream;
    stream.version = method == kCompMethodLzma ? kCompVersionOneStream : kCompVersionDeflate;
    stream.method = method;
    stream.expandedSize = head.dataSize;
    stream.streamSize = CompStreamBound(head.dataSize, method);
    uint8_t raw[kCompMaxHeaderSize] = {};
    const size_t streamSizeBytes = CompVarintSize(stream.streamSize);
    const size_t rawSize = EncodeCompHeader(stream, raw);
    const uint64_t front = kPayloadHeaderSize + directory.size();
    TCompOutFile out;
    if (!out.Create(target.c_str()) || !out.Write(header, sizeof header) ||
        !out.Write(directory.data(), directory.size()) || !out.Write(raw, rawSize))
        WriteFailed(target, kCompCannotWrite);
    TMemberSource source(members, entries);
    // LZMA as one stream, its dictionary reaching back over the members before.
    const int32_t r = method == kCompMethodLzma
                          ? CompressCompOneStream(source, head.dataSize, out, 9, FiltersOf(members, method), stream)
                          : CompressCompBody(source, head.dataSize, out, 9, stream, method);
    if (!source.Error().empty()) throw ENimboError(source.Error());
    if (r != kCompOk) WriteFailed(target, r);
    if (EncodeCompHeader(stream, raw, streamSizeBytes) != rawSize || !out.WriteAt(front, raw, rawSize) ||
        !out.Commit(0))
        WriteFailed(target, kCompCannotWrite);
}
