#include "stream/DVBPIDReceiver.h"

namespace {
constexpr unsigned char kPayloadPresent = 0x10;
constexpr unsigned char kAdaptationFieldPresent = 0x20;
constexpr unsigned char kMaxAdaptationFieldLength = 183;
constexpr unsigned long kPESFixedHeaderSize = 6;

// 33 bits spread over five bytes with marker bits; the prefix and markers are ignored.
int64_t ReadTimeStamp(const unsigned char* b)
{
    int64_t value = (b[0] >> 1) & 7;
    value = (value << 8) | b[1];
    value = (value << 7) | (b[2] >> 1);
    value = (value << 8) | b[3];
    value = (value << 7) | (b[4] >> 1);
    return value;
}
} // namespace

bool CDVBPIDReceiver::SkipPESHeader(unsigned char*& data, unsigned long& size)
{
    if (size < 9)
        return false;
    data += 8;
    size -= 8;
    const unsigned char headerLength = *data;
    data++;
    size--;
    if (size < headerLength)
        return false;
    data += headerLength;
    size -= headerLength;
    return true;
}

void CDVBPIDReceiver::OnReceivePacket(uint64_t, unsigned char*)
{
}

bool CDVBPIDReceiver::GetPacketPayload(unsigned char* packet, unsigned char*& payload, unsigned long& size)
{
    payload = nullptr;
    size = 0;
    const unsigned char control = packet[3];
    if (control & kPayloadPresent) {
        if (control & kAdaptationFieldPresent) {
            const unsigned char length = packet[4];
            if (length < kMaxAdaptationFieldLength) {
                payload = packet + 5 + length;
                size = kMaxAdaptationFieldLength - length;
            }
        } else {
            payload = packet + 4;
            size = DVB_PACKET_SIZE - 4;
        }
    }
    return payload != nullptr && size > 0;
}

bool CDVBPIDReceiver::GetPacketAdaptationField(unsigned char* packet, unsigned char*& field, unsigned char& length)
{
    field = nullptr;
    length = 0;
    if (!(packet[3] & kAdaptationFieldPresent))
        return false;
    field = packet + 4;
    length = packet[4];
    return length <= kMaxAdaptationFieldLength;
}

bool CDVBPIDReceiver::HasDiscontinuityIndicator(unsigned char* packet)
{
    unsigned char* field;
    unsigned char length;
    return GetPacketAdaptationField(packet, field, length) && length > 0 && (field[1] & 0x80);
}

bool CDVBPIDReceiver::HasRandomAccessIndicator(unsigned char* packet)
{
    unsigned char* field;
    unsigned char length;
    constexpr unsigned char kRandomAccessIndicator = 0x40;
    return GetPacketAdaptationField(packet, field, length) && length > 0 && (field[1] & kRandomAccessIndicator);
}

unsigned long CDVBPIDReceiver::GetTimeStampsFromPESData(
    unsigned char* pes, unsigned long size, int64_t& pts, int64_t& dts)
{
    if (size < kPESFixedHeaderSize)
        return 0;
    unsigned long remaining = size - kPESFixedHeaderSize;
    const unsigned long packetLength = (pes[4] << 8) | pes[5];
    if (packetLength != 0 && packetLength < remaining)
        remaining = packetLength;
    if (remaining < 3)
        return 0;

    const unsigned flags = pes[7] >> 6;
    const unsigned long headerLength = pes[8];
    remaining -= 3;
    if (headerLength < remaining)
        remaining = headerLength;

    unsigned long result = 0;
    const unsigned char* position = pes + 9;
    if ((flags & 2) && remaining >= 5) {
        pts = ReadTimeStamp(position);
        position += 5;
        remaining -= 5;
        result |= DVB_PTS_PRESENT;
    }
    if ((flags & 1) && remaining >= 5) {
        dts = ReadTimeStamp(position);
        result |= DVB_DTS_PRESENT;
    }
    return result;
}

unsigned long CDVBPIDReceiver::GetTimeStampsFromPacket(unsigned char* packet, int64_t& pts, int64_t& dts)
{
    unsigned char* payload;
    unsigned long size;
    if (!IsPayloadUnitStart(packet) || !GetPacketPayload(packet, payload, size))
        return 0;
    return GetTimeStampsFromPESData(payload, size, pts, dts);
}

bool CDVBPIDReceiver::GetPESInternalData(unsigned char* packet, unsigned char*& data, unsigned long& size)
{
    if (!GetPacketPayload(packet, data, size))
        return false;
    if (!IsPayloadUnitStart(packet))
        return true;
    return SkipPESHeader(data, size);
}
