#include "KRXTTTuningForm.h"

#include <algorithm>

namespace {
constexpr int PolarityVolts[] = { 0, 13, 18 };
}

CKRXTTTuningForm::CKRXTTTuningForm(const CKRXTTMultiplexDefinition& definition)
    : m_values(definition)
{
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
