#pragma once
// Plays a transport-stream file out as a tuner would deliver it: at the rate its
// PCRs give (or the one it is given), from its start, looping, only while the
// clock runs.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace dvbsim {

class PlayoutError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class Playout
{
public:
    using Chunk = std::function<void(const uint8_t* data, size_t size)>;

    // Throws PlayoutError when the bytes are not whole transport packets or,
    // without a rate given (bit/s), carry no two PCRs to take the rate from.
    explicit Playout(std::vector<uint8_t> stream, uint32_t bitsPerSecond = 0);
    static Playout Load(const std::string& path, uint32_t bitsPerSecond = 0);

    // Bytes per second: as given, or from the first and last PCR of the first PID carrying one.
    double Rate() const { return m_rate; }

    // Starts or resumes the clock at nowNs; while stopped nothing is due.
    void Start(uint64_t nowNs);
    void Stop();
    bool Running() const { return m_running; }
    // Hands out, in order, the whole packets due by nowNs.
    void Deliver(uint64_t nowNs, const Chunk& chunk);
    // Bytes handed out since construction, over every loop.
    uint64_t Delivered() const { return m_delivered; }

private:
    std::vector<uint8_t> m_stream;
    double m_rate = 0;
    bool m_running = false;
    uint64_t m_startNs = 0;
    uint64_t m_deliveredAtStart = 0;
    uint64_t m_delivered = 0;
};

} // namespace dvbsim
