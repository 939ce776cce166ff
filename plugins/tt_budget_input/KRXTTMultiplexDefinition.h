#pragma once
// A multiplex of the card plug-in: the tuning parameters of one terrestrial
// (DVB-T/T2), satellite (DVB-S/S2) or cable (DVB-C) multiplex, the DVB-T
// channel rule and the universal LNB band choice, and the tune operation that
// turns them into a channel request for the card. The second-generation
// fields follow the first-generation ones and may be left out: a line
// without them is DVB-T or DVB-S, as files of first-generation cards are.
#include "KRXTTCard.h"

#include "plugin/DVBMultiplexDefinition.h"

class CKRXTTMultiplexDefinition : public CDVBMultiplexDefinition
{
public:
    enum Offset { OffsetMinus = 0, OffsetNone = 1, OffsetPlus = 2 };
    enum LNBType { UniversalLNB = 0, OtherLNB = 1 };
    static constexpr uint32_t LowBandLOF = 9750; // MHz
    static constexpr uint32_t HighBandLOF = 10600;

    explicit CKRXTTMultiplexDefinition(int frontendType);

    CString GetName() override { return m_name; }
    bool ReadFieldFromString(int index, const CString& text) override;
    bool WriteFieldToString(int index, CString& text) override;
    int GetRequiredFieldCount() override;
    int GetOptionalFieldCount() override;
    CString GetFieldName(int index) override;

    // DVB-T channel rule: 306000 + 8000 x channel kHz, 167 kHz off for an offset.
    static uint32_t ChannelToFrequency(int channel, int offset);
    static void FrequencyToChannel(uint32_t frequency, int& channel, int& offset);
    static char OffsetCharacter(int offset);
    void SetFrequencyFromChannel() { m_frequency = ChannelToFrequency(m_channel, m_offset); }
    void SetChannelFromFrequency() { FrequencyToChannel(m_frequency, m_channel, m_offset); }
    // The scan's next try: minus, none, plus, then the next channel's minus.
    void StepToNextFrequency();
    // "50+", "21 ", "05-"
    CString GetChannelText() const;

    // The request for the card; false when the definition cannot be received
    // (the card is asked all the same, as a tuner would be).
    bool BuildChannel(CKRXTTCard& card, KRXTTChannel& channel) const;
    bool Tune(CKRXTTCard& card) const;

    int GetFrontendType() const { return m_frontendType; }

    // The members, by the names the tuning forms use.
    CString m_name;
    uint32_t m_frequency; // kHz for DVB-T, MHz for DVB-S
    int m_channel = 50;
    int m_offset = OffsetNone;
    int m_inversion; // 0 on, 1 off, 2 auto
    int m_bandwidth = KRX_TT_BANDWIDTH_8MHZ; // a KRX_TT_BANDWIDTH_ code
    uint32_t m_extra = 0; // passed to the frontend, never edited
    uint32_t m_symbolRate; // ksymbol/s
    uint32_t m_localOscillator = 9750; // MHz
    int m_powerModulation = 0; // 22 kHz tone for other LNBs
    int m_powerType = 18; // 0 off, 13 vertical, 18 horizontal
    int m_viterbi = 5; // 0 auto, 1..8 = 1/2 .. 8/9
    int m_lnbType = UniversalLNB;
    int m_system; // KRX_TT_DVBT .. KRX_TT_DVBC, of the frontend type's family
    int m_modulation; // DVB-S2 and DVB-C
    int m_rollOff = KRX_TT_ROLLOFF_35; // DVB-S2
    int m_streamId; // DVB-T2 PLP (0 or more), DVB-S2 input stream (-1 none)
    int m_diseqcPort = -1; // DVB-S: committed port 0..3 (A..D), -1 none

private:
    bool ReadSatelliteField(int index, const CString& text);
    bool ReadTerrestrialField(int index, const CString& text);
    bool ReadCableField(int index, const CString& text);
    bool WriteSatelliteField(int index, CString& text) const;
    bool WriteTerrestrialField(int index, CString& text) const;
    bool WriteCableField(int index, CString& text) const;
    bool BuildSatelliteChannel(CKRXTTCard& card, KRXTTChannel& channel) const;
    void BuildTerrestrialChannel(CKRXTTCard& card, KRXTTChannel& channel) const;
    void BuildCableChannel(CKRXTTCard& card, KRXTTChannel& channel) const;

    int m_frontendType;
};
