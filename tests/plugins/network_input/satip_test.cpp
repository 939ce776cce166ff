#include "KRXNetRTSPResponse.h"
#include "KRXNetSSDPReply.h"
#include "KRXNetSatIpSession.h"
#include "KRXNetSatIpSignal.h"

#include <gtest/gtest.h>

#include <deque>

namespace {
// Answers each request with the next scripted head; an empty one is no answer.
class ScriptedRTSPClient : public CKRXNetRTSPClient
{
public:
    std::deque<CString> answers;
    std::vector<CString> sent;
    int resets = 0;

    bool Send(Method method, const CString& uri, const CString& transport, CString& head, CString& error) override
    {
        static const char* names[] = { "OPTIONS", "SETUP", "PLAY", "TEARDOWN" };
        sent.push_back(CString(names[method]) + " " + uri + (method == Setup ? " " + transport : ""));
        head = answers.empty() ? "" : answers.front();
        if (!answers.empty())
            answers.pop_front();
        error = "Connection refused";
        return !head.empty();
    }
    void Reset() override { ++resets; }
};

std::vector<uint8_t> Report(const CString& text, const char* name = "SES1")
{
    std::vector<uint8_t> packet = { 0x81, 204, 0, 0, 0, 0, 0, 1 };
    packet.insert(packet.end(), name, name + 4);
    packet.insert(packet.end(), { 0, 0, 0, uint8_t(text.size()) });
    packet.insert(packet.end(), text.begin(), text.end());
    packet.resize((packet.size() + 3) / 4 * 4);
    packet[3] = uint8_t(packet.size() / 4 - 1);
    return packet;
}
} // namespace

TEST(RTSPResponse, ReadsStatusHeadersSessionAndStream)
{
    KRXNetRTSPResponse response;
    ASSERT_TRUE(ParseRTSPResponse("RTSP/1.0 200 OK\r\nCSeq: 2\r\nsession:  ABCDEF01 ; timeout=30\r\n"
                                  "com.ses.streamID: 12\r\nTransport: RTP/AVP;unicast;client_port=45000-45001\r\n\r\n",
        response));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.reason, "OK");
    EXPECT_EQ(response.Header("cseq"), "2");
    CString id;
    uint32_t timeout = 0, stream = 0;
    ASSERT_TRUE(response.GetSession(id, timeout));
    EXPECT_EQ(id, "ABCDEF01");
    EXPECT_EQ(timeout, 30u);
    ASSERT_TRUE(response.GetStreamId(stream));
    EXPECT_EQ(stream, 12u);

    ASSERT_TRUE(ParseRTSPResponse("RTSP/1.0 454 Session Not Found\nSession: 77;timeout=x\n", response));
    EXPECT_EQ(response.status, 454);
    EXPECT_EQ(response.reason, "Session Not Found");
    ASSERT_TRUE(response.GetSession(id, timeout));
    EXPECT_EQ(timeout, 60u) << "a time-out that cannot be read is the default one";
    EXPECT_FALSE(response.GetStreamId(stream));

    for (const char* head : { "", "HTTP/1.1 200 OK\r\n", "RTSP/1.0 2x0 OK\r\n", "RTSP/1.0 2000 OK\r\n", "RTSP/1.0" })
        EXPECT_FALSE(ParseRTSPResponse(head, response)) << head;
}

TEST(SatIpSignal, ReadsTheTunerFieldsFromACompoundPacket)
{
    // A receiver report first, then the application packet.
    std::vector<uint8_t> compound = { 0x80, 201, 0, 1, 0, 0, 0, 1 };
    const auto report = Report("ver=1.0;src=1;tuner=1,255,1,12,11494.00,h,dvbs2,8psk,off,0.35,27500,34;pids=0,16");
    compound.insert(compound.end(), report.begin(), report.end());
    KRXNetSatIpSignal signal;
    ASSERT_TRUE(ParseSatIpSignalReport(compound.data(), compound.size(), signal));
    EXPECT_EQ(FormatSatIpSignal(signal), "Lock, level 100%, quality 80%");

    const auto unlocked = Report("ver=1.1;tuner=2,0,0,0,474.00,8,dvbt");
    ASSERT_TRUE(ParseSatIpSignalReport(unlocked.data(), unlocked.size(), signal));
    EXPECT_EQ(FormatSatIpSignal(signal), "no lock");

    const std::vector<std::vector<uint8_t>> refused = {
        Report("ver=1.0;src=1;tuner=1,255,1,12", "XYZ1"),
        Report("ver=1.0;src=1;tuner=1,256,1,12"),
        Report("ver=1.0;src=1;tuner=1,20,2,12"),
        Report("ver=1.0;src=1;tuner=1,20,1"),
        Report("ver=1.0;src=1"),
    };
    for (const auto& packet : refused)
        EXPECT_FALSE(ParseSatIpSignalReport(packet.data(), packet.size(), signal))
            << CString(packet.begin() + 16, packet.end());
    auto overlong = report;
    overlong[3] = 200;
    EXPECT_FALSE(ParseSatIpSignalReport(overlong.data(), overlong.size(), signal));
}

