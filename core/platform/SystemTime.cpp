#include "platform/SystemTime.h"

#include <chrono>

namespace {
// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}
} // namespace

int64_t SystemTimeToSeconds(const SYSTEMTIME& time)
{
    const int64_t days = DaysFromCivil(time.wYear, time.wMonth, time.wDay);
    return days * 86400 + time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
}

SYSTEMTIME SecondsToSystemTime(int64_t seconds)
{
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        days -= 1;
    }
    // Inverse of DaysFromCivil.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);

    SYSTEMTIME time;
    time.wYear = static_cast<uint16_t>(y);
    time.wMonth = static_cast<uint16_t>(m);
    time.wDay = static_cast<uint16_t>(d);
    time.wDayOfWeek = static_cast<uint16_t>(((days % 7) + 11) % 7); // 1970-01-01 was a Thursday
    time.wHour = static_cast<uint16_t>(rest / 3600);
    time.wMinute = static_cast<uint16_t>((rest / 60) % 60);
    time.wSecond = static_cast<uint16_t>(rest % 60);
    return time;
}

int64_t GetLocalOffsetSeconds(int64_t utcSeconds)
{
    tzset();
    const time_t when = static_cast<time_t>(utcSeconds);
    tm local{};
    if (localtime_r(&when, &local) == nullptr)
        return 0;
    return local.tm_gmtoff;
}

SYSTEMTIME GetCurrentUtcTime()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    SYSTEMTIME time = SecondsToSystemTime(ms / 1000);
    time.wMilliseconds = static_cast<uint16_t>(ms % 1000);
    return time;
}
