#include "DVBWaveOutput.h"

#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/Thread.h"
#include "plugin/KRXAVLog.h"
#include "plugin/KRXAVOffset.h"
#include "plugin/KRXVolume.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBTiming.h"

namespace {
// A device that stops completing buffers must not hold the decoder for ever.
constexpr uint32_t kDrainLimitMs = 5000;
// Sound this far ahead of the clock belongs to another timeline.
constexpr int64_t kOffClockTicks = 3 * DVB_PROGRAM_CLOCK_FREQUENCY;

int64_t NanosecondsToTicks(int64_t nanoseconds)
{
    return nanoseconds * DVB_PROGRAM_CLOCK_FREQUENCY / KRX_MONOTONIC_FREQUENCY;
}

unsigned int GrantedBits(unsigned int precision)
{
    const unsigned int bits = precision & ~7u;
    if (bits == 0)
        return 16;
    return bits > 32 ? 32 : bits;
}
} // namespace

CDVBWaveOutput::CDVBWaveOutput(std::unique_ptr<CDVBWaveDevice> device, int bufferCount)
    : m_device(std::move(device))
    , m_bufferCount(bufferCount)
{
    m_device->SetDoneCallback([this](void* tag) { OnDone(tag); });
}

CDVBWaveOutput::~CDVBWaveOutput()
{
    // A device left open by a decoder that broke off still calls back: close it first.
    CloseDevice();
}

int CDVBWaveOutput::Command(CDVBAudioCommand& command)
{
    m_errorText.clear();
    switch (command.code) {
    case DVB_AUDIO_INIT:
        return Init();
    case DVB_AUDIO_CONFIGURE:
        return Configure(command);
    case DVB_AUDIO_PLAY:
        return Play(command);
    case DVB_AUDIO_STOP:
        return Stop(command.stop.flush);
    case DVB_AUDIO_FINISH:
        return Finish();
    default:
        return Fail("unknown command");
    }
}

int CDVBWaveOutput::Init()
{
    {
        CSingleLock lock(&m_deviceSection, true);
        m_open = false;
    }
    for (int i = 0; i < m_bufferCount; i++)
        m_free.Append(new CDVBWaveBuffer);
    SetCurrentThreadPriority(KRX_PRIORITY_ABOVE_NORMAL);
    return 0;
}

bool CDVBWaveOutput::SendConfigure(unsigned int channels, unsigned int rate, unsigned int* precision)
{
    CDVBAudioCommand configure;
    configure.code = DVB_AUDIO_CONFIGURE;
    configure.configure.channels = channels;
    configure.configure.rate = rate;
    configure.configure.precision = 0; // any
    if (Command(configure) != 0)
        return false;
    if (precision != nullptr)
        *precision = configure.configure.precision;
    return true;
}

int CDVBWaveOutput::Configure(CDVBAudioCommand& command)
{
    WriteConfigLine("start");
    const CDVBPCMFormat format { command.configure.channels, command.configure.rate,
        GrantedBits(command.configure.precision) };
    if (Drain() != 0)
        return -1;
    if (CloseDevice() != 0)
        return -1;
    {
        CSingleLock lock(&m_deviceSection, true);
        if (!m_device->Open(format))
            return Fail(m_device->GetErrorText());
        m_open = true;
        m_paused = false;
    }
    command.configure.precision = format.bits;
    m_converter = GetPCMConverter(format.bits);
    m_rate = format.rate;
    m_bytesPerSample = format.bits / 8;
    WriteConfigLine("finish");
    return 0;
}

int CDVBWaveOutput::Play(const CDVBAudioCommand& command)
{
    if (Resume() != 0)
        return -1;
    const auto& play = command.play;
    const unsigned long channels = play.second ? 2 : 1;
    if (!m_converter)
        return Fail("the output has not been configured");
    if (play.count * channels * m_bytesPerSample > CDVBWaveBuffer::kCapacity)
        return Fail("the frame is larger than any MPEG audio frame");
    CDVBWaveBuffer* buffer = m_free.TakeFront();
    if (!buffer)
        return 0; // every buffer is pending or playing: the frame is dropped
    buffer->SetTime(int64_t(play.time) << 1);
    // Rounded, silence stays silent: dither alone would still be heard at 0.
    const uint32_t gain = CKRXVolume::GetGain();
    const int mode = gain == 0 ? DVB_PCM_ROUND : play.mode;
    buffer->SetFill(
        m_converter(buffer->GetData(), play.count, play.first, play.second, mode, play.statistics, m_dither, gain));
    m_pending.Append(buffer);
    return 0;
}

int CDVBWaveOutput::Stop(bool flush)
{
    if (!flush)
        return Pause();
    Flush();
    return m_errorText.empty() ? 0 : -1;
}

void CDVBWaveOutput::Flush()
{
    CSingleLock lock(&m_deviceSection, true);
    while (CDVBWaveBuffer* buffer = m_pending.TakeFront())
        m_free.Append(buffer);
    // The device completes every buffer it held, so none stays playing.
    if (m_open && !m_device->Reset())
        Fail(m_device->GetErrorText());
}

// The decoder finishes only when its component closes (a zap, the end of a
// file): what the device still holds is not waited for, the window that
// closes the component would wait with it.
int CDVBWaveOutput::Finish()
{
    Flush();
    int result = m_errorText.empty() ? 0 : -1;
    if (CloseDevice() != 0)
        result = -1;
    SetCurrentThreadPriority(KRX_PRIORITY_NORMAL);
    return result;
}

