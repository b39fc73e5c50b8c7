#include "solid_writer.h"

#include <windows.h>

#include <algorithm>
#include <map>

#include "base/crc32c.h"
#include "base/exceptions.h"
#include "comp_file.h"
#include "engine/payload_format.h"
#include "file_bytes.h"
#include "framework/win32/handles.h"
#include "script/nimbo_data.h"

namespace {

// The members' bytes back to back, each checked against the size it was
// scanned with and summed up for the directory as it goes by.
class TMemberSource : public TCompSource {
public:
    explicit TMemberSource(const std::vector<TSolidMember>& members) : members_(members) {}
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
    uint32_t Crc(size_t k) const { return crcs_[k]; }
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
        if (in_ && ReadFile(in_.Get(), &extra, 1, &got, nullptr) && got != 0)
            error_ = Format("%s: changed while the setup was built", members_[k_].path);
        in_.Close();
        ++k_;
        done_ = 0;
    }

    const std::vector<TSolidMember>& members_;
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
    std::map<String, String> dirOf;  // upper-cased name to the target directory
    for (const TNimboDir* d : script.Dirs())
        for (const TNimboFile* f : d->Files()) dirOf[AnsiUpperCase(f->Name())] = d->GetPath();
    std::vector<std::pair<String, TSolidMember>> keyed;
    for (TSolidMember& m : members) keyed.emplace_back("1::" + m.name + "::" + dirOf[AnsiUpperCase(m.name)], m);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
    for (size_t i = 0; i < members.size(); ++i) members[i] = std::move(keyed[i].second);
}

void WriteSolidArchive(const std::vector<TSolidMember>& members, const String& target, TCompMethod method)
{
    std::vector<TPayloadEntry> entries = EntriesOf(members);
    TPayloadHeader head;
    std::vector<uint8_t> directory = EncodePayloadDirectory(entries, head);
    // The archive's header, directory and stream header go in front once
    // the stream's size and the members' checksums are known; the stream
    // header's size field is as long as the largest stream could need.
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
    if (!out.Create(target.c_str()) || !out.Write(std::vector<uint8_t>(front + rawSize).data(), front + rawSize))
        WriteFailed(target, kCompCannotWrite);
    TMemberSource source(members);
    // LZMA as one stream, its dictionary reaching back over the members before.
    const int32_t r = method == kCompMethodLzma
                          ? CompressCompOneStream(source, head.dataSize, out, 9, FiltersOf(members, method), stream)
                          : CompressCompBody(source, head.dataSize, out, 9, stream, method);
    if (!source.Error().empty()) throw ENimboError(source.Error());
    if (r != kCompOk) WriteFailed(target, r);
    for (size_t k = 0; k < entries.size(); ++k) entries[k].crc = source.Crc(k);
    directory = EncodePayloadDirectory(entries, head);
    uint8_t header[kPayloadHeaderSize];
    EncodePayloadHeader(head, header, TPayloadKind::solid);
    if (EncodeCompHeader(stream, raw, streamSizeBytes) != rawSize || !out.WriteAt(0, header, sizeof header) ||
        !out.WriteAt(kPayloadHeaderSize, directory.data(), directory.size()) || !out.WriteAt(front, raw, rawSize) ||
        !out.Commit(0))
        WriteFailed(target, kCompCannotWrite);
}
