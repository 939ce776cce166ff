#include "KRXNetUDPSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// About 1.3 s of a 30 Mbit/s stream (the system may grant less).
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

bool Resolve(const CString& host, uint16_t port, sockaddr_in& address, CString& error)
{
    address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (host.empty()) {
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int failure = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (failure != 0) {
        error = "cannot find '" + host + "': " + gai_strerror(failure);
        return false;
    }
    address.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}
} // namespace

bool CKRXNetUDPSocket::Open(const KRXNetURL& url, CString& error)
{
    Close();
    sockaddr_in address;
    if (!Resolve(url.host, url.port, address, error))
        return false;
    const bool group = IN_MULTICAST(ntohl(address.sin_addr.s_addr));
    m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_socket < 0) {
        error = CString("no socket: ") + std::strerror(errno);
        return false;
    }
    // Every program that joins a group shares its port; a unicast port is
    // this socket's alone, so that one in use is found to be.
    const int yes = 1;
    if (group)
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    // Beyond the system's limit only with the right to; otherwise as much as it allows.
    if (setsockopt(m_socket, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBufferBytes, sizeof kReceiveBufferBytes) != 0)
        setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    // A unicast address names the sender (or this host): any local address
    // receives it. A group is bound to, so only its datagrams come in.
    sockaddr_in local = address;
    if (!group)
        local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        error = FormatString("cannot receive on port %u: %s", url.port, std::strerror(errno));
        Close();
        return false;
    }
    if (group && !Join(url, &address.sin_addr, error)) {
        Close();
        return false;
    }
    return true;
}

bool CKRXNetUDPSocket::Join(const KRXNetURL& url, const void* group, CString& error)
{
    ip_mreqn request {};
    std::memcpy(&request.imr_multiaddr, group, sizeof request.imr_multiaddr);
    if (!url.interfaceName.empty()) {
        request.imr_ifindex = static_cast<int>(if_nametoindex(url.interfaceName.c_str()));
        if (request.imr_ifindex == 0) {
            error = "there is no network interface '" + url.interfaceName + "'";
            return false;
        }
    }
    if (!url.interfaceAddress.empty() && inet_pton(AF_INET, url.interfaceAddress.c_str(), &request.imr_address) != 1) {
        error = "'" + url.interfaceAddress + "' is not an IPv4 address";
        return false;
    }
    if (setsockopt(m_socket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0) {
        error = "cannot join the group " + url.host + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void CKRXNetUDPSocket::Close()
{
    if (m_socket >= 0)
        close(m_socket);
    m_socket = -1;
}

long CKRXNetUDPSocket::Receive(uint8_t* buffer, size_t size)
{
    if (m_socket < 0)
        return -1;
    const ssize_t received = recv(m_socket, buffer, size, MSG_DONTWAIT);
    return received < 0 ? -1 : static_cast<long>(received);
}
