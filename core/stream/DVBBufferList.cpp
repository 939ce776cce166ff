#include "stream/DVBBufferList.h"

CDVBBufferList::~CDVBBufferList()
{
    DeleteAll();
}

void CDVBBufferList::AddBuffer(CDVBBuffer* buffer)
{
    if (!buffer)
        return;
    CSingleLock lock(&m_section, true);
    m_buffers.push_back(buffer);
    if (m_buffers.size() == 1)
        m_hasBuffers.Set();
}

CDVBBuffer* CDVBBufferList::RemoveBuffer()
{
    CSingleLock lock(&m_section, true);
    if (m_buffers.empty())
        return nullptr;
    CDVBBuffer* buffer = m_buffers.front();
    m_buffers.pop_front();
    if (m_buffers.empty())
        m_hasBuffers.Reset();
    return buffer;
}

void CDVBBufferList::DeleteAll()
{
    CSingleLock lock(&m_section, true);
    for (CDVBBuffer* buffer : m_buffers)
        delete buffer;
    m_buffers.clear();
    m_hasBuffers.Reset();
}

int CDVBBufferList::GetCount()
{
    CSingleLock lock(&m_section, true);
    return static_cast<int>(m_buffers.size());
}
