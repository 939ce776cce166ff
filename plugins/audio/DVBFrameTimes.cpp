#include "DVBFrameTimes.h"

void CDVBFrameTimes::AddStamp(uint64_t position, uint32_t time)
{
    m_pending.push_back({ position, time });
}

uint32_t CDVBFrameTimes::StartFrame(uint64_t position, uint32_t duration)
{
    bool stamped = false;
    // Of several stamps before the frame, the last is the frame's own.
    while (!m_pending.empty() && m_pending.front().position <= position) {
        m_frameTime = m_pending.front().time;
        m_pending.pop_front();
        stamped = true;
    }
    if (!stamped)
        m_frameTime += m_previousDuration;
    m_previousDuration = duration;
    return m_frameTime;
}
