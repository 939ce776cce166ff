#include "BitWriter.h"

void BitWriter::Put(uint32_t value, int bits)
{
    for (int bit = bits - 1; bit >= 0; --bit) {
        if (m_used == 0)
            m_bytes.push_back(0);
        m_bytes.back() |= uint8_t((value >> bit & 1) << (7 - m_used));
        m_used = (m_used + 1) % 8;
    }
}

void BitWriter::PadToByte()
{
    m_used = 0;
}
