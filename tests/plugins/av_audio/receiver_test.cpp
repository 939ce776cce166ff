// The receiver on its own decode thread: transport packets in, the same PCM
// out as the player gives on the test's thread, and closing it in the middle
// of the stream ends its decoder by the decoder's own stop, not by force.
#include "AVAudioTestSupport.h"
#include "DVBAVAudioReceiver.h"
#include "SynchronousWaveReceiver.h"

#include "platform/Clock.h"
#include "tswriter/PesWriter.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr uint16_t kPid = 0x45;
constexpr size_t kAC3Bytes = 768;

// Shows how many chunks wait for the decoder and how many frames for the
// clock, so the test can feed it no faster than it plays and no frame is dropped.
class CQueueingAVAudioReceiver : public CDVBAVAudioReceiver
{
public:
    using CDVBAVAudioReceiver::CDVBAVAudioReceiver;
    ~CQueueingAVAudioReceiver() override { Stop(); }
    int GetQueuedChunks() { return m_filledList.GetCount(); }
    int GetPendingFrames() { return m_output.GetPendingCount(); }
    bool IsDecoding() const { return IsDecodeThreadRunning(); }
};

TEST(AVAudioReceiver, PlaysPacketsOnItsThreadAsThePlayerDoesAndStopsInMidStream)
{
    // PES packets of three AC-3 frames, private stream 1 as broadcasters send it.
    const ts::Bytes stream = LoadAudioSample("ac3_stereo_48k.ac3");
    ts::TsPacketWriter writer;
    ts::PesWriter pes(writer, kPid);
    std::vector<CAudioChunk> chunks;
    for (size_t offset = 0, index = 0; offset < stream.size(); offset += 3 * kAC3Bytes, index++) {
        const ts::Bytes payload(
            stream.begin() + offset, stream.begin() + std::min(stream.size(), offset + 3 * kAC3Bytes));
        pes.Write(ts::PesPacket(0xBD, int64_t(index) * 3 * 2880, std::nullopt, payload));
        AppendChunks(payload, uint32_t(index * 3 * 1440), chunks);
    }
    ts::Bytes packets = writer.TakeData();
    CAVPlayerRun direct(AV_CODEC_ID_AC3);
    direct.Play(chunks);
    const std::vector<unsigned char> expected = direct.device->GetWritten();

    auto* device = new CMemoryWaveDevice;
    CScriptedClock clock;
    clock.value = int64_t(1) << 31;
    CQueueingAVAudioReceiver receiver(nullptr, AV_CODEC_ID_AC3, std::unique_ptr<CDVBWaveDevice>(device));
    receiver.SetProgramClock(&clock);
    receiver.SetPID(kPid); // starts the decode thread
    ASSERT_TRUE(receiver.IsDecoding());

    // Half the sound, fed no faster than it plays: twenty chunks hold under four frames.
    const size_t packetCount = packets.size() / DVB_PACKET_SIZE;
    const int64_t deadline = GetMonotonicNanoseconds() + 20 * KRX_MONOTONIC_FREQUENCY;
    size_t sent = 0;
    while (device->GetWritten().size() < expected.size() / 2 && GetMonotonicNanoseconds() < deadline) {
        for (; receiver.GetQueuedChunks() < 20 && receiver.GetPendingFrames() < 10 && sent < packetCount; sent++)
            receiver.OnReceivePacket(sent, packets.data() + sent * DVB_PACKET_SIZE);
        while (receiver.GetPendingFrames() > 0)
            receiver.OnEveryMillisecond();
        std::this_thread::yield();
    }
    ASSERT_LT(sent, packetCount) << "the stream must still be going when it is closed";
    receiver.Stop();
    EXPECT_FALSE(receiver.IsDecoding());
    // Its own stop: the output was flushed and closed, as a thread ended by force never does.
    EXPECT_GE(device->CountCalls(CMemoryWaveDevice::Kind::Reset), 1);
    EXPECT_EQ(device->CountCalls(CMemoryWaveDevice::Kind::Close), device->CountCalls(CMemoryWaveDevice::Kind::Open));

    const std::vector<unsigned char> played = device->GetWritten();
    ASSERT_GE(played.size(), expected.size() / 2);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), expected.begin()))
        << "the receiver's PCM differs from the same frames played directly";
}

TEST(AVAudioReceiver, HoldsSecondsOfAACAheadOfTheClockWithoutDroppingAFrame)
{
    // A muxer and a file input reading ahead send AAC seconds before its time: the clock stands still here.
    const ts::Bytes stream = LoadAudioSample("aac_lc_48k.aac");
    ts::Bytes packets = MakeAudioPackets(stream, 1600, 2880);
    auto* device = new CMemoryWaveDevice;
    CScriptedClock clock;
    CQueueingAVAudioReceiver receiver(nullptr, AV_CODEC_ID_AAC, std::unique_ptr<CDVBWaveDevice>(device));
    receiver.SetProgramClock(&clock);
    receiver.SetPID(0x44);
    for (size_t sent = 0; sent < packets.size() / DVB_PACKET_SIZE; sent++)
        receiver.OnReceivePacket(sent, packets.data() + sent * DVB_PACKET_SIZE);

    // Two seconds of AAC are 95 frames, and the last waits to see whether the input goes on.
    const int64_t deadline = GetMonotonicNanoseconds() + 20 * KRX_MONOTONIC_FREQUENCY;
    while (receiver.GetPendingFrames() < 94 && GetMonotonicNanoseconds() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(receiver.GetPendingFrames(), 94);
    EXPECT_EQ(receiver.GetQueuedChunks(), 0);
    receiver.Stop();
}

} // namespace
