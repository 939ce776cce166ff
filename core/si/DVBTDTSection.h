#pragma once
// Time and date table: the broadcaster's UTC time.
#include "si/DVBSISection.h"

#include <cstdint>

class CDVBTDTSection : public CDVBSISection
{
public:
    CDVBTDTSection()
        : CDVBSISection(DVB_SECTION_TDT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    unsigned short GetUTCDate() const { return m_utcDate; }
    uint32_t GetUTCTime() const { return m_utcTime; }

private:
    unsigned short m_utcDate = 0;
    uint32_t m_utcTime = 0;
};
