#include "DVBReadPacer.h"

#include <gtest/gtest.h>

namespace {
constexpr uint64_t kPacerChunk = 96256;

// The first millisecond, from start, at which a chunk of the given size is due.
uint32_t FirstDueMillisecond(const CDVBReadPacer& pacer, uint32_t start, uint64_t bytes)
{
    uint32_t now = start;
    while (!pacer.IsDue(bytes, now))
        ++now;
    return now - start;
}
} // namespace

TEST(ReadPacer, PacesTheFirstChunkAtTheDefaultRate)
{
    CDVBReadPacer pacer;
    pacer.Restart(1000);
    EXPECT_EQ(pacer.GetBitrate(), 24128512u);
    // (0 + 770,048) / 24,128 = 31.9, truncated.
    EXPECT_FALSE(pacer.IsDue(kPacerChunk, 1030));
    EXPECT_TRUE(pacer.IsDue(kPacerChunk, 1031));
    pacer.OnDelivered(kPacerChunk);
    // (770,048 + 770,048) / 24,128 = 63.8.
    EXPECT_EQ(FirstDueMillisecond(pacer, 1000, kPacerChunk), 63u);
}

TEST(ReadPacer, TakesOnlyRatesOfAtLeastOneBitPerMillisecond)
{
    CDVBReadPacer pacer;
    pacer.Restart(0);
    for (int ignored : { 0, -5, 1, 999 }) {
        pacer.SetBitrate(ignored);
        EXPECT_EQ(pacer.GetBitrate(), CDVBReadPacer::DefaultBitrate) << ignored;
    }
    pacer.SetBitrate(4000000);
    EXPECT_EQ(pacer.GetBitrate(), 4000000u);
    // 770,048 / 4,000 = 192.5.
    EXPECT_EQ(FirstDueMillisecond(pacer, 0, kPacerChunk), 192u);
    pacer.SetBitrate(1000);
    EXPECT_EQ(FirstDueMillisecond(pacer, 0, 188), 1504u) << "the slowest rate: one bit per millisecond";
}

TEST(ReadPacer, ARateChangeTakesEffectFromWhereDeliveryHadGot)
{
    CDVBReadPacer pacer;
    pacer.Restart(0);
    pacer.SetBitrate(8000000);
    // 100 chunks at 8,000 bits per millisecond: due until 9,625 ms.
    for (int i = 0; i < 100; ++i)
        pacer.OnDelivered(kPacerChunk);
    pacer.SetBitrate(8080000);
    // From 9,625 ms on at the new rate: 770,048 / 8,080 = 95.3 ms more, with
    // no burst for the 1% difference on the 9.6 seconds already played.
    EXPECT_FALSE(pacer.IsDue(kPacerChunk, 9625 + 94));
    EXPECT_TRUE(pacer.IsDue(kPacerChunk, 9625 + 95));
}

TEST(ReadPacer, WaitsRatherThanOverflowWhenTheDueTimeIsBeyondTheClock)
{
    CDVBReadPacer pacer;
    pacer.Restart(0);
    pacer.SetBitrate(1000);
    // 2^32 ms worth of bits at 1 bit per millisecond.
    pacer.OnDelivered((uint64_t(1) << 32) / 8);
    EXPECT_FALSE(pacer.IsDue(0, 0xFFFFFFFFu));
}

TEST(ReadPacer, CountsElapsedTimeAcrossTheClockWrap)
{
    CDVBReadPacer pacer;
    pacer.Restart(0xFFFFFFF0u);
    EXPECT_FALSE(pacer.IsDue(kPacerChunk, 0xFFFFFFF0u + 30));
    EXPECT_TRUE(pacer.IsDue(kPacerChunk, 0xFFFFFFF0u + 31)) << "31 ms later, after the wrap";
}
