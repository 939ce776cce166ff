#include "tswriter/DvbTime.h"

#include <stdexcept>

namespace ts {

namespace {

constexpr int64_t SECONDS_PER_DAY = 86400;
constexpr int64_t MJD_OF_1970 = 40587;

uint32_t Bcd(int64_t value)
{
    return uint32_t((value / 10) << 4 | (value % 10));
}

uint32_t BcdHms(int64_t seconds)
{
    return Bcd(seconds / 3600) << 16 | Bcd(seconds / 60 % 60) << 8 | Bcd(seconds % 60);
}

} // namespace

DvbTime DvbTime::FromUnix(int64_t seconds)
{
    if (seconds < 0)
        throw std::invalid_argument("time before 1970");
    return { uint16_t(MJD_OF_1970 + seconds / SECONDS_PER_DAY), BcdHms(seconds % SECONDS_PER_DAY) };
}

uint32_t BcdDuration(int64_t seconds)
{
    if (seconds < 0 || seconds >= 100 * 3600)
        throw std::invalid_argument("duration out of BCD range");
    return BcdHms(seconds);
}

} // namespace ts
