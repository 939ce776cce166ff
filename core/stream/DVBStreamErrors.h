#pragma once
// Counts the faults a transport stream shows on its way in, per PID:
// continuity-counter errors, packets flagged by the transport error
// indicator and sections that fail their CRC. Lost sync is counted by the
// packet aligner and joins these in the totals.
//
// Threads: the receive thread alone counts, without a lock; the counts are
// relaxed atomics so that other threads may read (and reset) them at any time.
#include "stream/DVBPIDReceiver.h"

#include <array>
#include <atomic>
#include <cstdint>

constexpr unsigned short DVB_NULL_PID = 0x1FFF;

struct CDVBErrorCounts {
    uint64_t continuityErrors = 0;
    uint64_t transportErrors = 0;
    uint64_t syncLosses = 0;
    uint64_t bytesSkipped = 0;
    uint64_t crcErrors = 0;

    bool Any() const { return continuityErrors || transportErrors || syncLosses || crcErrors; }
    // What came after earlier; a count that went back (reset meanwhile) gives 0.
    CDVBErrorCounts Since(const CDVBErrorCounts& earlier) const;
    bool operator==(const CDVBErrorCounts&) const = default;
};

class CDVBStreamErrors
{
public:
    // Checks one packet's header; packets without payload and the null PID
    // carry no meaningful continuity counter.
    void OnPacket(unsigned short pid, const unsigned char* packet)
    {
        if (packet[1] & 0x80) {
            Increment(m_counts[pid].transport);
            return;
        }
        const unsigned char flags = packet[3];
        if ((flags & kHasPayload) == 0 || pid == DVB_NULL_PID)
            return;
        const unsigned char counter = flags & 0x0F;
        unsigned char& state = m_continuity[pid];
        if ((state & kKnown) && !HasDiscontinuityIndicator(packet)) {
            const unsigned char last = state & 0x0F;
            // One repetition of a packet is allowed; a second is not.
            if (counter == last && (state & kRepeated) == 0) {
                state |= kRepeated;
                return;
            }
            if (counter != ((last + 1) & 0x0F))
                Increment(m_counts[pid].continuity);
        }
        state = kKnown | counter;
    }
    void OnCRCError(unsigned short pid)
    {
        if (pid < DVB_PID_COUNT)
            Increment(m_counts[pid].crc);
    }

    // For a new reception: the next packet on every PID starts the check afresh.
    void RestartContinuity() { m_continuity.fill(0); }
    void ResetCounts();
    // All zero for a PID beyond 13 bits (such as an unknown one).
    CDVBErrorCounts GetCounts(unsigned short pid) const;
    // All PIDs together (sync losses and skipped bytes are left at 0 here).
    CDVBErrorCounts GetTotals() const;

private:
    static constexpr unsigned char kHasPayload = 0x10;
    static constexpr unsigned char kKnown = 0x10;
    static constexpr unsigned char kRepeated = 0x20;

    struct PIDCounts {
        std::atomic<uint64_t> continuity { 0 };
        std::atomic<uint64_t> transport { 0 };
        std::atomic<uint64_t> crc { 0 };
    };

    static bool HasDiscontinuityIndicator(const unsigned char* packet)
    {
        return (packet[3] & 0x20) && packet[4] > 0 && (packet[5] & 0x80);
    }
    static void Increment(std::atomic<uint64_t>& count)
    {
        count.store(count.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    std::array<PIDCounts, DVB_PID_COUNT> m_counts {};
    // Per PID: the last counter seen (low four bits) and the flags above.
    std::array<unsigned char, DVB_PID_COUNT> m_continuity {};
};
