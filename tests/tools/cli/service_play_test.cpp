// play --service: choosing the service and its outputs, on the demo stream.
#include "CliTest.h"

#include "plugin/KRXAVLog.h"
#include "plugin/KRXVideoOutput.h"

#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <optional>

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {
const CString Demo = KRX_PROGRAM_FOLDER "demo/demo.ts";

// Sets or clears an environment variable while it lives.
class Environment
{
public:
    Environment(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* previous = std::getenv(name))
            m_previous = previous;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~Environment() { m_previous ? setenv(m_name, m_previous->c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<CString> m_previous;
};

class ServicePlayTest : public CliTest
{
protected:
    int Play(KRXCliArguments arguments)
    {
        arguments.insert(arguments.begin(), { "play", Demo });
        return Run(arguments);
    }
    // The demo's pictures can be seen once the video decoder and the display have been built beside the program.
    static bool CanShowPictures()
    {
        return std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXVideo.so")
            && std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXDisplayDX.so");
    }
};
} // namespace

TEST_F(ServicePlayTest, RefusesOutputsWithoutAServiceAndOutputsItDoesNotKnow)
{
    struct Case {
        KRXCliArguments arguments;
        const char* complaint;
    };
    const Case cases[] = {
        { { "--service" }, "'--service' needs a value" },
        { { "--service", "" }, "'--service' needs a programme number or a service name" },
        { { "--video-out", "none" }, "'--video-out' needs '--service'" },
        { { "--av-log", folder.File("log.csv") }, "'--av-log' needs '--service'" },
        { { "--service", "1", "--video-out", "screen" }, "not 'screen'" },
        { { "--service", "1", "--video-out", "y4m:" }, "not 'y4m:'" },
        { { "--service", "1", "--video-out", "Window" }, "not 'Window'" },
    };
    for (const Case& misuse : cases) {
        EXPECT_EQ(Play(misuse.arguments), 2) << misuse.complaint;
        ExpectOneErrorLine(misuse.complaint);
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("log.csv")));
}

TEST_F(ServicePlayTest, FindsAServiceByNumberOrExactNameAndTellsWhenThereIsNone)
{
    EXPECT_EQ(Play({ "--service", "Korrix Two", "--seconds", "1", "--video-out", "none" }), 0) << err.str();
    EXPECT_THAT(out.str(), StartsWith("Showing service 2: "));
    EXPECT_EQ(Play({ "--service", "3", "--seconds", "1", "--video-out", "none" }), 0) << err.str();
    EXPECT_THAT(out.str(), StartsWith("Showing service 3: "));

    for (const char* absent : { "7", "korrix two", "Korrix", "0x0001" }) {
        EXPECT_EQ(Play({ "--service", absent, "--seconds", "5", "--video-out", "none" }), 1) << absent;
        ExpectOneErrorLine("'" + Demo + "' has no service '" + absent + "'");
        EXPECT_EQ(out.str(), "") << absent;
    }
}

TEST_F(ServicePlayTest, ChoosesTheVideoOutputBeforeTheDisplayOpens)
{
    {
        Environment x11("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr);
        ASSERT_EQ(Play({ "--service", "1", "--seconds", "1" }), 0) << err.str();
        EXPECT_EQ(CKRXVideoOutput::GetKind(), CKRXVideoOutput::None) << "no display server";
    }
    {
        Environment x11("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", "wayland-0");
        // Without its plug-ins nothing opens a window; the choice is all there is to see.
        if (!CanShowPictures()) {
            ASSERT_EQ(Play({ "--service", "1", "--seconds", "1" }), 0) << err.str();
            EXPECT_EQ(CKRXVideoOutput::GetKind(), CKRXVideoOutput::Window);
        }
    }
    const CString pictures = folder.File("pictures.y4m");
    ASSERT_EQ(Play({ "--service", "1", "--seconds", "1", "--video-out", "y4m:" + pictures }), 0) << err.str();
    EXPECT_EQ(CKRXVideoOutput::GetKind(), CKRXVideoOutput::Y4M);
    EXPECT_EQ(CKRXVideoOutput::GetPath(), pictures);
}

TEST_F(ServicePlayTest, RefusesOutputFilesThatCannotBeWritten)
{
    const CString absent = folder.File("absent/out");
    EXPECT_EQ(Play({ "--service", "1", "--video-out", "y4m:" + absent }), 1);
    ExpectOneErrorLine("cannot write pictures to '" + absent + "': No such file or directory");
    EXPECT_EQ(Play({ "--service", "1", "--video-out", "none", "--av-log", absent }), 1);
    ExpectOneErrorLine("cannot write the A/V log to '" + absent + "'");
    EXPECT_EQ(out.str(), "");
}

TEST_F(ServicePlayTest, PresentsTheServiceWithoutAWindowAndCountsItsPictures)
{
    const CString pictures = folder.File("pictures.y4m");
    const CString log = folder.File("av.csv");
    ASSERT_EQ(
        Play({ "--service", "Korrix One", "--seconds", "3", "--video-out", "y4m:" + pictures, "--av-log", log }), 0)
        << err.str();
    EXPECT_FALSE(CKRXAVLog::IsOpen()) << "the log is closed when play ends";
    const CString text = out.str();
    const CString last = text.substr(text.rfind('\n', text.size() - 2) + 1);
    if (!CanShowPictures()) {
        EXPECT_THAT(last, ContainsRegex(" \\| no display\n$"));
        GTEST_SKIP() << "the video decoder and the display are not built beside the program";
    }
    EXPECT_THAT(text, StartsWith("Showing service 1: components 0x0200"));
    EXPECT_THAT(last, ContainsRegex(" \\| [1-9][0-9]* pictures shown, [0-9]+ dropped\n$"));
    EXPECT_THAT(folder.Read("pictures.y4m"), StartsWith("YUV4MPEG2 W720 H576 "));
    EXPECT_THAT(folder.Read("av.csv"), ContainsRegex("^video,[0-9]+,[0-9]+,[0-9]+\n"));
}
