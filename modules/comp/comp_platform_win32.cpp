// File operations of TNComp32.DLL, through the ANSI Win32 API.
#include <windows.h>

#include "base/rename_open_file.h"
#include "base/temp_names.h"
#include "comp_file.h"
#include "comp_thread.h"

namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool NameTaken(DWORD error) { return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS; }

uint64_t FromFileTime(const FILETIME& ft)
{
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// Length of the directory part of a path, its separator included (0 for a bare name).
size_t DirectoryLength(const char* path)
{
    size_t length = 0;
    for (size_t i = 0; path[i]; ++i)
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') length = i + 1;
    return length;
}

}  // namespace

bool TCompInFile::Open(const char* path)
{
    Close();
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

int64_t TCompInFile::Read(void* buffer, size_t size)
{
    DWORD n = 0;
    DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(H(handle_), buffer, want, &n, nullptr)) return -1;
    return n;
}

bool TCompInFile::Seek(uint64_t offset)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return handle_ != -1 && SetFilePointerEx(H(handle_), at, nullptr, FILE_BEGIN);
}

int64_t TCompInFile::Size()
{
    LARGE_INTEGER size;
    if (handle_ == -1 || !GetFileSizeEx(H(handle_), &size)) return -1;
    return size.QuadPart;
}

uint64_t TCompInFile::LastWriteTime()
{
    FILETIME write;
    if (handle_ == -1 || !GetFileTime(H(handle_), nullptr, nullptr, &write)) return 0;
    return FromFileTime(write);
}

void TCompInFile::Close()
{
    if (handle_ != -1) CloseHandle(H(handle_));
    handle_ = -1;
}

TCompOutFile::~TCompOutFile()
{
    Close();
    if (!committed_ && !path_.empty()) DeleteFileA(path_.c_str());
}

void TCompOutFile::Close()
{
    if (handle_ != -1) CloseHandle(H(handle_));
    handle_ = -1;
}

bool TCompOutFile::Create(const char* target)
{
    if (!target_.Assign(target)) return false;
    const size_t dir = DirectoryLength(target);
    char work[kSetupTempNameSize + 1];
    SetupWorkFolderNameInto(work, GetCurrentProcessId());
    static uint32_t counter = 0;
    // Named so that the next setup run recognises the file as its own
    // leftover if this process is killed before the file is gone.
    for (bool inWork : {true, false}) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            char name[kSetupTempNameSize + 1];
            SetupTempNameInto(name, GetCurrentProcessId(), SetupTempNumber(GetTickCount() + ++counter));
            if (!path_.Assign(target, dir) ||
                (inWork && (!path_.Append(work, kSetupTempNameSize) || !path_.Append("\\", 1))) ||
                !path_.Append(name, kSetupTempNameSize))
                break;
            HANDLE h = CreateFileA(path_.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                   nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                handle_ = reinterpret_cast<intptr_t>(h);
                return true;
            }
            // No work folder (or none usable): beside the target.
            if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
        }
    }
    // No file of ours is there to delete later.
    path_.Assign("", 0);
    return false;
}

bool TCompOutFile::Write(const void* data, size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD n = 0;
        if (!WriteFile(H(handle_), p, want, &n, nullptr) || n == 0) return false;
        p += n;
        size -= n;
    }
    return true;
}

bool TCompOutFile::WriteAt(uint64_t offset, const void* data, size_t size)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(H(handle_), at, nullptr, FILE_BEGIN)) return false;
    bool ok = Write(data, size);
    LARGE_INTEGER zero{};
    return SetFilePointerEx(H(handle_), zero, nullptr, FILE_END) && ok;
}

