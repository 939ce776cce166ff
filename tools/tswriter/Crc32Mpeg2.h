#pragma once
// CRC-32/MPEG-2 (polynomial 0x04C11DB7, initial 0xFFFFFFFF, no reflection,
// no final XOR), kept apart from the core's so tests can check the core's.
#include <cstddef>
#include <cstdint>

namespace ts {

uint32_t Crc32Mpeg2(const uint8_t* data, size_t size);

} // namespace ts
