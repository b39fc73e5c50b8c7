// A program the packer test runs packed and unpacked: what it prints (and
// its exit code) must not differ. It exercises what the stub has to get
// right: TLS callbacks at process and thread attach before its code runs,
// the TLS template and index, imports from several libraries, C++
// exceptions (their unwind tables), threads and its own resources.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>

extern "C" ULONG _tls_index;
extern "C" char _tls_start;

namespace {

volatile LONG processAttaches = 0, threadAttaches = 0;

void NTAPI ProbeTls(PVOID, DWORD reason, PVOID)
{
    if (reason == DLL_PROCESS_ATTACH) InterlockedIncrement(&processAttaches);
    if (reason == DLL_THREAD_ATTACH) InterlockedIncrement(&threadAttaches);
}

// A value in the TLS template: each thread starts with its own copy.
__attribute__((section(".tls$P"), used)) int probeTlsValue = 0x1234;

int TlsValue()
{
    void** slots;
    asm("movl %%fs:0x2C, %0" : "=r"(slots));
    const char* block = static_cast<const char*>(slots[_tls_index]);
    return *reinterpret_cast<const int*>(block + (reinterpret_cast<char*>(&probeTlsValue) - &_tls_start));
}

DWORD WINAPI Worker(LPVOID result)
{
    *static_cast<int*>(result) = TlsValue();
    return 0;
}

void Throwing(int depth)
{
    if (depth == 0) throw std::runtime_error("deep");
    std::string keep(static_cast<size_t>(depth), 'x');
    Throwing(depth - 1);
}

}  // namespace

extern "C" __attribute__((section(".CRT$XLP"), used)) const PIMAGE_TLS_CALLBACK probeTlsCallback = ProbeTls;

int main()
{
    std::printf("process attach before main: %ld\n", processAttaches);
    std::printf("main thread's TLS value: %x\n", TlsValue());
    int threadValue = 0;
    const LONG before = threadAttaches;
    HANDLE h = CreateThread(nullptr, 0, Worker, &threadValue, 0, nullptr);
    WaitForSingleObject(h, INFINITE);
    CloseHandle(h);
    std::printf("new thread's TLS value: %x, thread attach seen: %d\n", threadValue, threadAttaches > before);
    int fromStd = 0;
    std::thread([&fromStd] { fromStd = 7; }).join();
    std::printf("std::thread ran: %d\n", fromStd);
    try {
        Throwing(20);
    } catch (const std::exception& e) {
        std::printf("caught: %s\n", e.what());
    }
    char text[64] = "";
    LoadStringA(GetModuleHandleA(nullptr), 1, text, sizeof text);
    HRSRC r = FindResourceA(nullptr, "PROBE", MAKEINTRESOURCEA(10));
    std::printf("string: %s, data: %lu bytes\n", text, r ? SizeofResource(nullptr, r) : 0ul);
    WNDCLASSA button{};
    std::printf("window class registered: %d\n", GetClassInfoA(nullptr, "BUTTON", &button) != 0);
    std::fflush(stdout);
    return 7;
}
