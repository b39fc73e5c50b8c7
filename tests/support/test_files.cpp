#include "test_files.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <fstream>

String ReadAll(const String& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return String((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const String& path, const String& data)
{
    std::ofstream out(path.c_str(), std::ios::binary);
    out << data;
}

std::vector<String> Entries(const String& dir)
{
    std::vector<String> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const String n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end(), [](const String& a, const String& b) { return CompareText(a, b) < 0; });
    return names;
}

void RemoveTree(const String& dir)
{
    for (const String& n : Entries(dir)) {
        const String p = dir + n;
        const DWORD a = GetFileAttributesA(p.c_str());
        SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (a & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(p + "\\");
        else
            DeleteFileA(p.c_str());
    }
    String d = dir;
    if (!d.empty() && d.back() == '\\') d.pop_back();
    RemoveDirectoryA(d.c_str());
}

String BuildPath(String unixPath)
{
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

String FreshTempFolder(const String& name)
{
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    const String path = String(buf) + name + "\\";
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

String Trimmed(const String& s)
{
    const size_t a = s.find_first_not_of("\r\n "), b = s.find_last_not_of("\r\n ");
    return a == String::npos ? String() : s.substr(a, b - a + 1);
}

std::vector<String> Trimmed(const std::vector<String>& texts)
{
    std::vector<String> r;
    for (const String& t : texts) r.push_back(Trimmed(t));
    return r;
}

String ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const String p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

String Unique(const String& name) { return Format("%s %d", name, static_cast<int>(GetCurrentProcessId())); }

std::vector<String> SplitCommandLine(const String& line)
{
    const std::wstring wide(line.begin(), line.end());
    int count = 0;
    LPWSTR* args = CommandLineToArgvW((L"setup.exe " + wide).c_str(), &count);
    std::vector<String> out;
    for (int i = 1; i < count; ++i) out.emplace_back(args[i], args[i] + wcslen(args[i]));
    LocalFree(args);
    return out;
}
