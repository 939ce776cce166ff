#include "si/DVBNITSection.h"

#include <memory>

bool CDVBNITSection::ParseBody(const unsigned char* body, unsigned short length)
{
    unsigned remaining = length;
    if (remaining < 2)
        return false;
    m_networkDescriptorsLength = Read12(body);
    body += 2;
    remaining -= 2;
    if (m_networkDescriptorsLength > remaining || !m_networkDescriptors.Parse(body, m_networkDescriptorsLength))
        return false;
    body += m_networkDescriptorsLength;
    remaining -= m_networkDescriptorsLength;

    if (remaining < 2)
        return false;
    m_transportStreamLoopLength = Read12(body);
    body += 2;
    remaining -= 2;
    if (m_transportStreamLoopLength > remaining)
        return false;

    unsigned left = m_transportStreamLoopLength;
    while (left >= 6) {
        auto entry = std::make_unique<CDVBNITEntry>();
        entry->transportStreamId = Read16(body);
        entry->originalNetworkId = Read16(body + 2);
        entry->transportDescriptorsLength = Read12(body + 4);
        body += 6;
        left -= 6;
        if (entry->transportDescriptorsLength > left)
            return false;
        entry->descriptors.Parse(body, entry->transportDescriptorsLength);
        body += entry->transportDescriptorsLength;
        left -= entry->transportDescriptorsLength;
        m_entries.Append(std::move(entry));
    }
    return true;
}
