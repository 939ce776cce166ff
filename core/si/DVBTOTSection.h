#pragma once
// Time offset table: UTC time and the local time offset descriptors (kept undecoded).
#include "si/DVBDescriptorList.h"
#include "si/DVBSISection.h"

#include <cstdint>

class CDVBTOTSection : public CDVBSISection
{
public:
    CDVBTOTSection()
        : CDVBSISection(DVB_SECTION_TOT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    unsigned short GetUTCDate() const { return m_utcDate; }
    uint32_t GetUTCTime() const { return m_utcTime; }
    const CDVBDescriptorList& GetDescriptors() const { return m_descriptors; }

private:
    unsigned short m_utcDate = 0;
    uint32_t m_utcTime = 0;
    unsigned short m_descriptorsLoopLength = 0;
    CDVBDescriptorList m_descriptors;
};
