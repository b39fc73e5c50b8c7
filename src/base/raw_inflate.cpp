#include "base/raw_inflate.h"

#include <cstring>

namespace {

constexpr int kMaxBits = 15;
constexpr int kMaxLitLen = 288;
constexpr int kMaxDist = 30;

// A canonical Huffman code: how many codes of each length, and the symbols
// in code order.
struct THuffman {
    short count[kMaxBits + 1];
    short symbol[kMaxLitLen];
};

class TInflate {
public:
    TInflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize)
        : in_(in), inSize_(inSize), out_(out), outSize_(outSize)
    {
    }

    bool Run()
    {
        int last;
        do {
            last = Bits(1);
            const int type = Bits(2);
            if (failed_) return false;
            bool ok = type == 0 ? Stored() : type == 1 ? Fixed() : type == 2 ? Dynamic() : false;
            if (!ok || failed_) return false;
        } while (!last);
        // Only the padding of the last byte may be left, and every byte given.
        return inPos_ == inSize_ && outPos_ == outSize_;
    }

private:
    // The next n bits, low bit first; sets failed_ past the end of the input.
    int Bits(int n)
    {
        while (bitCount_ < n) {
            if (inPos_ == inSize_) {
                failed_ = true;
                return 0;
            }
            bitBuffer_ |= static_cast<uint32_t>(in_[inPos_++]) << bitCount_;
            bitCount_ += 8;
        }
        const int v = static_cast<int>(bitBuffer_ & ((1u << n) - 1));
        bitBuffer_ >>= n;
        bitCount_ -= n;
        return v;
    }

    bool Stored()
    {
        bitBuffer_ = 0;
        bitCount_ = 0;
        if (inSize_ - inPos_ < 4) return false;
        const size_t len = in_[inPos_] | (in_[inPos_ + 1] << 8);
        const size_t nlen = in_[inPos_ + 2] | (in_[inPos_ + 3] << 8);
        inPos_ += 4;
        if (len != (~nlen & 0xffff) || len > inSize_ - inPos_ || len > outSize_ - outPos_) return false;
        if (len > 0) std::memcpy(out_ + outPos_, in_ + inPos_, len);
        inPos_ += len;
        outPos_ += len;
        return true;
    }

    // Builds a code from code lengths. Negative: more codes than the lengths
    // allow (damage); positive: an incomplete code, allowed only where the
    // format allows it.
    static int Build(THuffman& h, const short* length, int n)
    {
        std::memset(h.count, 0, sizeof h.count);
        for (int s = 0; s < n; ++s) h.count[length[s]]++;
        if (h.count[0] == n) return 0;
        int left = 1;
        for (int len = 1; len <= kMaxBits; ++len) {
            left <<= 1;
            left -= h.count[len];
            if (left < 0) return left;
        }
        short offsets[kMaxBits + 1];
        offsets[1] = 0;
        for (int len = 1; len < kMaxBits; ++len) offsets[len + 1] = static_cast<short>(offsets[len] + h.count[len]);
        for (int s = 0; s < n; ++s)
            if (length[s] != 0) h.symbol[offsets[length[s]]++] = static_cast<short>(s);
        return left;
    }

    // One symbol; -1 when the bits are no code.
    int Decode(const THuffman& h)
    {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxBits; ++len) {
            code |= Bits(1);
            if (failed_) return -1;
            const int count = h.count[len];
            if (code - count < first) return h.symbol[index + (code - first)];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        return -1;
    }

    bool Codes(const THuffman& lencode, const THuffman& distcode)
    {
        static const short lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const short lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static const unsigned short distBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static const short distExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            int symbol = Decode(lencode);
            if (symbol < 0) return false;
            if (symbol < 256) {
                if (outPos_ == outSize_) return false;
                out_[outPos_++] = static_cast<uint8_t>(symbol);
                continue;
            }
            if (symbol == 256) return true;
            symbol -= 257;
            if (symbol >= 29) return false;
            const size_t len = static_cast<size_t>(lengthBase[symbol] + Bits(lengthExtra[symbol]));
            const int d = Decode(distcode);
            if (d < 0 || d >= 30) return false;
            const size_t dist = distBase[d] + static_cast<size_t>(Bits(distExtra[d]));
            if (failed_ || dist > outPos_ || len > outSize_ - outPos_) return false;
            // Byte by byte: the copy may overlap what it writes.
            for (size_t i = 0; i < len; ++i, ++outPos_) out_[outPos_] = out_[outPos_ - dist];
        }
    }

    bool Fixed()
    {
        static THuffman lencode, distcode;
        static bool built = false;
        if (!built) {
            short lengths[kMaxLitLen];
            int s = 0;
            for (; s < 144; ++s) lengths[s] = 8;
            for (; s < 256; ++s) lengths[s] = 9;
            for (; s < 280; ++s) lengths[s] = 7;
            for (; s < kMaxLitLen; ++s) lengths[s] = 8;
            Build(lencode, lengths, kMaxLitLen);
            for (s = 0; s < kMaxDist; ++s) lengths[s] = 5;
            Build(distcode, lengths, kMaxDist);
            built = true;
        }
        return Codes(lencode, distcode);
    }

    bool Dynamic()
    {
        static const short order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        const int nlen = Bits(5) + 257;
        const int ndist = Bits(5) + 1;
        const int ncode = Bits(4) + 4;
        if (failed_ || nlen > 286 || ndist > kMaxDist) return false;
        short lengths[kMaxLitLen + kMaxDist] = {};
        int index = 0;
        for (; index < ncode; ++index) lengths[order[index]] = static_cast<short>(Bits(3));
        if (failed_) return false;
        THuffman lencode, distcode;
        // The code-length code must be complete.
        if (Build(lencode, lengths, 19) != 0) return false;
        index = 0;
        while (index < nlen + ndist) {
            int symbol = Decode(lencode);
            if (symbol < 0) return false;
            if (symbol < 16) {
                lengths[index++] = static_cast<short>(symbol);
                continue;
            }
            short len = 0;
            if (symbol == 16) {
                if (index == 0) return false;  // nothing to repeat
                len = lengths[index - 1];
                symbol = 3 + Bits(2);
            } else if (symbol == 17) {
                symbol = 3 + Bits(3);
            } else {
                symbol = 11 + Bits(7);
            }
            if (failed_ || index + symbol > nlen + ndist) return false;
            while (symbol-- > 0) lengths[index++] = len;
        }
        if (lengths[256] == 0) return false;  // no end-of-block code
        // Incomplete codes only when they have a single code.
        int err = Build(lencode, lengths, nlen);
        if (err < 0 || (err > 0 && nlen - lencode.count[0] != 1)) return false;
        err = Build(distcode, lengths + nlen, ndist);
        if (err < 0 || (err > 0 && ndist - distcode.count[0] != 1)) return false;
        return Codes(lencode, distcode);
    }

    const uint8_t* in_;
    size_t inSize_;
    size_t inPos_ = 0;
    uint8_t* out_;
    size_t outSize_;
    size_t outPos_ = 0;
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    bool failed_ = false;
};

}  // namespace

bool InflateRaw(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize)
{
    return TInflate(in, inSize, out, outSize).Run();
}
