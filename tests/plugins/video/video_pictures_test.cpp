// The pictures the video receiver presents for a sample, against ffmpeg's
// decode of the same elementary stream.
#include "VideoTestSupport.h"

#include <gtest/gtest.h>

using namespace video_test;

namespace {

constexpr int64_t kFirstPts = 900000;

} // namespace

TEST(VideoPictures, EveryPictureOfTheSampleInDisplayOrderMatchesFfmpeg)
{
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(SamplePackets("motion.m2v", kFirstPts));

    const std::vector<ts::Bytes> expected = FfmpegPictures(SamplePath("motion.m2v"), 720, 576);
    ASSERT_EQ(expected.size(), 150u) << "ffmpeg did not decode the sample";
    const std::vector<CRecordingDisplay::Frame> frames = display.Frames();
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t i = 0; i < frames.size(); i++) {
        SCOPED_TRACE("picture " + std::to_string(i));
        ASSERT_EQ(frames[i].width, 720);
        ASSERT_EQ(frames[i].height, 576);
        // One frame apart in display order: none missing, repeated or out of order.
        EXPECT_EQ(frames[i].time, kFirstPts + int64_t(i) * 3600);
        EXPECT_GE(Psnr(frames[i].planes, expected[i]), 35.0);
    }
    // The sample is 16:9, told once, before the first picture.
    EXPECT_EQ(display.aspectRatios, (std::vector<std::pair<int, int>> { { 16, 9 } }));
}
