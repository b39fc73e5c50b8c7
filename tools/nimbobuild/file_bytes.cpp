#include "file_bytes.h"

#include <windows.h>

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
