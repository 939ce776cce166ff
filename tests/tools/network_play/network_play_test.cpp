#include "CliTest.h"
#include "LoopbackPeers.h"

#include "platform/DebugOutput.h"
#include "plugin/KRXPluginManager.h"

#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

uintmax_t SizeOf(const CString& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

class NetworkPlayTest : public CliTest
{
protected:
    // Plays the URL (or "--input NAME --multiplex NAME") into the recording
    // until stopWhen holds; start runs on a thread of its own once the
    // recording file exists, and has ended when this returns.
    int PlayAndRecord(
        const KRXCliArguments& played, const std::function<void()>& start, const std::function<bool()>& stopWhen)
    {
        std::atomic<bool> started { false }, finished { false };
        std::thread peer;
        KRXCliArguments arguments { "play" };
        arguments.insert(arguments.end(), played.begin(), played.end());
        arguments.insert(arguments.end(), { "--record", recording });
        const int status = Run(arguments, KRX_PROGRAM_FOLDER, [&] {
            if (!started && std::filesystem::exists(recording)) {
                started = true;
                peer = std::thread([&] {
                    start();
                    finished = true;
                });
            }
            return finished && stopWhen();
        });
        if (peer.joinable())
            peer.join();
        return status;
    }
    CString Recorded() const { return folder.Read("out.ts"); }
    // Recording starts a moment after its file appears. Datagrams of null
    // packets go first until one is in the file, so that all that is sent
    // next is recorded. Returns how many were sent.
    uint16_t Prime(uint16_t port, const std::function<CString(uint16_t)>& make, const char* group = nullptr)
    {
        uint16_t sent = 0;
        while (SizeOf(recording) == 0) {
            loopback::Send(port, { make(sent++) }, group);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return sent;
    }
    static CString Primer() { return loopback::NullPackets(loopback::kPacketsPerDatagram); }
    // The recording after the primers.
    CString RecordedStream() const
    {
        const CString recorded = Recorded();
        size_t at = 0;
        while (recorded.compare(at, Primer().size(), Primer()) == 0)
            at += Primer().size();
        return recorded.substr(at);
    }
    // True once the file ends with the stream's last datagram.
    bool HasRecordedUpTo(const CString& stream) const
    {
        const CString recorded = Recorded();
        const size_t tail = std::min(stream.size(), loopback::kDatagramBytes);
        return recorded.size() >= stream.size()
            && recorded.compare(recorded.size() - tail, tail, stream, stream.size() - tail, tail) == 0;
    }

    CString recording = folder.File("out.ts");
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
    const std::vector<CString> datagrams = loopback::Datagrams(loopback::DemoPackets(2100));
    CString expected;
    for (size_t i = 0; i < datagrams.size(); ++i) {
        if (i % 100 != 50)
            expected += datagrams[i];
    }
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    LogCapture log;
    const CString url = FormatString("rtp://127.0.0.1:%u", port);
    const uint16_t first = 65300;
    const auto send = [&] {
        // The stream's numbers go on from the primers'.
        const uint16_t next = uint16_t(
            first + Prime(port, [&](uint16_t n) { return loopback::RTPDatagram(uint16_t(first + n), Primer()); }));
        std::vector<CString> sent;
        for (size_t i = 0; i < datagrams.size(); ++i) {
            if (i % 100 != 50)
                sent.push_back(loopback::RTPDatagram(uint16_t(next + i), datagrams[i]));
        }
        for (size_t i = 3; i + 10 < sent.size(); i += 10)
            std::swap(sent[i], sent[i + 1]);
        loopback::Send(port, sent);
    };

    EXPECT_EQ(PlayAndRecord({ url }, send, [&] { return HasRecordedUpTo(expected); }), KRX_CLI_OK) << err.str();
    EXPECT_TRUE(RecordedStream() == expected)
        << RecordedStream().size() << " bytes recorded, " << expected.size() << " expected";
    std::lock_guard lock(log.mutex);
    EXPECT_THAT(log.text, HasSubstr("RTP from " + url + ": 3 packets lost, 0 discarded."));
}

TEST_F(NetworkPlayTest, UDPFromFfmpegIsRecordedExactlyAsSent)
{
    // ffmpeg writes the same multiplex to the socket and to a file, so the
    // file is what was sent.
    folder.Write("in.ts", loopback::DemoPackets(2100));
    const CString sent = folder.File("sent.ts");
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    const CString command = FormatString("ffmpeg -nostdin -loglevel error -i %s -map 0 -c copy -f tee "
                                         "'[f=mpegts]udp://127.0.0.1:%u?pkt_size=1316|[f=mpegts]%s'",
        folder.File("in.ts").c_str(), port, sent.c_str());
    std::atomic<int> status { -1 };
    EXPECT_EQ(PlayAndRecord(
                  { FormatString("udp://@127.0.0.1:%u", port) },
                  [&] {
                      Prime(port, [](uint16_t) { return Primer(); });
                      status = std::system(command.c_str());
                  },
                  [&] { return status != 0 || HasRecordedUpTo(folder.Read("sent.ts")); }),
        KRX_CLI_OK)
        << err.str();
    ASSERT_EQ(status.load(), 0) << command;
    const CString expected = folder.Read("sent.ts");
    // ffmpeg leaves out the demo's padding.
    ASSERT_GT(expected.size(), 1500u * 188);
    EXPECT_TRUE(RecordedStream() == expected)
        << RecordedStream().size() << " bytes recorded, " << expected.size() << " sent";
    EXPECT_THAT(out.str(), Not(HasSubstr("the stream had")));
}

TEST_F(NetworkPlayTest, RTPFromFfmpegArrivesWhole)
{
    folder.Write("in.ts", loopback::DemoPackets(2100));
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    const CString command
        = FormatString("ffmpeg -nostdin -loglevel error -i %s -map 0 -c copy -f rtp_mpegts rtp://127.0.0.1:%u",
            folder.File("in.ts").c_str(), port);
    const CString url = FormatString("rtp://127.0.0.1:%u", port);
    LogCapture log;
    std::atomic<int> status { -1 };
    // Once ffmpeg is done, what it sent is all read when the recording has
    // stopped growing for a while (the source reads every 10 ms).
    uintmax_t size = 0;
    int unchanged = 0;
    const auto settled = [&] {
        const uintmax_t now = SizeOf(recording);
        unchanged = now > 0 && now == size ? unchanged + 1 : 0;
        size = now;
        return unchanged >= 10;
    };
    EXPECT_EQ(PlayAndRecord(
                  { url }, [&] { status = std::system(command.c_str()); }, settled),
        KRX_CLI_OK)
        << err.str();
    ASSERT_EQ(status.load(), 0) << command;
    EXPECT_THAT(out.str(), Not(HasSubstr("the stream had")));
    EXPECT_FALSE(Recorded().empty());
    std::lock_guard lock(log.mutex);
    EXPECT_THAT(log.text, HasSubstr("RTP from " + url + ": 0 packets lost, 0 discarded."));
}

TEST_F(NetworkPlayTest, HTTPRecordingGoesOnAcrossADroppedConnection)
{
    LogCapture log;
    const CString stream = loopback::DemoPackets(2100);
    // The connection drops partway through a packet; the server, back, goes
    // on from that packet's start.
    const size_t cut = 1000 * 188;
    loopback::HTTPServer server(stream.substr(0, cut + 77), stream.substr(cut));
    const CString url = FormatString("http://127.0.0.1:%u/live.ts", server.Port());

    EXPECT_EQ(PlayAndRecord(
                  { url },
                  [&] {
                      // The first null packets in the file: the recording has started.
                      while (SizeOf(recording) == 0)
                          std::this_thread::sleep_for(std::chrono::milliseconds(5));
                      server.go.Set();
                      server.away.Wait(KRX_INFINITE);
                      server.Return();
                  },
                  [&] { return HasRecordedUpTo(stream); }),
        KRX_CLI_OK)
        << err.str();
    EXPECT_TRUE(RecordedStream() == stream)
        << RecordedStream().size() << " bytes recorded, " << stream.size() << " sent";
    std::lock_guard lock(log.mutex);
    EXPECT_THAT(log.text, ContainsRegex("Connection to " + url + " lost \\(the server ended the stream\\)"));
    EXPECT_THAT(log.text, ContainsRegex("Reception of " + url + " resumed after a gap of [0-9.]+ s"));
}

TEST_F(NetworkPlayTest, AMulticastGroupJoinedOnTheLoopbackIsRecordedExactly)
{
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    const CString stream = loopback::DemoPackets(700);
    const std::vector<CString> datagrams = loopback::Datagrams(stream);
    EXPECT_EQ(PlayAndRecord(
                  { FormatString("udp://@239.255.42.42:%u?ifaddr=127.0.0.1", port) },
                  [&] {
                      Prime(
                          port, [](uint16_t) { return Primer(); }, "239.255.42.42");
                      loopback::Send(port, datagrams, "239.255.42.42");
                  },
                  [&] { return HasRecordedUpTo(stream); }),
        KRX_CLI_OK)
        << err.str();
    EXPECT_TRUE(RecordedStream() == stream)
        << RecordedStream().size() << " bytes recorded, " << stream.size() << " sent";
}

// A saved definition plays as its URL does, from the Network input's
// definitions file where the plug-in reads it: beside the running program.
TEST_F(NetworkPlayTest, ASavedDefinitionPlaysByItsName)
{
    const CString definitions
        = CKRXPluginManager::GetPluginManager()->GetPluginFolderPath() + "Network Multiplexes.txt";
    ASSERT_FALSE(std::filesystem::exists(definitions)) << "another test's definitions are in the way";
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    std::ofstream(definitions) << FormatString(
        "Elsewhere, udp://@127.0.0.1:%u\nKitchen tuner, udp://@127.0.0.1:%u\n", loopback::FreePort(SOCK_DGRAM), port);
    const CString stream = loopback::DemoPackets(700);
    const int status = PlayAndRecord(
        { "--input", "Network", "--multiplex", "Kitchen tuner" },
        [&] {
            Prime(port, [](uint16_t) { return Primer(); });
            loopback::Send(port, loopback::Datagrams(stream));
        },
        [&] { return HasRecordedUpTo(stream); });
    std::filesystem::remove(definitions);
    EXPECT_EQ(status, KRX_CLI_OK) << err.str();
    EXPECT_TRUE(RecordedStream() == stream)
        << RecordedStream().size() << " bytes recorded, " << stream.size() << " sent";
}

// Arrival in bursts, as a busy network delivers: the demo at its own rate,
// but held back for up to 200 ms at a time and then sent at once, then a
// second of null packets in which the last pictures fall due. The programme
// clock follows the PCRs' arrival. Every packet is recorded, in order, and
// the pictures from the first the decoder could start at are shown, none
// dropped. (The display drops only pictures three seconds off the clock or
// held back by a full queue for 250 ms, which bursts this short never cause:
// a lost datagram is what loses pictures here, and the recording shows it.)
TEST_F(NetworkPlayTest, BurstsOfUpTo200MillisecondsDropNoPicture)
{
    if (!std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXVideo.so")
        || !std::filesystem::exists(KRX_PROGRAM_FOLDER "KRXDisplayDX.so"))
        GTEST_SKIP() << "the video decoder and the display are not built beside the program";
    // Six seconds of the demo, 2.6 Mbit/s: 247 datagrams a second.
    constexpr int seconds = 6, picturesPerSecond = 25;
    const CString stream = loopback::DemoPackets(seconds * 1730);
    const std::vector<CString> datagrams = loopback::Datagrams(stream);
    constexpr double perMs = 0.247;
    const uint16_t port = loopback::FreePort(SOCK_DGRAM);
    const CString url = FormatString("rtp://127.0.0.1:%u", port);
    const auto send = [&] {
        uint16_t next = Prime(port, [](uint16_t n) { return loopback::RTPDatagram(n, Primer()); });
        const auto start = std::chrono::steady_clock::now();
        size_t sent = 0;
        // Gaps of 200, 40, 120 and 10 ms in turn.
        const int gaps[] = { 200, 40, 120, 10 };
        for (int burst = 0; sent < datagrams.size(); ++burst) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gaps[burst % 4]));
            const auto elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
            const size_t due = std::min(datagrams.size(), size_t(elapsedMs.count() * perMs));
            std::vector<CString> burstDatagrams;
            for (; sent < due; ++sent)
                burstDatagrams.push_back(loopback::RTPDatagram(next++, datagrams[sent]));
            loopback::Send(port, burstDatagrams);
        }
        for (int ms = 0; ms < 1000; ms += 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            loopback::Send(port, { loopback::RTPDatagram(next++, Primer()) });
        }
    };
    EXPECT_EQ(PlayAndRecord({ url, "--service", "1", "--video-out", "none" }, send, [] { return true; }), KRX_CLI_OK)
        << err.str();
    EXPECT_EQ(RecordedStream().compare(0, stream.size(), stream), 0) << "a packet of the bursts was not recorded";
    // The last status line counts them all.
    const CString text = out.str();
    const std::regex line("([0-9]+) pictures shown, ([0-9]+) dropped");
    std::smatch counts;
    for (auto at = std::sregex_iterator(text.begin(), text.end(), line); at != std::sregex_iterator(); ++at)
        counts = *at;
    ASSERT_FALSE(counts.empty()) << text;
    // Before the decoder starts go the search for the service and the pictures
    // up to the next of the demo's I-pictures (every twelfth): under a second.
    EXPECT_GE(std::stoi(counts[1]), seconds * picturesPerSecond - picturesPerSecond) << text;
    EXPECT_EQ(counts[2], "0") << text;
}
