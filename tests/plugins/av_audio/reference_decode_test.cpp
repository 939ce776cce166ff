// Each committed sample decodes to what ffmpeg decodes from it, downmixed to
// stereo the same way, within 50 dB signal-to-noise after alignment (the
// 16-bit dither alone stays far below that).
#include "AVAudioTestSupport.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace {

struct SDecodedSample {
    const char* name;
    AVCodecID codec;
};

class AVReferenceDecodeTest : public ::testing::TestWithParam<SDecodedSample>
{
};

TEST_P(AVReferenceDecodeTest, MatchesFfmpegWithinFiftyDecibels)
{
    const SDecodedSample sample = GetParam();
    TemporaryFolder folder;
    const std::vector<int16_t> reference = DecodeWithFfmpeg(sample.name, folder.File("reference.raw"), "-ac 2");
    CAVPlayerRun run(sample.codec);
    run.Play(MakeChunks(LoadAudioSample(sample.name)));
    EXPECT_EQ(run.dropped, 0u);
    for (const CSentCommand& configure : run.output.Configures())
        EXPECT_EQ(configure.channels, 2u);
    unsigned long played = 0;
    for (const CSentCommand& command : run.output.sent)
        played += command.code == DVB_AUDIO_PLAY ? command.count : 0;
    EXPECT_EQ(played * 2, reference.size()) << "every frame is decoded, the last one too";
    // The frames decoded after the last read stay pending: the rest reached the device.
    const std::vector<int16_t> ours = ToSamples(run.device->GetWritten());
    ASSERT_GT(ours.size(), reference.size() * 9 / 10);
    const CAlignment best = AlignAndCompare(reference, ours, 2, 64);
    EXPECT_EQ(best.shift, 0);
    EXPECT_GE(best.snr, 50.0) << sample.name;
}

INSTANTIATE_TEST_SUITE_P(Samples, AVReferenceDecodeTest,
    ::testing::Values(SDecodedSample { "aac_lc_48k.aac", AV_CODEC_ID_AAC },
        SDecodedSample { "aac_latm_48k.latm", AV_CODEC_ID_AAC_LATM },
        SDecodedSample { "ac3_stereo_48k.ac3", AV_CODEC_ID_AC3 },
        SDecodedSample { "eac3_5.1_48k.eac3", AV_CODEC_ID_EAC3 }),
    [](const auto& info) { return std::string(avcodec_get_name(info.param.codec)); });

} // namespace
