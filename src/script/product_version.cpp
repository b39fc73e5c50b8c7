#include "script/product_version.h"

bool IsProductVersion(const String& text)
{
    int parts = 1;
    size_t digits = 0;
    long value = 0;
    for (char c : text) {
        if (c == '.') {
            if (digits == 0 || ++parts > 4) return false;
            digits = 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (++digits > 5 || value > 65535) return false;
        } else {
            return false;
        }
    }
    return digits > 0;
}

std::array<uint16_t, 4> ProductVersionNumbers(const String& text)
{
    std::array<uint16_t, 4> n{};
    if (!IsProductVersion(text)) return n;
    size_t i = 0;
    for (char c : text) {
        if (c == '.')
            ++i;
        else
            n[i] = static_cast<uint16_t>(n[i] * 10 + (c - '0'));
    }
    return n;
}

int CompareProductVersions(const String& a, const String& b)
{
    const auto x = ProductVersionNumbers(a), y = ProductVersionNumbers(b);
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}
