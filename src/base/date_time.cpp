#include "base/date_time.h"

#include <cmath>

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/exceptions.h"

namespace {

constexpr int64_t kMSecsPerDay = 86400000;
// Day number of 30 December 1899 counted from 1 January of the year 1 as day 1.
constexpr int64_t kDateDelta = 693594;
constexpr double kMinDate = -693593.0;  // 1 January 0001
constexpr double kMaxDate = 2958466.0;  // 1 January 10000

int64_t DaysBeforeYear(int year)
{
    const int64_t y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

// Splits a value into its day number and the milliseconds of its time of
// day, the way the framework does: the integer part is the date and the
// fraction's magnitude the time, also for dates before 1899.
void Split(TDateTime value, int64_t& days, int64_t& msec)
{
    if (!(value >= kMinDate && value < kMaxDate)) throw EConvertError("Invalid date-time value");
    const double whole = std::trunc(value);
    days = static_cast<int64_t>(whole);
    msec = static_cast<int64_t>(std::llround(std::fabs(value - whole) * static_cast<double>(kMSecsPerDay)));
    if (msec >= kMSecsPerDay) {
        // Rounding reached midnight: for positive values that is the next day.
        if (value >= 0) {
            ++days;
            msec = 0;
        } else {
            msec = kMSecsPerDay - 1;
        }
    }
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    int64_t n = DaysBeforeYear(year);
    for (int m = 1; m < month; ++m) n += DaysInMonth(year, m);
    n += day;
    result = static_cast<double>(n - kDateDelta);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    const int64_t ms = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + msec;
    result = static_cast<double>(ms) / static_cast<double>(kMSecsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime r = 0;
    if (!TryEncodeDate(year, month, day, r)) throw EConvertError(kInvalidDateEncode);
    return r;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    TDateTime r = 0;
    if (!TryEncodeTime(hour, minute, second, msec, r)) throw EConvertError(kInvalidTimeEncode);
    return r;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    int64_t days = 0, msec = 0;
    Split(value, days, msec);
    // Count from 1 January 0001 as day 0, then peel off 400-, 100-, 4- and
    // 1-year cycles; the last year of a cycle is the one with the extra day.
    int64_t n = days + kDateDelta - 1;
    int64_t y = 1;
    const int64_t c400 = n / 146097;
    n %= 146097;
    y += c400 * 400;
    int64_t c100 = n / 36524;
    if (c100 == 4) c100 = 3;
    n -= c100 * 36524;
    y += c100 * 100;
    const int64_t c4 = n / 1461;
    n %= 1461;
    y += c4 * 4;
    int64_t c1 = n / 365;
    if (c1 == 4) c1 = 3;
    n -= c1 * 365;
    y += c1;
    year = static_cast<int>(y);
    month = 1;
    while (n >= DaysInMonth(year, month)) {
        n -= DaysInMonth(year, month);
        ++month;
    }
    day = static_cast<int>(n) + 1;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    int64_t days = 0, ms = 0;
    Split(value, days, ms);
    msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    second = static_cast<int>(ms % 60);
    ms /= 60;
    minute = static_cast<int>(ms % 60);
    hour = static_cast<int>(ms / 60);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second, int& msec)
{
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, msec);
}

TDateTime FileDateToDateTime(int32_t fileDate)
{
    const auto packed = static_cast<uint32_t>(fileDate);
    const uint32_t date = packed >> 16;
    const uint32_t time = packed & 0xFFFFu;
    const TDateTime d = EncodeDate(static_cast<int>(1980 + (date >> 9)), static_cast<int>((date >> 5) & 15),
                                   static_cast<int>(date & 31));
    const TDateTime t = EncodeTime(static_cast<int>(time >> 11), static_cast<int>((time >> 5) & 63),
                                   static_cast<int>((time & 31) * 2), 0);
    return d + t;
}

int32_t DateTimeToFileDate(TDateTime value)
{
    if (!(value >= kMinDate && value < kMaxDate)) return 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDate(value, year, month, day);
    if (year < 1980 || year > 2099) return 0;
    DecodeTime(value, hour, minute, second, msec);
    const uint32_t date =
        (static_cast<uint32_t>(year - 1980) << 9) | (static_cast<uint32_t>(month) << 5) | static_cast<uint32_t>(day);
    const uint32_t time =
        (static_cast<uint32_t>(hour) << 11) | (static_cast<uint32_t>(minute) << 5) | static_cast<uint32_t>(second / 2);
    return static_cast<int32_t>((date << 16) | time);
}

#ifdef _WIN32
namespace {

FILETIME ToFileTime(uint64_t fileTime)
{
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(fileTime);
    ft.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    return ft;
}

String FormatSystemTime(const SYSTEMTIME& st)
{
    char d[128] = "", t[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, d, sizeof d);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, t, sizeof t);
    return String(d) + " " + t;
}

}  // namespace

uint32_t LocalDosStamp(uint64_t fileTime)
{
    const FILETIME utc = ToFileTime(fileTime);
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
    return (static_cast<uint32_t>(date) << 16) | time;
}

String FormatLocalDateTime(TDateTime value)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    DecodeDateTime(value, year, month, day, hour, minute, second, msec);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    st.wHour = static_cast<WORD>(hour);
    st.wMinute = static_cast<WORD>(minute);
    st.wSecond = static_cast<WORD>(second);
    return FormatSystemTime(st);
}

String FormatFileTime(uint64_t fileTime)
{
    const FILETIME utc = ToFileTime(fileTime);
    FILETIME local{};
    SYSTEMTIME st{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    return FormatSystemTime(st);
}
#endif
