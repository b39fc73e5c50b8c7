#include "engine/carried_library.h"

#include "base/exceptions.h"
#include "base/temp_names.h"
#include "engine/file_routines.h"
#include "engine/run_journal.h"
#include "framework/win32/handles.h"

HMODULE TCarriedLibrary::Load(const char* resource, const char* fileName, TRunJournal& journal)
{
    Unload();
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC r = FindResourceA(self, resource, MAKEINTRESOURCEA(10));
    HGLOBAL g = r ? LoadResource(self, r) : nullptr;
    const void* data = g ? LockResource(g) : nullptr;
    if (!data) return nullptr;
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    try {
        const String folder = AddBackslash(String(temp, n)) + SetupTempName(GetCurrentProcessId(), GetTickCount());
        journal.Destination(folder);
        if (journal.MakeDirs(folder) != 0) return nullptr;
        folder_ = folder;
        journal.FileMade(AddBackslash(folder_) + fileName);
        file_ = AddBackslash(folder_) + fileName;
    } catch (const EInOutError&) {
        Unload();
        return nullptr;
    }
    if (Write(data, SizeofResource(self, r))) module_ = LoadLibraryA(file_.c_str());
    if (!module_) Unload();
    return module_;
}

bool TCarriedLibrary::Write(const void* data, DWORD size)
{
    TKernelHandle out(
        CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD put = 0;
    return out && WriteFile(out.Get(), data, size, &put, nullptr) && put == size && out.Close();
}

void TCarriedLibrary::Unload()
{
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    if (!file_.empty()) DeleteFileA(file_.c_str());
    if (!folder_.empty()) RemoveDirectoryA(folder_.c_str());
    file_.clear();
    folder_.clear();
}
