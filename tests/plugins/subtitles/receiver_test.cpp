// When queued display sets come due, how the queue stays bounded, and the
// receiver as the plug-in hands it out.
#include "SubtitleTestStream.h"

#include "DVBDefaultColourTable.h"
#include "DVBSubtitleReceiver.h"
#include "KRXSubtitleDecoderPlugin.h"

#include "plugin/DVBComponentDefinition.h"
#include "stream/DVBTiming.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace subtitle_test;

namespace {

constexpr int64_t SECOND = 90000;

class SubtitleTiming : public ::testing::Test
{
protected:
    void SetUp() override
    {
        receiver.SetProgramClock(&clock);
        receiver.SetDisplay(&display);
    }

    // A display set received at the clock's current value.
    void Receive(std::optional<int64_t> pts, int64_t receivedAt)
    {
        clock.value = receivedAt;
        Bytes pes = Pes(Payload({ Page(0, {}) }), pts);
        receiver.ParsePES(pes.data(), static_cast<unsigned long>(pes.size()));
    }
    bool DueAt(int64_t now) { return receiver.TakeNextDisplaySet(now) != nullptr; }

    ScriptedClock clock;
    FakeDisplay display;
    CDVBSubtitleReceiver receiver { nullptr };
};

} // namespace

TEST_F(SubtitleTiming, ADisplaySetComesDueAtItsPTS)
{
    Receive(1000 + SECOND, 1000);
    EXPECT_FALSE(DueAt(1000 + SECOND - 1));
    EXPECT_TRUE(DueAt(1000 + SECOND));
    EXPECT_FALSE(DueAt(1000 + SECOND)) << "taken once";
}

TEST_F(SubtitleTiming, APTSFarAheadIsHeldOnlyFiveSecondsAfterReceipt)
{
    Receive(10 * SECOND, 0);
    EXPECT_FALSE(DueAt(5 * SECOND - 1));
    EXPECT_TRUE(DueAt(5 * SECOND));
}

TEST_F(SubtitleTiming, WithoutAPTSOrAReceiptTimeADisplaySetIsDueAtOnce)
{
    Receive(std::nullopt, 50 * SECOND);
    EXPECT_TRUE(DueAt(0));
    clock.valid = false;
    Receive(50 * SECOND, 0);
    EXPECT_TRUE(DueAt(0)) << "the clock could not be read: nothing to hold it against";
}

TEST_F(SubtitleTiming, AHeldDisplaySetKeepsTheOnesBehindItWaiting)
{
    Receive(2 * SECOND, 0);
    Receive(std::nullopt, 0);
    EXPECT_FALSE(DueAt(SECOND));
    EXPECT_TRUE(DueAt(2 * SECOND));
    EXPECT_TRUE(DueAt(2 * SECOND));
}

TEST_F(SubtitleTiming, TimesAreComparedAcrossTheClockWrap)
{
    // Stamped just before the 33-bit wrap, shown by a clock that has wrapped.
    Receive(DVB_CLOCK_WRAP - 100, DVB_CLOCK_WRAP - SECOND);
    EXPECT_FALSE(DueAt(DVB_CLOCK_WRAP - 101));
    EXPECT_TRUE(DueAt(20)) << "not held for a day";

    // Stamped just after it, received before it.
    Receive(50, DVB_CLOCK_WRAP - SECOND);
    EXPECT_FALSE(DueAt(DVB_CLOCK_WRAP - 10));
    EXPECT_TRUE(DueAt(50));

    // The hold limit wraps too.
    Receive(DVB_CLOCK_WRAP + 20 * SECOND, DVB_CLOCK_WRAP - SECOND);
    EXPECT_FALSE(DueAt(4 * SECOND - 1));
    EXPECT_TRUE(DueAt(4 * SECOND));
}

TEST(SubtitleQueue, WithoutADisplayDisplaySetsAreParsedAndDroppedWhenTheyWouldHaveShown)
{
    ScriptedClock clock;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetProgramClock(&clock);
    size_t largest = 0;
    // Two display sets a second for an hour, each one second ahead.
    for (int64_t at = 0; at < 3600 * SECOND; at += SECOND / 2) {
        clock.value = at;
        for (Bytes& packet : Packets(Payload({ Page(0, {}) }), at + SECOND))
            receiver.OnReceivePacket(0, packet.data());
        largest = std::max(largest, receiver.GetQueuedCount());
    }
    EXPECT_GE(largest, 2u) << "those still ahead are kept";
    EXPECT_LE(largest, 3u);

    clock.valid = false;
    for (Bytes& packet : Packets(Payload({ Page(0, {}) }), std::nullopt))
        receiver.OnReceivePacket(0, packet.data());
    EXPECT_LE(receiver.GetQueuedCount(), 3u);
}

