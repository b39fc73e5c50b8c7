// Started by the program execution tests: appends how it was started
// (command line, working directory, show command) to the file that
// NIMBO_ECHO_OUT names, waits NIMBO_ECHO_SLEEP milliseconds, then appends
// "end".
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* out = getenv("NIMBO_ECHO_OUT");
    if (!out) return 1;
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, cwd);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    const int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    if (FILE* f = fopen(out, "ab")) {
        fprintf(f, "cmd=%s\ncwd=%s\nshow=%d\n", GetCommandLineA(), cwd, show);
        fclose(f);
    }
    const char* sleep = getenv("NIMBO_ECHO_SLEEP");
    if (sleep) Sleep(static_cast<DWORD>(atoi(sleep)));
    if (FILE* f = fopen(out, "ab")) {
        fputs("end\n", f);
        fclose(f);
    }
    return 0;
}
