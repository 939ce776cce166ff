// The timers as the user makes them and as the timers file keeps them:
// conflicts marked when made, the file's round trip and a damaged file left
// alone, file names from the pattern, and the lock that keeps two recorders
// off one timer.
#include "support/TemporaryFolder.h"
#include "timers/KRXFileLock.h"
#include "timers/KRXTimerFileName.h"
#include "timers/KRXTimerStore.h"

#include <gtest/gtest.h>

namespace {
constexpr int64_t kListDay = 1'800'000'000;

CKRXTimerList::Programme Programme(const char* input, const char* multiplex, int64_t start)
{
    CKRXTimerList::Programme programme;
    programme.input = input;
    programme.multiplex = multiplex;
    programme.serviceId = 0x1001;
    programme.serviceName = "One";
    programme.eventId = 7;
    programme.title = "News";
    programme.start = start;
    programme.duration = 1800;
    return programme;
}

TEST(TimerList, TimersNeedingAnotherMultiplexOfTheSameAdapterAtOnceAreMarkedAsConflicts)
{
    CKRXTimerList timers;
    EXPECT_EQ(timers.AddForEvent(Programme("Card", "Mux 1", kListDay), 120, 300), "");
    const CKRXTimer& first = timers.GetTimers()[0];
    EXPECT_EQ(first.GetRecordStart(), kListDay - 120);
    EXPECT_EQ(first.GetRecordStop(), kListDay + 1800 + 300);
    EXPECT_EQ(first.eventId, 7);
    EXPECT_TRUE(first.followEvent);
    // Same multiplex, another adapter or a file input: no conflict.
    EXPECT_EQ(timers.AddForEvent(Programme("Card", "Mux 1", kListDay + 60), 120, 300), "");
    EXPECT_EQ(timers.AddForEvent(Programme("Other card", "Mux 2", kListDay), 120, 300), "");
    EXPECT_EQ(timers.AddForEvent(Programme(CKRXTimerList::kFileInput, "a.ts", kListDay), 120, 300), "");
    EXPECT_EQ(timers.AddForEvent(Programme(CKRXTimerList::kFileInput, "b.ts", kListDay), 120, 300), "");
    // Only the padding overlaps, and that is enough.
    const CString conflict = timers.AddForEvent(Programme("Card", "Mux 2", kListDay + 2000), 120, 300);
    EXPECT_NE(conflict.find("timer 1"), CString::npos) << conflict;
    EXPECT_EQ(timers.GetTimers().back().conflict, conflict);
    EXPECT_EQ(timers.GetTimers().back().id, 6);
    // Once the padding is clear, no conflict.
    EXPECT_EQ(timers.AddForEvent(Programme("Card", "Mux 3", kListDay + 4100 + 120), 120, 300), "");
    // A timer that has finished needs the adapter no more.
    timers.Find(1)->state = EKRXTimerState::Done;
    timers.Find(2)->state = EKRXTimerState::Done;
    EXPECT_NE(timers.AddForEvent(Programme("Card", "Mux 4", kListDay + 2000), 120, 300), "");
    timers.Find(6)->state = EKRXTimerState::Failed;
    EXPECT_EQ(timers.AddForEvent(Programme("Card", "Mux 4", kListDay), 120, 300), "");
    // A removed timer's number is not given to a new one while a later one exists.
    EXPECT_TRUE(timers.Remove(2));
    EXPECT_FALSE(timers.Remove(2));
    EXPECT_EQ(timers.AddForEvent(Programme("Card", "Mux 1", kListDay + 9000), 0, 0), "");
    EXPECT_EQ(timers.GetTimers().back().id, 10);
}

TEST(TimerStore, TimersSurviveTheFileWholeAndADamagedFileIsNeverWrittenOver)
{
    TemporaryFolder folder;
    const CKRXTimerStore store(folder.Path());
    CKRXTimerList read;
    CString error;
    EXPECT_TRUE(store.Read(read, error)) << "no file yet is no timers";
    EXPECT_TRUE(read.GetTimers().empty());

    CKRXTimer odd;
    odd.input = "TT Budget DVB-T";
    odd.multiplex = "Mux\t1 \\ two";
    odd.originalNetworkId = 0x2114;
    odd.transportStreamId = 0xFFFF;
    odd.serviceId = 0x1001;
    odd.serviceName = "Déjà vu";
    odd.start = kListDay;
    odd.stop = kListDay + 60;
    odd.paddingBefore = 0;
    odd.paddingAfter = 1;
    odd.eventId = 0xFFFF;
    odd.title = "Line\nbreak\\n";
    odd.followEvent = false;
    odd.filePattern = "/srv/YYYY/Title.ts";
    odd.state = EKRXTimerState::Failed;
    odd.reason = "No space left on device";
    odd.conflict = "needs 'TT Budget DVB-T' while timer 1 records 'Mux 2'";
    odd.file = "/srv/2027/Line.ts";
    ASSERT_TRUE(store.Change(
        [&](CKRXTimerList& timers) {
            timers.Add(odd);
            timers.Add(odd);
            timers.GetTimers()[0].conflict = odd.conflict;
        },
        error))
        << error;
    ASSERT_TRUE(store.Read(read, error)) << error;
    ASSERT_EQ(read.GetTimers().size(), 2u);
    odd.id = 1;
    EXPECT_EQ(read.GetTimers()[0], odd);

    const CString whole = folder.Read("Timers.txt");
    folder.Write("Timers.txt", whole + "id=3\tinput=Card\tstart=soon\n");
    EXPECT_FALSE(store.Read(read, error));
    EXPECT_NE(error.find("line 3"), CString::npos) << error;
    EXPECT_EQ(read.GetTimers().size(), 2u) << "the whole lines are kept";
    EXPECT_FALSE(store.Change([](CKRXTimerList& timers) { timers.Remove(1); }, error));
    EXPECT_EQ(folder.Read("Timers.txt"), whole + "id=3\tinput=Card\tstart=soon\n");
}

TEST(TimerFileName, ThePatternNamesTheProgrammeServiceAndLocalStartSafelyInTheFolder)
{
    CKRXTimer timer;
    timer.title = "News/Weather";
    timer.serviceName = "One";
    std::tm start {};
    start.tm_year = 2027 - 1900;
    start.tm_mon = 2;
    start.tm_mday = 4;
    start.tm_hour = 9;
    start.tm_min = 5;
    EXPECT_EQ(CKRXTimerFileName::Expand(timer, start, "/rec"), "/rec/News-Weather - One - 2027-03-04 09-05.ts");
    timer.filePattern = "/abs/HH.MM on DD.MM.YYYY Service.ts";
    EXPECT_EQ(CKRXTimerFileName::Expand(timer, start, "/rec/"), "/abs/09.05 on 04.03.2027 One.ts");
    timer.title.clear();
    timer.serviceName.clear();
    timer.serviceId = 0x1001;
    timer.filePattern = "Title Service.ts";
    EXPECT_EQ(CKRXTimerFileName::Expand(timer, start, "/rec/"), "/rec/Timer 4097.ts");
}

TEST(TimerLock, OneHolderAtATimeUntilItReleasesOrGoes)
{
    TemporaryFolder folder;
    const CString path = CKRXFileLock::TimerLockPath(folder.Path(), 4);
    CString error;
    CKRXFileLock second;
    {
        CKRXFileLock first;
        ASSERT_TRUE(first.Acquire(path, false, error)) << error;
        EXPECT_FALSE(second.Acquire(path, false, error));
        EXPECT_FALSE(second.IsHeld());
        EXPECT_TRUE(second.Acquire(CKRXFileLock::TimerLockPath(folder.Path(), 5), false, error));
        first.Release();
        EXPECT_TRUE(second.Acquire(path, false, error));
        CKRXFileLock third;
        EXPECT_FALSE(third.Acquire(path, false, error)) << "acquiring again gives up the lock held before";
    }
    CKRXFileLock fourth;
    EXPECT_TRUE(fourth.Acquire(CKRXFileLock::TimerLockPath(folder.Path(), 5), false, error));
    EXPECT_FALSE(fourth.Acquire(CKRXFileLock::TimerLockPath(folder.Path(), 9) + "/none", false, error));
    EXPECT_FALSE(error.empty());
}
} // namespace
