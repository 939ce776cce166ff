#include "si/DVBPayloadDescriptor.h"

bool CDVBPayloadDescriptor::Parse(const unsigned char* payload)
{
    m_payload.assign(payload, payload + m_length);
    return true;
}

void CDVBPayloadDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* kept = dynamic_cast<const CDVBPayloadDescriptor*>(other))
        m_payload = kept->m_payload;
}
