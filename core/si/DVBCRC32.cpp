#include "si/DVBCRC32.h"

#include <array>

namespace {
std::array<uint32_t, 256> BuildTable()
{
    std::array<uint32_t, 256> table {};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[i] = crc;
    }
    return table;
}
} // namespace

uint32_t CalculateDVBCRC32(const unsigned char* data, std::size_t length)
{
    // Built once, on first use, for the life of the library.
    static const std::array<uint32_t, 256> table = BuildTable();
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}
