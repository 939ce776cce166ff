#include "DVBCLUTEntry.h"

bool CDVBCLUTEntry::Read(CDVBByteReader& reader)
{
    uint8_t flags;
    if (!reader.ReadByte(entryId) || !reader.ReadByte(flags))
        return false;
    twoBitEntry = flags & 0x80;
    fourBitEntry = flags & 0x40;
    eightBitEntry = flags & 0x20;
    reserved = (flags >> 1) & 0x0F;
    fullRange = flags & 0x01;
    if (fullRange) {
        unsigned char values[4];
        if (!reader.ReadBytes(values, 4))
            return false;
        y = values[0];
        cr = values[1];
        cb = values[2];
        t = values[3];
        return true;
    }
    uint16_t word;
    if (!reader.ReadWord(word))
        return false;
    y = uint8_t((word >> 10) << 2);
    cr = uint8_t(((word >> 6) & 0x0F) << 4);
    cb = uint8_t(((word >> 2) & 0x0F) << 4);
    t = uint8_t((word & 0x03) << 6);
    return true;
}
