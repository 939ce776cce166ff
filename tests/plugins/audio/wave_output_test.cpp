// The wave output: configure, the release of buffers on the programme clock
// (wrap-aware, early by the device's latency), stop, flush, drain and finish.
#include "AudioTestSupport.h"

#include "plugin/KRXAVLog.h"
#include "plugin/KRXVolume.h"
#include "stream/DVBTiming.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace {

using Kind = CMemoryWaveDevice::Kind;

class WaveOutputTest : public ::testing::Test
{
protected:
    explicit WaveOutputTest(bool completeAtOnce = false)
        : device(new CMemoryWaveDevice(completeAtOnce))
        , output(std::unique_ptr<CDVBWaveDevice>(device))
    {
        device->SetClock([this] { return int64_t(clock.value); });
        output.SetProgramClock(&clock);
        Send(DVB_AUDIO_INIT);
    }
    ~WaveOutputTest() override
    {
        if (!finished)
            Send(DVB_AUDIO_STOP, true), Send(DVB_AUDIO_FINISH);
    }

    int Send(int code, bool flush = false)
    {
        CDVBAudioCommand command;
        command.code = code;
        command.stop.flush = flush;
        finished |= code == DVB_AUDIO_FINISH;
        return output.Command(command);
    }
    int Configure(unsigned int channels, unsigned int rate, unsigned int& precision)
    {
        CDVBAudioCommand command;
        command.code = DVB_AUDIO_CONFIGURE;
        command.configure = { channels, rate, precision };
        const int result = output.Command(command);
        precision = command.configure.precision;
        return result;
    }
    void Configure()
    {
        unsigned int precision = 16;
        ASSERT_EQ(Configure(2, 48000, precision), 0);
    }
    int Play(uint32_t time, int mode = DVB_PCM_DITHER)
    {
        CDVBAudioCommand command;
        command.play.mode = mode;
        command.code = DVB_AUDIO_PLAY;
        command.play.count = 1152;
        command.play.first = samples.data();
        command.play.second = samples.data();
        command.play.statistics = &statistics;
        command.play.time = time;
        return output.Command(command);
    }
    // The programme clock at each write, in order.
    std::vector<int64_t> WriteTimes()
    {
        std::vector<int64_t> times;
        for (const auto& call : device->GetCalls())
            if (call.kind == Kind::Write)
                times.push_back(call.when);
        return times;
    }
    void TickAt(int64_t value)
    {
        clock.value = value;
        output.Tick();
    }

    std::vector<DVBFixed> samples = std::vector<DVBFixed>(1152, 0x01000000);
    CDVBClipStatistics statistics;
    CScriptedClock clock;
    CMemoryWaveDevice* device;
    CDVBWaveOutput output;
    bool finished = false;
};

class WaveOutputCompletingTest : public WaveOutputTest
{
protected:
    WaveOutputCompletingTest()
        : WaveOutputTest(true)
    {
    }
};

TEST_F(WaveOutputTest, PrecisionIsRoundedDownToWholeBytesWithinSixteenToThirtyTwo)
{
    const std::pair<unsigned int, unsigned int> cases[] = { { 0, 16 }, { 12, 8 }, { 40, 32 }, { 24, 24 } };
    for (auto [asked, granted] : cases) {
        unsigned int precision = asked;
        ASSERT_EQ(Configure(1, 32000, precision), 0);
        EXPECT_EQ(precision, granted) << "asked " << asked;
        EXPECT_EQ(device->GetCalls().back().format, (CDVBPCMFormat { 1, 32000, granted }));
    }
    // Each configure after the first closed the device before opening it again.
    EXPECT_EQ(device->CountCalls(Kind::Open), 4);
    EXPECT_EQ(device->CountCalls(Kind::Close), 3);
}

TEST_F(WaveOutputTest, AFailedOpenIsReportedAndLeavesNothingToWriteTo)
{
    device->FailOpen(true);
    unsigned int precision = 16;
    EXPECT_EQ(Configure(2, 48000, precision), -1);
    EXPECT_EQ(output.GetErrorText(), "no such device");
    ASSERT_EQ(Play(0), -1); // no converter without a format
    TickAt(1000);
    EXPECT_EQ(device->CountCalls(Kind::Write), 0);
}

