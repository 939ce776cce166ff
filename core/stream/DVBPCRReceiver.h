#pragma once
// Samples the PCR of one programme: the last 8 (packet number, PCR) pairs give
// the stream's bitrate and the programme clock at any packet number; with the
// time each sample arrived, they give the programme clock at any instant.
#include "platform/CriticalSection.h"
#include "stream/DVBPIDReceiver.h"

#include <array>
#include <atomic>

// When the read being dispatched arrived: the system clock then, and the
// number of its last packet. The transport stream receiver sets it before it
// dispatches a read; its PCR receivers read it on the same thread.
struct DVBReadArrival {
    int64_t clock = 0;
    uint64_t lastPacket = 0;
};

class CDVBPCRReceiver : public CDVBPIDReceiver
{
public:
    static constexpr unsigned kMaxSamples = 8;

    CDVBPCRReceiver();
    ~CDVBPCRReceiver() override = default;
    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override;
    // A looping source carries its PCRs on; the first after the loop may
    // step a little back (the file's start has more lead than its end)
    // without breaking the clock.
    void OnStreamStartedAgain() override { m_afterLoop = true; }

    // Bits per second over the sampled span; 0 while no estimate exists.
    int GetBitrate();
    bool EstimateClockAtPacket(uint64_t packetNumber, int64_t& clock);
    // Samples taken from now on carry the arrival time of their read.
    void SetReadArrival(const DVBReadArrival* arrival) { m_readArrival = arrival; }
    // The programme clock at system time now (frequency in system ticks per
    // second): the mean over the recent samples of each PCR plus the time
    // since it arrived. Reads arrive in bursts and streams need not have a
    // constant bitrate, so only the packets between a sample and the end of
    // its own read are converted to time. False without a rate or an
    // arrival time.
    bool EstimateClockAtTime(double frequency, double now, int64_t& clock);

    // How often the clock broke: a PCR marked discontinuous, one that went
    // back, or one that jumped on by more than a second. What was timed on
    // the clock before a break means nothing after it.
    unsigned GetDiscontinuityCount() const { return m_discontinuities.load(std::memory_order_acquire); }

    // Reads the 33-bit PCR base of a packet; false if it carries none.
    static bool GetPCRFromPacket(unsigned char* packet, uint64_t& pcr);

private:
    struct Sample {
        uint64_t packetNumber;
        uint64_t pcr;
        // The system clock at the read that brought the sample, and how many
        // packets of that read followed it; timed is false without them.
        int64_t readClock;
        uint64_t packetsAfter;
        bool timed;
    };

    void AddSample(const Sample& sample);
    bool BreaksTheClock(unsigned char* packet, uint64_t pcr);
    // The newest samples that continue one another in time: each PCR after
    // the one before, by no more than a PCR gap may be, and arriving no
    // sooner after it than its PCR says, but for a little jitter.
    unsigned CountContinuousSamples(double ticksPerPacket, double frequency) const;
    void RecalculateIfNecessary();

    CCriticalSection m_lock;
    std::array<Sample, kMaxSamples> m_samples {};
    unsigned m_sampleCount = 0;
    uint64_t m_packetSpan = 0;
    uint64_t m_pcrSpan = 0;
    bool m_dirty = true;
    const DVBReadArrival* m_readArrival = nullptr;
    std::atomic<unsigned> m_discontinuities { 0 };
    // Receive thread only.
    bool m_afterLoop = false;
};
