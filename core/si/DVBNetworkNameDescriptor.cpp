#include "si/DVBNetworkNameDescriptor.h"

bool CDVBNetworkNameDescriptor::Parse(const unsigned char* payload)
{
    m_name.append(reinterpret_cast<const char*>(payload), m_length);
    return true;
}

void CDVBNetworkNameDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* network = dynamic_cast<const CDVBNetworkNameDescriptor*>(other))
        m_name = network->m_name;
}
