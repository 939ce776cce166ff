#include "DVBTeletextPacket.h"

#include "stream/DVBPIDReceiver.h"

namespace {
constexpr uint8_t UNIT_TELETEXT = 0x02;
constexpr uint8_t UNIT_SUBTITLE = 0x03;
constexpr uint8_t UNIT_LENGTH = 0x2C;
// The teletext framing code 0x27, as the data unit carries it.
constexpr uint8_t FRAMING_CODE = 0xE4;
constexpr unsigned SECOND_FIELD_START = 313;

uint8_t Reverse(uint8_t byte)
{
    byte = uint8_t((byte & 0xF0) >> 4 | (byte & 0x0F) << 4);
    byte = uint8_t((byte & 0xCC) >> 2 | (byte & 0x33) << 2);
    return uint8_t((byte & 0xAA) >> 1 | (byte & 0x55) << 1);
}
} // namespace

bool CDVBTeletextPacket::ParsePES(unsigned char* pes, unsigned long size, std::vector<CDVBTeletextPacket>& packets)
{
    packets.clear();
    if (!CDVBPIDReceiver::SkipPESHeader(pes, size) || size < 1 || pes[0] < 0x10 || pes[0] > 0x1F)
        return false;
    for (unsigned long at = 1; at + 2 <= size;) {
        const uint8_t id = pes[at], length = pes[at + 1];
        const unsigned char* unit = pes + at + 2;
        at += 2 + length;
        if (at > size)
            break;
        if ((id != UNIT_TELETEXT && id != UNIT_SUBTITLE) || length != UNIT_LENGTH || unit[1] != FRAMING_CODE)
            continue;
        CDVBTeletextPacket packet;
        // field_parity 1 is the first field; line_offset 0 says nothing.
        const unsigned offset = unit[0] & 0x1F;
        packet.line = offset == 0 ? 0 : offset + ((unit[0] & 0x20) ? 0 : SECOND_FIELD_START);
        for (size_t byte = 0; byte < packet.bytes.size(); ++byte)
            packet.bytes[byte] = Reverse(unit[2 + byte]);
        packets.push_back(packet);
    }
    return true;
}
