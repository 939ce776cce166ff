#include "si/DVBSDTSection.h"

#include "platform/DebugOutput.h"

#include <memory>

bool CDVBSDTSection::ParseBody(const unsigned char* body, unsigned short length)
{
    unsigned remaining = length;
    if (remaining < 3) {
        DebugOutput("SDT base size error.\n");
        return false;
    }
    m_originalNetworkId = Read16(body);
    body += 3;
    remaining -= 3;
    while (remaining >= 5) {
        auto entry = std::make_unique<CDVBSDTEntry>();
        entry->serviceId = Read16(body);
        entry->eitScheduleFlag = (body[2] >> 1) & 1;
        entry->eitPresentFollowingFlag = body[2] & 1;
        entry->runningStatus = body[3] >> 5;
        entry->freeCAMode = (body[3] >> 4) & 1;
        entry->descriptorsLoopLength = Read12(body + 3);
        body += 5;
        remaining -= 5;
        if (entry->descriptorsLoopLength > remaining) {
            DebugOutput("SDT descriptors length error.\n");
            return false;
        }
        if (!entry->descriptors.Parse(body, entry->descriptorsLoopLength))
            DebugOutput("SDT descriptor decode error.\n");
        body += entry->descriptorsLoopLength;
        remaining -= entry->descriptorsLoopLength;
        m_entries.Append(std::move(entry));
    }
    return true;
}