int CDVBWaveOutput::Pause()
{
    if (m_paused)
        return 0;
    CSingleLock lock(&m_deviceSection, true);
    if (m_open && !m_device->Pause())
        return Fail(m_device->GetErrorText());
    m_paused = true;
    return 0;
}

int CDVBWaveOutput::Resume()
{
    if (!m_paused)
        return 0;
    CSingleLock lock(&m_deviceSection, true);
    if (m_open && !m_device->Restart())
        return Fail(m_device->GetErrorText());
    m_paused = false;
    return 0;
}

// Waits until the device has finished every buffer written to it; pending
// buffers stay pending.
int CDVBWaveOutput::Drain()
{
    if (Resume() != 0)
        return -1;
    const uint32_t start = GetMillisecondTime();
    while (!m_playing.IsEmpty()) {
        if (GetMillisecondTime() - start > kDrainLimitMs)
            return Fail("the sound device stopped playing");
        m_completed.Wait(1);
    }
    return 0;
}

int CDVBWaveOutput::CloseDevice()
{
    CSingleLock lock(&m_deviceSection, true);
    if (!m_open)
        return 0;
    m_open = false;
    if (!m_device->Close())
        return Fail(m_device->GetErrorText());
    return 0;
}

int CDVBWaveOutput::Fail(const CString& text)
{
    m_errorText = text;
    return -1;
}

void CDVBWaveOutput::Tick()
{
    CDVBProgramClock* programClock = m_programClock;
    int64_t clock;
    if (!programClock || !programClock->GetProgramClock(clock, true))
        return;
    CSingleLock lock(&m_deviceSection, true);
    if (!m_open)
        return;
    // Released early by what the device holds, each frame is heard at its time.
    const int64_t latency = m_device->GetLatencyNanoseconds();
    const int64_t heard = clock + NanosecondsToTicks(latency);
    DropOffClock(heard);
    CDVBWaveBuffer* buffer = m_pending.TakeFrontDueAt(heard);
    if (!buffer)
        return;
    // Read before the write: a device may complete the buffer inside it, and
    // the decoder may then fill it again.
    const int64_t time = buffer->GetTime();
    buffer->SetOwner(this);
    m_playing.Append(buffer);
    if (!m_device->Write(buffer->GetData(), buffer->GetFill(), buffer)) {
        // No completion will come for it, so it goes back now and a drain still ends.
        DebugOutput("Audio write failed: " + m_device->GetErrorText() + "\n");
        if (m_playing.Remove(buffer))
            m_free.Append(buffer);
        m_completed.Set();
        return;
    }
    LogRelease(time, clock, latency);
}

// The device's latency only falls between writes, so the clock at which a
// buffer written now is heard never moves on faster than the programme clock:
// the front buffer cannot come due sooner than this.
uint32_t CDVBWaveOutput::GetMillisecondsUntilDue()
{
    CDVBProgramClock* programClock = m_programClock;
    int64_t clock;
    if (!programClock || !programClock->GetProgramClock(clock, true))
        return kIdleTickMs;
    CSingleLock lock(&m_deviceSection, true);
    int64_t front;
    if (!m_open || !m_pending.GetFrontTime(front))
        return kIdleTickMs;
    const int64_t heard = clock + NanosecondsToTicks(m_device->GetLatencyNanoseconds());
    // Sound of another timeline is dropped by the next tick.
    if (DVBClockDifference(front, heard) > kOffClockTicks)
        return 0;
    return DVBMillisecondsUntil(heard, front);
}

// Sound of another timeline is never waited for: it would hold up all the
// sound behind it. Late sound is due and goes at once, so it never blocks.
void CDVBWaveOutput::DropOffClock(int64_t heard)
{
    const auto offClock
        = [heard](const CDVBWaveBuffer& front) { return DVBClockDifference(front.GetTime(), heard) > kOffClockTicks; };
    while (CDVBWaveBuffer* buffer = m_pending.TakeFrontIf(offClock))
        m_free.Append(buffer);
}

void CDVBWaveOutput::OnDone(void* tag)
{
    auto* buffer = static_cast<CDVBWaveBuffer*>(tag);
    if (m_playing.Remove(buffer))
        m_free.Append(buffer);
    // Only a drain waits for this, and only for the last buffer.
    if (m_playing.IsEmpty())
        m_completed.Set();
}

// The start and finish lines bracket the time a reconfiguration took, on the programme clock.
void CDVBWaveOutput::WriteConfigLine(const char* phase)
{
    CDVBProgramClock* programClock = m_programClock;
    int64_t clock;
    if (!programClock || !programClock->GetProgramClock(clock, true))
        return;
    CString text;
    ClockToString(clock, text);
    DebugOutput(FormatString("Audio config %s at PCR %s.\n", phase, text.c_str()));
}

void CDVBWaveOutput::LogRelease(int64_t time, int64_t clock, int64_t latency)
{
    CKRXAVOffset::AddAudio(DVBClockDifference(clock + NanosecondsToTicks(latency), time));
    if (!CKRXAVLog::IsOpen())
        return;
    CKRXAVLog::Write(FormatString(
        "audio,%" PRId64 ",%" PRId64 ",%" PRId64 ",%" PRId64, time, clock, GetMonotonicNanoseconds(), latency));
}
