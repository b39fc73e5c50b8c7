#include "form_pack.h"

#include <cstring>

#include <zlib.h>

#include "base/exceptions.h"
#include "framework/form_reader.h"

// The form as raw deflate data behind its own signature and size; setup.exe
// expands it when it starts. The file list of a large payload shrinks to a
// fraction (names, dates and sizes repeat).
std::vector<uint8_t> PackForm(const std::vector<uint8_t>& form)
{
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw ENimboError("cannot pack the form: out of memory");
    std::vector<uint8_t> out(kPackedFormHeaderSize + deflateBound(&z, static_cast<uLong>(form.size())));
    std::memcpy(out.data(), kPackedFormSignature, 4);
    for (int i = 0; i < 4; ++i) out[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(form.size() >> (8 * i));
    z.next_in = const_cast<uint8_t*>(form.data());
    z.avail_in = static_cast<uInt>(form.size());
    z.next_out = out.data() + kPackedFormHeaderSize;
    z.avail_out = static_cast<uInt>(out.size() - kPackedFormHeaderSize);
    const int r = deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    if (r != Z_STREAM_END) throw ENimboError("cannot pack the form");
    return out;
}
