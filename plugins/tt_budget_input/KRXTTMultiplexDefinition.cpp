#include "KRXTTMultiplexDefinition.h"

#include "platform/DebugOutput.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {
constexpr std::array<const char*, 3> InversionWords = { "on", "off", "auto" };
constexpr std::array<const char*, 3> BandwidthWords = { "6MHz", "7MHz", "8MHz" };
constexpr std::array<const char*, 9> ViterbiWords = { "auto", "1/2", "2/3", "3/4", "4/5", "5/6", "6/7", "7/8", "8/9" };
constexpr std::array<const char*, 2> SwitchWords = { "off", "on" };

// The index of the keyword, compared without regard to case; -1 for none.
template <size_t N> int FindWord(const std::array<const char*, N>& words, const CString& text)
{
    for (size_t i = 0; i < N; ++i) {
        if (strcasecmp(words[i], text.c_str()) == 0)
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
    return value >= 0 && static_cast<size_t>(value) < N ? words[value] : "";
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
    : m_frequency(frontendType == KRX_TT_FRONTEND_DVBS ? 10744 : ChannelToFrequency(50, OffsetNone))
    , m_inversion(frontendType == KRX_TT_FRONTEND_DVBS ? 2 : 1)
    , m_frontendType(frontendType)
{
}

int CKRXTTMultiplexDefinition::GetRequiredFieldCount()
{
    switch (m_frontendType) {
    case KRX_TT_FRONTEND_DVBS:
        return 9;
    case KRX_TT_FRONTEND_DVBT:
        return 5;
    default:
        return 0;
    }
}

CString CKRXTTMultiplexDefinition::GetFieldName(int index)
{
    static const std::array<const char*, 9> satellite = { "Name", "Frequency", "LNB Power Type", "Symbol Rate",
        "Viterbi Type", "Spectral Inversion", "LNB Type", "LNB Power Modulation", "Local Oscillator Frequency" };
    static const std::array<const char*, 5> terrestrial
        = { "Name", "Channel", "Frequency", "Spectral Inversion", "Bandwidth" };
    if (index < 0 || index >= GetRequiredFieldCount())
        return CDVBMultiplexDefinition::GetFieldName(index);
    return m_frontendType == KRX_TT_FRONTEND_DVBS ? satellite[index] : terrestrial[index];
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
        // The file knows no word for auto or none: both are kept as 8 MHz.
        text = BandwidthWords[m_bandwidth == 0 || m_bandwidth == 1 ? m_bandwidth : 2];
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
    if (m_frontendType == KRX_TT_FRONTEND_DVBS)
        return BuildSatelliteChannel(card, channel);
    if (m_frontendType == KRX_TT_FRONTEND_DVBT)
        BuildTerrestrialChannel(card, channel);
    return true;
}

void CKRXTTMultiplexDefinition::BuildTerrestrialChannel(CKRXTTCard& card, KRXTTChannel& channel) const
{
    const unsigned capabilities = card.GetCapabilities();
    channel.frequency = m_frequency;
    channel.inversion = (capabilities & KRX_TT_CAN_INVERSION_AUTO) ? 2 : static_cast<uint32_t>(m_inversion);
    if (capabilities & KRX_TT_CAN_BANDWIDTH_AUTO)
        channel.bandwidth = 3;
    else {
        uint32_t low = 0, high = 0;
        card.GetBandwidthRange(low, high);
        if (low == high)
            channel.bandwidth = low;
        else if (m_bandwidth >= 0 && m_bandwidth <= 4)
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
    return valid;
}
