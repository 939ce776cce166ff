#pragma once
// A SAT>IP server on the loopback for the network input's tests, in the way
// korrix-dvbsim stands in for a card: RTSP (SETUP, PLAY, OPTIONS, TEARDOWN)
// for one client at a time, a stream per frequency sent as RTP to the
// client's port with a SES1 signal report on the RTCP port beside it, a
// refusal for a frequency it does not have, and answers to SSDP searches
// pointing at a device description it serves over HTTP. Like a real server
// it stops sending once the client lets the session's time-out pass without
// a request.
#include "LoopbackPeers.h"

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>

namespace loopback {
class SatIpServer
{
public:
    static constexpr int Level = 224, Quality = 15;

    explicit SatIpServer(std::map<int, CString> streams, uint32_t sessionTimeoutSeconds = 2)
        : sessionTimeoutSeconds(sessionTimeoutSeconds)
        , m_streams(std::move(streams))
    {
        m_rtsp = Listen(SOCK_STREAM, rtspPort);
        m_ssdp = Listen(SOCK_DGRAM, ssdpPort);
        m_http = Listen(SOCK_STREAM, httpPort);
        m_threads.emplace_back([this] { ServeRTSP(); });
        m_threads.emplace_back([this] { AnswerSearches(); });
        m_threads.emplace_back([this] { ServeDescription(); });
    }
    ~SatIpServer()
    {
        m_stop = true;
        go.Set();
        for (int socket : { m_rtsp, m_ssdp, m_http })
            shutdown(socket, SHUT_RDWR);
        StopSending();
        for (std::thread& thread : m_threads)
            thread.join();
        for (int socket : { m_rtsp, m_ssdp, m_http })
            close(socket);
    }

