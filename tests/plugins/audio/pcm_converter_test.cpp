// The converters must reproduce the decoder's arithmetic bit for bit.
#include "DVBPCMConverter.h"
#include "DVBWaveBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int16_t> Convert16(const std::vector<DVBFixed>& first, const std::vector<DVBFixed>* second, int mode,
    CDVBDitherState* dither, CDVBClipStatistics& statistics, uint32_t gain = DVB_PCM_UNITY_GAIN)
{
    std::vector<unsigned char> bytes(first.size() * 4 + 1, 0xAA);
    const unsigned long written = GetPCMConverter(16)(
        bytes.data(), first.size(), first.data(), second ? second->data() : nullptr, mode, &statistics, dither, gain);
    EXPECT_EQ(written, first.size() * (second ? 4 : 2));
    std::vector<int16_t> samples(written / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    EXPECT_EQ(bytes[written], 0xAA) << "wrote past the samples";
    return samples;
}

TEST(PCMConverter, DitherOfSilenceFromTheInitialStateIsTheKnownSequence)
{
    const std::vector<DVBFixed> silence(8, 0);
    CDVBDitherState dither[2];
    CDVBClipStatistics statistics;
    EXPECT_EQ(Convert16(silence, nullptr, DVB_PCM_DITHER, dither, statistics),
        (std::vector<int16_t> { 1, -1, 1, -1, 0, 0, 0, 1 }));

    // Each channel has its own state: both channels of stereo silence give the same sequence.
    CDVBDitherState stereo[2];
    const std::vector<int16_t> interleaved = Convert16(silence, &silence, DVB_PCM_DITHER, stereo, statistics);
    for (size_t i = 0; i < silence.size(); i++)
        EXPECT_EQ(interleaved[2 * i], interleaved[2 * i + 1]) << "sample " << i;
    EXPECT_EQ(interleaved[0], 1);
}

TEST(PCMConverter, RoundsHalfAwayUpwardAndClipsWithStatistics)
{
    CDVBClipStatistics statistics;
    // 1 << 12 is half a 16-bit step; 0x10000000 is 1.0, one step beyond the largest output.
    const std::vector<DVBFixed> samples { 0, 1 << 12, (1 << 12) - 1, -(1 << 13), 0x10000000, -0x10000000 - 0x2000 };
    EXPECT_EQ(Convert16(samples, nullptr, DVB_PCM_ROUND, nullptr, statistics),
        (std::vector<int16_t> { 0, 1, 0, -1, 32767, -32768 }));
    EXPECT_EQ(statistics.clippedSamples, 2u);
    // The larger excess after rounding: 0x1001 above the top against 0x1000 below the bottom.
    EXPECT_EQ(statistics.peakClipping, 0x1001);
    EXPECT_EQ(statistics.peakSample, 0x10000000);
}

TEST(PCMConverter, DitherClipsFullScaleAndKeepsTheErrorBounded)
{
    const std::vector<DVBFixed> loud(64, 0x7FFFFFFF); // about 8.0, far beyond full scale
    CDVBDitherState dither[2];
    CDVBClipStatistics statistics;
    for (int16_t sample : Convert16(loud, nullptr, DVB_PCM_DITHER, dither, statistics))
        ASSERT_EQ(sample, 32767);
    EXPECT_EQ(statistics.clippedSamples, 64u);
    EXPECT_EQ(statistics.peakSample, DVB_FIXED_MAX);
    // The clipped input must not wind the error feedback up: silence afterwards is near silent.
    const std::vector<DVBFixed> silence(16, 0);
    for (int16_t sample : Convert16(silence, nullptr, DVB_PCM_DITHER, dither, statistics))
        EXPECT_LE(std::abs(sample), 2);
}

TEST(PCMConverter, GainScalesBeforeRoundingAndNeverAddsClipping)
{
    // 0.5, -0.5, full scale (one step beyond the largest output) and the smallest negative.
    const std::vector<DVBFixed> samples { 0x08000000, -0x08000000, 0x10000000, DVB_FIXED_MIN };
    CDVBClipStatistics statistics;
    EXPECT_EQ(Convert16(samples, nullptr, DVB_PCM_ROUND, nullptr, statistics, DVB_PCM_UNITY_GAIN / 4),
        (std::vector<int16_t> { 4096, -4096, 8192, -8192 }));
    EXPECT_EQ(statistics.clippedSamples, 0u);
    // Beyond unity is held at unity: the volume only ever lowers the sound.
    EXPECT_EQ(Convert16(samples, nullptr, DVB_PCM_ROUND, nullptr, statistics, 2 * DVB_PCM_UNITY_GAIN),
        (std::vector<int16_t> { 16384, -16384, 32767, -32768 }));
    EXPECT_EQ(statistics.clippedSamples, 1u) << "only the full-scale sample, as without a gain";
    EXPECT_EQ(Convert16(samples, nullptr, DVB_PCM_ROUND, nullptr, statistics, 0), std::vector<int16_t>(4, 0));
}

TEST(PCMConverter, EachWidthWritesItsByteLayout)
{
    // 0.5 in fixed point and its 8-, 24-bit values.
    const DVBFixed half = 0x08000000;
    CDVBClipStatistics statistics;
    unsigned char bytes[8] = {};

    EXPECT_EQ(
        GetPCMConverter(8)(bytes, 1, &half, nullptr, DVB_PCM_ROUND, &statistics, nullptr, DVB_PCM_UNITY_GAIN), 1u);
    EXPECT_EQ(bytes[0], 0x40 + 0x80); // signed 64, stored offset by 128

    EXPECT_EQ(
        GetPCMConverter(24)(bytes, 1, &half, nullptr, DVB_PCM_ROUND, &statistics, nullptr, DVB_PCM_UNITY_GAIN), 3u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(bytes[2], 0x40);

    EXPECT_EQ(GetPCMConverter(32)(bytes, 1, &half, &half, DVB_PCM_ROUND, &statistics, nullptr, DVB_PCM_UNITY_GAIN), 8u);
    const unsigned char expected32[8] = { 0, 0, 0, 0x40, 0, 0, 0, 0x40 };
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 8), std::vector<unsigned char>(expected32, expected32 + 8));

    EXPECT_EQ(GetPCMConverter(12), nullptr);
    EXPECT_EQ(GetPCMConverter(16)(bytes, 1, &half, nullptr, 7, &statistics, nullptr, DVB_PCM_UNITY_GAIN), 0u);
}

TEST(PCMConverter, TheLargestFrameFitsOneWaveBuffer)
{
    // 1152 stereo samples at 32 bits is the most any MPEG audio frame gives.
    std::vector<DVBFixed> samples(1152, 0x01234567);
    std::vector<unsigned char> bytes(CDVBWaveBuffer::kCapacity);
    CDVBClipStatistics statistics;
    CDVBDitherState dither[2];
    EXPECT_EQ(GetPCMConverter(32)(bytes.data(), 1152, samples.data(), samples.data(), DVB_PCM_DITHER, &statistics,
                  dither, DVB_PCM_UNITY_GAIN),
        CDVBWaveBuffer::kCapacity);
}

} // namespace
