#include "stream/DVBTiming.h"

#include "platform/Clock.h"

int64_t CDVBTiming::GetSystemClock()
{
    return GetMonotonicNanoseconds();
}

int64_t CDVBTiming::GetSystemClockFrequency()
{
    return KRX_MONOTONIC_FREQUENCY;
}

void CDVBTiming::ClockToString(int64_t frequency, int64_t clock, CString& text)
{
    const bool negative = clock < 0;
    // Unsigned magnitude, so that the most negative clock has one as well.
    const uint64_t magnitude = negative ? 0 - uint64_t(clock) : uint64_t(clock);
    const uint64_t ticksPerMs = frequency > 0 ? uint64_t(frequency) / 1000 : 0;
    uint64_t totalMs = 0;
    if (ticksPerMs > 0)
        totalMs = magnitude / ticksPerMs;
    else if (frequency > 0) // clocks slower than 1 kHz
        totalMs = uint64_t((unsigned __int128)magnitude * 1000 / uint64_t(frequency));
    const uint64_t totalSeconds = totalMs / 1000;
    const uint64_t totalMinutes = totalSeconds / 60;
    const uint64_t totalHours = totalMinutes / 60;
    text = FormatString("%s%03" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, negative ? "-" : "",
        totalHours / 24, totalHours % 24, totalMinutes % 60, totalSeconds % 60, totalMs % 1000);
}

void CDVBTiming::SystemClockToString(int64_t clock, CString& text)
{
    ClockToString(GetSystemClockFrequency(), clock, text);
}

void ClockToString(int64_t clock, CString& text)
{
    CDVBTiming::ClockToString(DVB_PROGRAM_CLOCK_FREQUENCY, clock, text);
}

int64_t DVBClockModulo(int64_t clock)
{
    return int64_t(uint64_t(clock) & uint64_t(DVB_CLOCK_WRAP - 1));
}

int64_t DVBClockDifference(int64_t a, int64_t b)
{
    // Unsigned arithmetic: the subtraction may overflow for extreme inputs.
    const int64_t difference = int64_t((uint64_t(a) - uint64_t(b)) & uint64_t(DVB_CLOCK_WRAP - 1));
    return difference >= DVB_CLOCK_WRAP / 2 ? difference - DVB_CLOCK_WRAP : difference;
}

uint32_t DVBMillisecondsUntil(int64_t clock, int64_t time)
{
    constexpr int64_t ticksPerMillisecond = DVB_PROGRAM_CLOCK_FREQUENCY / 1000;
    const int64_t left = DVBClockDifference(time, clock);
    return left <= 0 ? 0 : static_cast<uint32_t>((left + ticksPerMillisecond - 1) / ticksPerMillisecond);
}
