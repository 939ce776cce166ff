#include "StreamTestSupport.h"
#include "si/DVBProgram.h"
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBProgramClock.h"
#include "stream/DVBReferencePointTracker.h"
#include "stream/DVBTiming.h"

#include <gtest/gtest.h>

namespace {
CString Text(int64_t frequency, int64_t clock)
{
    CString text;
    CDVBTiming::ClockToString(frequency, clock, text);
    return text;
}

// Bits per second of packets arriving over ticks of the 90 kHz clock.
int Rate(uint64_t packets, uint64_t ticks)
{
    return static_cast<int>(packets * 1504 * 90000 / ticks);
}

void Feed(CDVBPCRReceiver& receiver, uint64_t packetNumber, uint64_t pcr)
{
    Packet packet = MakePCRPacket(0x100, pcr);
    receiver.OnReceivePacket(packetNumber, packet.data());
}
} // namespace

TEST(ClockToString, FormatsDaysHoursMinutesSecondsAndMilliseconds)
{
    EXPECT_EQ(Text(90000, -90000), "-000:00:00:01.000");
    EXPECT_EQ(Text(90000, int64_t(90000) * 86400), "001:00:00:00.000");
    EXPECT_EQ(Text(90000, 0), "000:00:00:00.000");
    // 1 d 2 h 3 min 4.005 s
    EXPECT_EQ(Text(1000, ((((int64_t(1) * 24 + 2) * 60 + 3) * 60) + 4) * 1000 + 5), "001:02:03:04.005");
    EXPECT_EQ(Text(1000000000, 1999999999), "000:00:00:01.999");
    CString text;
    ClockToString(45000, text);
    EXPECT_EQ(text, "000:00:00:00.500");
}

TEST(ClockToString, SurvivesExtremeClocksAndSlowFrequencies)
{
    EXPECT_EQ(Text(1000, INT64_MIN).substr(0, 1), "-");
    EXPECT_EQ(Text(100, 150), "000:00:00:01.500") << "a clock slower than 1 kHz still converts";
    EXPECT_EQ(Text(0, 12345), "000:00:00:00.000");
}

TEST(SystemClock, IsMonotonicNanoseconds)
{
    EXPECT_EQ(CDVBTiming::GetSystemClockFrequency(), 1000000000);
    const int64_t first = CDVBTiming::GetSystemClock();
    EXPECT_GE(CDVBTiming::GetSystemClock(), first);
}

TEST(PCRReceiver, ReadsThePCRBaseAndIgnoresTheExtension)
{
    const uint64_t base = (uint64_t(1) << 33) - 3;
    Packet packet = MakePCRPacket(0x100, base);
    packet[10] |= 0x01;
    packet[11] = 0xFF; // extension bits
    uint64_t pcr = 0;
    ASSERT_TRUE(CDVBPCRReceiver::GetPCRFromPacket(packet.data(), pcr));
    EXPECT_EQ(pcr, base);
}

TEST(PCRReceiver, OnlyAnAdaptationFieldWithPCRFlagAndRoomCounts)
{
    uint64_t pcr;
    Packet noFlag = MakePCRPacket(0x100, 5);
    noFlag[5] = 0x00;
    EXPECT_FALSE(CDVBPCRReceiver::GetPCRFromPacket(noFlag.data(), pcr));
    // A one-byte field whose "flags" would be a payload byte with 0x10 set.
    Packet tooShort = MakeAdaptationPacket(0x100, 1, true);
    tooShort[5] = 0x10;
    EXPECT_FALSE(CDVBPCRReceiver::GetPCRFromPacket(tooShort.data(), pcr));
    Packet oversized = MakePCRPacket(0x100, 5);
    oversized[4] = 200;
    EXPECT_FALSE(CDVBPCRReceiver::GetPCRFromPacket(oversized.data(), pcr));
    EXPECT_FALSE(CDVBPCRReceiver::GetPCRFromPacket(MakePacket(0x100).data(), pcr));
}

TEST(PCRReceiver, BitrateAndClockFromTwoSamples)
{
    CDVBPCRReceiver receiver;
    EXPECT_EQ(receiver.GetType(), DVB_RECEIVER_PCR);
    int64_t clock = -1;
    Feed(receiver, 0, 0);
    EXPECT_EQ(receiver.GetBitrate(), 0) << "one sample gives no rate";
    EXPECT_FALSE(receiver.EstimateClockAtPacket(10, clock));
    EXPECT_FALSE(receiver.EstimateClockAtTime(1e9, 0, clock));

    Feed(receiver, 1000, 9000);
    EXPECT_EQ(receiver.GetBitrate(), 15040000);
    ASSERT_TRUE(receiver.EstimateClockAtPacket(2000, clock));
    EXPECT_EQ(clock, 18000);
    ASSERT_TRUE(receiver.EstimateClockAtPacket(500, clock)) << "before the newest sample";
    EXPECT_EQ(clock, 4500);
}

