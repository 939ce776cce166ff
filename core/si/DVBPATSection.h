#pragma once
// Programme association table: programme numbers and their PMT PIDs.
#include "si/DVBOwningList.h"
#include "si/DVBSISection.h"

struct CDVBPATEntry {
    unsigned short programNumber = 0; // 0: the PID is the network (NIT) PID
    unsigned short pid = 0;
};

class CDVBPATSection : public CDVBSISection
{
public:
    CDVBPATSection()
        : CDVBSISection(DVB_SECTION_PAT)
    {
    }

    bool ParseBody(const unsigned char* body, unsigned short length) override;

    const CDVBOwningList<CDVBPATEntry>& GetEntries() const { return m_entries; }
    unsigned short GetTransportStreamId() const { return GetTableIdExtension(); }

private:
    CDVBOwningList<CDVBPATEntry> m_entries;
};
