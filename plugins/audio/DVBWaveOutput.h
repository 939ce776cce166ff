#pragma once
// The back end of the audio decoder: it converts each decoded frame into a
// buffer of its own, keeps the buffer until the programme clock reaches the
// frame's time, less what the device will hold in front of it, and then
// writes it to the wave device. Buffers cycle free -> pending (play) ->
// playing (tick) -> free (device completion).
//
// Threads: the decoder's thread sends the commands and flushes, the receive
// thread ticks when a buffer is due (GetMillisecondsUntilDue), the device completes buffers on a thread of
// its own. Each list has its own lock; one more lock keeps open, close, flush
// and write apart, so the tick never writes to a device that configure is
// closing, nor a buffer of the timeline a flush has just given up.
#include "DVBAudioCommand.h"
#include "DVBWaveBufferList.h"
#include "DVBWaveDevice.h"

#include "platform/CString.h"
#include "platform/CriticalSection.h"
#include "platform/Event.h"

#include <atomic>
#include <memory>

class CDVBProgramClock;

class CDVBWaveOutput
{
public:
    // Buffers are made once, at init: one decoded frame each, so the count
    // bounds how far ahead of the programme clock sound may arrive.
    static constexpr int kBufferCount = 20;
    // How long Tick waits with no buffer pending (or no clock or device).
    static constexpr uint32_t kIdleTickMs = 10;

    explicit CDVBWaveOutput(std::unique_ptr<CDVBWaveDevice> device, int bufferCount = kBufferCount);
    // The device must have been closed by finish.
    virtual ~CDVBWaveOutput();
    CDVBWaveOutput(const CDVBWaveOutput&) = delete;
    CDVBWaveOutput& operator=(const CDVBWaveOutput&) = delete;

    // 0, or -1 with the error text set.
    virtual int Command(CDVBAudioCommand& command);
    // The configure command for the decoded sound's channels and rate, at
    // whatever precision the device grants (its bits, into precision); false
    // with the error text set.
    bool SendConfigure(unsigned int channels, unsigned int rate, unsigned int* precision = nullptr);
    virtual void SetProgramClock(CDVBProgramClock* clock) { m_programClock = clock; }
    // The release step: at most one due buffer goes to the device.
    virtual void Tick();
    // How long Tick can wait: until the front buffer comes due, or a little
    // while when none is pending, so that a buffer played late still goes
    // out soon after it comes.
    uint32_t GetMillisecondsUntilDue();
    // A new timeline: what waits and what the device holds are dropped at
    // once; sound starts again with the next buffer that comes due.
    void Flush();

    const CString& GetErrorText() const { return m_errorText; }
    int GetFreeCount() { return m_free.GetCount(); }
    int GetPendingCount() { return m_pending.GetCount(); }
    int GetPlayingCount() { return m_playing.GetCount(); }

private:
    int Init();
    int Configure(CDVBAudioCommand& command);
    int Play(const CDVBAudioCommand& command);
    int Stop(bool flush);
    int Finish();
    int Pause();
    int Resume();
    int Drain();
    // Gives up pending buffers too far ahead of heard, the clock at which a
    // buffer written now is heard, to belong to its timeline.
    void DropOffClock(int64_t heard);
    int CloseDevice();
    int Fail(const CString& text);
    void OnDone(void* tag);
    void WriteConfigLine(const char* phase);
    void LogRelease(int64_t time, int64_t clock, int64_t latency);

    CString m_errorText;
    // Held for opening, closing and writing to the device and for its open flag.
    CCriticalSection m_deviceSection;
    bool m_open = false;
    std::unique_ptr<CDVBWaveDevice> m_device;
    int m_bufferCount;
    DVBPCMConverter m_converter = nullptr;
    unsigned int m_rate = 0;
    unsigned int m_bytesPerSample = 0;
    bool m_paused = false;
    std::atomic<CDVBProgramClock*> m_programClock { nullptr };
    CDVBWaveBufferList m_pending;
    CDVBWaveBufferList m_free;
    CDVBWaveBufferList m_playing;
    // Each output has its own, so two receivers never share a dither.
    CDVBDitherState m_dither[2];
    // Set by each completion, for a drain waiting for the playing list to empty.
    CEvent m_completed { false, false };
};
