#include "stream/DVBBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

CDVBBuffer::CDVBBuffer(unsigned long capacity)
    : m_data(static_cast<unsigned char*>(std::malloc(std::max(capacity, 1ul))))
    , m_position(m_data)
    , m_capacity(capacity)
{
    if (!m_data)
        throw std::bad_alloc();
}

CDVBBuffer::~CDVBBuffer()
{
    std::free(m_data);
}

void CDVBBuffer::ResetForWriting()
{
    m_position = m_data;
    m_used = 0;
    m_flags = 0;
}

unsigned long CDVBBuffer::Append(const unsigned char* bytes, unsigned long size)
{
    const unsigned long count = std::min(size, GetSpaceLeft());
    if (count == 0)
        return 0;
    std::memcpy(m_position, bytes, count);
    m_position += count;
    m_used += count;
    return count;
}

unsigned long CDVBBuffer::Consume(unsigned char* destination, unsigned long size)
{
    const unsigned long count = std::min(size, m_used);
    if (count == 0)
        return 0;
    std::memcpy(destination, m_position, count);
    m_position += count;
    m_used -= count;
    return count;
}

void CDVBBuffer::SetUsed(unsigned long used)
{
    // Never claim more valid bytes than lie between the read position and the end.
    m_used = std::min(used, GetSpaceLeft());
}

void CDVBBuffer::SetTimeStamps(unsigned long flags, int64_t pts, int64_t dts)
{
    m_flags = flags;
    m_pts = pts;
    m_dts = dts;
}

void CDVBBuffer::SetProgramClock(int64_t clock)
{
    m_programClock = clock;
    m_flags |= DVB_BUFFER_CLOCK_VALID;
}
