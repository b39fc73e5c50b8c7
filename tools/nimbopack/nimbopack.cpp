// nimbopack program.exe stub.exe packed.exe: writes the program packed
// (see pack_image.h), or says why it cannot and writes nothing.
#include <cstdio>

#include "base/exceptions.h"
#include "pack_image.h"
#include "pe_file.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: nimbopack program.exe stub.exe packed.exe\n");
        return 2;
    }
    try {
        const TPeFile program(ReadWholeFile(argv[1]));
        const TPeFile stub(ReadWholeFile(argv[2]));
        const std::vector<uint8_t> packed = PackProgram(program, stub);
        WriteWholeFile(argv[3], packed);
        std::printf("%s: %zu -> %zu bytes\n", argv[3], program.Bytes().size(), packed.size());
    } catch (const Exception& e) {
        std::fprintf(stderr, "nimbopack: %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
