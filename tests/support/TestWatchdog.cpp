#include "support/TestWatchdog.h"

#include <cstdio>
#include <cstdlib>

CTestWatchdog::CTestWatchdog(std::chrono::milliseconds limit, Expiry expire)
    : m_limit(limit)
    , m_expire(std::move(expire))
    , m_thread([this] { Watch(); })
{
}

CTestWatchdog::~CTestWatchdog()
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CTestWatchdog::Install()
{
    testing::UnitTest::GetInstance()->listeners().Append(new CTestWatchdog(std::chrono::seconds(60)));
}

void CTestWatchdog::ReportAndExit(const std::string& test)
{
    std::fprintf(
        stderr, "[  FAILED  ] %s: still running when the watchdog's time was up, so taken to hang\n", test.c_str());
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

void CTestWatchdog::OnTestStart(const testing::TestInfo& test)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_test = std::string(test.test_suite_name()) + "." + test.name();
        ++m_started;
    }
    m_changed.notify_all();
}

void CTestWatchdog::OnTestEnd(const testing::TestInfo&)
{
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_test.clear();
    }
    m_changed.notify_all();
}

void CTestWatchdog::Watch()
{
    std::unique_lock<std::mutex> hold(m_lock);
    while (!m_quit) {
        if (m_test.empty()) {
            m_changed.wait(hold);
            continue;
        }
        const std::uint64_t watched = m_started;
        const bool ended
            = m_changed.wait_for(hold, m_limit, [&] { return m_quit || m_test.empty() || m_started != watched; });
        if (!ended) {
            m_expire(m_test);
            m_test.clear();
        }
    }
}
