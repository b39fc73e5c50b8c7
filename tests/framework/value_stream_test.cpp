#include <gtest/gtest.h>

#include <climits>

#include "base/exceptions.h"
#include "framework/value_stream.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Runs `read` on the bytes and expects the reader's "Invalid property value".
template <class F> void ExpectInvalid(const Bytes& bytes, F read)
{
    TValueReader r(bytes);
    try {
        read(r);
        ADD_FAILURE() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Invalid property value");
    }
}

TEST(ValueStream, IntegersUseTheSmallestTagAndRoundTrip)
{
    struct Case {
        int32_t value;
        TValueType tag;
        size_t size;
    };
    const Case cases[] = {
        {0, TValueType::vaInt8, 2},       {-1, TValueType::vaInt8, 2},         {127, TValueType::vaInt8, 2},
        {-128, TValueType::vaInt8, 2},    {128, TValueType::vaInt16, 3},       {-129, TValueType::vaInt16, 3},
        {32767, TValueType::vaInt16, 3},  {-32768, TValueType::vaInt16, 3},    {32768, TValueType::vaInt32, 5},
        {-32769, TValueType::vaInt32, 5}, {INT32_MAX, TValueType::vaInt32, 5}, {INT32_MIN, TValueType::vaInt32, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        TValueWriter w;
        w.WriteInteger(c.value);
        ASSERT_EQ(w.Data().size(), c.size);
        EXPECT_EQ(w.Data()[0], static_cast<uint8_t>(c.tag));
        TValueReader r(w.Data());
        EXPECT_EQ(r.ReadInteger(), c.value);
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(ValueStream, IntegersAreLittleEndianAndSigned)
{
    const Bytes b{3, 0x34, 0x12, 3, 0xFF, 0xFF, 4, 0x78, 0x56, 0x34, 0x12, 4, 0, 0, 0, 0x80, 2, 0x80};
    TValueReader r(b);
    EXPECT_EQ(r.ReadInteger(), 0x1234);
    EXPECT_EQ(r.ReadInteger(), -1);
    EXPECT_EQ(r.ReadInteger(), 0x12345678);
    EXPECT_EQ(r.ReadInteger(), INT32_MIN);
    EXPECT_EQ(r.ReadInteger(), -128);
}

TEST(ValueStream, StringsLongerThan255BytesUseTheLongTag)
{
    for (size_t n : {size_t(0), size_t(1), size_t(255), size_t(256), size_t(70000)}) {
        SCOPED_TRACE(n);
        String s(n, 'x');
        if (n) s[n - 1] = '\xE9';  // 8-bit text survives
        TValueWriter w;
        w.WriteString(s);
        const bool isLong = n > 255;
        EXPECT_EQ(w.Data()[0], static_cast<uint8_t>(isLong ? TValueType::vaLString : TValueType::vaString));
        EXPECT_EQ(w.Data().size(), (isLong ? 5 : 2) + n);
        TValueReader r(w.Data());
        EXPECT_EQ(r.ReadString(), s);
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(ValueStream, EveryKindRoundTripsAndSkips)
{
    TValueWriter w;
    w.WriteListBegin();
    w.WriteInteger(-5);
    w.WriteString("text");
    w.WriteListBegin();
    w.WriteIdent("clBlue");
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteIdent("alClient");
    w.WriteSet({"akLeft", "akTop"});
    w.WriteSet({});
    w.WriteBinary({0, 1, 0xFF});
    w.WriteString(String(300, 'L'));
    w.WriteNil();
    const Bytes data = w.Data();

    TValueReader r(data);
    r.ReadListBegin();
    EXPECT_EQ(r.ReadInteger(), -5);
    EXPECT_EQ(r.ReadString(), "text");
    r.ReadListBegin();
    EXPECT_EQ(r.ReadIdent(), "clBlue");
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    r.ReadListEnd();
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_FALSE(r.ReadBoolean());
    EXPECT_EQ(r.ReadIdent(), "alClient");
    EXPECT_EQ(r.ReadSet(), (std::vector<String>{"akLeft", "akTop"}));
    EXPECT_TRUE(r.ReadSet().empty());
    EXPECT_EQ(r.ReadBinary(), (Bytes{0, 1, 0xFF}));
    EXPECT_EQ(r.ReadString(), String(300, 'L'));
    EXPECT_EQ(r.ReadValue(), TValueType::vaNil);
    EXPECT_TRUE(r.AtEnd());

    // Skipping lands on the same boundaries as reading.
    TValueReader s(data);
    int values = 0;
    while (!s.AtEnd()) {
        s.SkipValue();
        ++values;
    }
    EXPECT_EQ(values, 9);
    EXPECT_EQ(s.Position(), data.size());
}

TEST(ValueStream, WrongTagsAndUnknownTagsAreInvalid)
{
    ExpectInvalid({6, 1, 'a'}, [](TValueReader& r) { r.ReadInteger(); });
    ExpectInvalid({2, 1}, [](TValueReader& r) { r.ReadString(); });
    ExpectInvalid({2, 1}, [](TValueReader& r) { r.ReadIdent(); });
    ExpectInvalid({7, 1, 'a'}, [](TValueReader& r) { r.ReadSet(); });
    ExpectInvalid({6, 0}, [](TValueReader& r) { r.ReadBinary(); });
    ExpectInvalid({2, 0}, [](TValueReader& r) { r.ReadListBegin(); });
    ExpectInvalid({1}, [](TValueReader& r) { r.ReadListEnd(); });
    for (uint8_t tag : {uint8_t(5), uint8_t(14), uint8_t(0x80), uint8_t(0xFF)}) {
        SCOPED_TRACE(int(tag));
        ExpectInvalid({tag, 0, 0, 0, 0}, [](TValueReader& r) { r.ReadValue(); });
        ExpectInvalid({tag, 0, 0, 0, 0}, [](TValueReader& r) { r.SkipValue(); });
        ExpectInvalid({1, tag, 0, 0, 0, 0, 0}, [](TValueReader& r) { r.SkipValue(); });
    }
}

TEST(ValueStream, TruncatedValuesAndAbsurdLengthsFailWithoutReadingPastTheEnd)
{
    TValueWriter w;
    w.WriteInteger(INT32_MIN);
    w.WriteString("abc");
    w.WriteString(String(256, 'z'));
    w.WriteSet({"a", "b"});
    w.WriteBinary({1, 2, 3});
    w.WriteListBegin();
    w.WriteIdent("x");
    w.WriteListEnd();
    const Bytes full = w.Data();
    for (size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        // A buffer of exactly `cut` bytes, so ASan sees any overread.
        auto heap = std::make_unique<uint8_t[]>(cut ? cut : 1);
        std::copy(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut), heap.get());
        TValueReader r(heap.get(), cut);
        EXPECT_THROW(
            {
                r.ReadInteger();
                r.ReadString();
                r.ReadString();
                r.ReadSet();
                r.ReadBinary();
                r.SkipValue();
            },
            EReadError);
        TValueReader s(heap.get(), cut);
        EXPECT_THROW(
            {
                for (int i = 0; i < 6; ++i) s.SkipValue();
            },
            EReadError);
    }
    // Four-byte lengths near 4 GiB must fail before any allocation.
    ExpectInvalid({12, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, [](TValueReader& r) { r.ReadString(); });
    ExpectInvalid({10, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, [](TValueReader& r) { r.ReadBinary(); });
    ExpectInvalid({10, 0xFF, 0xFF, 0xFF, 0xFF}, [](TValueReader& r) { r.SkipValue(); });
    ExpectInvalid({6, 200, 'a'}, [](TValueReader& r) { r.ReadString(); });
    ExpectInvalid({}, [](TValueReader& r) { r.NextValue(); });
}

TEST(ValueStream, NestingIsBounded)
{
    // Nested lists up to the limit read; one more fails.
    for (int depth : {TValueReader::kMaxDepth, TValueReader::kMaxDepth + 1}) {
        Bytes b(static_cast<size_t>(depth), 1);
        b.insert(b.end(), static_cast<size_t>(depth), 0);
        TValueReader r(b);
        auto readAll = [&] {
            for (int i = 0; i < depth; ++i) r.ReadListBegin();
            for (int i = 0; i < depth; ++i) r.ReadListEnd();
        };
        if (depth <= TValueReader::kMaxDepth)
            EXPECT_NO_THROW(readAll());
        else
            EXPECT_THROW(readAll(), EReadError);
    }
    // Skipping a hostile depth fails instead of exhausting the stack.
    const Bytes deep(200000, 1);
    ExpectInvalid(deep, [](TValueReader& r) { r.SkipValue(); });
}

TEST(ValueStream, WriterRefusesIdentifiersOver255Bytes)
{
    TValueWriter w;
    EXPECT_NO_THROW(w.WriteIdent(String(255, 'a')));
    EXPECT_THROW(w.WriteIdent(String(256, 'a')), EReadError);
    EXPECT_THROW(w.WriteSet({String(256, 'a')}), EReadError);
}

}  // namespace
