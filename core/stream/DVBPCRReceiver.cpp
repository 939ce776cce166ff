#include "stream/DVBPCRReceiver.h"

#include "stream/DVBTiming.h"

#include <climits>
#include <cmath>
#include <utility>

namespace {
constexpr unsigned char kPCRFlag = 0x10;
// The flags byte and the six PCR bytes.
constexpr unsigned char kMinPCRFieldLength = 7;
constexpr uint64_t kBitsPerPacket = DVB_PACKET_SIZE * 8;
constexpr uint64_t kPCRFrequency = 90000;
// More than this between two PCRs is a splice or a jump, not the passing of time
// (broadcasts send a PCR at least every 100 ms).
constexpr uint64_t kMaxPCRGap = kPCRFrequency;
// How much later than its PCR says a sample may arrive after the one before
// and still be averaged with it (20 ms).
constexpr double kArrivalTolerance = 1800;
constexpr uint64_t kPCRMask = DVB_CLOCK_WRAP - 1;

// Doubles outside this range do not convert to int64_t.
bool FitsInt64(double value)
{
    return std::isfinite(value) && value > -9.2e18 && value < 9.2e18;
}
} // namespace

CDVBPCRReceiver::CDVBPCRReceiver()
{
    m_type = DVB_RECEIVER_PCR;
}

bool CDVBPCRReceiver::GetPCRFromPacket(unsigned char* packet, uint64_t& pcr)
{
    unsigned char* field;
    unsigned char length;
    // A shorter field has no room for a PCR: its "flags" would be payload bytes.
    if (!GetPacketAdaptationField(packet, field, length) || length < kMinPCRFieldLength || !(field[1] & kPCRFlag))
        return false;
    const unsigned char* p = field + 2;
    pcr = (((uint64_t(p[0]) << 8 | p[1]) << 8 | p[2]) << 8 | p[3]) << 1 | (p[4] >> 7);
    return true;
}

void CDVBPCRReceiver::OnReceivePacket(uint64_t packetNumber, unsigned char* packet)
{
    uint64_t pcr;
    if (!GetPCRFromPacket(packet, pcr))
        return;
    if (BreaksTheClock(packet, pcr))
        m_discontinuities.fetch_add(1, std::memory_order_acq_rel);
    Sample sample { packetNumber, pcr, 0, 0, false };
    if (m_readArrival != nullptr && m_readArrival->lastPacket >= packetNumber) {
        sample.readClock = m_readArrival->clock;
        sample.packetsAfter = m_readArrival->lastPacket - packetNumber;
        sample.timed = true;
    }
    AddSample(sample);
}

// Measured on the 33-bit circle, so that a wrap is a small step forward and
// a step back a huge one. Only the receive thread adds samples.
bool CDVBPCRReceiver::BreaksTheClock(unsigned char* packet, uint64_t pcr)
{
    const bool afterLoop = std::exchange(m_afterLoop, false);
    if (HasDiscontinuityIndicator(packet))
        return true;
    if (m_sampleCount == 0)
        return false;
    const uint64_t last = m_samples[m_sampleCount - 1].pcr;
    if (afterLoop && ((last - pcr) & kPCRMask) <= kMaxPCRGap)
        return false;
    return ((pcr - last) & kPCRMask) > kMaxPCRGap;
}

void CDVBPCRReceiver::AddSample(const Sample& sample)
{
    CSingleLock lock(&m_lock, true);
    if (m_sampleCount == kMaxSamples) {
        for (unsigned i = 1; i < kMaxSamples; i++)
            m_samples[i - 1] = m_samples[i];
        m_sampleCount--;
    }
    m_samples[m_sampleCount++] = sample;
    m_dirty = true;
}

