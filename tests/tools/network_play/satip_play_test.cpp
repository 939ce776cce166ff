#include "CliTest.h"
#include "SatIpServer.h"

#include "platform/DebugOutput.h"
#include "plugin/KRXPluginManager.h"

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

// The scan tunes each multiplex of a region file through the server, keeps
// those it plays (tearing each session down before the next tuning) and
// saves them as Network multiplexes; a second scan adds none again.
TEST_F(SatIpPlayTest, ScanKeepsTheRegionsMultiplexesTheServerPlays)
{
    loopback::SatIpServer server({ { 11494, loopback::DemoPackets(10) }, { 12603, loopback::DemoPackets(10) } });
    const CString definitions
        = CKRXPluginManager::GetPluginManager()->GetPluginFolderPath() + "Network Multiplexes.txt";
    ASSERT_FALSE(std::filesystem::exists(definitions)) << "another test's definitions are in the way";
    const CString region = folder.File("region");
    std::ofstream(region)
        << "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 11494000\n\tPOLARIZATION = HORIZONTAL\n"
           "\tSYMBOL_RATE = 22000000\n\tMODULATION = PSK/8\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10714000\n\tPOLARIZATION = HORIZONTAL\n"
           "\tSYMBOL_RATE = 22000000\n"
           "[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 12603000\n\tPOLARIZATION = VERTICAL\n"
           "\tSYMBOL_RATE = 27500000\n";
    const CString address = FormatString("127.0.0.1:%u", server.rtspPort);
    const int first = Run({ "scan", "--satip", address, "--initial", region, "--src", "2" });
    const CString firstOutput = out.str();
    const int second = Run({ "scan", "--satip", address, "--initial", region, "--src", "2" });
    std::ifstream file(definitions);
    const CString saved(std::istreambuf_iterator<char>(file), {});
    std::filesystem::remove(definitions);

    EXPECT_EQ(first, KRX_CLI_OK) << err.str();
    EXPECT_EQ(second, KRX_CLI_OK) << err.str();
    const CString base = FormatString("satip://127.0.0.1:%u/?src=2&freq=", server.rtspPort);
    EXPECT_EQ(saved,
        "DVB-S2 11494 MHz H, " + base + "11494&pol=h&msys=dvbs2&mtype=8psk&sr=22000\n" + "DVB-S2 12603 MHz V, " + base
            + "12603&pol=v&msys=dvbs2&sr=27500\n");
    EXPECT_THAT(firstOutput, HasSubstr("Found DVB-S2 12603 MHz V (" + base));
    EXPECT_THAT(firstOutput, HasSubstr("2 new multiplexes found."));
    EXPECT_THAT(out.str(), HasSubstr("0 new multiplexes found."));
    std::vector<CString> tunings;
    {
        std::lock_guard lock(server.mutex);
        for (const CString& request : server.requests) {
            if (request.rfind("SETUP", 0) == 0 || request.rfind("TEARDOWN", 0) == 0)
                tunings.push_back(request.substr(0, request.find("&pol")));
        }
    }
    const CString rtsp = FormatString("rtsp://127.0.0.1:%u/", server.rtspPort);
    const std::vector<CString> once = { "SETUP " + rtsp + "?src=2&freq=11494", "TEARDOWN " + rtsp + "stream=7",
        "SETUP " + rtsp + "?src=2&freq=10714", "SETUP " + rtsp + "?src=2&freq=12603", "TEARDOWN " + rtsp + "stream=7" };
    std::vector<CString> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(tunings, twice);
}
