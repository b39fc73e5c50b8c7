// Expands one piece of a version 2 or 3 stream, by the file's method. Each
// of the two threads that expand pieces has one; it keeps its coder's
// memory from piece to piece. Runs no code that may throw.
#pragma once

#include <lzma.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>

#include "comp_format.h"

class TCompPieceDecoder {
public:
    TCompPieceDecoder() = default;
    TCompPieceDecoder(const TCompPieceDecoder&) = delete;
    TCompPieceDecoder& operator=(const TCompPieceDecoder&) = delete;
    ~TCompPieceDecoder();

    // The method and filters of the pieces to come (see TCompHeader).
    void Use(TCompMethod method, uint8_t filters)
    {
        method_ = method;
        filters_ = filters;
    }
    // The inSize bytes at in must expand to exactly outSize bytes at out:
    // kCompOk, kCompCorrupt (damage: a stream that ends early or late, or
    // does not fill its piece exactly) or kCompNoMemory.
    int32_t Expand(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

private:
    int32_t Inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);
    int32_t Unlzma(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

    TCompMethod method_ = kCompMethodDeflate;
    uint8_t filters_ = 0;
    z_stream z_{};
    bool zLive_ = false;
    lzma_stream lzma_ = LZMA_STREAM_INIT;
};