TEST_F(WaveOutputTest, ABufferIsReleasedWhenTheClockReachesTwiceItsTime)
{
    Configure();
    ASSERT_EQ(Play(0x80000000u), 0);
    TickAt(0xFFFFFFFF);
    TickAt(0x100000000 - 1);
    EXPECT_EQ(device->CountCalls(Kind::Write), 0);
    TickAt(0x100000000);
    EXPECT_EQ(WriteTimes(), (std::vector<int64_t> { 0x100000000 }));
    EXPECT_EQ(device->GetCalls().back().size, 1152u * 4);
    // Without a readable clock nothing is released.
    ASSERT_EQ(Play(0), 0);
    clock.valid = false;
    TickAt(DVB_CLOCK_WRAP + 10);
    EXPECT_EQ(device->CountCalls(Kind::Write), 1);
}

TEST_F(WaveOutputTest, TwoFramesDueAtOneTickGoOutOnTwoTicks)
{
    Configure();
    Play(100);
    Play(100);
    TickAt(200);
    EXPECT_EQ(device->CountCalls(Kind::Write), 1);
    TickAt(200);
    EXPECT_EQ(device->CountCalls(Kind::Write), 2);
    EXPECT_EQ(output.GetPlayingCount(), 2);
}

TEST_F(WaveOutputTest, SoundGoesOnAcrossTheThirtyThreeBitWrap)
{
    Configure();
    // Frames of 1079 ticks at 45 kHz (2158 at 90 kHz) spanning the wrap of
    // the 32-bit frame time, with the programme clock running on past 2^33.
    const uint32_t first = 0xFFFFFFFFu - 2 * 1079;
    for (int i = 0; i < 5; i++)
        Play(first + uint32_t(i) * 1079);
    const int64_t start = int64_t(first) << 1;
    for (int64_t clockValue = start - 100; clockValue < start + 5 * 2158 + 100; clockValue += 10) {
        TickAt(clockValue);
        device->CompleteOldest();
    }
    const std::vector<int64_t> written = WriteTimes();
    ASSERT_EQ(written.size(), 5u);
    for (int i = 0; i < 5; i++) {
        // Each goes out on the first tick at or after its time, and none is late by more than a tick.
        EXPECT_GE(written[i], start + i * 2158) << "frame " << i;
        EXPECT_LT(written[i], start + i * 2158 + 10) << "frame " << i;
    }
}

TEST_F(WaveOutputTest, BuffersAreReleasedEarlyByTheDeviceLatency)
{
    Configure();
    device->SetLatencyNanoseconds(40'000'000); // 40 ms is 3600 ticks
    Play(50000); // due at 100000
    TickAt(100000 - 3601);
    EXPECT_EQ(device->CountCalls(Kind::Write), 0);
    TickAt(100000 - 3600);
    EXPECT_EQ(device->CountCalls(Kind::Write), 1);
}

// The receive thread sleeps for what GetMillisecondsUntilDue says, so the
// front buffer must be due when it wakes: by the clock, less the latency.
TEST_F(WaveOutputTest, TheTickWaitsUntilTheFrontBufferIsHeardOnTimeAndNoLonger)
{
    EXPECT_EQ(output.GetMillisecondsUntilDue(), CDVBWaveOutput::kIdleTickMs) << "no device open yet";
    Configure();
    EXPECT_EQ(output.GetMillisecondsUntilDue(), CDVBWaveOutput::kIdleTickMs) << "nothing pending";
    device->SetLatencyNanoseconds(40'000'000); // 3600 ticks
    Play(50000); // due at 100000
    Play(60000);
    clock.value = 100000 - 3600 - 9000;
    EXPECT_EQ(output.GetMillisecondsUntilDue(), 100u);
    clock.value = 100000 - 3600 - 91;
    EXPECT_EQ(output.GetMillisecondsUntilDue(), 2u) << "rounded up, never early";
    TickAt(100000 - 3600);
    EXPECT_EQ(device->CountCalls(Kind::Write), 1);
    EXPECT_EQ(output.GetMillisecondsUntilDue(), 223u) << "the next buffer, 20,000 ticks on";
    clock.valid = false;
    EXPECT_EQ(output.GetMillisecondsUntilDue(), CDVBWaveOutput::kIdleTickMs) << "no clock, no release";
}

