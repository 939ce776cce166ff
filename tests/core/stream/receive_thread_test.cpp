#include "StreamTestSupport.h"
#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

// Collects the debug output; a receive thread that fails to stop in time says so there.
class CDebugCapture
{
public:
    CDebugCapture()
    {
        m_previous = SetDebugOutputSink([this](const CString& text) {
            CSingleLock lock(&m_lock, true);
            m_text += text;
        });
    }
    ~CDebugCapture() { SetDebugOutputSink(m_previous); }
    CString Text()
    {
        CSingleLock lock(&m_lock, true);
        return m_text;
    }

private:
    CCriticalSection m_lock;
    CString m_text;
    DebugOutputSink m_previous;
};

Bytes PacketsOn(unsigned short pid, int count)
{
    return Concatenate(std::vector<Packet>(count, MakePacket(pid)));
}
} // namespace

TEST(ReceiveThread, StartsAndStopsTheSourceAndEndsOnDeInitialise)
{
    CDebugCapture debug;
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    EXPECT_TRUE(receiver.WaitForStop(0)) << "idle before anything started";
    ASSERT_TRUE(receiver.Initialise());
    EXPECT_EQ(source.initialised, 1);
    EXPECT_FALSE(receiver.IsReceiving());

    receiver.Start();
    EXPECT_TRUE(receiver.IsReceiving());
    ASSERT_TRUE(source.startEvent.Wait(kGenerous));
    EXPECT_FALSE(receiver.WaitForStop(0)) << "running";

    receiver.Stop();
    EXPECT_FALSE(receiver.IsReceiving());
    EXPECT_TRUE(receiver.WaitForStop(1000));
    EXPECT_EQ(source.stopped, 1) << "the source is stopped before the thread reports idle";

    EXPECT_TRUE(receiver.DeInitialise());
    EXPECT_EQ(source.deInitialised, 1);
    EXPECT_EQ(debug.Text(), "") << "the thread ended within its time";
}

TEST(ReceiveThread, CanBeInitialisedAgainAfterDeInitialise)
{
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    receiver.Initialise();
    receiver.DeInitialise();
    receiver.Initialise();
    receiver.Start();
    ASSERT_TRUE(source.startEvent.Wait(kGenerous)) << "a new thread takes up the start";
    receiver.Stop();
    EXPECT_TRUE(receiver.WaitForStop(1000));
    receiver.DeInitialise();
    EXPECT_EQ(source.initialised, 2);
    EXPECT_EQ(source.deInitialised, 2);
}

