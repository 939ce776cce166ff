#pragma once
// Terrestrial delivery system descriptor, with the texts of its parameters.
#include "si/DVBDescriptor.h"

#include <cstdint>

class CDVBTerrestrialDeliveryDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    // Units of 10 Hz.
    uint32_t GetCentreFrequency() const { return m_centreFrequency; }
    unsigned char GetBandwidth() const { return m_bandwidth; }
    unsigned char GetConstellation() const { return m_constellation; }
    unsigned char GetHierarchyInformation() const { return m_hierarchyInformation; }
    unsigned char GetCodeRateHP() const { return m_codeRateHP; }
    unsigned char GetCodeRateLP() const { return m_codeRateLP; }
    unsigned char GetGuardInterval() const { return m_guardInterval; }
    unsigned char GetTransmissionMode() const { return m_transmissionMode; }
    unsigned char GetOtherFrequencyFlag() const { return m_otherFrequencyFlag; }

    // Each gives "unknown" for a value outside its table.
    static CString GetBandwidthText(unsigned value);
    static CString GetConstellationText(unsigned value);
    static CString GetHierarchyText(unsigned value);
    static CString GetCodeRateText(unsigned value);
    static CString GetGuardIntervalText(unsigned value);
    static CString GetTransmissionModeText(unsigned value);

private:
    uint32_t m_centreFrequency = 0;
    unsigned char m_bandwidth = 0;
    unsigned char m_constellation = 0;
    unsigned char m_hierarchyInformation = 0;
    unsigned char m_codeRateHP = 0;
    unsigned char m_codeRateLP = 0;
    unsigned char m_guardInterval = 0;
    unsigned char m_transmissionMode = 0;
    unsigned char m_otherFrequencyFlag = 0;
};
