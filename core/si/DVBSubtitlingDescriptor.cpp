#include "si/DVBSubtitlingDescriptor.h"

#include <cstring>

bool CDVBSubtitlingDescriptor::Parse(const unsigned char* payload)
{
    if (m_length >= 4) {
        std::memcpy(m_language, payload, 3);
        m_language[3] = '\0';
    }
    return true;
}

void CDVBSubtitlingDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* subtitling = dynamic_cast<const CDVBSubtitlingDescriptor*>(other))
        std::memcpy(m_language, subtitling->m_language, sizeof(m_language));
}
