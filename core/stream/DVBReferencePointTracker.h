#pragma once
// Ties the packet count to local time: a ring of the last (system clock,
// packet count) samples, one per read, whose centroid smooths out the jitter
// of individual reads.
#include "platform/CriticalSection.h"

#include <cstdint>
#include <vector>

class CDVBReferencePointTracker
{
public:
    explicit CDVBReferencePointTracker(int capacity);
    virtual ~CDVBReferencePointTracker() = default;

    void Initialise();
    void Add(int64_t clock, uint64_t packets);
    // The centroid of the samples held; (0, 0) when there are none.
    void GetReferencePoint(int64_t& clock, uint64_t& packets);
    // Bits per second from the oldest sample to the centroid; 0 without a time span.
    void GetBitrate(int& bitsPerSecond);

protected:
    void Remove();
    void RecalculateIfNecessary();

private:
    struct Sample {
        int64_t clock;
        uint64_t packets;
    };

    int m_capacity;
    unsigned m_writeIndex = 0;
    unsigned m_readIndex = 0;
    bool m_empty = true;
    bool m_full = false;
    bool m_dirty = true;
    int m_count = 0;
    uint64_t m_meanPackets = 0;
    uint64_t m_firstPackets = 0;
    uint64_t m_lastPackets = 0;
    int64_t m_meanClock = 0;
    int64_t m_firstClock = 0;
    int64_t m_lastClock = 0;
    std::vector<Sample> m_samples;
    CCriticalSection m_lock;
};
