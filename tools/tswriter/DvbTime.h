#pragma once
// UTC times as DVB SI carries them: a Modified Julian Date and BCD hours,
// minutes and seconds.
#include <cstdint>

namespace ts {

struct DvbTime {
    uint16_t mjd = 0;
    uint32_t bcd = 0; // hours in the top byte

    static DvbTime FromUnix(int64_t seconds);
};

// Seconds as the 24-bit BCD hh:mm:ss used for durations; below 100 hours.
uint32_t BcdDuration(int64_t seconds);

} // namespace ts
