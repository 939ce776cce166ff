// Arbitrary bytes through the transport stream receiver's packet path, in
// reads of varying length, with the SI receivers of a started receiver (and
// whatever the PAT and PMTs found add) and a checking receiver on two more
// PIDs. Each read is copied into a buffer of exactly its size so that a read
// past it shows. Every packet handed out starts with a sync byte and carries
// a later number than the one before. The receiver is made once (its tables
// are large) and renewed every so many inputs.
#include "platform/DebugOutput.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTransportStreamReceiver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {
class CCheckingReceiver : public CDVBPIDReceiver
{
public:
    explicit CCheckingReceiver(uint64_t* lastNumber)
        : m_lastNumber(lastNumber)
    {
    }
    void OnReceivePacket(uint64_t packetNumber, unsigned char* packet) override
    {
        if (packet[0] != 0x47 || GetPacketPID(packet) != GetPID())
            __builtin_trap();
        if (*m_lastNumber != UINT64_MAX && packetNumber <= *m_lastNumber)
            __builtin_trap();
        *m_lastNumber = packetNumber;
        volatile unsigned char last = packet[DVB_PACKET_SIZE - 1];
        (void)last;
    }

private:
    uint64_t* m_lastNumber;
};

class CFuzzReceiver : public CDVBTransportStreamReceiver
{
public:
    CFuzzReceiver()
        : CDVBTransportStreamReceiver(nullptr, nullptr)
    {
    }
    using CDVBTransportStreamReceiver::ProcessBuffer;
    using CDVBTransportStreamReceiver::RestartStreamChecks;
    void Renew()
    {
        Reset();
        Start();
        m_lastNumber = UINT64_MAX;
        for (unsigned short pid : { 0x100, 0x1FFF })
            AddPIDReceiver(pid, new CCheckingReceiver(&m_lastNumber));
    }
    uint64_t m_lastNumber = UINT64_MAX;
};

constexpr int kInputsPerReceiver = 1000;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetDebugOutputSink([](const CString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes give the read lengths, the rest is the stream.
    const size_t lengths[2] = { size_t(data[0]) * 3 + 1, size_t(data[1]) * 7 + 1 };
    data += 2;
    size -= 2;

    static CFuzzReceiver& fuzzed = *new CFuzzReceiver;
    static int inputs = 0;
    if (inputs++ % kInputsPerReceiver == 0)
        fuzzed.Renew();
    fuzzed.RestartStreamChecks();

    size_t fed = 0;
    for (int read = 0; fed < size; read++) {
        const size_t length = std::min(lengths[read % 2], size - fed);
        std::unique_ptr<unsigned char[]> copy(new unsigned char[length]);
        std::memcpy(copy.get(), data + fed, length);
        fuzzed.ProcessBuffer(copy.get(), static_cast<unsigned long>(length));
        fed += length;
    }
    return 0;
}
