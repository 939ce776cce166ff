// The decoder's timing and its response to what a broadcast changes in
// mid-stream: PES stamps land on the frames they belong to, and a change of
// sample rate, channel count or codec reconfigures the output without losing
// a frame.
#include "AVAudioTestSupport.h"

#include <gtest/gtest.h>

namespace {

// AC-3 at 192 kbit/s and 48 kHz: every frame 768 bytes and 1536 samples (1440 ticks at 45 kHz).
constexpr size_t kAC3FrameSize = 768;
constexpr uint32_t kAC3FrameTicks = 1440;

unsigned long PlayedSamples(const CRecordingWaveOutput& output)
{
    unsigned long samples = 0;
    for (const CSentCommand& command : output.sent)
        samples += command.code == DVB_AUDIO_PLAY ? command.count : 0;
    return samples;
}

TEST(AVAudioPlayer, AStampBelongsToTheFirstFrameStartingAfterItsPacketBegins)
{
    // PES packets of 1000 bytes begin at 0, 1000, 2000, ...; frames at 0, 768, 1536, ...
    const ts::Bytes stream = LoadAudioSample("ac3_stereo_48k.ac3");
    std::vector<CAudioChunk> chunks;
    auto stamp = [](size_t packet) { return uint32_t(100000 + 7777 * packet); };
    for (size_t offset = 0; offset < 5000; offset += 1000)
        AppendChunks(ts::Bytes(stream.begin() + offset, stream.begin() + offset + 1000), stamp(offset / 1000), chunks);
    AppendChunks(ts::Bytes(stream.begin() + 5000, stream.begin() + 9 * kAC3FrameSize), std::nullopt, chunks);

    CAVPlayerRun run(AV_CODEC_ID_AC3);
    run.Play(chunks);
    const std::vector<uint32_t> expected = {
        stamp(0), // frame at 0: the packet at 0
        stamp(0) + kAC3FrameTicks, // 768: no packet began since frame 0
        stamp(1), // 1536: the packet at 1000
        stamp(2), // 2304: the packet at 2000
        stamp(3), // 3072: the packet at 3000
        stamp(3) + kAC3FrameTicks, // 3840: none
        stamp(4), // 4608: the packet at 4000
        stamp(4) + kAC3FrameTicks, // 5376: the unstamped rest follows on
        stamp(4) + 2 * kAC3FrameTicks, // 6144: the last frame, given up at the end of input
    };
    EXPECT_EQ(run.output.PlayTimes(), expected);
}

TEST(AVAudioPlayer, RateAndChannelChangesReconfigureTheOutputAndLoseNoFrame)
{
    const ts::Bytes stereo = LoadAudioSample("aac_lc_48k.aac");
    const ts::Bytes mono = LoadAudioSample("aac_lc_44k_mono.aac");
    ts::Bytes spliced = stereo;
    spliced.insert(spliced.end(), mono.begin(), mono.end());
    spliced.insert(spliced.end(), stereo.begin(), stereo.end());

    CAVPlayerRun run(AV_CODEC_ID_AAC);
    run.Play(MakeChunks(spliced));
    EXPECT_EQ(run.dropped, 0u);
    const std::vector<CSentCommand> configures = run.output.Configures();
    ASSERT_EQ(configures.size(), 3u);
    EXPECT_EQ(configures[0].channels, 2u);
    EXPECT_EQ(configures[0].rate, 48000u);
    EXPECT_EQ(configures[1].channels, 1u);
    EXPECT_EQ(configures[1].rate, 44100u);
    EXPECT_EQ(configures[2].channels, 2u);
    EXPECT_EQ(configures[2].rate, 48000u);
    // Every frame is played in the format last configured.
    unsigned int channels = 0;
    for (const CSentCommand& command : run.output.sent) {
        if (command.code == DVB_AUDIO_CONFIGURE) {
            channels = command.channels;
        } else if (command.code == DVB_AUDIO_PLAY) {
            EXPECT_EQ(command.stereo, channels == 2);
        }
    }
    EXPECT_EQ(PlayedSamples(run.output), run.frames * 1024);
}

TEST(AVAudioPlayer, AnAC3StreamTurningIntoEAC3SurroundGoesOnInStereo)
{
    ts::Bytes spliced = LoadAudioSample("ac3_stereo_48k.ac3");
    const ts::Bytes surround = LoadAudioSample("eac3_5.1_48k.eac3");
    spliced.insert(spliced.end(), surround.begin(), surround.end());

    CAVPlayerRun run(AV_CODEC_ID_AC3);
    run.Play(MakeChunks(spliced));
    EXPECT_EQ(run.dropped, 0u);
    ASSERT_EQ(run.output.Configures().size(), 1u) << "the downmix keeps the output as it was";
    EXPECT_EQ(run.output.Configures()[0].channels, 2u);
    EXPECT_EQ(PlayedSamples(run.output), run.frames * 1536);
}

} // namespace
