#include "si/DVBTransportStream.h"

#include "si/DVBNITSection.h"

void CDVBTransportStream::OnReceiveNIT(CDVBNITSection*, const CDVBNITEntry* entry)
{
    m_nitSeen = true;
    m_originalNetworkId = entry->originalNetworkId;
    // With several delivery descriptors the last one wins.
    for (const CDVBDescriptor* descriptor : entry->descriptors) {
        if (descriptor->GetTag() != DVB_TAG_TERRESTRIAL_DELIVERY)
            continue;
        if (!m_terrestrialDelivery)
            m_terrestrialDelivery = std::make_unique<CDVBTerrestrialDeliveryDescriptor>();
        m_terrestrialDelivery->CopyFrom(descriptor);
        m_hasTerrestrialDelivery = true;
    }
}
