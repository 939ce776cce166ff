// The receiver from transport packets to the device, the plug-in's choice of
// components, and the real devices: SDL (on its dummy driver) and WAV files.
#include "AudioTestSupport.h"
#include "DVBAudioReceiver.h"
#include "DVBBackgroundCloser.h"
#include "DVBSDLWaveDevice.h"
#include "DVBWavFileWaveDevice.h"
#include "KRXAudioDecoderPlugin.h"
#include "SDLLockWatch.h"
#include "support/SDLAllocationWatch.h"

#include "platform/Clock.h"
#include "platform/Event.h"
#include "plugin/DVBComponentDefinition.h"
#include "plugin/KRXAudioOutput.h"
#include "support/TemporaryFolder.h"
#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr uint16_t kPid = 0x44;

// Transport packets of PES packets of three frames each, stamped from firstPts on.
ts::Bytes MakePackets(const std::vector<ts::Bytes>& frames, int64_t firstPts)
{
    ts::TsPacketWriter packets;
    ts::PesWriter writer(packets, kPid);
    for (size_t first = 0; first < frames.size(); first += 3) {
        const size_t end = std::min(frames.size(), first + 3);
        const int64_t pts = firstPts + int64_t(first) * 2160;
        writer.Write(ts::PesPacket(
            0xC0, pts, std::nullopt, JoinFrames(std::vector<ts::Bytes>(frames.begin() + first, frames.begin() + end))));
    }
    return packets.TakeData();
}

// Shows how many chunks wait for the decoder and how many frames for the
// clock, so a test can feed it no faster than it plays and no frame is dropped.
class CQueueingAudioReceiver : public CDVBAudioReceiver
{
public:
    using CDVBAudioReceiver::CDVBAudioReceiver;
    ~CQueueingAudioReceiver() override { Stop(); }
    int GetQueuedChunks() { return m_filledList.GetCount(); }
    int GetPendingFrames() { return m_output.GetPendingCount(); }
};

TEST(AudioReceiver, PlaysPacketsOnItsThreadAsThePlayerPlaysTheSameFrames)
{
    const std::vector<ts::Bytes> frames = SplitFrames(LoadAudioSample("stereo_48k_192k.mp2"));
    CPlayerRun direct;
    direct.Play(MakeChunks(frames, 3, 0, 1080));
    const std::vector<unsigned char> expected = direct.device->GetWritten();

    auto* device = new CMemoryWaveDevice;
    CScriptedClock clock;
    clock.value = int64_t(1) << 31;
    CQueueingAudioReceiver receiver(nullptr, std::unique_ptr<CDVBWaveDevice>(device));
    EXPECT_EQ(receiver.GetType(), DVB_RECEIVER_AUDIO);
    EXPECT_TRUE(receiver.RequiresTimeNotifications());
    receiver.SetProgramClock(&clock);
    receiver.SetPID(kPid); // starts the decode thread

    ts::Bytes packets = MakePackets(frames, 0);
    const size_t packetCount = packets.size() / DVB_PACKET_SIZE;
    // Twenty chunks hold at most seven frames: with fewer than ten pending, the
    // twenty buffers are never all taken.
    const int64_t deadline = GetMonotonicNanoseconds() + 20 * KRX_MONOTONIC_FREQUENCY;
    size_t sent = 0;
    while (device->GetWritten().size() < expected.size() && GetMonotonicNanoseconds() < deadline) {
        for (; receiver.GetQueuedChunks() < 20 && receiver.GetPendingFrames() < 10 && sent < packetCount; sent++)
            receiver.OnReceivePacket(sent, packets.data() + sent * DVB_PACKET_SIZE);
        while (receiver.GetPendingFrames() > 0)
            receiver.OnEveryMillisecond();
        std::this_thread::yield();
    }
    receiver.Stop();
    const std::vector<unsigned char> played = device->GetWritten();
    ASSERT_EQ(played.size(), expected.size());
    EXPECT_TRUE(played == expected) << "the receiver's PCM differs from the same frames played directly";
}

TEST(AudioReceiver, AChunkLargerThanTheRoomGivenIsReadInPartsWithItsTimeOnTheFirst)
{
    CDVBAudioReceiver receiver(nullptr, std::make_unique<CMemoryWaveDevice>());
    ts::TsPacketWriter packets;
    ts::PesWriter(packets, kPid).Write(ts::PesPacket(0xC0, 0x1FFFFFFFE, std::nullopt, ts::Bytes(150, 0x5A)));
    receiver.OnReceivePacket(0, packets.TakeData().data());

    unsigned char destination[100];
    bool hasTime = false;
    uint32_t time = 0;
    EXPECT_EQ(receiver.ReadChunk(destination, 100, hasTime, time), 100u);
    EXPECT_TRUE(hasTime);
    EXPECT_EQ(time, 0xFFFFFFFFu);
    EXPECT_EQ(receiver.ReadChunk(destination, 100, hasTime, time), 50u);
    EXPECT_FALSE(hasTime);
    receiver.Stop();
    EXPECT_EQ(receiver.ReadChunk(destination, 100, hasTime, time), 0u) << "a stop ends the read";
}

