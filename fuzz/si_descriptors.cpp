// Arbitrary bytes as a descriptor loop: parsing, cloning and the readers of
// the decoded kinds must stay inside the loop.
#include "si/DVBDescriptorList.h"
#include "si/DVBProgramElement.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFF)
        return 0;
    CDVBDescriptorList list;
    list.Parse(data, static_cast<unsigned short>(size));

    CDVBProgramElement element(0x100);
    element.GetDescriptors().CopyFrom(list);
    for (unsigned char streamType : { 3, 6, 1 }) {
        element.SetStreamType(streamType);
        element.GetDescription();
    }
    return 0;
}
