// Frame times from PES stamps, and what is kept of stamps no frame has taken.
#include "DVBFrameTimes.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameTimes, EachFrameTakesTheLastStampBeforeItOrFollowsTheOneBefore)
{
    CDVBFrameTimes times;
    times.AddStamp(0, 1000);
    times.AddStamp(100, 2000);
    times.AddStamp(500, 3000);
    EXPECT_EQ(times.StartFrame(200, 1080), 2000u);
    EXPECT_EQ(times.StartFrame(400, 1080), 3080u);
    EXPECT_EQ(times.StartFrame(500, 1080), 3000u);
    EXPECT_EQ(times.GetPendingCount(), 0u);
}

TEST(FrameTimes, StampsOfAStreamWithoutFramesStayBoundedAndTheRecentOnesApply)
{
    CDVBFrameTimes times;
    // An hour of 184-byte PES packets, one stamp each, and no frame found.
    constexpr uint64_t kPackets = 3600 * 1000;
    for (uint64_t i = 0; i < kPackets; i++)
        times.AddStamp(i * 184, static_cast<uint32_t>(i * 90));
    EXPECT_LT(times.GetPendingCount(), 1000u);
    // A frame a decoder can still report, a few kilobytes back, takes its own stamp.
    const uint64_t recent = kPackets - 20;
    EXPECT_EQ(times.StartFrame(recent * 184 + 3, 1080), static_cast<uint32_t>(recent * 90));
    EXPECT_EQ(times.StartFrame(kPackets * 184, 1080), static_cast<uint32_t>((kPackets - 1) * 90));
}

} // namespace
