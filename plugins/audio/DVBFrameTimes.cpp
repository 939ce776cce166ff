#include "DVBFrameTimes.h"

namespace {
// A decoder reports a frame at most this far behind the newest data it was
// given: its input buffer, the frame its parser gathers and the one it holds,
// each a few kilobytes at most.
constexpr uint64_t kLookBehind = 64 * 1024;
} // namespace

void CDVBFrameTimes::AddStamp(uint64_t position, uint32_t time)
{
    m_pending.push_back({ position, time });
    // Every frame still to come starts after position - kLookBehind, so of the
    // stamps before that only the last can still be a frame's own.
    while (m_pending.size() > 1 && m_pending[1].position + kLookBehind <= position)
        m_pending.pop_front();
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
