#pragma once
// What the DVB-T, DVB-S and DVB-C tuning forms do, apart from drawing them: the
// values of their controls, the recomputations while the user edits, which
// controls are enabled, and what "Test" and OK make of the values. A view fills
// its controls from Values(), reports each edit, and calls FinishInitialising
// once its controls are filled (edits made while filling recompute nothing).
#include "KRXTTMultiplexDefinition.h"

#include <memory>
#include <vector>

class CKRXTTTuningForm
{
public:
    // The definition must be a DVB-T, DVB-S or DVB-C one; the form edits a copy.
    explicit CKRXTTTuningForm(const CKRXTTMultiplexDefinition& definition);

    bool IsTerrestrial() const { return m_values.GetFrontendType() == KRX_TT_FRONTEND_DVBT; }
    bool IsCable() const { return m_values.GetFrontendType() == KRX_TT_FRONTEND_DVBC; }
    CString GetCaption() const;
    const CKRXTTMultiplexDefinition& Values() const { return m_values; }
    void FinishInitialising() { m_initialised = true; }

    // The drop lists' entries, in the order of their codes (or list indices).
    static std::vector<CString> OffsetChoices() { return { "-", "0", "+" }; }
    static std::vector<CString> InversionChoices() { return { "on", "off", "auto" }; }
    static std::vector<CString> BandwidthChoices()
    {
        return { "6MHz", "7MHz", "8MHz", "auto", "none", "1.7MHz", "5MHz", "10MHz" };
    }
    // First or second generation of the form's family.
    std::vector<CString> SystemChoices() const;
    static std::vector<CString> SatelliteModulationChoices() { return { "QPSK", "8PSK", "16APSK", "32APSK" }; }
    static std::vector<CString> CableModulationChoices()
    {
        return { "auto", "QAM16", "QAM32", "QAM64", "QAM128", "QAM256" };
    }
    static std::vector<CString> RollOffChoices() { return { "0.35", "0.25", "0.20" }; }
    static std::vector<CString> DiSEqCChoices() { return { "none", "A", "B", "C", "D" }; }
    static std::vector<CString> ViterbiChoices()
    {
        return { "auto", "1/2", "2/3", "3/4", "4/5", "5/6", "6/7", "7/8", "8/9" };
    }
    static std::vector<CString> PolarityChoices() { return { "off", "vert", "horz" }; }
    static std::vector<CString> PowerModulationChoices() { return { "off", "on" }; }
    static constexpr int ChannelMinimum = 0, ChannelMaximum = 100;

    void SetName(const CString& name) { m_values.m_name = name; }
    // DVB-T: channel and offset give the frequency, the frequency gives them.
    void SetChannel(int channel);
    void SetOffset(int offset);
    void SetFrequency(uint32_t frequency);
    void SetInversion(int code) { m_values.m_inversion = code; }
    void SetBandwidth(int code) { m_values.m_bandwidth = code; }
    // Second generation: the system, and what only it has.
    void SetSystemIndex(int index);
    int GetSystemIndex() const;
    bool AreSecondGenerationControlsEnabled() const;
    // DVB-T2 PLP or DVB-S2 input stream; the text is empty for none.
    void SetStreamText(const CString& text);
    CString GetStreamText() const;
    // DVB-S2 and DVB-C, by the index in their list.
    void SetModulationIndex(int index);
    int GetModulationIndex() const;
    void SetRollOff(int code) { m_values.m_rollOff = code; }
    void SetDiSEqCIndex(int index) { m_values.m_diseqcPort = index - 1; }
    int GetDiSEqCIndex() const { return m_values.m_diseqcPort + 1; }
    // DVB-S
    void SetPolarityIndex(int index);
    int GetPolarityIndex() const;
    void SetSymbolRate(uint32_t symbolRate) { m_values.m_symbolRate = symbolRate; }
    void SetViterbi(int code) { m_values.m_viterbi = code; }
    void SetLNBType(int type) { m_values.m_lnbType = type; }
    void SetPowerModulation(int value) { m_values.m_powerModulation = value; }
    void SetLocalOscillator(uint32_t megahertz) { m_values.m_localOscillator = megahertz; }
    // The power modulation, the oscillator and their labels.
    bool AreOtherLNBControlsEnabled() const { return m_values.m_lnbType == CKRXTTMultiplexDefinition::OtherLNB; }

    // "Test": a definition of the form's type from the controls, leaving the
    // edited definition as it is.
    std::unique_ptr<CKRXTTMultiplexDefinition> BuildTestDefinition() const;
    // OK: the controls into the edited definition.
    void Apply(CDVBMultiplexDefinition& definition) const;

private:
    CKRXTTMultiplexDefinition m_values;
    bool m_initialised = false;
};
