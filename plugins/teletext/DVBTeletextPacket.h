#pragma once
// One teletext packet as a VBI line carries it, its bytes in the order
// teletext defines them (bit 1 first transmitted in bit 0).
#include <array>
#include <cstdint>
#include <vector>

struct CDVBTeletextPacket {
    std::array<uint8_t, 42> bytes {};
    // The frame line, or 0 when the stream does not say.
    unsigned line = 0;

    // The packets of the teletext data units of one PES packet, header
    // included: EN 300 472 data units of either teletext kind, each byte
    // reversed into teletext order. Other and malformed units are left out;
    // false when the PES is not teletext at all.
    static bool ParsePES(unsigned char* pes, unsigned long size, std::vector<CDVBTeletextPacket>& packets);
};
