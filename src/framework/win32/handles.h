// Handles that close themselves: one owner per handle, moved, never copied,
// so every handle is closed exactly once, on every path out.
#pragma once

#include <windows.h>

template <bool (*CloseFn)(HANDLE)> class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(HANDLE h) : h_(h) {}
    ~TOwnedHandle() { Close(); }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    TOwnedHandle(TOwnedHandle&& other) noexcept : h_(other.Release()) {}
    TOwnedHandle& operator=(TOwnedHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return h_; }
    // The platform answers a failure with one or the other, depending on
    // the call.
    bool Valid() const { return h_ && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    // Gives the handle up without closing it.
    HANDLE Release()
    {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void Reset(HANDLE h = nullptr)
    {
        Close();
        h_ = h;
    }
    // False when the platform reports a failure: closing a written file
    // flushes it, and a write refused late shows here.
    bool Close()
    {
        if (!Valid()) return true;
        const bool ok = CloseFn(h_);
        h_ = nullptr;
        return ok;
    }

private:
    HANDLE h_ = nullptr;
};

inline bool CloseKernelHandle(HANDLE h) { return CloseHandle(h) != 0; }
inline bool CloseFindHandle(HANDLE h) { return FindClose(h) != 0; }

// A registry key, opened or created through Put(): closed once, on every
// path out.
class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey() { Reset(); }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;

    HKEY Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Where the opening call puts the key; a key held before is closed.
    HKEY* Put()
    {
        Reset();
        return &h_;
    }
    void Reset()
    {
        if (h_) RegCloseKey(h_);
        h_ = nullptr;
    }

private:
    HKEY h_ = nullptr;
};

// Files, processes, threads, mutexes, snapshots.
using TKernelHandle = TOwnedHandle<CloseKernelHandle>;
// A search of FindFirstFile.
using TFindHandle = TOwnedHandle<CloseFindHandle>;
