#include "MemoryWaveDevice.h"

CMemoryWaveDevice::CMemoryWaveDevice(bool completeAtOnce)
    : m_completeAtOnce(completeAtOnce)
{
}

void CMemoryWaveDevice::SetClock(std::function<int64_t()> clock)
{
    std::lock_guard lock(m_lock);
    m_clock = std::move(clock);
}

void CMemoryWaveDevice::SetLatencyNanoseconds(int64_t latency)
{
    std::lock_guard lock(m_lock);
    m_latency = latency;
}

void CMemoryWaveDevice::SetRecording(bool recording)
{
    std::lock_guard lock(m_lock);
    m_recording = recording;
}

void CMemoryWaveDevice::FailOpen(bool fail)
{
    std::lock_guard lock(m_lock);
    m_failOpen = fail;
}

void CMemoryWaveDevice::FailWrites(bool fail)
{
    std::lock_guard lock(m_lock);
    m_failWrites = fail;
}

bool CMemoryWaveDevice::CompleteOldest()
{
    void* tag;
    {
        std::lock_guard lock(m_lock);
        if (m_held.empty())
            return false;
        tag = m_held.front();
        m_held.pop_front();
        Record(Kind::Done);
    }
    CDVBWaveDevice::Done(tag);
    return true;
}

int CMemoryWaveDevice::GetHeldCount()
{
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_held.size());
}

std::vector<CMemoryWaveDevice::Call> CMemoryWaveDevice::GetCalls()
{
    std::lock_guard lock(m_lock);
    return m_calls;
}

int CMemoryWaveDevice::CountCalls(Kind kind)
{
    std::lock_guard lock(m_lock);
    int count = 0;
    for (const Call& call : m_calls)
        count += call.kind == kind;
    return count;
}

std::vector<unsigned char> CMemoryWaveDevice::GetWritten()
{
    std::lock_guard lock(m_lock);
    return m_written;
}

bool CMemoryWaveDevice::Open(const CDVBPCMFormat& format)
{
    std::lock_guard lock(m_lock);
    Record(Kind::Open, 0, format);
    return !m_failOpen || Fail("no such device");
}

bool CMemoryWaveDevice::Write(const unsigned char* data, unsigned long size, void* tag)
{
    {
        std::lock_guard lock(m_lock);
        if (m_failWrites)
            return Fail("write refused");
        Record(Kind::Write, size);
        if (m_recording)
            m_written.insert(m_written.end(), data, data + size);
        if (!m_completeAtOnce) {
            m_held.push_back(tag);
            return true;
        }
        Record(Kind::Done);
    }
    CDVBWaveDevice::Done(tag);
    return true;
}

bool CMemoryWaveDevice::Pause()
{
    std::lock_guard lock(m_lock);
    Record(Kind::Pause);
    return true;
}

bool CMemoryWaveDevice::Restart()
{
    std::lock_guard lock(m_lock);
    Record(Kind::Restart);
    return true;
}

bool CMemoryWaveDevice::Reset()
{
    std::deque<void*> held;
    {
        std::lock_guard lock(m_lock);
        Record(Kind::Reset);
        held.swap(m_held);
    }
    for (void* tag : held)
        CDVBWaveDevice::Done(tag);
    return true;
}

bool CMemoryWaveDevice::Close()
{
    std::lock_guard lock(m_lock);
    Record(Kind::Close);
    return true;
}

int64_t CMemoryWaveDevice::GetLatencyNanoseconds()
{
    std::lock_guard lock(m_lock);
    return m_latency;
}

void CMemoryWaveDevice::Record(Kind kind, unsigned long size, CDVBPCMFormat format)
{
    if (!m_recording)
        return;
    m_calls.push_back({ kind, format, size, m_clock ? m_clock() : 0 });
}
