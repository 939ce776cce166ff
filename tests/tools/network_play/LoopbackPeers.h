#pragma once
// Senders and a server on the loopback for the network input's tests: the
// stream's own bytes in UDP or RTP datagrams (an RTP sender may drop and swap
// datagrams), and an HTTP server that drops its connection once and comes
// back. Nothing here reaches beyond 127.0.0.1.
#include "platform/CString.h"
#include "platform/Event.h"

#include <arpa/inet.h>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace loopback {
constexpr size_t kPacketsPerDatagram = 7;
constexpr size_t kDatagramBytes = kPacketsPerDatagram * 188;

inline sockaddr_in Address(uint16_t port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nothing listens on at the moment of asking.
inline uint16_t FreePort(int type)
{
    const int probe = socket(AF_INET, type, 0);
    sockaddr_in address = Address(0);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

// Null packets, which receivers pass over.
inline CString NullPackets(size_t count)
{
    CString packet = { 0x47, 0x1F, char(0xFF), 0x10 };
    packet.resize(188, char(0xFF));
    CString packets;
    for (size_t i = 0; i < count; ++i)
        packets += packet;
    return packets;
}

// The demo's first packets: a stream a sender gets through in milliseconds.
inline CString DemoPackets(size_t count)
{
    std::ifstream demo(CString(KRX_PROGRAM_FOLDER) + "demo/demo.ts", std::ios::binary);
    CString bytes(count * 188, '\0');
    demo.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(demo.gcount(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The stream cut into datagrams of seven packets, as senders do.
inline std::vector<CString> Datagrams(const CString& stream)
{
    std::vector<CString> datagrams;
    for (size_t at = 0; at < stream.size(); at += kDatagramBytes)
        datagrams.push_back(stream.substr(at, kDatagramBytes));
    return datagrams;
}

inline CString RTPDatagram(uint16_t sequence, const CString& payload)
{
    const char header[12] = { char(0x80), 33, char(sequence >> 8), char(sequence), 0, 0, 0, 0, 0x12, 0x34, 0x56, 0x78 };
    return CString(header, sizeof header) + payload;
}

// Sends the datagrams in order, a short pause now and then so that the
// receiver's socket buffer is never the limit. A group is sent to through
// the loopback interface with a time-to-live of 0, so nothing leaves the host.
inline void Send(uint16_t port, const std::vector<CString>& datagrams, const char* group = nullptr)
{
    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = Address(port);
    if (group != nullptr) {
        inet_pton(AF_INET, group, &address.sin_addr);
        in_addr loopback { htonl(INADDR_LOOPBACK) };
        setsockopt(sender, IPPROTO_IP, IP_MULTICAST_IF, &loopback, sizeof loopback);
        const unsigned char ttl = 0;
        setsockopt(sender, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    }
    for (size_t i = 0; i < datagrams.size(); ++i) {
        sendto(sender, datagrams[i].data(), datagrams[i].size(), 0, reinterpret_cast<const sockaddr*>(&address),
            sizeof address);
        if (i % 50 == 49)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    close(sender);
}

// On its first connection sends null packets until told to go on, then the
// first part, and closes it; stays
// away (refusing connections) until told to return, then serves the rest
// chunked on the next connection and holds it open until stopped.
class HTTPServer
{
public:
    HTTPServer(CString first, CString rest)
        : m_first(std::move(first))
        , m_rest(std::move(rest))
        , m_port(FreePort(SOCK_STREAM))
    {
        m_thread = std::thread([this] { Serve(); });
    }
    ~HTTPServer()
    {
        m_stop.Set();
        go.Set();
        m_return.Set();
        m_thread.join();
    }
    uint16_t Port() const { return m_port; }
    // Set once the first connection has been closed and the port refuses.
    CEvent away { true, false };
    // Ends the null packets of the first connection.
    CEvent go { true, false };
    void Return() { m_return.Set(); }

private:
    int Listen()
    {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        const sockaddr_in address = Address(m_port);
        bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        listen(listener, 4);
        return listener;
    }
    // Accepts one connection and reads its request.
    static int Accept(int listener)
    {
        const int connection = accept(listener, nullptr, nullptr);
        CString request;
        char buffer[1024];
        while (request.find("\r\n\r\n") == CString::npos) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<size_t>(got));
        }
        return connection;
    }
    static void Write(int connection, const CString& text) { send(connection, text.data(), text.size(), MSG_NOSIGNAL); }
    void Serve()
    {
        int listener = Listen();
        int connection = Accept(listener);
        Write(connection, "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nConnection: close\r\n\r\n");
        while (!go.Wait(5))
            Write(connection, NullPackets(kPacketsPerDatagram));
        Write(connection, m_first);
        close(connection);
        close(listener);
        away.Set();
        m_return.Wait(KRX_INFINITE);
        if (m_stop.IsSet())
            return;
        listener = Listen();
        connection = Accept(listener);
        Write(connection, "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nTransfer-Encoding: chunked\r\n\r\n");
        for (size_t at = 0; at < m_rest.size(); at += 1000) {
            const CString chunk = m_rest.substr(at, 1000);
            Write(connection, FormatString("%zx\r\n", chunk.size()) + chunk + "\r\n");
        }
        m_stop.Wait(KRX_INFINITE);
        close(connection);
        close(listener);
    }

    CString m_first;
    CString m_rest;
    uint16_t m_port;
    CEvent m_return { true, false };
    CEvent m_stop { true, false };
    std::thread m_thread;
};
} // namespace loopback
