#include "DVBVideoFrameList.h"

#include "stream/DVBTiming.h"

size_t CDVBVideoFrameList::Append(CDVBVideoFrame* frame)
{
    CSingleLock lock(&m_section, true);
    m_frames.push_back(frame);
    return m_frames.size();
}

bool CDVBVideoFrameList::GetFrontTime(int64_t& time)
{
    CSingleLock lock(&m_section, true);
    if (m_frames.empty())
        return false;
    time = m_frames.front()->GetTime();
    return true;
}

CDVBVideoFrame* CDVBVideoFrameList::TakeFront()
{
    CSingleLock lock(&m_section, true);
    if (m_frames.empty())
        return nullptr;
    CDVBVideoFrame* frame = m_frames.front();
    m_frames.pop_front();
    return frame;
}

CDVBVideoFrame* CDVBVideoFrameList::TakeFrontIfDue(int64_t clock)
{
    return TakeFrontIf([clock](const CDVBVideoFrame& front) { return DVBClockHasReached(clock, front.GetTime()); });
}

CDVBVideoFrame* CDVBVideoFrameList::TakeFrontIf(const std::function<bool(const CDVBVideoFrame&)>& test)
{
    CSingleLock lock(&m_section, true);
    if (m_frames.empty() || !test(*m_frames.front()))
        return nullptr;
    CDVBVideoFrame* frame = m_frames.front();
    m_frames.pop_front();
    return frame;
}

void CDVBVideoFrameList::DeleteAll()
{
    CSingleLock lock(&m_section, true);
    for (CDVBVideoFrame* frame : m_frames)
        delete frame;
    m_frames.clear();
}

size_t CDVBVideoFrameList::GetCount()
{
    CSingleLock lock(&m_section, true);
    return m_frames.size();
}
