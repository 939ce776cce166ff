#include "si/DVBLogicalChannelDescriptor.h"

bool CDVBLogicalChannelDescriptor::Parse(const unsigned char* payload)
{
    m_channels.clear();
    if (m_tag == DVB_TAG_LOGICAL_CHANNEL_LISTS)
        return ParseChannelLists(payload);
    return ParseEntries(payload, m_length);
}

bool CDVBLogicalChannelDescriptor::ParseEntries(const unsigned char* data, int length)
{
    int at = 0;
    for (; at + 4 <= length; at += 4) {
        CDVBLogicalChannel channel;
        channel.serviceId = (unsigned short)(data[at] << 8 | data[at + 1]);
        channel.visible = (data[at + 2] & 0x80) != 0;
        channel.number = (unsigned short)((data[at + 2] & 0x03) << 8 | data[at + 3]);
        m_channels.push_back(channel);
    }
    return at == length;
}

// Each list: id, name length, name, country code (3 bytes), entries length, entries.
bool CDVBLogicalChannelDescriptor::ParseChannelLists(const unsigned char* payload)
{
    const unsigned char* data = payload;
    int remaining = m_length;
    while (remaining > 0) {
        if (remaining < 2)
            return false;
        const int nameLength = data[1];
        const int header = 2 + nameLength + 3 + 1;
        if (remaining < header)
            return false;
        const int entriesLength = data[header - 1];
        data += header;
        remaining -= header;
        if (entriesLength > remaining) {
            ParseEntries(data, remaining);
            return false;
        }
        if (!ParseEntries(data, entriesLength))
            return false;
        data += entriesLength;
        remaining -= entriesLength;
    }
    return true;
}

void CDVBLogicalChannelDescriptor::CopyFrom(const CDVBDescriptor* other)
{
    CDVBDescriptor::CopyFrom(other);
    if (auto* channels = dynamic_cast<const CDVBLogicalChannelDescriptor*>(other))
        m_channels = channels->m_channels;
}
