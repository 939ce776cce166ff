#include "stream/DVBReferencePointTracker.h"

#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTiming.h"

#include <algorithm>
#include <cmath>

CDVBReferencePointTracker::CDVBReferencePointTracker(int capacity)
    : m_capacity(std::max(capacity, 1))
    , m_samples(m_capacity, Sample { 0, 0 })
{
}

void CDVBReferencePointTracker::Initialise()
{
    CSingleLock lock(&m_lock, true);
    m_writeIndex = m_readIndex = 0;
    m_empty = true;
    m_full = false;
    m_dirty = true;
    m_count = 0;
    m_meanPackets = m_firstPackets = m_lastPackets = 0;
    m_meanClock = m_firstClock = m_lastClock = 0;
}

void CDVBReferencePointTracker::Add(int64_t clock, uint64_t packets)
{
    CSingleLock lock(&m_lock, true);
    if (m_full)
        Remove();
    m_samples[m_writeIndex] = Sample { clock, packets };
    m_writeIndex = (m_writeIndex + 1) % m_capacity;
    m_count++;
    m_full = m_writeIndex == m_readIndex;
    m_empty = false;
    m_dirty = true;
}

void CDVBReferencePointTracker::Remove()
{
    if (m_empty)
        return;
    m_readIndex = (m_readIndex + 1) % m_capacity;
    m_count--;
    m_full = false;
    m_empty = m_readIndex == m_writeIndex;
    m_dirty = true;
}

void CDVBReferencePointTracker::RecalculateIfNecessary()
{
    if (!m_dirty)
        return;
    m_meanPackets = 0;
    m_meanClock = 0;
    const int n = m_count;
    if (n > 0) {
        m_firstClock = m_samples[m_readIndex].clock;
        m_firstPackets = m_samples[m_readIndex].packets;
        unsigned index = m_readIndex;
        // Each term is divided before summing, so that the sum cannot overflow.
        for (int i = 0; i < n; i++) {
            const Sample& sample = m_samples[index];
            m_meanPackets += sample.packets / uint64_t(n);
            m_meanClock += sample.clock / n;
            m_lastClock = sample.clock;
            m_lastPackets = sample.packets;
            index = (index + 1) % m_capacity;
        }
    }
    m_dirty = false;
}

void CDVBReferencePointTracker::GetReferencePoint(int64_t& clock, uint64_t& packets)
{
    CSingleLock lock(&m_lock, true);
    RecalculateIfNecessary();
    clock = m_meanClock;
    packets = m_meanPackets;
}

void CDVBReferencePointTracker::GetBitrate(int& bitsPerSecond)
{
    CSingleLock lock(&m_lock, true);
    RecalculateIfNecessary();
    const double bits = double(static_cast<int64_t>(m_meanPackets - m_firstPackets)) * DVB_PACKET_SIZE * 8;
    const double seconds = double(m_meanClock - m_firstClock) / double(CDVBTiming::GetSystemClockFrequency());
    const double bitrate = seconds != 0 ? bits / seconds : 0;
    bitsPerSecond = std::isfinite(bitrate) && std::fabs(bitrate) < 2.1e9 ? static_cast<int>(bitrate) : 0;
}