    const uint32_t sessionTimeoutSeconds;
    uint16_t rtspPort = 0, ssdpPort = 0, httpPort = 0;
    std::atomic<int> keepAlives { 0 };
    // Set when the session lapsed and the server stopped sending.
    std::atomic<bool> lapsed { false };
    CEvent tornDown { true, false };
    // Until set, a stream that plays sends null packets before its own.
    CEvent go { true, false };
    std::mutex mutex;
    std::vector<CString> requests; // "METHOD URI", in order

private:
    static int Listen(int type, uint16_t& port)
    {
        const int listener = socket(AF_INET, type, 0);
        sockaddr_in address = Address(0);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        if (type == SOCK_STREAM)
            listen(listener, 4);
        return listener;
    }
    static CString Header(const CString& request, const CString& name)
    {
        const size_t at = request.find("\r\n" + name + ":");
        if (at == CString::npos)
            return "";
        const size_t start = request.find_first_not_of(' ', at + name.size() + 3);
        return request.substr(start, request.find("\r\n", start) - start);
    }
    static CString ReadRequest(int connection)
    {
        CString request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == CString::npos) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0)
                return "";
            request.append(buffer, static_cast<size_t>(got));
        }
        return request;
    }

    void ServeRTSP()
    {
        while (!m_stop) {
            const int connection = accept(m_rtsp, nullptr, nullptr);
            if (connection < 0)
                return;
            for (CString request; !(request = ReadRequest(connection)).empty();) {
                const CString reply = Answer(request);
                send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
            close(connection);
        }
    }

    CString Answer(const CString& request)
    {
        const CString method = request.substr(0, request.find(' '));
        const CString uri = request.substr(method.size() + 1, request.find(' ', method.size() + 1) - method.size() - 1);
        {
            std::lock_guard lock(mutex);
            requests.push_back(method + " " + uri);
        }
        // Any request keeps the session alive.
        m_heardNs = Now();
        CString head = "CSeq: " + Header(request, "CSeq") + "\r\n";
        const CString session = FormatString("Session: 0badcafe;timeout=%u\r\n", sessionTimeoutSeconds);
        if (method == "SETUP") {
            const size_t freq = uri.find("freq=");
            const int frequency = freq == CString::npos ? 0 : std::atoi(uri.c_str() + freq + 5);
            if (m_streams.count(frequency) == 0)
                return "RTSP/1.0 404 Not Found\r\n" + head + "\r\n";
            m_frequency = frequency;
            const CString transport = Header(request, "Transport");
            m_clientPort = uint16_t(std::atoi(transport.c_str() + transport.find("client_port=") + 12));
            return "RTSP/1.0 200 OK\r\n" + head + session + "com.ses.streamID: 7\r\nTransport: " + transport
                + ";source=127.0.0.1\r\n\r\n";
        }
        if (method == "PLAY") {
            StartSending();
            return "RTSP/1.0 200 OK\r\n" + head + session + "\r\n";
        }
        if (method == "OPTIONS") {
            if (!Header(request, "Session").empty())
                ++keepAlives;
            return "RTSP/1.0 200 OK\r\n" + head + "Public: OPTIONS, SETUP, PLAY, TEARDOWN\r\n\r\n";
        }
        if (method == "TEARDOWN") {
            StopSending();
            tornDown.Set();
            return "RTSP/1.0 200 OK\r\n" + head + session + "\r\n";
        }
        return "RTSP/1.0 501 Not Implemented\r\n" + head + "\r\n";
    }

    static int64_t Now() { return std::chrono::steady_clock::now().time_since_epoch().count(); }
    // False once the session is over: stopped, or lapsed for want of a request.
    bool SessionLasts()
    {
        const auto silence = std::chrono::steady_clock::duration(Now() - m_heardNs);
        if (silence > std::chrono::seconds(sessionTimeoutSeconds))
            lapsed = true;
        return m_sending && !lapsed;
    }
    static CString SignalReport()
    {
        const CString text = FormatString(
            "ver=1.0;src=1;tuner=1,%d,1,%d,11494.00,h,dvbs2,8psk,off,0.35,27500,34;pids=all", Level, Quality);
        CString report = { char(0x81), char(204), 0, 0, 0, 0, 0, 1, 'S', 'E', 'S', '1', 0, 0, 0, char(text.size()) };
        report += text;
        report.resize((report.size() + 3) / 4 * 4, '\0');
        report[3] = char(report.size() / 4 - 1);
        return report;
    }

    // Null packets every 5 ms until go, then the stream at once; a signal
    // report every 100 ms until the session ends.
    void StartSending()
    {
        StopSending();
        m_sending = true;
        m_sender = std::thread([this, port = m_clientPort, stream = m_streams.at(m_frequency)] {
            std::vector<CString> datagrams;
            uint16_t sequence = 0;
            for (const CString& payload : Datagrams(stream))
                datagrams.push_back(RTPDatagram(sequence++, payload));
            const CString report = SignalReport();
            for (int tick = 1; !go.Wait(5) && SessionLasts(); ++tick) {
                Send(port, { RTPDatagram(sequence++, NullPackets(kPacketsPerDatagram)) });
                if (tick % 20 == 0)
                    Send(uint16_t(port + 1), { report });
            }
            if (!SessionLasts())
                return;
            for (CString& datagram : datagrams) {
                datagram[2] = char(sequence >> 8);
                datagram[3] = char(sequence++);
            }
            Send(port, datagrams);
            while (SessionLasts()) {
                Send(uint16_t(port + 1), { report });
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
    }
    void StopSending()
    {
        m_sending = false;
        if (m_sender.joinable())
            m_sender.join();
    }

    void AnswerSearches()
    {
        char buffer[2048];
        for (;;) {
            sockaddr_in from {};
            socklen_t length = sizeof from;
            const ssize_t got = recvfrom(m_ssdp, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got <= 0 || m_stop)
                return;
            const CString search(buffer, static_cast<size_t>(got));
            if (search.rfind("M-SEARCH * HTTP/1.1", 0) != 0
                || search.find("urn:ses-com:device:SatIPServer:1") == CString::npos)
                continue;
            const CString reply = FormatString(
                "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\n"
                "LOCATION: http://127.0.0.1:%u/desc.xml\r\nSERVER: Linux/1.0 UPnP/1.1 Test/1.0\r\n"
                "ST: urn:ses-com:device:SatIPServer:1\r\n"
                "USN: uuid:11223344-9999-0000-b7ae-000000000001::urn:ses-com:device:SatIPServer:1\r\n\r\n",
                httpPort);
            sendto(m_ssdp, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }

    void ServeDescription()
    {
        const CString xml = "<?xml version=\"1.0\"?>\n<root xmlns=\"urn:schemas-upnp-org:device-1-0\"><device>"
                            "<deviceType>urn:ses-com:device:SatIPServer:1</deviceType>"
                            "<friendlyName>Loopback SAT&gt;IP</friendlyName>"
                            "<satip:X_SATIPCAP xmlns:satip=\"urn:ses-com:satip\">DVBS2-2,DVBT-1</satip:X_SATIPCAP>"
                            "</device></root>\n";
        for (;;) {
            const int connection = accept(m_http, nullptr, nullptr);
            if (connection < 0)
                return;
            ReadRequest(connection);
            const CString reply = FormatString("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: %zu\r\n"
                                               "Connection: close\r\n\r\n",
                                      xml.size())
                + xml;
            send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
            close(connection);
        }
    }

    std::map<int, CString> m_streams;
    int m_rtsp = -1, m_ssdp = -1, m_http = -1;
    std::atomic<bool> m_stop { false };
    int m_frequency = 0;
    uint16_t m_clientPort = 0;
    std::atomic<bool> m_sending { false };
    std::atomic<int64_t> m_heardNs { 0 };
    std::thread m_sender;
    std::vector<std::thread> m_threads;
};
} // namespace loopback
