#include "DVBPacketAlignment.h"

#include "stream/DVBPIDReceiver.h"

#include <algorithm>

namespace {
bool SyncRepeats(const unsigned char* data, size_t offset, size_t packets)
{
    for (size_t packet = 0; packet < packets; ++packet) {
        if (data[offset + packet * DVB_PACKET_SIZE] != DVB_SYNC_BYTE)
            return false;
    }
    return true;
}
} // namespace

long FindPacketAlignment(const unsigned char* data, size_t size)
{
    for (size_t offset = 0; offset + DVB_PACKET_SIZE <= size; ++offset) {
        const size_t packets = std::min((size - offset) / DVB_PACKET_SIZE, DVB_ALIGNMENT_CONFIRMATIONS);
        if (SyncRepeats(data, offset, packets))
            return static_cast<long>(offset);
    }
    return -1;
}
