#include "comp_format.h"

#include <zlib.h>

#include "base/le_bytes.h"
#include "comp_packer.h"
#include "comp_lzma_chain.h"
#include "comp_piece_decoder.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kSignature[kCompSignatureSize] = {'T', 'N', 'C', 'Z', '\r', '\n', 0x1a, '\n'};

uint32_t Crc(uint32_t crc, const uint8_t* data, size_t size)
{
    // zlib's crc32 takes a 32-bit length; our blocks are far below that.
    return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
}

// Fills the buffer unless the source ends first; a short count means the end.
int64_t ReadFull(TCompSource& in, uint8_t* buffer, size_t size)
{
    size_t done = 0;
    while (done < size) {
        int64_t n = in.Read(buffer + done, size - done);
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

// CRC-16 (CCITT, initial value FFFF) of the header: catches every burst of
// damage up to 16 bits long, in two bytes.
uint16_t HeaderCheck(const uint8_t* data, size_t size)
{
    uint16_t crc = 0xffff;
    for (size_t i = 0; i < size; ++i) {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

size_t PutVarint(uint8_t* p, uint64_t v, size_t minBytes = 1)
{
    size_t n = 0;
    while (v >= 0x80 || n + 1 < minBytes) {
        p[n++] = static_cast<uint8_t>(v | 0x80);
        v >>= 7;
    }
    p[n++] = static_cast<uint8_t>(v);
    return n;
}

// Reads a varint of at most 10 bytes whose value fits 64 bits; false otherwise.
template <typename NextByte> bool GetVarint(NextByte next, uint64_t& v)
{
    v = 0;
    for (int i = 0; i < 10; ++i) {
        int b = next();
        if (b < 0) return false;
        if (i == 9 && b > 1) return false;
        v |= static_cast<uint64_t>(b & 0x7f) << (7 * i);
        if (!(b & 0x80)) return true;
    }
    return false;
}

// The source read through a buffer: the header is read with what follows
// it, and a small file comes in with one read.
class TReader {
public:
    TReader(TCompSource& in, size_t firstRead) : in_(in), first_(firstRead) { ok_ = buffer_.Reserve(kCompBlockSize); }
    // False when its buffer could not be had.
    bool Ok() const { return ok_; }
    // At least size bytes buffered unless the source ends first; -1 on a read error.
    int64_t Fill(size_t size)
    {
        if (end_ - pos_ >= size) return static_cast<int64_t>(end_ - pos_);
        std::memmove(buffer_.Data(), buffer_.Data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        size_t want = first_ ? std::max(first_, size) : kCompBlockSize;
        first_ = 0;
        int64_t n = ReadFull(in_, buffer_.Data() + end_, std::min(want, kCompBlockSize) - end_);
        if (n < 0) return -1;
        end_ += static_cast<size_t>(n);
        return static_cast<int64_t>(end_ - pos_);
    }
    const uint8_t* Data() const { return buffer_.Data() + pos_; }
    void Skip(size_t n) { pos_ += n; }
    static constexpr int kEnd = -1;
    static constexpr int kReadError = -2;
    // The next byte, kEnd or kReadError.
    int Byte()
    {
        if (pos_ == end_) {
            int64_t n = Fill(1);
            if (n < 0) return kReadError;
            if (n == 0) return kEnd;
        }
        return buffer_.Data()[pos_++];
    }
    // Like ReadFull.
    int64_t Read(uint8_t* out, size_t size)
    {
        size_t have = std::min(size, end_ - pos_);
        std::memcpy(out, buffer_.Data() + pos_, have);
        pos_ += have;
        if (have == size) return static_cast<int64_t>(size);
        int64_t n = ReadFull(in_, out + have, size - have);
        return n < 0 ? -1 : static_cast<int64_t>(have) + n;
    }

private:
    TCompSource& in_;
    TCompBuffer buffer_;
    size_t first_;
    size_t pos_ = 0, end_ = 0;
    bool ok_ = false;
};

int32_t ReadHeader(TReader& reader, TCompHeader& header)
{
    int64_t have = reader.Fill(kCompMaxHeaderSize);
    if (have < 0) return kCompCannotOpen;
    int32_t r = DecodeCompHeader(reader.Data(), static_cast<size_t>(have), header);
    if (r == kCompOk) reader.Skip(header.size);
    return r;
}

// Nothing may follow the stream.
int32_t ExpectEnd(TReader& reader)
{
    int b = reader.Byte();
    if (b == TReader::kReadError) return kCompCannotOpen;
    return b == TReader::kEnd ? kCompOk : kCompCorrupt;
}

// The decoders of a file that is one stream. Step expands from in into
// out as far as either goes: kCompOk, kStreamEnd at the stream's end mark,
// or the failure.
constexpr int32_t kStreamEnd = 1;

// Version 1: a zlib stream.
class TInflateStep {
public:
    TInflateStep(const TInflateStep&) = delete;
    TInflateStep& operator=(const TInflateStep&) = delete;
    TInflateStep() = default;
    ~TInflateStep()
    {
        if (live_) inflateEnd(&s_);
    }
    int32_t Start(const TCompHeader&)
    {
        const int init = inflateInit(&s_);
        if (init != Z_OK) return init == Z_MEM_ERROR ? kCompNoMemory : kCompCorrupt;
        live_ = true;
        return kCompOk;
    }
    int32_t Step(const uint8_t*& in, size_t& inLeft, uint8_t* out, size_t& outLeft)
    {
        s_.next_in = const_cast<uint8_t*>(in);
        s_.avail_in = static_cast<uInt>(inLeft);
        s_.next_out = out;
        s_.avail_out = static_cast<uInt>(outLeft);
        const int ret = inflate(&s_, Z_NO_FLUSH);
        in = s_.next_in;
        inLeft = s_.avail_in;
        outLeft = s_.avail_out;
        if (ret == Z_MEM_ERROR) return kCompNoMemory;
        if (ret == Z_STREAM_END) return kStreamEnd;
        return ret == Z_OK || ret == Z_BUF_ERROR ? kCompOk : kCompCorrupt;
    }

private:
    z_stream s_{};
    bool live_ = false;
};

// Version 4: a raw LZMA2 stream behind the header's filters.
class TLzmaStep {
public:
    TLzmaStep(const TLzmaStep&) = delete;
    TLzmaStep& operator=(const TLzmaStep&) = delete;
    TLzmaStep() = default;
    ~TLzmaStep() { lzma_end(&s_); }
    int32_t Start(const TCompHeader& header)
    {
        lzma_options_lzma options{};
        options.dict_size = header.dictSize;
        const TCompLzmaChain chain(header.filters, &options);
        const lzma_ret init = lzma_raw_decoder(&s_, chain.filters);
        if (init != LZMA_OK) return init == LZMA_MEM_ERROR ? kCompNoMemory : kCompCorrupt;
        return kCompOk;
    }
    int32_t Step(const uint8_t*& in, size_t& inLeft, uint8_t* out, size_t& outLeft)
    {
        s_.next_in = in;
        s_.avail_in = inLeft;
        s_.next_out = out;
        s_.avail_out = outLeft;
        const lzma_ret ret = lzma_code(&s_, LZMA_RUN);
        in = s_.next_in;
        inLeft = s_.avail_in;
        outLeft = s_.avail_out;
        if (ret == LZMA_MEM_ERROR) return kCompNoMemory;
        if (ret == LZMA_STREAM_END) return kStreamEnd;
        return ret == LZMA_OK || ret == LZMA_BUF_ERROR ? kCompOk : kCompCorrupt;
    }

private:
    lzma_stream s_ = LZMA_STREAM_INIT;
};

// A file that is one stream (versions 1 and 4), read and expanded a block
// at a time.
template <class TDecoder>
int32_t ExpandOneStream(TReader& in, const TCompHeader& header, TCompSink& out, const TCompProgress& progress)
{
    TDecoder decoder;
    int32_t r = decoder.Start(header);
    if (r != kCompOk) return r;
    TCompBuffer inBuf, outBuf;
    if (!inBuf.Reserve(kCompBlockSize) || !outBuf.Reserve(kCompBlockSize)) return kCompNoMemory;

    uint64_t remaining = header.streamSize;
    uint64_t produced = 0;
    uint32_t crc = Crc(0, nullptr, 0);
    uint32_t headerBytes = header.size;
    bool ended = false;
    while (remaining > 0) {
        int64_t got = in.Read(inBuf.Data(), static_cast<size_t>(std::min<uint64_t>(remaining, kCompBlockSize)));
        if (got < 0) return kCompCannotOpen;
        if (got == 0 || ended) return kCompCorrupt;  // file shorter than stated, or stream ended early
        remaining -= static_cast<uint64_t>(got);
        const uint8_t* next = inBuf.Data();
        size_t left = static_cast<size_t>(got);
        // Reported per output block as well: one well-packed input block
        // can expand to tens of megabytes, and the caller's window lives on
        // these reports.
        uint32_t reported = 0;
        size_t room = 0;
        do {
            room = kCompBlockSize;
            r = decoder.Step(next, left, outBuf.Data(), room);
            if (r < kCompOk) return r;
            const size_t have = kCompBlockSize - room;
            // More than the header promises: damage, and no reason to fill the disk.
            if (have > header.expandedSize - produced) return kCompCorrupt;
            produced += have;
            crc = Crc(crc, outBuf.Data(), have);
            if (have > 0 && !out.Write(outBuf.Data(), have)) return kCompCannotWrite;
            const uint32_t consumed = static_cast<uint32_t>(got) - static_cast<uint32_t>(left);
            if (progress && consumed > reported) {
                if (progress(consumed - reported + headerBytes)) return kCompCancelled;
                headerBytes = 0;
                reported = consumed;
            }
            ended = r == kStreamEnd;
        } while (!ended && room == 0);
        if (ended && left > 0) return kCompCorrupt;
        if (progress && static_cast<uint32_t>(got) + headerBytes > reported &&
            progress(static_cast<uint32_t>(got) - reported + headerBytes))
            return kCompCancelled;
        headerBytes = 0;
    }
    if (!ended) return kCompCorrupt;
    r = ExpectEnd(in);
    if (r != kCompOk) return r;
    if (produced != header.expandedSize || crc != header.crc) return kCompCorrupt;
    return kCompOk;
}

// One piece of a version 2 or 3 stream, expanded on whichever thread
// takes it. Runs no code that may throw and touches nothing but its own fields.
struct TPiece {
    TCompPieceDecoder decoder;
    TCompBuffer in, out;
    size_t inSize = 0;      // compressed bytes in `in`
    size_t outSize = 0;     // expanded bytes the piece must give
    uint32_t consumed = 0;  // source bytes of the piece, its size prefix included
    uint32_t crc = 0;
    int32_t result = kCompOk;

    bool Reserve(size_t inBytes, size_t outBytes) { return in.Reserve(inBytes) && out.Reserve(outBytes); }

    static void Expand(void* self) { static_cast<TPiece*>(self)->Run(); }

    void Run()
    {
        result = decoder.Expand(in.Data(), inSize, out.Data(), outSize);
        if (result == kCompOk) crc = Crc(Crc(0, nullptr, 0), out.Data(), outSize);
    }
};

// Versions 2 and 3: pieces, two at a time when a second thread can be had.
class TPiecesExpansion {
public:
    TPiecesExpansion(TReader& in, const TCompHeader& header, TCompSink& out, const TCompProgress& progress)
        : in_(in), header_(header), out_(out), progress_(progress), pieceSize_(CompPieceSize(header.method)),
          // (Not rounded up by adding: a damaged size near the top would wrap.)
          pieces_(header.expandedSize / pieceSize_ + (header.expandedSize % pieceSize_ != 0 ? 1 : 0)),
          streamLeft_(header.streamSize), expandedLeft_(header.expandedSize), piecesLeft_(pieces_),
          headerBytes_(header.size)
    {
        for (TPiece& p : slot_) p.decoder.Use(header.method, header.filters);
    }
    TPiecesExpansion(const TPiecesExpansion&) = delete;
    TPiecesExpansion& operator=(const TPiecesExpansion&) = delete;

    int32_t Run()
    {
        while (piecesLeft_ > 0) {
            const int32_t r = ExpandNext();
            if (r != kCompOk) return r;
        }
        if (streamLeft_ != 0) return kCompCorrupt;
        if (pieces_ == 0 && progress_ && progress_(headerBytes_)) return kCompCancelled;
        const int32_t r = ExpectEnd(in_);
        if (r != kCompOk) return r;
        return crc_ == header_.crc ? kCompOk : kCompCorrupt;
    }

private:
    // The next piece here, and the one after it on the helper thread
    // meanwhile when there is one.
    int32_t ExpandNext()
    {
        int32_t r = ReadPiece(slot_[0]);
        if (r != kCompOk) return r;
        const bool pair = piecesLeft_ > 0 && HelperRuns();
        if (pair) {
            r = ReadPiece(slot_[1]);
            if (r != kCompOk) return r;
            helper_.Post(&TPiece::Expand, &slot_[1]);
        }
        slot_[0].Run();
        r = FinishPiece(slot_[0]);
        if (pair) {
            // Whatever ended the first piece, the helper's piece lives in
            // slot_[1] until the helper is done with it.
            helper_.Wait();
            if (r == kCompOk) r = FinishPiece(slot_[1]);
        }
        return r;
    }

    // Started when a second piece is first there; one that cannot be had
    // leaves the pieces to this thread.
    bool HelperRuns()
    {
        if (!helperTried_) {
            helperTried_ = true;
            helperRuns_ = helper_.Start();
        }
        return helperRuns_;
    }

    // Reads the next piece into p: its size prefix (all but the last), then its bytes.
    int32_t ReadPiece(TPiece& p)
    {
        uint64_t size = streamLeft_;
        uint32_t prefix = 0;
        if (piecesLeft_ > 1) {
            const int32_t r = ReadPieceSize(size, prefix);
            if (r != kCompOk) return r;
        }
        const size_t outSize = static_cast<size_t>(std::min(expandedLeft_, pieceSize_));
        if (size > CompPieceBound(outSize) || size == 0) return kCompCorrupt;
        if (!p.Reserve(static_cast<size_t>(size), outSize)) return kCompNoMemory;
        int64_t got = in_.Read(p.in.Data(), static_cast<size_t>(size));
        if (got < 0) return kCompCannotOpen;
        if (static_cast<uint64_t>(got) != size) return kCompCorrupt;
        streamLeft_ -= size;
        expandedLeft_ -= outSize;
        --piecesLeft_;
        p.inSize = static_cast<size_t>(size);
        p.outSize = outSize;
        p.consumed = static_cast<uint32_t>(size) + prefix + headerBytes_;
        headerBytes_ = 0;
        return kCompOk;
    }

    // A piece's varint size prefix, which must leave room for the piece.
    int32_t ReadPieceSize(uint64_t& size, uint32_t& prefix)
    {
        int failed = 0;
        const bool ok = GetVarint(
            [&]() {
                int b = in_.Byte();
                if (b < 0) failed = b;
                ++prefix;
                return b;
            },
            size);
        if (failed == TReader::kReadError) return kCompCannotOpen;
        if (!ok || prefix > streamLeft_) return kCompCorrupt;
        streamLeft_ -= prefix;
        return size > streamLeft_ ? kCompCorrupt : kCompOk;
    }

    // Writes an expanded piece out, in order, and reports it.
    int32_t FinishPiece(TPiece& p)
    {
        if (p.result != kCompOk) return p.result;
        crc_ = static_cast<uint32_t>(crc32_combine(crc_, p.crc, static_cast<z_off_t>(p.outSize)));
        if (!out_.Write(p.out.Data(), p.outSize)) return kCompCannotWrite;
        return progress_ && progress_(p.consumed) ? kCompCancelled : kCompOk;
    }

    TReader& in_;
    const TCompHeader& header_;
    TCompSink& out_;
    const TCompProgress& progress_;
    const uint64_t pieceSize_;
    const uint64_t pieces_;
    uint64_t streamLeft_;
    uint64_t expandedLeft_;
    uint64_t piecesLeft_;
    uint32_t headerBytes_;  // reported with the first piece
    uint32_t crc_ = Crc(0, nullptr, 0);
    TPiece slot_[2];
    TCompHelperThread helper_;
    bool helperTried_ = false;
    bool helperRuns_ = false;
};

int32_t ExpandPieces(TReader& in, const TCompHeader& header, TCompSink& out, const TCompProgress& progress)
{
    return TPiecesExpansion(in, header, out, progress).Run();
}

int32_t ExpandStream(TCompSource& source, TCompSink& out, const TCompProgress& progress, TCompHeader& header,
                     const TCompHeaderCheck& check)
{
    TReader in(source, kCompBlockSize);
    if (!in.Ok()) return kCompNoMemory;
    int32_t r = ReadHeader(in, header);
    if (r != kCompOk) return r;
    if (check) {
        r = check(header);
        if (r != kCompOk) return r;
    }
    switch (header.version) {
    case 1:
        return ExpandOneStream<TInflateStep>(in, header, out, progress);
    case kCompVersionOneStream:
        return ExpandOneStream<TLzmaStep>(in, header, out, progress);
    default:
        return ExpandPieces(in, header, out, progress);
    }
}

// A packer's state for the pieces of one file, let go of at the end.
struct TPackerState {
    const TCompPacker& packer;
    void* state = nullptr;
    ~TPackerState()
    {
        if (state) packer.close(state);
    }
};

// Packs one piece and writes it, behind its size unless it is the last.
int32_t WritePiece(TPackerState& coder, const uint8_t* data, size_t size, TCompBuffer& packedBuf, bool last,
                   TCompSink& out, TCompHeader& header)
{
    size_t packed = 0;
    const int32_t r = coder.packer.pack(coder.state, data, size, packedBuf.Data(), packed);
    if (r != kCompOk) return r;
    if (!last) {
        uint8_t prefix[10];
        const size_t n = PutVarint(prefix, packed);
        if (!out.Write(prefix, n)) return kCompCannotWrite;
        header.streamSize += n;
    }
    if (!out.Write(packedBuf.Data(), packed)) return kCompCannotWrite;
    header.streamSize += packed;
    return kCompOk;
}

int32_t CompressBody(TCompSource& in, uint64_t expandedSize, TCompSink& out, int level, TCompHeader& header,
                     TCompMethod method)
{
    const TCompPacker* packer = CompPacker(method);
    if (!packer) return kCompForeign;
    const size_t pieceSize = CompPieceSize(method);
    const size_t firstPiece = static_cast<size_t>(std::min<uint64_t>(expandedSize, pieceSize));
    TCompBuffer inBuf, outBuf;
    if (!inBuf.Reserve(firstPiece) || !outBuf.Reserve(CompPieceBound(firstPiece))) return kCompNoMemory;

    header.method = method;
    header.filters = 0;
    header.dictSize = 0;
    header.crc = Crc(0, nullptr, 0);
    header.expandedSize = expandedSize;
    header.streamSize = 0;
    TPackerState coder{*packer};
    uint64_t left = expandedSize;
    while (left > 0) {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(left, pieceSize));
        int64_t got = ReadFull(in, inBuf.Data(), size);
        if (got < 0 || static_cast<size_t>(got) != size) return kCompCannotOpen;
        left -= size;
        header.crc = Crc(header.crc, inBuf.Data(), size);
        if (!coder.state) {
            // The first piece tells what the file is.
            header.filters = packer->filters(inBuf.Data(), size);
            coder.state = packer->open(level, header.filters);
            if (!coder.state) return kCompNoMemory;
        }
        const int32_t r = WritePiece(coder, inBuf.Data(), size, outBuf, left == 0, out, header);
        if (r != kCompOk) return r;
    }
    header.version = method == kCompMethodDeflate && header.filters == 0 ? kCompVersionDeflate : kCompVersionMethod;
    // A source longer than it was sized has changed while it was read.
    uint8_t extra;
    if (in.Read(&extra, 1) != 0) return kCompCannotOpen;
    return kCompOk;
}

int32_t DecodeVersion1(const uint8_t* data, size_t size, TCompHeader& header)
{
    // 44 bytes, guarded by a CRC-32 of the first 40.
    if (size < kCompHeaderSizeV1) return kCompCorrupt;
    if (GetLE32(data + 40) != Crc(Crc(0, nullptr, 0), data, 40)) return kCompCorrupt;
    if (GetLE16(data + 10) != 8) return kCompForeign;  // a method other than deflate
    header.version = 1;
    header.method = kCompMethodDeflate;
    header.filters = 0;
    header.size = kCompHeaderSizeV1;
    header.crc = GetLE32(data + 12);
    header.expandedSize = GetLE64(data + 16);
    header.streamSize = GetLE64(data + 24);
    header.fileTime = GetLE64(data + 32);
    return kCompOk;
}

// Versions 2, 3 and 4. A header whose check holds but which names a
// method or filter we do not know, or a dictionary larger than we give,
// comes from a later writer (not ours to read); a filter or dictionary that
// does not go with its method is damage.
int32_t DecodePiecesHeader(const uint8_t* data, size_t size, uint16_t version, TCompHeader& header)
{
    size_t n = version == kCompVersionOneStream ? 16 : version == kCompVersionMethod ? 12 : 10;
    if (size < n) return kCompCorrupt;
    auto next = [&]() -> int { return n < size ? data[n++] : -1; };
    uint64_t expanded = 0, stream = 0;
    if (!GetVarint(next, expanded) || !GetVarint(next, stream) || size < n + 14) return kCompCorrupt;
    if (GetLE16(data + n + 12) != HeaderCheck(data, n + 12)) return kCompCorrupt;
    const uint8_t method = version >= kCompVersionMethod ? data[10] : uint8_t{kCompMethodDeflate};
    const uint8_t filters = version >= kCompVersionMethod ? data[11] : 0;
    const uint32_t dict = version == kCompVersionOneStream ? GetLE32(data + 12) : 0;
    if (method > kCompMethodLzma || (filters & ~kCompFilterX86) != 0 || dict > kCompMaxDict) return kCompForeign;
    if (method == kCompMethodDeflate && filters != 0) return kCompCorrupt;
    if (version == kCompVersionOneStream && (method != kCompMethodLzma || dict < 4096)) return kCompCorrupt;
    header.version = version;
    header.method = static_cast<TCompMethod>(method);
    header.filters = filters;
    header.dictSize = dict;
    header.size = static_cast<uint32_t>(n + 14);
    header.crc = GetLE32(data + n);
    header.expandedSize = expanded;
    header.streamSize = stream;
    header.fileTime = GetLE64(data + n + 4);
    return kCompOk;
}

// Counts and sums up the bytes a stream is packed from, which must be
// exactly as many as it was sized with.
class TCountedSource : public TCompSource {
public:
    TCountedSource(TCompSource& in, uint64_t size) : in_(in), left_(size) {}
    int64_t Read(void* buffer, size_t size) override
    {
        const int64_t got =
            ReadFull(in_, static_cast<uint8_t*>(buffer), static_cast<size_t>(std::min<uint64_t>(size, left_)));
        if (got < 0) return got;
        left_ -= static_cast<uint64_t>(got);
        crc_ = Crc(crc_, static_cast<uint8_t*>(buffer), static_cast<size_t>(got));
        return got;
    }
    // Every byte read, and nothing after them.
    bool Whole()
    {
        uint8_t extra;
        return left_ == 0 && in_.Read(&extra, 1) == 0;
    }
    uint32_t Crc32() const { return crc_; }

private:
    TCompSource& in_;
    uint64_t left_;
    uint32_t crc_ = Crc(0, nullptr, 0);
};

}  // namespace

size_t EncodeCompHeader(const TCompHeader& header, uint8_t* out, size_t streamSizeBytes)
{
    std::memcpy(out, kSignature, kCompSignatureSize);
    const bool v4 = header.version == kCompVersionOneStream;
    const bool v3 =
        !v4 && (header.version == kCompVersionMethod || header.method != kCompMethodDeflate || header.filters != 0);
    PutLE16(out + 8, v4 ? kCompVersionOneStream : v3 ? kCompVersionMethod : kCompVersionDeflate);
    size_t n = 10;
    if (v3 || v4) {
        out[n++] = header.method;
        out[n++] = header.filters;
    }
    if (v4) {
        PutLE32(out + n, header.dictSize);
        n += 4;
    }
    n += PutVarint(out + n, header.expandedSize);
    n += PutVarint(out + n, header.streamSize, std::min<size_t>(streamSizeBytes, 10));
    PutLE32(out + n, header.crc);
    PutLE64(out + n + 4, header.fileTime);
    n += 12;
    PutLE16(out + n, HeaderCheck(out, n));
    return n + 2;
}

int32_t DecodeCompHeader(const uint8_t* data, size_t size, TCompHeader& header)
{
    if (size < kCompSignatureSize || std::memcmp(data, kSignature, kCompSignatureSize) != 0) return kCompForeign;
    if (size < 10) return kCompCorrupt;
    const uint16_t version = GetLE16(data + 8);
    if (version == 1) return DecodeVersion1(data, size, header);
    // Another version may lay out its header differently: not ours to read.
    if (version < kCompVersionDeflate || version > kCompVersionOneStream) return kCompForeign;
    return DecodePiecesHeader(data, size, version, header);
}

uint64_t CompStreamBound(uint64_t expandedSize, TCompMethod method)
{
    const uint64_t pieceSize = CompPieceSize(method);
    const uint64_t pieces = expandedSize / pieceSize + 1;
    return expandedSize + (expandedSize >> 8) + pieces * (64 + 10);
}

size_t CompVarintSize(uint64_t value)
{
    size_t n = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++n;
    }
    return n;
}

int32_t ReadCompHeader(TCompSource& in, TCompHeader& header)
{
    TReader reader(in, kCompMaxHeaderSize);
    return reader.Ok() ? ReadHeader(reader, header) : kCompNoMemory;
}

int32_t ExpandCompStream(TCompSource& in, TCompSink& out, const TCompProgress& progress, TCompHeader* header,
                         const TCompHeaderCheck& check)
{
    TCompHeader h;
    const int32_t r = ExpandStream(in, out, progress, h, check);
    if (header) *header = h;
    return r;
}

int32_t CompressCompBody(TCompSource& in, uint64_t expandedSize, TCompSink& out, int level, TCompHeader& header,
                         TCompMethod method)
{
    return CompressBody(in, expandedSize, out, level, header, method);
}

int32_t CompressCompOneStream(TCompSource& in, uint64_t expandedSize, TCompSink& out, int level, uint8_t filters,
                              TCompHeader& header)
{
    const TCompPacker* packer = CompPacker(kCompMethodLzma);
    if (!packer || !packer->packStream) return kCompForeign;
    header.version = kCompVersionOneStream;
    header.method = kCompMethodLzma;
    header.filters = filters;
    header.dictSize = static_cast<uint32_t>(std::clamp<uint64_t>(expandedSize, 4096, kCompOneStreamDict));
    header.expandedSize = expandedSize;
    TPackerState coder{*packer, packer->open(level, filters)};
    if (!coder.state) return kCompNoMemory;
    TCountedSource counted(in, expandedSize);
    const int32_t r = packer->packStream(coder.state, header.dictSize, counted, out, header.streamSize);
    if (r != kCompOk) return r;
    // A source shorter or longer than it was sized has changed while it was read.
    if (!counted.Whole()) return kCompCannotOpen;
    header.crc = counted.Crc32();
    return kCompOk;
}

uint8_t CompFilters(TCompMethod method, const uint8_t* first, size_t size)
{
    const TCompPacker* packer = CompPacker(method);
    return packer ? packer->filters(first, size) : 0;
}

int32_t CompClampSize(uint64_t size)
{
    return size > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(size);
}

double CompFileTimeToDateTime(uint64_t fileTime)
{
    constexpr uint64_t kPerDay = 864000000000ULL;  // 100 ns units
    constexpr int64_t kDays1601To1899 = 109205;    // 1 January 1601 to 30 December 1899
    int64_t days = static_cast<int64_t>(fileTime / kPerDay) - kDays1601To1899;
    double time = static_cast<double>(fileTime % kPerDay) / static_cast<double>(kPerDay);
    // Before 1899 the whole days count down but the time of day still counts up.
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}
