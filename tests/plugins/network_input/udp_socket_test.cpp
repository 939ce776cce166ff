// The system's UDP socket on the loopback.
#include "KRXNetUDPSocket.h"

#include "platform/CString.h"
#include "KRXNetURL.h"


#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
uint16_t FreeUDPPort()
{
    const int probe = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}
} // namespace

// A unicast port is one receiver's alone. Were it shared, a second SAT>IP
// session (another Korrix, the recorder) would take the first one's port
// pair for free and receive its stream in its place.
TEST(UDPSocket, AUnicastPortAlreadyTakenIsRefused)
{
    KRXNetURL url;
    CString error;
    const uint16_t port = FreeUDPPort();
    ASSERT_TRUE(ParseNetURL(FormatString("udp://:%u", port), url, error)) << error;
    CKRXNetUDPSocket first, second;
    ASSERT_TRUE(first.Open(url, error)) << error;
    EXPECT_FALSE(second.Open(url, error));
    EXPECT_EQ(error, FormatString("cannot receive on port %u: Address already in use", port));
}