// Feeds a PCR packet as part of a read that arrived at readClock (1 kHz system
// clock here) and ends with packet lastPacket.
void FeedRead(CDVBPCRReceiver& receiver, DVBReadArrival& read, uint64_t packetNumber, uint64_t pcr)
{
    receiver.SetReadArrival(&read);
    Feed(receiver, packetNumber, pcr);
}

TEST(PCRReceiver, ClockAtTimeFollowsWhenEachPCRArrivedWhateverTheBitrate)
{
    CDVBPCRReceiver receiver;
    int64_t clock = 0;
    Feed(receiver, 0, 0);
    Feed(receiver, 1000, 9000);
    EXPECT_FALSE(receiver.EstimateClockAtTime(1000, 5000, clock)) << "no arrival times";

    // A variable-rate stream delivered in step with its PCRs: 100 ms of PCR
    // every read, but 900, then 100, then 1900 packets. Each read ends at its
    // PCR, so each PCR arrived with its read: the clock runs with local time.
    DVBReadArrival read;
    read = { 5000, 1900 };
    FeedRead(receiver, read, 1900, 18000);
    read = { 5100, 2000 };
    FeedRead(receiver, read, 2000, 27000);
    read = { 5200, 3900 };
    FeedRead(receiver, read, 3900, 36000);
    ASSERT_TRUE(receiver.EstimateClockAtTime(1000, 5250, clock));
    EXPECT_EQ(clock, 36000 + 4500);
    EXPECT_FALSE(receiver.EstimateClockAtTime(0, 5250, clock)) << "no clock without a frequency";

    // Packets after the PCR in its read move its arrival back by the local rate.
    read = { 5400, 4100 };
    FeedRead(receiver, read, 4000, 45000);
    ASSERT_TRUE(receiver.EstimateClockAtTime(1000, 5400, clock));
    const double ticksPerPacket = 45000.0 / 4000; // over every sample held
    const double offsets[] = { 18000 - 5000 * 90.0, 27000 - 5100 * 90.0, 36000 - 5200 * 90.0,
        45000 - (5400 * 90.0 - 100 * ticksPerPacket) };
    EXPECT_NEAR(clock, 5400 * 90.0 + (offsets[0] + offsets[1] + offsets[2] + offsets[3]) / 4, 1);

    // A PCR that goes back (a splice, or a file starting again) starts the
    // averaging afresh, and so does one jumping more than a second.
    read = { 6000, 5000 };
    FeedRead(receiver, read, 5000, 900);
    ASSERT_TRUE(receiver.EstimateClockAtTime(1000, 6010, clock));
    EXPECT_EQ(clock, 900 + 900);
    read = { 6100, 5100 };
    FeedRead(receiver, read, 5100, 900 + 90000 + 9001);
    ASSERT_TRUE(receiver.EstimateClockAtTime(1000, 6100, clock));
    EXPECT_EQ(clock, 900 + 90000 + 9001);
}

// Presenters drop what they hold at each break of the clock, so a wrap, or
// the small step back of a looping file's carried-on PCRs, must not count.
TEST(PCRReceiver, CountsBreaksInTheClockButNotAWrapNorALoopsStepBack)
{
    CDVBPCRReceiver receiver;
    Feed(receiver, 0, 1000);
    Feed(receiver, 10, 1000 + 90000); // a second on: still the same clock
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 0u);
    Feed(receiver, 20, 1000 + 2 * 90000 + 1);
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 1u) << "a jump of more than a second";
    Feed(receiver, 30, 500);
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 2u) << "a step back";
    Feed(receiver, 40, DVB_CLOCK_WRAP - 900);
    Feed(receiver, 50, 900);
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 3u) << "the step to just before the wrap, not the wrap";
    Packet marked = MakePCRPacket(0x100, 1800);
    marked[5] |= 0x80; // the discontinuity indicator
    receiver.OnReceivePacket(60, marked.data());
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 4u);

    Feed(receiver, 70, 61800);
    Feed(receiver, 80, 121800);
    receiver.OnStreamStartedAgain();
    Feed(receiver, 90, 61800);
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 4u) << "a loop may step back by under a second";
    Feed(receiver, 100, 31800);
    EXPECT_EQ(receiver.GetDiscontinuityCount(), 5u) << "but only its first PCR";
}

