// korrix-cli timers: what add understands and refuses, the local
// start time it reads, and remove and list on the file they share.
#include "support/TemporaryFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace {
// The program itself, whose File plug-in offers the demo as "Korrix Demo".
class TimersCli : public testing::Test
{
protected:
    int Timers(const std::vector<CString>& arguments)
    {
        CString line = "env XDG_DATA_HOME=" + folder.Path() + " " KRX_PROGRAM_FOLDER "korrix-cli timers";
        for (const CString& argument : arguments)
            line += " '" + argument + "'";
        const int status = std::system((line + " >" + folder.File("out") + " 2>" + folder.File("err")).c_str());
        out.str(folder.Read("out"));
        err.str(folder.Read("err"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int Add(std::initializer_list<CString> options)
    {
        std::vector<CString> arguments { "add", "--input", "File", "--multiplex", "Korrix Demo" };
        arguments.insert(arguments.end(), options);
        return Timers(arguments);
    }
    // A failure is told in one line naming the program.
    void ExpectOneErrorLine(const CString& about)
    {
        const CString text = err.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_THAT(text, testing::StartsWith("korrix-cli: "));
        EXPECT_THAT(text, testing::HasSubstr(about));
    }

    TemporaryFolder folder;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(TimersCli, AddRefusesWhatItCannotRecordAndReadsTheStartAsLocalTime)
{
    EXPECT_EQ(Add({ "--start", "2027-01-02 03:04:05", "--duration", "60" }), 2);
    ExpectOneErrorLine("needs '--service'");
    EXPECT_EQ(Add({ "--service", "1", "--start", "2027-01-02 03:04", "--duration", "60" }), 2);
    ExpectOneErrorLine("'YYYY-MM-DD HH:MM:SS'");
    EXPECT_EQ(Add({ "--service", "1", "--start", "2027-01-02 03:04:05", "--duration", "60", "--event", "3" }), 2);
    EXPECT_EQ(Add({ "--service", "1", "--start", "2027-01-02 03:04:05", "--duration", "60", "--padding", "60" }), 2);
    ExpectOneErrorLine("BEFORE,AFTER");
    EXPECT_EQ(Timers({ "add", "--input", "File", "--multiplex", "Nowhere", "--service", "1", "--start",
                  "2027-01-02 03:04:05", "--duration", "60" }),
        1);
    ExpectOneErrorLine("'File' has no multiplex 'Nowhere'");

    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const int added = Add(
        { "--service", "Korrix Two", "--start", "2027-07-01 20:15:00", "--duration", "1800", "--padding", "0,90" });
    unsetenv("TZ");
    tzset();
    ASSERT_EQ(added, 0) << err.str();
    // Summer time in Berlin is two hours ahead of UTC.
    EXPECT_THAT(folder.Read("korrix/Timers.txt"), testing::HasSubstr("\tstart=1814465700\tstop=1814467500\t"));
    EXPECT_THAT(folder.Read("korrix/Timers.txt"), testing::HasSubstr("\tservice=Korrix Two\t"));
    EXPECT_THAT(folder.Read("korrix/Timers.txt"), testing::HasSubstr("\tbefore=0\tafter=90\t"));
}

TEST_F(TimersCli, RemoveTakesOneTimerAwayAndListShowsWhatIsLeft)
{
    ASSERT_EQ(Add({ "--service", "1", "--start", "2027-01-02 03:04:05", "--duration", "60" }), 0);
    ASSERT_EQ(Add({ "--service", "2", "--start", "2027-01-02 04:04:05", "--duration", "60" }), 0);
    EXPECT_EQ(Timers({ "remove", "1" }), 0);
    EXPECT_EQ(Timers({ "remove", "1" }), 1);
    ExpectOneErrorLine("there is no timer 1");
    EXPECT_EQ(Timers({ "remove", "x" }), 2);
    EXPECT_EQ(Timers({ "list" }), 0);
    EXPECT_THAT(out.str(), testing::StartsWith("2  waiting "));
    const CString listed = out.str();
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 1) << listed;
    folder.Write("korrix/Timers.txt", "damaged\n");
    EXPECT_EQ(Timers({ "remove", "2" }), 1);
    ExpectOneErrorLine("line 1 is not a timer");
    EXPECT_EQ(folder.Read("korrix/Timers.txt"), "damaged\n");
}
} // namespace
