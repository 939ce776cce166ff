#pragma once
// One colour of a subtitle colour table, always held as 8-bit Y, Cb, Cr and
// T (transparency; 0 is opaque).
#include "DVBByteReader.h"

struct CDVBCLUTEntry {
    uint8_t entryId = 0;
    bool twoBitEntry = false;
    bool fourBitEntry = false;
    bool eightBitEntry = false;
    uint8_t reserved = 0;
    bool fullRange = false;
    uint8_t y = 0;
    uint8_t cb = 0;
    uint8_t cr = 0;
    uint8_t t = 0;

    // Full range gives the four bytes Y, Cr, Cb, T; reduced range packs
    // 6, 4, 4 and 2 bits into one word, each the top bits of its byte.
    bool Read(CDVBByteReader& reader);
};
