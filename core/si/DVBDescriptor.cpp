#include "si/DVBDescriptor.h"

#include "si/DVBLanguageDescriptor.h"
#include "si/DVBLogicalChannelDescriptor.h"
#include "si/DVBNetworkNameDescriptor.h"
#include "si/DVBPayloadDescriptor.h"
#include "si/DVBServiceDescriptor.h"
#include "si/DVBShortEventDescriptor.h"
#include "si/DVBSubtitlingDescriptor.h"
#include "si/DVBTeletextDescriptor.h"
#include "si/DVBTerrestrialDeliveryDescriptor.h"

bool CDVBDescriptor::Parse(const unsigned char*)
{
    return true;
}

CDVBDescriptor* CDVBDescriptor::Clone() const
{
    CDVBDescriptor* copy = Create(m_tag);
    copy->CopyFrom(this);
    return copy;
}

void CDVBDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    m_tag = other->m_tag;
    m_length = other->m_length;
}

CDVBDescriptor* CDVBDescriptor::Create(unsigned char tag)
{
    switch (tag) {
    case DVB_TAG_ISO_639_LANGUAGE:
        return new CDVBLanguageDescriptor;
    case DVB_TAG_NETWORK_NAME:
        return new CDVBNetworkNameDescriptor;
    case DVB_TAG_SERVICE:
        return new CDVBServiceDescriptor;
    case DVB_TAG_SHORT_EVENT:
        return new CDVBShortEventDescriptor;
    case DVB_TAG_TELETEXT:
        return new CDVBTeletextDescriptor;
    case DVB_TAG_SUBTITLING:
        return new CDVBSubtitlingDescriptor;
    case DVB_TAG_TERRESTRIAL_DELIVERY:
        return new CDVBTerrestrialDeliveryDescriptor;
    case DVB_TAG_LOGICAL_CHANNEL:
    case DVB_TAG_LOGICAL_CHANNEL_LISTS:
        return new CDVBLogicalChannelDescriptor;
    case DVB_TAG_COMPONENT:
    case DVB_TAG_EXTENDED_EVENT:
    case DVB_TAG_CONTENT:
    case DVB_TAG_PARENTAL_RATING:
    case DVB_TAG_CONTENT_IDENTIFIER:
        return new CDVBPayloadDescriptor;
    default:
        return new CDVBDescriptor;
    }
}

bool CDVBDescriptor::ReadLengthPrefixedText(const unsigned char*& data, int& remaining, CString& text)
{
    if (remaining <= 0)
        return false;
    int length = *data++;
    --remaining;
    for (; length > 0; --length) {
        if (remaining <= 0)
            return false;
        text += static_cast<char>(*data++);
        --remaining;
    }
    return true;
}
