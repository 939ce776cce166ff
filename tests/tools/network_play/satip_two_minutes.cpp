// Two minutes of SAT>IP as a user watches: the session kept alive within the
// server's time-out all along (the server stops sending once it lapses), the
// signal reported, nothing lost, TEARDOWN at the end. It takes its two
// minutes of real time, so it is a program of its own with the label "slow".
#include "CliTest.h"
#include "SatIpServer.h"

#include "platform/DebugOutput.h"

#include <mutex>

using ::testing::HasSubstr;

class SatIpTwoMinutes : public CliTest
{
};

TEST_F(SatIpTwoMinutes, KeepsTheSessionAliveWhilePlaying)
{
    constexpr uint32_t timeoutSeconds = 6;
    constexpr int seconds = 120;
    loopback::SatIpServer server({ { 11494, loopback::DemoPackets(10) } }, timeoutSeconds);
    const CString url = FormatString("satip://127.0.0.1:%u/?src=1&freq=11494&pol=h&msys=dvbs2", server.rtspPort);
    std::mutex logMutex;
    CString log;
    const DebugOutputSink previous = SetDebugOutputSink([&](const CString& line) {
        std::lock_guard lock(logMutex);
        log += line;
    });
    deadline = std::chrono::seconds(seconds + 60);
    const int status = Run({ "play", url, "--seconds", std::to_string(seconds) });
    SetDebugOutputSink(previous);
    EXPECT_EQ(status, KRX_CLI_OK) << err.str();
    EXPECT_FALSE(server.lapsed) << "a keep-alive came later than the server's time-out";
    // At least one in every time-out; the client sends two.
    EXPECT_GE(server.keepAlives, seconds / int(timeoutSeconds));
    EXPECT_THAT(log, HasSubstr("SAT>IP signal from 127.0.0.1: Lock, level 87%, quality 100%."));
    EXPECT_THAT(log, HasSubstr(": 0 packets lost, 0 discarded.")) << "the null packets flowed all along";
    EXPECT_THAT(log, ::testing::Not(HasSubstr("setting it up again")));
    EXPECT_TRUE(server.tornDown.IsSet());
    std::lock_guard lock(server.mutex);
    EXPECT_EQ(server.requests.back(), FormatString("TEARDOWN rtsp://127.0.0.1:%u/stream=7", server.rtspPort));
}
