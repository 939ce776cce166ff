// Feeds arbitrary bytes, cut into 188-byte packets, to a pull receiver's
// receive side and drains its buffers, so that no header length in a packet
// can make it read or write outside the packet or a buffer.
#include "stream/DVBPullReceiver.h"

#include <algorithm>
#include <cstdlib>

namespace {

class CFuzzPullReceiver : public CDVBPullReceiver
{
public:
    // Small buffers so that filling, spilling and running out all happen.
    CFuzzPullReceiver()
        : CDVBPullReceiver(4, 200)
    {
    }
    ~CFuzzPullReceiver() override { Stop(); }

    void Receive(unsigned char* packet)
    {
        m_packet = packet;
        OnReceivePacket(0, packet);
    }

    void Drain()
    {
        unsigned char sink[300];
        while (GetNextReadBuffer()) {
            if (m_readBuffer->GetUsed() > m_readBuffer->GetCapacity())
                std::abort();
            ReadCompressedData(sink, sizeof sink);
        }
    }

protected:
    unsigned long WriteCompressedData(unsigned char* data, unsigned long size) override
    {
        if (data < m_packet || data + size > m_packet + DVB_PACKET_SIZE)
            std::abort();
        return CDVBPullReceiver::WriteCompressedData(data, size);
    }

private:
    unsigned char* m_packet = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzPullReceiver receiver;
    for (size_t offset = 0; offset + DVB_PACKET_SIZE <= size; offset += DVB_PACKET_SIZE) {
        // A copy of exactly one packet, so the sanitizer sees any read beyond it.
        auto* packet = static_cast<unsigned char*>(std::malloc(DVB_PACKET_SIZE));
        std::copy(data + offset, data + offset + DVB_PACKET_SIZE, packet);
        receiver.Receive(packet);
        std::free(packet);
        if ((offset / DVB_PACKET_SIZE) % 3 == 2)
            receiver.Drain();
    }
    return 0;
}
