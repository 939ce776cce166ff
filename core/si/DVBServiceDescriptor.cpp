#include "si/DVBServiceDescriptor.h"

bool CDVBServiceDescriptor::Parse(const unsigned char* payload)
{
    if (m_length == 0)
        return false;
    m_serviceType = payload[0];
    const unsigned char* data = payload + 1;
    int remaining = m_length - 1;
    return ReadLengthPrefixedText(data, remaining, m_providerName)
        && ReadLengthPrefixedText(data, remaining, m_serviceName);
}

void CDVBServiceDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* service = dynamic_cast<const CDVBServiceDescriptor*>(other)) {
        m_serviceType = service->m_serviceType;
        m_providerName = service->m_providerName;
        m_serviceName = service->m_serviceName;
    }
}