TEST(SSDP, ReadsASearchReplyAndTheDeviceDescription)
{
    KRXNetSSDPReply reply;
    ASSERT_TRUE(
        ParseSSDPReply("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\nLocation: http://10.0.0.3:8080/d.xml\r\n"
                       "ST: urn:ses-com:device:SatIPServer:1\r\nUSN: uuid:1::urn:ses-com:device:SatIPServer:1\r\n"
                       "SERVER: Linux UPnP/1.1 Box/2\r\n\r\n",
            reply));
    EXPECT_EQ(reply.location, "http://10.0.0.3:8080/d.xml");
    EXPECT_EQ(reply.searchTarget, "urn:ses-com:device:SatIPServer:1");
    EXPECT_EQ(reply.uniqueName, "uuid:1::urn:ses-com:device:SatIPServer:1");
    EXPECT_EQ(reply.server, "Linux UPnP/1.1 Box/2");
    EXPECT_FALSE(ParseSSDPReply("NOTIFY * HTTP/1.1\r\nLOCATION: http://x/\r\n", reply));
    EXPECT_FALSE(ParseSSDPReply("HTTP/1.1 200 OK\r\nLOCATIONS: http://x/\r\n", reply));

    KRXNetSatIpDevice device;
    ASSERT_TRUE(ParseSatIpDeviceDescription(
        "<root><device><friendlyNameX>no</friendlyNameX><friendlyName>Box &lt;4&gt; &amp; "
        "&quot;more&quot;</friendlyName>"
        "<satip:X_SATIPCAP xmlns:satip=\"urn:ses-com:satip\">DVBS2-4,DVBC-2</satip:X_SATIPCAP></device></root>",
        device));
    EXPECT_EQ(device.friendlyName, "Box <4> & \"more\"");
    EXPECT_EQ(device.capabilities, "DVBS2-4,DVBC-2");
    EXPECT_FALSE(ParseSatIpDeviceDescription("<root><friendlyName", device));
}

// Megabytes of names that are not elements: a parse that searched back or
// forward from each of them would take hours here and run into the test's
// time-out, where one pass takes milliseconds.
TEST(SSDP, AHostileDescriptionCostsItsLength)
{
    const size_t copies = 250000;
    CString unopened, unspaced = "<";
    for (size_t i = 0; i < copies; ++i) {
        unopened += "friendlyName";
        unspaced += "friendlyName";
    }
    KRXNetSatIpDevice device;
    EXPECT_FALSE(ParseSatIpDeviceDescription(unopened + unspaced, device));
    ASSERT_TRUE(ParseSatIpDeviceDescription(
        unopened + unspaced + " <friendlyName>Box</friendlyName><X_SATIPCAP>DVBC-1</X_SATIPCAP>", device));
    EXPECT_EQ(device.friendlyName, "Box");
    EXPECT_EQ(device.capabilities, "DVBC-1");
}

TEST(SatIpSession, SetsUpPlaysKeepsAliveAndTearsDown)
{
    ScriptedRTSPClient client;
    KRXNetURL url;
    CString error;
    ASSERT_TRUE(ParseNetURL("satip://192.168.1.9/?src=1&freq=11494&msys=dvbs2", url, error));
    CKRXNetSatIpSession session(client, url, 45000);
    client.answers = { "RTSP/1.0 200 OK\r\nSession: 99;timeout=20\r\ncom.ses.streamID: 3\r\n", "RTSP/1.0 200 OK\r\n",
        "RTSP/1.0 200 OK\r\n", "RTSP/1.0 200 OK\r\n" };
    EXPECT_EQ(session.Open(error), CKRXNetSatIpSession::Done);
    EXPECT_EQ(session.GetKeepAliveIntervalMs(), 10000u);
    EXPECT_EQ(session.KeepAlive(error), CKRXNetSatIpSession::Done);
    session.Close();
    EXPECT_FALSE(session.IsOpen());
    const std::vector<CString> expected = {
        "SETUP rtsp://192.168.1.9:554/?src=1&freq=11494&msys=dvbs2&pids=all RTP/AVP;unicast;client_port=45000-45001",
        "PLAY rtsp://192.168.1.9:554/stream=3",
        "OPTIONS rtsp://192.168.1.9:554/",
        "TEARDOWN rtsp://192.168.1.9:554/stream=3",
    };
    EXPECT_EQ(client.sent, expected);
    EXPECT_GE(client.resets, 1);
}

TEST(SatIpSession, TellsARefusalFromAServerThatIsNotThere)
{
    ScriptedRTSPClient client;
    KRXNetURL url;
    CString error;
    ASSERT_TRUE(ParseNetURL("satip://server:8554/?freq=474&msys=dvbt&pids=0,16", url, error));
    CKRXNetSatIpSession session(client, url, 45002);
    client.answers = { "RTSP/1.0 503 Service Unavailable\r\n" };
    EXPECT_EQ(session.Open(error), CKRXNetSatIpSession::Refused);
    EXPECT_EQ(error, "the server answered 503 Service Unavailable");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.Open(error), CKRXNetSatIpSession::Failed);
    EXPECT_EQ(error, "Connection refused");
    // A SETUP answer without a session cannot be played.
    client.answers = { "RTSP/1.0 200 OK\r\ncom.ses.streamID: 3\r\n" };
    EXPECT_EQ(session.Open(error), CKRXNetSatIpSession::Failed);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(client.sent.front(),
        "SETUP rtsp://server:8554/?freq=474&msys=dvbt&pids=0,16 RTP/AVP;unicast;client_port=45002-45003");
}
