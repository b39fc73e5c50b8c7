#include "lzma_expand.h"

namespace {

constexpr uint32_t kTopValue = 1u << 24;
constexpr int kModelBits = 11;
constexpr int kMoveBits = 5;
constexpr uint16_t kProbInit = 1 << (kModelBits - 1);
constexpr uint32_t kStates = 12;
constexpr uint32_t kPosStatesMax = 16;
constexpr uint32_t kMatchMinLen = 2;
constexpr uint32_t kEndPosModelIndex = 14;
constexpr uint32_t kFullDistances = 128;
constexpr uint32_t kAlignBits = 4;

// Where each model lives in the one probability table.
constexpr uint32_t kLenChoice = 0, kLenChoice2 = 1, kLenLow = 2, kLenMid = kLenLow + (kPosStatesMax << 3),
                   kLenHigh = kLenMid + (kPosStatesMax << 3), kLenSize = kLenHigh + 256;
constexpr uint32_t kIsMatch = 0, kIsRep = kIsMatch + (kStates << 4), kIsRepG0 = kIsRep + kStates,
                   kIsRepG1 = kIsRepG0 + kStates, kIsRepG2 = kIsRepG1 + kStates, kIsRep0Long = kIsRepG2 + kStates,
                   kPosSlot = kIsRep0Long + (kStates << 4), kSpecPos = kPosSlot + (4 << 6),
                   kAlign = kSpecPos + kFullDistances - kEndPosModelIndex, kLenCoder = kAlign + (1 << kAlignBits),
                   kRepLenCoder = kLenCoder + kLenSize, kLiteral = kRepLenCoder + kLenSize;

struct TRangeDecoder {
    const uint8_t* in;
    const uint8_t* end;
    uint32_t range;
    uint32_t code;
    bool overrun;

    uint8_t Next()
    {
        if (in == end) {
            overrun = true;
            return 0;
        }
        return *in++;
    }
    void Normalize()
    {
        if (range < kTopValue) {
            range <<= 8;
            code = (code << 8) | Next();
        }
    }
    uint32_t Bit(uint16_t* prob)
    {
        const uint32_t bound = (range >> kModelBits) * *prob;
        uint32_t bit;
        if (code < bound) {
            *prob = static_cast<uint16_t>(*prob + (((1 << kModelBits) - *prob) >> kMoveBits));
            range = bound;
            bit = 0;
        } else {
            *prob = static_cast<uint16_t>(*prob - (*prob >> kMoveBits));
            code -= bound;
            range -= bound;
            bit = 1;
        }
        Normalize();
        return bit;
    }
    uint32_t Direct(uint32_t count)
    {
        uint32_t result = 0;
        while (count--) {
            range >>= 1;
            code -= range;
            const uint32_t t = 0 - (code >> 31);
            code += range & t;
            Normalize();
            result = (result << 1) + (t + 1);
        }
        return result;
    }
    uint32_t Tree(uint16_t* probs, uint32_t bits)
    {
        uint32_t m = 1;
        for (uint32_t i = 0; i < bits; ++i) m = (m << 1) + Bit(probs + m);
        return m - (1u << bits);
    }
    uint32_t ReverseTree(uint16_t* probs, uint32_t bits)
    {
        uint32_t m = 1, symbol = 0;
        for (uint32_t i = 0; i < bits; ++i) {
            const uint32_t bit = Bit(probs + m);
            m = (m << 1) + bit;
            symbol |= bit << i;
        }
        return symbol;
    }
};

struct TDecoder {
    TRangeDecoder rc;
    uint16_t* probs;
    uint8_t* out;
    size_t size;
    size_t pos;
    uint32_t lc, lpMask, pbMask;
    uint32_t state;
    uint32_t rep[4];

