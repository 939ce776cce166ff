#pragma once
// Event information table: the events of one service (present/following or schedule).
#include "si/DVBDescriptorList.h"
#include "si/DVBSISection.h"

#include <cstdint>

struct CDVBEITEntry {
    unsigned short eventId = 0;
    unsigned short startDate = 0; // Modified Julian Date
    uint32_t startTime = 0; // BCD hours, minutes, seconds; hours most significant
    uint32_t duration = 0; // the same BCD layout
    unsigned char runningStatus = 0;
    unsigned char freeCAMode = 0;
    unsigned short descriptorsLoopLength = 0;
    CDVBDescriptorList descriptors;
};

class CDVBEITSection : public CDVBSISection
{
public:
    CDVBEITSection()
        : CDVBSISection(DVB_SECTION_EIT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    unsigned short GetServiceId() const { return GetTableIdExtension(); }
    unsigned short GetTransportStreamId() const { return m_transportStreamId; }
    unsigned short GetOriginalNetworkId() const { return m_originalNetworkId; }
    unsigned char GetSegmentLastSectionNumber() const { return m_segmentLastSectionNumber; }
    unsigned char GetLastTableId() const { return m_lastTableId; }
    const CDVBOwningList<CDVBEITEntry>& GetEntries() const { return m_entries; }

private:
    unsigned short m_transportStreamId = 0;
    unsigned short m_originalNetworkId = 0;
    unsigned char m_segmentLastSectionNumber = 0;
    unsigned char m_lastTableId = 0;
    CDVBOwningList<CDVBEITEntry> m_entries;
};
