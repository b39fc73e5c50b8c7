#include "base/date_time.h"

#include <gtest/gtest.h>

#include <limits>

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/exceptions.h"

namespace {

void ExpectConvertError(void (*f)(), const char* text)
{
    try {
        f();
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), text);
    }
}

#ifdef _WIN32
// The file time (UTC) of a local time, at even seconds, in the platform's
// time zone.
uint64_t FileTimeOfLocal(TDateTime local)
{
    const auto stamp = static_cast<uint32_t>(DateTimeToFileDate(local));
    FILETIME localTime{}, utc{};
    DosDateTimeToFileTime(static_cast<WORD>(stamp >> 16), static_cast<WORD>(stamp), &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return (static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
}
#endif

}  // namespace

TEST(DateTime, EncodesDaysFrom1899AndDecodesThemBack)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    for (double d : {-693593.0, -1.0, 0.0, 59.0, 60.0, 36585.0, 73050.0, 2958465.0}) {
        int y = 0, m = 0, day = 0;
        DecodeDate(d, y, m, day);
        EXPECT_EQ(EncodeDate(y, m, day), d);
    }
    int h = 0, mi = 0, s = 0, ms = 0;
    DecodeTime(EncodeDate(1999, 1, 9) + EncodeTime(10, 45, 42, 0), h, mi, s, ms);
    EXPECT_EQ(h * 10000 + mi * 100 + s, 104542);
    EXPECT_EQ(ms, 0);
    // Rounding up to midnight belongs to the next day.
    int y = 0, m = 0, day = 0;
    DecodeDate(1.0 - 1e-10, y, m, day);
    EXPECT_EQ(day, 31);
}

TEST(DateTime, InvalidArgumentsRaiseTheConversionErrors)
{
    ExpectConvertError([] { EncodeDate(1999, 2, 29); }, "Invalid argument to date encode");
    ExpectConvertError([] { EncodeDate(2000, 13, 1); }, "Invalid argument to date encode");
    ExpectConvertError([] { EncodeDate(0, 1, 1); }, "Invalid argument to date encode");
    ExpectConvertError([] { EncodeTime(24, 0, 0, 0); }, "Invalid argument to time encode");
    ExpectConvertError([] { EncodeTime(0, 0, 60, 0); }, "Invalid argument to time encode");
    int y = 0, m = 0, d = 0;
    EXPECT_THROW(DecodeDate(1e300, y, m, d), EConvertError);
}

TEST(DateTime, DosStampsOfTheShippedFilesConvertBothWays)
{
    struct {
        int32_t stamp;
        int y, mo, d, h, mi, s;
    } cases[] = {{640243125, 1999, 1, 9, 10, 45, 42},   {631021870, 1998, 12, 28, 20, 9, 28},
                 {631021307, 1998, 12, 28, 19, 55, 54}, {640243854, 1999, 1, 9, 11, 4, 28},
                 {640203974, 1999, 1, 8, 23, 38, 12},   {640243840, 1999, 1, 9, 11, 4, 0},
                 {640243848, 1999, 1, 9, 11, 4, 16}};
    for (const auto& c : cases) {
        const TDateTime dt = EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, 0);
        EXPECT_DOUBLE_EQ(FileDateToDateTime(c.stamp), dt) << c.stamp;
        EXPECT_EQ(DateTimeToFileDate(dt), c.stamp);
    }
}

TEST(DateTime, DosStampEdges)
{
    // The odd second is dropped.
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1999, 1, 9) + EncodeTime(10, 45, 43, 0)), 640243125);
    // Years the stamp cannot hold give 0; 1980 and 2099 are kept.
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(2100, 1, 1)), 0);
    EXPECT_EQ(DateTimeToFileDate(0.0), 0);
    EXPECT_EQ(DateTimeToFileDate(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1980, 1, 1)), 0x00210000);
    EXPECT_NE(DateTimeToFileDate(EncodeDate(2099, 12, 31)), 0);
    // Fields out of range: month 0 (date error before time), 62 seconds.
    ExpectConvertError([] { FileDateToDateTime(0); }, "Invalid argument to date encode");
    ExpectConvertError([] { FileDateToDateTime(0x00211F9F); }, "Invalid argument to time encode");
    ExpectConvertError([] { FileDateToDateTime(0x0021001F); }, "Invalid argument to time encode");
}

#ifdef _WIN32
// A file time shows as the local time it stands for, as a stamp and as
// text; stamps order as the times do, also past 2043, where a signed stamp
// would turn negative.
TEST(FileTime, StampsAndTextsShowTheLocalTime)
{
    const TDateTime local = EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0);
    const uint64_t t = FileTimeOfLocal(local);
    EXPECT_EQ(LocalDosStamp(t), static_cast<uint32_t>(DateTimeToFileDate(local)));
    EXPECT_EQ(FormatFileTime(t), FormatLocalDateTime(local));
    EXPECT_NE(FormatFileTime(t), FormatFileTime(FileTimeOfLocal(local + EncodeTime(0, 1, 0, 0))));
    EXPECT_NE(FormatFileTime(t), FormatFileTime(FileTimeOfLocal(local + 1)));
    EXPECT_GT(LocalDosStamp(FileTimeOfLocal(EncodeDate(2050, 1, 1))), LocalDosStamp(t));
    EXPECT_EQ(LocalDosStamp(0), 0u);  // 1601, before any stamp
}
#endif
