// The test's CMakeLists.txt gives it two environment variables.
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
const char* Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "(unset)";
}
} // namespace

TEST(DiscoveredTests, GetEveryEnvironmentVariableTheirPropertiesGive)
{
    EXPECT_STREQ(Variable("KRX_FIRST_VARIABLE"), "first");
    EXPECT_STREQ(Variable("KRX_SECOND_VARIABLE"), "second");
}
