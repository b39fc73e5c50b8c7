// Starting programs and waiting for them to end. Every process of the
// setup is started here, never with inherited handles.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "base/nstring.h"
#include "framework/win32/handles.h"

// Starts the command line in the show state with the creation flags, in
// `directory` (empty: this process's). `program` names the program file;
// empty, the command line's first word does, looked for on the search path.
// Gives the process, or an empty handle when the platform refuses, with its
// error code left as the last error.
TKernelHandle StartProcess(const String& commandLine, WORD show, DWORD flags = 0, const String& directory = {},
                           const String& program = {});

// Whether the process has ended, after waiting at most `timeoutMs` for it;
// 0 only looks.
bool ProcessEnded(HANDLE process, DWORD timeoutMs = 0);
// The exit code of an ended process; `fallback` when the platform cannot
// tell.
DWORD ProcessExitCode(HANDLE process, DWORD fallback);

// Waits for a process to end while this thread's windows keep painting and
// their timers keep running; they take no input meanwhile (as under a
// modal window).
void WaitForProcessEnd(HANDLE process);
// Waits for a process to end while this thread does nothing of its own: it
// answers only what other threads and processes send it (a broadcast must
// not hang the sender); its timers and posted work wait.
void WaitForProcessEndIdle(HANDLE process);
// The same as WaitForProcessEnd for several processes, for at most
// `timeoutMs`; `poll` runs about every 100 ms meanwhile. True when every
// one has ended.
bool WaitForProcessesEnd(std::vector<HANDLE> processes, DWORD timeoutMs, const std::function<void()>& poll = {});
