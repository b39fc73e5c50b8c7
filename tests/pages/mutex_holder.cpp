// Holds a named mutex as a running program of the product does, until told
// to let go:
//   mutex_holder <name> <marker>
// It writes <marker> once it holds the mutex, and ends (releasing it) once
// <marker> is gone.
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, argv[1]);
    if (!mutex) return 1;
    HANDLE marker = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(marker, "held", 4, &written, nullptr);
    CloseHandle(marker);
    while (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) Sleep(100);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}
