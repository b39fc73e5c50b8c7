#include "build_source.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "author_script.h"
#include "base/exceptions.h"
#include "base/setup_files.h"
#include "engine_scope.h"
#include "framework/form_text.h"
#include "script_form.h"
#include "script_pages.h"
#include "setup_folder.h"

namespace {

String ReadText(const String& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) throw ENimboError(Format("%s: cannot read the file", path));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool IsAuthorScript(const String& path, const String& text)
{
    const String name = UpperCase(ExtractFileName(path));
    const size_t dot = name.rfind('.');
    const String ext = dot == String::npos ? String() : name.substr(dot);
    if (ext == ".NSS") return true;
    if (ext == ".NFM") return false;
    const size_t first = text.find_first_not_of(" \t\r\n");
    return first == String::npos || !SameText(text.substr(first, 6), "object");
}

// The host form setup.exe carries: the pages a script is compiled into.
std::vector<uint8_t> HostForm(const String& templates)
{
    const String exe = templates + "\\" + kSetupProgramName;
    HMODULE m = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m)
        throw ENimboError(Format("%s: cannot read its resources (error %d)", exe, static_cast<int>(GetLastError())));
    std::vector<uint8_t> form;
    if (HRSRC r = FindResourceA(m, kFormResourceName, MAKEINTRESOURCEA(10))) {
        const DWORD size = SizeofResource(m, r);
        if (HGLOBAL g = LoadResource(m, r))
            if (const auto* p = static_cast<const uint8_t*>(LockResource(g))) form.assign(p, p + size);
    }
    FreeLibrary(m);
    if (form.empty()) throw ENimboError(Format("%s: holds no host form", exe));
    return form;
}

}  // namespace

TBuildSource LoadBuildSource(const String& path, const std::vector<TScannedFile>& payload, const String& templates)
{
    const String text = ReadText(path);
    TBuildSource source;
    if (!IsAuthorScript(path, text)) {
        try {
            source.form = FormTextToBinary(text);
            CheckEngineScope(ReadFormTree(source.form), path);
        } catch (const EReadError& e) {
            throw ENimboError(Format("%s: %s", path, e.Message()));
        }
        return source;
    }
    TAuthorScript script = ParseAuthorScript(text, path);
    std::vector<TPayloadFile> files;
    std::vector<String> paths;
    for (const TScannedFile& s : payload) files.push_back(s.file), paths.push_back(s.path);
    script.licenseText = ReadLicenseText(script, files, paths);
    try {
        TCompiledScript compiled = CompileAuthorScript(script, files, HostForm(templates));
        source.form = std::move(compiled.form);
        source.compress = compiled.compress;
        source.method = compiled.method;
    } catch (const EReadError& e) {
        throw ENimboError(Format("%s: the host form cannot be read: %s", kSetupProgramName, e.Message()));
    }
    source.fromScript = true;
    return source;
}
