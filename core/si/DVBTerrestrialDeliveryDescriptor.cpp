#include "si/DVBTerrestrialDeliveryDescriptor.h"

#include <iterator>

namespace {
template <std::size_t N> CString Lookup(const char* const (&table)[N], unsigned value)
{
    return value < N ? table[value] : "unknown";
}
} // namespace

bool CDVBTerrestrialDeliveryDescriptor::Parse(const unsigned char* payload)
{
    if (m_length < 11)
        return false;
    m_centreFrequency
        = (uint32_t(payload[0]) << 24) | (uint32_t(payload[1]) << 16) | (uint32_t(payload[2]) << 8) | payload[3];
    m_bandwidth = payload[4] >> 5;
    m_constellation = payload[5] >> 6;
    m_hierarchyInformation = (payload[5] >> 3) & 7;
    m_codeRateHP = payload[5] & 7;
    m_codeRateLP = payload[6] >> 5;
    m_guardInterval = (payload[6] >> 3) & 3;
    m_transmissionMode = (payload[6] >> 1) & 3;
    m_otherFrequencyFlag = payload[6] & 1;
    return true;
}

void CDVBTerrestrialDeliveryDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* delivery = dynamic_cast<const CDVBTerrestrialDeliveryDescriptor*>(other)) {
        m_centreFrequency = delivery->m_centreFrequency;
        m_bandwidth = delivery->m_bandwidth;
        m_constellation = delivery->m_constellation;
        m_hierarchyInformation = delivery->m_hierarchyInformation;
        m_codeRateHP = delivery->m_codeRateHP;
        m_codeRateLP = delivery->m_codeRateLP;
        m_guardInterval = delivery->m_guardInterval;
        m_transmissionMode = delivery->m_transmissionMode;
        m_otherFrequencyFlag = delivery->m_otherFrequencyFlag;
    }
}

CString CDVBTerrestrialDeliveryDescriptor::GetBandwidthText(unsigned value)
{
    static const char* const texts[]
        = { "8MHz", "7MHz", "6MHz", "reserved 1", "reserved 2", "reserved 3", "reserved 4", "reserved 5" };
    return Lookup(texts, value);
}

CString CDVBTerrestrialDeliveryDescriptor::GetConstellationText(unsigned value)
{
    static const char* const texts[] = { "QPSK", "16-QAM", "64-QAM", "reserved" };
    return Lookup(texts, value);
}

CString CDVBTerrestrialDeliveryDescriptor::GetHierarchyText(unsigned value)
{
    static const char* const texts[] = { "non-hierarchical", "alpha 1", "alpha 2", "alpha 3", "reserved 1",
        "reserved 2", "reserved 3", "reserved 4" };
    return Lookup(texts, value);
}

CString CDVBTerrestrialDeliveryDescriptor::GetCodeRateText(unsigned value)
{
    static const char* const texts[] = { "1/2", "2/3", "3/4", "5/6", "7/8", "reserved 1", "reserved 2", "reserved 3" };
    return Lookup(texts, value);
}

CString CDVBTerrestrialDeliveryDescriptor::GetGuardIntervalText(unsigned value)
{
    static const char* const texts[] = { "1/32", "1/16", "1/8", "1/4" };
    return Lookup(texts, value);
}

CString CDVBTerrestrialDeliveryDescriptor::GetTransmissionModeText(unsigned value)
{
    static const char* const texts[] = { "2k", "8k", "reserved 1", "reserved 2" };
    return Lookup(texts, value);
}
