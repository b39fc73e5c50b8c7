// The author's script: any text parses and compiles into the shipped host
// form, or ends in a script error naming its place; nothing else escapes.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <typeinfo>

#include "author_script.h"
#include "framework/form_text.h"
#include "script_form.h"

namespace {

const std::vector<uint8_t>& HostForm()
{
    static const std::vector<uint8_t> form = [] {
        std::ifstream in(NIMBO_SOURCE_DIR "/src/app/nimbo_form.nfm", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return FormTextToBinary(text.str());
    }();
    return form;
}

// A folder with a subfolder, for the patterns to pick from.
const std::vector<TPayloadFile>& Payload()
{
    static const std::vector<TPayloadFile> files = {
        {"", "writer.exe"}, {"", "readme.txt"}, {"help", "writer.hlp"}, {"help\\pics", "one.bmp"}};
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const TAuthorScript script =
            ParseAuthorScript(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.nss");
        CompileAuthorScript(script, Payload(), HostForm());
    } catch (const EScriptError&) {
    } catch (const std::exception& e) {
        std::fprintf(stderr, "the script compiler raised %s: %s\n", typeid(e).name(), e.what());
        std::abort();
    }
    return 0;
}
