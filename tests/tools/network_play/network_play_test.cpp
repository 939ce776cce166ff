#include "CliTest.h"
#include "LoopbackPeers.h"

#include "platform/DebugOutput.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {
// The demo's first packets: a stream a sender gets through in milliseconds.
CString DemoPackets(size_t count)
{
    std::ifstream demo(CString(KRX_PROGRAM_FOLDER) + "demo/demo.ts", std::ios::binary);
    CString bytes(count * 188, '\0');
    demo.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(demo.gcount(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

uintmax_t SizeOf(const CString& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

class NetworkPlayTest : public CliTest
{
protected:
    ~NetworkPlayTest() override
    {
        if (m_peer.joinable())
            m_peer.join();
    }
    // Plays the URL into the recording for the given seconds (0: until
    // stopWhen holds); start is run once the recording file exists, which
    // is after the input is receiving.
    int PlayAndRecord(const CString& url, int seconds, const std::function<void()>& start,
        const std::function<bool()>& stopWhen = nullptr)
    {
        KRXCliArguments arguments = { "play", url, "--record", recording };
        if (seconds != 0)
            arguments.insert(arguments.end(), { "--seconds", std::to_string(seconds) });
        bool started = false;
        return Run(arguments, KRX_PROGRAM_FOLDER, [&] {
            if (!started && std::filesystem::exists(recording)) {
                started = true;
                m_peer = std::thread(start);
            }
            return started && stopWhen && stopWhen();
        });
    }
    CString Recorded() const { return folder.Read("out.ts"); }

    CString recording = folder.File("out.ts");

private:
    std::thread m_peer;
};

struct LogCapture {
    std::mutex mutex;
    CString text;
    DebugOutputSink previous = SetDebugOutputSink([this](const CString& line) {
        std::lock_guard lock(mutex);
        text += line;
    });
    ~LogCapture() { SetDebugOutputSink(previous); }
};
} // namespace

TEST_F(NetworkPlayTest, RTPRecordsEveryPacketThatCameInOrderAndCountsTheDrops)
{
    // One datagram in a hundred dropped, neighbours swapped every tenth, the
    // sequence numbers wrapping on the way; the last datagrams come in order.
    const std::vector<CString> datagrams = loopback::Datagrams(DemoPackets(2100));
    std::vector<CString> sent;
    CString expected;
    for (size_t i = 0; i < datagrams.size(); ++i) {
        if (i % 100 == 50)
            continue;
        sent.push_back(loopback::RTPDatagram(uint16_t(65400 + i), datagrams[i]));
        expected += datagrams[i];
    }
    for (size_t i = 3; i + 10 < sent.size(); i += 10)
        std::swap(sent[i], sent[i + 1]);
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);

    EXPECT_EQ(
        PlayAndRecord(FormatString("rtp://127.0.0.1:%u", port), 2, [&] { loopback::Send(port, sent); }), KRX_CLI_OK)
        << err.str();
    EXPECT_TRUE(Recorded() == expected) << Recorded().size() << " bytes recorded, " << expected.size() << " expected";
    EXPECT_THAT(out.str(), HasSubstr("[3 RTP packets lost]"));
    EXPECT_THAT(out.str(), HasSubstr("| 2079 packets |"));
}

TEST_F(NetworkPlayTest, UDPFromFfmpegIsRecordedExactlyAsSent)
{
    // ffmpeg writes the same multiplex to the socket and to a file, so the
    // file is what was sent.
    folder.Write("in.ts", DemoPackets(2100));
    const CString sent = folder.File("sent.ts");
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    const CString command = FormatString("ffmpeg -nostdin -loglevel error -i %s -map 0 -c copy -f tee "
                                         "'[f=mpegts]udp://127.0.0.1:%u?pkt_size=1316|[f=mpegts]%s'",
        folder.File("in.ts").c_str(), port, sent.c_str());
    int status = -1;
    EXPECT_EQ(
        PlayAndRecord(FormatString("udp://@127.0.0.1:%u", port), 2, [&] { status = std::system(command.c_str()); }),
        KRX_CLI_OK)
        << err.str();
    ASSERT_EQ(status, 0) << command;
    const CString expected = folder.Read("sent.ts");
    // ffmpeg leaves out the demo's padding.
    ASSERT_GT(expected.size(), 1500u * 188);
    EXPECT_TRUE(Recorded() == expected) << Recorded().size() << " bytes recorded, " << expected.size() << " sent";
    EXPECT_THAT(out.str(), Not(HasSubstr("the stream had")));
}

TEST_F(NetworkPlayTest, RTPFromFfmpegArrivesWhole)
{
    folder.Write("in.ts", DemoPackets(2100));
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    const CString command
        = FormatString("ffmpeg -nostdin -loglevel error -i %s -map 0 -c copy -f rtp_mpegts rtp://127.0.0.1:%u",
            folder.File("in.ts").c_str(), port);
    int status = -1;
    EXPECT_EQ(
        PlayAndRecord(FormatString("rtp://127.0.0.1:%u", port), 2, [&] { status = std::system(command.c_str()); }),
        KRX_CLI_OK)
        << err.str();
    ASSERT_EQ(status, 0) << command;
    EXPECT_THAT(out.str(), HasSubstr("[0 RTP packets lost]"));
    EXPECT_THAT(out.str(), Not(HasSubstr("the stream had")));
    EXPECT_GT(Recorded().size(), 1400u * 188);
}

TEST_F(NetworkPlayTest, HTTPRecordingGoesOnAcrossADroppedConnection)
{
    LogCapture log;
    const CString stream = DemoPackets(2100);
    // The connection drops partway through a packet; the server, back, goes
    // on from that packet's start.
    const size_t cut = 1000 * 188;
    loopback::HTTPServer server(stream.substr(0, cut + 77), stream.substr(cut));
    const CString url = FormatString("http://127.0.0.1:%u/live.ts", server.Port());

    EXPECT_EQ(PlayAndRecord(
                  url, 0,
                  [&] {
                      server.away.Wait(KRX_INFINITE);
                      server.Return();
                  },
                  [&] { return SizeOf(recording) >= stream.size(); }),
        KRX_CLI_OK)
        << err.str();
    EXPECT_TRUE(Recorded() == stream) << Recorded().size() << " bytes recorded, " << stream.size() << " sent";
    std::lock_guard lock(log.mutex);
    EXPECT_THAT(log.text, ContainsRegex("Connection to " + url + " lost \\(the server ended the stream\\)"));
    EXPECT_THAT(log.text, ContainsRegex("Reception of " + url + " resumed after a gap of [0-9.]+ s"));
}
