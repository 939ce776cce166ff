#pragma once
// The time of each decoded frame, in 45 kHz ticks (PTS / 2). A PES time stamp
// belongs to the first frame that starts at or after the place in the stream
// where its packet's data began; any other frame follows the one before it by
// that frame's duration. Chunks end anywhere in a frame and several may come
// before the frame in progress is whole, so each stamp waits for its own frame.
// A stream no decoder finds frames in still brings stamps: only those that can
// still belong to a frame are kept.
#include <cstddef>
#include <cstdint>
#include <deque>

class CDVBFrameTimes
{
public:
    // A stamp for the data from position on, counted in bytes from the
    // stream's first.
    void AddStamp(uint64_t position, uint32_t time);
    // The time of the frame that starts at position and lasts duration ticks.
    uint32_t StartFrame(uint64_t position, uint32_t duration);
    // How many stamps wait for their frames.
    size_t GetPendingCount() const { return m_pending.size(); }

private:
    struct SPendingTime {
        uint64_t position;
        uint32_t time;
    };

    std::deque<SPendingTime> m_pending;
    uint32_t m_frameTime = 0;
    uint32_t m_previousDuration = 0;
};