TEST(AudioPlugin, TakesMPEGAudioComponentsOnly)
{
    CKRXAudioOutput::Set(CKRXAudioOutput::None);
    CKRXAudioDecoderPlugin plugin;
    CDVBComponentDefinition component;
    for (const char* description : { "audio", "audio (deu)", "audio description", "audio description (eng)" }) {
        component.SetDescription(description);
        EXPECT_TRUE(plugin.SupportsComponent(&component)) << description;
    }
    for (const char* description : { "audio AAC (eng)", "audio AAC LATM (deu)", "audio AC-3", "audio E-AC-3 (eng)",
             "audio description E-AC-3 (eng)", "video", "subtitles (eng)", "Audio" }) {
        component.SetDescription(description);
        EXPECT_FALSE(plugin.SupportsComponent(&component)) << description;
        EXPECT_EQ(plugin.OpenComponent(&component), nullptr);
    }
    component.SetDescription("audio (eng)");
    CDVBPIDReceiver* receiver = plugin.OpenComponent(&component);
    ASSERT_NE(receiver, nullptr);
    EXPECT_EQ(receiver->GetPlugin(), &plugin);
    EXPECT_TRUE(plugin.CloseComponent(receiver));
}

TEST(AudioPlugin, TheOutputChoiceSelectsTheDevice)
{
    CKRXAudioDecoderPlugin plugin;
    TemporaryFolder folder;
    CKRXAudioOutput::Set(CKRXAudioOutput::Wav, folder.File("unused.wav"));
    EXPECT_NE(dynamic_cast<CDVBWavFileWaveDevice*>(plugin.CreateDevice().get()), nullptr);
    CKRXAudioOutput::Set(CKRXAudioOutput::None);
    auto none = plugin.CreateDevice();
    EXPECT_EQ(dynamic_cast<CDVBWavFileWaveDevice*>(none.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CDVBSDLWaveDevice*>(none.get()), nullptr);
    // The sound device is used only once the start-up probe has opened one (SDL's dummy driver here).
    CKRXAudioOutput::Set(CKRXAudioOutput::Device);
    EXPECT_EQ(dynamic_cast<CDVBSDLWaveDevice*>(plugin.CreateDevice().get()), nullptr);
    plugin.Initialise();
    EXPECT_NE(dynamic_cast<CDVBSDLWaveDevice*>(plugin.CreateDevice().get()), nullptr);
    CKRXAudioOutput::Set(CKRXAudioOutput::None);
}

TEST(SDLWaveDevice, CompletesWhatItPlaysAndEverythingAtAReset)
{
    CDVBSDLWaveDevice device;
    CEvent completed(false, false);
    std::atomic<int> done { 0 };
    device.SetDoneCallback([&](void*) {
        done++;
        completed.Set();
    });
    ASSERT_TRUE(device.Open({ 2, 48000, 16 })) << device.GetErrorText();
    std::vector<unsigned char> block(4800, 0); // 25 ms
    ASSERT_TRUE(device.Write(block.data(), block.size(), nullptr));
    EXPECT_GE(device.GetLatencyNanoseconds(), 25'000'000);
    ASSERT_TRUE(completed.Wait(10000));
    EXPECT_EQ(done, 1);

    ASSERT_TRUE(device.Pause());
    for (int i = 0; i < 3; i++)
        device.Write(block.data(), block.size(), nullptr);
    ASSERT_TRUE(device.Reset());
    EXPECT_EQ(done, 4);
    EXPECT_TRUE(device.Close());
    EXPECT_FALSE(device.Write(block.data(), block.size(), nullptr));
    EXPECT_FALSE(device.Open({ 2, 48000, 24 })) << "SDL has no packed 24-bit samples";
}

std::vector<unsigned char> ReadBytes(const TemporaryFolder& folder, const CString& name)
{
    const CString text = folder.Read(name);
    return std::vector<unsigned char>(text.begin(), text.end());
}

uint32_t At32(const std::vector<unsigned char>& bytes, size_t offset)
{
    return uint32_t(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | bytes[offset + 3] << 24);
}

TEST(SDLWaveDevice, StartsOpensClosesAndStopsSDLUnderTheProcessLock)
{
    CDVBSDLWaveDevice device;
    SDLLockWatch watch;
    ASSERT_TRUE(device.Open({ 2, 48000, 16 })) << device.GetErrorText();
    EXPECT_TRUE(device.Close());
    CDVBBackgroundCloser::Get().WaitUntilIdle();
    EXPECT_GT(watch.GetAllocations(), 0);
    EXPECT_EQ(watch.GetUnlockedAllocations(), 0) << "of " << watch.GetAllocations();
}

// SDL numbers its devices from 1 up; a closed one reads as stopped.
int CountOpenSDLDevices()
{
    int open = 0;
    for (SDL_AudioDeviceID id = 1; id <= 16; id++)
        open += SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED;
    return open;
}

TEST(SDLWaveDevice, ClosesWithoutWaitingForSDLAndNeverPullsAfterwards)
{
    CDVBSDLWaveDevice device;
    std::atomic<int> done { 0 };
    device.SetDoneCallback([&](void*) { done++; });
    ASSERT_TRUE(device.Open({ 2, 48000, 16 })) << device.GetErrorText();
    ASSERT_EQ(CountOpenSDLDevices(), 1);
    std::vector<unsigned char> block(48000 * 4, 0); // a second: not played out before the close
    ASSERT_TRUE(device.Write(block.data(), block.size(), nullptr));

    // Another SDL user holds the process's lock, as the closing of an earlier
    // device does: the close must not wait for it.
    CEvent held(true, false), release(true, false), closed(true, false);
    std::thread holder([&] {
        std::lock_guard lock(GetSDLLock());
        held.Set();
        release.Wait(60000);
    });
    ASSERT_TRUE(held.Wait(10000));
    std::thread closer([&] {
        device.Close();
        closed.Set();
    });
    EXPECT_TRUE(closed.Wait(5000)) << "the close waited for the SDL lock";
    EXPECT_EQ(done, 1) << "the written block ends with the close";
    EXPECT_EQ(CountOpenSDLDevices(), 1) << "SDL closes it once the lock is free";
    release.Set();
    holder.join();
    closer.join();
    CDVBBackgroundCloser::Get().WaitUntilIdle();
    EXPECT_EQ(CountOpenSDLDevices(), 0);
    EXPECT_EQ(done, 1);
}

TEST(SDLWaveDevice, LeavesNothingOfSDLsBehindOnTheThreadThatOpenedAndClosedIt)
{
    // SDL stays started while the thread ends, as it does for the display and
    // the sound when the other keeps it going: what SDL kept for the thread
    // is then left for good, its own final stop freeing the rest.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    bool opened = false;
    size_t left = 0;
    {
        SDLAllocationWatch watch;
        std::thread([&opened] {
            CDVBSDLWaveDevice device;
            opened = device.Open({ 2, 48000, 16 });
            device.Close();
        }).join();
        CDVBBackgroundCloser::Get().WaitUntilIdle();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_Quit();
        left = watch.GetLiveBlocks();
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(left, 0u);
}

TEST(WavFileWaveDevice, IsAValidEmptyFileUntilSoundComesInItsOwnFormat)
{
    TemporaryFolder folder;
    {
        folder.Write("out.wav", "an older file");
        CDVBWavFileWaveDevice device(folder.File("out.wav"));
    }
    std::vector<unsigned char> bytes = ReadBytes(folder, "out.wav");
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(At32(bytes, 4), 36u);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(At32(bytes, 40), 0u);

    CDVBWavFileWaveDevice device(folder.File("out.wav"));
    ASSERT_TRUE(device.Open({ 1, 48000, 16 })) << device.GetErrorText();
    ASSERT_TRUE(device.Close());
    bytes = ReadBytes(folder, "out.wav");
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(At32(bytes, 24), 48000u);
}

TEST(WavFileWaveDevice, HoldsEverythingWrittenAcrossReopeningAndRefusesANewFormat)
{
    TemporaryFolder folder;
    CDVBWavFileWaveDevice device(folder.File("out.wav"));
    int done = 0;
    device.SetDoneCallback([&](void*) { done++; });
    const unsigned char first[] = { 1, 2, 3, 4 }, second[] = { 5, 6, 7, 8 };
    ASSERT_TRUE(device.Open({ 2, 44100, 16 }));
    ASSERT_TRUE(device.Write(first, 4, nullptr));
    ASSERT_TRUE(device.Close());
    ASSERT_TRUE(device.Open({ 2, 44100, 16 }));
    ASSERT_TRUE(device.Write(second, 4, nullptr));
    ASSERT_TRUE(device.Close());
    EXPECT_EQ(done, 2);
    EXPECT_FALSE(device.Open({ 1, 44100, 16 }));

    const std::vector<unsigned char> bytes = ReadBytes(folder, "out.wav");
    ASSERT_EQ(bytes.size(), 44u + 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(At32(bytes, 4), 36u + 8u);
    EXPECT_EQ(At32(bytes, 24), 44100u);
    EXPECT_EQ(At32(bytes, 28), 44100u * 4);
    EXPECT_EQ(At32(bytes, 40), 8u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 44, bytes.end()),
        (std::vector<unsigned char> { 1, 2, 3, 4, 5, 6, 7, 8 }));
}

} // namespace
