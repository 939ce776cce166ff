#include "stream/DVBPacketHistory.h"

#include "stream/DVBPIDReceiver.h"

#include <cstring>

CDVBPacketHistory::CDVBPacketHistory(size_t capacity)
    : m_packets(new unsigned char[capacity * DVB_PACKET_SIZE])
    , m_capacity(capacity)
{
}

void CDVBPacketHistory::Add(const unsigned char* packet)
{
    if (m_capacity == 0)
        return;
    std::memcpy(&m_packets[m_next * DVB_PACKET_SIZE], packet, DVB_PACKET_SIZE);
    m_next = (m_next + 1) % m_capacity;
    if (m_count < m_capacity)
        ++m_count;
}

// age 0 is the newest packet.
unsigned char* CDVBPacketHistory::At(size_t age)
{
    return &m_packets[((m_next + m_capacity - 1 - age) % m_capacity) * DVB_PACKET_SIZE];
}

bool CDVBPacketHistory::StartsAtRandomAccess(unsigned char* packet)
{
    return CDVBPIDReceiver::IsPayloadUnitStart(packet) && CDVBPIDReceiver::HasRandomAccessIndicator(packet);
}

void CDVBPacketHistory::ReplayFromRandomAccess(unsigned short pid, const std::function<void(unsigned char*)>& replay)
{
    size_t start = 0;
    bool found = false;
    for (size_t age = 0; age < m_count && !found; ++age) {
        unsigned char* packet = At(age);
        found = CDVBPIDReceiver::GetPacketPID(packet) == pid && StartsAtRandomAccess(packet);
        start = age;
    }
    if (!found)
        return;
    for (size_t age = start + 1; age-- > 0;) {
        unsigned char* packet = At(age);
        if (CDVBPIDReceiver::GetPacketPID(packet) == pid)
            replay(packet);
    }
}
