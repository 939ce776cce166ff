#include "DVBPCRPacer.h"

#include <gtest/gtest.h>

namespace {
using SChunkEnd = CDVBPCRPacer::SChunkEnd;

constexpr uint64_t kPacket = 188;
// One packet a millisecond, so byte pacing is easy to count.
constexpr int kPacketPerMillisecond = 1504000;
constexpr uint64_t kTicksPerMillisecond = 90;
constexpr uint64_t kWrap = uint64_t(1) << 33;

SChunkEnd ChunkOf(uint64_t packets, std::optional<uint64_t> pcr = std::nullopt, bool discontinuity = false)
{
    return SChunkEnd { packets * kPacket, pcr, discontinuity };
}

class PCRPacerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pacer.Restart(now);
        pacer.SetBitrate(kPacketPerMillisecond);
    }
    // Waits, a millisecond at a time, until the chunk is due and delivers it;
    // gives the time it waited.
    uint32_t DeliverWhenDue(const SChunkEnd& chunk)
    {
        const uint32_t from = now;
        while (!pacer.IsDue(chunk, now))
            ++now;
        pacer.OnDelivered(chunk);
        return now - from;
    }

    CDVBPCRPacer pacer;
    uint32_t now = 1000;
};
} // namespace

TEST_F(PCRPacerTest, PacesByBytesUntilTheFirstPCRThenByPCRs)
{
    EXPECT_EQ(DeliverWhenDue(ChunkOf(3)), 3u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(7, 5000)), 7u) << "the first PCR is paced by bytes and anchors";
    // 40 ms of clock in 2 packets, 10 ms in 50: the PCRs, not the bytes, say when.
    EXPECT_EQ(DeliverWhenDue(ChunkOf(2, 5000 + 40 * kTicksPerMillisecond)), 40u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(50, 5000 + 50 * kTicksPerMillisecond)), 10u);
    // A part of a millisecond is waited for in full: never early.
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 5000 + 50 * kTicksPerMillisecond + 1)), 1u);
}

TEST_F(PCRPacerTest, AChunkWithoutAPCRIsPacedByBytesAndTheNextPCRKeepsItsTime)
{
    DeliverWhenDue(ChunkOf(1, 0));
    EXPECT_EQ(DeliverWhenDue(ChunkOf(30)), 30u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(5, 100 * kTicksPerMillisecond)), 70u) << "due 100 ms after the anchor";
    // Bytes that ran past the next PCR's time delay it no further.
    EXPECT_EQ(DeliverWhenDue(ChunkOf(50)), 50u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 120 * kTicksPerMillisecond)), 0u);
}

TEST_F(PCRPacerTest, PCRsThatBreakTheScheduleAreReanchoredWithoutBurstOrStall)
{
    struct Case {
        const char* what;
        uint64_t pcr;
        bool discontinuity;
        uint64_t packetsWithoutPCRBefore = 0;
    };
    const uint64_t last = 10 * 90000;
    const Case cases[] = {
        { "backwards", last - 90000, false },
        { "jump of two seconds", last + 2 * 90000, false },
        { "discontinuity indicator", last + 40 * kTicksPerMillisecond, true },
        { "repeated", last, false },
        { "a rate no stream has", last + 1, false },
        { "long behind the bytes before", last + 500 * kTicksPerMillisecond, false, 2000 },
    };
    for (const Case& broken : cases) {
        SetUp();
        DeliverWhenDue(ChunkOf(1, last - 40 * kTicksPerMillisecond));
        DeliverWhenDue(ChunkOf(1, last));
        DeliverWhenDue(ChunkOf(broken.packetsWithoutPCRBefore));
        EXPECT_EQ(DeliverWhenDue(ChunkOf(20, broken.pcr, broken.discontinuity)), 20u) << broken.what;
        EXPECT_EQ(DeliverWhenDue(ChunkOf(1, (broken.pcr + 40 * kTicksPerMillisecond) % kWrap)), 40u)
            << broken.what << ": the new anchor holds";
    }
}

TEST_F(PCRPacerTest, BothClocksWrappingContinueTheSchedule)
{
    now = 0xFFFFFFF0;
    SetUp();
    DeliverWhenDue(ChunkOf(1, kWrap - 10 * kTicksPerMillisecond));
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 30 * kTicksPerMillisecond)), 40u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 70 * kTicksPerMillisecond)), 40u);
}

TEST_F(PCRPacerTest, StartingAgainPacesTheFirstPCRByBytesAfterTheLastChunk)
{
    DeliverWhenDue(ChunkOf(1, 8 * 90000));
    DeliverWhenDue(ChunkOf(10));
    pacer.StartAgain();
    // The file's first PCR, eight seconds back, is due 4 packets on.
    EXPECT_EQ(DeliverWhenDue(ChunkOf(4, 0)), 4u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 40 * kTicksPerMillisecond)), 40u);
}

// A file whose start has more lead than its end: after the loop its PCRs,
// carried on by the source, begin a little behind the schedule. They come at
// once until they catch up, and the schedule then goes on where it was.
TEST_F(PCRPacerTest, AfterALoopPCRsBehindTheScheduleComeAtOnceUntilTheyCatchUp)
{
    DeliverWhenDue(ChunkOf(1, 10 * 90000));
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 10 * 90000 + 40 * kTicksPerMillisecond)), 40u);
    pacer.StartAgain();
    EXPECT_EQ(DeliverWhenDue(ChunkOf(4)), 4u) << "the file's bytes before its first PCR";
    EXPECT_EQ(DeliverWhenDue(ChunkOf(4, 10 * 90000 - 460 * kTicksPerMillisecond)), 0u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(4, 10 * 90000)), 0u);
    EXPECT_EQ(DeliverWhenDue(ChunkOf(1, 10 * 90000 + 80 * kTicksPerMillisecond)), 36u);
}
