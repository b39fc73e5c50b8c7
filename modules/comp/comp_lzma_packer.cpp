// LZMA pieces: each a raw LZMA2 stream whose dictionary is the piece,
// behind the x86 branch filter for program images; and a whole file as one
// such stream (version 4).
#include <lzma.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/le_bytes.h"
#include "comp_packer.h"
#include "comp_lzma_chain.h"

namespace {

struct TState {
    lzma_stream stream;
    uint32_t preset;
    uint8_t filters;
};

// A program image for x86: the MZ header, the PE signature where it
// points, and an i386 or x86-64 machine. The branch filter turns its
// relative calls and jumps into absolute ones, which repeat.
bool IsX86Program(const uint8_t* data, size_t size)
{
    if (size < 0x40 || data[0] != 'M' || data[1] != 'Z') return false;
    const uint32_t pe = GetLE32(data + 0x3c);
    if (pe > size - 6 || std::memcmp(data + pe, "PE\0\0", 4) != 0) return false;
    const unsigned machine = data[pe + 4] | (data[pe + 5] << 8);
    return machine == 0x014c || machine == 0x8664;
}

uint8_t Filters(const uint8_t* first, size_t size) { return IsX86Program(first, size) ? kCompFilterX86 : 0; }

void* Open(int level, uint8_t filters)
{
    auto* s = static_cast<TState*>(std::calloc(1, sizeof(TState)));
    if (!s) return nullptr;
    s->stream = LZMA_STREAM_INIT;
    // Level 9 is xz's -9e: setups are packed once and expanded many times.
    s->preset = level >= 9 ? 9 | LZMA_PRESET_EXTREME : static_cast<uint32_t>(level < 0 ? 0 : level);
    s->filters = filters;
    return s;
}

// The coder for one stream of the file's filters and a dictionary of dictSize bytes.
bool StartEncoder(TState* s, uint32_t dictSize)
{
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, s->preset)) return false;
    options.dict_size = dictSize < LZMA_DICT_SIZE_MIN ? LZMA_DICT_SIZE_MIN : dictSize;
    const TCompLzmaChain chain(s->filters, &options);
    return lzma_raw_encoder(&s->stream, chain.filters) == LZMA_OK;
}

int32_t Pack(void* state, const uint8_t* in, size_t size, uint8_t* out, size_t& packed)
{
    auto* s = static_cast<TState*>(state);
    // A dictionary larger than the piece buys nothing; the decoder takes
    // the piece's size as its own.
    lzma_options_lzma preset;
    if (lzma_lzma_preset(&preset, s->preset)) return kCompNoMemory;
    if (!StartEncoder(s, static_cast<uint32_t>(std::min<size_t>(preset.dict_size, size)))) return kCompNoMemory;
    s->stream.next_in = in;
    s->stream.avail_in = size;
    s->stream.next_out = out;
    s->stream.avail_out = CompPieceBound(size);
    if (lzma_code(&s->stream, LZMA_FINISH) != LZMA_STREAM_END) return kCompNoMemory;
    packed = CompPieceBound(size) - s->stream.avail_out;
    return kCompOk;
}

int32_t PackStream(void* state, uint32_t dictSize, TCompSource& in, TCompSink& out, uint64_t& packed)
{
    constexpr size_t kBlock = 1 << 20;
    auto* s = static_cast<TState*>(state);
    TCompBuffer inBuf, outBuf;
    if (!inBuf.Reserve(kBlock) || !outBuf.Reserve(kBlock) || !StartEncoder(s, dictSize)) return kCompNoMemory;
    packed = 0;
    lzma_action action = LZMA_RUN;
    s->stream.next_out = outBuf.Data();
    s->stream.avail_out = kBlock;
    for (;;) {
        if (s->stream.avail_in == 0 && action == LZMA_RUN) {
            const int64_t got = in.Read(inBuf.Data(), kBlock);
            if (got < 0) return kCompCannotOpen;
            if (got == 0) action = LZMA_FINISH;
            s->stream.next_in = inBuf.Data();
            s->stream.avail_in = static_cast<size_t>(got);
        }
        const lzma_ret ret = lzma_code(&s->stream, action);
        if (ret != LZMA_OK && ret != LZMA_STREAM_END) return kCompNoMemory;
        if (s->stream.avail_out == 0 || ret == LZMA_STREAM_END) {
            const size_t have = kBlock - s->stream.avail_out;
            if (!out.Write(outBuf.Data(), have)) return kCompCannotWrite;
            packed += have;
            s->stream.next_out = outBuf.Data();
            s->stream.avail_out = kBlock;
        }
        if (ret == LZMA_STREAM_END) return kCompOk;
    }
}

void Close(void* state)
{
    lzma_end(&static_cast<TState*>(state)->stream);
    std::free(state);
}

}  // namespace

const TCompPacker kCompLzmaPacker = {Filters, Open, Pack, Close, PackStream};
