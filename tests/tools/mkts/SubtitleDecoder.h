#pragma once
// An independent reading of DVB subtitle display sets (EN 300 743) for the
// tests: segments, CLUT entries and 2-bit/4-bit pixel strings decoded from
// the standard, not from the encoder.
#include "tswriter/TsTypes.h"

#include <map>
#include <vector>

namespace subtitle_check {

struct Segment {
    uint8_t type = 0;
    uint16_t pageId = 0;
    ts::Bytes body;
};

struct Colour {
    uint8_t y = 0, cr = 0, cb = 0, t = 0;
    bool operator==(const Colour&) const = default;
};

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> codes;
    uint8_t At(int x, int y) const { return codes[size_t(y) * width + x]; }
};

// Splits a PES payload (data_identifier 0x20 ... 0xFF) into its segments;
// throws std::runtime_error on a malformed one.
std::vector<Segment> ReadDisplaySet(const ts::Bytes& payload);
// Entries of a CLUT definition body keyed by (depth flag, entry id).
std::map<std::pair<uint8_t, uint8_t>, Colour> ReadClut(const ts::Bytes& body);
// Decodes one field's data block into rows first, first + 2, ...
void DecodeField(const uint8_t* data, size_t size, int firstRow, Pixels& pixels);
// The pixels of an object data body (coding method 0).
Pixels DecodeObject(const ts::Bytes& body, int width, int height);

} // namespace subtitle_check
