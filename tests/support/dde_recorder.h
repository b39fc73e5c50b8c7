// A DDE server of the test's own: it serves one service on a thread of its
// own, records every execute command it receives and answers the request
// "Groups" with a fixed text.
#pragma once

#include <windows.h>

#include <ddeml.h>  // needs windows.h first

#include <mutex>
#include <thread>
#include <vector>

#include "base/nstring.h"

class TDdeRecorder {
public:
    TDdeRecorder(const String& service, const String& groupsAnswer);
    ~TDdeRecorder();
    TDdeRecorder(const TDdeRecorder&) = delete;
    TDdeRecorder& operator=(const TDdeRecorder&) = delete;

    bool Ready() const { return ready_; }
    // Commands that begin so are recorded but not carried out, as a shell
    // answers one it may not carry out.
    void Refuse(const String& prefix)
    {
        std::lock_guard<std::mutex> g(lock_);
        refused_ = prefix;
    }
    std::vector<String> Commands() const;
    // Waits until at least `count` commands have arrived.
    bool WaitForCommands(size_t count, int timeoutMs = 5000) const;

private:
    static HDDEDATA CALLBACK Callback(UINT type, UINT fmt, HCONV conv, HSZ topic, HSZ item, HDDEDATA data, ULONG_PTR,
                                      ULONG_PTR);
    void Serve();

    String service_, groupsAnswer_;
    DWORD instance_ = 0;
    DWORD threadId_ = 0;
    bool ready_ = false;
    HANDLE started_ = nullptr;
    mutable std::mutex lock_;
    std::vector<String> commands_;
    String refused_;
    std::thread thread_;
};
