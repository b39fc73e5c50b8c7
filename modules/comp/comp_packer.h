// The piece packers of the compressed format, one per method. A build
// links the table of the methods it writes (comp_packers.cpp: every one;
// the DLL's own: deflate alone, so it carries LZMA's decoder and not its
// much larger encoder). Plain functions on the C heap: the DLL has no C++
// runtime.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comp_format.h"

struct TCompPacker {
    // The filters for a file whose first piece is these bytes.
    uint8_t (*filters)(const uint8_t* first, size_t size);
    // The coder's state for the pieces of one file (null: no memory).
    void* (*open)(int level, uint8_t filters);
    // Packs size bytes at in into out, which has room for CompPieceBound(size)
    // bytes; the packed size goes to packed. kCompOk or kCompNoMemory.
    int32_t (*pack)(void* state, const uint8_t* in, size_t size, uint8_t* out, size_t& packed);
    void (*close)(void* state);
    // The whole of in as one stream into out, with a dictionary of
    // dictSize bytes; packed counts the bytes written. Null for a method
    // that has no such stream. kCompOk, kCompNoMemory, or kCompCannotOpen
    // and kCompCannotWrite for the source and the sink.
    int32_t (*packStream)(void* state, uint32_t dictSize, TCompSource& in, TCompSink& out, uint64_t& packed);
};

extern const TCompPacker kCompDeflatePacker;
extern const TCompPacker kCompLzmaPacker;

// The packer of method in this build; null when it writes no such files.
const TCompPacker* CompPacker(TCompMethod method);
