// The timer scheduler on a clock the test gives it and a recorder that only
// notes what it is asked: when timers start and stop, how event-following
// moves the stop, what becomes of problems, and that two schedulers sharing
// the timers' folder never record one timer twice.
#include "si/DVBScheduleEntry.h"
#include "support/TemporaryFolder.h"
#include "timers/KRXTimerList.h"
#include "timers/KRXTimerRecorder.h"
#include "timers/KRXTimerScheduler.h"

#include <gtest/gtest.h>

#include <map>

namespace {
constexpr int64_t T0 = 1'800'000'000;

class FakeRecorder : public CKRXTimerRecorder
{
public:
    EStart StartRecording(const CKRXTimer& timer, const CString& file, CString& error) override
    {
        if (startAnswer == EStart::Failed)
            error = "no such multiplex";
        if (startAnswer == EStart::Started)
            recording[timer.id] = file;
        return startAnswer;
    }
    bool StopRecording(const CKRXTimer& timer, CString& error) override
    {
        recording.erase(timer.id);
        ++stops;
        error = stopError;
        return stopError.empty();
    }
    CString CheckRecording(const CKRXTimer&, bool& fatal) override
    {
        fatal = problemFatal;
        return problem;
    }
    unsigned char GetRunningStatus(const CKRXTimer&) override { return runningStatus; }

    EStart startAnswer = EStart::Started;
    std::map<int, CString> recording;
    int stops = 0;
    CString stopError;
    CString problem;
    bool problemFatal = false;
    unsigned char runningStatus = 0;
};

class Scheduling : public testing::Test
{
protected:
    // The tests hold references to timers while adding more.
    void SetUp() override { timers.GetTimers().reserve(8); }

    // A programme from T0 + 600 to T0 + 1200, padded 120 s before and 300 s after.
    CKRXTimer& AddTimer(bool withEvent = false)
    {
        CKRXTimer timer;
        timer.input = "TT Budget DVB-T";
        timer.multiplex = "Mux 1";
        timer.serviceId = 0x1001;
        timer.serviceName = "One";
        timer.title = "News";
        timer.start = T0 + 600;
        timer.stop = T0 + 1200;
        timer.paddingBefore = 120;
        timer.paddingAfter = 300;
        timer.eventId = withEvent ? 42 : CKRXTimer::kNoEvent;
        timers.Add(timer);
        return timers.GetTimers().back();
    }
    std::vector<CString> At(int64_t now) { return scheduler.Tick(now, timers); }

