#include "KRXTTMultiplexDefinition.h"

#include "platform/DebugOutput.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {
constexpr std::array<const char*, 3> InversionWords = { "on", "off", "auto" };
// Auto and none have no word: the file keeps them as 8 MHz.
constexpr std::array<const char*, 8> BandwidthWords
    = { "6MHz", "7MHz", "8MHz", nullptr, nullptr, "1.7MHz", "5MHz", "10MHz" };
constexpr std::array<const char*, 10> ModulationWords
    = { "auto", "QPSK", "8PSK", "16APSK", "32APSK", "QAM16", "QAM32", "QAM64", "QAM128", "QAM256" };
constexpr std::array<const char*, 3> RollOffWords = { "0.35", "0.25", "0.20" };
constexpr std::array<const char*, 5> PortWords = { "none", "A", "B", "C", "D" };
constexpr std::array<const char*, 2> TerrestrialSystemWords = { "DVB-T", "DVB-T2" };
constexpr std::array<const char*, 2> SatelliteSystemWords = { "DVB-S", "DVB-S2" };
constexpr std::array<const char*, 9> ViterbiWords = { "auto", "1/2", "2/3", "3/4", "4/5", "5/6", "6/7", "7/8", "8/9" };
constexpr std::array<const char*, 2> SwitchWords = { "off", "on" };

