#include "DVBPCRPacer.h"

#include "DVBRateEstimate.h"
#include "stream/DVBTiming.h"

namespace {
constexpr uint64_t kTicksPerMillisecond = 90;
constexpr uint64_t kPCRMask = (uint64_t(1) << 33) - 1;
// Further on than this from the PCR before is a splice, not progress.
constexpr uint64_t kLongestStep = 90000;
// A PCR due this long before the chunk before it was (bytes without PCRs
// went slower than the clock) would have all that time delivered at once.
constexpr int32_t kLongestLag = 1000;
} // namespace

void CDVBPCRPacer::Restart(uint32_t now)
{
    m_bytePacer.Restart(now);
    m_anchored = false;
    m_afterLoop = false;
}

void CDVBPCRPacer::StartAgain()
{
    m_bytePacer.Rebase();
    m_afterLoop = true;
}

bool CDVBPCRPacer::IsCatchingUp(const SChunkEnd& chunk) const
{
    if (!m_afterLoop || !m_anchored || !chunk.pcr || chunk.discontinuity)
        return false;
    const int64_t behind = DVBClockDifference(int64_t(m_lastPCR), int64_t(*chunk.pcr));
    return behind > 0 && behind <= int64_t(kLongestStep);
}

// Modulo 2^33, so a wrap is a small step and a step back a huge one.
uint64_t CDVBPCRPacer::TicksSinceLastPCR(uint64_t pcr) const
{
    return (pcr - m_lastPCR) & kPCRMask;
}

bool CDVBPCRPacer::ContinuesSchedule(const SChunkEnd& chunk) const
{
    if (!m_anchored || !chunk.pcr || chunk.discontinuity)
        return false;
    const uint64_t ticks = TicksSinceLastPCR(*chunk.pcr);
    // Repeated or barely moving PCRs under many bytes would deliver the file
    // as fast as it is read, for as long as they go on.
    const bool plausibleRate = chunk.bytes * 8 * DVB_PROGRAM_CLOCK_FREQUENCY <= ticks * HighestPlausibleBitrate;
    if (ticks > kLongestStep || !plausibleRate)
        return false;
    return static_cast<int32_t>(PCRDueTime(*chunk.pcr) - m_bytePacer.DueTime(0)) >= -kLongestLag;
}

// Rounded up, so that a chunk never arrives before its PCR's time.
uint32_t CDVBPCRPacer::PCRDueTime(uint64_t pcr) const
{
    const uint64_t ticks = m_ticksSinceAnchor + TicksSinceLastPCR(pcr);
    return m_anchorTime + static_cast<uint32_t>((ticks + kTicksPerMillisecond - 1) / kTicksPerMillisecond);
}

uint32_t CDVBPCRPacer::MillisecondsUntilDue(const SChunkEnd& chunk, uint32_t now) const
{
    if (IsCatchingUp(chunk))
        return 0;
    if (!ContinuesSchedule(chunk))
        return m_bytePacer.MillisecondsUntilDue(chunk.bytes, now);
    const int32_t left = static_cast<int32_t>(PCRDueTime(*chunk.pcr) - now);
    return left <= 0 ? 0 : static_cast<uint32_t>(left);
}

void CDVBPCRPacer::OnDelivered(const SChunkEnd& chunk)
{
    if (IsCatchingUp(chunk))
        return;
    if (chunk.pcr)
        m_afterLoop = false;
    if (ContinuesSchedule(chunk)) {
        const uint32_t due = PCRDueTime(*chunk.pcr);
        m_ticksSinceAnchor += TicksSinceLastPCR(*chunk.pcr);
        m_lastPCR = *chunk.pcr;
        m_bytePacer.Restart(due);
        return;
    }
    if (chunk.pcr) {
        m_anchorTime = m_bytePacer.DueTime(chunk.bytes);
        m_ticksSinceAnchor = 0;
        m_lastPCR = *chunk.pcr;
        m_anchored = true;
    }
    // The byte pacer goes on counting rather than restarting at the anchor:
    // chunks shorter than a millisecond would each lose their part of one.
    m_bytePacer.OnDelivered(chunk.bytes);
}
