#pragma once
// The local high-resolution clock and the text form of clock values.
#include "platform/CString.h"

#include <cstdint>

constexpr int64_t DVB_PROGRAM_CLOCK_FREQUENCY = 90000;

class CDVBTiming
{
public:
    static int64_t GetSystemClock();
    static int64_t GetSystemClockFrequency();
    // "[-]DDD:HH:MM:SS.mmm" of a clock counting frequency ticks per second.
    static void ClockToString(int64_t frequency, int64_t clock, CString& text);
    static void SystemClockToString(int64_t clock, CString& text);
};

// Text form of a 90 kHz programme clock, PTS or DTS.
void ClockToString(int64_t clock, CString& text);

// PCR, PTS and DTS are 33-bit counts that wrap every 26.5 hours, while the
// programme clock is extrapolated past the wrap. Compare them on the circle.
constexpr int64_t DVB_CLOCK_WRAP = int64_t(1) << 33;

// The clock value brought into [0, 2^33).
int64_t DVBClockModulo(int64_t clock);
// a - b on the 33-bit circle: the signed distance in [-2^32, 2^32).
int64_t DVBClockDifference(int64_t a, int64_t b);
// True when clock has reached time (clock is at or after it on the circle).
inline bool DVBClockHasReached(int64_t clock, int64_t time)
{
    return DVBClockDifference(clock, time) >= 0;
}
// 0 once clock has reached time, else the milliseconds until it does,
// rounded up so that whoever sleeps that long finds it reached.
uint32_t DVBMillisecondsUntil(int64_t clock, int64_t time);
