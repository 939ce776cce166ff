#include "stream/DVBStreamErrors.h"

namespace {
uint64_t Difference(uint64_t now, uint64_t earlier)
{
    return now >= earlier ? now - earlier : 0;
}
} // namespace

CDVBErrorCounts CDVBErrorCounts::Since(const CDVBErrorCounts& earlier) const
{
    return CDVBErrorCounts { Difference(continuityErrors, earlier.continuityErrors),
        Difference(transportErrors, earlier.transportErrors), Difference(syncLosses, earlier.syncLosses),
        Difference(bytesSkipped, earlier.bytesSkipped), Difference(crcErrors, earlier.crcErrors) };
}

void CDVBStreamErrors::ResetCounts()
{
    for (PIDCounts& counts : m_counts) {
        counts.continuity.store(0, std::memory_order_relaxed);
        counts.transport.store(0, std::memory_order_relaxed);
        counts.crc.store(0, std::memory_order_relaxed);
    }
}

CDVBErrorCounts CDVBStreamErrors::GetCounts(unsigned short pid) const
{
    CDVBErrorCounts result;
    if (pid >= DVB_PID_COUNT)
        return result;
    const PIDCounts& counts = m_counts[pid];
    result.continuityErrors = counts.continuity.load(std::memory_order_relaxed);
    result.transportErrors = counts.transport.load(std::memory_order_relaxed);
    result.crcErrors = counts.crc.load(std::memory_order_relaxed);
    return result;
}

CDVBErrorCounts CDVBStreamErrors::GetTotals() const
{
    CDVBErrorCounts totals;
    for (unsigned pid = 0; pid < DVB_PID_COUNT; pid++) {
        const CDVBErrorCounts counts = GetCounts(static_cast<unsigned short>(pid));
        totals.continuityErrors += counts.continuityErrors;
        totals.transportErrors += counts.transportErrors;
        totals.crcErrors += counts.crcErrors;
    }
    return totals;
}
