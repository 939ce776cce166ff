#pragma once
// Turns a test that hangs into a failure that names it: a test still running
// when its time is up ends the whole program, so that a run goes on to the
// next test instead of stalling until the runner's own time-out.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class CTestWatchdog : public testing::EmptyTestEventListener
{
public:
    // Told the full name of the test whose time is up.
    using Expiry = std::function<void(const std::string& test)>;

    explicit CTestWatchdog(std::chrono::milliseconds limit, Expiry expire = ReportAndExit);
    ~CTestWatchdog() override;
    CTestWatchdog(const CTestWatchdog&) = delete;
    CTestWatchdog& operator=(const CTestWatchdog&) = delete;

    // Watches every test of this program for a minute; call before RUN_ALL_TESTS.
    static void Install();
    static void ReportAndExit(const std::string& test);

    void OnTestStart(const testing::TestInfo& test) override;
    void OnTestEnd(const testing::TestInfo& test) override;

private:
    void Watch();

    const std::chrono::milliseconds m_limit;
    const Expiry m_expire;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::string m_test; // empty between tests
    std::uint64_t m_started = 0; // counts the tests started, so a wait knows its test has ended
    bool m_quit = false;
    std::thread m_thread;
};
