#pragma once
// The CRC-32 of MPEG-2 sections (ISO/IEC 13818-1 Annex A): polynomial
// 0x04C11DB7, initial value 0xFFFFFFFF, most significant bit first, no
// reflection, no final XOR. Over a whole section including its CRC_32 field
// the result is 0 when the section is intact.
#include <cstddef>
#include <cstdint>

uint32_t CalculateDVBCRC32(const unsigned char* data, std::size_t length);