// A looping file catching up with its schedule delivers PCRs a little behind
// in a burst: averaged with the next ones, they would hold the clock back.
TEST(PCRReceiver, SamplesThatArrivedLaterThanTheNextAllowsAreNotAveraged)
{
    CDVBPCRReceiver receiver;
    DVBReadArrival read;
    int64_t clock = 0;
    for (int i = 0; i < 3; ++i) { // three PCRs, 100 ms apart, all in one millisecond
        read = { 5000, uint64_t(100 * (i + 1)) };
        FeedRead(receiver, read, 100 * (i + 1), 9000 * (i + 1));
    }
    read = { 5100, 400 }; // then in step again
    FeedRead(receiver, read, 400, 36000);
    ASSERT_TRUE(receiver.EstimateClockAtTime(1000, 5100, clock));
    EXPECT_EQ(clock, 36000) << "only the PCR that came in step counts";
}

TEST(PCRReceiver, PairsWherePCROrPacketNumberDoNotRiseAreIgnored)
{
    CDVBPCRReceiver receiver;
    Feed(receiver, 0, 1000000);
    Feed(receiver, 100, 1000900);
    Feed(receiver, 200, 500); // PCR wrap or splice
    Feed(receiver, 300, 1400);
    EXPECT_EQ(receiver.GetBitrate(), Rate(200, 1800));

    // A new Start numbers packets from 0 again while the samples stay.
    Feed(receiver, 0, 2300);
    Feed(receiver, 100, 3200);
    EXPECT_EQ(receiver.GetBitrate(), Rate(300, 2700));
    int64_t clock;
    ASSERT_TRUE(receiver.EstimateClockAtPacket(150, clock));
    EXPECT_EQ(clock, 3200 + 50 * 2700 / 300);
}

TEST(PCRReceiver, KeepsTheLastEightSamples)
{
    CDVBPCRReceiver receiver;
    Feed(receiver, 0, 0);
    for (uint64_t i = 1; i <= 7; i++)
        Feed(receiver, i * 100, i * 1000); // 10 ticks per packet
    EXPECT_EQ(receiver.GetBitrate(), Rate(100, 1000));
    Feed(receiver, 800, 9000); // the ninth sample drops (0, 0)
    // Remaining pairs: six of 100 packets / 1000 ticks and one of 100 / 2000.
    EXPECT_EQ(receiver.GetBitrate(), Rate(700, 8000));
    int64_t clock;
    ASSERT_TRUE(receiver.EstimateClockAtPacket(800, clock));
    EXPECT_EQ(clock, 9000);
}

TEST(PCRReceiver, ABarelyMovingPCRSaturatesTheBitrate)
{
    CDVBPCRReceiver receiver;
    Feed(receiver, 0, 0);
    Feed(receiver, 1000000, 1);
    EXPECT_EQ(receiver.GetBitrate(), INT32_MAX);
}

TEST(ReferencePointTracker, KeepsTheLastSamplesAndTruncatesEachTerm)
{
    CDVBReferencePointTracker tracker(3);
    int64_t clock = -1;
    uint64_t packets = 99;
    tracker.GetReferencePoint(clock, packets);
    EXPECT_EQ(clock, 0);
    EXPECT_EQ(packets, 0u);
    tracker.Add(1000, 100);
    tracker.Add(2000, 200);
    tracker.Add(10, 1);
    tracker.Add(20, 2);
    tracker.Add(30, 4);
    tracker.GetReferencePoint(clock, packets);
    EXPECT_EQ(clock, 3 + 6 + 10);
    EXPECT_EQ(packets, 0u + 0u + 1u);

    tracker.Initialise();
    tracker.Add(7, 9);
    tracker.GetReferencePoint(clock, packets);
    EXPECT_EQ(clock, 7);
    EXPECT_EQ(packets, 9u);
}

TEST(ReferencePointTracker, BitrateFromOldestSampleToCentroid)
{
    CDVBReferencePointTracker tracker(2);
    int bitrate = -1;
    tracker.GetBitrate(bitrate);
    EXPECT_EQ(bitrate, 0);
    // 1000 packets in 1 s of system clock: centroid is 500 packets after 0.5 s.
    tracker.Add(0, 0);
    tracker.Add(CDVBTiming::GetSystemClockFrequency(), 1000);
    tracker.GetBitrate(bitrate);
    EXPECT_EQ(bitrate, 1000 * 1504);
}

