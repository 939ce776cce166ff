// RTSP answers from a SAT>IP server: the status line, the headers and the
// session parts read from them.
#include "KRXNetRTSPResponse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KRXNetRTSPResponse response;
    if (!ParseRTSPResponse(CString(reinterpret_cast<const char*>(data), size), response))
        return 0;
    CString id;
    uint32_t timeout = 0, stream = 0;
    if (response.GetSession(id, timeout) && (id.empty() || timeout == 0))
        __builtin_trap();
    response.GetStreamId(stream);
    return 0;
}
