#include "KRXNetSatIpDiscovery.h"

#include "KRXNetSSDPSearch.h"

#include <algorithm>

namespace {
// Descriptions are small; a bigger answer is not one.
constexpr size_t kLargestDescription = 256 * 1024;
} // namespace

std::vector<KRXNetSatIpServer> FindSatIpServers(const std::vector<CString>& replies, CKRXNetTransfer& transfer)
{
    std::vector<KRXNetSatIpServer> servers;
    for (const CString& text : replies) {
        KRXNetSSDPReply reply;
        if (!ParseSSDPReply(text, reply) || reply.searchTarget != KRX_SATIP_SEARCH_TARGET)
            continue;
        const bool known = std::any_of(servers.begin(), servers.end(),
            [&reply](const KRXNetSatIpServer& server) { return server.location == reply.location; });
        if (known)
            continue;
        KRXNetSatIpServer server;
        server.location = reply.location;
        CString xml, error;
        const bool fetched = transfer.Fetch(
            reply.location,
            [&xml](const uint8_t* data, size_t size) {
                if (xml.size() + size <= kLargestDescription)
                    xml.append(reinterpret_cast<const char*>(data), size);
            },
            error);
        if (!fetched)
            server.problem = error;
        else if (!ParseSatIpDeviceDescription(xml, server.device))
            server.problem = "its description names no device";
        servers.push_back(server);
    }
    return servers;
}

CString DescribeSatIpServer(const KRXNetSatIpServer& server)
{
    if (!server.problem.empty())
        return "a server at " + server.location + " (no description: " + server.problem + ")";
    const CString tuners = server.device.capabilities.empty() ? "" : " (" + server.device.capabilities + ")";
    return server.device.friendlyName + tuners + " at " + server.location;
}
