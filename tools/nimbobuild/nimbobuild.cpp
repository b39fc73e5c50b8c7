// The setup builder: a text form source or an author's script and a folder
// of files in, a ready setup folder out (setup.exe carrying the form with
// the filled script, the libraries it needs, the payload), or with --single
// one program file that carries all of it.
//   nimbobuild [--compress[=lzma|zlib]] [--no-solid] [--single] <form.nfm | script.nss> <folder> <new setup folder or
//   file>
// --compress packs with LZMA, the small files as one solid archive unless
// --no-solid says otherwise; --compress=zlib writes deflate files one by
// one, which compression libraries of earlier setups read too.
// setup.exe, TNLANG32.DLL and TNComp32.DLL are taken from beside the
// builder. On any error it says what is wrong and writes nothing.
#include <windows.h>

#include <cstdio>

#include "product_version_info.h"
#include "base/exceptions.h"
#include "build_source.h"
#include "comp/comp_method_names.h"
#include "form_script.h"
#include "script/nimbo_data.h"
#include "setup_folder.h"
#include "single_file.h"
#include "solid_writer.h"

namespace {

struct TBuildOptions {
    bool compress = false;
    // Whether the command line chose compression (it then wins over the script's choice).
    bool compressGiven = false;
    TCompMethod method = kCompMethodLzma;
    // With LZMA: the small files as one solid archive.
    bool solid = true;
    bool single = false;
};

// --compress, --compress=lzma or --compress=zlib, once.
bool CompressArgument(const String& arg, TBuildOptions& options)
{
    if (options.compressGiven || arg.compare(0, 10, "--compress") != 0) return false;
    if (arg.size() == 10) {
        options.compressGiven = true;
        return true;
    }
    options.compressGiven = arg[10] == '=' && CompMethodFromName(arg.c_str() + 11, options.method);
    return options.compressGiven;
}

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

// The script from the form's SetupData.
void ReadScript(const String& sourcePath, const std::vector<uint8_t>& form, TSetupDataSpan& span, TNimboData& script)
{
    try {
        if (!FindSetupData(form, span)) throw ENimboError(Format("%s: the form has no SetupData", sourcePath));
        TValueReader r(form.data() + span.begin, span.end - span.begin);
        script.ReadData(r);
    } catch (const EReadError& e) {
        throw ENimboError(Format("%s: the form's setup script cannot be read: %s", sourcePath, e.Message()));
    }
}

std::vector<TPayloadFile> PayloadOf(const std::vector<TScannedFile>& scanned)
{
    std::vector<TPayloadFile> files;
    for (const TScannedFile& s : scanned) files.push_back(s.file);
    return files;
}

// A script ships the files its patterns picked, not the whole folder.
void KeepPicked(const TNimboData& script, std::vector<TScannedFile>& scanned)
{
    const std::vector<TNimboFile*> picked = ScriptEntries(script, PayloadOf(scanned));
    std::vector<TScannedFile> shipped;
    for (size_t i = 0; i < scanned.size(); ++i)
        if (picked[i]) shipped.push_back(std::move(scanned[i]));
    scanned = std::move(shipped);
}

// Puts the files into the output: those of a solid build up to kSolidLimit into
// `solid`, to be packed once the script says where they go.
template <class TOut>
int64_t ShipFiles(TOut& out, const std::vector<TScannedFile>& scanned, std::vector<TPayloadFile>& files,
                  const TBuildOptions& options, std::vector<TSolidMember>& solid)
{
    int64_t payload = 0;
    for (size_t i = 0; i < scanned.size(); ++i) {
        TPayloadFile& f = files[i];
        payload += f.size;
        if (options.compress && options.solid && options.method == kCompMethodLzma && f.size <= kSolidLimit) {
            solid.push_back(TSolidMember{scanned[i].path, f.Path(), static_cast<uint64_t>(f.size)});
            f.compressedSize = f.size;
        } else if (options.compress) {
            f.compressed = out.CompressIn(scanned[i].path, f.Path(), f.size, f.compressedSize, options.method);
        } else {
            out.CopyIn(scanned[i].path, f.Path());
        }
    }
    return payload;
}

// TOut: TSetupFolder or TSingleFile.
template <class TOut>
int Build(const String& sourcePath, const String& folderArg, const String& outArg, TBuildOptions options)
{
    const String folder = FullPath(folderArg);
    std::vector<TScannedFile> scanned = ScanFolder(folder);
    TBuildSource source = LoadBuildSource(sourcePath, scanned, BuilderFolder());
    std::vector<uint8_t>& form = source.form;
    options.compress = options.compressGiven || source.compress;
    if (!options.compressGiven) options.method = source.method;
    TSetupDataSpan span;
    TNimboData script;
    ReadScript(sourcePath, form, span, script);
    if (source.fromScript) KeepPicked(script, scanned);
    std::vector<TPayloadFile> files = PayloadOf(scanned);
    CheckScriptAgainstFolder(script, files);

    TOut out(FullPath(outArg), BuilderFolder());
    out.AddProgram(options.compress);
    std::vector<TSolidMember> solid;
    const int64_t payload = ShipFiles(out, scanned, files, options, solid);
    // Only a setup in test mode takes its files from where they were found;
    // the others would carry the folder's path in every entry for nothing.
    FillScript(script, files, span.test ? folder : String(), !source.fromScript);
    if (!solid.empty()) {
        SortInCopyOrder(solid, script);
        out.AddSolid(solid, options.method);
    }
    TValueWriter w;
    script.WriteData(w);
    const std::vector<uint8_t> version = ProductVersionResource(ProductInfoOf(ReadFormTree(form), script.AppName()));
    out.SetForm(ReplaceSetupData(form, span, w.Data()), options.compress, version);
    std::printf("%s: %d files, %lld bytes; the setup holds %lld bytes\n", outArg.c_str(),
                static_cast<int>(files.size()), static_cast<long long>(payload), static_cast<long long>(out.Size()));
    out.Keep();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    TBuildOptions options;
    bool noSolid = false;
    int first = 1;
    for (; first < argc; ++first) {
        const String arg = argv[first];
        if (CompressArgument(arg, options))
            continue;
        else if (arg == "--single" && !options.single)
            options.single = true;
        else if (arg == "--no-solid" && !noSolid)
            noSolid = true;
        else
            break;
    }
    options.solid = !noSolid;
    if (argc - first != 3) {
        std::fprintf(stderr,
                     "usage: nimbobuild [--compress[=lzma|zlib]] [--no-solid] [--single] <form.nfm | script.nss> "
                     "<folder> <new setup folder or file>\n");
        return 2;
    }
    try {
        if (options.single) return Build<TSingleFile>(argv[first], argv[first + 1], argv[first + 2], options);
        return Build<TSetupFolder>(argv[first], argv[first + 1], argv[first + 2], options);
    } catch (const Exception& e) {
        std::fprintf(stderr, "nimbobuild: %s\n", e.Message().c_str());
        return 1;
    }
}
