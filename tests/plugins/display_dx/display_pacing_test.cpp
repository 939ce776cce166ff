// The display's logic on an in-memory surface, woken by hand: queue, pacing on
// the programme clock, blank frame, copy, layers and counts.
#include "DisplayTestSupport.h"

#include "plugin/KRXAVLog.h"
#include "stream/DVBTiming.h"

#include "platform/MessageBox.h"

#include "support/TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

using ::testing::ElementsAre;

namespace {
const STestPicture SD(720, 576, 1);

uint64_t Shown(const CDVBDisplay& display)
{
    uint64_t shown, dropped;
    display.GetPictureCounts(shown, dropped);
    return shown;
}

uint64_t Dropped(const CDVBDisplay& display)
{
    uint64_t shown, dropped;
    display.GetPictureCounts(shown, dropped);
    return dropped;
}
} // namespace

TEST(DisplayPacing, EachPictureIsReleasedOnTheFirstTickAtWhichTheClockHasReachedIt)
{
    SClockedDisplay driven;
    CScriptedClock& clock = driven.clock;
    CRecordingLayer& layer = driven.layer;
    for (int64_t time : { 90000, 93600, 97200 })
        SD.SendTo(driven.display, time);

    clock.m_value = 89999;
    driven.display.ShowDueFrames(1);
    EXPECT_TRUE(driven.PresentedTimes().empty()) << "one tick early";
    EXPECT_TRUE(clock.m_askedForNow) << "the display reads the clock at the present instant";

    clock.m_value = 90000;
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(90000));

    clock.m_value = 97300; // both remaining pictures came due on the same tick: both shown, in order
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(90000, 93600, 97200));
    EXPECT_EQ(Shown(driven.display), 3u);

    ASSERT_EQ(layer.m_calls.size(), 3u);
    EXPECT_EQ(layer.m_calls[0].time, 90000);
    EXPECT_EQ(layer.m_calls[1].time, 97300) << "layers see the clock at release, not the picture's time";
    EXPECT_EQ(layer.m_calls[2].time, 97300);
}

TEST(DisplayPacing, TheQueueIsStrictlyFirstInFirstOut)
{
    SClockedDisplay driven;
    CScriptedClock& clock = driven.clock;
    SD.SendTo(driven.display, 5000);
    SD.SendTo(driven.display, 1000);

    clock.m_value = 3000;
    driven.display.ShowDueFrames(1);
    EXPECT_TRUE(driven.PresentedTimes().empty()) << "a due picture never overtakes an earlier one";
    clock.m_value = 5000;
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(5000, 1000));
}

TEST(DisplayPacing, WithoutAReadableClockPicturesAreShownOnTheNextWakeInOrder)
{
    SDrivenDisplay driven;
    CRecordingLayer layer;
    driven.display.AddDisplayLayer(&layer);
    SD.SendTo(driven.display, 777777);
    SD.SendTo(driven.display, 10);
    driven.display.ShowDueFrames(1);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(777777, 10));

    CScriptedClock clock; // set, but not yet able to give a value
    clock.m_readable = false;
    clock.m_value = 5;
    driven.display.SetProgramClock(&clock);
    SD.SendTo(driven.display, 900000);
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(777777, 10, 900000));
    for (const SLayerCall& call : layer.m_calls)
        EXPECT_EQ(call.time, 0) << "layers get 0 without a clock";
}

