#pragma once
// Programme map table: the PCR PID and elementary streams of one programme.
#include "si/DVBDescriptorList.h"
#include "si/DVBSISection.h"

struct CDVBPMTEntry {
    unsigned char streamType = 0;
    unsigned short elementaryPID = 0;
    unsigned short esInfoLength = 0;
    CDVBDescriptorList descriptors;
};

class CDVBPMTSection : public CDVBSISection
{
public:
    CDVBPMTSection()
        : CDVBSISection(DVB_SECTION_PMT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    unsigned short GetProgramNumber() const { return GetTableIdExtension(); }
    unsigned short GetPCRPID() const { return m_pcrPID; }
    const CDVBDescriptorList& GetDescriptors() const { return m_descriptors; }
    const CDVBOwningList<CDVBPMTEntry>& GetEntries() const { return m_entries; }

private:
    unsigned short m_pcrPID = 0;
    unsigned short m_programInfoLength = 0;
    CDVBDescriptorList m_descriptors;
    CDVBOwningList<CDVBPMTEntry> m_entries;
};
