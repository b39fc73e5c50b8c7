// TNComp32.DLL as its callers see it: the results its entry points return,
// the names they are looked up by and their types. The library, the setup
// program and the tools share this one definition.
#pragma once

#include <cstdint>

// Results of the library's calls; the entry points return them as they are.
constexpr int32_t kCompOk = 0;
constexpr int32_t kCompCannotOpen = -1;    // source missing, unreadable, or a read failed
constexpr int32_t kCompForeign = -2;       // not a compressed file of ours
constexpr int32_t kCompCorrupt = -3;       // damaged or truncated; size or CRC mismatch
constexpr int32_t kCompCannotWrite = -4;   // the target or its temporary file cannot be written
constexpr int32_t kCompNoMemory = -5;      // zlib or the library ran out of memory
constexpr int32_t kCompTargetExists = -6;  // a new target was asked for, and a file of that name is there
constexpr int32_t kCompCancelled = -7;     // a progress report was answered with "stop"

#ifdef _WIN32
#include <windows.h>

// The entry points by name (the library exports them undecorated) and type.
constexpr const char* kCompDeCompressEntry = "TNDeCompress";
constexpr const char* kCompDeCompressNewEntry = "TNDeCompressNew";
constexpr const char* kCompIsCompressedEntry = "TNIsCompressed";
constexpr const char* kCompTimeStampEntry = "TNCompressedFileTimeStamp";
constexpr const char* kCompCompressEntry = "TNCompress";
constexpr const char* kCompDeCompressPartEntry = "TNDeCompressPart";
using TCompDeCompressEntry = int32_t(__stdcall*)(const char* source, const char* target, HWND window, UINT message);
using TCompIsCompressedEntry = int32_t(__stdcall*)(const char* file);
// A compressed file that lies inside another (a single-file setup's payload).
struct TCompPart {
    uint64_t offset;
    uint64_t size;
};
using TCompDeCompressPartEntry = int32_t(__stdcall*)(const char* source, const TCompPart* part, const char* target,
                                                     HWND window, UINT message, int32_t newOnly);
using TCompTimeStampEntry = double(__stdcall*)(const char* file);
// The expanded bytes of a compressed file's part, read in order while the
// library expands ahead on a thread of its own (a solid archive's stream).
constexpr const char* kCompOpenStreamEntry = "TNOpenStream";
constexpr const char* kCompReadStreamEntry = "TNReadStream";
constexpr const char* kCompCloseStreamEntry = "TNCloseStream";
using TCompStreamHandle = void*;
using TCompOpenStreamEntry = int32_t(__stdcall*)(const char* source, const TCompPart* part, TCompStreamHandle* stream);
using TCompReadStreamEntry = int32_t(__stdcall*)(TCompStreamHandle stream, void* buffer, int32_t size);
using TCompCloseStreamEntry = void(__stdcall*)(TCompStreamHandle stream);
#endif