TEST(ReceiveThread, DispatchesEveryReadAndRestartsNumberingOnStart)
{
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    auto* logger = new CLoggingReceiver;
    receiver.AddPIDReceiver(0x100, logger);
    receiver.Initialise();

    source.QueueRead(PacketsOn(0x100, 3));
    // Three packets split over two reads, the second packet across the boundary.
    const Bytes split = PacketsOn(0x100, 3);
    source.QueueRead(Bytes(split.begin(), split.begin() + 188 + 100));
    source.QueueRead(Bytes(split.begin() + 188 + 100, split.end()));
    receiver.Start();
    ASSERT_TRUE(source.drainedEvent.Wait(kGenerous));
    EXPECT_EQ(logger->Numbers(), (std::vector<uint64_t> { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ(receiver.GetPacketsReceived(), 6u);
    // A packet cut short at the stop must not be joined to the next reception's first read.
    source.QueueRead(Bytes(split.begin(), split.begin() + 100));
    ASSERT_TRUE(source.drainedEvent.Wait(kGenerous));

    receiver.Stop();
    ASSERT_TRUE(receiver.WaitForStop(1000));
    source.QueueRead(PacketsOn(0x100, 2));
    receiver.Start();
    ASSERT_TRUE(source.drainedEvent.Wait(kGenerous));
    EXPECT_EQ(source.started, 2);
    EXPECT_EQ(logger->Numbers(), (std::vector<uint64_t> { 0, 1, 2, 3, 4, 5, 0, 1 }));

    receiver.Stop();
    ASSERT_TRUE(receiver.WaitForStop(1000));
    receiver.DeInitialise();
}

TEST(ReceiveThread, ASourceThatClaimsMoreThanTheBufferIsNotBelieved)
{
    class COverclaimingSource : public CScriptedSource
    {
    public:
        unsigned long ReadBuffer(unsigned char* buffer, unsigned long size) override
        {
            return CScriptedSource::ReadBuffer(buffer, size) ? size * 4 : 0;
        }
    } source;
    source.bufferSize = 10 * 188;
    CTestableReceiver receiver(&source, nullptr);
    auto* logger = new CLoggingReceiver;
    receiver.AddPIDReceiver(0x100, logger);
    receiver.Initialise();
    source.QueueRead(PacketsOn(0x100, 10));
    receiver.Start();
    ASSERT_TRUE(source.drainedEvent.Wait(kGenerous));
    EXPECT_EQ(receiver.GetPacketsReceived(), 10u);
    receiver.Stop();
    ASSERT_TRUE(receiver.WaitForStop(1000));
    receiver.DeInitialise();
}

TEST(ReceiveThread, TicksReceiversThatAskForTimeNotifications)
{
    CScriptedSource source;
    CTestableReceiver receiver(&source, nullptr);
    auto* ticking = new CLoggingReceiver(DVB_RECEIVER_VIDEO, true);
    GUID cookie;
    cookie.Data1 = 3;
    ticking->SetCookie(&cookie);
    receiver.AddPIDReceiver(0x100, ticking);
    receiver.Start(); // before Initialise: the thread takes it up at once
    receiver.Initialise();
    for (int i = 0; i < 3; i++)
        ASSERT_TRUE(ticking->tickEvent.Wait(kGenerous));
    receiver.Stop();
    ASSERT_TRUE(receiver.WaitForStop(1000));
    std::unique_ptr<CDVBPIDReceiver> removed(receiver.RemovePIDReceiverWithCookie(0x100, &cookie));
    EXPECT_EQ(removed.get(), ticking);
    receiver.DeInitialise();
}

TEST(ReceiveThread, OneSecondPassTellsTheSourceAndNoticesData)
{
    CScriptedSource source;
    source.SetContinuous(PacketsOn(0x100, 2));
    CTestableReceiver receiver(&source, nullptr);
    receiver.Initialise();
    receiver.Start();
    ASSERT_TRUE(source.readEvent.Wait(kGenerous));
    source.secondEvent.Reset();
    // The pass after data began sees it; the next pass shows that one has completed.
    ASSERT_TRUE(source.secondEvent.Wait(kGenerous));
    ASSERT_TRUE(source.secondEvent.Wait(kGenerous));
    EXPECT_TRUE(receiver.IsDataBeingReceived());
    EXPECT_GE(receiver.GetSecondsSinceStart(), 1);
    EXPECT_EQ(source.Bitrates().front(), 0) << "no programme with a PCR";
    receiver.Stop();
    ASSERT_TRUE(receiver.WaitForStop(1000));
    receiver.DeInitialise();
}

TEST(ReceiveThread, DestroyingWithoutDeInitialiseStillEndsTheThread)
{
    CDebugCapture debug;
    CScriptedSource source;
    {
        CTestableReceiver receiver(&source, nullptr);
        receiver.Initialise();
        receiver.Start();
        ASSERT_TRUE(source.startEvent.Wait(kGenerous));
    }
    EXPECT_EQ(source.stopped, 1);
    EXPECT_EQ(debug.Text(), "");
}

// Receivers come and go from the owner's thread while the receive thread
// dispatches to them; run under ThreadSanitizer this checks the locking.
TEST(ReceiveThread, ReceiversAddedAndRemovedDuringReception)
{
    constexpr int kPIDs = 8;
    std::vector<Packet> mix;
    for (int i = 0; i < 4 * kPIDs; i++)
        mix.push_back(MakePacket(static_cast<unsigned short>(0x100 + i % kPIDs)));
    CScriptedSource source;
    source.SetContinuous(Concatenate(mix));
    CTestableReceiver receiver(&source, nullptr);
    receiver.Initialise();
    receiver.Start();

    std::mt19937 random(1234);
    int dispatched = 0;
    for (int round = 0; round < 300; round++) {
        const auto pid = static_cast<unsigned short>(0x100 + random() % kPIDs);
        GUID cookie;
        cookie.Data1 = static_cast<uint32_t>(round + 1);
        auto* logger = new CLoggingReceiver(DVB_RECEIVER_AUDIO, round % 2 == 0);
        logger->SetCookie(&cookie);
        ASSERT_TRUE(receiver.AddPIDReceiver(pid, logger));
        receiver.AddPIDReceiver(pid, new CLoggingReceiver(DVB_RECEIVER_SI));
        if (round % 50 == 0) { // now and then make sure the thread really reaches it
            ASSERT_TRUE(logger->packetEvent.Wait(kGenerous));
        }
        EXPECT_TRUE(receiver.HasPIDReceiver(pid, DVB_RECEIVER_SI));
        EXPECT_TRUE(receiver.DeletePIDReceiver(pid, DVB_RECEIVER_SI));
        receiver.GetPacketsReceived();
        receiver.GetBitrate();

        std::unique_ptr<CDVBPIDReceiver> removed(receiver.RemovePIDReceiverWithCookie(pid, &cookie));
        ASSERT_EQ(removed.get(), logger);
        for (size_t i = 1; i < logger->numbers.size(); i++) {
            ASSERT_LT(logger->numbers[i - 1], logger->numbers[i]) << "packets in order, each once";
        }
        dispatched += logger->numbers.empty() ? 0 : 1;
    }
    EXPECT_GE(dispatched, 6);

    receiver.Stop();
    ASSERT_TRUE(receiver.WaitForStop(1000));
    receiver.DeInitialise();
}
