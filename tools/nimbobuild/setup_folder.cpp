#include "setup_folder.h"

#include <windows.h>

#include <cstring>

#include <zlib.h>

#include "base/exceptions.h"
#include "base/setup_files.h"
#include "comp_file.h"
#include "framework/form_reader.h"

namespace {

int64_t SizeOf(const String& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

// The form as raw deflate data behind its own signature and size; setup.exe
// expands it when it starts. The file list of a large payload shrinks to a
// fraction (names, dates and sizes repeat).
std::vector<uint8_t> PackForm(const std::vector<uint8_t>& form)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw ENimboError("cannot pack the form: out of memory");
    std::vector<uint8_t> out(kPackedFormHeaderSize + deflateBound(&z, static_cast<uLong>(form.size())));
    std::memcpy(out.data(), kPackedFormSignature, 4);
    for (int i = 0; i < 4; ++i) out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(form.size() >> (8 * i));
    z.next_in = const_cast<uint8_t*>(form.data());
    z.avail_in = static_cast<uInt>(form.size());
    z.next_out = out.data() + kPackedFormHeaderSize;
    z.avail_out = static_cast<uInt>(out.size() - kPackedFormHeaderSize);
    const int r = deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    if (r != Z_STREAM_END) throw ENimboError("cannot pack the form");
    return out;
}

}  // namespace

TSetupFolder::TSetupFolder(const String& path, const String& templates) : path_(path), templates_(templates)
{
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        throw ENimboError(Format("%s: exists already; the builder makes a new setup folder", path));
    if (!CreateDirectoryA(path.c_str(), nullptr))
        throw ENimboError(Format("%s: cannot make the folder (error %d)", path, static_cast<int>(GetLastError())));
}

TSetupFolder::~TSetupFolder()
{
    if (keep_) return;
    for (const String& name : written_) DeleteFileA(Target(name).c_str());
    RemoveDirectoryA(path_.c_str());
}

void TSetupFolder::Copy(const String& source, const String& name)
{
    written_.push_back(name);
    // CopyFile keeps the last-write time, which the installed file inherits.
    if (!CopyFileA(source.c_str(), Target(name).c_str(), TRUE))
        throw ENimboError(
            Format("%s: cannot copy to %s (error %d)", source, Target(name), static_cast<int>(GetLastError())));
}

void TSetupFolder::AddProgram(bool compressed)
{
    for (const char* name : {kSetupProgramName, kLanguageLibraryName}) Copy(templates_ + "\\" + name, name);
    if (compressed) Copy(templates_ + "\\" + kCompLibraryName, kCompLibraryName);
}

void TSetupFolder::CopyIn(const String& source, const String& name) { Copy(source, name); }

bool TSetupFolder::CompressIn(const String& source, const String& name, int32_t size, int32_t& shippedSize)
{
    written_.push_back(name);
    const int32_t r = CompressCompFile(source.c_str(), Target(name).c_str(), 9);
    if (r != kCompOk) throw ENimboError(Format("%s: cannot compress (result %d)", source, r));
    const int64_t packed = SizeOf(Target(name));
    // Data that does not shrink ships plain: smaller, and copied faster.
    if (packed >= 0 && packed < size) {
        shippedSize = static_cast<int32_t>(packed);
        return true;
    }
    written_.pop_back();
    DeleteFileA(Target(name).c_str());
    Copy(source, name);
    shippedSize = size;
    return false;
}

void TSetupFolder::SetForm(const std::vector<uint8_t>& plainForm, bool pack)
{
    std::vector<uint8_t> packed;
    if (pack) packed = PackForm(plainForm);
    const std::vector<uint8_t>& form = pack && packed.size() < plainForm.size() ? packed : plainForm;
    const String exe = Target(kSetupProgramName);
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    if (HMODULE m = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceLanguagesA(m, MAKEINTRESOURCEA(10), kFormResourceName, FirstLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        FreeLibrary(m);
    }
    HANDLE u = BeginUpdateResourceA(exe.c_str(), FALSE);
    if (!u)
        throw ENimboError(Format("%s: cannot open its resources (error %d)", exe, static_cast<int>(GetLastError())));
    if (!UpdateResourceA(u, MAKEINTRESOURCEA(10), kFormResourceName, language, const_cast<uint8_t*>(form.data()),
                         static_cast<DWORD>(form.size()))) {
        const int err = static_cast<int>(GetLastError());
        EndUpdateResourceA(u, TRUE);
        throw ENimboError(Format("%s: cannot replace the form (error %d)", exe, err));
    }
    if (!EndUpdateResourceA(u, FALSE))
        throw ENimboError(Format("%s: cannot write the form (error %d)", exe, static_cast<int>(GetLastError())));
}

int64_t TSetupFolder::Size() const
{
    int64_t total = 0;
    for (const String& name : written_) total += SizeOf(Target(name));
    return total;
}
