// An interlaced H.264 sample (MBAFF) through the decoder, deinterlaced at
// field rate, against ffmpeg's bwdif on the same stream.
#include "AVVideoTestSupport.h"
#include "FieldRateCheck.h"

#include <gtest/gtest.h>

using namespace av_video_test;

TEST(AVVideoDeinterlacing, AnInterlacedH264StreamMatchesFfmpegsBwdifAtFieldRate)
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
}