// The index of the keyword, compared without regard to case; -1 for none.
template <size_t N> int FindWord(const std::array<const char*, N>& words, const CString& text)
{
    for (size_t i = 0; i < N; ++i) {
        if (words[i] != nullptr && strcasecmp(words[i], text.c_str()) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

template <size_t N> bool ReadWord(const std::array<const char*, N>& words, const CString& text, int& value)
{
    const int found = FindWord(words, text);
    if (found < 0)
        return false;
    value = found;
    return true;
}

template <size_t N> CString WordOf(const std::array<const char*, N>& words, int value)
{
    return value >= 0 && static_cast<size_t>(value) < N && words[value] != nullptr ? words[value] : "";
}

// A system word of a family: its index added to the family's first system.
template <size_t N>
bool ReadSystem(const std::array<const char*, N>& words, int first, const CString& text, int& system)
{
    int index = 0;
    if (!ReadWord(words, text, index))
        return false;
    system = first + index;
    return true;
}

// "none" or a number of 0 or more.
bool ReadOptionalNumber(const CString& text, int& value)
{
    if (strcasecmp(text.c_str(), "none") == 0) {
        value = -1;
        return true;
    }
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < 0 || number > 0xFFFF)
        return false;
    value = static_cast<int>(number);
    return true;
}

CString OptionalNumberText(int value)
{
    return value < 0 ? CString("none") : FormatString("%d", value);
}

// The Linux frontends' own capabilities come first: a frontend that finds
// the inversion itself is asked to.
uint32_t InversionFor(CKRXTTCard& card, int inversion)
{
    return (card.GetCapabilities() & KRX_TT_CAN_INVERSION_AUTO) ? 2 : static_cast<uint32_t>(inversion);
}

uint32_t ReadNumber(const CString& text)
{
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

bool ReadPowerType(const CString& text, int& powerType)
{
    constexpr std::array<const char*, 3> words = { "off", "vert", "horz" };
    constexpr std::array<int, 3> volts = { 0, 13, 18 };
    const int found = FindWord(words, text);
    if (found < 0)
        return false;
    powerType = volts[found];
    return true;
}

CString PowerTypeWord(int powerType)
{
    return powerType == 13 ? "vert" : powerType == 18 ? "horz" : "off";
}

// "%03d%c": up to three digits and the offset character; digits alone mean no offset.
bool ReadChannel(const CString& text, int& channel, int& offset)
{
    int number = 0;
    char mark = 0;
    const int read = std::sscanf(text.c_str(), "%3d%c", &number, &mark);
    if (read < 1)
        return false;
    channel = number;
    offset = CKRXTTMultiplexDefinition::OffsetNone;
    if (read == 1 || mark == ' ')
        return true;
    if (mark == '+')
        offset = CKRXTTMultiplexDefinition::OffsetPlus;
    else if (mark == '-')
        offset = CKRXTTMultiplexDefinition::OffsetMinus;
    else
        return false;
    return true;
}
} // namespace

CKRXTTMultiplexDefinition::CKRXTTMultiplexDefinition(int frontendType)
    : m_frequency(frontendType == KRX_TT_FRONTEND_DVBS ? 10744
            : frontendType == KRX_TT_FRONTEND_DVBC     ? 346000
                                                       : ChannelToFrequency(50, OffsetNone))
    , m_inversion(frontendType == KRX_TT_FRONTEND_DVBT ? 1 : 2)
    , m_symbolRate(frontendType == KRX_TT_FRONTEND_DVBC ? 6900 : 22000)
    , m_system(frontendType == KRX_TT_FRONTEND_DVBS  ? KRX_TT_DVBS
              : frontendType == KRX_TT_FRONTEND_DVBC ? KRX_TT_DVBC
                                                     : KRX_TT_DVBT)
    , m_modulation(frontendType == KRX_TT_FRONTEND_DVBS ? KRX_TT_QPSK : KRX_TT_MODULATION_AUTO)
    , m_streamId(frontendType == KRX_TT_FRONTEND_DVBT ? 0 : -1)
    , m_frontendType(frontendType)
{
}

int CKRXTTMultiplexDefinition::GetRequiredFieldCount()
{
    switch (m_frontendType) {
    case KRX_TT_FRONTEND_DVBS:
        return 9;
    case KRX_TT_FRONTEND_DVBT:
    case KRX_TT_FRONTEND_DVBC:
        return 5;
    default:
        return 0;
    }
}

int CKRXTTMultiplexDefinition::GetOptionalFieldCount()
{
    switch (m_frontendType) {
    case KRX_TT_FRONTEND_DVBS:
        return 5;
    case KRX_TT_FRONTEND_DVBT:
        return 2;
    default:
        return 0;
    }
}

CString CKRXTTMultiplexDefinition::GetFieldName(int index)
{
    static const std::array<const char*, 14> satellite = { "Name", "Frequency", "LNB Power Type", "Symbol Rate",
        "Viterbi Type", "Spectral Inversion", "LNB Type", "LNB Power Modulation", "Local Oscillator Frequency",
        "Delivery System", "Modulation", "Roll-off", "Stream ID", "DiSEqC Port" };
    static const std::array<const char*, 7> terrestrial
        = { "Name", "Channel", "Frequency", "Spectral Inversion", "Bandwidth", "Delivery System", "PLP" };
    static const std::array<const char*, 5> cable
        = { "Name", "Frequency", "Symbol Rate", "Modulation", "Spectral Inversion" };
    if (index < 0 || index >= GetTotalFieldCount())
        return CDVBMultiplexDefinition::GetFieldName(index);
    if (m_frontendType == KRX_TT_FRONTEND_DVBS)
        return satellite[index];
    return m_frontendType == KRX_TT_FRONTEND_DVBC ? cable[index] : terrestrial[index];
}

bool CKRXTTMultiplexDefinition::ReadFieldFromString(int index, const CString& text)
{
    if (index == 0) {
        m_name = text;
        return true;
    }
    if (m_frontendType == KRX_TT_FRONTEND_DVBS)
        return ReadSatelliteField(index, text);
    if (m_frontendType == KRX_TT_FRONTEND_DVBT)
        return ReadTerrestrialField(index, text);
    if (m_frontendType == KRX_TT_FRONTEND_DVBC)
        return ReadCableField(index, text);
    return false;
}

bool CKRXTTMultiplexDefinition::ReadSatelliteField(int index, const CString& text)
{
    switch (index) {
    case 1:
        m_frequency = ReadNumber(text);
        return true;
    case 2:
        return ReadPowerType(text, m_powerType);
    case 3:
        m_symbolRate = ReadNumber(text);
        return true;
    case 4:
        return ReadWord(ViterbiWords, text, m_viterbi);
    case 5:
        return ReadWord(InversionWords, text, m_inversion);
    case 6:
        m_lnbType = static_cast<int>(ReadNumber(text));
        return true;
    case 7:
        return ReadWord(SwitchWords, text, m_powerModulation);
    case 8:
        m_localOscillator = ReadNumber(text);
        return true;
    case 9:
        return ReadSystem(SatelliteSystemWords, KRX_TT_DVBS, text, m_system);
    case 10:
        return ReadWord(ModulationWords, text, m_modulation);
    case 11:
        return ReadWord(RollOffWords, text, m_rollOff);
    case 12:
        return ReadOptionalNumber(text, m_streamId);
    case 13:
        if (!ReadWord(PortWords, text, m_diseqcPort))
            return false;
        --m_diseqcPort; // "none" is the first word
        return true;
    default:
        return false;
    }
}

bool CKRXTTMultiplexDefinition::ReadTerrestrialField(int index, const CString& text)
{
    switch (index) {
    case 1:
        return ReadChannel(text, m_channel, m_offset);
    case 2:
        m_frequency = ReadNumber(text);
        return true;
    case 3:
        return ReadWord(InversionWords, text, m_inversion);
    case 4:
        return ReadWord(BandwidthWords, text, m_bandwidth);
    case 5:
        return ReadSystem(TerrestrialSystemWords, KRX_TT_DVBT, text, m_system);
    case 6:
        return ReadOptionalNumber(text, m_streamId) && m_streamId >= 0;
    default:
        return false;
    }
}

bool CKRXTTMultiplexDefinition::ReadCableField(int index, const CString& text)
{
    switch (index) {
    case 1:
        m_frequency = ReadNumber(text);
        return true;
    case 2:
        m_symbolRate = ReadNumber(text);
        return true;
    case 3:
        return ReadWord(ModulationWords, text, m_modulation);
    case 4:
        return ReadWord(InversionWords, text, m_inversion);
    default:
        return false;
    }
}

bool CKRXTTMultiplexDefinition::WriteFieldToString(int index, CString& text)
{
    if (index == 0) {
        text = m_name;
        return true;
    }
    if (m_frontendType == KRX_TT_FRONTEND_DVBS)
        return WriteSatelliteField(index, text);
    if (m_frontendType == KRX_TT_FRONTEND_DVBT)
        return WriteTerrestrialField(index, text);
    if (m_frontendType == KRX_TT_FRONTEND_DVBC)
        return WriteCableField(index, text);
    return false;
}

bool CKRXTTMultiplexDefinition::WriteSatelliteField(int index, CString& text) const
{
    switch (index) {
    case 1:
        text = FormatString("%u", m_frequency);
        return true;
    case 2:
        text = PowerTypeWord(m_powerType);
        return true;
    case 3:
        text = FormatString("%u", m_symbolRate);
        return true;
    case 4:
        text = WordOf(ViterbiWords, m_viterbi);
        return true;
    case 5:
        text = WordOf(InversionWords, m_inversion);
        return true;
    case 6:
        text = FormatString("%d", m_lnbType);
        return true;
    case 7:
        text = WordOf(SwitchWords, m_powerModulation);
        return true;
    case 8:
        text = FormatString("%u", m_localOscillator);
        return true;
    case 9:
        text = WordOf(SatelliteSystemWords, m_system - KRX_TT_DVBS);
        return true;
    case 10:
        text = WordOf(ModulationWords, m_modulation);
        return true;
    case 11:
        text = WordOf(RollOffWords, m_rollOff);
        return true;
    case 12:
        text = OptionalNumberText(m_streamId);
        return true;
    case 13:
        text = WordOf(PortWords, m_diseqcPort + 1);
        return true;
    default:
        return false;
    }
}

bool CKRXTTMultiplexDefinition::WriteTerrestrialField(int index, CString& text) const
{
    switch (index) {
    case 1:
        text = GetChannelText();
        return true;
    case 2:
        text = FormatString("%u", m_frequency);
        return true;
    case 3:
        text = WordOf(InversionWords, m_inversion);
        return true;
    case 4:
        text = WordOf(BandwidthWords, m_bandwidth);
        if (text.empty())
            text = BandwidthWords[KRX_TT_BANDWIDTH_8MHZ];
        return true;
    case 5:
        text = WordOf(TerrestrialSystemWords, m_system - KRX_TT_DVBT);
        return true;
    case 6:
        text = FormatString("%d", std::max(m_streamId, 0));
        return true;
    default:
        return false;
    }
}

bool CKRXTTMultiplexDefinition::WriteCableField(int index, CString& text) const
{
    switch (index) {
    case 1:
        text = FormatString("%u", m_frequency);
        return true;
    case 2:
        text = FormatString("%u", m_symbolRate);
        return true;
    case 3:
        text = WordOf(ModulationWords, m_modulation);
        return true;
    case 4:
        text = WordOf(InversionWords, m_inversion);
        return true;
    default:
        return false;
    }
}

uint32_t CKRXTTMultiplexDefinition::ChannelToFrequency(int channel, int offset)
{
    int64_t frequency = 306000 + 8000 * static_cast<int64_t>(channel);
    if (offset == OffsetMinus)
        frequency -= 167;
    else if (offset == OffsetPlus)
        frequency += 167;
    return frequency < 0 ? 0 : static_cast<uint32_t>(frequency);
}

void CKRXTTMultiplexDefinition::FrequencyToChannel(uint32_t frequency, int& channel, int& offset)
{
    int64_t megahertz = frequency / 1000;
    const uint32_t rest = frequency % 1000;
    if (rest >= 500) {
        offset = OffsetMinus;
        ++megahertz;
    } else
        offset = rest > 0 ? OffsetPlus : OffsetNone;
    const int64_t number = (megahertz - 306) / 8;
    channel = number < 0 ? 0 : static_cast<int>(number);
}

char CKRXTTMultiplexDefinition::OffsetCharacter(int offset)
{
    return offset == OffsetMinus ? '-' : offset == OffsetPlus ? '+' : ' ';
}

void CKRXTTMultiplexDefinition::StepToNextFrequency()
{
    if (m_offset == OffsetMinus)
        m_offset = OffsetNone;
    else if (m_offset == OffsetNone)
        m_offset = OffsetPlus;
    else {
        m_offset = OffsetMinus;
        ++m_channel;
    }
    SetFrequencyFromChannel();
}

CString CKRXTTMultiplexDefinition::GetChannelText() const
{
    return FormatString("%02d%c", m_channel, OffsetCharacter(m_offset));
}

bool CKRXTTMultiplexDefinition::Tune(CKRXTTCard& card) const
{
    KRXTTChannel channel;
    const bool valid = BuildChannel(card, channel);
    card.SetChannel(channel);
    return valid;
}

bool CKRXTTMultiplexDefinition::BuildChannel(CKRXTTCard& card, KRXTTChannel& channel) const
{
    channel = KRXTTChannel();
    channel.system = m_system;
    if (m_frontendType == KRX_TT_FRONTEND_DVBS)
        return BuildSatelliteChannel(card, channel);
    if (m_frontendType == KRX_TT_FRONTEND_DVBT)
        BuildTerrestrialChannel(card, channel);
    if (m_frontendType == KRX_TT_FRONTEND_DVBC)
        BuildCableChannel(card, channel);
    return true;
}

void CKRXTTMultiplexDefinition::BuildCableChannel(CKRXTTCard& card, KRXTTChannel& channel) const
{
    channel.frequency = m_frequency;
    channel.symbolRate = m_symbolRate * 1000;
    channel.modulation = m_modulation;
    channel.inversion = InversionFor(card, m_inversion);
}

void CKRXTTMultiplexDefinition::BuildTerrestrialChannel(CKRXTTCard& card, KRXTTChannel& channel) const
{
    const unsigned capabilities = card.GetCapabilities();
    channel.frequency = m_frequency;
    channel.inversion = InversionFor(card, m_inversion);
    if (m_system == KRX_TT_DVBT2)
        channel.streamId = std::max(m_streamId, 0);
    if (capabilities & KRX_TT_CAN_BANDWIDTH_AUTO)
        channel.bandwidth = 3;
    else {
        uint32_t low = 0, high = 0;
        card.GetBandwidthRange(low, high);
        if (low == high)
            channel.bandwidth = low;
        else if (m_bandwidth >= 0 && m_bandwidth <= static_cast<int>(KRX_TT_BANDWIDTH_10MHZ))
            channel.bandwidth = static_cast<uint32_t>(m_bandwidth);
    }
    channel.symbolRate = m_extra;
}

bool CKRXTTMultiplexDefinition::BuildSatelliteChannel(CKRXTTCard& card, KRXTTChannel& channel) const
{
    uint32_t low = 0, high = 0;
    card.GetFrequencyRange(low, high);
    low /= 1000;
    high /= 1000;
    DebugOutputFormat("Frequency range is %uMHz to %uMHz.\n", low, high);
    bool valid = true;
    uint32_t intermediate = m_frequency;
    if (m_lnbType != UniversalLNB) {
        // Below the oscillator there is nothing to receive; subtracting would wrap round.
        if (m_frequency < m_localOscillator) {
            DebugOutput("Error - frequency too low.\n");
            valid = false;
        } else
            intermediate = m_frequency - m_localOscillator;
        channel.tone = static_cast<uint32_t>(m_powerModulation);
    } else {
        DebugOutputFormat("Low band LOF is %uMHz, high is %uMHz.\n", LowBandLOF, HighBandLOF);
        DebugOutputFormat("Specified frequency is %uMHz.\n", m_frequency);
        if (m_frequency < LowBandLOF) {
            DebugOutput("Error - frequency too low.\n");
            valid = false;
        } else {
            const bool highBand = m_frequency >= HighBandLOF && m_frequency - HighBandLOF >= low;
            intermediate = m_frequency - (highBand ? HighBandLOF : LowBandLOF);
            channel.tone = highBand ? 1 : 0;
            DebugOutputFormat(
                "Using %s band - adjusted frequency is %uMHz.\n", highBand ? "high" : "low", intermediate);
            if (intermediate > high) {
                DebugOutput("Error - frequency too high.\n");
                valid = false;
            }
        }
    }
    channel.frequency = intermediate * 1000;
    channel.inversion = static_cast<uint32_t>(m_inversion);
    channel.symbolRate = m_symbolRate * 1000;
    channel.voltage = m_powerType == 13 || m_powerType == 18 ? static_cast<uint32_t>(m_powerType) : 0;
    channel.viterbi = m_viterbi >= 1 && m_viterbi <= 8 ? static_cast<uint32_t>(m_viterbi) : 0;
    channel.diseqcPort = m_diseqcPort >= 0 && m_diseqcPort <= 3 ? m_diseqcPort : -1;
    if (m_system == KRX_TT_DVBS2) {
        channel.modulation = m_modulation;
        channel.rollOff = static_cast<uint32_t>(m_rollOff);
        channel.streamId = m_streamId;
    } else
        channel.modulation = KRX_TT_QPSK;
    return valid;
}
