#include "CliTest.h"

#include "platform/Event.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

TEST_F(CliTest, ListsThePluginsOfTheProgramFolder)
{
    EXPECT_EQ(Run({ "plugins" }), 0) << err.str();
    EXPECT_THAT(
        out.str(), HasSubstr("input    File             Allows playback of recorded transport stream files.\n"));
    // A description of two lines is listed on one.
    EXPECT_THAT(out.str(), HasSubstr("decoder  Video            MPEG-2 Video Decoder. Uses libmpeg2 by "));
    EXPECT_THAT(out.str(), Not(HasSubstr("\r")));
    EXPECT_EQ(err.str(), "");
}

TEST_F(CliTest, SaysSoWhenNoPluginIsFound)
{
    EXPECT_EQ(Run({ "plugins" }, folder.Path()), 1);
    ExpectOneErrorLine("no plug-ins found in " + folder.Path());
    EXPECT_EQ(out.str(), "");
}

TEST_F(CliTest, RefusesCommandLinesItCannotUnderstand)
{
    EXPECT_EQ(Run({ "bogus" }), 2);
    ExpectOneErrorLine("unknown command 'bogus'");
    EXPECT_EQ(Run({ "plugins", "extra" }), 2);
    ExpectOneErrorLine("'plugins' takes no arguments");
}

TEST_F(CliTest, ShowsUsageOnRequestAndWhenCalledBare)
{
    EXPECT_EQ(Run({ "--help" }), 0);
    EXPECT_THAT(out.str(), HasSubstr("korrix-cli plugins\n"));
    EXPECT_EQ(Run({}), 2);
    EXPECT_THAT(err.str(), HasSubstr("Usage: korrix-cli COMMAND"));
    EXPECT_EQ(out.str(), "");
}
