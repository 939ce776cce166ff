// The decode loop on the committed samples: time stamps carried to frames,
// channel choice, reconfiguration, frames of every legal size, and streams
// that are damaged or not audio at all.
#include "AudioTestSupport.h"

#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr uint32_t kFrame48k = 1079; // 1152 samples at 48 kHz, in 45 kHz ticks as the decoder counts them

uint32_t DurationOf(unsigned int samples, unsigned int rate)
{
    mad_timer_t duration;
    mad_timer_set(&duration, 0, samples, rate);
    return CDVBAudioPlayer::GetDuration(duration);
}

TEST(AudioPlayer, FrameDurationsAreTruncatedAsTheDecoderCountsThem)
{
    EXPECT_EQ(DurationOf(1152, 48000), 1079u);
    EXPECT_EQ(DurationOf(1152, 44100), 1175u);
    EXPECT_EQ(DurationOf(1152, 32000), 1619u);
}

TEST(AudioPlayer, APESTimeStampGoesToTheFirstFrameThatStartsAfterIt)
{
    const std::vector<ts::Bytes> frames = SplitFrames(LoadAudioSample("stereo_48k_192k.mp2"));
    // PES packets of three frames, and of one frame as broadcasts send them
    // (the next packet's stamp then arrives before the frame in progress is
    // whole), whose stamps run 21 ticks per frame ahead of the decoder's own
    // count, so stamped and extrapolated times differ.
    const uint32_t first = 90000;
    for (const uint32_t perPacket : { 3u, 1u }) {
        CPlayerRun run;
        run.Play(MakeChunks(frames, int(perPacket), first, kFrame48k + 21));
        const std::vector<uint32_t> times = run.output.PlayTimes();
        ASSERT_GE(times.size(), 9u);
        for (uint32_t frame = 0; frame < 9; frame++) {
            const uint32_t packetTime = first + (frame / perPacket) * perPacket * (kFrame48k + 21);
            EXPECT_EQ(times[frame], packetTime + (frame % perPacket) * kFrame48k)
                << "frame " << frame << ", " << perPacket << " per packet";
        }
    }
}

TEST(AudioPlayer, DualChannelPlaysTheFirstChannelAloneAndSaysSoOnce)
{
    std::vector<ts::Bytes> frames = SplitFrames(LoadAudioSample("stereo_48k_192k.mp2"));
    for (ts::Bytes& frame : frames)
        frame[3] = static_cast<uint8_t>((frame[3] & 0x3F) | 0x80); // mode: dual channel
    int reports = 0;
    const DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) {
        reports += text.find("no channel selected for dual channel; using first") != CString::npos;
    });
    CPlayerRun run;
    run.Play(MakeChunks(JoinFrames(frames)));
    SetDebugOutputSink(previous);

    EXPECT_EQ(reports, 1);
    const auto& sent = run.output.sent;
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[1].code, DVB_AUDIO_CONFIGURE);
    EXPECT_EQ(sent[1].channels, 1u);
    for (const CSentCommand& command : sent)
        EXPECT_FALSE(command.code == DVB_AUDIO_PLAY && command.stereo);
}

TEST(AudioPlayer, ARateChangeConfiguresBeforeTheFirstFrameAtTheNewRate)
{
    const std::vector<ts::Bytes> first = SplitFrames(LoadAudioSample("stereo_48k_192k.mp2"));
    const std::vector<ts::Bytes> second = SplitFrames(LoadAudioSample("mono_48k_96k.mp2"));
    const std::vector<ts::Bytes> third = SplitFrames(LoadAudioSample("stereo_44k_160k.mp2"));
    CPlayerRun run;
    std::vector<ts::Bytes> all = first;
    all.insert(all.end(), second.begin(), second.end());
    all.insert(all.end(), third.begin(), third.end());
    run.Play(MakeChunks(JoinFrames(all)));

    std::vector<std::pair<unsigned int, unsigned int>> formats;
    std::vector<size_t> playsBefore;
    size_t plays = 0;
    for (const CSentCommand& command : run.output.sent) {
        if (command.code == DVB_AUDIO_CONFIGURE) {
            formats.emplace_back(command.channels, command.rate);
            playsBefore.push_back(plays);
        }
        plays += command.code == DVB_AUDIO_PLAY;
    }
    using Formats = std::vector<std::pair<unsigned int, unsigned int>>;
    EXPECT_EQ(formats, (Formats { { 2, 48000 }, { 1, 48000 }, { 2, 44100 } }));
    EXPECT_EQ(playsBefore, (std::vector<size_t> { 0, first.size(), first.size() + second.size() }));
    EXPECT_EQ(plays, first.size() + second.size() + third.size());
}

TEST(AudioPlayer, FramesLargerThanAKilobyteAreAllPlayed)
{
    // 384 kbit/s at 32 kHz: 1728-byte frames, the largest Layer II has.
    const std::vector<ts::Bytes> frames = SplitFrames(LoadAudioSample("stereo_32k_384k.mp2"));
    ASSERT_EQ(frames[0].size(), 1728u);
    CPlayerRun run;
    run.Play(MakeChunks(JoinFrames(frames)));
    EXPECT_EQ(run.output.PlayTimes().size(), frames.size());
}

} // namespace
