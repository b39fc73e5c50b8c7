// The compressed format: any bytes are refused with an error code or
// expand to exactly the size and CRC the header promises.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "comp_format.h"

namespace {
class TMemorySource : public TCompSource {
public:
    TMemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int64_t Read(void* buffer, size_t size) override
    {
        const size_t n = size < size_ - pos_ ? size : size_ - pos_;
        if (n) std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return static_cast<int64_t>(n);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Refuses to grow past a bound, as a full disk does.
class TBoundedSink : public TCompSink {
public:
    bool Write(const void* data, size_t size) override
    {
        if (written + size > kLimit) return false;
        written += size;
        (void)data;
        return true;
    }
    static constexpr size_t kLimit = 16u << 20;
    size_t written = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    // The header's own check stops almost every mutation at the door: for
    // inputs of even length it is made right, so the body gets fuzzed too.
    std::vector<uint8_t> input(bytes, bytes + size);
    if (size >= kCompHeaderSizeV1 && size % 2 == 0 && input[8] == 1) {
        const uint32_t crc = static_cast<uint32_t>(crc32(0, input.data(), 40));
        for (int i = 0; i < 4; ++i) input[40 + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    } else if (size >= 12 && size % 2 == 0 && (input[8] == 2 || input[8] == 3)) {
        // Read the fields as they stand and write the header again (version
        // 3: with its method and filter bytes, whatever they say).
        TCompHeader h;
        h.version = input[8];
        size_t n = 10;
        if (h.version == 3) {
            h.method = static_cast<TCompMethod>(input[10]);
            h.filters = input[11];
            n = 12;
        }
        uint64_t fields[2] = {0, 0};
        for (uint64_t& field : fields) {
            for (int shift = 0; n < size && shift < 64; shift += 7) {
                field |= static_cast<uint64_t>(input[n] & 0x7f) << shift;
                if (!(input[n++] & 0x80)) break;
            }
        }
        if (n + 14 <= size) {
            h.expandedSize = fields[0];
            h.streamSize = fields[1];
            std::memcpy(&h.crc, &input[n], 4);
            std::memcpy(&h.fileTime, &input[n + 4], 8);
            uint8_t raw[kCompMaxHeaderSize];
            const size_t written = EncodeCompHeader(h, raw);
            if (written <= size) std::memcpy(input.data(), raw, written);
        }
    }
    const uint8_t* data = input.data();
    TCompHeader header{};
    (void)DecodeCompHeader(data, size, header);
    TMemorySource in(data, size);
    TBoundedSink out;
    uint64_t reported = 0;
    TCompHeader read{};
    const int32_t r = ExpandCompStream(
        in, out,
        [&](uint32_t consumed) {
            reported += consumed;
            return false;
        },
        &read);
    if (r == kCompOk && (out.written != read.expandedSize || reported != size)) {
        std::fprintf(stderr, "expanded %zu bytes of %llu promised, reported %llu of %zu\n", out.written,
                     static_cast<unsigned long long>(read.expandedSize), static_cast<unsigned long long>(reported),
                     size);
        std::abort();
    }
    return 0;
}
