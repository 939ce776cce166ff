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
