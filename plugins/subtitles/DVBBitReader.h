#pragma once
// Reads one field's pixel-data block a few bits at a time, most significant
// bit first, never past the block's length.
#include "DVBByteReader.h"

class CDVBBitReader
{
public:
    CDVBBitReader(CDVBByteReader& reader, size_t blockLength)
        : m_block(reader, blockLength)
    {
    }

    // count is 1 to 8; false (taking nothing more) once the block is used up.
    bool ReadBits(unsigned count, uint8_t& value);
    // Bytes of the block not yet loaded.
    size_t GetBytesLeft() const { return m_block.GetRemaining(); }
    bool IsAtByteBoundary() const { return m_bitsLeft == 0; }

private:
    CDVBBoundedReader m_block;
    uint8_t m_current = 0;
    unsigned m_bitsLeft = 0;
};
