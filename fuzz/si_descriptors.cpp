// Arbitrary bytes as a descriptor loop: parsing, cloning and the readers of
// the decoded kinds must stay inside the loop. Each descriptor is also parsed
// from a copy of exactly its own payload, so that reading past the end of one
// descriptor (into the next) is caught as well.
#include "si/DVBDescriptorList.h"
#include "si/DVBProgramElement.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {
void ParseEachAlone(const uint8_t* data, size_t size)
{
    while (size >= 2) {
        const unsigned char tag = data[0];
        const unsigned char length = data[1];
        if (length > size - 2)
            return;
        std::unique_ptr<unsigned char[]> payload(new unsigned char[length]);
        std::memcpy(payload.get(), data + 2, length);
        std::unique_ptr<CDVBDescriptor> descriptor(CDVBDescriptor::Create(tag));
        descriptor->SetHeader(tag, length);
        descriptor->Parse(payload.get());
        data += 2 + length;
        size -= 2 + length;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFF)
        return 0;
    ParseEachAlone(data, size);
    CDVBDescriptorList list;
    list.Parse(data, static_cast<unsigned short>(size));

    CDVBProgramElement element(0x100);
    element.GetDescriptors().CopyFrom(list);
    for (unsigned char streamType : { 3, 6, 1, 0x0F }) {
        element.SetStreamType(streamType);
        element.GetDescription();
    }
    return 0;
}
