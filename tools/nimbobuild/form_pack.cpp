#include "form_pack.h"

#include <cstring>

#include <zlib.h>

#include "base/exceptions.h"
#include "framework/form_reader.h"

bool DeflateRaw(const std::vector<uint8_t>& plain, std::vector<uint8_t>& packed)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    packed.resize(deflateBound(&z, static_cast<uLong>(plain.size())));
    z.next_in = const_cast<uint8_t*>(plain.data());
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    const int r = deflate(&z, Z_FINISH);
    packed.resize(packed.size() - z.avail_out);
    deflateEnd(&z);
    return r == Z_STREAM_END;
}

// The form as raw deflate data behind its own signature and size; setup.exe
// expands it when it starts. The file list of a large payload shrinks to a
// fraction (names, dates and sizes repeat).
std::vector<uint8_t> PackForm(const std::vector<uint8_t>& form)
{
    std::vector<uint8_t> packed;
    if (!DeflateRaw(form, packed)) throw ENimboError("cannot pack the form");
    std::vector<uint8_t> out(kPackedFormHeaderSize);
    std::memcpy(out.data(), kPackedFormSignature, 4);
    for (int i = 0; i < 4; ++i) out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(form.size() >> (8 * i));
    out.insert(out.end(), packed.begin(), packed.end());
    return out;
}
