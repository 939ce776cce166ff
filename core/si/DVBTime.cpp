#include "si/DVBTime.h"

namespace {
// MJD of 1970-01-01.
constexpr int64_t MJD_UNIX_EPOCH = 40587;
} // namespace

unsigned BCDToValue(unsigned char bcd)
{
    return (bcd & 0x0F) + 10u * (bcd >> 4);
}

int64_t BCDTimeToSeconds(uint32_t bcd)
{
    return BCDToValue((bcd >> 16) & 0xFF) * 3600 + BCDToValue((bcd >> 8) & 0xFF) * 60 + BCDToValue(bcd & 0xFF);
}

int64_t DVBTimeToUTCSeconds(unsigned short mjd, uint32_t bcdTime)
{
    // Counting days from the MJD epoch gives the same dates as the EN 300 468
    // Annex C formula over its range (1900-03-01 to 2100-02-28) and stays
    // right for the odd MJD below it, where that formula yields month 0 or -1.
    return (mjd - MJD_UNIX_EPOCH) * 86400 + BCDTimeToSeconds(bcdTime);
}

SYSTEMTIME DVBTimeToUTC(unsigned short mjd, uint32_t bcdTime)
{
    return SecondsToSystemTime(DVBTimeToUTCSeconds(mjd, bcdTime));
}

SYSTEMTIME UTCSecondsToLocalTime(int64_t utcSeconds)
{
    return SecondsToSystemTime(utcSeconds + GetLocalOffsetSeconds(utcSeconds));
}

CString FormatDVBDuration(uint32_t bcdDuration)
{
    const unsigned hours = (bcdDuration >> 16) & 0xFF;
    const unsigned minutes = (bcdDuration >> 8) & 0xFF;
    if (hours == 0)
        return FormatString("%x mins", minutes);
    if (hours == 1)
        return minutes != 0 ? FormatString("1 hour, %x mins", minutes) : CString("1 hour");
    return minutes != 0 ? FormatString("%x hours, %x mins", hours, minutes) : FormatString("%x hours", hours);
}
