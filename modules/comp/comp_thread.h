// A thread of its own and a counting semaphore: what a reader needs to take
// expanded bytes from a thread that expands ahead of it (see comp_stream.h).
// comp_platform_*.cpp implement them; like the rest of the library they
// allocate from the C heap and throw nothing.
#pragma once

class TCompThread {
public:
    TCompThread() = default;
    TCompThread(const TCompThread&) = delete;
    TCompThread& operator=(const TCompThread&) = delete;
    // Waits for the thread's end.
    ~TCompThread() { Join(); }
    // Runs run(argument) on a new thread; false when none can be had.
    bool Start(void (*run)(void*), void* argument);
    // Until the thread's function has returned; nothing when none runs.
    void Join();

private:
    void* impl_ = nullptr;
};

class TCompSemaphore {
public:
    TCompSemaphore() = default;
    TCompSemaphore(const TCompSemaphore&) = delete;
    TCompSemaphore& operator=(const TCompSemaphore&) = delete;
    ~TCompSemaphore();
    // False when none can be had.
    bool Create(unsigned count);
    // Takes one count, waiting until there is one.
    void Acquire();
    void Release();

private:
    void* impl_ = nullptr;
};