TEST(DisplayPacing, PicturesAndClockAcrossThe33BitWrap)
{
    SClockedDisplay driven;
    CScriptedClock& clock = driven.clock;
    CRecordingLayer& layer = driven.layer;
    const int64_t beforeWrap = DVB_CLOCK_WRAP - 1800;
    SD.SendTo(driven.display, beforeWrap);
    SD.SendTo(driven.display, 1800); // the next picture, its PTS wrapped

    clock.m_value = beforeWrap - 1;
    driven.display.ShowDueFrames(1);
    EXPECT_TRUE(driven.PresentedTimes().empty());

    // The programme clock is extrapolated past 2^33: the first picture is due, the wrapped one not yet.
    clock.m_value = DVB_CLOCK_WRAP + 100;
    driven.display.ShowDueFrames(2);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(beforeWrap));
    ASSERT_EQ(layer.m_calls.size(), 1u);
    EXPECT_EQ(layer.m_calls[0].time, 100) << "the clock is passed on modulo 2^33";

    clock.m_value = DVB_CLOCK_WRAP + 1800;
    driven.display.ShowDueFrames(3);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(beforeWrap, 1800));

    // A picture stamped just before the wrap while the clock, read modulo 2^33, is just after it
    // is late, not a day early.
    SD.SendTo(driven.display, DVB_CLOCK_WRAP - 10);
    clock.m_value = 50;
    driven.display.ShowDueFrames(4);
    EXPECT_EQ(driven.PresentedTimes().size(), 3u);
}

TEST(DisplayQueue, BeyondTwentyWaitingPicturesTheOldestIsDroppedForEachNewOne)
{
    SClockedDisplay driven;
    CScriptedClock& clock = driven.clock;
    for (int i = 0; i < 25; ++i)
        SD.SendTo(driven.display, 1000 + i);
    EXPECT_EQ(Dropped(driven.display), 5u);
    // Pictures of no size or of an absurd one are refused: they take no place in the queue.
    STestPicture(0, 576, 1).SendTo(driven.display, 1);
    STestPicture(16, 4098, 1).SendTo(driven.display, 1);
    EXPECT_EQ(Dropped(driven.display), 5u);

    clock.m_value = 2000;
    driven.display.ShowDueFrames(1);
    std::vector<int64_t> expected;
    for (int i = 5; i < 25; ++i)
        expected.push_back(1000 + i);
    EXPECT_EQ(driven.PresentedTimes(), expected);
    EXPECT_EQ(Shown(driven.display), 20u);

    // Shown frames went back to the free list: twenty more fit without a drop.
    for (int i = 0; i < 20; ++i)
        SD.SendTo(driven.display, 3000);
    EXPECT_EQ(Dropped(driven.display), 5u);
}

TEST(DisplayBlankFrame, IsShownAfter500msWithoutPicturesAndEvery500msAfter)
{
    SDrivenDisplay driven;
    driven.display.ShowDueFrames(499);
    EXPECT_TRUE(driven.PresentedTimes().empty());
    driven.display.ShowDueFrames(500);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(-1));
    driven.display.ShowDueFrames(999);
    EXPECT_EQ(driven.PresentedTimes().size(), 1u);
    driven.display.ShowDueFrames(1000);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(-1, -1));

    const std::vector<SPresentedPicture> presented = driven.surface->Presented();
    EXPECT_EQ(presented[0].width, 720);
    EXPECT_EQ(presented[0].height, 576);
    EXPECT_EQ(std::count(presented[0].Y.begin(), presented[0].Y.end(), 0x00), 720 * 576) << "black";
    EXPECT_EQ(std::count(presented[0].U.begin(), presented[0].U.end(), 0x80), 360 * 288);
    EXPECT_EQ(std::count(presented[0].V.begin(), presented[0].V.end(), 0x80), 360 * 288);
    EXPECT_EQ(Shown(driven.display), 0u) << "the blank frame is not a picture shown";

    // A picture restarts the wait.
    SD.SendTo(driven.display, 1);
    driven.display.ShowDueFrames(1200);
    driven.display.ShowDueFrames(1699);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(-1, -1, 1));
    driven.display.ShowDueFrames(1700);
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(-1, -1, 1, -1));
}

TEST(DisplayCopy, ThePictureArrivesIntactOnASurfaceOfWiderPitch)
{
    SDrivenDisplay driven;
    const STestPicture picture(64, 48, 9);
    picture.SendTo(driven.display, 0);
    driven.display.ShowDueFrames(1);
    const std::vector<SPresentedPicture> presented = driven.surface->Presented();
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0].Y, picture.Y);
    EXPECT_EQ(presented[0].U, picture.U);
    EXPECT_EQ(presented[0].V, picture.V);
}