    TemporaryFolder folder;
    FakeRecorder recorder;
    CKRXTimerScheduler scheduler { recorder, folder.Path(), "/rec/" };
    CKRXTimerList timers;
};

TEST_F(Scheduling, ATimerRecordsFromItsPaddedStartToItsPaddedStopIntoItsPatternsFile)
{
    const CKRXTimer& timer = AddTimer();
    EXPECT_TRUE(At(T0 + 479).empty());
    EXPECT_EQ(timer.state, EKRXTimerState::Waiting);
    const std::vector<CString> started = At(T0 + 480);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(timer.state, EKRXTimerState::Recording);
    EXPECT_TRUE(timer.file.starts_with("/rec/News - One - ")) << timer.file;
    EXPECT_EQ(recorder.recording.at(timer.id), timer.file);
    At(T0 + 1499);
    EXPECT_EQ(timer.state, EKRXTimerState::Recording);
    At(T0 + 1500);
    EXPECT_EQ(timer.state, EKRXTimerState::Done);
    EXPECT_TRUE(recorder.recording.empty());
    EXPECT_FALSE(scheduler.HasWork(timers));
}

TEST_F(Scheduling, ATimerWhoseTimePassedOrThatCannotStartFailsAndOneAskedToWaitTriesAgain)
{
    CKRXTimer& missed = AddTimer();
    At(T0 + 1500);
    EXPECT_EQ(missed.state, EKRXTimerState::Failed);
    EXPECT_FALSE(missed.reason.empty());

    CKRXTimer& asked = AddTimer();
    recorder.startAnswer = CKRXTimerRecorder::EStart::Later;
    At(T0 + 500);
    EXPECT_EQ(asked.state, EKRXTimerState::Waiting);
    recorder.startAnswer = CKRXTimerRecorder::EStart::Started;
    At(T0 + 501);
    EXPECT_EQ(asked.state, EKRXTimerState::Recording);

    CKRXTimer& refused = AddTimer();
    recorder.startAnswer = CKRXTimerRecorder::EStart::Failed;
    At(T0 + 502);
    EXPECT_EQ(refused.state, EKRXTimerState::Failed);
    EXPECT_EQ(refused.reason, "no such multiplex");
}

TEST_F(Scheduling, AFollowedEventRunsOnPastItsTimeUntilItStopsRunningBoundedByHalfAnHour)
{
    CKRXTimer& late = AddTimer(true);
    At(T0 + 480);
    recorder.runningStatus = DVB_RUNNING_RUNNING;
    const std::vector<CString> extended = At(T0 + 1500);
    EXPECT_EQ(late.state, EKRXTimerState::Recording);
    ASSERT_EQ(extended.size(), 1u);
    EXPECT_NE(extended[0].find("extended"), CString::npos) << extended[0];
    recorder.runningStatus = DVB_RUNNING_PAUSING;
    At(T0 + 1600);
    EXPECT_EQ(late.state, EKRXTimerState::Recording);
    recorder.runningStatus = DVB_RUNNING_NOT_RUNNING;
    At(T0 + 1601);
    EXPECT_EQ(late.state, EKRXTimerState::Done);

    CKRXTimer& endless = AddTimer(true);
    recorder.runningStatus = DVB_RUNNING_RUNNING;
    At(T0 + 480);
    At(T0 + 1500 + CKRXTimerScheduler::kFollowLimit - 1);
    EXPECT_EQ(endless.state, EKRXTimerState::Recording);
    At(T0 + 1500 + CKRXTimerScheduler::kFollowLimit);
    EXPECT_EQ(endless.state, EKRXTimerState::Done);
}

TEST_F(Scheduling, AFollowedEventStopsEarlyWhenItEndsAndWaitsWhenItHasNotBegun)
{
    CKRXTimer& early = AddTimer(true);
    At(T0 + 480);
    // Not yet running is not an end: it has to have run first.
    recorder.runningStatus = DVB_RUNNING_NOT_RUNNING;
    At(T0 + 500);
    EXPECT_EQ(early.state, EKRXTimerState::Recording);
    recorder.runningStatus = DVB_RUNNING_RUNNING;
    At(T0 + 600);
    recorder.runningStatus = DVB_RUNNING_NOT_RUNNING;
    At(T0 + 1100);
    EXPECT_EQ(early.state, EKRXTimerState::Done);

    CKRXTimer& delayed = AddTimer(true);
    recorder.runningStatus = DVB_RUNNING_STARTS_SOON;
    At(T0 + 480);
    At(T0 + 1500);
    EXPECT_EQ(delayed.state, EKRXTimerState::Recording);

    // Without a running status, or when told not to follow, the times rule.
    CKRXTimer& unfollowed = AddTimer(true);
    unfollowed.followEvent = false;
    CKRXTimer& unknown = AddTimer(true);
    At(T0 + 480);
    recorder.runningStatus = 0;
    At(T0 + 1500);
    EXPECT_EQ(unknown.state, EKRXTimerState::Done);
    EXPECT_EQ(unfollowed.state, EKRXTimerState::Done);
}

TEST_F(Scheduling, ProblemsWhileRecordingGoIntoTheStateAndEndItWhenFatal)
{
    CKRXTimer& unlocked = AddTimer();
    At(T0 + 480);
    recorder.problem = "no signal";
    const std::vector<CString> told = At(T0 + 500);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(unlocked.state, EKRXTimerState::Recording);
    EXPECT_TRUE(At(T0 + 501).empty()) << "the same problem is logged once";
    recorder.problem.clear();
    At(T0 + 1500);
    EXPECT_EQ(unlocked.state, EKRXTimerState::Failed);
    EXPECT_EQ(unlocked.reason, "no signal");

    CKRXTimer& full = AddTimer();
    At(T0 + 480);
    recorder.problem = "No space left on device";
    recorder.problemFatal = true;
    At(T0 + 600);
    EXPECT_EQ(full.state, EKRXTimerState::Failed);
    EXPECT_EQ(full.reason, "No space left on device");
    EXPECT_TRUE(recorder.recording.empty());

    recorder.problem.clear();
    recorder.problemFatal = false;
    CKRXTimer& lost = AddTimer();
    At(T0 + 480);
    recorder.stopError = "Input/output error";
    At(T0 + 1500);
    EXPECT_EQ(lost.state, EKRXTimerState::Failed);
    EXPECT_EQ(lost.reason, "Input/output error");
}

TEST_F(Scheduling, ARemovedTimerStopsRecordingAndStopAllFailsWhatRuns)
{
    const int removed = AddTimer().id;
    At(T0 + 480);
    timers.Remove(removed);
    At(T0 + 481);
    EXPECT_TRUE(recorder.recording.empty());
    EXPECT_EQ(recorder.stops, 1);

    CKRXTimer& interrupted = AddTimer();
    At(T0 + 482);
    scheduler.StopAll(timers, "the recorder was stopped");
    EXPECT_EQ(interrupted.state, EKRXTimerState::Failed);
    EXPECT_EQ(interrupted.reason, "the recorder was stopped");
    EXPECT_FALSE(scheduler.IsRecording());
}

TEST_F(Scheduling, TwoSchedulersNeverRecordOneTimerAndAnOrphanedRecordingFails)
{
    FakeRecorder otherRecorder;
    auto other = std::make_unique<CKRXTimerScheduler>(otherRecorder, folder.Path(), "/rec/");
    CKRXTimer& timer = AddTimer();
    At(T0 + 480);
    ASSERT_EQ(timer.state, EKRXTimerState::Recording);
    // The other sees the state the first wrote, and also a copy still waiting.
    CKRXTimerList copy = timers;
    copy.GetTimers()[0].state = EKRXTimerState::Waiting;
    other->Tick(T0 + 481, copy);
    EXPECT_TRUE(otherRecorder.recording.empty());
    other->Tick(T0 + 481, timers);
    EXPECT_EQ(timer.state, EKRXTimerState::Recording);

    // The first ends without finishing (its process gone): the other finds the lock free.
    CKRXTimerList seenByOther = timers;
    FakeRecorder crashedRecorder;
    {
        CKRXTimerScheduler crashed(crashedRecorder, folder.Path(), "/rec/");
        CKRXTimer& second = AddTimer();
        crashed.Tick(T0 + 482, timers);
        ASSERT_EQ(second.state, EKRXTimerState::Recording);
        seenByOther = timers;
    }
    other->Tick(T0 + 483, seenByOther);
    EXPECT_EQ(seenByOther.GetTimers()[0].state, EKRXTimerState::Recording) << "still held by the first";
    EXPECT_EQ(seenByOther.GetTimers()[1].state, EKRXTimerState::Failed);
}
} // namespace
