#include "form_script.h"

#include <cstring>

#include "base/nstring.h"
#include "framework/form_reader.h"
#include "framework/value_stream.h"

namespace {

bool FindIn(TValueReader& r, TSetupDataSpan& span, int depth)
{
    if (depth > TValueReader::kMaxDepth) TValueReader::Fail();
    r.ReadShortString();  // class
    r.ReadShortString();  // name
    bool found = false, test = false;
    for (;;) {
        const String prop = r.ReadShortString();
        if (prop.empty()) break;
        const size_t begin = r.Position();
        const TValueType type = r.NextValue();
        if (SameText(prop, "Test") && (type == TValueType::vaTrue || type == TValueType::vaFalse)) {
            test = r.ReadBoolean();
            continue;
        }
        r.SkipValue();
        if (SameText(prop, "SetupData")) {
            span.begin = begin;
            span.end = r.Position();
            found = true;
        }
    }
    if (found) {
        span.test = test;
        return true;
    }
    while (r.NextValue() != TValueType::vaNull)
        if (FindIn(r, span, depth + 1)) return true;
    r.ReadByte();
    return false;
}

}  // namespace

bool FindSetupData(const std::vector<uint8_t>& form, TSetupDataSpan& span)
{
    TValueReader r(form);
    char sig[4];
    r.ReadBytes(sig, 4);
    if (std::memcmp(sig, kFormSignature, 4) != 0) TValueReader::Fail();
    return FindIn(r, span, 0);
}

std::vector<uint8_t> ReplaceSetupData(const std::vector<uint8_t>& form, const TSetupDataSpan& span,
                                      const std::vector<uint8_t>& value)
{
    std::vector<uint8_t> out(form.begin(), form.begin() + static_cast<std::ptrdiff_t>(span.begin));
    out.insert(out.end(), value.begin(), value.end());
    out.insert(out.end(), form.begin() + static_cast<std::ptrdiff_t>(span.end), form.end());
    return out;
}
