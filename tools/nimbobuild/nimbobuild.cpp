// The setup builder: a text form source or an author's script and a folder
// of files in, a ready setup folder out (setup.exe carrying the form with
// the filled script, the libraries it needs, the payload), or with --single
// one program file that carries all of it.
//   nimbobuild [--compress[=lzma|zlib]] [--single] <form.nfm | script.nss> <folder> <new setup folder or file>
// --compress packs with LZMA; --compress=zlib writes deflate files, which
// compression libraries of earlier setups read too.
// setup.exe, TNLANG32.DLL and TNComp32.DLL are taken from beside the
// builder. On any error it says what is wrong and writes nothing.
#include <windows.h>

#include <cstdio>

#include "base/exceptions.h"
#include "build_source.h"
#include "comp/comp_method_names.h"
#include "form_script.h"
#include "script/nimbo_data.h"
#include "setup_folder.h"
#include "single_file.h"

namespace {

String FullPath(const String& path)
{
    char buf[MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buf, nullptr);
    if (n == 0 || n >= MAX_PATH) throw ENimboError(Format("%s: path too long", path));
    String full(buf, n);
    while (full.size() > 3 && full.back() == '\\') full.pop_back();
    return full;
}

String BuilderFolder()
{
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return ExtractFileDir(String(buf, n));
}

// What the command line asks for: nothing (the script decides), or packing by a method.
struct TCompressOption {
    bool given = false;
    TCompMethod method = kCompMethodLzma;
};

// TOut: TSetupFolder or TSingleFile.
template <class TOut>
int Build(const String& sourcePath, const String& folderArg, const String& outArg, const TCompressOption& option)
{
    const String folder = FullPath(folderArg);
    std::vector<TScannedFile> scanned = ScanFolder(folder);
    TBuildSource source = LoadBuildSource(sourcePath, scanned, BuilderFolder());
    std::vector<uint8_t>& form = source.form;
    const bool compress = option.given || source.compress;
    const TCompMethod method = option.given ? option.method : source.method;
    TSetupDataSpan span;
    TNimboData script;
    try {
        if (!FindSetupData(form, span)) throw ENimboError(Format("%s: the form has no SetupData", sourcePath));
        TValueReader r(form.data() + span.begin, span.end - span.begin);
        script.ReadData(r);
    } catch (const EReadError& e) {
        throw ENimboError(Format("%s: the form's setup script cannot be read: %s", sourcePath, e.Message()));
    }
    // A script ships the files its patterns picked, not the whole folder.
    if (source.fromScript) std::erase_if(scanned, [&](const TScannedFile& s) { return !script.FindFile(s.file.name); });
    std::vector<TPayloadFile> files;
    for (const TScannedFile& s : scanned) files.push_back(s.file);
    CheckScriptAgainstFolder(script, files);

    TOut out(FullPath(outArg), BuilderFolder());
    out.AddProgram(compress);
    int64_t payload = 0;
    for (size_t i = 0; i < scanned.size(); ++i) {
        TPayloadFile& f = files[i];
        payload += f.size;
        if (compress) {
            f.compressed = out.CompressIn(scanned[i].path, f.name, f.size, f.compressedSize, method);
        } else {
            out.CopyIn(scanned[i].path, f.name);
        }
    }
    // Only a setup in test mode takes its files from where they were found;
    // the others would carry the folder's path in every entry for nothing.
    FillScript(script, files, span.test ? folder : String(), !source.fromScript);
    TValueWriter w;
    script.WriteData(w);
    out.SetForm(ReplaceSetupData(form, span, w.Data()), compress);
    std::printf("%s: %d files, %lld bytes; the setup holds %lld bytes\n", outArg.c_str(),
                static_cast<int>(files.size()), static_cast<long long>(payload), static_cast<long long>(out.Size()));
    out.Keep();
    return 0;
}

// --compress, or --compress= and a method's name; false for anything else.
bool CompressArgument(const String& arg, TCompressOption& option)
{
    if (option.given || arg.compare(0, 10, "--compress") != 0) return false;
    if (arg.size() == 10) {
        option.given = true;
        return true;
    }
    option.given = arg[10] == '=' && CompMethodFromName(arg.c_str() + 11, option.method);
    return option.given;
}

}  // namespace

int main(int argc, char** argv)
{
    TCompressOption compress;
    bool single = false;
    int first = 1;
    for (; first < argc; ++first) {
        if (CompressArgument(argv[first], compress))
            continue;
        else if (String(argv[first]) == "--single" && !single)
            single = true;
        else
            break;
    }
    if (argc - first != 3) {
        std::fprintf(stderr, "usage: nimbobuild [--compress[=lzma|zlib]] [--single] <form.nfm | script.nss> <folder> "
                             "<new setup folder or file>\n");
        return 2;
    }
    try {
        if (single) return Build<TSingleFile>(argv[first], argv[first + 1], argv[first + 2], compress);
        return Build<TSetupFolder>(argv[first], argv[first + 1], argv[first + 2], compress);
    } catch (const Exception& e) {
        std::fprintf(stderr, "nimbobuild: %s\n", e.Message().c_str());
        return 1;
    }
}
