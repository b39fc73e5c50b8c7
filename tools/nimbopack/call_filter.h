// The call filter: the 32-bit distance behind each call or jump opcode
// (E8, E9) of code becomes the absolute target, so calls to one function
// from all over the code read alike and compress better. It looks only at
// opcode bytes it leaves unchanged and steps over the four it rewrites, so
// undoing it finds the same places.
#pragma once

#include "base/le_bytes.h"

inline void CallFilter(uint8_t* code, uint32_t size, uint32_t rva, bool encode)
{
    for (uint32_t i = 0; i + 5 <= size;) {
        if ((code[i] & 0xFE) != 0xE8) {
            ++i;
            continue;
        }
        uint8_t* p = code + i + 1;
        uint32_t v = GetLE32(p);
        const uint32_t next = rva + i + 5;
        v = encode ? v + next : v - next;
        PutLE32(p, v);
        i += 5;
    }
}