TEST(SubtitleQueue, ADisplayThatShowsNoFramesStillBoundsTheQueue)
{
    FakeDisplay display;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetDisplay(&display);
    for (int i = 0; i < 100; ++i) {
        Bytes pes = Pes(Payload({ Page(0, {}) }), i);
        receiver.ParsePES(pes.data(), static_cast<unsigned long>(pes.size()));
    }
    EXPECT_EQ(receiver.GetQueuedCount(), DVB_SUBTITLE_QUEUE_LIMIT);
    EXPECT_EQ(receiver.TakeNextDisplaySet(0)->m_pts, 100 - int64_t(DVB_SUBTITLE_QUEUE_LIMIT)) << "the oldest went";
}

TEST(SubtitleQueue, PacketsAfterACompletePESDoNotHandItInAgain)
{
    FakeDisplay display;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetDisplay(&display);
    std::vector<Bytes> packets = Packets(Payload({ Page(0, {}), Segment(0x80, Bytes(400, 0)) }), 7);
    ASSERT_GE(packets.size(), 3u);
    for (Bytes& packet : packets)
        receiver.OnReceivePacket(0, packet.data());
    Bytes stray = packets.back(); // no payload unit start
    receiver.OnReceivePacket(0, stray.data());
    EXPECT_EQ(receiver.GetQueuedCount(), 1u);
}

TEST(SubtitleQueue, TheReceiveAndFrameThreadsShareTheQueue)
{
    FakeDisplay display;
    CDVBSubtitleReceiver receiver(nullptr);
    receiver.SetDisplay(&display);
    constexpr int COUNT = 300;
    std::thread receive([&] {
        for (int i = 0; i < COUNT; ++i) {
            Bytes pes = Pes(Payload({ Page(0, {}) }), i);
            receiver.ParsePES(pes.data(), static_cast<unsigned long>(pes.size()));
            // Stay within the queue's limit without guessing at timing.
            while (receiver.GetQueuedCount() >= DVB_SUBTITLE_QUEUE_LIMIT)
                std::this_thread::yield();
        }
    });
    std::vector<int64_t> taken;
    while (taken.size() < size_t(COUNT)) {
        if (auto set = receiver.TakeNextDisplaySet(0))
            taken.push_back(set->m_pts);
        else
            std::this_thread::yield();
    }
    receive.join();
    for (int i = 0; i < COUNT; ++i)
        ASSERT_EQ(taken[size_t(i)], i) << "in order, none lost";
}

TEST(SubtitleQueue, ALayerRemovedWhileTheFrameThreadDrawsIsNotDrawnAgain)
{
    AddDefaultColourTable(BuildDefaultColourTable());
    FakeDisplay display;
    auto receiver = std::make_unique<CDVBSubtitleReceiver>(nullptr);
    receiver->SetDisplay(&display);
    std::atomic<bool> stop = false;
    std::atomic<int> frames = 0;
    std::thread frameThread([&] {
        Frame frame;
        while (!stop) {
            display.Draw(frame, 0);
            ++frames;
        }
    });
    while (frames < 3)
        std::this_thread::yield();
    receiver->UnsetDisplay(&display);
    const int after = frames + 2;
    while (frames < after) // the frame thread goes on with no layer to draw
        std::this_thread::yield();
    stop = true;
    frameThread.join();
    EXPECT_EQ(display.LayerCount(), 0u);

    // Closing a receiver whose display was never unset takes its layer off too.
    receiver->SetDisplay(&display);
    receiver.reset();
    EXPECT_EQ(display.LayerCount(), 0u);
    DeleteDefaultColourTables();
}

TEST(SubtitlePlugin, TakesSubtitleComponentsAndKeepsTheDefaultTableWhileInitialised)
{
    CKRXSubtitleDecoderPlugin plugin;
    CDVBComponentDefinition component;
    component.SetDescription("audio (eng)");
    EXPECT_EQ(plugin.OpenComponent(&component), nullptr);
    component.SetDescription("SUBtitles (deu)");
    CDVBPIDReceiver* receiver = plugin.OpenComponent(&component);
    ASSERT_NE(receiver, nullptr);
    EXPECT_EQ(receiver->GetType(), DVB_RECEIVER_SUBTITLES);
    EXPECT_EQ(receiver->GetPlugin(), &plugin);
    EXPECT_TRUE(plugin.CloseComponent(receiver));

    plugin.Initialise();
    ASSERT_NE(FindDefaultColourTable(0), nullptr);
    plugin.DeInitialise();
    EXPECT_EQ(FindDefaultColourTable(0), nullptr);
}
