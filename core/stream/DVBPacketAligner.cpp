#include "stream/DVBPacketAligner.h"

#include <cstring>

void CDVBPacketAligner::Restart()
{
    m_synced = true;
    m_carrySize = 0;
}

void CDVBPacketAligner::ResetCounts()
{
    m_syncLosses.store(0, std::memory_order_relaxed);
    m_bytesSkipped.store(0, std::memory_order_relaxed);
}

void CDVBPacketAligner::LoseSync()
{
    m_synced = false;
    Increment(m_syncLosses, 1);
}

size_t CDVBPacketAligner::FindSync(const unsigned char* data, size_t size, size_t position)
{
    const size_t start = position;
    while (position + kConfirmSpan < size) {
        const void* found = std::memchr(data + position, DVB_SYNC_BYTE, size - kConfirmSpan - position);
        if (found == nullptr) {
            position = size - kConfirmSpan;
            break;
        }
        position = static_cast<size_t>(static_cast<const unsigned char*>(found) - data);
        bool confirmed = true;
        for (size_t packet = 1; packet < kConfirmingPackets; packet++)
            confirmed = confirmed && data[position + packet * DVB_PACKET_SIZE] == DVB_SYNC_BYTE;
        if (confirmed) {
            m_synced = true;
            break;
        }
        position++;
    }
    Increment(m_bytesSkipped, position - start);
    return position;
}

void CDVBPacketAligner::Keep(const unsigned char* data, size_t size)
{
    // Scan stops less than a packet before the end in sync, and less than the
    // confirming span before it out of sync, so the leftover always fits.
    std::memmove(m_carry.data(), data, size);
    m_carrySize = size;
}
