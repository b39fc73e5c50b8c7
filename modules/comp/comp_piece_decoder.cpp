#include "comp_piece_decoder.h"
#include "comp_lzma_chain.h"

namespace {

// Raw deflate (no zlib header or trailer) with the largest window.
constexpr int kRawDeflateWindowBits = -15;

}  // namespace

TCompPieceDecoder::~TCompPieceDecoder()
{
    if (zLive_) inflateEnd(&z_);
    lzma_end(&lzma_);
}

int32_t TCompPieceDecoder::Expand(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize)
{
    return method_ == kCompMethodLzma ? Unlzma(in, inSize, out, outSize) : Inflate(in, inSize, out, outSize);
}

int32_t TCompPieceDecoder::Inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize)
{
    if (!zLive_) {
        if (inflateInit2(&z_, kRawDeflateWindowBits) != Z_OK) return kCompNoMemory;
        zLive_ = true;
    } else if (inflateReset(&z_) != Z_OK) {
        return kCompNoMemory;
    }
    z_.next_in = const_cast<uint8_t*>(in);
    z_.avail_in = static_cast<uInt>(inSize);
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(outSize);
    const int ret = inflate(&z_, Z_FINISH);
    if (ret == Z_MEM_ERROR) return kCompNoMemory;
    if (ret != Z_STREAM_END || z_.avail_in != 0 || z_.avail_out != 0) return kCompCorrupt;
    return kCompOk;
}

int32_t TCompPieceDecoder::Unlzma(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize)
{
    // The encoder's dictionary was at most the piece; a distance beyond the
    // bytes expanded so far is damage, which the decoder finds itself. The
    // same chain and dictionary again reuse the decoder's memory.
    lzma_options_lzma options{};
    options.dict_size = outSize < LZMA_DICT_SIZE_MIN ? LZMA_DICT_SIZE_MIN : static_cast<uint32_t>(outSize);
    const TCompLzmaChain chain(filters_, &options);
    const lzma_ret init = lzma_raw_decoder(&lzma_, chain.filters);
    if (init != LZMA_OK) return init == LZMA_MEM_ERROR ? kCompNoMemory : kCompCorrupt;
    lzma_.next_in = in;
    lzma_.avail_in = inSize;
    lzma_.next_out = out;
    lzma_.avail_out = outSize;
    lzma_ret ret = lzma_code(&lzma_, LZMA_FINISH);
    if (ret == LZMA_OK && lzma_.avail_out == 0) {
        // The piece is full: the decoder stops before the stream's end
        // mark. Room for one byte more reads it, or finds the stream too long.
        uint8_t beyond;
        lzma_.next_out = &beyond;
        lzma_.avail_out = 1;
        ret = lzma_code(&lzma_, LZMA_FINISH);
        if (lzma_.avail_out == 0) return kCompCorrupt;
    } else if (lzma_.avail_out != 0) {
        return ret == LZMA_MEM_ERROR ? kCompNoMemory : kCompCorrupt;
    }
    if (ret == LZMA_MEM_ERROR) return kCompNoMemory;
    if (ret != LZMA_STREAM_END || lzma_.avail_in != 0) return kCompCorrupt;
    return kCompOk;
}
