#include "platform/CriticalSection.h"
#include "platform/DebugOutput.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>

TEST(Thread, StopWithinJoinsAThreadThatEndsWhenAsked)
{
    CEvent quit(true, false);
    CThread thread("worker");
    ASSERT_TRUE(thread.Start([&] { quit.Wait(KRX_INFINITE); }));
    EXPECT_FALSE(thread.Start([] {})) << "only one body at a time";
    quit.Set();
    EXPECT_TRUE(thread.StopWithin(1000));
    EXPECT_FALSE(thread.IsRunning());
}

TEST(Thread, ALateThreadIsReportedAndStillJoined)
{
    CString captured;
    CEvent reported(true, false);
    DebugOutputSink previous = SetDebugOutputSink([&](const CString& text) {
        captured += text;
        reported.Set();
    });
    CEvent release(true, false);
    CThread thread("slow worker");
    thread.Start([&] { release.Wait(KRX_INFINITE); });
    // Let StopWithin give up and report first, then let the body end.
    std::thread releaser([&] {
        reported.Wait(KRX_INFINITE);
        release.Set();
    });
    EXPECT_FALSE(thread.StopWithin(10));
    releaser.join();
    SetDebugOutputSink(previous);
    EXPECT_TRUE(thread.HasFinished());
    EXPECT_NE(captured.find("slow worker did not stop within 10 ms"), CString::npos) << captured;
}

TEST(CriticalSection, IsReentrantAndScopedLockReleases)
{
    CCriticalSection section;
    {
        CSingleLock outer(&section, true);
        CSingleLock inner(&section, true);
        EXPECT_TRUE(inner.IsLocked());
        inner.Unlock();
        EXPECT_FALSE(inner.IsLocked());
    }
    bool acquired = false;
    std::thread other([&] {
        CSingleLock lock(&section, true);
        acquired = lock.IsLocked();
    });
    other.join();
    EXPECT_TRUE(acquired);
}