    uint32_t Length(uint32_t base, uint32_t posState)
    {
        uint16_t* p = probs + base;
        if (!rc.Bit(p + kLenChoice)) return rc.Tree(p + kLenLow + (posState << 3), 3);
        if (!rc.Bit(p + kLenChoice2)) return 8 + rc.Tree(p + kLenMid + (posState << 3), 3);
        return 16 + rc.Tree(p + kLenHigh, 8);
    }
    uint32_t Distance(uint32_t len)
    {
        const uint32_t lenState = len < 3 ? len : 3;
        const uint32_t slot = rc.Tree(probs + kPosSlot + (lenState << 6), 6);
        if (slot < 4) return slot;
        const uint32_t bits = (slot >> 1) - 1;
        uint32_t dist = (2 | (slot & 1)) << bits;
        if (slot < kEndPosModelIndex) return dist + rc.ReverseTree(probs + kSpecPos + dist - slot, bits);
        dist += rc.Direct(bits - kAlignBits) << kAlignBits;
        return dist + rc.ReverseTree(probs + kAlign, kAlignBits);
    }
    void Literal()
    {
        const uint32_t prev = pos ? out[pos - 1] : 0;
        uint16_t* p = probs + kLiteral + 0x300 * (((pos & lpMask) << lc) + (prev >> (8 - lc)));
        uint32_t symbol = 1;
        if (state >= 7) {
            uint32_t match = out[pos - rep[0] - 1];
            do {
                const uint32_t matchBit = (match >> 7) & 1;
                match <<= 1;
                const uint32_t bit = rc.Bit(p + ((1 + matchBit) << 8) + symbol);
                symbol = (symbol << 1) | bit;
                if (matchBit != bit) break;
            } while (symbol < 0x100);
        }
        while (symbol < 0x100) symbol = (symbol << 1) | rc.Bit(p + symbol);
        out[pos++] = static_cast<uint8_t>(symbol);
        state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
    }
    // A match or repeat; false when it reaches before the start.
    bool Match(uint32_t posState)
    {
        uint32_t len;
        if (rc.Bit(probs + kIsRep + state)) {
            if (pos == 0) return false;
            if (!rc.Bit(probs + kIsRepG0 + state)) {
                if (!rc.Bit(probs + kIsRep0Long + (state << 4) + posState)) {
                    state = state < 7 ? 9 : 11;
                    out[pos] = out[pos - rep[0] - 1];
                    ++pos;
                    return true;
                }
            } else {
                uint32_t dist;
                if (!rc.Bit(probs + kIsRepG1 + state)) {
                    dist = rep[1];
                } else {
                    if (!rc.Bit(probs + kIsRepG2 + state)) {
                        dist = rep[2];
                    } else {
                        dist = rep[3];
                        rep[3] = rep[2];
                    }
                    rep[2] = rep[1];
                }
                rep[1] = rep[0];
                rep[0] = dist;
            }
            len = Length(kRepLenCoder, posState);
            state = state < 7 ? 8 : 11;
        } else {
            rep[3] = rep[2];
            rep[2] = rep[1];
            rep[1] = rep[0];
            len = Length(kLenCoder, posState);
            state = state < 7 ? 7 : 10;
            rep[0] = Distance(len);
            if (rep[0] >= pos) return false;  // also the end marker, which comes after the last byte
        }
        for (len += kMatchMinLen; len > 0 && pos < size; --len, ++pos) out[pos] = out[pos - rep[0] - 1];
        return true;
    }
};

}  // namespace

uint32_t LzmaProbabilityCount(uint32_t properties)
{
    if (properties >= 9 * 5 * 5) return 0;
    const uint32_t lc = properties % 9, lp = properties / 9 % 5;
    return kLiteral + (0x300u << (lc + lp));
}

bool LzmaExpand(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, uint32_t properties, uint16_t* probs)
{
    const uint32_t count = LzmaProbabilityCount(properties);
    if (!count || inSize < 5 || in[0] != 0) return false;
    for (uint32_t i = 0; i < count; ++i) probs[i] = kProbInit;
    TDecoder d{};
    d.rc.in = in + 1;
    d.rc.end = in + inSize;
    d.rc.range = 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) d.rc.code = (d.rc.code << 8) | d.rc.Next();
    d.probs = probs;
    d.out = out;
    d.size = outSize;
    d.lc = properties % 9;
    d.lpMask = (1u << (properties / 9 % 5)) - 1;
    d.pbMask = (1u << (properties / 45)) - 1;
    while (d.pos < outSize && !d.rc.overrun) {
        const uint32_t posState = d.pos & d.pbMask;
        if (!d.rc.Bit(probs + kIsMatch + (d.state << 4) + posState)) {
            d.Literal();
        } else if (!d.Match(posState)) {
            return false;
        }
    }
    return !d.rc.overrun && d.pos == outSize;
}
