#include "si/DVBEITSection.h"

#include <memory>

bool CDVBEITSection::ParseBody(const unsigned char* body, unsigned short length)
{
    unsigned remaining = length;
    if (remaining < 6)
        return false;
    m_transportStreamId = Read16(body);
    m_originalNetworkId = Read16(body + 2);
    m_segmentLastSectionNumber = body[4];
    m_lastTableId = body[5];
    body += 6;
    remaining -= 6;
    while (remaining >= 12) {
        auto entry = std::make_unique<CDVBEITEntry>();
        entry->eventId = Read16(body);
        entry->startDate = Read16(body + 2);
        entry->startTime = Read24(body + 4);
        entry->duration = Read24(body + 7);
        entry->runningStatus = body[10] >> 5;
        entry->freeCAMode = (body[10] >> 4) & 1;
        entry->descriptorsLoopLength = Read12(body + 10);
        body += 12;
        remaining -= 12;
        if (entry->descriptorsLoopLength > remaining)
            return false;
        entry->descriptors.Parse(body, entry->descriptorsLoopLength);
        body += entry->descriptorsLoopLength;
        remaining -= entry->descriptorsLoopLength;
        m_entries.Append(std::move(entry));
    }
    return true;
}
