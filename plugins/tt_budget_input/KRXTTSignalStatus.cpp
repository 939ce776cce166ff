#include "KRXTTSignalStatus.h"

#include <array>
#include <cinttypes>

namespace {
constexpr std::array<const char*, 5> SystemNames = { "DVB-T", "DVB-T2", "DVB-S", "DVB-S2", "DVB-C" };
constexpr std::array<const char*, 10> ModulationNames
    = { "", "QPSK", "8PSK", "16APSK", "32APSK", "16QAM", "32QAM", "64QAM", "128QAM", "256QAM" };

template <size_t N> const char* NameOf(const std::array<const char*, N>& names, const std::optional<int>& code)
{
    return code && *code >= 0 && static_cast<size_t>(*code) < N ? names[*code] : "";
}

// "DVB-T2 256QAM", either part left out when unknown.
CString Reception(const KRXTTSignal& signal)
{
    CString text = NameOf(SystemNames, signal.system);
    const CString modulation = NameOf(ModulationNames, signal.modulation);
    if (!text.empty() && !modulation.empty())
        text += " ";
    return text + modulation;
}
} // namespace

CString DeliverySystemName(int system)
{
    return NameOf(SystemNames, system);
}

CString FormatSignalStatus(const KRXTTSignal& signal)
{
    if (!signal.locked)
        return "no lock";
    CString text = "Lock";
    if (const CString reception = Reception(signal); !reception.empty())
        text += ", " + reception;
    if (signal.strength)
        text += FormatString(", %.1f dBm", *signal.strength / 1000.0);
    if (signal.carrierToNoise)
        text += FormatString(", C/N %.1f dB", *signal.carrierToNoise / 1000.0);
    if (signal.bitErrorRate)
        text += FormatString(", BER %g", *signal.bitErrorRate);
    if (signal.uncorrectedBlocks)
        text += FormatString(", UCB %" PRIu64, *signal.uncorrectedBlocks);
    return text;
}
