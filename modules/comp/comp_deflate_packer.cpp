// Deflate pieces: each a raw deflate stream of its own.
#include <zlib.h>

#include <algorithm>
#include <cstdlib>

#include "comp_packer.h"

namespace {

// Raw deflate (no zlib header or trailer) with the largest window.
constexpr int kRawDeflateWindowBits = -15;

uint8_t Filters(const uint8_t*, size_t) { return 0; }

void* Open(int level, uint8_t)
{
    auto* z = static_cast<z_stream*>(std::calloc(1, sizeof(z_stream)));
    if (!z) return nullptr;
    if (deflateInit2(z, std::clamp(level, 0, 9), Z_DEFLATED, kRawDeflateWindowBits, 9, Z_DEFAULT_STRATEGY) == Z_OK)
        return z;
    std::free(z);
    return nullptr;
}

int32_t Pack(void* state, const uint8_t* in, size_t size, uint8_t* out, size_t& packed)
{
    auto* z = static_cast<z_stream*>(state);
    if (deflateReset(z) != Z_OK) return kCompNoMemory;
    z->next_in = const_cast<uint8_t*>(in);
    z->avail_in = static_cast<uInt>(size);
    z->next_out = out;
    z->avail_out = static_cast<uInt>(CompPieceBound(size));
    if (deflate(z, Z_FINISH) != Z_STREAM_END) return kCompNoMemory;
    packed = CompPieceBound(size) - z->avail_out;
    return kCompOk;
}

void Close(void* state)
{
    deflateEnd(static_cast<z_stream*>(state));
    std::free(state);
}

}  // namespace

const TCompPacker kCompDeflatePacker = {Filters, Open, Pack, Close, nullptr};
