#pragma once
// Run-length pixel code strings of DVB subtitle object data (ETSI EN 300 743):
// one object line in, the bytes of its data block out.
#include "tswriter/TsTypes.h"

#include <cstddef>

namespace PixelCodeStrings {

// data_type 0x10, the code string with its end code, stuffing to the byte.
// Codes must be 0-3.
void AppendTwoBitLine(ts::Bytes& out, const uint8_t* codes, size_t count);
// data_type 0x11 likewise, for codes 0-15.
void AppendFourBitLine(ts::Bytes& out, const uint8_t* codes, size_t count);
// data_type 0xF0.
void AppendEndOfLine(ts::Bytes& out);

} // namespace PixelCodeStrings
