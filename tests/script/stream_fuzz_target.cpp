// libFuzzer entry for the script stream reader (built with clang only).
#include "stream_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckStreamInput(data, size);
    return 0;
}
