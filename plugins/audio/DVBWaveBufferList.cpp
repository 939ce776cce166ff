#include "DVBWaveBufferList.h"

#include "stream/DVBTiming.h"

#include <algorithm>

CDVBWaveBufferList::~CDVBWaveBufferList()
{
    for (CDVBWaveBuffer* buffer : m_buffers)
        delete buffer;
}

void CDVBWaveBufferList::Append(CDVBWaveBuffer* buffer)
{
    CSingleLock lock(&m_section, true);
    m_buffers.push_back(buffer);
}

CDVBWaveBuffer* CDVBWaveBufferList::TakeFront()
{
    CSingleLock lock(&m_section, true);
    if (m_buffers.empty())
        return nullptr;
    CDVBWaveBuffer* front = m_buffers.front();
    m_buffers.pop_front();
    return front;
}

CDVBWaveBuffer* CDVBWaveBufferList::TakeFrontDueAt(int64_t clock)
{
    return TakeFrontIf([clock](const CDVBWaveBuffer& front) { return DVBClockHasReached(clock, front.GetTime()); });
}

CDVBWaveBuffer* CDVBWaveBufferList::TakeFrontIf(const std::function<bool(const CDVBWaveBuffer&)>& test)
{
    CSingleLock lock(&m_section, true);
    if (m_buffers.empty() || !test(*m_buffers.front()))
        return nullptr;
    CDVBWaveBuffer* front = m_buffers.front();
    m_buffers.pop_front();
    return front;
}

bool CDVBWaveBufferList::GetFrontTime(int64_t& time)
{
    CSingleLock lock(&m_section, true);
    if (m_buffers.empty())
        return false;
    time = m_buffers.front()->GetTime();
    return true;
}

bool CDVBWaveBufferList::Remove(CDVBWaveBuffer* buffer)
{
    CSingleLock lock(&m_section, true);
    const auto found = std::find(m_buffers.begin(), m_buffers.end(), buffer);
    if (found == m_buffers.end())
        return false;
    m_buffers.erase(found);
    return true;
}

bool CDVBWaveBufferList::IsEmpty()
{
    CSingleLock lock(&m_section, true);
    return m_buffers.empty();
}

int CDVBWaveBufferList::GetCount()
{
    CSingleLock lock(&m_section, true);
    return static_cast<int>(m_buffers.size());
}
