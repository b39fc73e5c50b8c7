#include "base/crc32c.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define NIMBO_CRC32C_INSTRUCTION 1
#endif

namespace {

constexpr uint32_t kPolynomial = 0x82F63B78u;  // reflected

// Eight tables: eight bytes a step.
struct TCrcTables {
    uint32_t t[8][256];
    TCrcTables()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? (c >> 1) ^ kPolynomial : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

uint32_t TableCrc(uint32_t crc, const uint8_t* p, size_t n)
{
    static const TCrcTables tables;
    const auto& t = tables.t;
    for (; n >= 8; n -= 8, p += 8) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
              t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    }
    for (; n > 0; --n, ++p) crc = (crc >> 8) ^ t[0][(crc ^ *p) & 0xFF];
    return crc;
}

#ifdef NIMBO_CRC32C_INSTRUCTION
bool HasCrcInstruction()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSE4_2);
}

__attribute__((target("sse4.2"))) uint32_t InstructionCrc(uint32_t crc, const uint8_t* p, size_t n)
{
    for (; n >= 4; n -= 4, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        crc = __builtin_ia32_crc32si(crc, v);
    }
    for (; n > 0; --n, ++p) crc = __builtin_ia32_crc32qi(crc, *p);
    return crc;
}
#endif

}  // namespace

uint32_t Crc32c(uint32_t crc, const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
#ifdef NIMBO_CRC32C_INSTRUCTION
    static const bool instruction = HasCrcInstruction();
    crc = instruction ? InstructionCrc(crc, p, size) : TableCrc(crc, p, size);
#else
    crc = TableCrc(crc, p, size);
#endif
    return ~crc;
}

uint32_t Crc32cByTable(uint32_t crc, const void* data, size_t size)
{
    return ~TableCrc(~crc, static_cast<const uint8_t*>(data), size);
}
