#include "engine/run_log.h"

#include <cstdio>

#include <windows.h>

#include "engine/run_switches.h"

namespace {
String TwoDigits(int n) { return String(n < 10 ? "0" : "") + IntToStr(n); }

// "2024-05-01 14:03:27.125": the local time, to the millisecond.
String Stamp(const SYSTEMTIME& t)
{
    const String ms = IntToStr(t.wMilliseconds);
    return IntToStr(t.wYear) + "-" + TwoDigits(t.wMonth) + "-" + TwoDigits(t.wDay) + " " + TwoDigits(t.wHour) + ":" +
           TwoDigits(t.wMinute) + ":" + TwoDigits(t.wSecond) + "." + String(3 - ms.size(), '0') + ms;
}

void Append(const String& file, const String& text)
{
    if (FILE* f = std::fopen(file.c_str(), "ab")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

String WindowsVersion()
{
    // GetVersionEx answers what the program's manifest asks for; the
    // kernel's own call answers what the system is.
    using TGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    const auto get = reinterpret_cast<TGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (!get || get(&v) != 0) return "unknown";
    return IntToStr(static_cast<long long>(v.dwMajorVersion)) + "." +
           IntToStr(static_cast<long long>(v.dwMinorVersion)) + " (build " +
           IntToStr(static_cast<long long>(v.dwBuildNumber)) + ")";
}

String UserName()
{
    char name[256];
    DWORD size = sizeof name;
    return GetUserNameA(name, &size) && size > 0 ? String(name, size - 1) : String("unknown");
}

// The product the program's version resource names (the builder writes the
// author's), else "Setup".
String ProgramProductName()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD unused = 0;
    const DWORD size = n ? GetFileVersionInfoSizeA(path, &unused) : 0;
    String data(size, '\0');
    if (!size || !GetFileVersionInfoA(path, 0, size, data.data())) return "Setup";
    const WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", (void**)&translation, &length) || length < 4)
        return "Setup";
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\ProductName", translation[0], translation[1]);
    const char* name = nullptr;
    if (!VerQueryValueA(data.data(), key, (void**)&name, &length) || !name || !*name) return "Setup";
    return name;
}
}  // namespace

void RunLog(const String& line)
{
    const String& file = RunSwitches().log;
    if (file.empty()) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    const String stamp = Stamp(now) + "  ";
    String text = stamp;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\r' && i + 1 < line.size() && line[i + 1] == '\n') continue;
        if (c == '\r' || c == '\n')
            text += "\r\n" + stamp;
        else
            text += static_cast<unsigned char>(c) < 32 ? ' ' : c;
    }
    Append(file, text + "\r\n");
}

void BeginRunLogSection()
{
    const String& file = RunSwitches().log;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) && (data.nFileSizeLow || data.nFileSizeHigh))
        Append(file, "\r\n");
    char program[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, program, MAX_PATH);
    RunLog("==== Setup started: " + String(program, n) + " ====");
    RunLog("Command line: " + String(GetCommandLineA()));
    RunLog("User: " + UserName());
    RunLog("Windows: " + WindowsVersion());
}

String DefaultRunLogName()
{
    String product = ProgramProductName();
    for (char& c : product)
        if (static_cast<unsigned char>(c) < 32 || String("\\/:*?\"<>|").find(c) != String::npos) c = '_';
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    SYSTEMTIME t;
    GetLocalTime(&t);
    const String when = IntToStr(t.wYear) + "-" + TwoDigits(t.wMonth) + "-" + TwoDigits(t.wDay) + " " +
                        TwoDigits(t.wHour) + TwoDigits(t.wMinute) + TwoDigits(t.wSecond);
    return String(temp, n && n < MAX_PATH ? n : 0) + product + " setup log " + when + ".log";
}
