#include "platform/Clock.h"

#include <ctime>

int64_t GetMonotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * KRX_MONOTONIC_FREQUENCY + now.tv_nsec;
}

uint32_t GetMillisecondTime()
{
    return static_cast<uint32_t>(GetMonotonicNanoseconds() / 1000000);
}
