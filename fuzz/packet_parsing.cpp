// Drives the packet and PES parsing functions, the PES collector, the PCR
// sampler, the time-stamp shift of a looping file and the history a joining
// decoder is replayed from with arbitrary bytes. The input is cut into 188-byte packets, each
// copied into a buffer of exactly that size so that any read past it shows;
// the time-stamp parser also gets the first tails of the input as PES packets.
#include "stream/DVBPCRReceiver.h"
#include "stream/DVBPESPacketCollector.h"
#include "stream/DVBPIDReceiver.h"
#include "stream/DVBPacketHistory.h"
#include "stream/DVBTimestampShift.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {
void CheckInside(const unsigned char* start, unsigned long size, const unsigned char* data, unsigned long length)
{
    if (data < start || data + length > start + size)
        __builtin_trap();
}

void ParsePacket(unsigned char* packet, CDVBPESPacketCollector& collector, CDVBPCRReceiver& pcr, uint64_t number)
{
    unsigned char* data;
    unsigned long size;
    if (CDVBPIDReceiver::GetPacketPayload(packet, data, size))
        CheckInside(packet, DVB_PACKET_SIZE, data, size);
    if (CDVBPIDReceiver::GetPESInternalData(packet, data, size))
        CheckInside(packet, DVB_PACKET_SIZE, data, size);
    unsigned char* field;
    unsigned char length;
    if (CDVBPIDReceiver::GetPacketAdaptationField(packet, field, length))
        CheckInside(packet, DVB_PACKET_SIZE, field, length + 1u);
    int64_t pts, dts;
    CDVBPIDReceiver::GetTimeStampsFromPacket(packet, pts, dts);

    collector.AddPacket(packet);
    collector.IsComplete();
    if (collector.GetInternalData(data, size))
        CheckInside(collector.GetData(), collector.GetCurrentSize(), data, size);

    pcr.OnReceivePacket(number, packet);
    if (number % 7 == 3)
        pcr.OnStreamStartedAgain();
    // Every other packet moves on by a tick count the input chose.
    if (number % 2)
        DVBShiftTimestamps(packet, uint64_t(packet[5]) << 25 | packet[9]);
    int64_t clock;
    pcr.GetBitrate();
    pcr.EstimateClockAtPacket(number, clock);
    pcr.EstimateClockAtTime(1e9, 6e9, clock);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    // Allocated once: Reset returns it to the state of a new collector.
    static CDVBPESPacketCollector collector;
    collector.Reset();
    // Small, so that the input wraps it.
    CDVBPacketHistory history(5);
    CDVBPCRReceiver pcr;
    // Every packet in one read that arrived 5 s into the system clock.
    const DVBReadArrival read { 5000000000, size / DVB_PACKET_SIZE };
    pcr.SetReadArrival(&read);
    uint64_t number = 0;
    static const std::unique_ptr<unsigned char[]> packet = std::make_unique<unsigned char[]>(DVB_PACKET_SIZE);
    for (size_t offset = 0; offset + DVB_PACKET_SIZE <= size; offset += DVB_PACKET_SIZE) {
        std::memcpy(packet.get(), input + offset, DVB_PACKET_SIZE);
        ParsePacket(packet.get(), collector, pcr, number++);
        history.Add(packet.get());
    }
    if (size >= 3)
        history.ReplayFromRandomAccess(((input[1] & 0x1F) << 8) | input[2],
            [](unsigned char* replayed) { CDVBPIDReceiver::IsPayloadUnitStart(replayed + DVB_PACKET_SIZE - 1); });

    // Arbitrary sizes for the PES parser: the first tails of the input, each in its own allocation.
    for (size_t start = 0; start < size && start < 8; start++) {
        const size_t length = size - start;
        auto pes = std::make_unique<unsigned char[]>(length);
        std::memcpy(pes.get(), input + start, length);
        int64_t pts, dts;
        CDVBPIDReceiver::GetTimeStampsFromPESData(pes.get(), static_cast<unsigned long>(length), pts, dts);
    }
    return 0;
}
