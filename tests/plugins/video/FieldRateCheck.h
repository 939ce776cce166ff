#pragma once
// Deinterlaced pictures against ffmpeg's deinterlacing of the same sample.
#include "VideoRecording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace video_test {

// As many pictures, two per frame from the first time on, and at least 90%
// within 40 dB.
inline void ExpectFieldRatePictures(const std::vector<CRecordingDisplay::Frame>& frames,
    const std::vector<ts::Bytes>& expected, int64_t firstTime, int64_t framePeriod)
{
    ASSERT_EQ(frames.size(), expected.size());
    size_t close = 0;
    double lowest = INFINITY;
    for (size_t i = 0; i < frames.size(); i++) {
        SCOPED_TRACE("picture " + std::to_string(i));
        EXPECT_EQ(frames[i].time, (firstTime + int64_t(i) * framePeriod / 2) & kTimeMask);
        const double psnr = Psnr(frames[i].planes, expected[i]);
        close += psnr >= 40.0;
        lowest = std::min(lowest, psnr);
    }
    EXPECT_GE(close * 10, frames.size() * 9)
        << close << " of " << frames.size() << " pictures within 40 dB, the worst " << lowest << " dB";
}

} // namespace video_test
