// RTP datagrams as a network delivers them, and the RTCP beside them: the
// header parser must find a payload inside the datagram or refuse it, and the
// reordering must cope with any sequence of numbers.
#include "KRXNetRTPHeader.h"
#include "KRXNetRTPReorder.h"
#include "KRXNetSatIpSignal.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KRXNetRTPHeader header;
    if (ParseRTPHeader(data, size, header) && header.payloadOffset + header.payloadSize > size)
        __builtin_trap();
    KRXNetSatIpSignal signal;
    ParseSatIpSignalReport(data, size, signal);
    // The input read as a run of sequence numbers, each with a byte of payload.
    size_t delivered = 0;
    CKRXNetRTPReorder reorder([&delivered](const uint8_t*, size_t length) { delivered += length; });
    for (size_t at = 0; at + 3 <= size; at += 3)
        reorder.Push(uint16_t(data[at] << 8 | data[at + 1]), data + at + 2, 1);
    reorder.Flush();
    if (delivered > size / 3)
        __builtin_trap();
    return 0;
}
