// The display's logic on an in-memory surface, woken by hand: queue, pacing on
// the programme clock, blank frame, copy, layers and counts.
#include "DisplayTestSupport.h"

#include "plugin/KRXAVLog.h"
#include "stream/DVBTiming.h"

#include "platform/MessageBox.h"

#include "support/TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

namespace {
const STestPicture SD(720, 576, 1);

std::pair<uint64_t, uint64_t> Counts(const CDVBDisplay& display) // shown, dropped
{
    uint64_t shown, dropped;
    display.GetPictureCounts(shown, dropped);
    return { shown, dropped };
}
} // namespace

TEST(DisplayPacing, EachPictureIsReleasedInOrderOnTheFirstTickAtWhichTheClockHasReachedIt)
{
    SDrivenDisplay driven;
    for (int64_t time : { 86400, 90000, 93600, 97200, 1000 })
        SD.SendTo(driven.display, time);

    driven.clock.m_value = 50000;
    driven.display.ShowDueFrames(1);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(86400)) << "the first picture is shown at once, as a still";
    EXPECT_TRUE(driven.clock.m_askedForNow) << "the clock is read at the present instant";
    driven.clock.m_value = 89999;
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(86400)) << "one tick early";
    driven.clock.m_value = 90000;
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(86400, 90000));
    driven.clock.m_value = 97300; // three came due on one tick: all shown, the late one in its turn
    driven.display.ShowDueFrames(4);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(86400, 90000, 93600, 97200, 1000));
    EXPECT_EQ(Counts(driven.display), std::make_pair(uint64_t(5), uint64_t(0)));
    ASSERT_EQ(driven.layer.m_calls.size(), 5u);
    EXPECT_EQ(driven.layer.m_calls[1].time, 90000);
    EXPECT_EQ(driven.layer.m_calls[2].time, 97300) << "layers see the clock at release, not the picture's time";

    // A due picture never overtakes an earlier one that is not.
    SD.SendTo(driven.display, 200000);
    SD.SendTo(driven.display, 1);
    driven.display.ShowDueFrames(5);
    EXPECT_EQ(driven.surface->Times().size(), 5u);
}

TEST(DisplayPacing, WithoutAClockThatCanBeReadPicturesAreShownOnTheNextWake)
{
    SDrivenDisplay driven;
    driven.clock.m_readable = false;
    driven.clock.m_value = 5;
    SD.SendTo(driven.display, 777777);
    SD.SendTo(driven.display, 10);
    driven.display.ShowDueFrames(1);
    driven.display.SetProgramClock(nullptr);
    SD.SendTo(driven.display, 900000);
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(777777, 10, 900000));
    for (const CRecordingLayer::SCall& call : driven.layer.m_calls)
        EXPECT_EQ(call.time, 0) << "layers get 0 without a clock";
}

TEST(DisplayPacing, PicturesAndClockAcrossThe33BitWrap)
{
    SDrivenDisplay driven;
    const int64_t beforeWrap = DVB_CLOCK_WRAP - 1800;
    SD.SendTo(driven.display, beforeWrap - 3600); // the still that starts the timeline
    SD.SendTo(driven.display, beforeWrap);
    SD.SendTo(driven.display, 1800); // the next picture, its PTS wrapped

    driven.clock.m_value = beforeWrap - 1;
    driven.display.ShowDueFrames(1);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(beforeWrap - 3600));
    driven.clock.m_value = DVB_CLOCK_WRAP + 100; // extrapolated past 2^33
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(beforeWrap - 3600, beforeWrap));
    EXPECT_EQ(driven.layer.m_calls.at(1).time, 100) << "the clock is passed on modulo 2^33";
    driven.clock.m_value = DVB_CLOCK_WRAP + 1800;
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(beforeWrap - 3600, beforeWrap, 1800));

    // Stamped just before the wrap while the clock reads just after it: late, not a day early.
    SD.SendTo(driven.display, DVB_CLOCK_WRAP - 10);
    driven.clock.m_value = 50;
    driven.display.ShowDueFrames(4);
    EXPECT_EQ(driven.surface->Times().size(), 4u);
}

