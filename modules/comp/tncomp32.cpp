// TNComp32.DLL: the entry points the setup program looks up by name. The
// library is built without C++ exceptions: every failure, running out of
// memory included, is one of the results, so nothing can cross into the
// caller.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "comp_file.h"
#include "comp_stream.h"

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

// A part of zero bytes stands for the whole file.
int32_t Expand(const char* source, const TCompPart& part, const char* target, HWND window, UINT message, bool newOnly)
{
    auto report = [window, message](uint32_t consumed) {
        return SendMessageA(window, message, 0, static_cast<LPARAM>(consumed)) != 0;
    };
    const TCompProgress progress = window ? TCompProgress(report) : TCompProgress();
    TCompHeader header;
    int32_t r = part.size ? ExpandCompFilePart(source, part.offset, part.size, target, progress, &header, newOnly)
                          : ExpandCompFile(source, target, progress, &header, newOnly);
    return r < 0 ? r : CompClampSize(header.expandedSize);
}

constexpr TCompPart kWholeFile{0, 0};

}  // namespace

// Expands source into target. Success: the expanded size (clamped, see
// CompClampSize); the target is complete and has the original's time stamp.
// The expansion is written to a temporary file that takes the target's name
// only when complete, so a failure, a stop or a kill leaves an existing
// target as it was and a new one not there. (When the calling setup has made
// its work folder beside the target, see base/temp_names.h, the temporary
// file lies in it.)
// While it runs, message goes to window (when not null) after each block
// with that block's compressed bytes in LParam; the reports add up to the
// size of the compressed file. The window's answer decides whether to go on:
// 0 goes on, anything else stops the expansion at once (a version 2 file's
// piece under way on the second processor is waited for), and the call
// returns kCompCancelled (-7), the target as it was.
int32_t __stdcall TNDeCompress(const char* source, const char* target, HWND window, UINT message)
{
    return Expand(source, kWholeFile, target, window, message, false);
}

// As TNDeCompress, but only into a new file: when target is there already
// it returns kCompTargetExists (-6) and touches neither file. The expanded
// file takes the name only if it is still free then, so a new file costs one
// look-up of its name, the rename's. A setup that does not know the target
// to be there tries this first.
int32_t __stdcall TNDeCompressNew(const char* source, const char* target, HWND window, UINT message)
{
    return Expand(source, kWholeFile, target, window, message, true);
}

// As TNDeCompress (newOnly 0) or TNDeCompressNew (newOnly not 0) for the
// compressed file of part->size bytes at part->offset in source; nothing
// outside them is read.
int32_t __stdcall TNDeCompressPart(const char* source, const TCompPart* part, const char* target, HWND window,
                                   UINT message, int32_t newOnly)
{
    if (!part || part->size == 0) return kCompCorrupt;
    return Expand(source, *part, target, window, message, newOnly != 0);
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
int32_t __stdcall TNCompress(const char* source, const char* target) { return CompressCompFile(source, target, 9); }

// Starts reading the expanded bytes of the compressed file of part->size
// bytes at part->offset in source: kCompOk and *stream, or why not (*stream
// then null). The expansion runs ahead on a thread of the library's own.
int32_t __stdcall TNOpenStream(const char* source, const TCompPart* part, TCompStreamHandle* stream)
{
    if (!stream) return kCompCannotOpen;
    *stream = nullptr;
    if (!part || part->size == 0) return kCompCorrupt;
    void* memory = std::malloc(sizeof(TCompStreamReader));
    if (!memory) return kCompNoMemory;
    auto* reader = new (memory) TCompStreamReader;
    const int32_t r = reader->Open(source, part->offset, part->size);
    if (r != kCompOk) {
        reader->~TCompStreamReader();
        std::free(memory);
        return r;
    }
    *stream = reader;
    return kCompOk;
}

// The next bytes, up to size (fewer only at the end): their count, 0 at the
// end of a sound stream, or the failure (kCompCorrupt for a damaged or cut
// stream) once the bytes before it are read.
int32_t __stdcall TNReadStream(TCompStreamHandle stream, void* buffer, int32_t size)
{
    if (!stream || !buffer || size < 0) return kCompCannotOpen;
    return static_cast<int32_t>(static_cast<TCompStreamReader*>(stream)->Read(buffer, static_cast<size_t>(size)));
}

// Stops the expansion and lets go of the stream.
void __stdcall TNCloseStream(TCompStreamHandle stream)
{
    if (!stream) return;
    auto* reader = static_cast<TCompStreamReader*>(stream);
    reader->~TCompStreamReader();
    std::free(reader);
}

}  // extern "C"
