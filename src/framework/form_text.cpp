#include "framework/form_text.h"

#include <cctype>

#include "base/exceptions.h"
#include "framework/form_reader.h"
#include "framework/value_stream.h"

namespace {

class TFormParser {
public:
    explicit TFormParser(std::string_view text) : text_(text) {}

    std::vector<uint8_t> Run()
    {
        out_.WriteBytes(kFormSignature, 4);
        SkipBlanks();
        ParseObject(0);
        SkipBlanks();
        if (pos_ < text_.size()) Error("text after the last 'end'");
        return out_.TakeData();
    }

private:
    // A short string's length is one byte.
    static constexpr size_t kMaxIdentLength = 255;
    static constexpr long long kMaxCharCode = 255;
    // Counting digits stops above this: no 32-bit value is larger, and no
    // digit string can overflow the count.
    static constexpr long long kIntegerDigitsLimit = 1LL << 32;
    static constexpr int kHexRadix = 16;
    static constexpr int kHexLetterValue = 10;  // of 'A'

    [[noreturn]] void Error(const String& what)
    {
        int line = 1;
        int column = 1;
        for (size_t i = 0; i < pos_ && i < text_.size(); ++i) {
            ++column;
            if (text_[i] == '\n') ++line, column = 1;
        }
        throw EReadError(Format("Line %d, column %d: %s", line, column, what));
    }

    void SkipBlanks()
    {
        for (;;) {
            while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
            if (pos_ + 1 < text_.size() && text_[pos_] == '/' && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
                continue;
            }
            break;
        }
    }

    static bool IdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

    String Ident()
    {
        SkipBlanks();
        const size_t b = pos_;
        while (pos_ < text_.size() && IdentChar(text_[pos_])) ++pos_;
        if (b == pos_) Error("identifier expected");
        if (pos_ - b > kMaxIdentLength) Error("identifier too long");
        return String(text_.substr(b, pos_ - b));
    }

    bool PeekWord(std::string_view w)
    {
        SkipBlanks();
        if (text_.substr(pos_, w.size()).size() != w.size() || CompareText(text_.substr(pos_, w.size()), w) != 0)
            return false;
        const size_t e = pos_ + w.size();
        return e >= text_.size() || !IdentChar(text_[e]);
    }

    void Expect(char c)
    {
        SkipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != c) Error(Format("'%s' expected", String(1, c)));
        ++pos_;
    }

