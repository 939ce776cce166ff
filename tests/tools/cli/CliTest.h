#pragma once
// Runs korrix-cli commands in-process against the program folder's plug-ins,
// keeping what they print.
#include "CliCommands.h"

#include "platform/Event.h"
#include "support/TemporaryFolder.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

class CliTest : public ::testing::Test
{
protected:
    // Far beyond any command a test runs, but well within CTest's time-out.
    static constexpr std::chrono::seconds kDeadline { 60 };

    // Runs a command line. stopWhen, when given, is asked every 10 ms and,
    // once it holds, stops the command as Ctrl-C would. A command still running
    // at the deadline is stopped the same way and fails the test, so that a
    // fault (a command returning early, or never) cannot hang the suite.
    int Run(const KRXCliArguments& arguments, const CString& pluginFolder = KRX_PROGRAM_FOLDER,
        const std::function<bool()>& stopWhen = nullptr)
    {
        out.str("");
        err.str("");
        interrupted.Reset();
        KRXCliContext context { out, err, &interrupted, pluginFolder };
        CEvent returned(true, false);
        bool overran = false;
        std::thread watchdog([&] {
            const auto until = std::chrono::steady_clock::now() + deadline;
            while (!returned.Wait(10)) {
                overran = std::chrono::steady_clock::now() >= until;
                if (overran || (stopWhen && stopWhen())) {
                    interrupted.Set();
                    return;
                }
            }
        });
        const int status = RunKorrixCli(arguments, context);
        returned.Set();
        watchdog.join();
        EXPECT_FALSE(overran) << "still running after " << deadline.count() << " s";
        return status;
    }
    // A failure is told in exactly one line, naming the program.
    void ExpectOneErrorLine(const CString& about)
    {
        const CString text = err.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_THAT(text, ::testing::StartsWith("korrix-cli: "));
        EXPECT_THAT(text, ::testing::HasSubstr(about));
    }

    // A test that runs a command for minutes on purpose raises it.
    std::chrono::seconds deadline = kDeadline;
    std::ostringstream out;
    std::ostringstream err;
    CEvent interrupted { true, false };
    TemporaryFolder folder;
};
