#pragma once
// A locked FIFO of buffers with an event that is set exactly while the list
// holds at least one buffer, so a consumer can wait for work alongside other
// events. The list owns the buffers it holds.
#include "platform/CriticalSection.h"
#include "platform/Event.h"
#include "stream/DVBBuffer.h"

#include <list>

class CDVBBufferList
{
public:
    CDVBBufferList() = default;
    virtual ~CDVBBufferList();
    CDVBBufferList(const CDVBBufferList&) = delete;
    CDVBBufferList& operator=(const CDVBBufferList&) = delete;

    // Appends the buffer and takes ownership of it; null is ignored.
    void AddBuffer(CDVBBuffer* buffer);
    // Removes and hands back the oldest buffer, or null when there is none.
    CDVBBuffer* RemoveBuffer();
    void DeleteAll();
    int GetCount();
    // Manual reset; set while the list is non-empty. For waits only.
    CEvent* GetHasBuffersEvent() { return &m_hasBuffers; }

private:
    std::list<CDVBBuffer*> m_buffers;
    CCriticalSection m_section;
    CEvent m_hasBuffers { true, false };
};
