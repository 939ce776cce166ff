#include "stream/DVBTimestampShift.h"

#include "stream/DVBPIDReceiver.h"
#include "stream/DVBTiming.h"

#include <algorithm>

namespace {
constexpr uint64_t kMask = DVB_CLOCK_WRAP - 1;
constexpr unsigned char kPCRFlag = 0x10;
// The flags byte and the six PCR bytes.
constexpr unsigned char kMinPCRFieldLength = 7;
// Start code, stream id, length, two flag bytes and the header length.
constexpr unsigned long kPESHeaderStart = 9;
constexpr unsigned long kTimestampSize = 5;

void ShiftPCR(unsigned char* packet, uint64_t ticks)
{
    unsigned char* field;
    unsigned char length;
    if (!CDVBPIDReceiver::GetPacketAdaptationField(packet, field, length) || length < kMinPCRFieldLength
        || !(field[1] & kPCRFlag))
        return;
    unsigned char* p = field + 2;
    uint64_t base
        = (uint64_t(p[0]) << 25) | (uint64_t(p[1]) << 17) | (uint64_t(p[2]) << 9) | (uint64_t(p[3]) << 1) | (p[4] >> 7);
    base = (base + ticks) & kMask;
    p[0] = static_cast<unsigned char>(base >> 25);
    p[1] = static_cast<unsigned char>(base >> 17);
    p[2] = static_cast<unsigned char>(base >> 9);
    p[3] = static_cast<unsigned char>(base >> 1);
    p[4] = static_cast<unsigned char>((p[4] & 0x7F) | ((base & 1) << 7));
}

// The prefix nibble and the marker bits stay as they were.
void ShiftTimestamp(unsigned char* p, uint64_t ticks)
{
    uint64_t time = (uint64_t(p[0] & 0x0E) << 29) | (uint64_t(p[1]) << 22) | (uint64_t(p[2] & 0xFE) << 14)
        | (uint64_t(p[3]) << 7) | (p[4] >> 1);
    time = (time + ticks) & kMask;
    p[0] = static_cast<unsigned char>((p[0] & 0xF1) | ((time >> 29) & 0x0E));
    p[1] = static_cast<unsigned char>(time >> 22);
    p[2] = static_cast<unsigned char>((p[2] & 0x01) | ((time >> 14) & 0xFE));
    p[3] = static_cast<unsigned char>(time >> 7);
    p[4] = static_cast<unsigned char>((p[4] & 0x01) | ((time << 1) & 0xFE));
}

// Streams whose PES packets have no optional header carry no time stamps.
bool HasOptionalHeader(unsigned char streamId)
{
    switch (streamId) {
    case 0xBC: // programme stream map
    case 0xBE: // padding
    case 0xBF: // private stream 2
    case 0xF0: // ECM
    case 0xF1: // EMM
    case 0xF2: // DSM-CC
    case 0xF8: // H.222.1 type E
    case 0xFF: // programme stream directory
        return false;
    default:
        return streamId >= 0xBC;
    }
}

void ShiftPESTimestamps(unsigned char* packet, uint64_t ticks)
{
    unsigned char* pes;
    unsigned long size;
    if (!CDVBPIDReceiver::IsPayloadUnitStart(packet) || !CDVBPIDReceiver::GetPacketPayload(packet, pes, size)
        || size < kPESHeaderStart || pes[0] != 0 || pes[1] != 0 || pes[2] != 1 || !HasOptionalHeader(pes[3]))
        return;
    const unsigned flags = pes[7] >> 6;
    // Only stamps that lie whole inside both the header and this packet.
    const unsigned long end = std::min<unsigned long>(size, kPESHeaderStart + pes[8]);
    unsigned long position = kPESHeaderStart;
    if ((flags & 2) && position + kTimestampSize <= end) {
        ShiftTimestamp(pes + position, ticks);
        position += kTimestampSize;
    }
    if (flags == 3 && position + kTimestampSize <= end)
        ShiftTimestamp(pes + position, ticks);
}
} // namespace

void DVBShiftTimestamps(unsigned char* packet, uint64_t ticks)
{
    if ((ticks & kMask) == 0)
        return;
    ShiftPCR(packet, ticks);
    ShiftPESTimestamps(packet, ticks);
}
