#pragma once
// Checks the pictures a display got against ffmpeg's decode of the sample.
#include "AVVideoTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace av_video_test {

// Checks that the display got, in order and each once, exactly the pictures
// shown from `from` on (times relative to ptsBase), each matching ffmpeg's;
// pictures it got before are not looked at.
inline void ExpectPicturesFrom(const std::vector<CRecordingDisplay::Frame>& frames,
    const std::vector<ts::Bytes>& expected, int64_t ptsBase, int64_t from)
{
    const auto begin = std::find_if(frames.begin(), frames.end(),
        [&](const CRecordingDisplay::Frame& frame) { return frame.time >= ptsBase + from; });
    const size_t first = size_t(from / kFramePeriod);
    ASSERT_EQ(size_t(frames.end() - begin), expected.size() - first);
    for (size_t i = 0; i < expected.size() - first; i++) {
        const CRecordingDisplay::Frame& frame = begin[long(i)];
        SCOPED_TRACE("picture " + std::to_string(first + i));
        EXPECT_EQ(frame.time, ptsBase + int64_t(first + i) * kFramePeriod);
        ASSERT_EQ(frame.planes.size(), expected[first + i].size());
        EXPECT_GE(Psnr(frame.planes, expected[first + i]), 35.0);
    }
}

} // namespace av_video_test
