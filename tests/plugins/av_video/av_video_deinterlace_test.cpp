// An interlaced H.264 sample (MBAFF) through the decoder, deinterlaced at
// field rate, against ffmpeg's bwdif on the same stream.
#include "AVVideoTestSupport.h"
#include "FieldRateCheck.h"

#include <gtest/gtest.h>

using namespace av_video_test;

TEST(AVVideoDeinterlacing, AnInterlacedH264StreamMatchesFfmpegsBwdifAtFieldRateInItsDeclaredColours)
{
    constexpr int64_t kPtsBase = 900000;
    CRecordingDisplay display;
    CInlineAVReceiver receiver(DVBVideoCodec::H264, 1);
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(DVBVideoCodec::H264, VideoPackets(SampleUnits("h264_interlaced.ts"), kPtsBase)));

    const std::vector<ts::Bytes> expected
        = FfmpegPictures(SamplePath("h264_interlaced.ts"), 352, 288, "bwdif=mode=send_field");
    ASSERT_EQ(expected.size(), 24u) << "ffmpeg did not deinterlace the sample";
    ExpectFieldRatePictures(display.Frames(), expected, kPtsBase, kFramePeriod);
    // Declared in the VUI, though the picture is SD; the other samples declare
    // nothing and so are BT.601.
    EXPECT_EQ(display.colourSpaces, (std::vector<SDVBColourSpace> { { DVBColourMatrix::BT709, false } }));

    CRecordingDisplay undeclared;
    CInlineAVReceiver plain(DVBVideoCodec::HEVC, 1);
    plain.SetDisplay(&undeclared);
    plain.Feed(Ended(DVBVideoCodec::HEVC, VideoPackets(SampleUnits("hevc_8bit.ts"), kPtsBase)));
    EXPECT_EQ(undeclared.colourSpaces, (std::vector<SDVBColourSpace> { { DVBColourMatrix::BT601, false } }));
}

// HEVC codes an interlaced frame as two field pictures: they are woven back
// into frames and deinterlaced, as ffmpeg's weave and bwdif do.
TEST(AVVideoDeinterlacing, HEVCFieldPicturesAreWovenIntoFramesAndMatchFfmpegsWeaveAndBwdif)
{
    constexpr int64_t kPtsBase = 900000;
    CRecordingDisplay display;
    CInlineAVReceiver receiver(DVBVideoCodec::HEVC, 1);
    receiver.SetDisplay(&display);
    receiver.Feed(Ended(DVBVideoCodec::HEVC, VideoPackets(SampleUnits("hevc_interlaced.ts"), kPtsBase)));

    const std::vector<ts::Bytes> expected = FfmpegPictures(
        SamplePath("hevc_interlaced.ts"), 352, 288, "weave=first_field=top,setfield=tff,bwdif=mode=send_field");
    ASSERT_EQ(expected.size(), 24u) << "ffmpeg did not weave and deinterlace the sample";
    ExpectFieldRatePictures(display.Frames(), expected, kPtsBase, kFramePeriod);
}
