// The display with its frame thread: woken by a picture to show or a tick, reports a
// failed set-up to the thread that opened it, never draws a layer once it is
// removed, and ends its thread when closed.
#include "DisplayTestSupport.h"

#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
// Never reached by a working display; only a broken one waits it out.
constexpr uint32_t PATIENCE_MS = 10000;

struct SThreadedDisplay {
    std::shared_ptr<SMemorySurfaceState> surface = std::make_shared<SMemorySurfaceState>();
    std::unique_ptr<CDVBDisplayDX> display
        = std::make_unique<CDVBDisplayDX>(std::make_unique<CMemorySurface>(surface), DVB_DEFAULT_OVERLAY_COLOUR);

    bool ShowOne()
    {
        STestPicture(32, 16, 1).SendTo(*display, 0);
        display->OnEveryMillisecond();
        return surface->presentedEvent.Wait(PATIENCE_MS);
    }
};

// The first picture of a timeline is shown as it comes, without a tick: the
// pictures after it then wait for the clock.
void ShowStill(SThreadedDisplay& threaded)
{
    STestPicture(32, 16, 100).SendTo(*threaded.display, 0);
    ASSERT_TRUE(threaded.surface->presentedEvent.Wait(PATIENCE_MS));
}

// Holds the frame thread inside its draw until released.
class CBlockingLayer : public CDVBDisplayLayer
{
public:
    void DrawIntoFrame(int, int, int, unsigned char*, unsigned char*, unsigned char*, int64_t) override
    {
        m_entered.Set();
        m_release.Wait(PATIENCE_MS);
        m_drawnAfterRemoval = m_drawnAfterRemoval || m_removed;
        ++m_draws;
    }
    CEvent m_entered { true, false }, m_release { true, false };
    std::atomic<bool> m_removed { false }, m_drawnAfterRemoval { false };
    std::atomic<int> m_draws { 0 };
};
} // namespace

TEST(DisplayFrameThread, ShowsPicturesOnTheTickAndEndsWithinItsSecondWhenTheDisplayCloses)
{
    std::vector<CString> debugLines;
    DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) { debugLines.push_back(text); });
    SThreadedDisplay threaded;
    threaded.display->Start();
    ASSERT_TRUE(threaded.ShowOne());
    ASSERT_TRUE(threaded.ShowOne());
    uint64_t shown, dropped;
    threaded.display->GetPictureCounts(shown, dropped);
    EXPECT_EQ(shown, 2u);

    threaded.display.reset();
    SetDebugOutputSink(previous);
    EXPECT_TRUE(threaded.surface->closed) << "the frame thread closed its surface before it ended";
    EXPECT_TRUE(debugLines.empty()) << "no report of a frame thread that would not stop";
}

TEST(DisplayFrameThread, ASurfaceThatCannotOpenIsReportedOnTheOpeningThread)
{
    SThreadedDisplay threaded;
    threaded.surface->failOpen = true;
    std::vector<std::thread::id> reportThreads;
    CString report;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString& caption, unsigned) {
        reportThreads.push_back(std::this_thread::get_id());
        report = caption + "|" + text;
        return KRX_IDOK;
    });
    threaded.display->Start();
    SetMessageBoxHandler(previous);

    EXPECT_EQ(reportThreads, std::vector<std::thread::id> { std::this_thread::get_id() });
    EXPECT_EQ(report, "Korrix Video|" + DVBDisplaySetupErrorText("no screen here"));
    STestPicture(32, 16, 1).SendTo(*threaded.display, 0); // still taken, never shown
    threaded.display.reset();
    EXPECT_TRUE(threaded.surface->created.empty());
}

TEST(DisplayFrameThread, RemovingALayerWaitsForItsDrawAndItIsNeverDrawnAgain)
{
    SThreadedDisplay threaded;
    CBlockingLayer layer;
    threaded.display->AddDisplayLayer(&layer);
    threaded.display->Start();
    STestPicture(32, 16, 1).SendTo(*threaded.display, 0);
    threaded.display->OnEveryMillisecond();
    ASSERT_TRUE(layer.m_entered.Wait(PATIENCE_MS));

    CEvent removing(true, false), removed(true, false);
    std::thread remover([&] {
        removing.Set();
        EXPECT_TRUE(threaded.display->RemoveDisplayLayer(&layer));
        layer.m_removed = true;
        removed.Set();
    });
    ASSERT_TRUE(removing.Wait(PATIENCE_MS));
    EXPECT_FALSE(removed.Wait(200)) << "RemoveDisplayLayer returned while the layer was drawing";
    layer.m_release.Set();
    remover.join();

    ASSERT_TRUE(threaded.surface->presentedEvent.Wait(PATIENCE_MS));
    ASSERT_TRUE(threaded.ShowOne());
    EXPECT_EQ(layer.m_draws, 1);
    EXPECT_FALSE(layer.m_drawnAfterRemoval);
}

TEST(DisplayFrameThread, AFullQueueHoldsTheDecoderBackUntilAPictureIsShownInsteadOfDroppingOne)
{
    SThreadedDisplay threaded;
    CScriptedClock clock;
    clock.m_value = 0;
    threaded.display->SetProgramClock(&clock);
    threaded.display->Start();
    ShowStill(threaded);
    // Twenty pictures decoded ahead of their time fill the queue.
    for (int i = 0; i < DVB_DISPLAY_QUEUE_FRAMES; ++i)
        STestPicture(32, 16, uint8_t(i)).SendTo(*threaded.display, 3600 * (i + 1));
    CEvent handedOver { true, false };
    std::thread decoder([&] {
        STestPicture(32, 16, 99).SendTo(*threaded.display, 3600 * (DVB_DISPLAY_QUEUE_FRAMES + 1));
        handedOver.Set();
    });
    EXPECT_FALSE(handedOver.Wait(50)) << "the decoder waits while every frame holds a picture to come";
    clock.m_value = 3600; // the first picture falls due and frees its frame
    threaded.display->OnEveryMillisecond();
    EXPECT_TRUE(handedOver.Wait(PATIENCE_MS));
    decoder.join();
    uint64_t shown, dropped;
    threaded.display->GetPictureCounts(shown, dropped);
    EXPECT_EQ(shown, 2u) << "the still and the one that fell due";
    EXPECT_EQ(dropped, 0u);
    threaded.display.reset();
}

// A decoder held back by a full queue is let go by a flush (its component
// closing), without a picture given up for it.
TEST(DisplayFrameThread, AFlushReleasesADecoderWaitingForRoom)
{
    SThreadedDisplay threaded;
    CScriptedClock clock;
    threaded.display->SetProgramClock(&clock);
    threaded.display->Start();
    ShowStill(threaded);
    for (int i = 0; i < DVB_DISPLAY_QUEUE_FRAMES; ++i)
        STestPicture(32, 16, uint8_t(i)).SendTo(*threaded.display, 3600 * (i + 1));
    CEvent handedOver { true, false };
    std::thread decoder([&] {
        STestPicture(32, 16, 99).SendTo(*threaded.display, 3600 * (DVB_DISPLAY_QUEUE_FRAMES + 1));
        handedOver.Set();
    });
    EXPECT_FALSE(handedOver.Wait(50)) << "the decoder waits for room";
    threaded.display->Flush();
    EXPECT_TRUE(handedOver.Wait(PATIENCE_MS));
    decoder.join();
    uint64_t shown, dropped;
    threaded.display->GetPictureCounts(shown, dropped);
    EXPECT_EQ(dropped, 0u) << "the flush, not the wait's end, let it go";
    threaded.display.reset();
}
