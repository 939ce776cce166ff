#include "DVBCLUTDefinitionSegment.h"

bool CDVBCLUTDefinitionSegment::ParseBody(CDVBByteReader& reader)
{
    uint8_t version = 0;
    reader.ReadByte(m_clutId);
    reader.ReadByte(version);
    m_version = version >> 4;
    while (reader.GetRemaining() > 3) {
        CDVBCLUTEntry entry;
        if (!entry.Read(reader))
            return false;
        AddEntry(entry);
    }
    return true;
}

void CDVBCLUTDefinitionSegment::AddEntry(const CDVBCLUTEntry& entry)
{
    if (m_firstEntry[entry.entryId] < 0)
        m_firstEntry[entry.entryId] = int(m_entries.size());
    m_entries.push_back(entry);
}
