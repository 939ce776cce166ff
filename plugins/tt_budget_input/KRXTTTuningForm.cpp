#include "KRXTTTuningForm.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int PolarityVolts[] = { 0, 13, 18 };

// The family's first system: index 1 is its second generation.
int FirstSystem(const CKRXTTMultiplexDefinition& values)
{
    const int type = values.GetFrontendType();
    return type == KRX_TT_FRONTEND_DVBS ? KRX_TT_DVBS : type == KRX_TT_FRONTEND_DVBC ? KRX_TT_DVBC : KRX_TT_DVBT;
}
} // namespace

CKRXTTTuningForm::CKRXTTTuningForm(const CKRXTTMultiplexDefinition& definition)
    : m_values(definition)
{
}

CString CKRXTTTuningForm::GetCaption() const
{
    return IsTerrestrial() ? "DVB-T Tuning" : IsCable() ? "DVB-C Tuning" : "DVB-S Tuning";
}

std::vector<CString> CKRXTTTuningForm::SystemChoices() const
{
    if (IsCable())
        return { "DVB-C" };
    return IsTerrestrial() ? std::vector<CString> { "DVB-T", "DVB-T2" } : std::vector<CString> { "DVB-S", "DVB-S2" };
}

void CKRXTTTuningForm::SetSystemIndex(int index)
{
    if (index >= 0 && index < static_cast<int>(SystemChoices().size()))
        m_values.m_system = FirstSystem(m_values) + index;
}

int CKRXTTTuningForm::GetSystemIndex() const
{
    return m_values.m_system - FirstSystem(m_values);
}

bool CKRXTTTuningForm::AreSecondGenerationControlsEnabled() const
{
    return m_values.m_system == KRX_TT_DVBT2 || m_values.m_system == KRX_TT_DVBS2;
}

void CKRXTTTuningForm::SetStreamText(const CString& text)
{
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    const bool given = !text.empty() && *end == '\0' && number >= 0 && number <= 255;
    // A DVB-T2 multiplex always has a PLP: the first when none is given.
    m_values.m_streamId = given ? static_cast<int>(number) : IsTerrestrial() ? 0 : -1;
}

CString CKRXTTTuningForm::GetStreamText() const
{
    return m_values.m_streamId < 0 ? CString() : FormatString("%d", m_values.m_streamId);
}

void CKRXTTTuningForm::SetModulationIndex(int index)
{
    if (IsCable())
        m_values.m_modulation = index <= 0 ? KRX_TT_MODULATION_AUTO : KRX_TT_QAM16 + index - 1;
    else
        m_values.m_modulation = KRX_TT_QPSK + std::max(index, 0);
}

int CKRXTTTuningForm::GetModulationIndex() const
{
    if (IsCable())
        return m_values.m_modulation < KRX_TT_QAM16 ? 0 : m_values.m_modulation - KRX_TT_QAM16 + 1;
    return std::max(m_values.m_modulation - KRX_TT_QPSK, 0);
}

void CKRXTTTuningForm::SetChannel(int channel)
{
    m_values.m_channel = channel;
    if (m_initialised)
        m_values.SetFrequencyFromChannel();
}

void CKRXTTTuningForm::SetOffset(int offset)
{
    m_values.m_offset = offset;
    if (m_initialised)
        m_values.SetFrequencyFromChannel();
}

void CKRXTTTuningForm::SetFrequency(uint32_t frequency)
{
    m_values.m_frequency = frequency;
    if (m_initialised && IsTerrestrial())
        m_values.SetChannelFromFrequency();
}

void CKRXTTTuningForm::SetPolarityIndex(int index)
{
    m_values.m_powerType = index >= 0 && index < 3 ? PolarityVolts[index] : 0;
}

int CKRXTTTuningForm::GetPolarityIndex() const
{
    const auto found = std::find(std::begin(PolarityVolts), std::end(PolarityVolts), m_values.m_powerType);
    return found == std::end(PolarityVolts) ? 0 : static_cast<int>(found - std::begin(PolarityVolts));
}

std::unique_ptr<CKRXTTMultiplexDefinition> CKRXTTTuningForm::BuildTestDefinition() const
{
    return std::make_unique<CKRXTTMultiplexDefinition>(m_values);
}

void CKRXTTTuningForm::Apply(CDVBMultiplexDefinition& definition) const
{
    // A definition of the card's own kind keeps what its text form cannot
    // hold (a bandwidth of auto or none); any other takes the text form.
    if (auto* same = dynamic_cast<CKRXTTMultiplexDefinition*>(&definition)) {
        *same = m_values;
        return;
    }
    CKRXTTMultiplexDefinition values(m_values);
    definition.CopyFrom(&values);
}
