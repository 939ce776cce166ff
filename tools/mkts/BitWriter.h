#pragma once
// Appends bit fields most significant bit first, as the DVB pixel code strings need.
#include "tswriter/TsTypes.h"

class BitWriter
{
public:
    void Put(uint32_t value, int bits);
    // Zero bits up to the next byte boundary.
    void PadToByte();
    bool AtByteBoundary() const { return m_used == 0; }
    const ts::Bytes& Bytes() const { return m_bytes; }

private:
    ts::Bytes m_bytes;
    int m_used = 0; // bits of the last byte already written
};
