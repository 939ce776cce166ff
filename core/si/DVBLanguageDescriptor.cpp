#include "si/DVBLanguageDescriptor.h"

#include <cstring>

bool CDVBLanguageDescriptor::Parse(const unsigned char* payload)
{
    if (m_length < 4)
        return false;
    std::memcpy(m_language, payload, 3);
    m_language[3] = '\0';
    m_audioType = payload[3];
    return true;
}

void CDVBLanguageDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* language = dynamic_cast<const CDVBLanguageDescriptor*>(other)) {
        std::memcpy(m_language, language->m_language, sizeof(m_language));
        m_audioType = language->m_audioType;
    }
}