TEST(DisplaySurfaces, AreRecreatedOnASizeChangeAndAFailureIsReportedAndRetried)
{
    SDrivenDisplay driven;
    driven.surface->failCreateWidth = 544;
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
    SetMessageBoxHandler(previous);

    using Size = std::pair<int, int>;
    EXPECT_THAT(driven.surface->created, ElementsAre(Size(720, 576), Size(544, 576), Size(1920, 1080)));
    EXPECT_THAT(driven.PresentedTimes(), ElementsAre(1, 2, 4)) << "a picture without a surface is not drawn";
    EXPECT_EQ(Shown(driven.display), 3u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
        "Korrix Video|An error has occurred whilst trying to setup Korrix's video display.\r\n"
        "This will almost certainly mean the video display won't work.\r\n"
        "To be more precise, the error is as follows:\r\n"
        "too wide");
}

TEST(DisplaySurfaces, ALockThatFailsDrawsNothingAndCountsNothing)
{
    SDrivenDisplay driven;
    driven.surface->failLock = true;
    SD.SendTo(driven.display, 1);
    driven.display.ShowDueFrames(1);
    EXPECT_TRUE(driven.PresentedTimes().empty());
    EXPECT_EQ(Shown(driven.display), 0u);
}

TEST(DisplayLayers, DrawInOrderIntoThePictureBeforeItIsPresentedAndStopOnRemoval)
{
    SDrivenDisplay driven;
    CRecordingLayer first(0x11), second(0x22), never;
    EXPECT_TRUE(driven.display.AddDisplayLayer(&first));
    EXPECT_TRUE(driven.display.AddDisplayLayer(&second));
    EXPECT_FALSE(driven.display.RemoveDisplayLayer(&never));

    const STestPicture picture(64, 48, 5);
    picture.SendTo(driven.display, 0);
    driven.display.ShowDueFrames(1);
    ASSERT_EQ(first.m_calls.size(), 1u);
    EXPECT_EQ(first.m_calls[0].width, 64);
    EXPECT_EQ(first.m_calls[0].height, 48);
    EXPECT_EQ(first.m_calls[0].pitch, 64 + 24) << "the surface's pitch, not the picture's width";
    EXPECT_EQ(driven.surface->Presented()[0].Y[0], 0x22) << "the second layer drew after the first, before presenting";
    EXPECT_EQ(driven.surface->Presented()[0].Y[1], picture.Y[1]);

    EXPECT_TRUE(driven.display.RemoveDisplayLayer(&second));
    EXPECT_FALSE(driven.display.RemoveDisplayLayer(&second));
    picture.SendTo(driven.display, 0);
    driven.display.ShowDueFrames(2);
    EXPECT_EQ(first.m_calls.size(), 2u);
    EXPECT_EQ(second.m_calls.size(), 1u);
}

TEST(DisplayReports, AspectRatioReachesTheSurfaceAndTheAVLogHasALinePerPresentation)
{
    TemporaryFolder folder;
    ASSERT_TRUE(CKRXAVLog::Open(folder.File("av.csv")));
    SDrivenDisplay driven;
    CScriptedClock clock;
    clock.m_value = DVB_CLOCK_WRAP + 4000;
    driven.display.SetProgramClock(&clock);
    driven.display.SetDisplayAspectRatio(16, 9);
    SD.SendTo(driven.display, 3600);
    driven.display.ShowDueFrames(1);
    driven.display.SetProgramClock(nullptr);
    driven.display.ShowDueFrames(600);
    CKRXAVLog::Close();

    EXPECT_EQ(driven.surface->aspect, std::make_pair(16, 9));
    std::istringstream lines(folder.Read("av.csv"));
    CString line;
    std::vector<CString> fields;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_THAT(line, ::testing::MatchesRegex("video,3600,4000,[0-9]+"));
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_THAT(line, ::testing::MatchesRegex("video,blank,0,[0-9]+"));
    EXPECT_FALSE(std::getline(lines, line));
}
