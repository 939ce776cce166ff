#include "DVBPCRRateEstimate.h"

#include "stream/DVBPCRReceiver.h"

#include <cstdint>

namespace {
constexpr uint64_t kPCRFrequency = 90000;
// Below or above these the PCRs are more likely spliced or broken than true.
constexpr uint64_t kLowestBitrate = 100000;
constexpr uint64_t kHighestBitrate = 200000000;
} // namespace

int EstimateBitrateFromPCRs(unsigned char* data, size_t size)
{
    int pcrPid = -1;
    uint64_t firstPCR = 0, lastPCR = 0;
    size_t firstPacket = 0, lastPacket = 0;
    const size_t packets = size / DVB_PACKET_SIZE;
    for (size_t packet = 0; packet < packets; ++packet) {
        unsigned char* bytes = data + packet * DVB_PACKET_SIZE;
        uint64_t pcr;
        if (bytes[0] != 0x47 || !CDVBPCRReceiver::GetPCRFromPacket(bytes, pcr))
            continue;
        const int pid = CDVBPIDReceiver::GetPacketPID(bytes);
        if (pcrPid >= 0 && pid != pcrPid)
            continue;
        // A PCR that wraps or jumps back (a splice) starts the span again.
        if (pcrPid < 0 || pcr <= lastPCR) {
            pcrPid = pid;
            firstPCR = pcr;
            firstPacket = packet;
        }
        lastPCR = pcr;
        lastPacket = packet;
    }
    if (lastPCR <= firstPCR)
        return 0;
    const uint64_t bits = (lastPacket - firstPacket) * DVB_PACKET_SIZE * 8;
    const uint64_t bitrate = bits * kPCRFrequency / (lastPCR - firstPCR);
    return bitrate >= kLowestBitrate && bitrate <= kHighestBitrate ? static_cast<int>(bitrate) : 0;
}
