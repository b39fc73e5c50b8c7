// One fuzz input: reading must either succeed or stop with the read error
// or the date error. A script that was read must write, copy and read back
// to the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

#include "script_test_util.h"

inline void CheckStreamInput(const uint8_t* data, size_t size)
{
    TNimboDataErrorHandler quiet = SetNimboDataErrorHandler([](const String&) {});
    TNimboData script;
    bool read = false;
    try {
        TReader reader(data, size);
        script.ReadData(reader);
        read = true;
    } catch (const EReadError&) {
    } catch (const EConvertError&) {
    }
    // Whatever was read, even in part, is a consistent script: it copies
    // to the same bytes, and once written and read (which may drop files
    // that old layouts put on a full disk) it reads and writes stably.
    const std::vector<uint8_t> once = WriteScript(script);
    TNimboData copy;
    copy.Assign(&script);
    TNimboData again;
    ReadScript(again, once);
    const std::vector<uint8_t> twice = WriteScript(again);
    TNimboData third;
    ReadScript(third, twice);
    if (read && (WriteScript(copy) != once || WriteScript(third) != twice)) {
        std::fprintf(stderr, "script changed on a round trip\n");
        std::abort();
    }
    SetNimboDataErrorHandler(quiet);
}
