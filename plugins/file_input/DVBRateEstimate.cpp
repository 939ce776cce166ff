#include "DVBRateEstimate.h"

#include "stream/DVBPCRReceiver.h"
#include "stream/DVBTiming.h"

#include <cstdint>
#include <map>

namespace {
constexpr uint64_t kClockFrequency = 90000;
// Below this the clocks are more likely spliced or broken than true.
constexpr uint64_t kLowestBitrate = 100000;
// A stamp further on than this from the one before is a splice, not progress.
constexpr int64_t kLongestStep = 10 * 90000;

int BitrateOfSpan(size_t packets, uint64_t ticks)
{
    if (ticks == 0)
        return 0;
    const uint64_t bitrate = packets * DVB_PACKET_SIZE * 8 * kClockFrequency / ticks;
    return bitrate >= kLowestBitrate && bitrate <= HighestPlausibleBitrate ? static_cast<int>(bitrate) : 0;
}

// The decoding time of the PES packet that starts in this packet: its DTS,
// else its PTS (which then equals the DTS).
bool GetDecodingTime(unsigned char* packet, int64_t& time)
{
    unsigned char* payload;
    unsigned long size;
    if (!CDVBPIDReceiver::IsPayloadUnitStart(packet) || !CDVBPIDReceiver::GetPacketPayload(packet, payload, size))
        return false;
    if (size < 4 || payload[0] != 0 || payload[1] != 0 || payload[2] != 1)
        return false;
    int64_t pts = 0, dts = 0;
    const unsigned long found = CDVBPIDReceiver::GetTimeStampsFromPESData(payload, size, pts, dts);
    if (found & DVB_DTS_PRESENT)
        time = dts;
    else if (found & DVB_PTS_PRESENT)
        time = pts;
    else
        return false;
    return true;
}

// The stamps of one PID, unwrapped: last - first is the time they span.
struct TimestampSpan {
    int64_t first;
    int64_t last;
    size_t firstPacket;
    size_t lastPacket;
};
} // namespace

bool GetPCROfPID(unsigned char* packet, int pid, uint64_t& pcr)
{
    return packet[0] == 0x47 && CDVBPIDReceiver::GetPacketPID(packet) == pid
        && CDVBPCRReceiver::GetPCRFromPacket(packet, pcr);
}

int FindPCRPID(unsigned char* data, size_t size)
{
    for (size_t offset = 0; offset + DVB_PACKET_SIZE <= size; offset += DVB_PACKET_SIZE) {
        unsigned char* bytes = data + offset;
        uint64_t pcr;
        if (bytes[0] == 0x47 && CDVBPCRReceiver::GetPCRFromPacket(bytes, pcr))
            return CDVBPIDReceiver::GetPacketPID(bytes);
    }
    return -1;
}

int EstimateBitrateFromPCRs(unsigned char* data, size_t size)
{
    const int pcrPid = FindPCRPID(data, size);
    bool found = false;
    uint64_t firstPCR = 0, lastPCR = 0;
    size_t firstPacket = 0, lastPacket = 0;
    const size_t packets = size / DVB_PACKET_SIZE;
    for (size_t packet = 0; packet < packets; ++packet) {
        unsigned char* bytes = data + packet * DVB_PACKET_SIZE;
        uint64_t pcr;
        if (!GetPCROfPID(bytes, pcrPid, pcr))
            continue;
        // A PCR that wraps or jumps back (a splice) starts the span again.
        if (!found || pcr <= lastPCR) {
            found = true;
            firstPCR = pcr;
            firstPacket = packet;
        }
        lastPCR = pcr;
        lastPacket = packet;
    }
    return lastPCR > firstPCR ? BitrateOfSpan(lastPacket - firstPacket, lastPCR - firstPCR) : 0;
}

int EstimateBitrateFromTimestamps(unsigned char* data, size_t size)
{
    std::map<unsigned short, TimestampSpan> spans;
    const size_t packets = size / DVB_PACKET_SIZE;
    for (size_t packet = 0; packet < packets; ++packet) {
        unsigned char* bytes = data + packet * DVB_PACKET_SIZE;
        int64_t time;
        if (bytes[0] != 0x47 || !GetDecodingTime(bytes, time))
            continue;
        const TimestampSpan fresh { time, time, packet, packet };
        const auto [entry, added] = spans.try_emplace(CDVBPIDReceiver::GetPacketPID(bytes), fresh);
        TimestampSpan& span = entry->second;
        const int64_t step = added ? 0 : DVBClockDifference(time, span.last);
        // Stamps out of decoding order are passed over; a jump either way
        // (a splice) starts the span again.
        if (step < -kLongestStep || step > kLongestStep) {
            span = fresh;
        } else if (step > 0) {
            span.last += step;
            span.lastPacket = packet;
        }
    }
    const TimestampSpan* widest = nullptr;
    for (const auto& [pid, span] : spans) {
        if (span.last > span.first
            && (widest == nullptr || span.lastPacket - span.firstPacket > widest->lastPacket - widest->firstPacket))
            widest = &span;
    }
    return widest ? BitrateOfSpan(widest->lastPacket - widest->firstPacket, uint64_t(widest->last - widest->first)) : 0;
}
