#include "stream/DVBPESPacketCollector.h"

#include "stream/DVBPIDReceiver.h"

#include <algorithm>
#include <cstring>

CDVBPESPacketCollector::CDVBPESPacketCollector()
    : m_buffer(DVB_PES_COLLECTOR_SIZE)
{
}

void CDVBPESPacketCollector::Reset()
{
    m_currentSize = 0;
    m_spaceLeft = DVB_PES_COLLECTOR_SIZE;
}

void CDVBPESPacketCollector::AddPacket(unsigned char* packet)
{
    if (CDVBPIDReceiver::IsPayloadUnitStart(packet))
        Reset();
    unsigned char* payload;
    unsigned long size;
    if (!CDVBPIDReceiver::GetPacketPayload(packet, payload, size) || m_spaceLeft == 0)
        return;
    const unsigned long copied = std::min(size, m_spaceLeft);
    std::memcpy(m_buffer.data() + m_currentSize, payload, copied);
    m_currentSize += copied;
    m_spaceLeft -= copied;
}

bool CDVBPESPacketCollector::IsComplete() const
{
    if (m_currentSize < 6)
        return false;
    const unsigned long packetLength = (m_buffer[4] << 8) | m_buffer[5];
    return m_currentSize >= packetLength + 6;
}

bool CDVBPESPacketCollector::GetInternalData(unsigned char*& data, unsigned long& size)
{
    data = m_buffer.data();
    size = m_currentSize;
    return CDVBPIDReceiver::SkipPESHeader(data, size);
}
