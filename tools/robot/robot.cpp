// GUI driver: runs a scenario against the program under test from outside,
// in the same Wine prefix and desktop. See README.md for the scenario format.
//   robot.exe [--timeout S] [--settle S] [--desktop NAME] scenario.txt
// Exit code: 0 passed, 1 a step failed, 2 bad command line or scenario.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "runner.h"
#include "scenario.h"
#include "screenshot.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: robot.exe [--timeout S] [--settle S] [--desktop NAME] scenario.txt\n");
    return 2;
}

bool ParseSeconds(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return *text && !*end && out >= 0;
}

BOOL CALLBACK FindDesktop(LPSTR name, LPARAM wanted)
{
    if (lstrcmpiA(name, reinterpret_cast<const char*>(wanted)) != 0) return TRUE;
    SetLastError(0);
    return FALSE;  // found: stop
}

bool DesktopListed(const char* name)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return !EnumDesktopsA(GetProcessWindowStation(), FindDesktop, reinterpret_cast<LPARAM>(name)) &&
           GetLastError() == 0;
}

// A program started in Wine's virtual desktop lives on another desktop than
// a plain `wine robot.exe`; join it before any window lookup. The desktop may
// still be starting: opening it while Wine's explorer sets it up spoils the
// set-up, so we only watch the list until it is there, give it a moment and
// open it then.
bool JoinDesktop(const char* name, double timeoutSeconds)
{
    const DWORD start = GetTickCount();
    const auto late = [&] { return GetTickCount() - start >= static_cast<DWORD>(timeoutSeconds * 1000); };
    while (!DesktopListed(name)) {
        if (late()) {
            std::printf("robot: no desktop %s\n", name);
            return false;
        }
        Sleep(100);
    }
    HDESK desk = nullptr;
    do {
        Sleep(500);
        desk = OpenDesktopA(name, 0, FALSE, GENERIC_ALL);
    } while (!desk && !late());
    if (!desk) {
        std::printf("robot: cannot open desktop %s (error %lu)\n", name, GetLastError());
        return false;
    }
    if (!SetThreadDesktop(desk)) {
        std::printf("robot: cannot join desktop %s (error %lu)\n", name, GetLastError());
        return false;
    }
    return true;
}

// Window positions and sizes as the program under test sees them: a driver
// the system thinks unaware of the display scale would read them scaled.
void BeDpiAware()
{
    using SetProcessDPIAwareFn = BOOL(WINAPI*)();
    if (auto fn = reinterpret_cast<SetProcessDPIAwareFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware"))))
        fn();
}

}  // namespace

int main(int argc, char** argv)
{
    // The log is read on the Unix side: plain '\n' line ends.
    _setmode(_fileno(stdout), _O_BINARY);
    BeDpiAware();
    robot::Settings settings;
    const char* file = nullptr;
    const char* desktop = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--timeout" || a == "--settle") && i + 1 < argc) {
            if (!ParseSeconds(argv[++i], a == "--timeout" ? settings.timeout : settings.settle)) return Usage();
        } else if (a == "--desktop" && i + 1 < argc) {
            desktop = argv[++i];
        } else if (!a.empty() && a[0] != '-' && !file) {
            file = argv[i];
        } else {
            return Usage();
        }
    }
    if (!file) return Usage();
    if (desktop && !JoinDesktop(desktop, settings.timeout)) return 2;

    std::ifstream in(robot::ToWindowsPath(file), std::ios::binary);
    if (!in) {
        std::printf("robot: cannot open %s\n", file);
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();

    std::vector<robot::Step> steps;
    try {
        steps = robot::ParseScenario(text.str(), [](const std::string& name) -> std::optional<std::string> {
            const char* v = std::getenv(name.c_str());
            if (!v) return std::nullopt;
            return std::string(v);
        });
    } catch (const robot::ParseError& e) {
        std::printf("robot: %s:%d: %s\n", file, e.line, e.what());
        return 2;
    }
    return robot::Runner(file, settings, stdout).Run(steps);
}