TEST(ProgramClock, NeedsAReceiverAndAPCRReceiver)
{
    CDVBProgramClock clock;
    int64_t value;
    EXPECT_FALSE(clock.SetProgram(1));
    EXPECT_FALSE(clock.GetProgramClock(value, false));

    CTestableReceiver receiver(nullptr, nullptr);
    clock.SetTransportStreamReceiver(&receiver);
    EXPECT_FALSE(clock.SetProgram(1)) << "no programme yet";
    receiver.GetOrCreateProgram(1)->SetPCRPID(0x100);
    EXPECT_FALSE(clock.SetProgram(1)) << "no PCR receiver yet";
    auto* pcr = new CDVBPCRReceiver;
    receiver.AddPIDReceiver(0x100, pcr);
    EXPECT_TRUE(clock.SetProgram(1));
    EXPECT_FALSE(clock.GetProgramClock(value, false)) << "no samples yet";
}

// A receiver that asks the programme clock for every packet it is given.
class CClockAskingReceiver : public CDVBPIDReceiver
{
public:
    void OnReceivePacket(uint64_t, unsigned char*) override
    {
        int64_t clock = -1;
        m_programClock->GetProgramClock(clock, false);
        clocks.push_back(clock);
    }
    std::vector<int64_t> clocks;
};

TEST(ProgramClock, StampsEachPacketWithTheClockAtItsNumber)
{
    CTestableReceiver receiver(nullptr, nullptr);
    receiver.GetOrCreateProgram(7)->SetPCRPID(0x100);
    receiver.AddPIDReceiver(0x100, new CDVBPCRReceiver);
    CDVBProgramClock clock;
    clock.SetTransportStreamReceiver(&receiver);
    ASSERT_TRUE(clock.SetProgram(7));
    auto* asking = new CClockAskingReceiver;
    asking->SetProgramClock(&clock);
    receiver.AddPIDReceiver(0x200, asking);

    // PCR at packets 0 and 10, 100 ticks apart; then three packets of PID 0x200.
    std::vector<Packet> packets = { MakePCRPacket(0x100, 1000) };
    for (int i = 0; i < 9; i++)
        packets.push_back(MakePacket(0x1FFF));
    packets.push_back(MakePCRPacket(0x100, 1100));
    for (int i = 0; i < 3; i++)
        packets.push_back(MakePacket(0x200));
    Bytes stream = Concatenate(packets);
    receiver.ProcessBuffer(stream.data(), stream.size());
    EXPECT_EQ(asking->clocks, (std::vector<int64_t> { 1110, 1120, 1130 }));

    int64_t value;
    ASSERT_TRUE(receiver.GetProgramClock(7, value));
    EXPECT_EQ(value, 1140) << "at the packet count";
    CString text;
    ASSERT_TRUE(receiver.GetProgramClock(7, text));
    EXPECT_EQ(text, "000:00:00:00.012");
    EXPECT_FALSE(receiver.GetProgramClock(8, value));

    // The present instant: the reference point was never added here (no
    // thread), so only check that an estimate is given.
    EXPECT_TRUE(clock.GetProgramClock(value, true));
}

TEST(ClockWrap, ComparesTimesOnThe33BitCircle)
{
    const int64_t justBeforeWrap = DVB_CLOCK_WRAP - 900; // 10 ms before the wrap
    // The extrapolated clock has gone past 2^33; a time stamp just after the wrap is small again.
    EXPECT_TRUE(DVBClockHasReached(DVB_CLOCK_WRAP + 10, justBeforeWrap));
    EXPECT_TRUE(DVBClockHasReached(DVB_CLOCK_WRAP + 10, 10));
    EXPECT_FALSE(DVBClockHasReached(DVB_CLOCK_WRAP + 10, 11));
    // Clock before the wrap, time stamped just after it: not yet, and 1,000 ticks to go.
    EXPECT_FALSE(DVBClockHasReached(justBeforeWrap, 100));
    EXPECT_EQ(DVBClockDifference(100, justBeforeWrap), 1000);
    EXPECT_EQ(DVBClockDifference(justBeforeWrap, 100), -1000);
    EXPECT_EQ(DVBMillisecondsUntil(justBeforeWrap, 100), 12u) << "1,000 ticks: 11.1 ms, rounded up";
    EXPECT_EQ(DVBMillisecondsUntil(100, justBeforeWrap), 0u) << "long reached, across the wrap";
    // Half the circle apart is the most negative distance; extreme inputs do not overflow.
    EXPECT_EQ(DVBClockDifference(0, DVB_CLOCK_WRAP / 2), -DVB_CLOCK_WRAP / 2);
    EXPECT_EQ(DVBClockDifference(INT64_MIN, INT64_MAX), 1);
    EXPECT_EQ(DVBClockModulo(-1), DVB_CLOCK_WRAP - 1);
    EXPECT_EQ(DVBClockModulo(3 * DVB_CLOCK_WRAP + 5), 5);
}
