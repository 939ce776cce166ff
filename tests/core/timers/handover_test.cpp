// A timer coming due in the program: at once when the window is free or on
// its multiplex, after a countdown the user may cancel when another is
// watched, and back to what was watched when it ends.
#include "timers/KRXTimer.h"
#include "timers/KRXTimerHandover.h"

#include <gtest/gtest.h>

namespace {
class FakeWindow : public CKRXTimerHandover::CWindow
{
public:
    CKRXTimerHandover::Place GetWatched() override { return watched; }
    bool Watch(const CKRXTimerHandover::Place& place, CString&) override
    {
        watched = place;
        ++switches;
        return true;
    }
    CKRXTimerHandover::Place watched;
    int switches = 0;
};

class FakeHandoverRecorder : public CKRXTimerRecorder
{
public:
    EStart StartRecording(const CKRXTimer& timer, const CString&, CString&) override
    {
        recording = timer.id;
        return EStart::Started;
    }
    bool StopRecording(const CKRXTimer&, CString&) override
    {
        recording = 0;
        return true;
    }
    CString CheckRecording(const CKRXTimer&, bool& fatal) override { return fatal = false, ""; }
    unsigned char GetRunningStatus(const CKRXTimer&) override { return 0; }
    int recording = 0;
};

CKRXTimer Timer(int id, const char* multiplex)
{
    CKRXTimer timer;
    timer.id = id;
    timer.input = "Card";
    timer.multiplex = multiplex;
    timer.serviceId = 0x1001;
    return timer;
}

class Handover : public testing::Test
{
protected:
    CKRXTimerRecorder::EStart Start(const CKRXTimer& timer) { return handover.StartRecording(timer, "f.ts", error); }

    FakeWindow window;
    FakeHandoverRecorder recorder;
    int64_t now = 1000;
    CKRXTimerHandover handover { window, recorder, [this] { return now; } };
    CString error;
};

using EStart = CKRXTimerRecorder::EStart;

TEST_F(Handover, AFreeWindowOrTheTimersOwnMultiplexRecordsAtOnceWithoutReturning)
{
    EXPECT_EQ(Start(Timer(1, "Mux 1")), EStart::Started);
    EXPECT_EQ(window.watched, (CKRXTimerHandover::Place { "Card", "Mux 1", "4097" }));
    EXPECT_EQ(handover.GetCountingTimer(), 0);
    // A second timer on another multiplex cannot take the window from a recording.
    EXPECT_EQ(Start(Timer(2, "Mux 2")), EStart::Failed);
    EXPECT_NE(error.find("timer 1"), CString::npos) << error;
    handover.StopRecording(Timer(1, "Mux 1"), error);
    EXPECT_EQ(window.switches, 1) << "nothing was watched before: nothing to return to";

    window.watched = { "Card", "Mux 2", "5" };
    EXPECT_EQ(Start(Timer(3, "Mux 2")), EStart::Started);
    handover.StopRecording(Timer(3, "Mux 2"), error);
    EXPECT_EQ(window.switches, 1);
}

TEST_F(Handover, AnotherMultiplexWatchedCountsDownThenSwitchesAndReturnsWhenTheRecordingEnds)
{
    const CKRXTimerHandover::Place watched { "Card", "Mux 2", "7" };
    window.watched = watched;
    EXPECT_EQ(Start(Timer(1, "Mux 1")), EStart::Later);
    EXPECT_EQ(handover.GetCountingTimer(), 1);
    EXPECT_EQ(handover.GetSecondsLeft(), 30);
    EXPECT_NE(handover.GetCountdownText().find("Mux 2"), CString::npos);
    // Another timer waits for the countdown to finish.
    EXPECT_EQ(Start(Timer(2, "Mux 3")), EStart::Later);
    now += CKRXTimerHandover::kCountdownMs - 1;
    EXPECT_EQ(handover.GetSecondsLeft(), 1);
    EXPECT_EQ(Start(Timer(1, "Mux 1")), EStart::Later);
    EXPECT_EQ(window.watched, watched);
    now += 1;
    EXPECT_EQ(Start(Timer(1, "Mux 1")), EStart::Started);
    EXPECT_EQ(window.watched.multiplex, "Mux 1");
    EXPECT_EQ(recorder.recording, 1);
    EXPECT_TRUE(handover.StopRecording(Timer(1, "Mux 1"), error));
    EXPECT_EQ(window.watched, watched);
}

TEST_F(Handover, TheUsersCancelFailsTheTimerAndKeepsWhatIsWatched)
{
    window.watched = { "Card", "Mux 2", "7" };
    handover.Cancel();
    EXPECT_EQ(Start(Timer(1, "Mux 1")), EStart::Later) << "a cancel before any countdown counts for nothing";
    handover.Cancel();
    EXPECT_EQ(Start(Timer(1, "Mux 1")), EStart::Failed);
    EXPECT_EQ(error, "cancelled by the user");
    EXPECT_EQ(handover.GetCountingTimer(), 0);
    EXPECT_EQ(window.switches, 0);
    // The next timer gets a countdown of its own.
    EXPECT_EQ(Start(Timer(2, "Mux 1")), EStart::Later);
    EXPECT_EQ(handover.GetCountingTimer(), 2);
}
} // namespace
