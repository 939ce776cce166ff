#include "si/DVBShortEventDescriptor.h"

bool CDVBShortEventDescriptor::Parse(const unsigned char* payload)
{
    if (m_length < 3)
        return false;
    m_language.assign(reinterpret_cast<const char*>(payload), 3);
    const unsigned char* data = payload + 3;
    int remaining = m_length - 3;
    return ReadLengthPrefixedText(data, remaining, m_eventName) && ReadLengthPrefixedText(data, remaining, m_text);
}

void CDVBShortEventDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* event = dynamic_cast<const CDVBShortEventDescriptor*>(other)) {
        m_language = event->m_language;
        m_eventName = event->m_eventName;
        m_text = event->m_text;
    }
}