bool TCompOutFile::Commit(uint64_t fileTime, bool newOnly)
{
    if (handle_ == -1) return false;
    if (fileTime != 0) {
        FILETIME ft;
        ft.dwLowDateTime = static_cast<DWORD>(fileTime);
        ft.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
        if (!SetFileTime(H(handle_), nullptr, nullptr, &ft)) return false;
    }
    HANDLE h = H(handle_);
    handle_ = -1;
    // A new target first: the rename alone finds out whether the name is
    // free, so a new file costs no look-up of its own.
    if (RenameOpenFile(h, target_.c_str(), false)) {
        committed_ = true;
        if (CloseHandle(h)) return true;
        // A write refused when the file is closed: the new file goes again.
        DeleteFileA(target_.c_str());
        return false;
    }
    const DWORD error = GetLastError();
    if (!CloseHandle(h)) return false;
    if (!NameTaken(error)) {
        if (MoveFileExA(path_.c_str(), target_.c_str(), 0)) return committed_ = true;
        if (!NameTaken(GetLastError())) return false;
    }
    targetExisted_ = true;
    if (newOnly) return false;
    // Windows refuses to replace a read-only file, but Wine's MoveFileEx
    // does it anyway; a read-only target must stay as it is on both.
    DWORD attributes = GetFileAttributesA(target_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    if (!MoveFileExA(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    committed_ = true;
    return true;
}

bool CompPathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

namespace {

// Plain data, zeroed when it is allocated.
struct THelper {
    HANDLE thread;
    HANDLE go;
    HANDLE done;
    void (*job)(void*);
    void* argument;
    volatile LONG quit;
};

DWORD WINAPI HelperMain(void* p)
{
    auto* h = static_cast<THelper*>(p);
    for (;;) {
        WaitForSingleObject(h->go, INFINITE);
        if (h->quit) return 0;
        h->job(h->argument);
        SetEvent(h->done);
    }
}

void Release(THelper* h)
{
    if (h->thread) {
        InterlockedExchange(&h->quit, 1);
        SetEvent(h->go);
        WaitForSingleObject(h->thread, INFINITE);
        CloseHandle(h->thread);
    }
    if (h->go) CloseHandle(h->go);
    if (h->done) CloseHandle(h->done);
    HeapFree(GetProcessHeap(), 0, h);
}

}  // namespace

TCompHelperThread::~TCompHelperThread()
{
    if (impl_) Release(static_cast<THelper*>(impl_));
}

bool TCompHelperThread::Start()
{
    if (impl_) return true;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (info.dwNumberOfProcessors < 2) return false;
    auto* h = static_cast<THelper*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(THelper)));
    if (!h) return false;
    h->go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    h->done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (h->go && h->done) h->thread = CreateThread(nullptr, 64 * 1024, &HelperMain, h, 0, nullptr);
    if (!h->thread) {
        Release(h);
        return false;
    }
    impl_ = h;
    return true;
}

void TCompHelperThread::Post(void (*job)(void*), void* argument)
{
    auto* h = static_cast<THelper*>(impl_);
    h->job = job;
    h->argument = argument;
    SetEvent(h->go);
}

void TCompHelperThread::Wait() { WaitForSingleObject(static_cast<THelper*>(impl_)->done, INFINITE); }

namespace {

struct TThreadStart {
    void (*run)(void*);
    void* argument;
};

DWORD WINAPI ThreadMain(void* p)
{
    const TThreadStart start = *static_cast<TThreadStart*>(p);
    HeapFree(GetProcessHeap(), 0, p);
    start.run(start.argument);
    return 0;
}

}  // namespace

bool TCompThread::Start(void (*run)(void*), void* argument)
{
    if (impl_) return false;
    auto* start = static_cast<TThreadStart*>(HeapAlloc(GetProcessHeap(), 0, sizeof(TThreadStart)));
    if (!start) return false;
    *start = TThreadStart{run, argument};
    HANDLE h = CreateThread(nullptr, 128 * 1024, &ThreadMain, start, 0, nullptr);
    if (!h) {
        HeapFree(GetProcessHeap(), 0, start);
        return false;
    }
    impl_ = h;
    return true;
}

void TCompThread::Join()
{
    if (!impl_) return;
    WaitForSingleObject(static_cast<HANDLE>(impl_), INFINITE);
    CloseHandle(static_cast<HANDLE>(impl_));
    impl_ = nullptr;
}

TCompSemaphore::~TCompSemaphore()
{
    if (impl_) CloseHandle(static_cast<HANDLE>(impl_));
}

bool TCompSemaphore::Create(unsigned count)
{
    impl_ = CreateSemaphoreA(nullptr, static_cast<LONG>(count), 0x7FFFFFFF, nullptr);
    return impl_ != nullptr;
}

void TCompSemaphore::Acquire() { WaitForSingleObject(static_cast<HANDLE>(impl_), INFINITE); }

void TCompSemaphore::Release() { ReleaseSemaphore(static_cast<HANDLE>(impl_), 1, nullptr); }
