#pragma once
// Decides when the next chunk of a file may be delivered so that the file
// plays at its own bitrate: a chunk is due once the time since the pacing
// start covers every bit delivered since then plus the chunk's, at the
// current rate in whole bits per millisecond. Time is passed in (32-bit
// wrapping milliseconds), so the arithmetic is tested without waiting.
#include <cstdint>

class CDVBReadPacer
{
public:
    // The rate used until the stream's own rate has been measured.
    static constexpr uint64_t DefaultBitrate = 24128512;

    // Starts pacing afresh at now: nothing delivered yet.
    void Restart(uint32_t now);
    // Moves the pacing start on to the moment the bits delivered so far were
    // due, keeping the schedule as it is. Used at a loop restart, so that the
    // chunk read there is paced like any other and the count stays small.
    void Rebase();
    // A new measured rate. Rates below one bit per millisecond (0: not yet
    // measured) are ignored. A change applies from the point the delivered
    // bits were due at the old rate, so it neither bursts nor stalls playback.
    void SetBitrate(int bitsPerSecond);
    uint64_t GetBitrate() const { return m_bitrate; }
    bool IsDue(uint64_t bytes, uint32_t now) const { return MillisecondsUntilDue(bytes, now) == 0; }
    // 0 once a chunk of this size is due; UINT32_MAX when it never will be
    // (more than the clock's circle away).
    uint32_t MillisecondsUntilDue(uint64_t bytes, uint32_t now) const;
    // The millisecond at which a chunk of this size is due.
    uint32_t DueTime(uint64_t bytes) const { return m_start + static_cast<uint32_t>(DueAfterStart(bytes)); }
    void OnDelivered(uint64_t bytes) { m_bitsDelivered += bytes * 8; }

private:
    uint64_t BitsPerMillisecond() const { return m_bitrate / 1000; }
    uint64_t DueAfterStart(uint64_t bytes) const { return (m_bitsDelivered + bytes * 8) / BitsPerMillisecond(); }

    uint64_t m_bitrate = DefaultBitrate;
    uint64_t m_bitsDelivered = 0;
    uint32_t m_start = 0;
};
