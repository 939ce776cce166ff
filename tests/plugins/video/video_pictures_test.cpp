// The pictures the video receiver presents for a sample, against ffmpeg's
// decode of the same elementary stream.
#include "VideoTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>

using namespace video_test;

namespace {

constexpr int64_t kPtsBase = 900000;

// ffmpeg's pictures of a sample, in display order, as packed 4:2:0 planes.
std::vector<ts::Bytes> FfmpegPictures(const std::string& name, int width, int height)
{
    const std::string command = "ffmpeg -nostdin -v error -i '" + std::string(KRX_VIDEO_SAMPLES) + "/" + name
        + "' -f rawvideo -pix_fmt yuv420p -";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<ts::Bytes> pictures;
    if (!pipe)
        return pictures;
    const size_t size = size_t(width) * height * 3 / 2;
    for (;;) {
        ts::Bytes picture(size);
        if (fread(picture.data(), 1, size, pipe.get()) != size)
            break;
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

double Psnr(const ts::Bytes& a, const ts::Bytes& b)
{
    double squares = 0;
    for (size_t i = 0; i < a.size(); i++) {
        const double difference = double(a[i]) - double(b[i]);
        squares += difference * difference;
    }
    if (squares == 0)
        return INFINITY;
    return 10 * std::log10(255.0 * 255.0 / (squares / double(a.size())));
}

} // namespace

TEST(VideoPictures, EveryPictureOfTheSampleInDisplayOrderMatchesFfmpeg)
{
    CRecordingDisplay display;
    CInlineVideoReceiver receiver;
    receiver.SetDisplay(&display);
    receiver.Feed(SamplePackets("motion.m2v", kPtsBase));

    const std::vector<ts::Bytes> expected = FfmpegPictures("motion.m2v", 720, 576);
    ASSERT_EQ(expected.size(), 150u) << "ffmpeg did not decode the sample";
    const std::vector<CRecordingDisplay::Frame> frames = display.Frames();
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t i = 0; i < frames.size(); i++) {
        SCOPED_TRACE("picture " + std::to_string(i));
        ASSERT_EQ(frames[i].width, 720);
        ASSERT_EQ(frames[i].height, 576);
        // One frame apart in display order: none missing, repeated or out of order.
        EXPECT_EQ(frames[i].time, kPtsBase + int64_t(i) * 3600);
        EXPECT_GE(Psnr(frames[i].planes, expected[i]), 35.0);
    }
    // The sample is 16:9, told once, before the first picture.
    EXPECT_EQ(display.aspectRatios, (std::vector<std::pair<int, int>> { { 16, 9 } }));
}
