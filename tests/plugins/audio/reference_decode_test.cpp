// The decoded sound must match an independent decoder's: ffmpeg's decode of
// each committed sample, aligned, within 50 dB signal-to-noise (the two
// decoders and the 16-bit dither differ by far less than that).
#include "AudioTestSupport.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

namespace {

class ReferenceDecodeTest : public ::testing::TestWithParam<std::pair<const char*, int>>
{
};

TEST_P(ReferenceDecodeTest, MatchesFfmpegWithinFiftyDecibels)
{
    const auto [sample, channels] = GetParam();
    TemporaryFolder folder;
    const std::vector<int16_t> reference = DecodeWithFfmpeg(sample, folder.File("reference.raw"), "");
    CPlayerRun run;
    run.Play(MakeChunks(LoadAudioSample(sample)));
    const std::vector<int16_t> ours = ToSamples(run.device->GetWritten());
    // Frames still queued at the end of input are not played: most of the sample must be there.
    ASSERT_GT(ours.size(), reference.size() * 9 / 10);

    // Both decoders start at the same sample; a small search shows it if not.
    const CAlignment best = AlignAndCompare(reference, ours, channels, 64);
    EXPECT_GE(best.snr, 50.0) << sample << " best at a shift of " << best.shift << " samples";
}

INSTANTIATE_TEST_SUITE_P(Samples, ReferenceDecodeTest,
    ::testing::Values(std::pair { "stereo_48k_192k.mp2", 2 }, std::pair { "stereo_44k_160k.mp2", 2 },
        std::pair { "stereo_32k_384k.mp2", 2 }, std::pair { "mono_48k_96k.mp2", 1 }));

} // namespace
