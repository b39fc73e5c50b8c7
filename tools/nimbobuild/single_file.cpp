#include "single_file.h"

#include <windows.h>

#include <memory>

#include "base/crc32c.h"
#include "base/exceptions.h"
#include "base/pe_image.h"
#include "base/setup_files.h"
#include "comp_file.h"
#include "file_bytes.h"
#include "form_pack.h"
#include "framework/win32/handles.h"
#include "program_resources.h"

namespace {

void Write(HANDLE out, const String& path, const void* data, DWORD size)
{
    DWORD put = 0;
    if (!WriteFile(out, data, size, &put, nullptr) || put != size) FileFailed("cannot write", path);
}

}  // namespace

TSingleFile::TSingleFile(const String& path, const String& templates)
    : path_(path), templates_(templates), work_(path + "~parts")
{
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        throw ENimboError(Format("%s: exists already; the builder makes a new setup file", path));
    if (!CreateDirectoryA(work_.c_str(), nullptr)) FileFailed("cannot make the work folder", work_);
}

TSingleFile::~TSingleFile()
{
    for (const TShipped& f : files_)
        if (f.Made()) DeleteFileA(f.from.c_str());
    RemoveDirectoryA(work_.c_str());
    if (written_ && !keep_) DeleteFileA(path_.c_str());
}

void TSingleFile::AddProgram(bool compressed) { compressed_ = compressed; }

void TSingleFile::CopyIn(const String& source, const String& name)
{
    TShipped f;
    f.from = source;
    f.entry.name = name;
    const int64_t size = FileBytes(source);
    if (size < 0) FileFailed("cannot read", source);
    f.entry.size = f.entry.storedSize = static_cast<uint64_t>(size);
    f.entry.fileTime = FileWriteTime(source);
    files_.push_back(std::move(f));
}

bool TSingleFile::CompressIn(const String& source, const String& name, int32_t size, int32_t& shippedSize,
                             TCompMethod method)
{
    CopyIn(source, name);
    TShipped& f = files_.back();
    const String packed = work_ + "\\" + IntToStr(static_cast<long long>(files_.size()));
    const int32_t r = CompressCompFile(source.c_str(), packed.c_str(), 9, method);
    if (r != kCompOk) throw ENimboError(Format("%s: cannot compress (result %d)", source, r));
    const int64_t packedSize = FileBytes(packed);
    // Data that does not shrink ships plain: smaller, and copied faster.
    if (packedSize < 0 || packedSize >= size) {
        DeleteFileA(packed.c_str());
        shippedSize = size;
        return false;
    }
    f.from = packed;
    f.entry.compressed = true;
    f.entry.storedSize = static_cast<uint64_t>(packedSize);
    shippedSize = static_cast<int32_t>(packedSize);
    return true;
}

void TSingleFile::AddSolid(const std::vector<TSolidMember>& members, TCompMethod method)
{
    TShipped f;
    f.from = work_ + "\\" + kSolidArchiveName;
    f.entry.name = kSolidArchiveName;
    f.entry.solid = true;
    files_.push_back(f);
    WriteSolidArchive(members, f.from, method);
    const int64_t size = FileBytes(f.from);
    if (size < 0) FileFailed("cannot read", f.from);
    files_.back().entry.size = files_.back().entry.storedSize = static_cast<uint64_t>(size);
}

void TSingleFile::SetForm(const std::vector<uint8_t>& form, bool pack, const std::vector<uint8_t>& version)
{
    std::vector<TPayloadEntry> entries;
    for (TShipped& f : files_) {
        f.entry.crc = ChecksumOf(f.from, f.entry.storedSize);
        entries.push_back(f.entry);
    }
    TPayloadHeader h;
    const std::vector<uint8_t> directory = EncodePayloadDirectory(entries, h, DeflateRaw);
    std::vector<uint8_t> header(kPayloadHeaderSize);
    EncodePayloadHeader(h, header.data());
    if (!CopyFileA((templates_ + "\\" + kSetupProgramName).c_str(), path_.c_str(), TRUE))
        FileFailed("cannot write", path_);
    written_ = true;
    WriteResources(form, pack, header, version);
    AppendPayload(header, directory);
}

void TSingleFile::WriteResources(const std::vector<uint8_t>& form, bool pack, const std::vector<uint8_t>& header,
                                 const std::vector<uint8_t>& version)
{
    TProgramResources resources(path_);
    resources.SetForm(form, pack);
    resources.SetVersion(version);
    resources.AddStringTables(templates_ + "\\" + kLanguageLibraryName);
    bool packed = false;
    for (const TShipped& f : files_) packed = packed || f.Made();
    if (compressed_ && packed)
        resources.AddData(kCompLibraryResource, ReadWholeFile(templates_ + "\\" + kCompLibraryName));
    resources.AddData(kPayloadResource, header);
    resources.Commit();
}

void TSingleFile::AppendPayload(const std::vector<uint8_t>& header, const std::vector<uint8_t>& directory)
{
    TKernelHandle out(CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, 0));
    if (!out) FileFailed("cannot write", path_);
    // The payload starts where the image ends; the program finds it there.
    uint8_t head[kPeHeadBytes] = {};
    DWORD got = 0;
    TPeLayout layout;
    LARGE_INTEGER size{};
    if (!ReadFile(out.Get(), head, sizeof head, &got, nullptr) || !ReadPeLayout(head, got, layout) ||
        !GetFileSizeEx(out.Get(), &size) || layout.imageEnd != static_cast<uint64_t>(size.QuadPart))
        throw ENimboError(Format("%s: the program has data behind its image", path_));
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(out.Get(), end, nullptr, FILE_END)) FileFailed("cannot write", path_);
    Write(out.Get(), path_, header.data(), static_cast<DWORD>(header.size()));
    Write(out.Get(), path_, directory.data(), static_cast<DWORD>(directory.size()));
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kFileBlock]);
    for (const TShipped& f : files_) {
        TKernelHandle in = OpenRead(f.from);
        uint32_t crc = 0;
        for (uint64_t left = f.entry.storedSize; left > 0;) {
            const DWORD n = ReadPiece(in.Get(), f.from, buffer.get(), left);
            crc = Crc32c(crc, buffer.get(), n);
            Write(out.Get(), path_, buffer.get(), n);
            left -= n;
        }
        // The directory's checksum was taken before.
        if (crc != f.entry.crc) throw ENimboError(Format("%s: changed while the setup was built", f.from));
    }
    if (!out.Close()) FileFailed("cannot write", path_);
}

int64_t TSingleFile::Size() const { return FileBytes(path_); }
