#include <gtest/gtest.h>

#include <climits>

#include "base/exceptions.h"
#include "framework/form_text.h"
#include "framework/value_stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The compiled bytes of the single value in "V = <value>".
Bytes ValueBytes(const String& value)
{
    const Bytes b = FormTextToBinary("object A: TX\n  V = " + value + "\nend\n");
    TValueReader r(b);
    char sig[4];
    r.ReadBytes(sig, 4);
    EXPECT_EQ(r.ReadShortString(), "TX");
    EXPECT_EQ(r.ReadShortString(), "A");
    EXPECT_EQ(r.ReadShortString(), "V");
    const size_t start = r.Position();
    r.SkipValue();
    const Bytes v(b.begin() + static_cast<std::ptrdiff_t>(start),
                  b.begin() + static_cast<std::ptrdiff_t>(r.Position()));
    EXPECT_EQ(r.ReadByte(), 0);  // end of properties
    EXPECT_EQ(r.ReadByte(), 0);  // end of children
    EXPECT_TRUE(r.AtEnd());
    return v;
}

String CompileError(std::string_view text)
{
    try {
        FormTextToBinary(text);
    } catch (const EReadError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no error for: " << text;
    return {};
}

TEST(FormText, ObjectLayout)
{
    const Bytes b = FormTextToBinary("// a comment\n"
                                     "object F: TForm1\n"
                                     "  Left = 1  // trailing comment\n"
                                     "  object P: TPanel\n"
                                     "    object B: TButton\n"
                                     "    end\n"
                                     "  end\n"
                                     "  object Q: TPanel\n"
                                     "  end\n"
                                     "end\n");
    Bytes expected{'N', 'F', 'R', 'M'};
    auto add = [&](std::initializer_list<String> names, std::initializer_list<uint8_t> tail) {
        for (const String& n : names) {
            expected.push_back(static_cast<uint8_t>(n.size()));
            expected.insert(expected.end(), n.begin(), n.end());
        }
        expected.insert(expected.end(), tail);
    };
    add({"TForm1", "F", "Left"}, {2, 1, 0});  // class, name, property, value, end of properties
    add({"TPanel", "P"}, {0});
    add({"TButton", "B"}, {0, 0});  // no properties, no children
    add({}, {0});                   // end of P's children
    add({"TPanel", "Q"}, {0, 0});
    add({}, {0});  // end of F's children
    EXPECT_EQ(b, expected);
}

TEST(FormText, IntegersUseTheSmallestTag)
{
    struct Case {
        const char* text;
        int32_t value;
        TValueType tag;
    };
    const Case cases[] = {
        {"-129", -129, TValueType::vaInt16},
        {"-128", -128, TValueType::vaInt8},
        {"127", 127, TValueType::vaInt8},
        {"128", 128, TValueType::vaInt16},
        {"-32769", -32769, TValueType::vaInt32},
        {"32767", 32767, TValueType::vaInt16},
        {"32768", 32768, TValueType::vaInt32},
        {"-2147483648", INT32_MIN, TValueType::vaInt32},
        {"2147483647", INT32_MAX, TValueType::vaInt32},
        {"0", 0, TValueType::vaInt8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Bytes v = ValueBytes(c.text);
        ASSERT_FALSE(v.empty());
        EXPECT_EQ(v[0], static_cast<uint8_t>(c.tag));
        TValueReader r(v);
        EXPECT_EQ(r.ReadInteger(), c.value);
    }
    EXPECT_EQ(CompileError("object A: TX\n V = 2147483648\nend"), "Line 2, column 16: integer out of range");
    EXPECT_EQ(CompileError("object A: TX\n V = -2147483649\nend"), "Line 2, column 17: integer out of range");
}

TEST(FormText, NumbersThatAreNotNumbersAreSyntaxErrors)
{
    // Far too many digits, a lone sign, a huge character code: each is a
    // syntax error with a line number, not a library exception.
    for (const char* v : {"99999999999999999999999", "-", "- 5", "#99999999999999999999", "#"}) {
        SCOPED_TRACE(v);
        const String msg = CompileError(String("object A: TX\n\n V = ") + v + "\nend");
        EXPECT_EQ(msg.rfind("Line 3, column ", 0), 0u) << msg;
    }
}

TEST(FormText, StringEscapesAndContinuations)
{
    auto str = [](const String& text) {
        const Bytes v = ValueBytes(text);
        TValueReader r(v);
        return r.ReadString();
    };
    EXPECT_EQ(str("'It''s'"), "It's");
    EXPECT_EQ(str("''''"), "'");
    EXPECT_EQ(str("''"), "");
    EXPECT_EQ(str("'a'#13#10'b'"), "a\r\nb");
    EXPECT_EQ(str("#65#66"), "AB");
    EXPECT_EQ(str("#233"), "\xE9");
    EXPECT_EQ(str("'a' +\n   'b' + #9 +\n 'c'"), "ab\tc");
    EXPECT_EQ(str("'// not a comment'"), "// not a comment");

    // Inside a list, pieces apart are separate values; joined ones are one.
    const Bytes list = ValueBytes("(\n 'a' 'b'#13'c'\n 'd' + 'e' '')");
    TValueReader r(list);
    r.ReadListBegin();
    std::vector<String> items;
    while (!r.EndOfList()) items.push_back(r.ReadString());
    r.ReadListEnd();
    EXPECT_EQ(items, (std::vector<String>{"a", "b\rc", "de", ""}));
}

TEST(FormText, LongStringsUseTheLongTag)
{
    const String s255(255, 'x');
    const String s300 = String(200, 'y') + "'" + String(99, 'z');
    EXPECT_EQ(ValueBytes("'" + s255 + "'")[0], static_cast<uint8_t>(TValueType::vaString));
    // Written in pieces joined with '+', as long texts are.
    const Bytes v = ValueBytes("'" + String(200, 'y') + "''' +\n  '" + String(99, 'z') + "'");
    EXPECT_EQ(v[0], static_cast<uint8_t>(TValueType::vaLString));
    TValueReader r(v);
    EXPECT_EQ(r.ReadString(), s300);
}

TEST(FormText, OtherValueKinds)
{
    EXPECT_EQ(ValueBytes("True"), (Bytes{9}));
    EXPECT_EQ(ValueBytes("false"), (Bytes{8}));
    EXPECT_EQ(ValueBytes("nil"), (Bytes{13}));
    EXPECT_EQ(ValueBytes("alClient"), (Bytes{7, 8, 'a', 'l', 'C', 'l', 'i', 'e', 'n', 't'}));
    EXPECT_EQ(ValueBytes("[]"), (Bytes{11, 0}));
    EXPECT_EQ(ValueBytes("[ a , bc ]"), (Bytes{11, 1, 'a', 2, 'b', 'c', 0}));
    EXPECT_EQ(ValueBytes("{0aFF\n  10}"), (Bytes{10, 3, 0, 0, 0, 0x0A, 0xFF, 0x10}));
    EXPECT_EQ(ValueBytes("()"), (Bytes{1, 0}));
    EXPECT_EQ(ValueBytes("(1 (x) [])"), (Bytes{1, 2, 1, 1, 7, 1, 'x', 0, 11, 0, 0}));
}

TEST(FormText, SyntaxErrorsGiveTheLine)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "Line 1, column 1: 'object' expected"},
        {"object A TX\nend", "Line 1, column 10: ':' expected"},
        {"object A: TX\n  V 1\nend", "Line 2, column 5: '=' expected"},
        {"object A: TX\n  V = 'abc\nend", "Line 2, column 11: unterminated string"},
        {"object A: TX\n  V = 'abc", "Line 2, column 11: unterminated string"},
        {"object A: TX\n\n  V = #300\nend", "Line 3, column 11: character code above 255"},
        {"object A: TX\n  V = 'a' +\nend", "Line 3, column 1: string expected"},
        {"object A: TX\n  V = 'a' 'b'\nend", "Line 2, column 11: identifier expected"},
        {"object A: TX\n  V = {0A1}\nend", "Line 2, column 12: odd number of hexadecimal digits"},
        {"object A: TX\n  V = {0G}\nend", "Line 2, column 10: hexadecimal digit expected"},
        {"object A: TX\n  V = {00", "Line 2, column 10: '}' expected"},
        {"object A: TX\n  V = [a,]\nend", "Line 2, column 10: identifier expected"},
        {"object A: TX\n  V = [a\nend", "Line 3, column 1: ']' expected"},
        {"object A: TX\n  V = (1\n", "Line 3, column 1: value expected"},
        {"object A: TX\n  V =", "Line 2, column 6: value expected"},
        {"object A: TX\n  object B: TY\n  end\n", "Line 4, column 1: 'end' expected"},
        {"object A: TX\n  object B: TY\n  end\n  V = 1\nend", "Line 4, column 3: 'end' expected"},
        {"object A: TX\nend\nend", "Line 3, column 1: text after the last 'end'"},
    };
    for (const Case& c : cases) EXPECT_EQ(CompileError(c.text), c.message) << c.text;
}

TEST(FormText, DeepNestingIsAnErrorNotACrash)
{
    String lists = "object A: TX\n  V = ";
    lists += String(100000, '(');
    EXPECT_EQ(CompileError(lists).rfind("Line 2, column ", 0), 0u);

    String objects;
    for (int i = 0; i < 100000; ++i) objects += "object A: TX\n";
    const String msg = CompileError(objects);
    EXPECT_NE(msg.find("nested too deeply"), String::npos) << msg;
}

TEST(FormText, OverlongIdentifiersAreErrors)
{
    const String msg = CompileError("object A: TX\n  V = " + String(300, 'a') + "\nend");
    EXPECT_EQ(msg, "Line 2, column 307: identifier too long");
}

}  // namespace