TEST_F(WaveOutputTest, EachReleaseIsLoggedWithItsClockAndLatency)
{
    TemporaryFolder folder;
    CString error;
    ASSERT_TRUE(CKRXAVLog::Open(folder.File("av.csv"), error)) << error;
    Configure();
    device->SetLatencyNanoseconds(20'000'000);
    Play(5000);
    TickAt(10000 - 1800);
    CKRXAVLog::Close();
    std::ifstream log(folder.File("av.csv"));
    std::string line;
    ASSERT_TRUE(std::getline(log, line));
    EXPECT_EQ(line.rfind("audio,10000,8200,", 0), 0u) << line;
    EXPECT_EQ(line.substr(line.rfind(',')), ",20000000");
    EXPECT_FALSE(std::getline(log, line)) << "one line per buffer";
}

TEST_F(WaveOutputTest, StopWithFlushReturnsEveryWrittenBufferAtOnce)
{
    Configure();
    for (int i = 0; i < 3; i++)
        Play(10);
    for (int i = 0; i < 3; i++)
        TickAt(100);
    ASSERT_EQ(output.GetPlayingCount(), 3);
    ASSERT_EQ(Send(DVB_AUDIO_STOP, true), 0);
    EXPECT_EQ(output.GetPlayingCount(), 0);
    EXPECT_EQ(output.GetFreeCount(), CDVBWaveOutput::kBufferCount);
    EXPECT_EQ(device->CountCalls(Kind::Pause), 0);
}

TEST_F(WaveOutputTest, StopWithoutFlushPausesOnceAndTheNextPlayResumes)
{
    Configure();
    Send(DVB_AUDIO_STOP, false);
    Send(DVB_AUDIO_STOP, false);
    EXPECT_EQ(device->CountCalls(Kind::Pause), 1);
    EXPECT_EQ(device->CountCalls(Kind::Restart), 0);
    Play(10);
    Play(10);
    EXPECT_EQ(device->CountCalls(Kind::Restart), 1);
}

TEST_F(WaveOutputTest, FinishWithNothingPlayingClosesAtOnce)
{
    Configure();
    Play(1000); // pending only: not written, not waited for
    EXPECT_EQ(Send(DVB_AUDIO_FINISH), 0);
    EXPECT_EQ(device->CountCalls(Kind::Close), 1);
    EXPECT_EQ(device->CountCalls(Kind::Write), 0);
}

// Finishing closes a component (a zap): what the device holds is dropped,
// not waited for, on the thread that closes it.
TEST_F(WaveOutputTest, FinishDropsWhatTheDeviceHoldsInsteadOfWaitingForIt)
{
    Configure();
    Play(10);
    Play(20);
    TickAt(100);
    TickAt(100);
    ASSERT_EQ(device->GetHeldCount(), 2);
    EXPECT_EQ(Send(DVB_AUDIO_FINISH), 0);
    std::vector<Kind> order;
    for (const auto& call : device->GetCalls())
        if (call.kind == Kind::Reset || call.kind == Kind::Close)
            order.push_back(call.kind);
    EXPECT_EQ(order, (std::vector<Kind> { Kind::Reset, Kind::Close }));
    EXPECT_EQ(device->GetHeldCount(), 0);
    EXPECT_EQ(output.GetFreeCount(), CDVBWaveOutput::kBufferCount);
}

// A break in the clock: sound of the old timeline, waiting or in the device,
// goes at once. Sound seconds ahead of the clock is another timeline's too,
// and never blocks the sound behind it.
TEST_F(WaveOutputTest, AFlushAndSoundFarFromTheClockNeverHoldUpTheNewTimeline)
{
    Configure();
    Play(45000); // 90000 on the clock
    Play(46800);
    TickAt(90000);
    output.Flush();
    EXPECT_EQ(device->GetHeldCount(), 0);
    EXPECT_EQ(output.GetPendingCount(), 0);
    EXPECT_EQ(output.GetFreeCount(), CDVBWaveOutput::kBufferCount);

    Play(45000 + 4 * 45000); // four seconds ahead: the clock jumped back
    Play(46800);
    Play(48600);
    TickAt(93600);
    TickAt(93600);
    TickAt(97200);
    EXPECT_EQ(WriteTimes(), (std::vector<int64_t> { 90000, 93600, 97200 }));
    EXPECT_EQ(output.GetPendingCount(), 0);
}

