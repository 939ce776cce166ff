// korrix-cli devices: the DVB adapters the card input can use, and the
// SAT>IP servers the network input finds on the network.
#include "CliCommands.h"

#include "KRXNetCurlTransfer.h"
#include "KRXNetSSDPSearch.h"
#include "KRXNetSatIpDiscovery.h"
#include "KRXTTDvbv5Card.h"

namespace {
// How long servers are given to answer the search.
constexpr uint32_t SSDP_WAIT_MS = 1000;

const char* TypeName(int frontendType)
{
    switch (frontendType) {
    case KRX_TT_FRONTEND_DVBS:
        return "DVB-S";
    case KRX_TT_FRONTEND_DVBC:
        return "DVB-C";
    case KRX_TT_FRONTEND_DVBT:
        return "DVB-T";
    default:
        return "neither DVB-T, DVB-S nor DVB-C";
    }
}
} // namespace

int RunDevicesCommand(const KRXCliArguments& arguments, KRXCliContext& context)
{
    if (!arguments.empty())
        return context.Misused("'devices' takes no arguments");
    CKRXTTDvbv5Card card;
    const std::vector<KRXTTDeviceInfo> devices = card.DescribeDevices();
    if (devices.empty())
        context.out << "No DVB adapters found.\n";
    for (const KRXTTDeviceInfo& device : devices) {
        context.out << FormatString("Adapter %d: ", device.adapter);
        if (!device.problem.empty())
            context.out << "cannot be asked: " << device.problem << "\n";
        else
            context.out << device.frontendName << ", " << TypeName(device.frontendType)
                        << FormatString(", %u to %u kHz\n", device.frequencyLow, device.frequencyHigh);
    }
    CKRXNetCurlTransfer transfer;
    const std::vector<KRXNetSatIpServer> servers = FindSatIpServers(SearchSSDP(SSDP_WAIT_MS), transfer);
    if (servers.empty())
        context.out << "No SAT>IP servers found.\n";
    for (const KRXNetSatIpServer& server : servers)
        context.out << "SAT>IP server: " << DescribeSatIpServer(server) << "\n";
    return KRX_CLI_OK;
}
