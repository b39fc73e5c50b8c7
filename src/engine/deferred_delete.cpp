#include "engine/deferred_delete.h"

#include <windows.h>

#include <cstdio>

#include "engine/file_routines.h"
#include "engine/path_routines.h"
#include "framework/win32/process.h"

namespace {
// A path inside a batch file's quotes: only '%' means anything there.
String BatchQuoted(const String& path)
{
    String r = "\"";
    for (char c : path) r += c == '%' ? String("%%") : String(1, c);
    return r + "\"";
}
}  // namespace

bool DeleteAfterExit(const std::vector<String>& files, const std::vector<String>& dirs, const String& scriptDir)
{
    if (files.empty() && dirs.empty()) return true;
    const String script = Format("%s~NIMBO%d.BAT", AddBackslash(scriptDir), static_cast<int>(GetCurrentProcessId()));
    // Each file is tried until it goes (this process has ended) or about a
    // minute has passed; ping is the interpreter's portable one-second wait.
    String text = "@echo off\r\nset n=0\r\n:again\r\nset left=0\r\n";
    for (const String& f : files)
        text += "if exist " + BatchQuoted(f) + " del /f /q " + BatchQuoted(f) + " >nul 2>&1\r\nif exist " +
                BatchQuoted(f) + " set left=1\r\n";
    text += "if %left%==0 goto done\r\nset /a n=n+1\r\nif %n% geq 60 goto done\r\n"
            "ping -n 2 127.0.0.1 >nul\r\ngoto again\r\n:done\r\n";
    for (const String& d : dirs) text += "rmdir " + BatchQuoted(RemoveBackslash(d)) + " >nul 2>&1\r\n";
    text += "del " + BatchQuoted(script) + " >nul 2>&1\r\n";
    FILE* out = std::fopen(script.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !written) {
        DeleteFileA(script.c_str());
        return false;
    }
    char system[MAX_PATH];
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const String interpreter = AddBackslash(String(system, n)) + "cmd.exe";
    // Started in the system directory, so it holds no folder of ours open.
    const String cmd = "\"" + interpreter + "\" /c " + BatchQuoted(script);
    if (!StartProcess(cmd, SW_HIDE, CREATE_NO_WINDOW, String(system, n), interpreter)) {
        DeleteFileA(script.c_str());
        return false;
    }
    return true;
}