void CDVBPCRReceiver::RecalculateIfNecessary()
{
    if (!m_dirty)
        return;
    m_packetSpan = 0;
    m_pcrSpan = 0;
    for (unsigned i = 1; i < m_sampleCount; i++) {
        const Sample& older = m_samples[i - 1];
        const Sample& newer = m_samples[i];
        // A PCR wrap or splice, or packet numbering restarted by a new Start,
        // says nothing about the rate: skip that pair.
        if (newer.pcr > older.pcr && newer.packetNumber > older.packetNumber) {
            m_pcrSpan += newer.pcr - older.pcr;
            m_packetSpan += newer.packetNumber - older.packetNumber;
        }
    }
    m_dirty = false;
}

int CDVBPCRReceiver::GetBitrate()
{
    CSingleLock lock(&m_lock, true);
    RecalculateIfNecessary();
    if (m_pcrSpan == 0)
        return 0;
    // Saturates rather than wrapping into a negative rate for a PCR that barely moves.
    const unsigned __int128 bits = (unsigned __int128)m_packetSpan * kBitsPerPacket * kPCRFrequency;
    const unsigned __int128 bitrate = bits / m_pcrSpan;
    return bitrate > unsigned(INT_MAX) ? INT_MAX : static_cast<int>(bitrate);
}

bool CDVBPCRReceiver::EstimateClockAtPacket(uint64_t packetNumber, int64_t& clock)
{
    CSingleLock lock(&m_lock, true);
    RecalculateIfNecessary();
    if (m_sampleCount == 0 || m_packetSpan == 0)
        return false;
    const Sample& last = m_samples[m_sampleCount - 1];
    // Signed, so that a packet before the newest sample extrapolates backwards.
    const int64_t packets = static_cast<int64_t>(packetNumber - last.packetNumber);
    const __int128 elapsed = (__int128)packets * (__int128)m_pcrSpan / (__int128)m_packetSpan;
    clock = static_cast<int64_t>(static_cast<__int128>(last.pcr) + elapsed);
    return true;
}

// A sample that arrived later than the one after it allows (a looping file
// catching up with its schedule, a read held up) would drag the clock back:
// the samples up to it are left out. ticksPerPacket and frequency convert
// arrivals to the PCR's ticks.
unsigned CDVBPCRReceiver::CountContinuousSamples(double ticksPerPacket, double frequency) const
{
    const auto arrival = [&](const Sample& sample) {
        return double(sample.readClock) * (double(kPCRFrequency) / frequency)
            - double(sample.packetsAfter) * ticksPerPacket;
    };
    for (unsigned i = m_sampleCount; i-- > 1;) {
        const Sample& older = m_samples[i - 1];
        const Sample& newer = m_samples[i];
        if (!older.timed || newer.pcr <= older.pcr || newer.pcr - older.pcr > kMaxPCRGap
            || newer.packetNumber <= older.packetNumber
            || arrival(newer) - arrival(older) < double(newer.pcr - older.pcr) - kArrivalTolerance)
            return m_sampleCount - i;
    }
    return m_sampleCount;
}

bool CDVBPCRReceiver::EstimateClockAtTime(double frequency, double now, int64_t& clock)
{
    CSingleLock lock(&m_lock, true);
    RecalculateIfNecessary();
    if (m_sampleCount == 0 || m_packetSpan == 0 || frequency <= 0 || !m_samples[m_sampleCount - 1].timed)
        return false;
    const double ticksPerPacket = double(m_pcrSpan) / double(m_packetSpan);
    const unsigned count = CountContinuousSamples(ticksPerPacket, frequency);
    const Sample& newest = m_samples[m_sampleCount - 1];
    // Each sample's PCR carried on to now, relative to the newest PCR so that
    // the sum stays small whatever the clock's value.
    double sum = 0;
    for (unsigned i = m_sampleCount - count; i < m_sampleCount; i++) {
        const Sample& sample = m_samples[i];
        const double arrivalTicks = (now - double(sample.readClock)) * (double(kPCRFrequency) / frequency)
            + double(sample.packetsAfter) * ticksPerPacket;
        sum += arrivalTicks - double(newest.pcr - sample.pcr);
    }
    const double elapsed = sum / count;
    if (!FitsInt64(elapsed))
        return false;
    clock = static_cast<int64_t>(newest.pcr) + static_cast<int64_t>(elapsed);
    return true;
}
