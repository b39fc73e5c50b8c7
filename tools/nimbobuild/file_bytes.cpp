#include "file_bytes.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/crc32c.h"
#include "base/exceptions.h"
#include "framework/win32/handles.h"

namespace {

bool Attributes(const String& path, WIN32_FILE_ATTRIBUTE_DATA& a)
{
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a) != 0;
}

}  // namespace

int64_t FileBytes(const String& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!Attributes(path, a)) return -1;
    return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

uint64_t FileWriteTime(const String& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!Attributes(path, a)) return 0;
    return (static_cast<uint64_t>(a.ftLastWriteTime.dwHighDateTime) << 32) | a.ftLastWriteTime.dwLowDateTime;
}

std::vector<uint8_t> ReadWholeFile(const String& path)
{
    constexpr LONGLONG kLargest = 64 << 20;
    TKernelHandle in(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!in || !GetFileSizeEx(in.Get(), &size) || size.QuadPart > kLargest)
        throw ENimboError(Format("%s: cannot read (error %d)", path, static_cast<int>(GetLastError())));
    std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!data.empty() &&
        (!ReadFile(in.Get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr) || got != data.size()))
        throw ENimboError(Format("%s: cannot read (error %d)", path, static_cast<int>(GetLastError())));
    return data;
}

void FileFailed(const String& what, const String& path)
{
    throw ENimboError(Format("%s: %s (error %d)", path, what, static_cast<int>(GetLastError())));
}

TKernelHandle OpenRead(const String& path)
{
    TKernelHandle in(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, 0));
    if (!in) FileFailed("cannot read", path);
    return in;
}

uint32_t ReadPiece(HANDLE in, const String& path, uint8_t* buffer, uint64_t left)
{
    const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, kFileBlock));
    DWORD got = 0;
    if (!ReadFile(in, buffer, want, &got, nullptr)) FileFailed("cannot read", path);
    if (got != want) throw ENimboError(Format("%s: changed while the setup was built", path));
    return got;
}

uint32_t ChecksumOf(const String& path, uint64_t size)
{
    TKernelHandle in = OpenRead(path);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[kFileBlock]);
    uint32_t crc = 0;
    for (uint64_t left = size; left > 0;) {
        const uint32_t got = ReadPiece(in.Get(), path, buffer.get(), left);
        crc = Crc32c(crc, buffer.get(), got);
        left -= got;
    }
    return crc;
}
