#pragma once
// Turns fuzz input into a teletext PES whose data units are all well formed,
// so that every run reaches the decoder: private stream 1 with a PTS and the
// 45-byte header, then one teletext data unit for each 42 bytes of input,
// alternating the two unit kinds and counting up the lines.
#include "DVBTeletextReceiver.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

inline std::vector<unsigned char> TeletextPESOfDataUnits(const uint8_t* input, size_t size)
{
    std::vector<unsigned char> pes { 0x00, 0x00, 0x01, 0xBD, 0x00, 0x00, 0x85, 0x80, 0x24, 0x21, 0x00, 0x01, 0x00,
        0x01 };
    pes.resize(9 + 0x24, 0xFF);
    pes.push_back(0x10);
    unsigned line = 7;
    for (size_t at = 0; at + 42 <= size && pes.size() < 0xFF00; at += 42, ++line) {
        pes.insert(pes.end(), { uint8_t(at / 42 % 2 ? 0x02 : 0x03), 0x2C, uint8_t(0xE0 | (line & 0x1F)), 0xE4 });
        pes.insert(pes.end(), input + at, input + at + 42);
    }
    const size_t length = pes.size() - 6;
    pes[4] = uint8_t(length >> 8);
    pes[5] = uint8_t(length);
    return pes;
}

// The input three ways: as a PES as it stands, as transport packets, and as
// well-formed data units.
inline void FeedTeletextInput(CDVBTeletextReceiver& receiver, const uint8_t* input, size_t size)
{
    // A payload-less packet that starts a unit empties the collector.
    unsigned char packet[188] = { 0x47, 0x40, 0x00, 0x20, 183 };
    receiver.OnReceivePacket(0, packet);

    std::unique_ptr<unsigned char[]> pes(new unsigned char[size ? size : 1]);
    std::memcpy(pes.get(), input, size);
    receiver.DecodePES(pes.get(), static_cast<unsigned long>(size));

    for (size_t at = 0; at + sizeof packet <= size; at += sizeof packet) {
        std::memcpy(packet, input + at, sizeof packet);
        receiver.OnReceivePacket(at / sizeof packet, packet);
    }
    std::vector<unsigned char> wellFormed = TeletextPESOfDataUnits(input, size);
    receiver.DecodePES(wellFormed.data(), static_cast<unsigned long>(wellFormed.size()));
}