// A zap or a break in the clock: what waits is dropped at once, and the first
// picture of the new timeline is shown as soon as it comes, as a still.
TEST(DisplayTimeline, AFlushDropsEveryWaitingPictureAndTheNextIsShownAtOnce)
{
    SDrivenDisplay driven;
    driven.clock.m_value = 0;
    for (int64_t time : { 3600, 7200, 10800 })
        SD.SendTo(driven.display, time);
    driven.display.ShowDueFrames(1);
    driven.display.Flush();
    driven.clock.m_value = 10800;
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(3600)) << "nothing of the old timeline after the flush";

    SD.SendTo(driven.display, 50000);
    SD.SendTo(driven.display, 53600);
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(3600, 50000));
    driven.display.SetProgramClock(&driven.clock); // a new service flushes too
    driven.clock.m_value = 53600;
    driven.display.ShowDueFrames(4);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(3600, 50000));
    EXPECT_EQ(Counts(driven.display), std::make_pair(uint64_t(2), uint64_t(0))) << "flushed pictures are not drops";
}

TEST(DisplayTimeline, PicturesSecondsFromTheClockEitherWayAreDroppedNotWaitedFor)
{
    SDrivenDisplay driven;
    driven.clock.m_value = 100000;
    SD.SendTo(driven.display, 100000);
    SD.SendTo(driven.display, 100000 + 4 * 90000); // from before the clock jumped back
    SD.SendTo(driven.display, 103600);
    driven.display.ShowDueFrames(1);
    driven.clock.m_value = 103600;
    driven.display.ShowDueFrames(2);
    SD.SendTo(driven.display, 103600 - 4 * 90000); // from before it jumped on
    SD.SendTo(driven.display, 107200);
    driven.clock.m_value = 107200;
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(100000, 103600, 107200));
    EXPECT_EQ(Counts(driven.display), std::make_pair(uint64_t(3), uint64_t(2)));
}

TEST(DisplayQueue, BeyondTwentyWaitingPicturesTheOldestIsDroppedForEachNewOne)
{
    SDrivenDisplay driven;
    for (int i = 0; i < 25; ++i)
        SD.SendTo(driven.display, 1000 + i);
    // Pictures of no size or of an absurd one are refused: they take no place in the queue.
    STestPicture(0, 576, 1).SendTo(driven.display, 1);
    STestPicture(16, 4098, 1).SendTo(driven.display, 1);
    EXPECT_EQ(Counts(driven.display).second, 5u);

    driven.clock.m_value = 2000;
    driven.display.ShowDueFrames(1);
    std::vector<int64_t> expected;
    for (int i = 5; i < 25; ++i)
        expected.push_back(1000 + i);
    EXPECT_EQ(driven.surface->Times(), expected);
    for (int i = 0; i < 20; ++i) // the shown frames are free again
        SD.SendTo(driven.display, 3000);
    EXPECT_EQ(Counts(driven.display), std::make_pair(uint64_t(20), uint64_t(5)));
}

TEST(DisplayBlankFrame, IsShownAfter500msWithoutPicturesAndEvery500msAfter)
{
    SDrivenDisplay driven;
    for (uint32_t now : { 499, 500, 999, 1000 })
        driven.display.ShowDueFrames(now);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(-1, -1));
    const STestPicture blank = driven.surface->presented[0];
    EXPECT_EQ(blank.width, 720);
    EXPECT_EQ(blank.height, 576);
    EXPECT_EQ(blank.Y, std::vector<unsigned char>(720 * 576, 0x00)) << "black";
    EXPECT_EQ(blank.U, std::vector<unsigned char>(360 * 288, 0x80));
    EXPECT_EQ(blank.V, std::vector<unsigned char>(360 * 288, 0x80));
    EXPECT_EQ(Counts(driven.display).first, 0u) << "the blank frame is not a picture shown";

    SD.SendTo(driven.display, 0); // a picture restarts the wait
    for (uint32_t now : { 1200, 1699, 1700 })
        driven.display.ShowDueFrames(now);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(-1, -1, 0, -1));
}

TEST(DisplayDrawing, CopiesThePictureIntactThenLetTheLayersDrawInOrderUntilRemoved)
{
    SDrivenDisplay driven;
    CRecordingLayer first(0x11), second(0x22), never;
    driven.display.AddDisplayLayer(&first);
    EXPECT_TRUE(driven.display.AddDisplayLayer(&second));
    EXPECT_FALSE(driven.display.RemoveDisplayLayer(&never));
    const STestPicture picture(64, 48, 9);
    picture.SendTo(driven.display, 0);
    driven.display.ShowDueFrames(1);

    const STestPicture shown = driven.surface->presented.at(0);
    EXPECT_EQ(shown.Y[0], 0x22) << "the last layer drew last, before presenting";
    EXPECT_TRUE(std::equal(shown.Y.begin() + 1, shown.Y.end(), picture.Y.begin() + 1));
    EXPECT_EQ(shown.U, picture.U);
    EXPECT_EQ(shown.V, picture.V);
    EXPECT_EQ(first.m_calls.at(0).width, 64);
    EXPECT_EQ(first.m_calls.at(0).pitch, 64 + 24) << "the surface's pitch, not the picture's width";

    EXPECT_TRUE(driven.display.RemoveDisplayLayer(&second));
    EXPECT_FALSE(driven.display.RemoveDisplayLayer(&second));
    picture.SendTo(driven.display, 0);
    driven.display.ShowDueFrames(2);
    EXPECT_EQ(first.m_calls.size(), 2u);
    EXPECT_EQ(second.m_calls.size(), 1u);
    driven.display.RemoveDisplayLayer(&first);
}

