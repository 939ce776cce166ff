// The pictures the H.264/HEVC decoder presents for each sample, against
// ffmpeg's decode of the same stream: depths and chroma layouts all come out
// as 8-bit 4:2:0, in display order, with their own times and shape.
#include "AVVideoPictureCheck.h"

#include <gtest/gtest.h>

using namespace av_video_test;

namespace {

constexpr int64_t kPtsBase = 900000;

struct Sample {
    const char* name;
    DVBVideoCodec codec;
    size_t pictures;
    std::pair<int, int> aspectRatio;
};

class AVVideoPictures : public testing::TestWithParam<Sample>
{
};

} // namespace

TEST_P(AVVideoPictures, EveryPictureInDisplayOrderMatchesFfmpeg)
{
    const Sample& sample = GetParam();
    CRecordingDisplay display;
    CInlineAVReceiver receiver(sample.codec, 1);
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(sample.codec, VideoPackets(SampleUnits(sample.name), kPtsBase)));

    const std::vector<ts::Bytes> expected = FfmpegPictures(SamplePath(sample.name), 352, 288);
    ASSERT_EQ(expected.size(), sample.pictures) << "ffmpeg did not decode the sample";
    const std::vector<CRecordingDisplay::Frame> frames = display.Frames();
    for (const CRecordingDisplay::Frame& frame : frames)
        ASSERT_EQ(std::make_pair(frame.width, frame.height), std::make_pair(352, 288));
    ExpectPicturesFrom(frames, expected, kPtsBase, 0);
    // Told once, before the first picture.
    EXPECT_EQ(display.aspectRatios, (std::vector<std::pair<int, int>> { sample.aspectRatio }));
}

INSTANTIATE_TEST_SUITE_P(Samples, AVVideoPictures,
    testing::Values(Sample { "h264_8bit.ts", DVBVideoCodec::H264, 50, { 16, 9 } },
        Sample { "h264_10bit.ts", DVBVideoCodec::H264, 50, { 16, 9 } },
        Sample { "h264_422.ts", DVBVideoCodec::H264, 25, { 11, 9 } },
        Sample { "hevc_8bit.ts", DVBVideoCodec::HEVC, 50, { 16, 9 } },
        Sample { "hevc_10bit.ts", DVBVideoCodec::HEVC, 50, { 16, 9 } }),
    [](const testing::TestParamInfo<Sample>& info) {
        std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

TEST(AVVideoPictures, AllLibavcodecThreadsGiveTheSamePicturesAsOne)
{
    // Frame threads hold pictures back; the end of the stream must still give up all of them.
    CRecordingDisplay display;
    CInlineAVReceiver receiver(DVBVideoCodec::HEVC, 4);
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(DVBVideoCodec::HEVC, VideoPackets(SampleUnits("hevc_8bit.ts"), kPtsBase)));
    ExpectPicturesFrom(display.Frames(), FfmpegPictures(SamplePath("hevc_8bit.ts"), 352, 288), kPtsBase, 0);
}
