#include "KRXNetSSDPSearch.h"

#include "platform/Clock.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
sockaddr_in SearchAddress()
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(1900);
    inet_pton(AF_INET, "239.255.255.250", &address.sin_addr);
    const char* chosen = std::getenv("KORRIX_SSDP_ADDRESS");
    const CString text = chosen == nullptr ? "" : chosen;
    const size_t colon = text.rfind(':');
    if (colon != CString::npos && inet_pton(AF_INET, text.substr(0, colon).c_str(), &address.sin_addr) == 1)
        address.sin_port = htons(static_cast<uint16_t>(std::atoi(text.c_str() + colon + 1)));
    return address;
}
} // namespace

std::vector<CString> SearchSSDP(uint32_t waitMs)
{
    std::vector<CString> replies;
    const int sender = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sender < 0)
        return replies;
    const sockaddr_in address = SearchAddress();
    const CString search
        = FormatString("M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\n"
                       "MX: %u\r\nST: %s\r\n\r\n",
            std::max(1u, waitMs / 1000), KRX_SATIP_SEARCH_TARGET);
    sendto(sender, search.data(), search.size(), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const uint32_t start = GetMillisecondTime();
    for (uint32_t elapsed = 0; elapsed < waitMs; elapsed = GetMillisecondTime() - start) {
        pollfd waiting { sender, POLLIN, 0 };
        if (poll(&waiting, 1, static_cast<int>(waitMs - elapsed)) <= 0)
            break;
        char buffer[2048];
        const ssize_t got = recv(sender, buffer, sizeof buffer, 0);
        if (got > 0)
            replies.emplace_back(buffer, static_cast<size_t>(got));
    }
    close(sender);
    return replies;
}
