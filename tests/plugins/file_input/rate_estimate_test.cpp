#include "DVBRateEstimate.h"
#include "PcrStream.h"

#include <gtest/gtest.h>

namespace {
int Estimate(CString stream)
{
    return EstimateBitrateFromPCRs(reinterpret_cast<unsigned char*>(stream.data()), stream.size());
}

int EstimateFromTimestamps(CString stream)
{
    return EstimateBitrateFromTimestamps(reinterpret_cast<unsigned char*>(stream.data()), stream.size());
}
} // namespace

TEST(PCRRateEstimate, GivesTheRateThePCRsSay)
{
    EXPECT_NEAR(Estimate(StreamWithPCRs(5000, 24000000)), 24000000, 24000);
    EXPECT_NEAR(Estimate(StreamWithPCRs(5000, 2500000, 20)), 2500000, 2500);
    // A trailing partial packet is no packet.
    EXPECT_NEAR(Estimate(StreamWithPCRs(5000, 2500000) + "\x47\x01"), 2500000, 2500);
}

TEST(PCRRateEstimate, MeasuresAfterTheClockStartsAgain)
{
    // Two recordings joined: counting across the join would give four times the rate.
    EXPECT_NEAR(Estimate(StreamWithPCRs(300, 24000000) + StreamWithPCRs(250, 24000000)), 24000000, 24000);
}

TEST(PCRRateEstimate, FollowsOnlyTheFirstPCRPid)
{
    // A second programme's PCRs, at another rate, on another PID.
    CString stream = StreamWithPCRs(3000, 8000000);
    const CString other = StreamWithPCRs(3000, 1000000);
    for (size_t packet = 50; packet < 3000; packet += 100) {
        stream.replace(packet * 188, 188, other, (packet - 50) * 188, 188);
        stream[packet * 188 + 2] = 0x02; // PID 0x102
    }
    EXPECT_NEAR(Estimate(stream), 8000000, 8000);
}

TEST(PCRRateEstimate, GivesNothingWithoutTwoUsablePCRs)
{
    EXPECT_EQ(Estimate(StreamWithPCRs(50, 24000000)), 0) << "one PCR";
    EXPECT_EQ(Estimate(StreamWithPCRs(500, 24000000, 1000)), 0) << "one PCR";
    EXPECT_EQ(Estimate(""), 0);
    // The clock starts again at 300 packets, and there is one PCR after that.
    EXPECT_EQ(Estimate(StreamWithPCRs(300, 24000000) + StreamWithPCRs(50, 24000000)), 0);
    // PCRs that barely move: a rate beyond any broadcast.
    EXPECT_EQ(Estimate(StreamWithPCRs(5000, 1000000000)), 0);
}

TEST(TimestampRateEstimate, GivesTheRateTheDecodingTimesSay)
{
    EXPECT_NEAR(EstimateFromTimestamps(StreamWithTimestamps(5000, 4000000)), 4000000, 40000);
    EXPECT_NEAR(EstimateFromTimestamps(StreamWithTimestamps(5000, 24000000, 20)), 24000000, 240000);
    // The 33-bit clock wraps within the span.
    const int64_t beforeWrap = (int64_t(1) << 33) - 90000;
    EXPECT_NEAR(EstimateFromTimestamps(StreamWithTimestamps(5000, 4000000, 50, beforeWrap)), 4000000, 40000);
    // Stamps carry no rate of their own in a stream that has PCRs too: PCRs come first.
    EXPECT_EQ(Estimate(StreamWithTimestamps(5000, 4000000)), 0);
}

TEST(TimestampRateEstimate, MeasuresAfterASplice)
{
    // A recording joined to one whose clock is an hour on: across the join
    // the rate would look thousands of times too low.
    const CString joined = StreamWithTimestamps(3000, 4000000) + StreamWithTimestamps(4000, 4000000, 50, 90000 * 3600);
    EXPECT_NEAR(EstimateFromTimestamps(joined), 4000000, 40000);
}

TEST(TimestampRateEstimate, GivesNothingWithoutTwoUsableStamps)
{
    EXPECT_EQ(EstimateFromTimestamps(StreamWithTimestamps(40, 4000000)), 0) << "one stamp";
    EXPECT_EQ(EstimateFromTimestamps(StreamWithPCRs(5000, 4000000)), 0) << "PCRs but no PES";
    EXPECT_EQ(EstimateFromTimestamps(""), 0);
}
