#include "KRXTTFrontendSteps.h"

#include <linux/dvb/frontend.h>

#include <algorithm>
#include <iterator>

namespace {
constexpr uint32_t Systems[] = { SYS_DVBT, SYS_DVBT2, SYS_DVBS, SYS_DVBS2, SYS_DVBC_ANNEX_A };
constexpr uint32_t Modulations[]
    = { QAM_AUTO, QPSK, PSK_8, APSK_16, APSK_32, QAM_16, QAM_32, QAM_64, QAM_128, QAM_256 };
constexpr uint32_t RollOffs[] = { ROLLOFF_35, ROLLOFF_25, ROLLOFF_20 };
constexpr uint32_t InnerFecs[] = { FEC_AUTO, FEC_1_2, FEC_2_3, FEC_3_4, FEC_4_5, FEC_5_6, FEC_6_7, FEC_7_8, FEC_8_9 };
constexpr uint32_t BandwidthsHz[] = { 6000000, 7000000, 8000000, 0, 0, 1712000, 5000000, 10000000 };

template <size_t N> uint32_t Lookup(const uint32_t (&table)[N], uint32_t code, uint32_t fallback)
{
    return code < N ? table[code] : fallback;
}

template <size_t N> int Find(const uint32_t (&table)[N], uint32_t value)
{
    const auto found = std::find(std::begin(table), std::end(table), value);
    return found == std::end(table) ? -1 : static_cast<int>(found - std::begin(table));
}

uint32_t Inversion(uint32_t code)
{
    return code == 0 ? INVERSION_ON : code == 1 ? INVERSION_OFF : INVERSION_AUTO;
}

uint32_t StreamId(int streamId)
{
    return streamId < 0 ? NO_STREAM_ID_FILTER : static_cast<uint32_t>(streamId);
}

using Properties = std::vector<std::pair<uint32_t, uint32_t>>;

Properties TerrestrialProperties(const KRXTTChannel& channel)
{
    Properties properties = { { DTV_FREQUENCY, channel.frequency * 1000 },
        { DTV_BANDWIDTH_HZ, Lookup(BandwidthsHz, channel.bandwidth, 0) },
        { DTV_INVERSION, Inversion(channel.inversion) }, { DTV_CODE_RATE_HP, FEC_AUTO }, { DTV_CODE_RATE_LP, FEC_AUTO },
        { DTV_MODULATION, QAM_AUTO }, { DTV_TRANSMISSION_MODE, TRANSMISSION_MODE_AUTO },
        { DTV_GUARD_INTERVAL, GUARD_INTERVAL_AUTO }, { DTV_HIERARCHY, HIERARCHY_AUTO } };
    if (channel.system == KRX_TT_DVBT2)
        properties.emplace_back(DTV_STREAM_ID, StreamId(channel.streamId));
    return properties;
}

Properties SatelliteProperties(const KRXTTChannel& channel)
{
    Properties properties = { { DTV_FREQUENCY, channel.frequency }, { DTV_SYMBOL_RATE, channel.symbolRate },
        { DTV_INNER_FEC, Lookup(InnerFecs, channel.viterbi, FEC_AUTO) },
        { DTV_INVERSION, Inversion(channel.inversion) } };
    if (channel.system == KRX_TT_DVBS2) {
        properties.insert(properties.end(),
            { { DTV_MODULATION, LinuxModulation(channel.modulation) },
                { DTV_ROLLOFF, Lookup(RollOffs, channel.rollOff, ROLLOFF_AUTO) }, { DTV_PILOT, PILOT_AUTO },
                { DTV_STREAM_ID, StreamId(channel.streamId) } });
    }
    return properties;
}

Properties CableProperties(const KRXTTChannel& channel)
{
    return { { DTV_FREQUENCY, channel.frequency * 1000 }, { DTV_SYMBOL_RATE, channel.symbolRate },
        { DTV_MODULATION, LinuxModulation(channel.modulation) }, { DTV_INNER_FEC, FEC_AUTO },
        { DTV_INVERSION, Inversion(channel.inversion) } };
}

// The committed switch command: framing E0, any LNB or switch, "write N0",
// then the port, the polarisation (18 V horizontal) and the band (tone) bits.
std::vector<uint8_t> CommittedSwitchCommand(const KRXTTChannel& channel)
{
    const uint8_t bits = static_cast<uint8_t>(
        (channel.diseqcPort << 2) | (channel.voltage == 18 ? 0x02 : 0x00) | (channel.tone != 0 ? 0x01 : 0x00));
    return { 0xE0, 0x10, 0x38, static_cast<uint8_t>(0xF0 | bits) };
}
} // namespace

uint32_t LinuxDeliverySystem(int system)
{
    return Lookup(Systems, static_cast<uint32_t>(system), SYS_UNDEFINED);
}

uint32_t LinuxModulation(int modulation)
{
    return Lookup(Modulations, static_cast<uint32_t>(modulation), QAM_AUTO);
}

int SystemOfLinux(uint32_t system)
{
    return system == SYS_DVBC_ANNEX_C ? KRX_TT_DVBC : Find(Systems, system);
}

int ModulationOfLinux(uint32_t modulation)
{
    return Find(Modulations, modulation);
}

std::vector<KRXTTFrontendStep> BuildFrontendSteps(const KRXTTChannel& channel)
{
    std::vector<KRXTTFrontendStep> steps;
    const bool satellite = channel.system == KRX_TT_DVBS || channel.system == KRX_TT_DVBS2;
    if (satellite) {
        if (channel.diseqcPort >= 0)
            steps.push_back({ KRXTTFrontendStep::DiSEqC, CommittedSwitchCommand(channel), 0, {} });
        steps.push_back({ KRXTTFrontendStep::Voltage, {}, channel.voltage, {} });
        steps.push_back({ KRXTTFrontendStep::Tone, {}, channel.tone, {} });
    }
    KRXTTFrontendStep tune;
    tune.properties = { { DTV_DELIVERY_SYSTEM, LinuxDeliverySystem(channel.system) } };
    const Properties own = satellite    ? SatelliteProperties(channel)
        : channel.system == KRX_TT_DVBC ? CableProperties(channel)
                                        : TerrestrialProperties(channel);
    tune.properties.insert(tune.properties.end(), own.begin(), own.end());
    steps.push_back(tune);
    return steps;
}
