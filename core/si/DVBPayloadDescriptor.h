#pragma once
// A descriptor kept as its payload bytes, for the kinds that only one reader
// decodes (the event descriptors the guide reads): the reader takes the
// bytes apart where it needs them.
#include "si/DVBDescriptor.h"

#include <vector>

class CDVBPayloadDescriptor : public CDVBDescriptor
{
public:
    bool Parse(const unsigned char* payload) override;
    void CopyFrom(const CDVBDescriptor* other) override;

    const std::vector<unsigned char>& GetPayload() const { return m_payload; }

private:
    std::vector<unsigned char> m_payload;
};
