#include "DVBLoopTiming.h"

#include "DVBRateEstimate.h"

#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTiming.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr uint64_t kMask = DVB_CLOCK_WRAP - 1;
// A unit longer than this (or a stamp further on) is a gap in the stream, not its length.
constexpr uint64_t kLongestUnit = DVB_PROGRAM_CLOCK_FREQUENCY / 2;
// Sound and pictures that disagree with the PCRs by more than this are not believed.
constexpr int64_t kLargestLeadChange = DVB_PROGRAM_CLOCK_FREQUENCY;

// MPEG audio and video stream ids: the streams whose time stamps come regularly.
bool IsAudioOrVideo(unsigned char streamId)
{
    return streamId >= 0xC0 && streamId <= 0xEF;
}
} // namespace

void CDVBLoopTiming::StartPass()
{
    m_firstPCR.reset();
    m_bytesSinceLastPCR = 0;
    m_passBytes = 0;
    m_streams.clear();
}

void CDVBLoopTiming::OnDelivered(unsigned char* packets, size_t size, int pcrPid)
{
    for (size_t offset = 0; offset + DVB_PACKET_SIZE <= size; offset += DVB_PACKET_SIZE) {
        unsigned char* packet = packets + offset;
        m_passBytes += DVB_PACKET_SIZE;
        m_bytesSinceLastPCR += DVB_PACKET_SIZE;
        uint64_t pcr;
        if (GetPCROfPID(packet, pcrPid, pcr))
            OnPCR(pcr);
        unsigned char* payload;
        unsigned long length;
        int64_t pts, dts;
        if (CDVBPIDReceiver::IsPayloadUnitStart(packet) && CDVBPIDReceiver::GetPacketPayload(packet, payload, length)
            && length > 3 && payload[0] == 0 && payload[1] == 0 && payload[2] == 1 && IsAudioOrVideo(payload[3])
            && (CDVBPIDReceiver::GetTimeStampsFromPESData(payload, length, pts, dts) & DVB_PTS_PRESENT))
            OnTimestamp(CDVBPIDReceiver::GetPacketPID(packet), static_cast<uint64_t>(pts));
    }
}

// The PCR's packet is counted before it, as the chunk that ends with it was.
void CDVBLoopTiming::OnPCR(uint64_t pcr)
{
    if (!m_bytesBeforeFirstPCR)
        m_bytesBeforeFirstPCR = m_passBytes - DVB_PACKET_SIZE;
    if (!m_firstPCR)
        m_firstPCR = pcr;
    m_lastPCR = pcr;
    m_bytesSinceLastPCR = 0;
}

void CDVBLoopTiming::OnTimestamp(unsigned short pid, uint64_t pts)
{
    const auto [entry, isNew] = m_streams.try_emplace(pid, SStream { pts, pts, pts, 0 });
    SStream& stream = entry->second;
    if (isNew)
        return;
    const int64_t step = DVBClockDifference(int64_t(pts), int64_t(stream.previous));
    stream.previous = pts;
    if (step > 0 && uint64_t(step) <= kLongestUnit && (stream.step == 0 || uint64_t(step) < stream.step))
        stream.step = uint64_t(step);
    // Only a later stamp moves the end on.
    if (DVBClockDifference(int64_t(pts), int64_t(stream.last)) > 0)
        stream.last = pts;
}

uint64_t CDVBLoopTiming::GetPassTicks(uint64_t bitrate) const
{
    if (!m_firstPCR)
        return 0;
    const uint64_t gapBytes = m_bytesSinceLastPCR + m_bytesBeforeFirstPCR.value_or(0);
    const uint64_t gapTicks = bitrate ? gapBytes * 8 * DVB_PROGRAM_CLOCK_FREQUENCY / bitrate : 0;
    const uint64_t clockTicks = ((m_lastPCR - *m_firstPCR) & kMask) + gapTicks;
    const std::optional<uint64_t> content = GetContentTicks();
    if (!content || std::abs(int64_t(*content) - int64_t(clockTicks)) > kLargestLeadChange)
        return clockTicks;
    return *content;
}

std::optional<uint64_t> CDVBLoopTiming::GetContentTicks() const
{
    std::optional<uint64_t> longest;
    for (const auto& [pid, stream] : m_streams) {
        if (stream.step == 0)
            continue;
        const uint64_t span = ((stream.last - stream.first) & kMask) + stream.step;
        longest = std::max(longest.value_or(0), span);
    }
    return longest;
}