TEST_F(WaveOutputTest, AFailedWriteReturnsItsBufferSoADrainEnds)
{
    Configure();
    Play(10);
    device->FailWrites(true);
    TickAt(100);
    EXPECT_EQ(output.GetPlayingCount(), 0);
    EXPECT_EQ(output.GetFreeCount(), CDVBWaveOutput::kBufferCount);
    EXPECT_EQ(Send(DVB_AUDIO_FINISH), 0);
}

TEST_F(WaveOutputCompletingTest, ReconfiguringDrainsAndKeepsPendingFramesForTheNewDevice)
{
    Configure();
    Play(10);
    Play(5000);
    TickAt(100);
    unsigned int precision = 16;
    ASSERT_EQ(Configure(1, 44100, precision), 0);
    TickAt(10000);
    std::vector<Kind> order;
    for (const auto& call : device->GetCalls())
        if (call.kind != Kind::Done)
            order.push_back(call.kind);
    EXPECT_EQ(order, (std::vector<Kind> { Kind::Open, Kind::Write, Kind::Close, Kind::Open, Kind::Write }));
}

TEST_F(WaveOutputCompletingTest, TheTickNeverWritesWhileConfigureHasTheDeviceClosed)
{
    Configure();
    clock.value = 100;
    std::atomic<bool> done { false };
    std::thread ticking([&] {
        while (!done)
            output.Tick();
    });
    for (int i = 0; i < 50; i++) {
        Play(10);
        Play(10);
        unsigned int precision = 16;
        ASSERT_EQ(Configure(2, i % 2 ? 44100 : 48000, precision), 0);
    }
    done = true;
    ticking.join();
    bool open = false;
    for (const auto& call : device->GetCalls()) {
        if (call.kind == Kind::Open)
            open = true;
        else if (call.kind == Kind::Close)
            open = false;
        else if (call.kind == Kind::Write)
            ASSERT_TRUE(open) << "written to a closed device";
    }
}

} // namespace

// The volume is applied as each frame is converted: full level is the decoded
// sound bit for bit, dither included; no level or mute is true silence.
TEST_F(WaveOutputCompletingTest, TheVolumeScalesWhatIsReleased)
{
    Configure();
    const auto release = [&](int level, bool muted, int mode) {
        CKRXVolume::SetLevel(level);
        CKRXVolume::SetMuted(muted);
        const size_t before = device->GetWritten().size();
        EXPECT_EQ(Play(0, mode), 0);
        TickAt(0);
        const std::vector<unsigned char> written = device->GetWritten();
        return ToSamples(std::vector<unsigned char>(written.begin() + long(before), written.end()));
    };
    const std::vector<int16_t> full = release(100, false, DVB_PCM_DITHER);
    const std::vector<int16_t> half = release(50, false, DVB_PCM_ROUND);
    const std::vector<int16_t> none = release(0, false, DVB_PCM_DITHER);
    const std::vector<int16_t> muted = release(100, true, DVB_PCM_DITHER);
    CKRXVolume::SetMuted(false);
    CKRXVolume::SetLevel(CKRXVolume::kMaximum);

    std::vector<unsigned char> expected(CDVBWaveBuffer::kCapacity);
    CDVBDitherState dither[2];
    CDVBClipStatistics clip;
    expected.resize(GetPCMConverter(16)(
        expected.data(), 1152, samples.data(), samples.data(), DVB_PCM_DITHER, &clip, dither, DVB_PCM_UNITY_GAIN));
    EXPECT_EQ(full, ToSamples(expected));
    // Half the level is a quarter of the amplitude: 1/16 of full scale becomes 1/64.
    EXPECT_EQ(half, std::vector<int16_t>(2 * 1152, 512));
    EXPECT_EQ(none, std::vector<int16_t>(2 * 1152, 0));
    EXPECT_EQ(muted, std::vector<int16_t>(2 * 1152, 0));
}
