// Damaged streams and streams that are not audio must neither crash nor hang
// the decoder, nor come out as noise louder than the sound around them. A
// frame's loudness is its RMS: a gap in the stream leaves a click where the
// sound resumes, which is not a burst of noise.
#include "AudioTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <random>

namespace {

class BadStreamTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frames = SplitFrames(LoadAudioSample("stereo_48k_192k.mp2"));
        CPlayerRun clean;
        clean.Play(MakeChunks(JoinFrames(frames)));
        cleanLoudness = LoudestFrame(ToSamples(clean.device->GetWritten()));
        ASSERT_GT(cleanLoudness, 4000);
    }

    static double LoudestFrame(const std::vector<int16_t>& samples)
    {
        constexpr size_t frameValues = 1152 * 2;
        double loudest = 0;
        for (size_t start = 0; start + frameValues <= samples.size(); start += frameValues) {
            double energy = 0;
            for (size_t i = start; i < start + frameValues; i++)
                energy += double(samples[i]) * samples[i];
            loudest = std::max(loudest, std::sqrt(energy / frameValues));
        }
        return loudest;
    }

    // Plays the stream and checks the decoder ended and no frame was louder than the clean sound's loudest.
    CPlayerRun& PlayAndCheck(const ts::Bytes& stream)
    {
        run.Play(MakeChunks(stream));
        EXPECT_EQ(run.device->CountCalls(CMemoryWaveDevice::Kind::Close),
            run.device->CountCalls(CMemoryWaveDevice::Kind::Open))
            << "the decoder did not finish";
        EXPECT_LE(LoudestFrame(ToSamples(run.device->GetWritten())), cleanLoudness * 1.05);
        return run;
    }

    std::vector<ts::Bytes> frames;
    double cleanLoudness = 0;
    CPlayerRun run;
};

TEST_F(BadStreamTest, AFrameFailingItsCRCIsNotPlayed)
{
    // Mark frame 10 as protected and give it a CRC word that cannot match,
    // keeping its length: the header says 576 bytes, so two go from its end.
    ts::Bytes& damaged = frames[10];
    damaged[1] &= 0xFE;
    damaged.insert(damaged.begin() + 4, { 0x00, 0x00 });
    damaged.resize(damaged.size() - 2);
    PlayAndCheck(JoinFrames(frames));
    const std::vector<uint32_t> times = run.output.PlayTimes();
    EXPECT_EQ(times.size(), frames.size() - 1);
}

TEST_F(BadStreamTest, GarbageBetweenFramesIsPassedOver)
{
    std::mt19937 random(12);
    ts::Bytes garbage(20000);
    for (uint8_t& byte : garbage)
        byte = static_cast<uint8_t>(random());
    std::vector<ts::Bytes> stream(frames.begin(), frames.begin() + 40);
    stream.push_back(garbage);
    stream.insert(stream.end(), frames.begin() + 40, frames.end());
    PlayAndCheck(JoinFrames(stream));
    EXPECT_GE(run.output.PlayTimes().size(), frames.size() - 2);
}

TEST_F(BadStreamTest, TruncatedFramesAreSurvived)
{
    std::vector<ts::Bytes> cut = frames;
    for (size_t i = 5; i < cut.size(); i += 7)
        cut[i].resize(cut[i].size() / 3);
    PlayAndCheck(JoinFrames(cut));
    EXPECT_GE(run.output.PlayTimes().size(), frames.size() / 2);
}

TEST_F(BadStreamTest, AVideoStreamPlaysNothingLoud)
{
    std::ifstream file(std::string(KRX_AUDIO_DATA_DIR) + "/../demo/video.m2v", std::ios::binary);
    ts::Bytes video(std::istreambuf_iterator<char>(file), {});
    ASSERT_GT(video.size(), 200000u);
    video.resize(200000);
    PlayAndCheck(video);
}

} // namespace