TEST(DisplaySurfaces, AreRecreatedOnASizeChangeAndAFailureIsReportedConsumedAndRetried)
{
    SDrivenDisplay driven;
    driven.surface->failCreateWidth = 544;
    driven.clock.m_value = 10;
    std::vector<CString> reports;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const CString& text, const CString& caption, unsigned) {
        reports.push_back(caption + "|" + text);
        return KRX_IDOK;
    });
    SD.SendTo(driven.display, 1);
    SD.SendTo(driven.display, 2);
    STestPicture(544, 576, 2).SendTo(driven.display, 3);
    STestPicture(1920, 1080, 3).SendTo(driven.display, 4);
    driven.display.ShowDueFrames(1);
    driven.surface->failLock = true; // a surface that cannot be written draws nothing
    SD.SendTo(driven.display, 5);
    driven.display.ShowDueFrames(2);
    SetMessageBoxHandler(previous);

    using Size = std::pair<int, int>;
    EXPECT_THAT(driven.surface->created, ElementsAre(Size(720, 576), Size(544, 576), Size(1920, 1080), Size(720, 576)));
    EXPECT_THAT(driven.surface->Times(), ElementsAre(1, 2, 4));
    EXPECT_EQ(Counts(driven.display).first, 3u);
    EXPECT_THAT(reports,
        ElementsAre("Korrix Video|An error has occurred whilst trying to setup Korrix's video display.\r\n"
                    "This will almost certainly mean the video display won't work.\r\n"
                    "To be more precise, the error is as follows:\r\n"
                    "too wide"));
}

TEST(DisplayReports, AspectRatioReachesTheSurfaceAndTheAVLogHasALinePerPresentation)
{
    TemporaryFolder folder;
    CString error;
    ASSERT_TRUE(CKRXAVLog::Open(folder.File("av.csv"), error)) << error;
    SDrivenDisplay driven;
    driven.clock.m_value = DVB_CLOCK_WRAP + 4000;
    driven.display.SetDisplayAspectRatio(16, 9);
    SD.SendTo(driven.display, 3600);
    driven.display.ShowDueFrames(1);
    driven.display.SetProgramClock(nullptr);
    driven.display.ShowDueFrames(600);
    CKRXAVLog::Close();

    EXPECT_EQ(driven.surface->aspect, std::make_pair(16, 9));
    const CString log = folder.Read("av.csv");
    EXPECT_THAT(log, MatchesRegex("video,3600,4000,[0-9]+\nvideo,blank,0,[0-9]+\n"));
}

// The frame thread sleeps for what GetMillisecondsUntilDue says: a picture
// must be due when that time is up and not a millisecond before, so the
// answer is checked against what ShowDueFrames then does.
TEST(DisplayPacing, TheFrameThreadSleepsUntilTheFrontPictureIsDueAndNoLonger)
{
    SDrivenDisplay driven;
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(100), 400u) << "nothing queued: until the blank frame";
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(600), 0u);

    driven.clock.m_value = 50000;
    SD.SendTo(driven.display, 86400);
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(1), 0u) << "a timeline's first picture is shown at once";
    driven.display.ShowDueFrames(1);

    SD.SendTo(driven.display, 90000);
    SD.SendTo(driven.display, 86000); // behind the front: waits its turn
    driven.clock.m_value = 89910;
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(2), 1u) << "90 ticks: one millisecond";
    driven.clock.m_value = 89909;
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(2), 2u) << "91 ticks round up, never early";
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(86400));
    driven.clock.m_value = 90000;
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(3), 0u);
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.surface->Times(), ElementsAre(86400, 90000, 86000));

    SD.SendTo(driven.display, 90000 + 4 * 90000); // another timeline's: dropped at once, not waited for
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(4), 0u);
    driven.clock.m_readable = false;
    SD.SendTo(driven.display, 500000);
    EXPECT_EQ(driven.display.GetMillisecondsUntilDue(4), 0u) << "without a clock, shown as it comes";
    EXPECT_EQ(driven.display.GetMillisecondsUntilNotification(), KRX_INFINITE) << "it needs no tick";
}
