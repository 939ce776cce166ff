#pragma once
// Service description table: the services of one transport stream.
#include "si/DVBDescriptorList.h"
#include "si/DVBSISection.h"

struct CDVBSDTEntry {
    unsigned short serviceId = 0;
    unsigned char eitScheduleFlag = 0;
    unsigned char eitPresentFollowingFlag = 0;
    unsigned char runningStatus = 0;
    unsigned char freeCAMode = 0;
    unsigned short descriptorsLoopLength = 0;
    CDVBDescriptorList descriptors;
};

class CDVBSDTSection : public CDVBSISection
{
public:
    CDVBSDTSection()
        : CDVBSISection(DVB_SECTION_SDT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    unsigned short GetTransportStreamId() const { return GetTableIdExtension(); }
    unsigned short GetOriginalNetworkId() const { return m_originalNetworkId; }
    const CDVBOwningList<CDVBSDTEntry>& GetEntries() const { return m_entries; }

private:
    unsigned short m_originalNetworkId = 0;
    CDVBOwningList<CDVBSDTEntry> m_entries;
};
