#include "lzma_pack.h"

#include <lzma.h>

#include "base/exceptions.h"
#include "lzma_expand.h"

namespace {

TLzmaPacked Compress(const std::vector<uint8_t>& image, uint32_t lc, uint32_t lp, uint32_t pb)
{
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, 9 | LZMA_PRESET_EXTREME)) throw ENimboError("liblzma lacks its presets");
    options.lc = lc;
    options.lp = lp;
    options.pb = pb;
    // The decoder writes into the whole image: any distance back is fine.
    while (options.dict_size < image.size() && options.dict_size < (1u << 26)) options.dict_size <<= 1;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&s, filters) != LZMA_OK) throw ENimboError("liblzma refuses the settings");
    TLzmaPacked packed;
    packed.properties = (pb * 5 + lp) * 9 + lc;
    packed.data.resize(image.size() + image.size() / 2 + 4096);
    s.next_in = image.data();
    s.avail_in = image.size();
    s.next_out = packed.data.data();
    s.avail_out = packed.data.size();
    const lzma_ret r = lzma_code(&s, LZMA_FINISH);
    packed.data.resize(packed.data.size() - s.avail_out);
    lzma_end(&s);
    if (r != LZMA_STREAM_END) throw ENimboError("cannot compress the image");
    return packed;
}

}  // namespace

TLzmaPacked LzmaPack(const std::vector<uint8_t>& image)
{
    static const uint32_t kSettings[][3] = {{3, 0, 2}, {1, 0, 2}, {0, 0, 0}};
    TLzmaPacked best;
    for (const auto& s : kSettings) {
        TLzmaPacked p = Compress(image, s[0], s[1], s[2]);
        if (best.data.empty() || p.data.size() < best.data.size()) best = std::move(p);
    }
    std::vector<uint16_t> probs(LzmaProbabilityCount(best.properties));
    std::vector<uint8_t> check(image.size());
    if (!LzmaExpand(best.data.data(), best.data.size(), check.data(), check.size(), best.properties, probs.data()) ||
        check != image)
        throw ENimboError("the compressed image does not expand to itself");
    return best;
}
