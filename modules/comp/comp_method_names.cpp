#include "comp_method_names.h"

#include <strings.h>

namespace {

constexpr struct {
    const char* name;
    TCompMethod method;
} kNames[] = {{"zlib", kCompMethodDeflate}, {"lzma", kCompMethodLzma}};

}  // namespace

bool CompMethodFromName(const char* name, TCompMethod& method)
{
    for (const auto& n : kNames) {
        if (name && strcasecmp(name, n.name) == 0) {
            method = n.method;
            return true;
        }
    }
    return false;
}

const char* CompMethodName(TCompMethod method)
{
    for (const auto& n : kNames)
        if (n.method == method) return n.name;
    return "unknown";
}
