#include "CliTest.h"

#include "platform/Event.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
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

TEST_F(CliTest, ShowsEachCommandsOwnHelpWhereverItIsAsked)
{
    // Asked anywhere on a command's line, help wins over the rest of it, a
    // missing file or a bad value included.
    const KRXCliArguments requests[] = {
        { "play", "--help" },
        { "play", "a.ts", "--seconds", "-h" },
        { "help", "play" },
        { "-h", "play" },
    };
    for (const KRXCliArguments& arguments : requests) {
        EXPECT_EQ(Run(arguments), 0) << arguments.back();
        EXPECT_EQ(err.str(), "");
        EXPECT_THAT(out.str(),
            StartsWith(
                "Usage:\n  korrix-cli play FILE.ts|--input NAME --multiplex NAME [--seconds N] [--record OUT.ts]\n"));
        EXPECT_THAT(out.str(), Not(HasSubstr("korrix-cli services")));
    }
    EXPECT_EQ(Run({ "services", "-h" }), 0);
    EXPECT_THAT(out.str(), HasSubstr("korrix-cli services FILE.ts [--seconds N] [--paced]\n"));
    EXPECT_EQ(Run({ "help", "bogus" }), 2);
    ExpectOneErrorLine("unknown command 'bogus'");
}

TEST_F(CliTest, SaysItsVersion)
{
    EXPECT_EQ(Run({ "--version" }), 0);
    EXPECT_THAT(out.str(), MatchesRegex("korrix-cli [0-9]+\\.[0-9]+(\\.[0-9]+)*\n"));
    EXPECT_EQ(err.str(), "");
}
