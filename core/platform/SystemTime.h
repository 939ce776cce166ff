#pragma once
// Calendar time in the broken-down form the system passes around, and the
// conversions between it, seconds since 1970 and local time.
#include <cstdint>
#include <ctime>

struct SYSTEMTIME {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;     // 1-12
    uint16_t wDayOfWeek = 0; // 0 = Sunday
    uint16_t wDay = 0;       // 1-31
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

// Seconds since 1970-01-01 00:00 of a UTC calendar time (day of week ignored).
int64_t SystemTimeToSeconds(const SYSTEMTIME& time);
// The UTC calendar time of a count of seconds since 1970, with its day of week.
SYSTEMTIME SecondsToSystemTime(int64_t seconds);
// Local time's offset from UTC in seconds at the given UTC instant (east is
// positive), as the time zone rules in force give it.
int64_t GetLocalOffsetSeconds(int64_t utcSeconds);
// The current UTC time.
SYSTEMTIME GetCurrentUtcTime();
