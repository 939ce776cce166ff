#include "DVBBitReader.h"

bool CDVBBitReader::ReadBits(unsigned count, uint8_t& value)
{
    if (count == 0 || count > 8)
        return false;
    // A read that needs the next byte fails whole when the block has none.
    if (count > m_bitsLeft && GetBytesLeft() == 0)
        return false;
    unsigned result = 0;
    for (unsigned bit = 0; bit < count; ++bit) {
        if (m_bitsLeft == 0) {
            m_block.ReadByte(m_current);
            m_bitsLeft = 8;
        }
        --m_bitsLeft;
        result = result << 1 | ((m_current >> m_bitsLeft) & 1);
    }
    value = uint8_t(result);
    return true;
}
