// Cut, corrupt and truncated streams and streams that are no sound at all
// must neither crash nor hang the decoder, nor come out as a burst of noise;
// frames the decoder cannot vouch for are dropped. AAC carries no check of
// its own: damaged spectral data that still parses decodes to a garble at
// about the level of the sound around it, so loudness is allowed 2 dB over
// the clean sound's loudest stretch (a burst is many times louder).
#include "AVAudioTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

constexpr double kLoudnessMargin = 1.25;

struct SSample {
    const char* name;
    AVCodecID codec;
};

// The loudest stretch of 1024 stereo samples, by RMS.
double LoudestStretch(const std::vector<int16_t>& samples)
{
    constexpr size_t values = 1024 * 2;
    double loudest = 0;
    for (size_t start = 0; start + values <= samples.size(); start += values) {
        double energy = 0;
        for (size_t i = start; i < start + values; i++)
            energy += double(samples[i]) * samples[i];
        loudest = std::max(loudest, std::sqrt(energy / values));
    }
    return loudest;
}

class AVBadStreamTest : public ::testing::TestWithParam<SSample>
{
protected:
    void SetUp() override
    {
        sample = LoadAudioSample(GetParam().name);
        CAVPlayerRun clean(GetParam().codec);
        clean.Play(MakeChunks(sample));
        cleanLoudness = LoudestStretch(ToSamples(clean.device->GetWritten()));
        cleanFrames = clean.frames;
        ASSERT_GT(cleanLoudness, 2000);
    }

    // Plays the stream, checks the decoder finished and nothing burst out.
    void PlayAndCheck(const ts::Bytes& stream)
    {
        run.Play(MakeChunks(stream));
        EXPECT_EQ(run.device->CountCalls(CMemoryWaveDevice::Kind::Close),
            run.device->CountCalls(CMemoryWaveDevice::Kind::Open))
            << "the decoder did not finish";
        EXPECT_LE(LoudestStretch(ToSamples(run.device->GetWritten())), cleanLoudness * kLoudnessMargin);
    }

    ts::Bytes sample;
    double cleanLoudness = 0;
    unsigned long cleanFrames = 0;
    CAVPlayerRun run { GetParam().codec };
};

TEST_P(AVBadStreamTest, CutsInMidFrameLoseOnlyTheFramesTheyTouch)
{
    // Three cuts, each dropping a stretch that begins and ends inside a frame.
    ts::Bytes cut;
    const size_t third = sample.size() / 3;
    for (size_t part = 0; part < 3; part++)
        cut.insert(cut.end(), sample.begin() + part * third, sample.begin() + part * third + third / 2 + 97);
    PlayAndCheck(cut);
    EXPECT_GE(run.dropped, 3u) << "each cut leaves a frame that runs into the next";
    EXPECT_GT(run.frames - run.dropped, cleanFrames / 3) << "the frames between the cuts play";
}

TEST_P(AVBadStreamTest, CorruptBytesAreNeverHeardAsNoise)
{
    ts::Bytes corrupt = sample;
    std::mt19937 random(11);
    for (size_t offset = 300; offset + 40 < corrupt.size(); offset += 2500)
        for (size_t i = 0; i < 40; i++)
            corrupt[offset + i] = static_cast<unsigned char>(random());
    PlayAndCheck(corrupt);
    EXPECT_GT(run.frames - run.dropped, 0u);
}

TEST_P(AVBadStreamTest, AStreamEndingInMidFrameEndsWithoutItsLastFrame)
{
    PlayAndCheck(ts::Bytes(sample.begin(), sample.begin() + sample.size() * 2 / 3 + 101));
    EXPECT_EQ(run.output.Configures().size(), 1u);
}

TEST_P(AVBadStreamTest, NoiseAndSilenceDecodeToNothing)
{
    ts::Bytes noise(20000);
    std::mt19937 random(5);
    for (unsigned char& byte : noise)
        byte = static_cast<unsigned char>(random());
    noise.insert(noise.end(), 5000, 0);
    run.Play(MakeChunks(noise));
    EXPECT_LE(LoudestStretch(ToSamples(run.device->GetWritten())), cleanLoudness * kLoudnessMargin);
}

INSTANTIATE_TEST_SUITE_P(Samples, AVBadStreamTest,
    ::testing::Values(SSample { "aac_lc_48k.aac", AV_CODEC_ID_AAC },
        SSample { "aac_latm_48k.latm", AV_CODEC_ID_AAC_LATM }, SSample { "ac3_stereo_48k.ac3", AV_CODEC_ID_AC3 },
        SSample { "eac3_5.1_48k.eac3", AV_CODEC_ID_EAC3 }),
    [](const auto& info) { return std::string(avcodec_get_name(info.param.codec)); });

} // namespace
