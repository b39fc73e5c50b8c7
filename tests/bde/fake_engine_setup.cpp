// Stands in for the database engine's own setup program: after
// NIMBO_BDE_SETUP_SLEEP milliseconds it writes the engine's WIN.INI values
// (its own directory as the engine's), unless NIMBO_BDE_SETUP_FAIL is set,
// and leaves how it was started in started.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char dir[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, dir, MAX_PATH);
    if (char* slash = strrchr(dir, '\\')) *slash = '\0';
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, cwd);
    char report[MAX_PATH + 16];
    snprintf(report, sizeof report, "%s\\started.txt", dir);
    if (FILE* f = fopen(report, "wb")) {
        fprintf(f, "cmd=%s\ncwd=%s\n", GetCommandLineA(), cwd);
        fclose(f);
    }
    if (const char* sleep = getenv("NIMBO_BDE_SETUP_SLEEP")) Sleep(static_cast<DWORD>(atoi(sleep)));
    if (getenv("NIMBO_BDE_SETUP_FAIL")) return 1;
    char config[MAX_PATH + 16];
    snprintf(config, sizeof config, "%s\\IDAPI.CFG", dir);
    WriteProfileStringA("IDAPI", "DLLPATH", dir);
    WriteProfileStringA("IDAPI", "CONFIGFILE01", config);
    return 0;
}
