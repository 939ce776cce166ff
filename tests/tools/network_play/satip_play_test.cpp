#include "CliTest.h"
#include "SatIpServer.h"

#include <filesystem>
#include <fstream>

using ::testing::HasSubstr;

namespace {
CString DemoPackets(size_t count)
{
    std::ifstream demo(CString(KRX_PROGRAM_FOLDER) + "demo/demo.ts", std::ios::binary);
    CString bytes(count * 188, '\0');
    demo.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}
} // namespace

class SatIpPlayTest : public CliTest
{
};

TEST_F(SatIpPlayTest, TunesPlaysKeepsAliveShowsTheSignalAndTearsDown)
{
    const CString stream = DemoPackets(2100);
    loopback::SatIpServer server({ { 11494, stream }, { 12603, DemoPackets(10) } });
    const CString url
        = FormatString("satip://127.0.0.1:%u/?src=1&freq=11494&pol=h&msys=dvbs2&sr=27500", server.rtspPort);
    const CString recording = folder.File("out.ts");
    // Long enough for a keep-alive within the server's two-second time-out.
    EXPECT_EQ(Run({ "play", url, "--record", recording, "--seconds", "2" }), KRX_CLI_OK) << err.str();
    EXPECT_TRUE(folder.Read("out.ts") == stream) << folder.Read("out.ts").size() << " bytes recorded";
    EXPECT_THAT(out.str(), HasSubstr("[Lock, level 87%, quality 100%, 0 RTP packets lost]"));
    EXPECT_GE(server.keepAlives.load(), 1);
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
    loopback::SatIpServer server({ { 11494, DemoPackets(10) } });
    const CString url = FormatString("satip://127.0.0.1:%u/?src=1&freq=10714&msys=dvbs2", server.rtspPort);
    EXPECT_EQ(Run({ "play", url, "--seconds", "5" }), KRX_CLI_FAILED);
    ExpectOneErrorLine("reception ended (cannot play: the server answered 404 Not Found)");
}

TEST_F(SatIpPlayTest, DevicesListsTheServerSSDPFinds)
{
    loopback::SatIpServer server({ { 11494, DemoPackets(10) } });
    // The search goes to the test server, not to the network's multicast group.
    setenv("KORRIX_SSDP_ADDRESS", FormatString("127.0.0.1:%u", server.ssdpPort).c_str(), 1);
    const int status = Run({ "devices" });
    unsetenv("KORRIX_SSDP_ADDRESS");
    EXPECT_EQ(status, KRX_CLI_OK) << err.str();
    EXPECT_THAT(out.str(),
        HasSubstr(FormatString(
            "SAT>IP server: Loopback SAT>IP (DVBS2-2,DVBT-1) at http://127.0.0.1:%u/desc.xml\n", server.httpPort)));
}
