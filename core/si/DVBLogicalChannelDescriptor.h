#pragma once
// Logical channel descriptors of a NIT entry: the number a broadcaster gives
// each service of the transport stream, and whether receivers list it. Two
// layouts are read: tag 0x83 (EACEM), four bytes per service, and tag 0x87
// (NorDig), the same entries grouped in channel lists, one per region or
// country. Entries are kept in stream order, lists one after another.
#include "si/DVBDescriptor.h"

#include <vector>

struct CDVBLogicalChannel {
    unsigned short serviceId = 0;
    bool visible = true;
    unsigned short number = 0; // 10 bits
};

class CDVBLogicalChannelDescriptor : public CDVBDescriptor
{
public:
    // A list cut short keeps the entries before the cut and reports false.
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    const std::vector<CDVBLogicalChannel>& GetChannels() const { return m_channels; }

private:
    // Whole four-byte entries of data[0..length); false when bytes are left over.
    bool ParseEntries(const unsigned char* data, int length);
    bool ParseChannelLists(const unsigned char* payload);

    std::vector<CDVBLogicalChannel> m_channels;
};
