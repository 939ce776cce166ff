#pragma once
// Network information table: the transport streams of a network and how they are delivered.
#include "si/DVBDescriptorList.h"
#include "si/DVBSISection.h"

struct CDVBNITEntry {
    unsigned short transportStreamId = 0;
    unsigned short originalNetworkId = 0;
    unsigned short transportDescriptorsLength = 0;
    CDVBDescriptorList descriptors;
};

class CDVBNITSection : public CDVBSISection
{
public:
    CDVBNITSection()
        : CDVBSISection(DVB_SECTION_NIT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    unsigned short GetNetworkId() const { return GetTableIdExtension(); }
    const CDVBDescriptorList& GetNetworkDescriptors() const { return m_networkDescriptors; }
    const CDVBOwningList<CDVBNITEntry>& GetEntries() const { return m_entries; }

private:
    unsigned short m_networkDescriptorsLength = 0;
    CDVBDescriptorList m_networkDescriptors;
    unsigned short m_transportStreamLoopLength = 0;
    CDVBOwningList<CDVBNITEntry> m_entries;
};
