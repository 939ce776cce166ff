#include "support/TestWatchdog.h"

#include <future>

// The watchdog that guards these tests names the test whose time is up, once.
TEST(TestWatchdog, NamesTheTestWhoseTimeIsUp)
{
    std::promise<std::string> expired;
    CTestWatchdog watchdog(std::chrono::milliseconds(1), [&](const std::string& test) { expired.set_value(test); });
    watchdog.OnTestStart(*testing::UnitTest::GetInstance()->current_test_info());
    EXPECT_EQ(expired.get_future().get(), "TestWatchdog.NamesTheTestWhoseTimeIsUp");
}
