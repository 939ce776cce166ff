#pragma once
// A descriptor loop, in stream order; owns its descriptors.
#include "si/DVBDescriptor.h"
#include "si/DVBOwningList.h"

class CDVBDescriptorList : public CDVBOwningList<CDVBDescriptor>
{
public:
    // Appends the descriptors of a loop of length bytes. False when a
    // descriptor runs past the end of the loop; those before it stay.
    bool Parse(const unsigned char* data, unsigned short length);
    // First descriptor with the tag, or null.
    CDVBDescriptor* Find(unsigned char tag) const;
    // Replaces the contents with clones of other's descriptors.
    void CopyFrom(const CDVBDescriptorList& other);
};
