#include "program_resources.h"

#include <cstring>

#include "base/exceptions.h"
#include "form_pack.h"
#include "setup_folder.h"

namespace {

BOOL CALLBACK EachLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

struct TStringTables {
    HANDLE update;
    int failures;
};

BOOL CALLBACK CopyStringTable(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param)
{
    auto* tables = reinterpret_cast<TStringTables*>(param);
    HRSRC r = FindResourceExA(module, type, name, language);
    HGLOBAL g = r ? LoadResource(module, r) : nullptr;
    void* data = g ? LockResource(g) : nullptr;
    if (!data || !UpdateResourceA(tables->update, type, name, language, data, SizeofResource(module, r)))
        ++tables->failures;
    return TRUE;
}

BOOL CALLBACK EachStringTable(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    EnumResourceLanguagesA(module, type, name, CopyStringTable, param);
    return TRUE;
}

}  // namespace

TProgramResources::TProgramResources(const String& exe) : exe_(exe)
{
    // The form keeps the language the program was built with.
    formLanguage_ = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    if (HMODULE m = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceLanguagesA(m, MAKEINTRESOURCEA(10), kFormResourceName, FirstLanguage,
                               reinterpret_cast<LONG_PTR>(&formLanguage_));
        EnumResourceLanguagesA(m, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), EachLanguage,
                               reinterpret_cast<LONG_PTR>(&versionLanguages_));
        FreeLibrary(m);
    }
    update_ = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!update_)
        throw ENimboError(Format("%s: cannot open its resources (error %d)", exe, static_cast<int>(GetLastError())));
}

TProgramResources::~TProgramResources()
{
    if (update_) EndUpdateResourceA(update_, TRUE);
}

void TProgramResources::Update(LPCSTR type, LPCSTR name, WORD language, const void* data, DWORD size)
{
    if (!UpdateResourceA(update_, type, name, language, const_cast<void*>(data), size))
        throw ENimboError(Format("%s: cannot add a resource (error %d)", exe_, static_cast<int>(GetLastError())));
}

void TProgramResources::SetForm(const std::vector<uint8_t>& plainForm, bool pack)
{
    std::vector<uint8_t> packed;
    if (pack) packed = PackForm(plainForm);
    const std::vector<uint8_t>& form = pack && packed.size() < plainForm.size() ? packed : plainForm;
    Update(MAKEINTRESOURCEA(10), kFormResourceName, formLanguage_, form.data(), static_cast<DWORD>(form.size()));
}

void TProgramResources::SetVersion(const std::vector<uint8_t>& version)
{
    if (versionLanguages_.empty()) versionLanguages_.push_back(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    for (WORD language : versionLanguages_)
        Update(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), language, version.data(), static_cast<DWORD>(version.size()));
}

void TProgramResources::AddData(const char* name, const std::vector<uint8_t>& data)
{
    Update(MAKEINTRESOURCEA(10), name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), data.data(),
           static_cast<DWORD>(data.size()));
}

void TProgramResources::AddStringTables(const String& library)
{
    HMODULE m = LoadLibraryExA(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) throw ENimboError(Format("%s: cannot read (error %d)", library, static_cast<int>(GetLastError())));
    TStringTables tables{update_, 0};
    const BOOL listed =
        EnumResourceNamesA(m, MAKEINTRESOURCEA(6), EachStringTable, reinterpret_cast<LONG_PTR>(&tables));
    FreeLibrary(m);
    if (!listed || tables.failures) throw ENimboError(Format("%s: cannot copy its texts", library));
}

void TProgramResources::Commit()
{
    HANDLE u = update_;
    update_ = nullptr;
    if (!EndUpdateResourceA(u, FALSE))
        throw ENimboError(Format("%s: cannot write the form (error %d)", exe_, static_cast<int>(GetLastError())));
}
