#include "base/nstring.h"

#include <cctype>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
unsigned char Fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }
}  // namespace

int CompareText(std::string_view a, std::string_view b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const int d = Fold(static_cast<unsigned char>(a[i])) - Fold(static_cast<unsigned char>(b[i]));
        if (d != 0) return d;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

String UpperCase(std::string_view s)
{
    String r(s);
    for (char& c : r) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return r;
}

String AnsiUpperCase(std::string_view s)
{
    String r(s);
#ifdef _WIN32
    if (!r.empty()) CharUpperBuffA(r.data(), static_cast<DWORD>(r.size()));
#else
    for (char& ch : r) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            ch = static_cast<char>(c - 32);
        else if (c == 0x9A || c == 0x9C || c == 0x9E)  // š œ ž
            ch = static_cast<char>(c - 16);
        else if (c == 0xFF)  // ÿ
            ch = static_cast<char>(0x9F);
    }
#endif
    return r;
}

int AnsiCompareText(std::string_view a, std::string_view b)
{
#ifdef _WIN32
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) -
           CSTR_EQUAL;
#else
    const int r = AnsiUpperCase(a).compare(AnsiUpperCase(b));
    return r < 0 ? -1 : r > 0 ? 1 : 0;
#endif
}

String LowerCase(std::string_view s)
{
    String r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

String Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return String(s.substr(b, e - b));
}

String IntToStr(long long v) { return std::to_string(v); }

String FormatV(std::string_view fmt, const std::vector<FormatArg>& args)
{
    String out;
    size_t next = 0;
    for (size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        if (c != '%' || i + 1 >= fmt.size()) {
            out += c;
            continue;
        }
        const char k = fmt[i + 1];
        if (k == '%') {
            out += '%';
            ++i;
        } else if (k == 's' || k == 'd') {
            if (next < args.size()) out += args[next].AsText();
            ++next;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

String ExtractFilePath(std::string_view path)
{
    const size_t p = path.find_last_of("\\:");
    return p == std::string_view::npos ? String() : String(path.substr(0, p + 1));
}

String ExtractFileName(std::string_view path)
{
    const size_t p = path.find_last_of("\\:");
    return p == std::string_view::npos ? String(path) : String(path.substr(p + 1));
}

String ExtractFileDir(std::string_view path)
{
    String d = ExtractFilePath(path);
    if (d.size() > 1 && d.back() == '\\' && d[d.size() - 2] != ':' && d[d.size() - 2] != '\\') d.pop_back();
    return d;
}