    // Digits at pos_ as a number, or -1 when there are none; stops counting
    // above `limit` so that no digit string can overflow.
    long long Digits(long long limit)
    {
        const size_t b = pos_;
        long long v = 0;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
            if (v <= limit) v = v * 10 + (text_[pos_] - '0');
            ++pos_;
        }
        return b == pos_ ? -1 : v;
    }

    void ParseObject(int depth)
    {
        // The reader takes no deeper nesting; say so here, with the line.
        if (depth >= TValueReader::kMaxDepth) Error("objects nested too deeply");
        if (!PeekWord("object")) Error("'object' expected");
        pos_ += 6;
        const String name = Ident();
        Expect(':');
        const String cls = Ident();
        out_.WriteShortString(cls);
        out_.WriteShortString(name);
        // Properties, then nested objects.
        for (;;) {
            SkipBlanks();
            if (PeekWord("object") || PeekWord("end")) break;
            const String prop = Ident();
            Expect('=');
            out_.WriteShortString(prop);
            ParseValue(0);
        }
        out_.WriteByte(0);
        while (PeekWord("object")) ParseObject(depth + 1);
        if (!PeekWord("end")) Error("'end' expected");
        pos_ += 3;
        out_.WriteByte(0);
    }

    String ParseStringExpr()
    {
        String s;
        for (;;) {
            SkipBlanks();
            if (pos_ < text_.size() && text_[pos_] == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n') Error("unterminated string");
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                            s += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    s += text_[pos_++];
                }
            } else if (pos_ < text_.size() && text_[pos_] == '#') {
                ++pos_;
                const long long code = Digits(kMaxCharCode);
                if (code < 0) Error("character code expected");
                if (code > kMaxCharCode) Error("character code above 255");
                s += static_cast<char>(code);
            } else {
                Error("string expected");
            }
            // Pieces written without a gap ('a'#13'b') join; '+' joins across
            // blanks and lines. Pieces apart are separate values of a list.
            if (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) continue;
            const size_t save = pos_;
            SkipBlanks();
            if (pos_ < text_.size() && text_[pos_] == '+') {
                ++pos_;
                continue;
            }
            pos_ = save;
            return s;
        }
    }

    void ParseValue(int depth)
    {
        if (depth > TValueReader::kMaxDepth) Error("lists nested too deeply");
        SkipBlanks();
        if (pos_ >= text_.size()) Error("value expected");
        const char c = text_[pos_];
        if (c == '\'' || c == '#')
            out_.WriteString(ParseStringExpr());
        else if (c == '-' || std::isdigit(static_cast<unsigned char>(c)))
            out_.WriteInteger(ParseInteger());
        else if (c == '(')
            ParseList(depth);
        else if (c == '[')
            out_.WriteSet(ParseSet());
        else if (c == '{')
            out_.WriteBinary(ParseBinary());
        else
            ParseWord();
    }

    int32_t ParseInteger()
    {
        const bool negative = text_[pos_] == '-';
        if (negative) ++pos_;
        long long v = Digits(kIntegerDigitsLimit);
        if (v < 0) Error("digit expected");
        if (negative) v = -v;
        if (v < INT32_MIN || v > INT32_MAX) Error("integer out of range");
        return static_cast<int32_t>(v);
    }

    // "( value value ... )", each value of the list one level deeper.
    void ParseList(int depth)
    {
        ++pos_;
        out_.WriteListBegin();
        for (;;) {
            SkipBlanks();
            if (pos_ < text_.size() && text_[pos_] == ')') {
                ++pos_;
                break;
            }
            ParseValue(depth + 1);
        }
        out_.WriteListEnd();
    }

    // "[a, b]": the names of a set's members.
    std::vector<String> ParseSet()
    {
        ++pos_;
        std::vector<String> members;
        SkipBlanks();
        if (pos_ < text_.size() && text_[pos_] != ']') {
            for (;;) {
                members.push_back(Ident());
                SkipBlanks();
                if (pos_ < text_.size() && text_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                break;
            }
        }
        Expect(']');
        return members;
    }

    // "{0A ff ...}": bytes as pairs of hexadecimal digits, blanks between
    // them allowed.
    std::vector<uint8_t> ParseBinary()
    {
        ++pos_;
        std::vector<uint8_t> bytes;
        int half = -1;
        for (;;) {
            if (pos_ >= text_.size()) Error("'}' expected");
            const char h = text_[pos_++];
            if (h == '}') break;
            if (std::isspace(static_cast<unsigned char>(h))) continue;
            if (!std::isxdigit(static_cast<unsigned char>(h))) Error("hexadecimal digit expected");
            const int d = HexDigitValue(h);
            if (half < 0) {
                half = d;
            } else {
                bytes.push_back(static_cast<uint8_t>(half * kHexRadix + d));
                half = -1;
            }
        }
        if (half >= 0) Error("odd number of hexadecimal digits");
        return bytes;
    }

    static int HexDigitValue(char h)
    {
        return std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : std::toupper(h) - 'A' + kHexLetterValue;
    }

    // A bare word: True, False, nil, or an identifier such as an enum value
    // or a component's name.
    void ParseWord()
    {
        const String id = Ident();
        if (SameText(id, "True"))
            out_.WriteBoolean(true);
        else if (SameText(id, "False"))
            out_.WriteBoolean(false);
        else if (SameText(id, "nil"))
            out_.WriteNil();
        else
            out_.WriteIdent(id);
    }

    std::string_view text_;
    size_t pos_ = 0;
    TValueWriter out_;
};

}  // namespace

std::vector<uint8_t> FormTextToBinary(std::string_view text) { return TFormParser(text).Run(); }
