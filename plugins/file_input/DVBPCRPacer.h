#pragma once
// Decides when each chunk of a file may be delivered so that every PCR of the
// pacing PID arrives at the real time its value says: a chunk ending in a PCR
// packet is due at the anchor's time plus the clock ticks since the anchor's
// PCR. Chunks without a PCR, and PCRs that break the schedule (the first one,
// the first after a loop, a jump, a step back, a discontinuity or a rate no
// stream has), are paced by bytes at the current rate after the chunk before;
// such a PCR then becomes the new anchor, so the schedule stays continuous.
// After a loop the file's PCRs come carried on by the source: those a little
// behind the schedule (the file's start has more lead than its end) are
// delivered at once until they catch up, so the loop costs no time.
// Time is passed in (32-bit wrapping milliseconds), so tests need no waiting.
#include "DVBReadPacer.h"

#include <cstdint>
#include <optional>

class CDVBPCRPacer
{
public:
    // Where a chunk ends: its size, and the PCR of its last packet if that
    // packet carries one of the pacing PID.
    struct SChunkEnd {
        uint64_t bytes = 0;
        std::optional<uint64_t> pcr;
        bool discontinuity = false;
    };

    // Starts pacing afresh at now, with no anchor.
    void Restart(uint32_t now);
    // The file starts again from its first packet, its PCRs carried on to
    // follow the last pass; the schedule goes on.
    void StartAgain();
    // The byte rate for chunks without a usable PCR (see CDVBReadPacer).
    void SetBitrate(int bitsPerSecond) { m_bytePacer.SetBitrate(bitsPerSecond); }
    uint64_t GetBitrate() const { return m_bytePacer.GetBitrate(); }

    bool IsDue(const SChunkEnd& chunk, uint32_t now) const { return MillisecondsUntilDue(chunk, now) == 0; }
    // 0 once the chunk is due; UINT32_MAX when it never will be.
    uint32_t MillisecondsUntilDue(const SChunkEnd& chunk, uint32_t now) const;
    void OnDelivered(const SChunkEnd& chunk);

private:
    bool ContinuesSchedule(const SChunkEnd& chunk) const;
    // A PCR of the new pass still behind the last pass's.
    bool IsCatchingUp(const SChunkEnd& chunk) const;
    uint64_t TicksSinceLastPCR(uint64_t pcr) const;
    uint32_t PCRDueTime(uint64_t pcr) const;

    CDVBReadPacer m_bytePacer;
    bool m_anchored = false;
    uint32_t m_anchorTime = 0;
    uint64_t m_ticksSinceAnchor = 0;
    uint64_t m_lastPCR = 0;
    // From a loop until a PCR continues the schedule again.
    bool m_afterLoop = false;
};
