// Date-time values as the framework keeps them: a double counting whole days
// since 30 December 1899, the fraction being the time of day. Also the DOS
// packed time stamps that file systems and setup scripts store.
#pragma once

#include <cstdint>

#include "base/nstring.h"

using TDateTime = double;

inline constexpr const char* kInvalidDateEncode = "Invalid argument to date encode";
inline constexpr const char* kInvalidTimeEncode = "Invalid argument to time encode";

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1 to 12

// Years 1 to 9999. The Try forms report an invalid argument by returning
// false; the others raise EConvertError with the texts above.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);

// A value outside the years 1 to 9999 (or not a number) raises EConvertError.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second, int& msec);

// DOS packed date (high word) and time (low word). Decoding raises the date
// or the time error when a field is out of range; seconds are stored halved.
TDateTime FileDateToDateTime(int32_t fileDate);
// Years outside 1980 to 2099 give 0; the odd second is dropped.
int32_t DateTimeToFileDate(TDateTime value);

#ifdef _WIN32
// File times as the platform keeps them: 100 ns units since 1 January 1601,
// UTC. Only the platform knows the user's time zone and formats.

// The DOS stamp of a file time in local time, at the file system's
// two-second resolution, as an unsigned number: stamps order as the times
// do. 0 when the platform cannot convert the time.
uint32_t LocalDosStamp(uint64_t fileTime);
// "date time" in the user's short date and time formats.
String FormatLocalDateTime(TDateTime value);
// A file time so, in local time.
String FormatFileTime(uint64_t fileTime);
#endif
