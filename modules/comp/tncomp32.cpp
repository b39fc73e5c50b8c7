// TNComp32.DLL: the entry points the setup program looks up by name. The
// library is built without C++ exceptions: every failure, running out of
// memory included, is one of the results, so nothing can cross into the
// caller.
#include <windows.h>

#include <cstdint>

#include "comp_file.h"

namespace {

// Windows file times are UTC; the caller shows and compares local times.
double LocalDateTime(uint64_t fileTime)
{
    FILETIME utc, local;
    utc.dwLowDateTime = static_cast<DWORD>(fileTime);
    utc.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
    return CompFileTimeToDateTime((static_cast<uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime);
}

}  // namespace

extern "C" {

namespace {

int32_t Expand(const char* source, const char* target, HWND window, UINT message, bool newOnly)
{
    auto report = [window, message](uint32_t consumed) {
        SendMessageA(window, message, 0, static_cast<LPARAM>(consumed));
    };
    TCompHeader header;
    int32_t r = ExpandCompFile(source, target, window ? TCompProgress(report) : TCompProgress(), &header, newOnly);
    return r < 0 ? r : CompClampSize(header.expandedSize);
}

}  // namespace

// Expands source into target. Success: the expanded size (clamped, see
// CompClampSize). While it runs, message goes to window (when not null)
// after each block with that block's compressed bytes in LParam; the
// reports add up to the size of the compressed file.
int32_t __stdcall TNDeCompress(const char* source, const char* target, HWND window, UINT message)
{
    return Expand(source, target, window, message, false);
}

// As TNDeCompress, but only into a new file: when target is there already
// it returns kCompTargetExists (-6) and touches neither file. A setup tries
// this first, so a new file costs one look-up of its name, not two.
int32_t __stdcall TNDeCompressNew(const char* source, const char* target, HWND window, UINT message)
{
    return Expand(source, target, window, message, true);
}

// -1 when path is not a sound compressed file of ours; otherwise its expanded size.
int32_t __stdcall TNIsCompressed(const char* path)
{
    TCompHeader header;
    if (ReadCompFileHeader(path, header) != kCompOk) return -1;
    return CompClampSize(header.expandedSize);
}

// The original's last-write time in local time as a date-time; 0 when unknown.
double __stdcall TNCompressedFileTimeStamp(const char* path)
{
    TCompHeader header;
    if (ReadCompFileHeader(path, header) != kCompOk || header.fileTime == 0) return 0;
    return LocalDateTime(header.fileTime);
}

// Compresses source into target at the best ratio; 0 or a negative result.
int32_t __stdcall TNCompress(const char* source, const char* target)
{
    return CompressCompFile(source, target, 9);
}

}  // extern "C"
