#pragma once
// A locked FIFO of wave buffers; it owns the buffers it holds. Each operation
// takes the list's own lock and no other.
#include "DVBWaveBuffer.h"

#include "platform/CriticalSection.h"

#include <functional>
#include <list>

class CDVBWaveBufferList
{
public:
    CDVBWaveBufferList() = default;
    virtual ~CDVBWaveBufferList();
    CDVBWaveBufferList(const CDVBWaveBufferList&) = delete;
    CDVBWaveBufferList& operator=(const CDVBWaveBufferList&) = delete;

    void Append(CDVBWaveBuffer* buffer);
    // The front buffer, or null when the list is empty.
    CDVBWaveBuffer* TakeFront();
    // The front buffer when clock has reached its time (on the 33-bit circle), else null.
    CDVBWaveBuffer* TakeFrontDueAt(int64_t clock);
    // The front buffer when the test holds for it, else null.
    CDVBWaveBuffer* TakeFrontIf(const std::function<bool(const CDVBWaveBuffer&)>& test);
    // True when the buffer was on the list and has been taken off it.
    bool Remove(CDVBWaveBuffer* buffer);
    bool IsEmpty();
    // The front buffer's time; false when the list is empty.
    bool GetFrontTime(int64_t& time);
    int GetCount();

private:
    CCriticalSection m_section;
    std::list<CDVBWaveBuffer*> m_buffers;
};
