#include "si/DVBDescriptorList.h"

bool CDVBDescriptorList::Parse(const unsigned char* data, unsigned short length)
{
    unsigned remaining = length;
    while (remaining >= 2) {
        const unsigned char tag = data[0];
        const unsigned char descriptorLength = data[1];
        remaining -= 2;
        if (descriptorLength > remaining)
            return false;
        std::unique_ptr<CDVBDescriptor> descriptor(CDVBDescriptor::Create(tag));
        descriptor->SetHeader(tag, descriptorLength);
        descriptor->Parse(data + 2); // a descriptor that does not decode is still kept
        Append(std::move(descriptor));
        data += 2 + descriptorLength;
        remaining -= descriptorLength;
    }
    return true;
}

CDVBDescriptor* CDVBDescriptorList::Find(unsigned char tag) const
{
    for (CDVBDescriptor* descriptor : *this) {
        if (descriptor->GetTag() == tag)
            return descriptor;
    }
    return nullptr;
}

void CDVBDescriptorList::CopyFrom(const CDVBDescriptorList& other)
{
    DeleteAll();
    for (const CDVBDescriptor* descriptor : other)
        Append(std::unique_ptr<CDVBDescriptor>(descriptor->Clone()));
}
