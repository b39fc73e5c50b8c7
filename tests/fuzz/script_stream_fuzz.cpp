// The script stream reader: a read ends cleanly or in its read error, and
// what was read copies and round-trips stably.
#include "stream_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckStreamInput(data, size);
    return 0;
}
