#pragma once
// Runs korrix-cli commands in-process against the program folder's plug-ins,
// keeping what they print.
#include "CliCommands.h"

#include "platform/Event.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

class CliTest : public ::testing::Test
{
protected:
    int Run(const KRXCliArguments& arguments, const CString& pluginFolder = KRX_PROGRAM_FOLDER)
    {
        out.str("");
        err.str("");
        KRXCliContext context { out, err, &interrupted, pluginFolder };
        return RunKorrixCli(arguments, context);
    }
    // A failure is told in exactly one line, naming the program.
    void ExpectOneErrorLine(const CString& about)
    {
        const CString text = err.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_THAT(text, ::testing::StartsWith("korrix-cli: "));
        EXPECT_THAT(text, ::testing::HasSubstr(about));
    }

    std::ostringstream out;
    std::ostringstream err;
    CEvent interrupted { true, false };
    TemporaryFolder folder;
};
