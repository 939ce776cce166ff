#include "si/DVBTeletextDescriptor.h"

#include <cstring>

bool CDVBTeletextDescriptor::Parse(const unsigned char* payload)
{
    m_entries.clear();
    for (int at = 0; at + 5 <= m_length; at += 5) {
        CDVBTeletextEntry entry;
        std::memcpy(entry.language, payload + at, 3);
        entry.type = payload[at + 3] >> 3;
        const int magazine = payload[at + 3] & 7;
        entry.page = (unsigned short)((magazine == 0 ? 8 : magazine) << 8 | payload[at + 4]);
        m_entries.push_back(entry);
    }
    return true;
}

void CDVBTeletextDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* teletext = dynamic_cast<const CDVBTeletextDescriptor*>(other))
        m_entries = teletext->m_entries;
}
