#pragma once
// DVB dates and times: Modified Julian Dates, BCD times and durations, and
// their conversion to local calendar time.
#include "platform/CString.h"
#include "platform/SystemTime.h"

#include <cstdint>

// Value of one BCD byte (each nibble a decimal digit).
unsigned BCDToValue(unsigned char bcd);
// Seconds of a 24-bit BCD hours-minutes-seconds value.
int64_t BCDTimeToSeconds(uint32_t bcd);
// Seconds since 1970 of an MJD date and BCD UTC time.
int64_t DVBTimeToUTCSeconds(unsigned short mjd, uint32_t bcdTime);
// The UTC calendar date and time of an MJD date and BCD time.
SYSTEMTIME DVBTimeToUTC(unsigned short mjd, uint32_t bcdTime);
// Local calendar time of a UTC instant, with the offset in force at that instant.
SYSTEMTIME UTCSecondsToLocalTime(int64_t utcSeconds);
// "45 mins", "1 hour", "1 hour, 30 mins", "2 hours", "2 hours, 5 mins" (seconds are not shown).
CString FormatDVBDuration(uint32_t bcdDuration);
