// Form compiler: turns a text form source into the binary form object
// stream that the build embeds as an RCDATA resource.
//   formc <input.nfm> <output.bin>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/exceptions.h"
#include "framework/form_text.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: formc <input.nfm> <output.bin>\n";
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
        std::ofstream out(argv[2], std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "formc: cannot write " << argv[2] << "\n";
            return 1;
        }
    } catch (const Exception& e) {
        std::cerr << argv[1] << ": " << e.Message() << "\n";
        return 1;
    }
    return 0;
}
