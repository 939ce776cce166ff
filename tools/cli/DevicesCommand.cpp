// korrix-cli devices: the DVB adapters the card input can use.
#include "CliCommands.h"

#include "KRXTTDvbv5Card.h"

namespace {
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
    return KRX_CLI_OK;
}
