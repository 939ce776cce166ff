#pragma once
// A wave device in memory for tests, benchmarks and fuzzing: it records every
// call in order, with the time a clock of the test's choice gave, and keeps
// what was written. Blocks are done at once, or only when the test completes
// them, so playing and draining can be driven step by step.
#include "DVBWaveDevice.h"

#include <deque>
#include <mutex>
#include <vector>

class CMemoryWaveDevice : public CDVBWaveDevice
{
public:
    enum class Kind { Open, Write, Pause, Restart, Reset, Close, Done };
    struct Call {
        Kind kind;
        CDVBPCMFormat format; // of Open
        unsigned long size = 0; // of Write
        int64_t when = 0;
    };

    explicit CMemoryWaveDevice(bool completeAtOnce = true);

    // The time recorded with each call; 0 without one.
    void SetClock(std::function<int64_t()> clock);
    void SetLatencyNanoseconds(int64_t latency);
    // Off, nothing is kept (for long runs); on by default.
    void SetRecording(bool recording);
    void FailOpen(bool fail);
    void FailWrites(bool fail);

    // Finishes the oldest block still held; false when none is held.
    bool CompleteOldest();
    int GetHeldCount();
    std::vector<Call> GetCalls();
    int CountCalls(Kind kind);
    // Everything written, in order.
    std::vector<unsigned char> GetWritten();

    bool Open(const CDVBPCMFormat& format) override;
    bool Write(const unsigned char* data, unsigned long size, void* tag) override;
    bool Pause() override;
    bool Restart() override;
    bool Reset() override;
    bool Close() override;
    int64_t GetLatencyNanoseconds() override;

private:
    void Record(Kind kind, unsigned long size = 0, CDVBPCMFormat format = {});

    std::mutex m_lock;
    bool m_completeAtOnce;
    bool m_recording = true;
    bool m_failOpen = false;
    bool m_failWrites = false;
    int64_t m_latency = 0;
    std::function<int64_t()> m_clock;
    std::vector<Call> m_calls;
    std::vector<unsigned char> m_written;
    std::deque<void*> m_held;
};
