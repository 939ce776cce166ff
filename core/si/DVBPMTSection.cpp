#include "si/DVBPMTSection.h"

#include <memory>

bool CDVBPMTSection::ParseBody(const unsigned char* body, unsigned short length)
{
    unsigned remaining = length;
    if (remaining < 4)
        return false;
    m_pcrPID = Read13(body);
    m_programInfoLength = Read12(body + 2);
    body += 4;
    remaining -= 4;
    if (m_programInfoLength > remaining)
        return false;
    m_descriptors.Parse(body, m_programInfoLength); // damaged descriptors do not cost the programme
    body += m_programInfoLength;
    remaining -= m_programInfoLength;

    while (remaining >= 5) {
        auto entry = std::make_unique<CDVBPMTEntry>();
        entry->streamType = body[0];
        entry->elementaryPID = Read13(body + 1);
        entry->esInfoLength = Read12(body + 3);
        body += 5;
        remaining -= 5;
        if (entry->esInfoLength > remaining)
            return false;
        entry->descriptors.Parse(body, entry->esInfoLength);
        body += entry->esInfoLength;
        remaining -= entry->esInfoLength;
        m_entries.Append(std::move(entry));
    }
    return true;
}
