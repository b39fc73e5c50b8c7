// Holds a file open as a running program does, sharing nothing but reads
// (or nothing at all), until told to let go:
//   file_holder <file> <marker> [read]
// It writes <marker> once it holds the file, and closes the file and ends
// once <marker> is gone. Ends with 1 when the file cannot be opened.
#include <windows.h>

#include <string>

namespace {
bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    const DWORD share = argc > 3 && std::string(argv[3]) == "read" ? FILE_SHARE_READ : 0;
    HANDLE held = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    HANDLE marker = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(marker, "held", 4, &written, nullptr);
    CloseHandle(marker);
    // The marker's folder tells when a name in it changes.
    HANDLE change = FindFirstChangeNotificationA(FolderOf(argv[2]).c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    while (Exists(argv[2])) {
        if (change == INVALID_HANDLE_VALUE) return 1;
        WaitForSingleObject(change, INFINITE);
        FindNextChangeNotification(change);
    }
    FindCloseChangeNotification(change);
    CloseHandle(held);
    return 0;
}
