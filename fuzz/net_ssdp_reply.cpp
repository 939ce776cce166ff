// SSDP replies and device descriptions from whatever answers on the network.
#include "KRXNetSSDPReply.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CString text(reinterpret_cast<const char*>(data), size);
    KRXNetSSDPReply reply;
    if (ParseSSDPReply(text, reply) && reply.location.empty())
        __builtin_trap();
    KRXNetSatIpDevice device;
    ParseSatIpDeviceDescription(text, device);
    return 0;
}
