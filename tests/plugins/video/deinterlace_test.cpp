// Interlaced MPEG-2 samples through the video receiver, deinterlaced at field
// rate, against ffmpeg's bwdif on the same elementary stream.
#include "FieldRateCheck.h"
#include "VideoTestSupport.h"

#include "plugin/KRXDeinterlace.h"

#include <gtest/gtest.h>

using namespace video_test;

namespace {

constexpr int64_t kPtsBase = 900000;
constexpr int64_t kFramePeriod = 3600;

class Deinterlacing : public testing::Test
{
protected:
    ~Deinterlacing() override { CKRXDeinterlace::Set(CKRXDeinterlace::Auto); }

    static std::vector<CRecordingDisplay::Frame> Played(
        const std::string& name, std::vector<SDVBColourSpace>* colourSpaces = nullptr)
    {
        CRecordingDisplay display;
        CInlineVideoReceiver receiver;
        receiver.SetDisplay(&display);
        receiver.Feed(SamplePackets(name, kPtsBase));
        if (colourSpaces)
            *colourSpaces = display.colourSpaces;
        return display.Frames();
    }
};

} // namespace

TEST_F(Deinterlacing, BothFieldOrdersMatchFfmpegsBwdifAtFieldRateWithTheFieldsTimesAndTheDeclaredColours)
{
    // The first sample declares BT.709, the second nothing: SD is then BT.601.
    const std::pair<const char*, DVBColourMatrix> samples[]
        = { { "interlaced_top.m2v", DVBColourMatrix::BT709 }, { "interlaced_bottom.m2v", DVBColourMatrix::BT601 } };
    for (const auto& [name, matrix] : samples) {
        SCOPED_TRACE(name);
        const std::vector<ts::Bytes> expected = FfmpegPictures(SamplePath(name), 720, 576, "bwdif=mode=send_field");
        ASSERT_EQ(expected.size(), 24u) << "ffmpeg did not deinterlace the sample";
        std::vector<SDVBColourSpace> colourSpaces;
        ExpectFieldRatePictures(Played(name, &colourSpaces), expected, kPtsBase, kFramePeriod);
        EXPECT_EQ(colourSpaces, (std::vector<SDVBColourSpace> { { matrix, false } }));
    }
}

TEST_F(Deinterlacing, OffAndProgressivePicturesPassUntouchedAtFrameRate)
{
    CKRXDeinterlace::Set(CKRXDeinterlace::Off);
    const std::vector<CRecordingDisplay::Frame> off = Played("interlaced_top.m2v");
    const std::vector<ts::Bytes> decoded = FfmpegPictures(SamplePath("interlaced_top.m2v"), 720, 576);
    ASSERT_EQ(off.size(), 12u);
    for (size_t i = 0; i < off.size(); i++)
        EXPECT_GE(Psnr(off[i].planes, decoded[i]), 40.0) << "picture " << i;

    // Interlaced top first, progressive, interlaced bottom first, 4 pictures
    // each: the progressive ones come once, untouched, right after the last
    // fields of the first part.
    CKRXDeinterlace::Set(CKRXDeinterlace::Auto);
    const std::vector<CRecordingDisplay::Frame> switching = Played("interlace_switch.m2v");
    const std::vector<ts::Bytes> frames = FfmpegPictures(SamplePath("interlace_switch.m2v"), 352, 288);
    ASSERT_EQ(frames.size(), 12u);
    ASSERT_EQ(switching.size(), 20u);
    std::vector<int64_t> times;
    for (const CRecordingDisplay::Frame& frame : switching)
        times.push_back(frame.time - kPtsBase);
    const std::vector<int64_t> expectedTimes { 0, 1800, 3600, 5400, 7200, 9000, 10800, 12600, 14400, 18000, 21600,
        25200, 28800, 30600, 32400, 34200, 36000, 37800, 39600, 41400 };
    EXPECT_EQ(times, expectedTimes);
    for (size_t i = 0; i < 4; i++)
        EXPECT_GE(Psnr(switching[8 + i].planes, frames[4 + i]), 40.0) << "progressive picture " << i;
    // The last part's field order is its own: against the parts deinterlaced
    // by ffmpeg on their own, the bottom-first part's fields match.
    const std::vector<ts::Bytes> fields
        = FfmpegPictures(SamplePath("interlace_switch.m2v"), 352, 288, "bwdif=mode=send_field:deint=interlaced");
    ASSERT_EQ(fields.size(), 20u);
    for (size_t i = 14; i < 20; i++)
        EXPECT_GE(Psnr(switching[i].planes, fields[i]), 40.0) << "picture " << i;
}
