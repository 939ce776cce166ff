#include "DVBReadPacer.h"

void CDVBReadPacer::Restart(uint32_t now)
{
    m_start = now;
    m_bitsDelivered = 0;
}

void CDVBReadPacer::Rebase()
{
    const uint64_t paidMilliseconds = m_bitsDelivered / BitsPerMillisecond();
    m_start += static_cast<uint32_t>(paidMilliseconds);
    m_bitsDelivered -= paidMilliseconds * BitsPerMillisecond();
}

void CDVBReadPacer::SetBitrate(int bitsPerSecond)
{
    if (bitsPerSecond < 1000 || static_cast<uint64_t>(bitsPerSecond) == m_bitrate)
        return;
    // Applied to the whole span since the start, a new rate would shift every
    // bit already delivered: the longer a file has played, the bigger the burst
    // (or stall) a small change of rate would cause.
    Rebase();
    m_bitrate = static_cast<uint64_t>(bitsPerSecond);
}

uint32_t CDVBReadPacer::MillisecondsUntilDue(uint64_t bytes, uint32_t now) const
{
    const uint64_t due = DueAfterStart(bytes);
    if (due >= (uint64_t(1) << 32))
        return UINT32_MAX;
    const uint32_t elapsed = now - m_start;
    return elapsed >= due ? 0 : static_cast<uint32_t>(due) - elapsed;
}
