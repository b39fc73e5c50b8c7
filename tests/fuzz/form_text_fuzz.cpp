// The text form compiler: any text compiles or ends in the read error that
// names the line; a compiled form starts with the form signature.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <typeinfo>

#include "base/exceptions.h"
#include "framework/form_reader.h"
#include "framework/form_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const std::vector<uint8_t> form = FormTextToBinary(std::string_view(reinterpret_cast<const char*>(data), size));
        if (form.size() < 4 || std::memcmp(form.data(), kFormSignature, 4) != 0) {
            std::fprintf(stderr, "compiled form without its signature\n");
            std::abort();
        }
    } catch (const EReadError&) {
    } catch (const std::exception& e) {
        std::fprintf(stderr, "form compiler raised %s: %s\n", typeid(e).name(), e.what());
        std::abort();
    }
    return 0;
}
