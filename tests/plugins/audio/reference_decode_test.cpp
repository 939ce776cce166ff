// The decoded sound must match an independent decoder's: ffmpeg's decode of
// each committed sample, aligned, within 50 dB signal-to-noise (the two
// decoders and the 16-bit dither differ by far less than that).
#include "AudioTestSupport.h"

#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

std::vector<int16_t> DecodeWithFfmpeg(const std::string& sample, const TemporaryFolder& folder)
{
    const CString output = folder.File("reference.raw");
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + std::string(KRX_AUDIO_DATA_DIR) + "/" + sample
        + "' -f s16le -acodec pcm_s16le '" + output + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("ffmpeg failed on " + sample);
    std::ifstream file(output, std::ios::binary);
    return ToSamples(std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {}));
}

// Signal-to-noise in dB of ours against the reference, ours shifted by shift values.
double SignalToNoise(const std::vector<int16_t>& reference, const std::vector<int16_t>& ours, long shift)
{
    double signal = 0, noise = 0;
    for (size_t i = 0; i < reference.size(); i++) {
        const long j = long(i) + shift;
        if (j < 0 || j >= long(ours.size()))
            continue;
        signal += double(reference[i]) * reference[i];
        const double difference = double(reference[i]) - ours[size_t(j)];
        noise += difference * difference;
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

class ReferenceDecodeTest : public ::testing::TestWithParam<std::pair<const char*, int>>
{
};

TEST_P(ReferenceDecodeTest, MatchesFfmpegWithinFiftyDecibels)
{
    const auto [sample, channels] = GetParam();
    TemporaryFolder folder;
    const std::vector<int16_t> reference = DecodeWithFfmpeg(sample, folder);
    CPlayerRun run;
    run.Play(MakeChunks(LoadAudioSample(sample)));
    const std::vector<int16_t> ours = ToSamples(run.device->GetWritten());
    // Frames still queued at the end of input are not played: most of the sample must be there.
    ASSERT_GT(ours.size(), reference.size() * 9 / 10);

    // Both decoders start at the same sample; a small search shows it if not.
    double best = -100;
    long bestShift = 0;
    for (long shift = -64 * channels; shift <= 64 * channels; shift += channels) {
        const double snr = SignalToNoise(reference, ours, shift);
        if (snr > best)
            best = snr, bestShift = shift;
    }
    EXPECT_GE(best, 50.0) << sample << " best at a shift of " << bestShift / channels << " samples";
}

INSTANTIATE_TEST_SUITE_P(Samples, ReferenceDecodeTest,
    ::testing::Values(std::pair { "stereo_48k_192k.mp2", 2 }, std::pair { "stereo_44k_160k.mp2", 2 },
        std::pair { "stereo_32k_384k.mp2", 2 }, std::pair { "mono_48k_96k.mp2", 1 }));

} // namespace
