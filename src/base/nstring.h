// 8-bit strings (code page 1252) and the text helpers the suite shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using String = std::string;

// Case-insensitive compare for ASCII letters, like the platform's ANSI
// compare for the names the suite deals with.
int CompareText(std::string_view a, std::string_view b);
inline bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }
String UpperCase(std::string_view s);
// Upper case by the system's locale rules (on the host, the letters of code
// page 1252), for names a person compares: "café.txt" is "CAFÉ.TXT".
String AnsiUpperCase(std::string_view s);
// Order by the user's locale, ignoring case, as a person sorts names (on
// the host, the byte order of AnsiUpperCase).
int AnsiCompareText(std::string_view a, std::string_view b);
String LowerCase(std::string_view s);
String Trim(std::string_view s);
String IntToStr(long long v);

// printf-like formatting of "%s" and "%d" with typed arguments; "%%" gives
// a percent sign. A missing argument formats as empty; extra ones are ignored.
class FormatArg {
public:
    FormatArg(const String& s) : text_(s), isInt_(false) {}
    FormatArg(const char* s) : text_(s ? s : ""), isInt_(false) {}
    FormatArg(int v) : num_(v), isInt_(true) {}
    FormatArg(long v) : num_(v), isInt_(true) {}
    FormatArg(long long v) : num_(v), isInt_(true) {}
    FormatArg(unsigned v) : num_(v), isInt_(true) {}
    FormatArg(unsigned long v) : num_(static_cast<long long>(v)), isInt_(true) {}
    FormatArg(unsigned long long v) : num_(static_cast<long long>(v)), isInt_(true) {}
    String AsText() const { return isInt_ ? IntToStr(num_) : text_; }

private:
    String text_;
    long long num_ = 0;
    bool isInt_;
};
String FormatV(std::string_view fmt, const std::vector<FormatArg>& args);
template <class... A> String Format(std::string_view fmt, const A&... args)
{
    return FormatV(fmt, std::vector<FormatArg>{FormatArg(args)...});
}

// Path pieces in the platform's drive-letter form ("C:\DIR\FILE.EXT").
String ExtractFilePath(std::string_view path);  // up to and including the last '\' or ':'
String ExtractFileName(std::string_view path);  // after the last '\' or ':'
String ExtractFileDir(std::string_view path);   // ExtractFilePath without a trailing '\' (except a root)
