// Form compiler: turns a text form source into the binary form object
// stream that the build embeds as an RCDATA resource; given a third name,
// also writes the form packed there (what setup.exe ships).
//   formc <input.nfm> <output.bin> [<packed output>]
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/exceptions.h"
#include "form_pack.h"
#include "framework/form_text.h"

namespace {

bool Write(const char* path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::cerr << "formc: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: formc <input.nfm> <output.bin> [<packed output>]\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "formc: cannot open " << argv[1] << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
        const auto bytes = FormTextToBinary(text.str());
        if (!Write(argv[2], bytes) || (argc == 4 && !Write(argv[3], PackForm(bytes)))) return 1;
    } catch (const Exception& e) {
        std::cerr << argv[1] << ": " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
