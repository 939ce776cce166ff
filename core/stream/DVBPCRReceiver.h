#pragma once
// Samples the PCR of one programme: the last 8 (packet number, PCR) pairs give
// the stream's bitrate and the programme clock at any packet number.
#include "platform/CriticalSection.h"
#include "stream/DVBPIDReceiver.h"

#include <array>

class CDVBPCRReceiver : public CDVBPIDReceiver
{
public:
    static constexpr unsigned kMaxSamples = 8;

    CDVBPCRReceiver();
    ~CDVBPCRReceiver() override = default;
    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override;

    // Bits per second over the sampled span; 0 while no estimate exists.
    int GetBitrate();
    bool EstimateClockAtPacket(uint64_t packetNumber, int64_t& clock);
    // The programme clock at system time now, given a reference point that ties
    // the packet count to system time (frequency in system ticks per second).
    bool EstimateClockAtTime(
        double frequency, double referenceClock, uint64_t referencePackets, double now, int64_t& clock);

    // Reads the 33-bit PCR base of a packet; false if it carries none.
    static bool GetPCRFromPacket(unsigned char* packet, uint64_t& pcr);

private:
    struct Sample {
        uint64_t packetNumber;
        uint64_t pcr;
    };

    void AddSample(uint64_t packetNumber, uint64_t pcr);
    void RecalculateIfNecessary();

    // Re-entrant: EstimateClockAtTime asks GetBitrate while holding it.
    CCriticalSection m_lock;
    std::array<Sample, kMaxSamples> m_samples {};
    unsigned m_sampleCount = 0;
    uint64_t m_packetSpan = 0;
    uint64_t m_pcrSpan = 0;
    bool m_dirty = true;
};
