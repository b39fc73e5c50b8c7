// The start-up stub of a packed program: expands the image into the
// section reserved for it, at the addresses it was linked for, resolves its
// imports, gives each section its protection back, runs its TLS callbacks
// as the loader would have and enters it. Built without any runtime
// library: it runs before the program's own runtime exists.
#include <windows.h>

#include "call_filter.h"
#include "lzma_expand.h"
#include "pack_params.h"

namespace {

// The setup's own exit code for a failed run: a damaged file ends with it
// before any of the program runs.
constexpr UINT kDamagedExitCode = 3;

using TTlsCallback = void(NTAPI*)(PVOID, DWORD, PVOID);

bool expanded = false;

void NTAPI StubTls(PVOID module, DWORD reason, PVOID reserved);

}  // namespace

// Found and filled in by the packer; the callback's address tells it where
// the stub's TLS callback ended up.
struct TStubData {
    TPackParams params;
    TTlsCallback callback;
};
static_assert(sizeof(TPackParams) == 4 * 16 + 12 * kPackMaxSections + 32, "the packer's layout");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
__attribute__((used)) TStubData stubData = {{{kPackSignature0, kPackSignature1}}, StubTls};
#pragma GCC diagnostic pop

namespace {

uint8_t* At(uint32_t rva)
{
    return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(stubData.params.imageBase + rva));
}

void RunTlsCallbacks(PVOID module, DWORD reason, PVOID reserved)
{
    if (!stubData.params.tlsCallbacksRva) return;
    for (auto* cb = reinterpret_cast<TTlsCallback*>(At(stubData.params.tlsCallbacksRva)); *cb; ++cb)
        (*cb)(module, reason, reserved);
}

// Until the program is in place, the loader's calls have nowhere to go.
void NTAPI StubTls(PVOID module, DWORD reason, PVOID reserved)
{
    if (expanded) RunTlsCallbacks(module, reason, reserved);
}

bool Expand()
{
    const TPackParams& p = stubData.params;
    // The loader wrote the TLS index into the program's variable, which the
    // expanded image overwrites.
    const DWORD tlsIndex = p.tlsIndexRva ? *reinterpret_cast<DWORD*>(At(p.tlsIndexRva)) : 0;
    const uint32_t count = LzmaProbabilityCount(p.lzmaProperties);
    void* work = count ? VirtualAlloc(nullptr, count * 2, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE) : nullptr;
    if (!work) return false;
    const bool ok = LzmaExpand(At(p.packedRva), p.packedSize, At(p.imageRva), p.imageSize, p.lzmaProperties,
                               static_cast<uint16_t*>(work));
    VirtualFree(work, 0, MEM_RELEASE);
    if (!ok || PackChecksum(At(p.imageRva), p.imageSize) != p.checksum) return false;
    CallFilter(At(p.codeRva), p.codeSize, p.codeRva, false);
    if (p.tlsIndexRva) *reinterpret_cast<DWORD*>(At(p.tlsIndexRva)) = tlsIndex;
    return true;
}

bool ResolveImports()
{
    const TPackParams& p = stubData.params;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(At(p.importRva)); d->Name; ++d) {
        HMODULE module = LoadLibraryA(reinterpret_cast<LPCSTR>(At(d->Name)));
        if (!module) return false;
        auto* names = reinterpret_cast<DWORD*>(At(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* slots = reinterpret_cast<DWORD*>(At(d->FirstThunk));
        for (; *names; ++names, ++slots) {
            const LPCSTR name = *names & IMAGE_ORDINAL_FLAG32 ? reinterpret_cast<LPCSTR>(*names & 0xFFFF)
                                                              : reinterpret_cast<LPCSTR>(At(*names + 2));
            const FARPROC f = GetProcAddress(module, name);
            if (!f) return false;
            *slots = reinterpret_cast<DWORD>(f);
        }
    }
    return true;
}

void Protect()
{
    const TPackParams& p = stubData.params;
    for (uint32_t i = 0; i < p.sectionCount && i < kPackMaxSections; ++i) {
        DWORD old;
        VirtualProtect(At(p.sections[i].rva), p.sections[i].size, p.sections[i].protect, &old);
    }
}

}  // namespace

extern "C" void StubEntry()
{
    if (!Expand() || !ResolveImports()) ExitProcess(kDamagedExitCode);
    Protect();
    expanded = true;
    RunTlsCallbacks(At(0), DLL_PROCESS_ATTACH, nullptr);
    reinterpret_cast<void (*)()>(At(stubData.params.entryRva))();
}

// What the compiler may call for a plain loop or a structure's copy.
extern "C" void* memset(void* d, int c, size_t n)
{
    auto* p = static_cast<uint8_t*>(d);
    while (n--) *p++ = static_cast<uint8_t>(c);
    return d;
}

extern "C" void* memcpy(void* d, const void* s, size_t n)
{
    auto* p = static_cast<uint8_t*>(d);
    auto* q = static_cast<const uint8_t*>(s);
    while (n--) *p++ = *q++;
    return d;
}
