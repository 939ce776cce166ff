#include "CliTest.h"
#include "SatIpServer.h"

#include "platform/DebugOutput.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

using ::testing::HasSubstr;

class SatIpPlayTest : public CliTest
{
};

TEST_F(SatIpPlayTest, TunesPlaysKeepsAliveShowsTheSignalAndTearsDown)
{
    const CString stream = loopback::DemoPackets(2100);
    loopback::SatIpServer server({ { 11494, stream }, { 12603, loopback::DemoPackets(10) } });
    const CString url
        = FormatString("satip://127.0.0.1:%u/?src=1&freq=11494&pol=h&msys=dvbs2&sr=27500", server.rtspPort);
    const CString recording = folder.File("out.ts");
    const CString nulls = loopback::NullPackets(loopback::kPacketsPerDatagram);
    std::mutex logMutex;
    CString log;
    const DebugOutputSink previous = SetDebugOutputSink([&](const CString& line) {
        std::lock_guard lock(logMutex);
        log += line;
    });
    const auto read = [&] {
        std::ifstream file(recording, std::ios::binary);
        return CString(std::istreambuf_iterator<char>(file), {});
    };
    // The stream follows once null packets reach the file (the recording has
    // started); play goes on until a keep-alive within the server's
    // two-second time-out.
    const int status = Run({ "play", url, "--record", recording }, KRX_PROGRAM_FOLDER, [&] {
        const CString recorded = read();
        if (!recorded.empty())
            server.go.Set();
        return server.keepAlives >= 1 && recorded.size() >= stream.size()
            && recorded.compare(recorded.size() - 188, 188, stream, stream.size() - 188, 188) == 0;
    });
    SetDebugOutputSink(previous);
    EXPECT_EQ(status, KRX_CLI_OK) << err.str();
    CString recorded = read();
    while (recorded.compare(0, nulls.size(), nulls) == 0)
        recorded.erase(0, nulls.size());
    EXPECT_TRUE(recorded == stream) << recorded.size() << " bytes recorded";
    EXPECT_THAT(log, HasSubstr("SAT>IP signal from 127.0.0.1: Lock, level 87%, quality 100%."));
    EXPECT_THAT(log, HasSubstr("RTP from rtp://:"));
    EXPECT_THAT(log, HasSubstr(": 0 packets lost, 0 discarded."));
    EXPECT_TRUE(server.tornDown.IsSet());
    std::lock_guard lock(server.mutex);
    ASSERT_GE(server.requests.size(), 4u);
    EXPECT_EQ(server.requests[0],
        FormatString(
            "SETUP rtsp://127.0.0.1:%u/?src=1&freq=11494&pol=h&msys=dvbs2&sr=27500&pids=all", server.rtspPort));
    EXPECT_EQ(server.requests[1], FormatString("PLAY rtsp://127.0.0.1:%u/stream=7", server.rtspPort));
    EXPECT_EQ(server.requests.back(), FormatString("TEARDOWN rtsp://127.0.0.1:%u/stream=7", server.rtspPort));
}

TEST_F(SatIpPlayTest, AFrequencyTheServerDoesNotHaveEndsThePlaySayingWhy)
{
    loopback::SatIpServer server({ { 11494, loopback::DemoPackets(10) } });
    const CString url = FormatString("satip://127.0.0.1:%u/?src=1&freq=10714&msys=dvbs2", server.rtspPort);
    EXPECT_EQ(Run({ "play", url, "--seconds", "5" }), KRX_CLI_FAILED);
    ExpectOneErrorLine("reception ended (cannot play: the server answered 404 Not Found)");
}

TEST_F(SatIpPlayTest, DevicesListsTheServerSSDPFinds)
{
    loopback::SatIpServer server({ { 11494, loopback::DemoPackets(10) } });
    // The search goes to the test server, not to the network's multicast group.
    setenv("KORRIX_SSDP_ADDRESS", FormatString("127.0.0.1:%u", server.ssdpPort).c_str(), 1);
    const int status = Run({ "devices" });
    unsetenv("KORRIX_SSDP_ADDRESS");
    EXPECT_EQ(status, KRX_CLI_OK) << err.str();
    EXPECT_THAT(out.str(),
        HasSubstr(FormatString(
            "SAT>IP server: Loopback SAT>IP (DVBS2-2,DVBT-1) at http://127.0.0.1:%u/desc.xml\n", server.httpPort)));
}
