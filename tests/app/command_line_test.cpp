#include "KRXCommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, TakesEachOptionWithItsValue)
{
    SKRXCommandLine line;
    QString error;
    ASSERT_TRUE(ParseCommandLine(
        { "--service", "Korrix One", "--input", "File", "--multiplex", "Korrix Demo", "--av-log", "av.csv" }, line,
        error));
    EXPECT_EQ(line.input, "File");
    EXPECT_EQ(line.multiplex, "Korrix Demo");
    EXPECT_EQ(line.service, "Korrix One");
    EXPECT_EQ(line.avLog, "av.csv");
    EXPECT_TRUE(ParseCommandLine({}, line, error));
}

TEST(CommandLine, RefusesUnknownOptionsAndMissingValues)
{
    SKRXCommandLine line;
    QString error;
    EXPECT_FALSE(ParseCommandLine({ "--channel", "1" }, line, error));
    EXPECT_EQ(error, "'--channel' is not an option of Korrix");
    EXPECT_FALSE(ParseCommandLine({ "--input" }, line, error));
    EXPECT_EQ(error, "'--input' needs a value");
    EXPECT_FALSE(ParseCommandLine({ "--service", "", "--input", "File" }, line, error));
    EXPECT_EQ(error, "'--service' needs a value");
}
